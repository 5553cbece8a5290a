#pragma once
// The instrument side of the QV command protocol: takes program messages,
// keeps the instrument's settings and queues the answers.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "CResponseQueue.h"
#include "CSimLog.h"
#include "ScpiCommand.h"
#include "SimConfig.h"

namespace kivelo::qvsim {

class CQvSimulator {
public:
    explicit CQvSimulator(SimConfig config);

    // Bytes from the controller. A message ends at LF or CR, or where end is
    // true (EOI on the last byte).
    void Write(std::span<const std::uint8_t> bytes, bool end);
    void WriteMessage(std::string_view message);

    // On GPIB a new message discards an unread answer (the query is
    // interrupted); a serial line just streams, so the pty front end turns it off.
    void SetInterruptUnread(bool on) { m_interruptUnread = on; }

    CResponseQueue& Output() { return m_output; }
    void DeviceClear();
    std::uint8_t StatusByte() const { return m_output.Empty() ? 0x00 : 0x10; }
    long MessageCount() const { return m_messages; }
    // The unplug fault struck: the line is to go away once what was sent is out.
    bool Unplugged() const { return m_unplugged; }
    const SimConfig& Config() const { return m_config; }

    // The "*IDN?" answer without its terminator.
    std::string Identification() const;

private:
    using QueryFn = std::function<std::optional<std::string>(const ScpiCommand&, int)>;
    using SetFn = std::function<bool(const ScpiCommand&, int)>;
    struct Entry {
        std::vector<std::string> pattern;  // nodes such as "CHANnel#" ('#': numeric suffix)
        QueryFn query;
        SetFn set;
        bool remote = false;  // remote-control command: its effect is logged
    };

    void Add(std::string_view pattern, QueryFn query, SetFn set = {}, bool remote = false);
    void BuildCommonCommands();
    void BuildWaveformCommands();
    void BuildChannelCommands();
    void BuildHistoryCommands();
    void BuildRemoteCommands();
    void Reset();

    void Execute(std::string_view message);
    const Entry* Find(const ScpiCommand& cmd, int& suffix) const;
    std::string AnswerHeader(const Entry& entry, int suffix) const;
    bool QueueBlock();  // false when the block was cut off without END

    int Channel0() const { return m_trace - 1; }
    int ModuleOfTrace() const { return ModuleInSlot(m_config, m_trace); }
    std::optional<int> RecordParam(const ScpiCommand& cmd) const;
    std::string RecordTime(int record) const;
    std::string RecordDate(int record) const;

    SimConfig m_config;
    CSimLog m_log;
    CResponseQueue m_output;
    std::vector<Entry> m_table;
    std::string m_input;
    bool m_interruptUnread = true;
    long m_messages = 0;
    long m_blocks = 0;
    bool m_unplugged = false;

    bool m_headers = true;
    int m_trace = 1;
    int m_record = 0;
    std::int64_t m_start = 0;
    std::int64_t m_end = 0;
    bool m_msbFirst = true;
    std::string m_saveName, m_saveComment, m_copyName, m_copyComment;
};

}  // namespace kivelo::qvsim
