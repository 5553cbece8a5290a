#include "export/CsvRowWriter.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kivelo {

namespace {

// Length of a value text (NUL-terminated, at most the slot): the first 16 bytes
// are looked at in one comparison, as nearly every text is shorter.
std::size_t TextLength(const ValueText& text) {
    std::size_t n = 0;
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data()));
    const unsigned zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
    if (zeros != 0) return static_cast<std::size_t>(__builtin_ctz(zeros));
    n = 16;
#endif
    while (n < text.size() && text[n] != '\0') ++n;
    return n;
}

}  // namespace

CsvRowWriter::CsvRowWriter(StagedFile& out, std::size_t traces, std::size_t stride, bool threaded,
                           CsvProgress* progress)
    : out_(out), traces_(traces), stride_(stride), progress_(progress) {
    if (!threaded) return;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to spare: each batch is written when it is full.
    }
}

CsvRowWriter::~CsvRowWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::size_t CsvRowWriter::LayOut(std::vector<char>& rows, std::size_t at, std::span<const ValueText> texts,
                                 std::size_t traces, std::size_t stride, std::size_t count) {
    // Each text is copied as its whole slot into room reserved for it and the end
    // moved back to its length, which beats a copy of variable size.
    constexpr std::size_t kSlot = sizeof(ValueText);
    const std::size_t room = at + count * (traces * (kSlot + 1) + 1) + kSlot;
    if (rows.size() < room) rows.resize(room);
    char* p = rows.data() + at;
    for (std::size_t r = 0; r < count; ++r) {
        for (std::size_t i = 0; i < traces; ++i) {
            const ValueText& t = texts[i * stride + r];
            std::memcpy(p, t.data(), kSlot);
            p += TextLength(t);
            *p++ = ',';
        }
        *p++ = '\n';
    }
    return static_cast<std::size_t>(p - rows.data());
}

bool CsvRowWriter::WriteBatch(Batch& batch) {
    // A batch of kWriteBytes or more goes to the file without a copy through the output's buffer.
    const bool ok = batch.bytes == 0 || out_.Append(std::string_view(batch.rows.data(), batch.bytes));
    batch.bytes = 0;
    if (ok && progress_ != nullptr) progress_->rows.store(batch.rowsDone, std::memory_order_relaxed);
    return ok;
}

void CsvRowWriter::Run() {
    for (;;) {
        Batch* batch = nullptr;
        bool skip = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || batches_[written_].full; });
            if (stop_) return;
            batch = &batches_[written_];
            skip = failed_;
        }
        // Only this thread touches the output while it runs.
        const bool ok = skip || WriteBatch(*batch);
        {
            std::lock_guard lock(mutex_);
            if (!ok) {
                failed_ = true;
                error_ = out_.Error();
            }
            batch->bytes = 0;
            batch->full = false;
            written_ = (written_ + 1) % kBatches;
        }
        changed_.notify_all();
    }
}

std::span<ValueText> CsvRowWriter::NextPass() {
    if (texts_.empty()) texts_.resize(traces_ * stride_);
    return texts_;
}

bool CsvRowWriter::HandOver() {
    {
        std::lock_guard lock(mutex_);
        batches_[fill_].full = true;
        fill_ = (fill_ + 1) % kBatches;
    }
    changed_.notify_all();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !batches_[fill_].full; });
    return !failed_;
}

bool CsvRowWriter::Submit(std::size_t rows, int64_t rowsDone) {
    if (!thread_.joinable() && failed_) return false;
    Batch& batch = batches_[fill_];
    batch.bytes = LayOut(batch.rows, batch.bytes, texts_, traces_, stride_, rows);
    batch.rowsDone = rowsDone;
    // A failure of the writer thread is seen at the next hand-over.
    if (batch.bytes < kWriteBytes) return true;
    if (thread_.joinable()) return HandOver();
    if (!WriteBatch(batch)) {
        failed_ = true;
        error_ = out_.Error();
    }
    return !failed_;
}

bool CsvRowWriter::Finish() {
    if (!thread_.joinable()) {
        if (!failed_ && !WriteBatch(batches_[fill_])) {
            failed_ = true;
            error_ = out_.Error();
        }
        return !failed_;
    }
    if (batches_[fill_].bytes > 0) HandOver();
    std::unique_lock lock(mutex_);
    changed_.wait(
        lock, [&] { return std::none_of(batches_.begin(), batches_.end(), [](const Batch& b) { return b.full; }); });
    return !failed_;
}

}  // namespace kivelo
