#include "wavefile/PrefetchReader.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace kivelo {

PrefetchReader::PrefetchReader(const FileHandle& file, int64_t offset, int64_t bytes, int64_t pieceBytes,
                               std::vector<std::vector<uint8_t>>& buffers, int depth)
    : file_(file),
      offset_(offset),
      bytes_(std::max<int64_t>(bytes, 0)),
      pieceBytes_(std::max<int64_t>(pieceBytes, 1)),
      pieces_((bytes_ + pieceBytes_ - 1) / pieceBytes_),
      last_(pieces_) {
    slotCount_ = static_cast<std::size_t>(std::max(depth, 2));
    slots_ = std::make_unique<Slot[]>(slotCount_);
    if (buffers.size() < slotCount_) buffers.resize(slotCount_);
    for (std::size_t i = 0; i < slotCount_; ++i) slots_[i].data = &buffers[i];
    try {
        thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
        threaded_ = true;
    } catch (const std::system_error&) {
        // No thread to spare: each piece is read when it is asked for.
    }
}

PrefetchReader::~PrefetchReader() {
    thread_.request_stop();
    Notify();
}

void PrefetchReader::Notify() {
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

bool PrefetchReader::WaitFor(const std::function<bool()>& ready, const std::stop_token& stop, bool spin) {
    // Waking a sleeping thread can take longer than a piece takes to read, and
    // giving up the processor can lose it for a whole time slice on a busy
    // machine: the consumer waits busy for a while first.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(spin ? 50 : 0);
    for (int spins = 0; !ready(); ++spins) {
        if (stop.stop_requested()) return false;
        if (spins % 64 == 0 && std::chrono::steady_clock::now() >= until) {
            std::unique_lock lock(mutex_);
            return changed_.wait(lock, stop, ready);
        }
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    return true;
}

bool PrefetchReader::ReadPiece(int64_t piece) {
    Slot& slot = SlotOf(piece);
    const int64_t want = std::min(pieceBytes_, bytes_ - piece * pieceBytes_);
    if (slot.data->size() < static_cast<std::size_t>(want)) slot.data->resize(static_cast<std::size_t>(want));
    const auto buffer = std::span(*slot.data).first(static_cast<std::size_t>(want));
    const int64_t got = file_.ReadAt(offset_ + piece * pieceBytes_, buffer);
    slot.failed = got < 0;
    slot.size = std::max<int64_t>(got, 0);
    const bool ends = slot.failed || got < want;
    if (ends) {
        for (int64_t last = last_.load(); piece < last && !last_.compare_exchange_weak(last, piece);) {}
    }
    slot.ready.store(piece + 1, std::memory_order_release);
    return !ends;
}

void PrefetchReader::Run(std::stop_token stop) {
    for (int64_t piece = 0; piece < pieces_; ++piece) {
        // A slot is free once the consumer let go of the piece it held there before.
        const bool free = WaitFor(
            [&] {
                return piece < released_.load(std::memory_order_acquire) + static_cast<int64_t>(slotCount_) ||
                       piece > last_.load(std::memory_order_acquire);
            },
            stop, false);
        if (!free || piece > last_.load(std::memory_order_acquire)) return;
        const bool more = ReadPiece(piece);
        Notify();
        if (!more) return;
    }
}

bool PrefetchReader::Next(std::span<const uint8_t>& piece) {
    piece = {};
    if (handedOut_) {
        released_.fetch_add(1, std::memory_order_acq_rel);
        handedOut_ = false;
        Notify();
    }
    const int64_t want = released_.load(std::memory_order_relaxed);
    if (want >= pieces_ || want > last_.load(std::memory_order_acquire)) return true;  // the end
    Slot& slot = SlotOf(want);
    if (!threaded_) {
        ReadPiece(want);
    } else {
        // The consumer is never stopped: its wait ends with the piece.
        const std::stop_token never;
        WaitFor([&] { return slot.ready.load(std::memory_order_acquire) == want + 1; }, never, true);
    }
    if (slot.failed) return false;
    handedOut_ = true;
    piece = std::span<const uint8_t>(*slot.data).first(static_cast<std::size_t>(slot.size));
    return true;
}

}  // namespace kivelo
