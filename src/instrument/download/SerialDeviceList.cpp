#include "instrument/download/SerialDeviceList.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <string_view>
#include <system_error>

namespace kivelo {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 3> kPrefixes = {"ttyS", "ttyUSB", "ttyACM"};

struct KernelName {
    std::size_t group = 0;  // index into kPrefixes
    long number = 0;
    std::string name;
};

// "ttyUSB12" -> group 1, number 12; false for any other name.
bool ParseKernelName(const std::string& name, KernelName& out) {
    for (std::size_t g = 0; g < kPrefixes.size(); ++g) {
        const std::string_view prefix = kPrefixes[g];
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(),
                                              [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
            continue;
        out = {g, std::stol(digits), name};
        return true;
    }
    return false;
}

// An on-board port name exists for every possible UART; sysfs says which have
// one (type 0 is "unknown", nothing there). Without sysfs we cannot tell.
bool HasUart(const SerialDeviceRoots& roots, const std::string& name) {
    std::error_code ec;
    if (!fs::is_directory(roots.sysClassTty, ec)) return true;
    std::ifstream type(fs::path(roots.sysClassTty) / name / "type");
    int value = 0;
    return type && (type >> value) && value != 0;
}

std::string Canonical(const fs::path& path) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    return ec ? std::string() : real.string();
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const SerialDeviceRoots& roots) {
    std::error_code ec;
    std::vector<KernelName> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(roots.dev, ec)) {
        KernelName name;
        if (!ParseKernelName(entry.path().filename().string(), name)) continue;
        if (name.group == 0 && !HasUart(roots, name.name)) continue;
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), [](const KernelName& a, const KernelName& b) {
        return a.group != b.group ? a.group < b.group : a.number < b.number;
    });

    // The stable names, by the device they point at.
    std::map<std::string, fs::path> byId;
    const fs::path idFolder = fs::path(roots.dev) / "serial" / "by-id";
    for (const fs::directory_entry& entry : fs::directory_iterator(idFolder, ec)) {
        const std::string target = Canonical(entry.path());
        if (!target.empty() && !byId.count(target)) byId.emplace(target, entry.path());
    }

    std::vector<SerialDevice> devices;
    for (const KernelName& name : names) {
        const fs::path kernel = fs::path(roots.dev) / name.name;
        SerialDevice device;
        device.kernel = kernel.string();
        const auto stable = byId.find(Canonical(kernel));
        if (stable != byId.end()) {
            device.path = stable->second.string();
            device.label = stable->second.filename().string() + " (" + name.name + ")";
        } else {
            device.path = device.kernel;
            device.label = device.kernel;
        }
        devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace kivelo
