#include "SimConfig.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace kivelo::qvsim {
namespace {

struct ModelRow {
    std::string_view name;
    int code;
    Family family;
};

constexpr std::array kModels{
    ModelRow{"QV818", 518001, Family::QV8},    ModelRow{"QV818E", 518002, Family::QV8},
    ModelRow{"QV826", 518003, Family::QV8},    ModelRow{"QV4300", 514101, Family::QV43},
    ModelRow{"QV6010", 512010, Family::QV60},  ModelRow{"QV6020", 512020, Family::QV60},
    ModelRow{"QV6030", 512030, Family::QV60},  ModelRow{"QV3120", 516001, Family::QV31},
    ModelRow{"QV3120L", 516003, Family::QV31}, ModelRow{"QV3140", 516002, Family::QV31},
    ModelRow{"QV3140L", 516004, Family::QV31},
};

struct ModuleRow {
    std::string_view name;
    int code;
};

constexpr std::array kModules{
    ModuleRow{"HS_ISOL", kModuleHsIsol}, ModuleRow{"HS", kModuleHs},     ModuleRow{"HR_HV", kModuleHrHv},
    ModuleRow{"HR", kModuleHr},          ModuleRow{"TEMP", kModuleTemp}, ModuleRow{"LOGIC", kModuleLogic},
    ModuleRow{"STRAIN", kModuleStrain},
};

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

template <typename T>
bool ParseInt(std::string_view text, T& out, T low, T high) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < low || value > high) return false;
    out = value;
    return true;
}

