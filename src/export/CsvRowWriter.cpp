#include "export/CsvRowWriter.h"

#include <cstring>

namespace kivelo {

char* CsvRowWriter::LayOut(char* p, std::span<const CsvColumn> columns, std::size_t count) {
    // Each slot is copied whole into room reserved for it and the end moved on by
    // its length, which beats a copy of variable size.
    constexpr std::size_t kSlot = CsvTextTable::kSlot;
    char spare[kSlot];
    for (std::size_t r = 0; r < count; ++r) {
        for (const CsvColumn& c : columns) {
            const uint16_t i = c.index[r];
            const char* text = c.slots + std::size_t{i} * kSlot;
            std::size_t n = CsvTextTable::Length(c.lengths, i);
            if (n == 0 || n == CsvTextTable::kMaking) [[unlikely]]
                text = c.table->Make(i, spare, n);
            std::memcpy(p, text, kSlot);
            p += n;
        }
        *p++ = '\n';
    }
    return p;
}

bool CsvRowWriter::Append(std::size_t k, std::string_view rows, int64_t rowsDone) {
    {
        std::unique_lock lock(mutex_);
        turn_.wait(lock, [&] { return stopped_ || next_ == k; });
        if (stopped_) return false;
    }
    // Only the thread whose turn it is touches the output.
    const bool ok = out_.Append(rows);
    if (ok && progress_ != nullptr) progress_->rows.store(rowsDone, std::memory_order_relaxed);
    {
        std::lock_guard lock(mutex_);
        if (!ok && !stopped_) {
            stopped_ = true;
            error_ = out_.Error();
        }
        ++next_;
    }
    turn_.notify_all();
    return ok;
}

void CsvRowWriter::Stop(const std::string& reason) {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        stopped_ = true;
        error_ = reason;
    }
    turn_.notify_all();
}

std::string CsvRowWriter::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

}  // namespace kivelo
