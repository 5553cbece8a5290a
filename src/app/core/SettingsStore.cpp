#include "app/core/SettingsStore.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/StagedFile.h"
#include "common/UniqueFd.h"

namespace kivelo::app {

namespace {

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    if (folder.back() == '/') return folder + std::string(name);
    return folder + "/" + std::string(name);
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

bool Usable(const std::optional<std::string>& value) { return value.has_value() && !value->empty(); }

// The folder can take a new file and the file there, if any, may be replaced.
bool WritableBeside(const std::string& folder, const std::string& file) {
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return false;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return errno == ENOENT;
    return !S_ISDIR(st.st_mode) && ::access(file.c_str(), W_OK) == 0;
}

// Folders of installed programs: even when writable (running as root) they are
// no place for one user's settings, and a package could not remove the file.
bool IsSystemFolder(const std::string& folder) {
    for (const char* prefix : {"/usr/", "/bin", "/sbin", "/opt/", "/snap/", "/lib"})
        if (folder.rfind(prefix, 0) == 0) return true;
    return false;
}

bool Exists(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> Env(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr) return std::nullopt;
    return std::string(v);
}

std::optional<std::string> PasswordHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd pw{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr)
        return std::nullopt;
    return std::string(found->pw_dir);
}

std::string WorkingDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (std::size_t{1} << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

// Creates folder and its missing parents with mode 0700 (the XDG rules' mode).
bool MakeFolders(const std::string& folder, std::string& error) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        error = "Not a folder: " + folder;
        return false;
    }
    for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/') continue;
        const std::string prefix = folder.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "Cannot create folder " + prefix + ": " + std::strerror(errno);
            return false;
        }
    }
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "Cannot create folder " + folder;
        return false;
    }
    return true;
}

// The file a symbolic link at path points at (one that doesn't exist yet too);
// any other path as it is.
std::string FollowLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string resolved(real);
        std::free(real);
        return resolved;
    }
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
    if (n <= 0) return path;
    std::string link(buffer.data(), static_cast<std::size_t>(n));
    return IsAbsolute(link) ? link : Join(kivelo::FolderOf(path), link);
}

}  // namespace

std::string SettingsStore::ResolvePath(const SettingsPathInputs& in) {
    if (Usable(in.kiveloSettings)) {
        const std::string& p = *in.kiveloSettings;
        return IsAbsolute(p) || in.workingDirectory.empty() ? p : Join(in.workingDirectory, p);
    }
    const std::string besideExe = in.exeDirectory.empty() ? std::string() : Join(in.exeDirectory, kFileName);
    if (!besideExe.empty() && WritableBeside(in.exeDirectory, besideExe) &&
        (!IsSystemFolder(in.exeDirectory) || Exists(besideExe)))
        return besideExe;
    if (Usable(in.xdgConfigHome) && IsAbsolute(*in.xdgConfigHome))
        return Join(Join(*in.xdgConfigHome, "kivelo"), kFileName);
    if (Usable(in.home) && IsAbsolute(*in.home)) return Join(Join(*in.home, ".config/kivelo"), kFileName);
    if (!besideExe.empty()) return besideExe;
    return Join(in.workingDirectory, kFileName);
}

SettingsPathInputs SettingsStore::InputsFromEnvironment(const std::string& exeDirectory) {
    SettingsPathInputs in;
    in.kiveloSettings = Env("KIVELO_SETTINGS");
    in.xdgConfigHome = Env("XDG_CONFIG_HOME");
    in.home = Env("HOME");
    if (!Usable(in.home)) in.home = PasswordHome();
    in.exeDirectory = exeDirectory;
    in.workingDirectory = WorkingDirectory();
    return in;
}

std::string SettingsStore::ExecutableDirectory() {
    std::vector<char> buffer(PATH_MAX + 1);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n <= 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            const std::string exe(buffer.data(), static_cast<std::size_t>(n));
            return IsAbsolute(exe) ? kivelo::FolderOf(exe) : std::string();
        }
        if (buffer.size() > (std::size_t{1} << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string SettingsStore::ResolvePath() { return ResolvePath(InputsFromEnvironment(ExecutableDirectory())); }

SettingsLoadResult SettingsStore::Load(const std::string& path, SettingsRecord& record) {
    record.Clear();
    if (path.empty()) return SettingsLoadResult::Missing;
    // O_NONBLOCK: a FIFO at the path must not hang the start; it is refused below.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.IsOpen()) return SettingsLoadResult::Missing;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return SettingsLoadResult::Missing;
    auto& bytes = record.MutableRaw();
    std::size_t total = 0;
    while (total < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + total, bytes.size() - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            record.Clear();
            return SettingsLoadResult::Missing;
        }
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    return total == bytes.size() ? SettingsLoadResult::Loaded : SettingsLoadResult::Short;
}

SettingsSaveResult SettingsStore::Save(const std::string& path, const SettingsRecord& record) {
    if (path.empty()) return {SettingsSaveStatus::Failed, "No settings file name"};
    const std::string target = FollowLink(path);
    std::string error;
    if (!MakeFolders(kivelo::FolderOf(target), error)) return {SettingsSaveStatus::Failed, error};
    StagedFile out(SettingsRecord::kSize);
    const auto& bytes = record.Raw();
    if (!out.Create(target, StagedFile::Existing::Replace) || !out.Append(std::span<const uint8_t>(bytes)) ||
        !out.Commit()) {
        return {SettingsSaveStatus::Failed, out.Error().empty() ? "Cannot save " + target : out.Error()};
    }
    return {SettingsSaveStatus::Saved, {}};
}

}  // namespace kivelo::app
