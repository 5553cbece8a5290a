#pragma once
// Where kivelo.stp lives, and reading and writing it.
//
// Path, first that applies:
//   1. $KIVELO_SETTINGS names the file (a relative name is taken relative to the
//      working directory at start-up, so the load's change of directory doesn't
//      move the file the exit writes);
//   2. kivelo.stp beside the executable, when that folder is writable and the
//      file either doesn't exist or is writable;
//   3. $XDG_CONFIG_HOME/kivelo/kivelo.stp (an absolute $XDG_CONFIG_HOME only, as
//      the XDG base directory rules say), else $HOME/.config/kivelo/kivelo.stp;
//   4. with no usable home either: beside the executable after all (reading may
//      work there; the save then fails, which is not reported).
#include <cstdint>
#include <optional>
#include <string>

#include "app/core/SettingsRecord.h"
#include "common/EnvironmentLookup.h"
#include "common/Outcome.h"

namespace kivelo::app {

// What path resolution looks at, so that it can be tested without the real
// environment. Unset variables are nullopt; empty ones count as unset.
struct SettingsPathInputs {
    std::optional<std::string> kiveloSettings;  // $KIVELO_SETTINGS
    std::optional<std::string> xdgConfigHome;   // $XDG_CONFIG_HOME
    std::optional<std::string> home;            // $HOME (else the password entry's home)
    std::string exeDirectory;                   // folder of /proc/self/exe; empty when unknown
    std::string workingDirectory;               // makes a relative $KIVELO_SETTINGS absolute
};

enum class SettingsLoadResult {
    Loaded,   // all 11,588 bytes read (a longer file: its first 11,588 bytes)
    Missing,  // no file, not a regular file, or unreadable: the record is all zero
    Short,    // read, but shorter than 11,588 bytes: the rest of the record is zero
};

// What Load found at the path besides the record.
struct SettingsFileInfo {
    bool present = false;  // something is there (a file, a folder, a FIFO, ...)
    int64_t size = -1;     // bytes of a regular file, else -1
    std::string cause;     // why it could not be read, when present but not read
};

// What the start of the program makes of the settings file (see SettingsStore::Open).
struct SettingsOpening {
    bool apply = false;        // the record's values are to be used
    bool mayOverwrite = true;  // false: what is at the path was not read and must not be replaced at exit
    std::string keptAs;        // where a damaged file was kept aside
    std::string notice;        // one line for the status bar; empty when all is well
};

enum class SettingsSaveStatus { Saved, Failed };

using SettingsSaveResult = Outcome<SettingsSaveStatus>;

class SettingsStore {
public:
    static constexpr const char* kFileName = "kivelo.stp";

    static std::string ResolvePath(const SettingsPathInputs& in);
    // The variables the lookup gives (the program passes std::getenv),
    // /proc/self/exe and the working directory.
    static std::string ResolvePath(const EnvironmentLookup& lookup);
    static SettingsPathInputs Inputs(const EnvironmentLookup& lookup, const std::string& exeDirectory);
    // Folder of /proc/self/exe; empty when it can't be read.
    static std::string ExecutableDirectory();

    // Sets the record to zero, then reads the file into it. Never fails on any
    // content: a file read at all counts as read (Loaded or Short).
    static SettingsLoadResult Load(const std::string& path, SettingsRecord& record);
    static SettingsLoadResult Load(const std::string& path, SettingsRecord& record, SettingsFileInfo& info);
    // Load and check (CheckSettings) at start: a damaged, cut short or overlong
    // file is kept aside under a free name (KeepAside) and the defaults are used;
    // one that cannot be read is left alone and not replaced at exit.
    static SettingsOpening Open(const std::string& path, SettingsRecord& record);
    // Keeps the file at path as path.damaged, or .damaged.1, .damaged.2, ... when
    // those exist (never replacing one); the name used, or empty with `error`.
    static std::string KeepAside(const std::string& path, std::string& error);
    // Creates missing parent folders (mode 0700), then writes all 11,588 bytes to
    // a temporary file beside the target, syncs it and renames it into place: a
    // crash or a failure never leaves a damaged file and keeps the old one. A
    // symbolic link at the path is followed, so the file it points at is replaced
    // and the link kept.
    static SettingsSaveResult Save(const std::string& path, const SettingsRecord& record);
};

}  // namespace kivelo::app
