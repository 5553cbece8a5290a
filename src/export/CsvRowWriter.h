#pragma once
// The second half of a CSV write: lays out passes of texts as rows (each trace's
// text and a comma, then LF) into batches, and appends the batches to the output
// in their order. With two threads each thread lays out the batches it takes
// and appends each one when its turn comes: a batch goes to the file from the
// cache of the processor that made it, while the other thread makes its next one.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "common/StagedFile.h"
#include "export/CsvProgress.h"
#include "export/CsvTextTable.h"

namespace kivelo {

// One written trace's texts for the rows of a pass: row r's text and comma are
// the first CsvTextTable::Length(lengths, index[r]) bytes of slot index[r]
// (CsvTextTable::kSlot bytes each). A slot not made yet is made by table.
struct CsvColumn {
    const uint16_t* index = nullptr;
    const char* slots = nullptr;
    uint8_t* lengths = nullptr;
    CsvTextTable* table = nullptr;  // null when every slot is made
};

class CsvRowWriter {
public:
    // An output whose buffer is no larger than a batch takes it without a copy.
    static constexpr std::size_t kOutputBuffer = std::size_t{64} << 10;

    // `out` and `progress` (may be null) must outlive this.
    CsvRowWriter(StagedFile& out, CsvProgress* progress) : out_(out), progress_(progress) {}

    // Appends batch k (numbered from 0) once batches 0 .. k-1 are appended, and
    // counts its last row, rowsDone, as written. False when a write has failed
    // or Stop was called (the first reason is kept, see Error()).
    bool Append(std::size_t k, std::string_view rows, int64_t rowsDone);
    // Every Append waiting or to come returns false.
    void Stop(const std::string& reason);
    std::string Error() const;

    // Room for `count` rows of the longest texts of `columns` columns.
    static std::size_t Room(std::size_t columns, std::size_t count) {
        return count * (columns * CsvTextTable::kSlot + 1) + CsvTextTable::kSlot;
    }
    // `count` rows of the columns laid out from p, which has Room for them; the end is the result.
    static char* LayOut(char* p, std::span<const CsvColumn> columns, std::size_t count);

private:
    StagedFile& out_;
    CsvProgress* const progress_;
    mutable std::mutex mutex_;
    std::condition_variable turn_;
    std::size_t next_ = 0;  // the batch whose turn it is
    bool stopped_ = false;
    std::string error_;
};

}  // namespace kivelo
