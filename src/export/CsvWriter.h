#pragma once
// Writes a stretch of one block of a waveform file as comma-separated values: ten
// header lines and an empty line, then one row per sample holding each written
// trace's value text followed by a comma. Lines end in LF.
// The file appears only when complete: a read or write failure leaves no partial
// CSV and keeps an older file of the same name.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "export/CsvProgress.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

struct CsvRequest {
    int32_t first = 0;  // first sample within the block
    int32_t count = 0;  // samples per trace
    int32_t block = 0;
    // The Main or Zoom window's on/off values for W1..W24 (0 off, 1 shown,
    // 2 absent from the file); empty writes every trace of the file.
    std::span<const uint8_t> onOff;
    // Rows written so far and a request to stop; none when nobody follows the write.
    CsvProgress* progress = nullptr;
    // 1: everything on the caller's thread; 2: the caller's and a second thread
    // each lay out and write every other batch of rows; 0: a second thread when a
    // second processor is free. The bytes are the same.
    int threads = 0;
};

class CsvWriter {
public:
    static constexpr int kWritten = -1;

    // kWritten (-1) written; 0 failure (or cancelled, see Cancelled()), Message() says why.
    int Write(CWaveFile& file, const std::string& path, const CsvRequest& request);
    const std::string& Message() const { return message_; }
    // The last Write stopped because its progress asked it to.
    bool Cancelled() const { return cancelled_; }

    // File traces written for an on/off table: the values 2 are dropped and the
    // k-th remaining value decides trace k. An empty table selects every trace.
    static std::vector<int> SelectTraces(std::span<const uint8_t> onOff, int traceTotal);

private:
    bool CheckRange(CWaveFile& file, const std::vector<int>& traces, const CsvRequest& request);
    int Fail(std::string message);

    std::string message_;
    bool cancelled_ = false;
};

}  // namespace kivelo
