#include "instrument/download/BlockReceiver.h"

#include <algorithm>
#include <array>

#include "instrument/download/BlockHeader.h"
#include "instrument/download/BlockSink.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/drivers/PortText.h"
#include "port/CInstrumentPort.h"

namespace kivelo {

namespace {

// Restores line-mode reads whichever way a block transfer ends.
class LineModeOnExit {
public:
    explicit LineModeOnExit(CInstrumentPort& port) : port_(port) {}
    ~LineModeOnExit() { port_.SetTerminator(kTermLf, 1); }
    LineModeOnExit(const LineModeOnExit&) = delete;
    LineModeOnExit& operator=(const LineModeOnExit&) = delete;

private:
    CInstrumentPort& port_;
};

}  // namespace

BlockReceiver::BlockReceiver(CInstrumentPort& port, BlockFraming framing, std::span<uint8_t> chunk, BlockSink& sink,
                             const std::atomic<bool>* cancel)
    : port_(port), framing_(framing), chunk_(chunk), sink_(sink), cancel_(cancel) {}

int BlockReceiver::ReceiveBlock(int64_t points) {
    if (IsCancelled()) return kDownloadInterrupted;
    if (chunk_.size() < 2) return kDownloadPortError;
    if (!WriteCommand(port_, "WAV:SEND?")) return PortFailure();

    LineModeOnExit restore(port_);
    if (port_.SetTerminator(kTermBinary, 1) != CInstrumentPort::kOk || port_.PrepareRead() != CInstrumentPort::kOk)
        return PortFailure();

    int64_t byteCount = 0;
    if (const int result = ReadHeader(byteCount); result != kDownloadOk) return result;
    return ReceiveData(byteCount, std::max<int64_t>(points, 0) * 2);
}

int BlockReceiver::ReadHeader(int64_t& byteCount) {
    std::array<uint8_t, BlockHeader::kMaxDigits + 1> head{};
    std::size_t count = 0;
    int digits = 0;
    if (port_.ReadResponse(std::span(head).first(3), count) != CInstrumentPort::kOk) return PortFailure();
    if (!BlockHeader::ParseLead(std::span(head).first(std::min<std::size_t>(count, 2)), digits))
        return kDownloadPortError;
    const auto want = static_cast<std::size_t>(digits);
    if (port_.ReadResponse(std::span(head).first(want + 1), count) != CInstrumentPort::kOk) return PortFailure();
    if (count != want || !BlockHeader::ParseCount(std::span(head).first(want), byteCount)) return kDownloadPortError;
    return kDownloadOk;
}

// Reads the byteCount data bytes and the message end after them. Each read asks
// for at most one byte more than is still due, so a terminating LF is taken
// with the last data and anything else beyond the announced count shows up as
// a malformed block instead of being left for the next command to trip over.
// The end bit is trusted only to say that nothing follows complete data: an
// instrument that reports it too early or never still delivers whole blocks,
// and a block that really stops short fails at the read that gets nothing.
int BlockReceiver::ReceiveData(int64_t byteCount, int64_t target) {
    const auto chunkMax = static_cast<int64_t>(chunk_.size() - 1);
    int64_t received = 0;
    int64_t written = 0;
    while (received < byteCount || !MessageEnded()) {
        if (IsCancelled()) return kDownloadInterrupted;
        const bool complete = received >= byteCount;
        const int64_t ask = std::min(chunkMax, byteCount - received + 1);
        std::size_t count = 0;
        if (port_.ReadResponse(chunk_.first(static_cast<std::size_t>(ask) + 1), count) != CInstrumentPort::kOk) {
            // All data is in and no line end follows it: the block is whole.
            if (complete && !IsCancelled()) break;
            return PortFailure();
        }
        const int64_t got = std::min<int64_t>(static_cast<int64_t>(count), ask);
        const int64_t data = std::min(got, byteCount - received);
        if (!Store(chunk_.first(static_cast<std::size_t>(data)), target, written)) return kDownloadFileError;
        received += data;
        if (got > data) {
            // The byte after the data must end the message.
            if (chunk_[static_cast<std::size_t>(data)] != '\n') return kDownloadPortError;
            break;
        }
        if (got == 0) {
            if (complete) break;        // nothing follows the data
            return kDownloadPortError;  // a read that delivers nothing would loop for ever
        }
    }
    if (written < target) {
        if (!sink_.AppendZeros(target - written)) return kDownloadFileError;
        if (progress_) progress_(target - written);
    }
    return kDownloadOk;
}

bool BlockReceiver::Store(std::span<const uint8_t> bytes, int64_t target, int64_t& written) {
    const auto keep =
        static_cast<std::size_t>(std::clamp<int64_t>(target - written, 0, static_cast<int64_t>(bytes.size())));
    if (keep == 0) return true;
    if (!sink_.Append(bytes.first(keep))) return false;
    written += static_cast<int64_t>(keep);
    if (progress_) progress_(static_cast<int64_t>(keep));
    return true;
}

bool BlockReceiver::MessageEnded() { return framing_ == BlockFraming::kEndByEoi && port_.IsMoreData() == 0; }

int BlockReceiver::PortFailure() const { return IsCancelled() ? kDownloadInterrupted : kDownloadPortError; }

}  // namespace kivelo
