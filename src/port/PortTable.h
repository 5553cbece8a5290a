#pragma once
// The application's port objects: index 0 the device-level GPIB port, 1 to 3
// the one multi-device GPIB port, 4 the RS-232 port. They share one binding
// of the GPIB library.
#include <cstddef>

#include "port/CGpibDevicePort.h"
#include "port/CGpibPort.h"
#include "port/CInstrumentPort.h"
#include "port/CSerialPort.h"
#include "port/GpibLibrary.h"
#include "port/PortOptions.h"

namespace kivelo {

class PortTable {
public:
    static constexpr std::size_t kSize = 5;

    explicit PortTable(const PortOptions& options = {});
    PortTable(const PortTable&) = delete;
    PortTable& operator=(const PortTable&) = delete;

    // Index 0..4; an index above 4 answers the serial port.
    CInstrumentPort& At(std::size_t index);
    // The port a flow uses for portCode: GPIB below 31, else RS-232.
    CInstrumentPort& Select(int portCode);

    // Every port writes to log (nullptr: none) until told otherwise.
    void SetWireLog(CWireLog* log);

    const PortOptions& Options() const { return options_; }
    GpibLibrary& Gpib() { return library_; }
    CGpibDevicePort& DevicePort() { return devicePort_; }
    CGpibPort& GpibPort() { return gpibPort_; }
    CSerialPort& SerialPort() { return serialPort_; }

private:
    PortOptions options_;
    GpibLibrary library_;
    CGpibDevicePort devicePort_{library_};
    CGpibPort gpibPort_{library_};
    CSerialPort serialPort_{options_};
};

}  // namespace kivelo
