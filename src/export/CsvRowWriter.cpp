#include "export/CsvRowWriter.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <system_error>

namespace kivelo {

CsvRowWriter::CsvRowWriter(StagedFile& out, bool threaded, CsvProgress* progress) : out_(out), progress_(progress) {
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

std::size_t CsvRowWriter::LayOut(std::vector<char>& rows, std::size_t at, std::span<const CsvColumn> columns,
                                 std::size_t count) {
    // Each slot is copied whole into room reserved for it and the end moved on by
    // its length, which beats a copy of variable size.
    constexpr std::size_t kSlot = CsvTextTable::kSlot;
    const std::size_t room = at + count * (columns.size() * kSlot + 1) + kSlot;
    if (rows.size() < room) rows.resize(room);
    char* p = rows.data() + at;
    for (std::size_t r = 0; r < count; ++r) {
        for (const CsvColumn& c : columns) {
            const uint16_t i = c.index[r];
            std::size_t n = c.lengths[i];
            if (n == 0) [[unlikely]]
                n = c.table->Make(i);
            std::memcpy(p, c.slots + std::size_t{i} * kSlot, kSlot);
            p += n;
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

bool CsvRowWriter::Submit(std::span<const CsvColumn> columns, std::size_t rows, int64_t rowsDone) {
    if (!thread_.joinable() && failed_) return false;
    Batch& batch = batches_[fill_];
    batch.bytes = LayOut(batch.rows, batch.bytes, columns, rows);
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
