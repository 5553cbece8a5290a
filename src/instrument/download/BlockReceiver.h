#pragma once
// Receives "WAV:SEND?" blocks (IEEE 488.2 definite-length) from an instrument
// straight from the chunk buffer into a sink: memory use does not grow with
// the record size.
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>

namespace kivelo {

class BlockSink;
class CInstrumentPort;

// How the end of a block message shows. GPIB marks it with EOI (the port
// reports it through IsMoreData); a serial line has only the LF after the block.
enum class BlockFraming { kEndByEoi, kEndByLineFeed };

class BlockReceiver {
public:
    // chunk: receive buffer, its last byte reserved for the port's NUL.
    // cancel may be null.
    BlockReceiver(CInstrumentPort& port, BlockFraming framing, std::span<uint8_t> chunk, BlockSink& sink,
                  const std::atomic<bool>* cancel);

    // Called with the number of bytes each time some reach the sink.
    void SetProgress(std::function<void(int64_t)> progress) { progress_ = std::move(progress); }

    // Fetches one block and writes exactly 2 x points bytes to the sink: the
    // bytes beyond that are dropped, a shorter block is padded with zeros.
    // Results as the download's: 0 done, 1 sink failed, 2 port failure or a
    // malformed block (bad header, fewer or more bytes than it announced),
    // 4 cancelled.
    int ReceiveBlock(int64_t points);

    bool IsCancelled() const { return cancel_ != nullptr && cancel_->load(); }

private:
    int ReceiveData(int64_t byteCount, int64_t target);
    int ReadHeader(int64_t& byteCount);
    bool Store(std::span<const uint8_t> bytes, int64_t target, int64_t& written);
    bool MessageEnded();
    // The result for a failed port operation: 4 when it failed because of a cancel.
    int PortFailure() const;

    CInstrumentPort& port_;
    BlockFraming framing_;
    std::span<uint8_t> chunk_;
    BlockSink& sink_;
    const std::atomic<bool>* cancel_;
    std::function<void(int64_t)> progress_;
};

}  // namespace kivelo
