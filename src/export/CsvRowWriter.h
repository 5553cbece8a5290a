#pragma once
// The second half of a CSV write: lays out passes of value texts as rows (each
// trace's text and a comma, then LF) and appends them to the output in the order
// they came. The caller lays out each pass while its samples are in its cache,
// into batches of a megabyte or more; each batch goes to the file in one write
// without a further copy. With a thread of its own, that thread makes the writes
// while the caller fetches the next passes: a ring of batches absorbs the
// moments when one of the two threads has no processor (the machine is shared).
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "common/StagedFile.h"
#include "export/CsvProgress.h"
#include "export/CsvTextTable.h"

namespace kivelo {

// One written trace's texts for the rows of a pass: row r's text and comma are
// the first lengths[index[r]] bytes of slot index[r] (CsvTextTable::kSlot bytes
// each). A length 0 is a slot not made yet: table makes it.
struct CsvColumn {
    const uint16_t* index = nullptr;
    const char* slots = nullptr;
    const uint8_t* lengths = nullptr;
    CsvTextTable* table = nullptr;  // null when every slot is made
};

class CsvRowWriter {
public:
    // Rows go to the file in writes of at least this size; an output whose buffer
    // is no larger takes them without a copy.
    static constexpr std::size_t kWriteBytes = std::size_t{1} << 20;

    // `out` and `progress` (may be null) must outlive this.
    CsvRowWriter(StagedFile& out, bool threaded, CsvProgress* progress);
    ~CsvRowWriter();
    CsvRowWriter(const CsvRowWriter&) = delete;
    CsvRowWriter& operator=(const CsvRowWriter&) = delete;

    // Lays out a pass: `rows` rows of the columns, `rowsDone` rows of the whole
    // write once it is written. False when a write has failed (see Error()).
    bool Submit(std::span<const CsvColumn> columns, std::size_t rows, int64_t rowsDone);
    // Writes what is left and waits until every batch is written; false when a write failed.
    bool Finish();
    const std::string& Error() const { return error_; }

    // `count` rows of the columns laid out into `rows` from byte `at` (the end is
    // the result; `rows` is never shrunk, so its pages are not zeroed again).
    static std::size_t LayOut(std::vector<char>& rows, std::size_t at, std::span<const CsvColumn> columns,
                              std::size_t count);

private:
    struct Batch {
        std::vector<char> rows;
        std::size_t bytes = 0;
        int64_t rowsDone = 0;
        bool full = false;  // handed to the writer thread and not yet written
    };
    static constexpr std::size_t kBatches = 4;

    // Writes a batch and empties it; false on a write failure.
    bool WriteBatch(Batch& batch);
    // Gives the batch being filled to the writer thread and waits for the next one to be free.
    bool HandOver();
    void Run();

    StagedFile& out_;
    CsvProgress* const progress_;
    std::array<Batch, kBatches> batches_;
    std::size_t fill_ = 0;     // the batch the caller lays out into
    std::size_t written_ = 0;  // the batch the writer thread takes next
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool failed_ = false;
    std::string error_;
    std::thread thread_;  // last: it runs on the members above
};

}  // namespace kivelo
