#pragma once
// An instrument played from a script behind the port interface. It logs every
// exchange, answers queries from a table and serves "WAV:SEND?" blocks of a
// known pattern, whole or broken in the ways real lines break them.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "instrument/download/BlockReceiver.h"
#include "port/CInstrumentPort.h"

namespace kivelo::test {

// Sample i of the block served for a channel (as selected, 1-based) and
// record. Every seventh is 0x0A0A, so line feeds sit inside the data.
uint16_t PatternSample(int channel, int64_t record, int64_t i);
// Such samples as sent, most significant byte first.
std::string PatternBytes(int channel, int64_t record, int64_t points);

enum class BlockFault {
    kNone,
    kIndefinite,    // "#0...": the indefinite-length form, which we refuse
    kBadDigits,     // a letter in the byte count
    kShortBlock,    // half the bytes announced, then the message ends
    kLongBlock,     // more bytes than announced
    kStopMidBlock,  // half the bytes, then silence
    kNoTerminator,  // no LF after the data: the message ends with its last byte
};

// When IsMoreData reports the message end: as it comes, or (an end bit that
// cannot be trusted) never or always.
enum class EndReport { kFaithful, kNever, kAlways };

class ScriptedPort : public CInstrumentPort {
public:
    explicit ScriptedPort(BlockFraming framing = BlockFraming::kEndByLineFeed) : framing_(framing) {}

    // The answer (without terminator) to each query, by exact command text.
    std::map<std::string, std::string> answers;
    // Asked when answers has none; nullopt: nothing comes, the read times out.
    std::function<std::optional<std::string>(const std::string&)> fallback;
    std::string terminator = "\n";
    std::set<std::string> failingWrites;
    bool failOpen = false;

    // "WAV:SEND?" serves blockPoints samples of the trace and record selected
    // by "WAV:TRAC n", "WAV:REC n", "TRIG:NSIN:DCOU n" or "DISP:COUN n".
    int64_t blockPoints = 0;
    BlockFault fault = BlockFault::kNone;
    int faultBlock = -1;  // the 0-based block that misbehaves, -1 every one
    EndReport endReport = EndReport::kFaithful;
    std::function<void(int block)> onSend;

    // "W:text" (WriteBytes), "S:text" (WriteString), "R:text" (a read, its
    // LF dropped), "R!" (a read that found nothing).
    std::vector<std::string> log;
    bool isOpen = false;
    int closeCount = 0;
    int blocksServed = 0;

    // The commands written, without the reads.
    std::vector<std::string> Commands() const;
    int SelectedTrace() const { return channel_; }

    int Open(int address) override;
    int Close() override;
    int WriteBytes(std::span<const uint8_t> data) override;
    int WriteString(std::string_view text) override;
    int Read(std::span<uint8_t> buffer, std::size_t& count) override;
    int ReadResponse(std::span<uint8_t> buffer, std::size_t& count) override { return Read(buffer, count); }
    int IsMoreData() override;

protected:
    // The answer to a command that is not "WAV:SEND?".
    virtual std::optional<std::string> Answer(const std::string& command);

private:
    int Written(const char* kind, std::string text);
    void ServeBlock();
    void Queue(const std::string& bytes, bool complete);

    BlockFraming framing_;
    std::deque<uint8_t> output_;
    bool messageComplete_ = true;
    int channel_ = 1;
    int64_t record_ = 0;
};

}  // namespace kivelo::test
