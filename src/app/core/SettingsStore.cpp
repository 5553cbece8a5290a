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

#include "app/core/SettingsCheck.h"
#include "common/ErrorText.h"
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

std::optional<std::string> Value(const EnvironmentLookup& lookup, const char* name) {
    const char* v = lookup(name);
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

SettingsPathInputs SettingsStore::Inputs(const EnvironmentLookup& lookup, const std::string& exeDirectory) {
    SettingsPathInputs in;
    in.kiveloSettings = Value(lookup, "KIVELO_SETTINGS");
    in.xdgConfigHome = Value(lookup, "XDG_CONFIG_HOME");
    in.home = Value(lookup, "HOME");
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

std::string SettingsStore::ResolvePath(const EnvironmentLookup& lookup) {
    return ResolvePath(Inputs(lookup, ExecutableDirectory()));
}

SettingsLoadResult SettingsStore::Load(const std::string& path, SettingsRecord& record) {
    SettingsFileInfo info;
    return Load(path, record, info);
}

SettingsLoadResult SettingsStore::Load(const std::string& path, SettingsRecord& record, SettingsFileInfo& info) {
    record.Clear();
    info = SettingsFileInfo{};
    if (path.empty()) return SettingsLoadResult::Missing;
    struct stat st {};
    info.present = ::lstat(path.c_str(), &st) == 0;
    // A FIFO at the path must not hang the start: only a regular file is read.
    const UniqueFd fd = OpenRegularFile(path, info.cause);
    if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0) return SettingsLoadResult::Missing;
    info.size = static_cast<int64_t>(st.st_size);
    auto& bytes = record.MutableRaw();
    std::size_t total = 0;
    while (total < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + total, bytes.size() - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            info.cause = PlainErrorText(errno);
            record.Clear();
            return SettingsLoadResult::Missing;
        }
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    return total == bytes.size() ? SettingsLoadResult::Loaded : SettingsLoadResult::Short;
}

std::string SettingsStore::KeepAside(const std::string& path, std::string& error) {
    error.clear();
    for (int n = 0; n < 1000; ++n) {
        const std::string name = path + ".damaged" + (n == 0 ? std::string() : "." + std::to_string(n));
        struct stat st {};
        if (::lstat(name.c_str(), &st) == 0) continue;
        // A second name for the same bytes: nothing is copied and nothing replaced.
        if (::link(path.c_str(), name.c_str()) == 0) return name;
        if (errno == EEXIST) continue;
        // No hard links here (another file system's rules): a copy, placed only where no file is.
        std::string cause;
        const UniqueFd in = OpenRegularFile(path, cause);
        if (!in.IsOpen()) {
            error = path + ": " + cause;
            return {};
        }
        StagedFile out;
        if (!out.Create(name, StagedFile::Existing::Keep)) {
            error = out.Error();
            return {};
        }
        std::vector<char> buffer(1 << 16);
        for (;;) {
            const ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                error = path + ": " + PlainErrorText(errno);
                return {};
            }
            if (got == 0) break;
            if (!out.Append(std::string_view(buffer.data(), static_cast<std::size_t>(got)))) {
                error = out.Error();
                return {};
            }
        }
        if (out.Commit()) return name;
        if (out.ErrorNumber() != EEXIST) {
            error = out.Error();
            return {};
        }
    }
    error = "No free name for a copy of " + path;
    return {};
}

SettingsOpening SettingsStore::Open(const std::string& path, SettingsRecord& record) {
    SettingsOpening o;
    SettingsFileInfo info;
    const SettingsLoadResult loaded = Load(path, record, info);
    if (loaded == SettingsLoadResult::Missing) {
        if (info.present) {
            o.mayOverwrite = false;
            o.notice = "The settings file " + path + " cannot be read (" + info.cause +
                       "); the defaults are used and the file is left as it is";
        }
        return o;
    }
    if (info.size == 0) return o;  // nothing in it to lose
    std::string problem;
    if (loaded == SettingsLoadResult::Short) {
        problem =
            "is cut short (" + std::to_string(info.size) + " of " + std::to_string(SettingsRecord::kSize) + " bytes)";
    } else {
        const SettingsCheck check = CheckSettings(record);
        if (check.Damaged())
            problem = "is damaged (" + std::to_string(check.badFields.size()) + " fields are not valid)";
        else if (info.size > static_cast<int64_t>(SettingsRecord::kSize))
            problem = "is longer than a settings record (" + std::to_string(info.size) + " bytes)";
        o.apply = !check.Damaged();
    }
    if (problem.empty()) return o;
    if (!o.apply) record.Clear();
    std::string error;
    o.keptAs = KeepAside(path, error);
    if (o.keptAs.empty()) {
        o.mayOverwrite = false;
        o.notice = "The settings file " + path + " " + problem + "; it could not be kept aside (" + error +
                   ") and is left as it is";
    } else {
        o.notice = "The settings file " + path + " " + problem + "; it was kept as " + o.keptAs;
    }
    if (!o.apply) o.notice += ", and the defaults are used";
    return o;
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
