#include "instrument/download/CommSettings.h"

namespace kivelo {

int32_t CommSettings::portCode() const {
    if (useGpib == 1) return gpibAddress;
    return static_cast<int32_t>(serialPort == 1 ? kSerialWordCom1 : kSerialWordCom2);
}

}  // namespace kivelo
