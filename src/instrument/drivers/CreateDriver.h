#pragma once
// The family driver for an identified instrument.
#include <memory>

#include "instrument/drivers/CInstrument.h"

namespace kivelo {

// 818, 826 -> CDriverQV8; 4300 -> CDriverQV43; 6010, 6020, 6030 -> CDriverQV60;
// any other identifier -> CDriverQV31.
std::unique_ptr<CInstrument> CreateDriver(int modelId, HeaderSwitches switches = {});

}  // namespace kivelo
