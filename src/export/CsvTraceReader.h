#pragma once
// One written trace's texts for a CSV write, a pass of rows at a time. Traces of
// 1- and 2-byte samples are read as samples and their texts taken from a table
// by sample value; the others (4-byte samples, and floating files, whose texts
// are their floats and not their display samples) are read as texts. The
// threads of a write share the tables.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "export/CsvRowWriter.h"
#include "export/CsvTextTable.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

class CsvTraceReader {
public:
    // The table of the trace's texts; null when they are read as texts.
    static std::unique_ptr<CsvTextTable> TableFor(CWaveFile& file, int trace);

    // Passes of at most `capacity` rows of trace `trace`, with its table (may be null).
    CsvTraceReader(int trace, CsvTextTable* table, std::size_t capacity);

    // Reads up to `count` texts from sample pos of the block; got: how many came.
    int Fetch(const CWaveFile& file, int block, int64_t pos, int64_t count, int64_t& got);
    // The texts of the last Fetch.
    const CsvColumn& Column() const { return column_; }

private:
    int trace_;
    CsvTextTable* table_;
    std::vector<uint16_t> index_;
    std::vector<uint8_t> bytes_;
    std::vector<ValueText> texts_;
    std::vector<char> slots_;
    std::vector<uint8_t> lengths_;
    CsvColumn column_;
};

}  // namespace kivelo
