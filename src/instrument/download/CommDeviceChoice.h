#pragma once
// Which terminal device stands behind COM1 and COM2: $KIVELO_COM1 /
// $KIVELO_COM2 when set, else the device the user chose (kept outside the
// settings record), else /dev/ttyS0 / /dev/ttyS1.
#include <string>

#include "instrument/download/CommSettings.h"
#include "instrument/download/CommTarget.h"

namespace kivelo {

// "KIVELO_COM1" for port 1, "KIVELO_COM2" for any other.
const char* SerialOverrideVariable(int serialPort);
// The variable's value; empty when it is unset or empty.
std::string SerialOverride(int serialPort);

// The target of the settings. On RS-232 a chosen device (empty: none) is
// opened instead of the port's default, unless the variable overrides it.
CommTarget CommTargetFor(const CommSettings& settings, const std::string& chosenDevice);

// The device an RS-232 target opens; empty for GPIB.
std::string SerialDevicePath(const CommTarget& target);

}  // namespace kivelo
