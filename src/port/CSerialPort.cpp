#include "port/CSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "port/SerialLine.h"

namespace kivelo {

namespace {

using Clock = std::chrono::steady_clock;

// Longest single wait, so that a cancel is noticed quickly.
constexpr int kSliceMs = 20;

constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;

// Remaining milliseconds until deadline, or kSliceMs when there is none.
int NextSlice(bool limited, Clock::time_point deadline) {
    if (!limited) return kSliceMs;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, kSliceMs));
}

}  // namespace

CSerialPort::~CSerialPort() {
    if (IsOpen()) Close();
}

int CSerialPort::Open(int configWord) { return Reopen(configWord, std::nullopt); }

int CSerialPort::OpenDevice(const std::string& path, int configWord) { return Reopen(configWord, path); }

int CSerialPort::Reopen(int configWord, const std::optional<std::string>& path) {
    address_ = configWord;
    if (IsOpen()) Close();
    if (!settings_.ApplyConfigWord(static_cast<uint32_t>(configWord))) return kFailure;
    return OpenPath(path ? *path : DevicePath(settings_.portIndex));
}

int CSerialPort::OpenPath(const std::string& path) {
    UniqueFd device(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!device.IsOpen()) return kFailure;
    if (!isatty(device.Get()) || !ConfigureSerialLine(device.Get(), settings_)) return kFailure;
    (void)ioctl(device.Get(), TIOCEXCL);  // not shared while we hold it
    // Stale input goes. Output is not purged: a session's Close has already
    // drained its own, and on a pseudo-terminal purging our output would also
    // discard what the previous session sent and the peer has not read yet.
    tcflush(device.Get(), TCIFLUSH);
    fd_ = std::move(device);
    return kOk;
}

int CSerialPort::Close() {
    if (!IsOpen()) return kFailure;
    DrainOutput();
    tcflush(fd_.Get(), TCIFLUSH);
    (void)ioctl(fd_.Get(), TIOCNXCL);
    fd_.Reset();
    return kOk;
}

void CSerialPort::DrainOutput() {
    // A command written just before Close must still reach the instrument, but
    // a line held up by flow control must not block Close for ever.
    const int limitMs = WriteTimeoutMs() > 0 ? WriteTimeoutMs() : kDefaultWriteTimeoutMs;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        int pending = 0;
        if (ioctl(fd_.Get(), TIOCOUTQ, &pending) != 0 || pending <= 0) return;
        if (Clock::now() >= deadline) {
            tcflush(fd_.Get(), TCOFLUSH);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool CSerialPort::WaitReady(short events, int timeoutMs) {
    const bool limited = timeoutMs > 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (IsCancelled()) return false;
        const int slice = NextSlice(limited, deadline);
        pollfd p{fd_.Get(), events, 0};
        const int ready = ::poll(&p, 1, slice);
        if (ready > 0) return (p.revents & events) != 0;  // error or hang-up alone: give up
        if (ready < 0 && errno != EINTR) return false;
        if (limited && Clock::now() >= deadline) return false;
    }
}

bool CSerialPort::Delay(int ms) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        if (IsCancelled()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(NextSlice(true, deadline)));
    }
    return true;
}

template <class Io>
bool CSerialPort::TransferByte(Io io, short events, int timeoutMs) {
    for (;;) {
        if (IsCancelled()) return false;
        const ssize_t done = io();
        if (done == 1) return true;
        if (done < 0 && errno == EINTR) continue;
        if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitReady(events, timeoutMs)) return false;
            continue;
        }
        return false;  // end of file or a device error
    }
}

bool CSerialPort::SendByte(uint8_t byte) {
    return TransferByte([&] { return ::write(fd_.Get(), &byte, 1); }, POLLOUT, WriteTimeoutMs());
}

bool CSerialPort::ReadByte(uint8_t& byte) {
    return TransferByte([&] { return ::read(fd_.Get(), &byte, 1); }, POLLIN, ReadTimeoutMs());
}

int CSerialPort::SendWithTerminator(std::span<const uint8_t> data) {
    if (!IsOpen()) return kFailure;
    // Every byte is sent, NUL bytes included, then the mode's line end.
    const std::string_view terminator = WriteTerminator(terminatorMode_);
    auto send = [this](uint8_t byte) {
        if (!SendByte(byte)) return false;
        return settings_.charDelayMs <= 0 || Delay(settings_.charDelayMs);
    };
    std::vector<uint8_t> sent(data.begin(), data.end());
    sent.insert(sent.end(), terminator.begin(), terminator.end());
    int result = kOk;
    for (uint8_t byte : sent)
        if (!send(byte)) {
            result = kFailure;
            break;
        }
    LogSent(sent, result);
    return result;
}

int CSerialPort::WriteBytes(std::span<const uint8_t> data) { return SendWithTerminator(data); }

int CSerialPort::WriteString(std::string_view text) {
    return SendWithTerminator({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

bool CSerialPort::AtTerminator(std::span<const uint8_t> stored) const {
    const uint8_t last = stored.back();
    if (terminatorMode_ == kTermCr) return last == kCr;
    if (terminatorMode_ == kTermCrLf) return last == kLf && stored.size() >= 2 && stored[stored.size() - 2] == kCr;
    return last == kLf;
}

int CSerialPort::Read(std::span<uint8_t> buffer, std::size_t& count) {
    count = 0;
    if (buffer.empty()) return kFailure;
    buffer[0] = 0;
    if (!IsOpen()) return kFailure;
    const std::size_t max = buffer.size() - 1;
    int result = kOk;
    while (count < max) {
        uint8_t byte = 0;
        if (!ReadByte(byte)) {
            result = kFailure;
            break;
        }
        buffer[count++] = byte;
        if (AtTerminator(buffer.first(count))) break;
    }
    buffer[count] = 0;
    LogReceived(buffer.first(count), result);
    return result;
}

int CSerialPort::ReadResponse(std::span<uint8_t> buffer, std::size_t& count) { return Read(buffer, count); }

int CSerialPort::FormatError(int result, std::string_view context, std::string& out) {
    if (result == kOk) return kOk;
    out = ">>Error! ; ";
    out.append(context);
    out.push_back('\n');
    return result;
}

int CSerialPort::SetTerminator(int mode, int) {
    terminatorMode_ = mode;  // a serial line has no EOI
    return kOk;
}

int CSerialPort::SetTimeout(int ms) {
    timeoutMs_ = ms;
    return SetCommTimeouts(ms, ms);
}

int CSerialPort::SetCommTimeouts(int readMs, int writeMs) {
    timeouts_[Current()] = {readMs, writeMs};
    return kOk;
}

int CSerialPort::SetCommParameters(int port, int byteSize, int stopBits, int parity, int baud, int flow) {
    if (!settings_.ApplyParameters(port, byteSize, stopBits, parity, baud, flow)) return kFailure;
    if (IsOpen() && !ConfigureSerialLine(fd_.Get(), settings_)) return kFailure;
    return kOk;
}

}  // namespace kivelo
