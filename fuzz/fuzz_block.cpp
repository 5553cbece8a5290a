// The "WAV:SEND?" block reader on arbitrary bytes from the instrument.
//
// Input: byte 0 chooses the framing (bit 0: GPIB, where EOI comes with the
// last byte sent, or a serial line, where reads end at each LF), the receive
// buffer size (bits 1-2) and whether a second block is read from what is left
// (bit 3), and how the GPIB end bit is reported (bits 4-5: faithfully, never,
// always); bytes 1-2 give the points of the record (little-endian). The rest
// is everything the instrument sends after "WAV:SEND?".
#include <array>
#include <cstdlib>
#include <span>
#include <vector>

#include "instrument/download/BlockHeader.h"
#include "instrument/download/BlockReceiver.h"
#include "instrument/download/BlockSink.h"
#include "instrument/download/DownloadResult.h"
#include "port/CInstrumentPort.h"

namespace {

class StreamPort : public kivelo::CInstrumentPort {
public:
    // endReport: 0 the end bit as it happens, 1 never, 2 and 3 always.
    StreamPort(std::span<const uint8_t> stream, bool gpib, int endReport)
        : stream_(stream), gpib_(gpib), endReport_(endReport) {}

    int WriteBytes(std::span<const uint8_t>) override { return kOk; }

    int ReadResponse(std::span<uint8_t> buffer, std::size_t& count) override {
        count = 0;
        if (buffer.empty()) return kFailure;
        const std::size_t limit = buffer.size() - 1;
        // A binary read on GPIB ends only at EOI or the count; everything else at LF too.
        const bool stopAtLf = !gpib_ || terminatorMode_ != kivelo::kTermBinary;
        while (count < limit && pos_ < stream_.size()) {
            const uint8_t byte = stream_[pos_++];
            buffer[count++] = byte;
            if (stopAtLf && byte == '\n') break;
        }
        buffer[count] = 0;
        // A read that wants more than there is waits for ever: a time-out.
        const bool satisfied = count == limit || (count > 0 && buffer[count - 1] == '\n' && stopAtLf);
        return satisfied || (gpib_ && count > 0 && pos_ == stream_.size()) ? kOk : kFailure;
    }

    int Read(std::span<uint8_t> buffer, std::size_t& count) override { return ReadResponse(buffer, count); }

    int IsMoreData() override {
        if (endReport_ != 0) return endReport_ == 1 ? 1 : 0;
        return gpib_ && pos_ >= stream_.size() ? 0 : 1;
    }

private:
    std::span<const uint8_t> stream_;
    bool gpib_;
    int endReport_;
    std::size_t pos_ = 0;
};

class CountingSink : public kivelo::BlockSink {
public:
    bool Append(std::span<const uint8_t> bytes) override {
        written += static_cast<int64_t>(bytes.size());
        return true;
    }
    bool AppendZeros(int64_t count) override {
        if (count < 0) std::abort();
        written += count;
        return true;
    }
    int64_t written = 0;
};

void OneBlock(StreamPort& port, bool gpib, std::span<uint8_t> chunk, int64_t points) {
    CountingSink sink;
    kivelo::BlockReceiver receiver(port, gpib ? kivelo::BlockFraming::kEndByEoi : kivelo::BlockFraming::kEndByLineFeed,
                                   chunk, sink, nullptr);
    const int result = receiver.ReceiveBlock(points);
    // Never more than the record, exactly the record on success, line mode after.
    if (sink.written > points * 2) std::abort();
    if (result == kivelo::kDownloadOk && sink.written != points * 2) std::abort();
    if (result != kivelo::kDownloadOk && result != kivelo::kDownloadPortError) std::abort();
    if (port.TerminatorMode() != kivelo::kTermLf) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr std::array<std::size_t, 4> kChunkSizes{3, 17, 4097, 120001};
    if (size < 3) return 0;
    const bool gpib = (data[0] & 1) != 0;
    const std::size_t chunkSize = kChunkSizes[(data[0] >> 1) & 3];
    const bool twoBlocks = (data[0] & 8) != 0;
    const int64_t points = data[1] | (data[2] << 8);
    const std::span<const uint8_t> stream(data + 3, size - 3);

    int digits = 0;
    int64_t count = 0;
    if (stream.size() >= 2) (void)kivelo::BlockHeader::ParseLead(stream.first(2), digits);
    if (stream.size() >= 2 && digits > 0 && stream.size() >= 2 + static_cast<std::size_t>(digits))
        (void)kivelo::BlockHeader::ParseCount(stream.subspan(2, static_cast<std::size_t>(digits)), count);

    std::vector<uint8_t> chunk(chunkSize);
    StreamPort port(stream, gpib, (data[0] >> 4) & 3);
    OneBlock(port, gpib, chunk, points);
    if (twoBlocks) OneBlock(port, gpib, chunk, points / 2);
    return 0;
}
