#pragma once
// Where the flows talk to: a portCode (GPIB address or serial configuration
// word) and, for RS-232, optionally a device path that replaces COM1/COM2.
#include <cstdint>
#include <string>

#include "instrument/download/CommSettings.h"

namespace kivelo {

struct CommTarget {
    int32_t portCode = 1;
    std::string serialDevice;  // empty: the COM port named by portCode

    static CommTarget FromSettings(const CommSettings& settings) { return {settings.portCode(), {}}; }

    bool IsGpib() const { return serialDevice.empty() && IsGpibPortCode(portCode); }
    // 1 or 2 for a serial configuration word (port field 1 is COM1, 2 and 3 COM2).
    int SerialPortNumber() const { return (portCode & 3) == 1 ? 1 : 2; }
    // "\n\nGPIB Addr:  %d" or "\n\nRS232 Port:  %d" (the device path when one is given).
    std::string PortLine() const;
};

}  // namespace kivelo