std::vector<std::string_view> SplitList(std::string_view text) {
    std::vector<std::string_view> items;
    while (!text.empty()) {
        const auto comma = text.find(',');
        items.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return items;
}

bool ParseFlag(std::string_view text, bool& out) {
    const auto u = Upper(text);
    if (u == "1" || u == "ON" || u == "YES" || u == "TRUE") return out = true, true;
    if (u == "0" || u == "OFF" || u == "NO" || u == "FALSE") return out = false, true;
    return false;
}

// Looks a name up in a table of (upper-case name, value) pairs.
template <typename T, std::size_t N>
bool FindByName(const std::array<std::pair<std::string_view, T>, N>& table, std::string_view name, T& out) {
    for (const auto& [key, value] : table) {
        if (key == name) {
            out = value;
            return true;
        }
    }
    return false;
}

constexpr std::array<std::pair<std::string_view, Family>, 4> kFamilies{
    {{"QV8", Family::QV8}, {"QV43", Family::QV43}, {"QV60", Family::QV60}, {"QV31", Family::QV31}}};

constexpr std::array<std::pair<std::string_view, FaultKind>, 11> kFaults{{{"NONE", FaultKind::None},
                                                                          {"STALL", FaultKind::Stall},
                                                                          {"SHORT", FaultKind::Short},
                                                                          {"LONG", FaultKind::Long},
                                                                          {"HEADER", FaultKind::Header},
                                                                          {"LF", FaultKind::LineFeeds},
                                                                          {"MUTE", FaultKind::Mute},
                                                                          {"GARBAGE", FaultKind::Garbage},
                                                                          {"UNPLUG", FaultKind::Unplug},
                                                                          {"OVERRUN", FaultKind::Overrun},
                                                                          {"UNDERRUN", FaultKind::Underrun}}};

std::string SetFamily(SimConfig& c, std::string_view v) {
    return FindByName(kFamilies, Upper(v), c.family) ? "" : "unknown family (qv8, qv43, qv60, qv31)";
}

std::string SetModel(SimConfig& c, std::string_view v) {
    const auto u = Upper(v);
    for (const auto& row : kModels) {
        if (row.name == u) {
            c.modelCode = row.code;
            c.family = row.family;
            return {};
        }
    }
    // Any six-digit code is allowed so that unknown instruments can be shown.
    if (v.size() == 6 && ParseInt(v, c.modelCode, 0, 999999)) return {};
    return "model must be a QV model name or a six-digit code";
}

std::string SetChannels(SimConfig& c, std::string_view v) {
    // "N" switches on channels 1..N; "1,3,4" names them.
    std::vector<int> on;
    if (v.find(',') == std::string_view::npos) {
        int n = 0;
        if (!ParseInt(v, n, 0, 16)) return "channels must be a count 0..16 or a list like 1,3,4";
        for (int i = 1; i <= n; ++i) on.push_back(i);
    } else {
        for (auto item : SplitList(v)) {
            int ch = 0;
            if (!ParseInt(item, ch, 1, 16)) return "channel numbers must be 1..16";
            on.push_back(ch);
        }
        std::sort(on.begin(), on.end());
        on.erase(std::unique(on.begin(), on.end()), on.end());
    }
    c.displayed = std::move(on);
    c.channelsGiven = true;
    return {};
}

std::string SetModules(SimConfig& c, std::string_view v) {
    std::vector<int> codes;
    for (auto item : SplitList(v)) {
        const auto u = Upper(item);
        int code = -1;
        if (u == "-" || u == "NONE" || u.empty()) code = kModuleNone;
        for (const auto& row : kModules)
            if (row.name == u) code = row.code;
        if (code < 0 && !ParseInt(std::string_view(u), code, 0, 999999)) return "unknown module '" + u + "'";
        codes.push_back(code);
    }
    if (codes.size() > 16) return "at most 16 modules";
    c.modules = std::move(codes);
    return {};
}

std::string SetFault(SimConfig& c, std::string_view v) {
    // KIND or KIND:N (only the N-th block is hit).
    const auto colon = v.find(':');
    const auto u = Upper(v.substr(0, colon));
    c.faultBlock = 0;
    if (colon != std::string_view::npos && !ParseInt(v.substr(colon + 1), c.faultBlock, 1, 1 << 30))
        return "fault block number must be 1 or more";
    if (!FindByName(kFaults, u, c.fault))
        return "unknown fault (none, stall, short, long, header, lf, mute, garbage, unplug, overrun, underrun)";
    return {};
}

std::string SetDate(SimConfig& c, std::string_view v) {
    int y = 0, m = 0, d = 0;
    if (v.size() != 10 || v[4] != '/' || v[7] != '/' || !ParseInt(v.substr(0, 4), y, 1900, 2999) ||
        !ParseInt(v.substr(5, 2), m, 1, 12) || !ParseInt(v.substr(8, 2), d, 1, 31))
        return "date must be YYYY/MM/DD";
    c.date = std::string(v);
    return {};
}

std::string SetTime(SimConfig& c, std::string_view v) {
    int h = 0, m = 0, s = 0;
    if (v.size() != 8 || v[2] != ':' || v[5] != ':' || !ParseInt(v.substr(0, 2), h, 0, 23) ||
        !ParseInt(v.substr(3, 2), m, 0, 59) || !ParseInt(v.substr(6, 2), s, 0, 59))
        return "time must be hh:mm:ss";
    c.timeOfDay = h * 3600 + m * 60 + s;
    return {};
}

std::string SetRate(SimConfig& c, std::string_view v) {
    const std::string text(v);
    char* end = nullptr;
    const double rate = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(rate > 0.0) || rate > 1e12) return "rate must be a positive number";
    c.sampleRate = rate;
    return {};
}

}  // namespace

const std::vector<std::string_view>& SettingNames() {
    static const std::vector<std::string_view> names{"family",    "model",  "channels",  "modules", "length", "records",
                                                     "fault",     "log",    "address",   "rate",    "date",   "time",
                                                     "time-step", "stamps", "ext-clock", "firmware"};
    return names;
}

std::string ApplySetting(SimConfig& c, std::string_view key, std::string_view v) {
    if (key == "family") return SetFamily(c, v);
    if (key == "model") return SetModel(c, v);
    if (key == "channels") return SetChannels(c, v);
    if (key == "modules") return SetModules(c, v);
    if (key == "fault") return SetFault(c, v);
    if (key == "date") return SetDate(c, v);
    if (key == "time") return SetTime(c, v);
    if (key == "rate") return SetRate(c, v);
    if (key == "length") return ParseInt<std::int64_t>(v, c.length, 1, 128256001) ? "" : "length must be 1..128256001";
    if (key == "records") return ParseInt(v, c.records, 1, 1000) ? "" : "records must be 1..1000";
    if (key == "address") return ParseInt(v, c.address, 0, 30) ? "" : "address must be 0..30";
    if (key == "time-step") return ParseInt(v, c.timeStep, 0, 86400) ? "" : "time-step must be 0..86400";
    if (key == "stamps") return ParseFlag(v, c.stamps) ? "" : "stamps must be 0 or 1";
    if (key == "ext-clock") return ParseFlag(v, c.extClock) ? "" : "ext-clock must be 0 or 1";
    if (key == "log") return c.logPath = std::string(v), "";
    if (key == "firmware") {
        if (v.size() != 5) return "firmware must be five characters";
        c.firmware = std::string(v);
        return {};
    }
    return "unknown setting '" + std::string(key) + "'";
}

