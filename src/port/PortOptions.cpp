#include "port/PortOptions.h"

#include "port/GpibAbi.h"

namespace kivelo {

namespace {
std::string Text(const EnvironmentLookup& lookup, const char* name) {
    const char* value = lookup(name);
    return value != nullptr ? std::string(value) : std::string();
}
}  // namespace

PortOptions PortOptions::From(const EnvironmentLookup& lookup) {
    PortOptions options;
    options.gpibLibrary = Text(lookup, gpib::kLibraryEnv);
    for (std::size_t i = 0; i < kSerialVariables.size(); ++i)
        options.serialDevices[i] = Text(lookup, kSerialVariables[i]);
    return options;
}

std::string PortOptions::GpibLibraryPath() const {
    return gpibLibrary.empty() ? std::string(gpib::kDefaultLibrary) : gpibLibrary;
}

std::string PortOptions::SerialDevicePath(int portIndex) const {
    const std::size_t i = portIndex == 0 ? 0 : 1;
    if (!serialDevices[i].empty()) return serialDevices[i];
    return i == 0 ? "/dev/ttyS0" : "/dev/ttyS1";
}

}  // namespace kivelo
