#include "ScriptedPort.h"

#include <cstdlib>

namespace kivelo::test {

uint16_t PatternSample(int channel, int64_t record, int64_t i) {
    if (i % 7 == 3) return 0x0A0A;
    return static_cast<uint16_t>(channel * 4099 + record * 257 + i * 3);
}

std::string PatternBytes(int channel, int64_t record, int64_t points) {
    std::string out;
    for (int64_t i = 0; i < points; ++i) {
        const uint16_t v = PatternSample(channel, record, i);
        out += static_cast<char>(v >> 8);
        out += static_cast<char>(v & 0xFF);
    }
    return out;
}

std::vector<std::string> ScriptedPort::Commands() const {
    std::vector<std::string> out;
    for (const std::string& entry : log)
        if (entry.starts_with("W:") || entry.starts_with("S:")) out.push_back(entry.substr(2));
    return out;
}

int ScriptedPort::Open(int address) {
    address_ = address;
    isOpen = !failOpen;
    return isOpen ? kOk : kFailure;
}

int ScriptedPort::Close() {
    ++closeCount;
    isOpen = false;
    output_.clear();
    return kOk;
}

int ScriptedPort::WriteBytes(std::span<const uint8_t> data) {
    return Written("W:", std::string(data.begin(), data.end()));
}

int ScriptedPort::WriteString(std::string_view text) { return Written("S:", std::string(text)); }

std::optional<std::string> ScriptedPort::Answer(const std::string& command) {
    if (const auto it = answers.find(command); it != answers.end()) return it->second;
    return fallback ? fallback(command) : std::nullopt;
}

int ScriptedPort::Written(const char* kind, std::string text) {
    log.push_back(kind + text);
    if (failingWrites.contains(text)) return kFailure;
    for (const char* select : {"WAV:TRAC ", "WAV:REC ", "TRIG:NSIN:DCOU ", "DISP:COUN "}) {
        if (!text.starts_with(select)) continue;
        const long long n = std::strtoll(text.c_str() + std::char_traits<char>::length(select), nullptr, 10);
        if (text.starts_with("WAV:TRAC ")) channel_ = static_cast<int>(n);
        else record_ = n;
    }
    if (text == "WAV:SEND?") ServeBlock();
    else if (const auto answer = Answer(text)) Queue(*answer + terminator, true);
    return kOk;
}

void ScriptedPort::ServeBlock() {
    const int index = blocksServed++;
    if (onSend) onSend(index);
    const BlockFault kind = faultBlock < 0 || faultBlock == index ? fault : BlockFault::kNone;
    const std::string data = PatternBytes(channel_, record_, blockPoints);
    const std::string count = std::to_string(data.size());
    std::string header = "#" + std::to_string(count.size()) + count;
    if (kind == BlockFault::kIndefinite) header = "#0";
    if (kind == BlockFault::kBadDigits) header.back() = 'z';
    const std::string half = data.substr(0, data.size() / 2);
    switch (kind) {
    case BlockFault::kShortBlock: Queue(header + half + "\n", true); break;
    case BlockFault::kLongBlock: Queue(header + data + "extra\n", true); break;
    case BlockFault::kStopMidBlock: Queue(header + half, false); break;
    case BlockFault::kNoTerminator: Queue(header + data, true); break;
    default: Queue(header + data + "\n", true); break;
    }
}

void ScriptedPort::Queue(const std::string& bytes, bool complete) {
    output_.insert(output_.end(), bytes.begin(), bytes.end());
    messageComplete_ = complete;
}

// GPIB reads in binary mode stop at the message end only; every other read
// stops at LF. Nothing to read is a time-out, and so is silence before the
// message is complete.
int ScriptedPort::Read(std::span<uint8_t> buffer, std::size_t& count) {
    count = 0;
    const std::size_t max = buffer.empty() ? 0 : buffer.size() - 1;
    const bool stopAtLf = framing_ == BlockFraming::kEndByLineFeed || terminatorMode_ != kTermBinary;
    while (count < max && !output_.empty()) {
        buffer[count++] = output_.front();
        output_.pop_front();
        if (stopAtLf && buffer[count - 1] == '\n') break;
    }
    if (!buffer.empty()) buffer[count] = 0;
    if (count == 0 && max > 0) {
        log.push_back("R!");
        return kFailure;
    }
    std::string text(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
    if (text.ends_with('\n')) text.pop_back();
    log.push_back("R:" + text);
    const bool stopped = count == max || (stopAtLf && buffer[count - 1] == '\n');
    return !stopped && output_.empty() && !messageComplete_ ? kFailure : kOk;
}

int ScriptedPort::IsMoreData() {
    if (endReport != EndReport::kFaithful) return endReport == EndReport::kNever ? 1 : 0;
    return output_.empty() && messageComplete_ ? 0 : 1;
}

}  // namespace kivelo::test
