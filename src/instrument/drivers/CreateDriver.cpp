#include "instrument/drivers/CreateDriver.h"

#include "instrument/drivers/CDriverQV31.h"
#include "instrument/drivers/CDriverQV43.h"
#include "instrument/drivers/CDriverQV60.h"
#include "instrument/drivers/CDriverQV8.h"
#include "instrument/drivers/IdentifyInstrument.h"

namespace kivelo {

std::unique_ptr<CInstrument> CreateDriver(int modelId, HeaderSwitches switches) {
    switch (modelId) {
    case ModelId::kQV818:
    case ModelId::kQV826: return std::make_unique<CDriverQV8>(switches);
    case ModelId::kQV4300: return std::make_unique<CDriverQV43>(switches);
    case ModelId::kQV6010:
    case ModelId::kQV6020:
    case ModelId::kQV6030: return std::make_unique<CDriverQV60>(switches);
    default: return std::make_unique<CDriverQV31>(switches);
    }
}

}  // namespace kivelo
