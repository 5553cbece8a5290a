#include "instrument/download/CommDeviceChoice.h"

namespace kivelo {

const char* SerialOverrideVariable(int serialPort) { return PortOptions::kSerialVariables[serialPort == 1 ? 0 : 1]; }

std::string SerialOverride(const PortOptions& ports, int serialPort) {
    return ports.serialDevices[serialPort == 1 ? 0 : 1];
}

CommTarget CommTargetFor(const CommSettings& settings, const std::string& chosenDevice, const PortOptions& ports) {
    CommTarget target = CommTarget::FromSettings(settings);
    if (settings.useGpib != 1 && SerialOverride(ports, settings.serialPort).empty()) target.serialDevice = chosenDevice;
    return target;
}

std::string SerialDevicePath(const CommTarget& target, const PortOptions& ports) {
    if (target.IsGpib()) return {};
    if (!target.serialDevice.empty()) return target.serialDevice;
    return ports.SerialDevicePath(target.SerialPortNumber() - 1);
}

}  // namespace kivelo
