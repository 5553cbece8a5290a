#pragma once
// How the instrument is connected: GPIB with a primary address, or RS-232 on
// COM1/COM2 (19200 baud, 8 data bits, no parity, 1 stop bit, CTS flow control).
#include <cstdint>

#include "port/CInstrumentPort.h"
#include "port/SerialSettings.h"

namespace kivelo {

struct CommSettings {
    int32_t gpibAddress = 1;  // 1..30
    int32_t serialPort = 1;   // 1 COM1, 2 COM2
    int32_t useGpib = 1;      // 1 GPIB, 0 RS-232

    static bool IsValidGpibAddress(int32_t address) { return address >= 1 && address <= 30; }
    static bool IsValidSerialPort(int32_t port) { return port == 1 || port == 2; }

    // The GPIB address, or the serial configuration word of the chosen port.
    int32_t portCode() const;
};

inline bool IsGpibPortCode(int32_t portCode) { return portCode < kFirstSerialPortCode; }

}  // namespace kivelo
