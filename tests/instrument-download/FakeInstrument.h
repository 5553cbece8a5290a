#pragma once
// A scripted instrument behind the port interface: answers queries from a
// table, serves "WAV:SEND?" blocks from a known data pattern and can misbehave
// in the ways real lines do.
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "BlockReceiver.h"
#include "CInstrumentPort.h"

namespace kivelo::test {

enum class BlockFault {
    kNone,
    kGarbledHeader,  // "#X..." instead of a digit
    kBadDigits,      // the count has a letter in it
    kShortBlock,     // fewer bytes than announced, then the message ends
    kLongBlock,      // more bytes than announced
    kStopMidBlock,   // half the bytes, then silence
    kNoTerminator,   // no LF after the data (message ends with EOI on the last byte)
};

class FakeInstrument : public CInstrumentPort {
public:
    explicit FakeInstrument(BlockFraming framing) : framing_(framing) {}

    // The 16-bit sample i of channel c, record r (sent most significant byte
    // first). Every seventh sample is 0x0A0A so line feeds appear in the data.
    static uint16_t Sample(int channel, int64_t record, int64_t i);

    // Answers by exact command, then by the longest matching prefix; any other
    // query (text with a '?') is answered "1", other commands not at all.
    std::map<std::string, std::string> answers;
    // Points per served block (bytes announced = 2 x blockPoints).
    int64_t blockPoints = 0;
    BlockFault fault = BlockFault::kNone;
    int faultBlock = 0;  // 0-based "WAV:SEND?" that misbehaves (-1: every one)
    // Called with the 0-based block number before a block is served.
    std::function<void(int)> onSend;
    // How IsMoreData tells the message end: as it happens, or (instruments
    // that do not keep the end bit faithfully) never or always.
    enum class EndReport { kFaithful, kNever, kAlways };
    EndReport endReport = EndReport::kFaithful;
    int failOpen = 0;             // Open returns 1
    int failWriteOf = -1;         // the write of this 0-based command number fails
    std::string failWriteText;    // writes of this exact text fail

    std::vector<std::string> commands;  // every command written, in order
    int openCount = 0;
    int closeCount = 0;
    bool isOpen = false;
    int blocksServed = 0;

    int Open(int address) override;
    int Close() override;
    int WriteBytes(std::span<const uint8_t> data) override;
    int WriteString(std::string_view text) override;
    int Read(std::span<uint8_t> buffer, std::size_t& count) override;
    int ReadResponse(std::span<uint8_t> buffer, std::size_t& count) override;
    int IsMoreData() override;

private:
    int Write(std::string text);
    void Respond(const std::string& command);
    void ServeBlock();
    void Queue(const std::string& bytes, bool complete);

    BlockFraming framing_;
    std::deque<uint8_t> output_;
    bool messageComplete_ = true;
    int channel_ = 1;
    int64_t record_ = 0;
};

}  // namespace kivelo::test
