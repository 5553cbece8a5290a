#include "CQvSimulator.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <utility>

#include "RecordClock.h"

namespace kivelo::qvsim {
namespace {

constexpr std::size_t kMaxMessage = 65536;

std::string Int(long long v) { return std::to_string(v); }

std::string Real(double v) {
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), "%.4E", v);
    return buf.data();
}

std::string Quote(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Received text for the log, control bytes shown as \xNN.
std::string Printable(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            std::array<char, 8> buf{};
            std::snprintf(buf.data(), buf.size(), "\\x%02X", c);
            out += buf.data();
        }
    }
    return out;
}

bool IsOnOff(const std::string& p, bool& out) {
    const auto u = Upper(p);
    if (u == "ON" || u == "1") return out = true, true;
    if (u == "OFF" || u == "0") return out = false, true;
    return false;
}

bool IsVoltageModule(int code) {
    return code != kModuleNone && code != kModuleTemp && code != kModuleLogic && code != kModuleStrain &&
           code != 520135;
}

constexpr std::array<double, 4> kVdiv{1.0, 2.0, 5.0, 10.0};
constexpr std::array<double, 4> kRange{10.0, 20.0, 50.0, 100.0};

}  // namespace

CQvSimulator::CQvSimulator(SimConfig config) : m_config(std::move(config)), m_log(m_config.logPath) {
    Reset();
    BuildCommonCommands();
    BuildWaveformCommands();
    BuildChannelCommands();
    BuildHistoryCommands();
    BuildRemoteCommands();
}

void CQvSimulator::Reset() {
    m_headers = true;
    m_trace = 1;
    m_record = NewestRecord(m_config);
    m_start = 0;
    m_end = m_config.length - 1;
    m_msbFirst = true;
}

std::string CQvSimulator::Identification() const {
    std::array<char, 64> buf{};
    std::snprintf(buf.data(), buf.size(), "KIVELOSM,%06d,0,%s", m_config.modelCode, m_config.firmware.c_str());
    return buf.data();
}

void CQvSimulator::Add(std::string_view pattern, QueryFn query, SetFn set, bool remote) {
    Entry entry;
    while (true) {
        const auto colon = pattern.find(':');
        entry.pattern.emplace_back(pattern.substr(0, colon));
        if (colon == std::string_view::npos) break;
        pattern.remove_prefix(colon + 1);
    }
    entry.query = std::move(query);
    entry.set = std::move(set);
    entry.remote = remote;
    m_table.push_back(std::move(entry));
}

void CQvSimulator::BuildCommonCommands() {
    const Family f = m_config.family;
    Add("*IDN", [this](const ScpiCommand&, int) { return Identification(); });
    Add("*OPT", [this, f](const ScpiCommand&, int) -> std::optional<std::string> {
        std::string opts;
        if (f == Family::QV43) opts = Int(m_config.displayed.empty() || m_config.displayed.back() <= 4 ? 4 : 8) + "CH";
        if (m_config.extClock) opts += opts.empty() ? "EXTCLOCK" : ",EXTCLOCK";
        return opts.empty() ? "NONE" : opts;
    });
    Add("*RST", {}, [this](const ScpiCommand&, int) { return Reset(), true; });
    Add("*CLS", {}, [](const ScpiCommand&, int) { return true; });
    Add(
        "COMMunicate:HEADer", [this](const ScpiCommand&, int) { return Int(m_headers ? 1 : 0); },
        [this](const ScpiCommand& c, int) { return IsOnOff(c.params, m_headers); });
    const auto dateQuery = [this](const ScpiCommand&, int) { return Quote(m_config.date); };
    const auto timeQuery = [this](const ScpiCommand&, int) { return Quote(FormatTime(m_config.timeOfDay)); };
    const auto clockSource = [this](const ScpiCommand&, int) { return std::string(m_config.extClock ? "EXT" : "INT"); };
    if (f == Family::QV31 || f == Family::QV60) {
        Add("SYSTem:CLOCk:DATE", dateQuery);
        Add("SYSTem:CLOCk:TIME", timeQuery);
        Add("TIMebase:SOURce", clockSource);
        Add("TRIGger:MODE",
            [this](const ScpiCommand&, int) { return std::string(m_config.records > 1 ? "NSINGLE" : "AUTO"); });
        // clang-format off
  } else {
    Add("SYSTem:DATE", dateQuery);
    Add("SYSTem:TIME", timeQuery);
    Add("ACQuire:CLOCk", clockSource);
  }
    // clang-format on
}

