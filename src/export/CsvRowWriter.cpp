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
        // No thread to spare: each pass is written when it is handed over.
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

bool CsvRowWriter::WritePass(Pass& pass) {
    // Rows are gathered into writes of a megabyte or more: each goes to the file
    // without a further copy through the output's buffer.
    constexpr std::size_t kWriteBytes = std::size_t{1} << 20;
    if (thread_.joinable()) {
        rowText_.resize(std::max(rowText_.size(), pending_ + pass.bytes));
        std::memcpy(rowText_.data() + pending_, pass.laidOut.data(), pass.bytes);
        pending_ += pass.bytes;
    } else {
        pending_ = LayOut(rowText_, pending_, pass.texts, traces_, stride_, pass.rows);
    }
    if (pending_ >= kWriteBytes && !WritePending()) return false;
    if (progress_ != nullptr) progress_->rows.store(pass.rowsDone, std::memory_order_relaxed);
    return true;
}

bool CsvRowWriter::WritePending() {
    const bool ok = pending_ == 0 || out_.Append(std::string_view(rowText_.data(), pending_));
    pending_ = 0;
    return ok;
}

void CsvRowWriter::Run() {
    for (;;) {
        Pass* pass = nullptr;
        bool skip = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || passes_[written_].full; });
            if (!passes_[written_].full) return;
            pass = &passes_[written_];
            skip = failed_;
        }
        // Only this thread touches the output and the row text while it runs.
        const bool ok = skip || WritePass(*pass);
        {
            std::lock_guard lock(mutex_);
            if (!ok) {
                failed_ = true;
                error_ = out_.Error();
            }
            pass->full = false;
            written_ ^= 1;
        }
        changed_.notify_all();
    }
}

std::span<ValueText> CsvRowWriter::NextPass() {
    Pass* pass = nullptr;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !passes_[fill_].full; });
        pass = &passes_[fill_];
    }
    if (pass->texts.empty()) pass->texts.resize(traces_ * stride_);
    return pass->texts;
}

bool CsvRowWriter::Submit(std::size_t rows, int64_t rowsDone) {
    Pass& pass = passes_[fill_];
    pass.rows = rows;
    pass.rowsDone = rowsDone;
    if (!thread_.joinable()) {
        if (failed_) return false;
        if (!WritePass(pass)) {
            failed_ = true;
            error_ = out_.Error();
        }
        return !failed_;
    }
    pass.bytes = LayOut(pass.laidOut, 0, pass.texts, traces_, stride_, rows);
    bool ok = false;
    {
        std::lock_guard lock(mutex_);
        pass.full = true;
        fill_ ^= 1;
        ok = !failed_;
    }
    changed_.notify_all();
    return ok;
}

bool CsvRowWriter::Finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !passes_[0].full && !passes_[1].full; });
    // The writer thread waits for a pass now: the rows left are this thread's to write.
    if (!failed_ && !WritePending()) {
        failed_ = true;
        error_ = out_.Error();
    }
    return !failed_;
}

}  // namespace kivelo
