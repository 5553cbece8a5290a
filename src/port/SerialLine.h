#pragma once
// Puts a terminal device into raw mode with the given line settings.
#include "port/SerialSettings.h"

namespace kivelo {

// Baud, byte size, parity, stop bits and flow control on an open terminal;
// DTR and RTS are raised where the device has them. False when the device is
// not a terminal or refuses the settings.
bool ConfigureSerialLine(int fd, const SerialSettings& settings);

// Sets a rate termios has no constant for (Linux only); false elsewhere.
bool SetCustomBaud(int fd, int baud);

}  // namespace kivelo