void CQvSimulator::BuildWaveformCommands() {
    const Family f = m_config.family;
    const auto intSetter = [](auto store) {
        return [store](const ScpiCommand& c, int) {
            long long v = 0;
            return ParseIntParam(c.params, v) && store(v);
        };
    };
    Add(
        "WAVeform:TRACe", [this](const ScpiCommand&, int) { return Int(m_trace); }, intSetter([this](long long v) {
            if (v < 1 || v > ChannelSlots(m_config)) return false;
            m_trace = static_cast<int>(v);
            return true;
        }));
    Add(
        "WAVeform:STARt", [this](const ScpiCommand&, int) { return Int(m_start); },
        intSetter([this](long long v) { return v >= 0 && (m_start = v, true); }));
    Add(
        "WAVeform:END", [this](const ScpiCommand&, int) { return Int(m_end); },
        intSetter([this](long long v) { return v >= 0 && (m_end = v, true); }));
    Add(
        "WAVeform:FORMat", [](const ScpiCommand&, int) { return std::string("WORD"); },
        [](const ScpiCommand& c, int) { return Upper(c.params) == "WORD"; });
    Add(
        "WAVeform:DATaselect", [](const ScpiCommand&, int) { return std::string("ACQD"); },
        [](const ScpiCommand& c, int) { return Upper(c.params) == "ACQD"; });
    Add(
        "WAVeform:BYTeorder", [this](const ScpiCommand&, int) { return std::string(m_msbFirst ? "MSBF" : "LSBF"); },
        [this](const ScpiCommand& c, int) {
            const auto u = Upper(c.params);
            if (u != "MSBF" && u != "LSBF") return false;
            m_msbFirst = u == "MSBF";
            return true;
        });
    Add("WAVeform:LENGth", [this](const ScpiCommand&, int) { return Int(m_config.length); });
    Add("WAVeform:SRATe", [this](const ScpiCommand&, int) { return Real(m_config.sampleRate); });
    Add("WAVeform:TRIGger", [this](const ScpiCommand&, int) { return Int(m_config.length / 10); });
    Add("WAVeform:OFFSet", [this](const ScpiCommand&, int) { return Real(0.25 * Channel0()); });
    if (f != Family::QV8) {
        Add("WAVeform:VDIV", [this](const ScpiCommand&, int) { return Real(kVdiv[Channel0() % 4]); });
    } else {
        Add("WAVeform:MODUle", [this](const ScpiCommand&, int) { return Int(ModuleOfTrace()); });
        Add("WAVeform:RANGe", [this](const ScpiCommand&, int) {
            const int m = ModuleOfTrace();
            if (m == kModuleTemp) return Real(0.1);
            if (IsVoltageModule(m)) return Real(kRange[Channel0() % 4]);
            return Real(1.0);
        });
    }
    if (f == Family::QV8 || f == Family::QV43) {
        Add(
            "WAVeform:RECord", [this](const ScpiCommand&, int) { return Int(m_record); },
            intSetter([this](long long v) {
                m_record = static_cast<int>(std::clamp<long long>(v, OldestRecord(m_config), NewestRecord(m_config)));
                return true;
            }));
        // clang-format off
  }
    // clang-format on
}

