#include "FakeInstrument.h"

#include <algorithm>

namespace kivelo::test {

uint16_t FakeInstrument::Sample(int channel, int64_t record, int64_t i)
{
    if (i % 7 == 3)
        return 0x0A0A;
    return static_cast<uint16_t>(channel * 4099 + record * 257 + i * 3);
}

int FakeInstrument::Open(int address)
{
    ++openCount;
    address_ = address;
    isOpen = failOpen == 0;
    return isOpen ? kOk : kFailure;
}

int FakeInstrument::Close()
{
    ++closeCount;
    isOpen = false;
    output_.clear();
    return kOk;
}

int FakeInstrument::WriteBytes(std::span<const uint8_t> data)
{
    return Write(std::string(data.begin(), data.end()));
}

int FakeInstrument::WriteString(std::string_view text)
{
    return Write(std::string(text));
}

int FakeInstrument::Write(std::string text)
{
    commands.push_back(text);
    if (!isOpen || static_cast<int>(commands.size()) - 1 == failWriteOf || text == failWriteText)
        return kFailure;
    Respond(text);
    return kOk;
}

void FakeInstrument::Respond(const std::string& command)
{
    auto number = [&](const std::string& prefix) -> bool {
        if (command.rfind(prefix, 0) != 0)
            return false;
        const long long value = std::stoll(command.substr(prefix.size()));
        if (prefix == "WAV:TRAC ")
            channel_ = static_cast<int>(value);
        else
            record_ = value;
        return true;
    };
    if (number("WAV:TRAC ") || number("WAV:REC ") || number("TRIG:NSIN:DCOU ") ||
        number("DISP:COUN "))
        return;
    if (command == "WAV:SEND?") {
        ServeBlock();
        return;
    }
    if (auto exact = answers.find(command); exact != answers.end()) {
        Queue(exact->second + "\n", true);
        return;
    }
    std::string best;
    for (const auto& [key, value] : answers)
        if (command.rfind(key, 0) == 0 && key.size() > best.size())
            best = key;
    if (!best.empty())
        Queue(answers[best] + "\n", true);
    else if (command.find('?') != std::string::npos)
        Queue("1\n", true);
}

void FakeInstrument::ServeBlock()
{
    const int index = blocksServed++;
    if (onSend)
        onSend(index);
    const bool faulty = faultBlock < 0 || faultBlock == index;
    const BlockFault kind = faulty ? fault : BlockFault::kNone;

    std::string data;
    for (int64_t i = 0; i < blockPoints; ++i) {
        const uint16_t v = Sample(channel_, record_, i);
        data += static_cast<char>(v >> 8);
        data += static_cast<char>(v & 0xFF);
    }
    const std::string count = std::to_string(data.size());
    std::string header = "#" + std::to_string(count.size()) + count;
    if (kind == BlockFault::kGarbledHeader)
        header[1] = 'X';
    if (kind == BlockFault::kBadDigits)
        header.back() = 'z';
    switch (kind) {
    case BlockFault::kShortBlock:
        Queue(header + data.substr(0, data.size() / 2) + "\n", true);
        break;
    case BlockFault::kLongBlock:
        Queue(header + data + "extra\n", true);
        break;
    case BlockFault::kStopMidBlock:
        Queue(header + data.substr(0, data.size() / 2), false);
        break;
    case BlockFault::kNoTerminator:
        Queue(header + data, true);
        break;
    default:
        Queue(header + data + "\n", true);
        break;
    }
}

void FakeInstrument::Queue(const std::string& bytes, bool complete)
{
    output_.insert(output_.end(), bytes.begin(), bytes.end());
    messageComplete_ = complete;
}

// GPIB: line mode stops at LF, binary mode at the message end (EOI).
// Serial: every read stops at LF. Nothing to read is a time-out.
int FakeInstrument::Read(std::span<uint8_t> buffer, std::size_t& count)
{
    count = 0;
    const std::size_t max = buffer.empty() ? 0 : buffer.size() - 1;
    const bool stopAtLf = framing_ == BlockFraming::kEndByLineFeed || terminatorMode_ != kTermBinary;
    while (count < max && !output_.empty()) {
        const uint8_t byte = output_.front();
        output_.pop_front();
        buffer[count++] = byte;
        if (stopAtLf && byte == '\n')
            break;
    }
    if (!buffer.empty())
        buffer[count] = 0;
    if (count == 0 && max > 0)
        return kFailure;
    const bool stopped = count == max || (count > 0 && buffer[count - 1] == '\n' && stopAtLf);
    if (!stopped && output_.empty() && !messageComplete_)
        return kFailure;  // silence before the message was complete: a time-out
    return kOk;
}

int FakeInstrument::ReadResponse(std::span<uint8_t> buffer, std::size_t& count)
{
    return Read(buffer, count);
}

int FakeInstrument::IsMoreData()
{
    if (endReport != EndReport::kFaithful)
        return endReport == EndReport::kNever ? 1 : 0;
    return output_.empty() && messageComplete_ ? 0 : 1;
}

}  // namespace kivelo::test
