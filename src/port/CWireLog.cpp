#include "port/CWireLog.h"

#include <fcntl.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/WriteAll.h"

namespace kivelo {

namespace {

// Longest binary read that may be block framing.
constexpr std::size_t kShownBinaryMax = 16;

std::string Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() % 1000000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[48];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%06lld", static_cast<long long>(micros));
    return text;
}

bool Printable(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes)
        if ((b < 0x20 || b > 0x7E) && b != '\n' && b != '\r') return false;
    return true;
}

}  // namespace

CWireLog::CWireLog(const std::string& path)
    : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0644)) {}

CWireLog::~CWireLog() {
    const std::lock_guard lock(mutex_);
    FlushBinary();
}

std::string CWireLog::Shown(std::span<const uint8_t> bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        if (b == '\n') text += "\\n";
        else if (b == '\r') text += "\\r";
        else if (b == '\t') text += "\\t";
        else if (b == '\\') text += "\\\\";
        else if (b >= 0x20 && b <= 0x7E) text += static_cast<char>(b);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            text += hex;
        }
    }
    return text;
}

void CWireLog::Sent(std::span<const uint8_t> bytes, bool failed) {
    const std::lock_guard lock(mutex_);
    FlushBinary();
    Line('>', Shown(bytes));
    if (failed) Line('!', "the write failed");
}

void CWireLog::Received(std::span<const uint8_t> bytes, bool binary, bool failed) {
    const std::lock_guard lock(mutex_);
    // Short printable pieces that do not end a line are block framing ("#8",
    // its count); everything after them up to the next command is data.
    const bool framing = !bytes.empty() && bytes.size() <= kShownBinaryMax && Printable(bytes) && bytes.back() != '\n';
    if (binary && !bytes.empty() && (binaryReads_ > 0 || !framing)) {
        if (binaryReads_++ == 0) binaryTime_ = Now();
        binaryBytes_ += static_cast<int64_t>(bytes.size());
    } else {
        FlushBinary();
        if (!bytes.empty()) Line('<', Shown(bytes));
    }
    if (failed) {
        FlushBinary();
        Line('!', bytes.empty() ? "the read failed, nothing came" : "the read failed after these bytes");
    }
}

void CWireLog::Note(std::string_view text) {
    const std::lock_guard lock(mutex_);
    FlushBinary();
    Line('=', text);
}

void CWireLog::FlushBinary() {
    if (binaryReads_ == 0) return;
    const std::string text = "[block data: " + std::to_string(binaryBytes_) + " bytes in " +
                             std::to_string(binaryReads_) + (binaryReads_ == 1 ? " read]" : " reads]");
    const std::string time = binaryTime_;
    binaryReads_ = 0;
    binaryBytes_ = 0;
    if (!fd_.IsOpen()) return;
    const std::string line = time + " < " + text + "\n";
    WriteAll(fd_.Get(), line.data(), line.size());
}

void CWireLog::Line(char kind, std::string_view text) {
    if (!fd_.IsOpen()) return;
    std::string line = Now() + ' ' + kind + ' ';
    line.append(text);
    line += '\n';
    WriteAll(fd_.Get(), line.data(), line.size());
}

}  // namespace kivelo