std::string ApplyEnvironment(SimConfig& c) {
    for (auto name : SettingNames()) {
        std::string var = "QVSIM_" + Upper(name);
        std::replace(var.begin(), var.end(), '-', '_');
        if (const char* value = std::getenv(var.c_str()); value != nullptr) {
            if (auto error = ApplySetting(c, name, value); !error.empty()) return var + ": " + error;
        }
    }
    return {};
}

std::string Finalize(SimConfig& c, bool familyGiven) {
    // clang-format off
  // A family given without a model gets that family's usual model.
  const bool modelFits = std::any_of(kModels.begin(), kModels.end(), [&](const ModelRow& r) {
    return r.code == c.modelCode && r.family == c.family;
  });
  if (familyGiven && !modelFits && c.modelCode == SimConfig{}.modelCode) {
    for (const auto& row : kModels) {
      if (row.family == c.family) {
        c.modelCode = row.code;
        break;
      }
            // clang-format on
        }
    }
    const int slots = ChannelSlots(c);
    if (!c.channelsGiven) std::erase_if(c.displayed, [slots](int ch) { return ch > slots; });
    if (!c.channelsGiven && c.family == Family::QV8 && !c.modules.empty()) {
        // A module list alone switches on every slot that holds a module.
        c.displayed.clear();
        for (std::size_t i = 0; i < c.modules.size(); ++i)
            if (c.modules[i] != kModuleNone) c.displayed.push_back(static_cast<int>(i) + 1);
    }
    if (!c.displayed.empty() && c.displayed.back() > slots)
        return "this model has only " + std::to_string(slots) + " channels";
    if (c.family == Family::QV8) {
        if (static_cast<int>(c.modules.size()) > slots) return "more modules than slots";
    } else if (!c.modules.empty()) {
        return "only the qv8 family takes input modules";
    }
    return {};
}

int ChannelSlots(const SimConfig& c) {
    switch (c.family) {
    case Family::QV8: return c.modelCode == 518003 ? 16 : 8;
    case Family::QV43: return 8;
    case Family::QV60: return 4;
    case Family::QV31: return (c.modelCode == 516001 || c.modelCode == 516003) ? 2 : 4;
    }
    return 0;
}

int ModuleInSlot(const SimConfig& c, int channel) {
    if (channel < 1 || channel > ChannelSlots(c)) return kModuleNone;
    const auto index = static_cast<std::size_t>(channel - 1);
    if (index < c.modules.size()) return c.modules[index];
    // Without a module list every displayed slot holds a high-speed module.
    return (c.modules.empty() && IsDisplayed(c, channel)) ? kModuleHs : kModuleNone;
}

bool IsDisplayed(const SimConfig& c, int channel) {
    if (!std::binary_search(c.displayed.begin(), c.displayed.end(), channel)) return false;
    // A QV8 channel shows only when its slot holds a module.
    return c.family != Family::QV8 || c.modules.empty() ||
           (static_cast<std::size_t>(channel - 1) < c.modules.size() &&
            c.modules[static_cast<std::size_t>(channel - 1)] != kModuleNone);
}

int NewestRecord(const SimConfig& c) { return c.family == Family::QV60 ? c.records : 0; }

int OldestRecord(const SimConfig& c) { return c.family == Family::QV60 ? 1 : 1 - c.records; }

int RecordAge(const SimConfig& c, int record) { return NewestRecord(c) - record; }

std::string_view ModuleName(int code) {
    for (const auto& row : kModules)
        if (row.code == code) return row.name;
    return "?";
}

}  // namespace kivelo::qvsim