void CQvSimulator::BuildChannelCommands() {
    const Family f = m_config.family;
    const auto onOff = [this](const ScpiCommand&, int ch) { return Int(IsDisplayed(m_config, ch) ? 1 : 0); };
    if (f == Family::QV31 || f == Family::QV60) Add("CHANnel#:MODE", onOff);
    if (f == Family::QV43) {
        Add("CHANnel#:DISPlay", onOff);
        Add("CHANnel#:LSCale:MODE", [](const ScpiCommand&, int) { return std::string("0"); });
    }
    if (f == Family::QV8) {
        Add("CHANnel#:DISPlay", onOff);
        Add("CHANnel#:MODUle", [this](const ScpiCommand&, int ch) { return Quote(Int(ModuleInSlot(m_config, ch))); });
        Add("CHANnel#:VOLTage:LSCale:MODE", [](const ScpiCommand&, int) { return std::string("0"); });
        Add("CHANnel#:STRain:LSCale:MODE", [](const ScpiCommand&, int) { return std::string("0"); });
        Add("CHANnel#:TEMPerature:UNIT", [](const ScpiCommand&, int) { return std::string("C"); });
    }
}

void CQvSimulator::BuildHistoryCommands() {
    // clang-format off
  const Family f = m_config.family;
  const auto clampRecord = [this](long long v) {
    return static_cast<int>(std::clamp<long long>(v, OldestRecord(m_config), NewestRecord(m_config)));
  };
  if (f == Family::QV31) {
    Add("ACQuire:HISTory", [this](const ScpiCommand&, int) { return Int(m_config.records > 1 ? 1 : 0); });
    Add("DISPlay:COUNt", [this](const ScpiCommand&, int) { return Int(m_record); },
        [this, clampRecord](const ScpiCommand& c, int) {
          long long v = 0;
          return ParseIntParam(c.params, v) && (m_record = clampRecord(v), true);
                // clang-format on
            });
        // A quoted text like the other stamps: month/day, a blank, then the time,
        // so that the time starts at the seventh character inside the quotes.
        Add("DISPlay:TIME", [this](const ScpiCommand& c, int) -> std::optional<std::string> {
            const auto r = RecordParam(c);
            if (!r) return std::nullopt;
            const auto time = RecordTime(*r);
            const auto date = RecordDate(*r);
            return Quote((time.front() == ' ' ? std::string(5, ' ') : date.substr(5)) + " " + time);
        });
    }
    if (f == Family::QV60) {
        Add(
            "TRIGger:NSINgle:DCOUnt", [this](const ScpiCommand&, int) { return Int(m_config.records); },
            [this, clampRecord](const ScpiCommand& c, int) {
                long long v = 0;
                return ParseIntParam(c.params, v) && (m_record = clampRecord(v), true);
            });
        Add("TRIGger:NSINgle:TIME", [this](const ScpiCommand& c, int) -> std::optional<std::string> {
            const auto r = RecordParam(c);
            return r ? std::optional(Quote(RecordTime(*r))) : std::nullopt;
        });
    }
    if (f == Family::QV8 || f == Family::QV43) {
        Add("HISTory:DISPlay", [this](const ScpiCommand&, int) {
            if (m_config.records <= 1) return std::string("SINGLE");
            return Int(NewestRecord(m_config)) + "," + Int(OldestRecord(m_config));
        });
    }
    if (f == Family::QV8) {
        Add("HISTory:TIME", [this](const ScpiCommand& c, int) -> std::optional<std::string> {
            const auto r = RecordParam(c);
            return r ? std::optional(Quote(RecordTime(*r))) : std::nullopt;
        });
    }
}

