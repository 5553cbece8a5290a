#include "instrument/download/CommDiagnosis.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

#include "common/UniqueFd.h"
#include "port/GpibAbi.h"

namespace kivelo {

namespace {

std::string GroupName(gid_t gid) {
    std::array<char, 4096> buffer{};
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
    return found->gr_name;
}

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};

}  // namespace

std::string SerialOpenErrorText(const std::string& path, int error, const std::string& group) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return "The device " + path + " does not exist: is the instrument's cable or USB adapter plugged in?";
    case EACCES:
    case EPERM:
        if (group.empty()) return "You have no permission to open " + path + ": ask for read and write access to it.";
        return "You have no permission to open " + path + ". It belongs to the group \"" + group +
               "\": add yourself to it (sudo usermod -aG " + group + " $USER) and log in again.";
    case EBUSY: return "The device " + path + " is in use by another program.";
    case ENXIO:
    case ENODEV: return "The device " + path + " has no port behind it.";
    case ENOTTY: return path + " is not a serial device.";
    default: return "The device " + path + " cannot be opened: " + std::strerror(error) + ".";
    }
}

std::string SerialDeviceCause(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return SerialOpenErrorText(path, errno, {});
    const std::string group = GroupName(info.st_gid);
    UniqueFd device(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!device.IsOpen()) return SerialOpenErrorText(path, errno, group);
    if (!isatty(device.Get())) return SerialOpenErrorText(path, ENOTTY, group);
    return {};
}

std::string GpibLibraryCause(const std::string& path) {
    dlerror();
    std::unique_ptr<void, LibraryCloser> handle(dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL));
    const std::string advice = " Install the driver of your GPIB interface (linux-gpib), or name its library with " +
                               std::string(gpib::kLibraryEnv) + ".";
    if (!handle) {
        const char* why = dlerror();
        return "The GPIB library \"" + path + "\" cannot be loaded" + (why != nullptr ? ": " + std::string(why) : "") +
               "." + advice;
    }
    if (dlsym(handle.get(), gpib::kSymIbsta) == nullptr && dlsym(handle.get(), gpib::kSymUserIbsta) == nullptr)
        return "\"" + path + "\" is not a GPIB library." + advice;
    return {};
}

}  // namespace kivelo
