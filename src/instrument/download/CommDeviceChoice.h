#pragma once
// Which terminal device stands behind COM1 and COM2: the ports' options when
// they name one ($KIVELO_COM1 / $KIVELO_COM2), else the device the user chose
// (kept outside the settings record), else /dev/ttyS0 / /dev/ttyS1.
#include <string>

#include "instrument/download/CommSettings.h"
#include "instrument/download/CommTarget.h"
#include "port/PortOptions.h"

namespace kivelo {

// "KIVELO_COM1" for port 1, "KIVELO_COM2" for any other.
const char* SerialOverrideVariable(int serialPort);
// The device the options name for the port; empty when they name none.
std::string SerialOverride(const PortOptions& ports, int serialPort);

// The target of the settings. On RS-232 a chosen device (empty: none) is
// opened instead of the port's default, unless the options override it.
CommTarget CommTargetFor(const CommSettings& settings, const std::string& chosenDevice, const PortOptions& ports);

// The device an RS-232 target opens; empty for GPIB.
std::string SerialDevicePath(const CommTarget& target, const PortOptions& ports);

}  // namespace kivelo