void CQvSimulator::BuildRemoteCommands() {
    // Each remote command is logged by Execute; these only keep what it set.
    const SetFn accept = [](const ScpiCommand&, int) { return true; };
    const auto text = [this](std::string_view pattern, std::string CQvSimulator::*field) {
        Add(
            pattern, [this, field](const ScpiCommand&, int) { return Quote(this->*field); },
            [this, field](const ScpiCommand& c, int) {
                this->*field = UnquoteParam(c.params);
                return true;
            },
            true);
    };
    const auto execute = [this](std::string_view pattern, std::string what, std::string CQvSimulator::*name,
                                std::string CQvSimulator::*comment) {
        Add(
            pattern, {},
            [this, what, name, comment](const ScpiCommand&, int) {
                m_log.Write('=', what + " " + Quote(this->*name) + " comment " + Quote(this->*comment));
                return true;
            },
            true);
    };
    // Every family stops and starts; the media and hard-copy menus are the QV8's.
    Add("START", {}, accept, true);
    Add("STOP", {}, accept, true);
    if (m_config.family != Family::QV8) return;
    Add("SSTART", {}, accept, true);
    Add("LSTART", {}, accept, true);
    text("FILE:SAVE:SETup:NAME", &CQvSimulator::m_saveName);
    text("FILE:SAVE:SETup:COMMent", &CQvSimulator::m_saveComment);
    execute("FILE:SAVE:WAVeform:EXECute", "waveform saved as", &CQvSimulator::m_saveName, &CQvSimulator::m_saveComment);
    text("HCOPy:SAVE:NAME", &CQvSimulator::m_copyName);
    text("HCOPy:COMMent", &CQvSimulator::m_copyComment);
    execute("HCOPy:EXECute", "hard copy", &CQvSimulator::m_copyName, &CQvSimulator::m_copyComment);
}

std::optional<int> CQvSimulator::RecordParam(const ScpiCommand& cmd) const {
    if (cmd.params.empty()) return m_record;
    long long v = 0;
    if (!ParseIntParam(cmd.params, v) || v < -1000000 || v > 1000000) return std::nullopt;
    return static_cast<int>(v);
}

std::string CQvSimulator::RecordTime(int record) const {
    const bool held = record >= OldestRecord(m_config) && record <= NewestRecord(m_config);
    if (!m_config.stamps || !held) return std::string(8, ' ');
    return FormatTime(StampOfAge(m_config, RecordAge(m_config, record)).secondOfDay);
}

std::string CQvSimulator::RecordDate(int record) const {
    return FormatDate(StampOfAge(m_config, RecordAge(m_config, record)).day);
}

void CQvSimulator::Write(std::span<const std::uint8_t> bytes, bool end) {
    for (const std::uint8_t b : bytes) {
        if (b == '\n' || b == '\r') {
            if (!m_input.empty()) Execute(std::exchange(m_input, {}));
            continue;
        }
        if (m_input.empty() && m_interruptUnread && !m_output.Empty()) {
            m_output.Clear();
            m_log.Write('!', "unread answer discarded (query interrupted)");
        }
        if (m_input.size() < kMaxMessage) m_input.push_back(static_cast<char>(b));
    }
    if (end && !m_input.empty()) Execute(std::exchange(m_input, {}));
}

void CQvSimulator::WriteMessage(std::string_view message) {
    Write(std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size()), true);
}

void CQvSimulator::DeviceClear() {
    m_input.clear();
    m_output.Clear();
    m_log.Write('=', "device clear");
}

const CQvSimulator::Entry* CQvSimulator::Find(const ScpiCommand& cmd, int& suffix) const {
    // clang-format off
  for (const auto& entry : m_table) {
    if (entry.pattern.size() != cmd.nodes.size()) continue;
    bool match = true;
    int found = -1;
    for (std::size_t i = 0; i < entry.pattern.size() && match; ++i) {
      std::string_view p = entry.pattern[i];
      const bool numbered = !p.empty() && p.back() == '#';
      if (numbered) p.remove_suffix(1);
      const auto& node = cmd.nodes[i];
      match = MatchesMnemonic(node.name, p) && (numbered || node.suffix < 0);
      if (numbered) found = node.suffix < 0 ? 1 : node.suffix;
            // clang-format on
        }
        if (!match) continue;
        if (found >= 0 && (found < 1 || found > ChannelSlots(m_config))) return nullptr;
        suffix = found;
        return &entry;
    }
    return nullptr;
}

std::string CQvSimulator::AnswerHeader(const Entry& entry, int suffix) const {
    std::string header;
    for (std::string_view p : entry.pattern) {
        const bool numbered = !p.empty() && p.back() == '#';
        if (numbered) p.remove_suffix(1);
        header += (p.front() == '*' ? "" : ":") + std::string(ShortForm(p));
        if (numbered) header += Int(suffix);
    }
    return header;
}

