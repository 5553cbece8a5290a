#pragma once
// Reads a byte range of a file ahead of its consumer, on a thread of its own, in
// pieces of a fixed size handed out in order, so that copying the samples from
// the page cache and working on them take both processors. The reads go through
// the FileHandle, so its monitor counts them and can stop them.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <thread>
#include <vector>

#include "wavefile/FileHandle.h"

namespace kivelo {

class PrefetchReader {
public:
    // `depth` pieces are read ahead at most, into `buffers` (kept by the caller for
    // the next reader, so their pages are not faulted in anew). The file and the
    // buffers must stay while this lives.
    PrefetchReader(const FileHandle& file, int64_t offset, int64_t bytes, int64_t pieceBytes,
                   std::vector<std::vector<uint8_t>>& buffers, int depth = 4);
    ~PrefetchReader();
    PrefetchReader(const PrefetchReader&) = delete;
    PrefetchReader& operator=(const PrefetchReader&) = delete;

    // The next piece in order, valid until the next call: shorter than a piece
    // where the file ends, empty after the last. False when a read failed.
    bool Next(std::span<const uint8_t>& piece);

private:
    struct Slot {
        std::vector<uint8_t>* data = nullptr;
        int64_t size = 0;
        bool failed = false;
        std::atomic<int64_t> ready{0};  // the piece it holds, plus one
    };
    void Run(std::stop_token stop);
    // Reads one piece into its slot; false when it ends the range.
    bool ReadPiece(int64_t piece);
    // Waits until ready() holds or the stop is asked for: briefly busy, as the other
    // side is usually about to finish, then asleep. False when stopped.
    bool WaitFor(const std::function<bool()>& ready, const std::stop_token& stop, bool spin);
    void Notify();
    Slot& SlotOf(int64_t piece) { return slots_[static_cast<std::size_t>(piece) % slotCount_]; }

    const FileHandle& file_;
    const int64_t offset_;
    const int64_t bytes_;
    const int64_t pieceBytes_;
    const int64_t pieces_;
    std::size_t slotCount_;
    std::unique_ptr<Slot[]> slots_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::atomic<int64_t> released_{0};  // pieces the consumer is done with
    std::atomic<int64_t> last_;         // the piece that ends the range (short or failed)
    bool handedOut_ = false;
    bool threaded_ = false;  // false: no thread could be started, Next reads each piece itself
    std::jthread thread_;    // last: it runs on the members above, and is joined first
};

}  // namespace kivelo
