#include "instrument/download/CommDeviceChoice.h"

#include <cstdlib>

#include "port/CSerialPort.h"

namespace kivelo {

const char* SerialOverrideVariable(int serialPort) { return serialPort == 1 ? "KIVELO_COM1" : "KIVELO_COM2"; }

std::string SerialOverride(int serialPort) {
    const char* value = std::getenv(SerialOverrideVariable(serialPort));
    return value != nullptr ? std::string(value) : std::string();
}

CommTarget CommTargetFor(const CommSettings& settings, const std::string& chosenDevice) {
    CommTarget target = CommTarget::FromSettings(settings);
    if (settings.useGpib != 1 && SerialOverride(settings.serialPort).empty()) target.serialDevice = chosenDevice;
    return target;
}

std::string SerialDevicePath(const CommTarget& target) {
    if (target.IsGpib()) return {};
    if (!target.serialDevice.empty()) return target.serialDevice;
    return CSerialPort::DevicePath(target.SerialPortNumber() - 1);
}

}  // namespace kivelo
