#pragma once
// What the program's top level decides for the ports: which GPIB library to
// load and which terminal devices stand behind COM1 and COM2.
#include <array>
#include <string>

#include "common/EnvironmentLookup.h"

namespace kivelo {

struct PortOptions {
    static constexpr std::array<const char*, 2> kSerialVariables{"KIVELO_COM1", "KIVELO_COM2"};

    std::string gpibLibrary;                   // empty: libgpib.so.0
    std::array<std::string, 2> serialDevices;  // COM1, COM2; empty: /dev/ttyS0, /dev/ttyS1

    // KIVELO_GPIB_LIBRARY, KIVELO_COM1 and KIVELO_COM2; unset or empty ones keep the defaults.
    static PortOptions From(const EnvironmentLookup& lookup);

    std::string GpibLibraryPath() const;
    // The device of COM1 (portIndex 0) or COM2 (any other).
    std::string SerialDevicePath(int portIndex) const;
};

}  // namespace kivelo
