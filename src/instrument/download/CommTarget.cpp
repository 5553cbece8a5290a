#include "instrument/download/CommTarget.h"

namespace kivelo {

std::string CommTarget::PortLine() const {
    if (IsGpib()) return "\n\nGPIB Addr:  " + std::to_string(portCode);
    if (!serialDevice.empty()) return "\n\nRS232 Port:  " + serialDevice;
    return "\n\nRS232 Port:  " + std::to_string(SerialPortNumber());
}

}  // namespace kivelo