void CQvSimulator::Execute(std::string_view message) {
    // clang-format off
  ++m_messages;
  m_log.Write('>', Printable(message));
  if (m_config.fault == FaultKind::Mute) return;
  std::string answer;
  bool answered = false;
  for (const auto& cmd : SplitProgramMessage(message)) {
    if (cmd.query && cmd.nodes.size() == 2 && MatchesMnemonic(cmd.nodes[0].name, "WAVeform") &&
        MatchesMnemonic(cmd.nodes[1].name, "SEND") && cmd.nodes[1].suffix < 0) {
      // A block answer never carries a header: readers expect '#' first.
      if (answered) answer += ';';
      m_output.AppendText(std::exchange(answer, {}));
      answered = true;
      if (!QueueBlock()) return;
      continue;
    }
    int suffix = -1;
    const Entry* entry = Find(cmd, suffix);
    if (entry == nullptr || (cmd.query ? !entry->query : !entry->set)) {
      m_log.Write('!', "unknown command: " + Printable(cmd.text));
      continue;
            // clang-format on
        }
        if (!cmd.query) {
            if (!entry->set(cmd, suffix)) {
                m_log.Write('!', "parameter refused: " + Printable(cmd.text));
            } else if (entry->remote) {
                std::string canonical;
                for (const auto& p : entry->pattern) canonical += (canonical.empty() ? "" : ":") + Upper(p);
                m_log.Write('=', canonical + (cmd.params.empty() ? "" : " " + cmd.params));
            }
            continue;
        }
        const auto value = entry->query(cmd, suffix);
        if (!value) {
            m_log.Write('!', "parameter refused: " + Printable(cmd.text));
            continue;
        }
        if (answered) answer += ';';
        const bool common = entry->pattern.front().front() == '*';
        answer += (m_headers && !common) ? AnswerHeader(*entry, suffix) + " " + *value : *value;
        answered = true;
        m_log.Write('<', *value);
    }
    if (!answered) return;
    m_output.AppendText(answer + "\n");
    m_output.MarkEnd();
}

bool CQvSimulator::QueueBlock() {
    ++m_blocks;
    const std::int64_t last = std::min(m_end, m_config.length - 1);
    const std::int64_t points = (m_start <= last) ? last - m_start + 1 : 0;
    BlockSource block{
        Channel0(), m_record,
        m_start,    points,
        m_msbFirst, m_config.fault == FaultKind::LineFeeds ? SamplePattern::LineFeeds : SamplePattern::Ramp};
    const bool hit = m_config.faultBlock == 0 || m_config.faultBlock == m_blocks;
    const FaultKind fault = hit ? m_config.fault : FaultKind::None;
    if (fault == FaultKind::Short) block.points = points * 3 / 4;
    if (fault == FaultKind::Long) block.points = points + points / 4 + 1;
    const std::uint64_t bytes = block.ByteCount();
    const std::string count = Int(static_cast<long long>(bytes));
    std::string head = "#" + Int(static_cast<long long>(count.size())) + count;
    if (fault == FaultKind::Header) head[1] = 'Z';
    if (fault == FaultKind::Garbage) head[0] = '?';
    m_output.AppendText(head);
    m_log.Write('<', head + " (channel " + Int(block.channel + 1) + " record " + Int(block.record) + " from point " +
                         Int(block.firstPoint) + ")");
    if (fault == FaultKind::Stall || fault == FaultKind::Unplug) {
        // Half the data, then silence (the reader times out) or no line at all.
        m_output.AppendBlock(block, bytes / 4 * 2);
        m_log.Write('!', std::string(fault == FaultKind::Stall ? "block stalled" : "line unplugged") + " after " +
                             Int(static_cast<long long>(bytes / 4 * 2)) + " bytes");
        m_unplugged = fault == FaultKind::Unplug;
        return false;
    }
    // The header promised `bytes`; these two break the promise and still end normally.
    if (fault == FaultKind::Overrun) m_output.AppendBlock(block, bytes + 8);
    else if (fault == FaultKind::Underrun) m_output.AppendBlock(block, bytes / 2);
    else m_output.AppendBlock(block, bytes);
    return true;
}

}  // namespace kivelo::qvsim
