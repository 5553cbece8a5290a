#pragma once
// What a simulated instrument is: family, model code, channels, modules,
// record length, history and the fault it injects.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivelo::qvsim {

enum class Family { QV8, QV43, QV60, QV31 };

enum class FaultKind {
    None,
    Stall,      // a block stops half way, without END
    Short,      // a block announces and carries fewer points than the record
    Long,       // a block announces and carries more points than the record
    Header,     // a block header whose digit-count character is not a digit
    LineFeeds,  // sample data dense with 0x0A bytes
    Mute,       // nothing is ever answered
    Garbage,    // a block whose first character is not the "#" of a block
    Unplug,     // a block stops half way and the line goes away (the pty closes)
    Overrun,    // a block carries more bytes than its header announces
    Underrun,   // a block carries half the bytes its header announces, then ends
};

// Input module codes of the QV8 plug-in slots.
inline constexpr int kModuleNone = 0;
inline constexpr int kModuleHsIsol = 520100;
inline constexpr int kModuleHs = 520101;
inline constexpr int kModuleHrHv = 520102;
inline constexpr int kModuleHr = 520103;
inline constexpr int kModuleTemp = 520110;
inline constexpr int kModuleLogic = 520120;
inline constexpr int kModuleStrain = 520130;

struct SimConfig {
    Family family = Family::QV8;
    int modelCode = 518001;
    std::vector<int> displayed{1, 2, 3, 4};  // 1-based channel numbers that are on
    bool channelsGiven = false;              // displayed was set explicitly
    std::vector<int> modules;                // QV8: module code per slot (empty = all HS)
    std::int64_t length = 1000;              // points per trace and record
    int records = 1;                         // history records held
    FaultKind fault = FaultKind::None;
    int faultBlock = 0;  // 0: every block, n: only the n-th "WAV:SEND?"
    std::string logPath;
    int address = 1;  // GPIB primary address
    double sampleRate = 100000.0;
    std::string date = "2026/01/15";           // date of the newest record
    int timeOfDay = 10 * 3600 + 20 * 60 + 30;  // seconds after midnight of the newest record
    int timeStep = 1;                          // seconds between successive records
    bool stamps = true;                        // history records carry time stamps
    bool extClock = false;                     // external clock option fitted and selected
    std::string firmware = "01.00";
};

// Applies one named setting ("family", "model", "channels", ...). Returns an
// empty text on success, else what is wrong.
std::string ApplySetting(SimConfig& config, std::string_view key, std::string_view value);

// Settings from QVSIM_* environment variables (QVSIM_TIME_STEP for "time-step").
std::string ApplyEnvironment(SimConfig& config);

// Fills defaults that depend on the family and checks the whole; empty text when sound.
std::string Finalize(SimConfig& config, bool familyGiven);

// The names of all settings, for usage texts and the environment.
const std::vector<std::string_view>& SettingNames();

int ChannelSlots(const SimConfig& config);
int ModuleInSlot(const SimConfig& config, int channel);  // channel 1-based
bool IsDisplayed(const SimConfig& config, int channel);
int NewestRecord(const SimConfig& config);
int OldestRecord(const SimConfig& config);
int RecordAge(const SimConfig& config, int record);  // 0 for the newest
std::string_view ModuleName(int code);

}  // namespace kivelo::qvsim
