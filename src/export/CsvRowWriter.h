#pragma once
// The second half of a CSV write: lays out passes of value texts as rows (each
// trace's text and a comma, then LF) and appends them to the output in the order
// they came. With a thread of its own, the caller lays out each pass while its
// texts are in its cache and the thread writes the rows while the caller fetches
// the next pass, so both processors work and only the rows cross between them.
// Two pass buffers bound the memory.
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
#include "wavefile/WaveRecords.h"

namespace kivelo {

class CsvRowWriter {
public:
    // A pass holds at most `stride` rows of `traces` texts: trace i's text of row r
    // at i * stride + r. `out` and `progress` (may be null) must outlive this.
    CsvRowWriter(StagedFile& out, std::size_t traces, std::size_t stride, bool threaded, CsvProgress* progress);
    ~CsvRowWriter();
    CsvRowWriter(const CsvRowWriter&) = delete;
    CsvRowWriter& operator=(const CsvRowWriter&) = delete;

    // The buffer for the next pass's texts, once it is free again.
    std::span<ValueText> NextPass();
    // Hands the pass just filled over: `rows` rows, `rowsDone` rows of the whole
    // write once it is written. False when a write has failed (see Error()).
    bool Submit(std::size_t rows, int64_t rowsDone);
    // Waits until every pass handed over is written; false when a write failed.
    bool Finish();
    const std::string& Error() const { return error_; }

    // The rows of `count` rows of texts laid out into `rows` from byte `at` (the
    // end is the result; `rows` is never shrunk, so its pages are not zeroed again).
    static std::size_t LayOut(std::vector<char>& rows, std::size_t at, std::span<const ValueText> texts,
                              std::size_t traces, std::size_t stride, std::size_t count);

private:
    struct Pass {
        std::vector<ValueText> texts;
        std::vector<char> laidOut;  // with a second thread: the rows, laid out by the caller
        std::size_t bytes = 0;
        std::size_t rows = 0;
        int64_t rowsDone = 0;
        bool full = false;  // handed over and not yet written
    };
    // Lays out one pass after the rows not yet written, and writes them once they
    // fill a large write; false on a write failure.
    bool WritePass(Pass& pass);
    bool WritePending();
    void Run();

    StagedFile& out_;
    const std::size_t traces_;
    const std::size_t stride_;
    CsvProgress* const progress_;
    std::array<Pass, 2> passes_;
    std::size_t fill_ = 0;     // the pass the caller fills next
    std::size_t written_ = 0;  // the pass the writer takes next
    std::vector<char> rowText_;
    std::size_t pending_ = 0;  // bytes of rowText_ laid out and not yet written
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool failed_ = false;
    std::string error_;
    std::thread thread_;  // last: it runs on the members above
};

}  // namespace kivelo
