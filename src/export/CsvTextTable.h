#pragma once
// The CSV texts of one trace of 1- or 2-byte samples by raw sample: each value
// text followed by its comma, in a slot of 16 bytes. Such a trace has at most
// 65,536 values, so a row is laid out by copying slots instead of formatting.
// A slot is made on its first use: a record rarely holds every value.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "export/HugeBuffer.h"
#include "wavefile/CValueFormatter.h"

namespace kivelo {

class CsvTextTable {
public:
    static constexpr std::size_t kSlot = 16;  // the longest text (14) and its comma

    // width 1 or 2: slot i holds the text of the sample whose bits are i.
    CsvTextTable(double vResolution, double vOffset, bool isUnsigned, int width);

    // The slots and their lengths (0: not made yet, see Make).
    const char* Slots() const { return slots_.Data(); }
    const uint8_t* Lengths() const { return lengths_.get(); }
    // Makes slot i and returns its length.
    uint8_t Make(uint16_t i);

    // The value text of v as the CSV writes it (7 significant digits, see
    // FormatValueText) into out (at least 16 bytes); returns its length.
    static std::size_t Format(double v, char* out);

private:
    CValueFormatter values_;
    int width_;
    HugeBuffer slots_;
    std::unique_ptr<uint8_t[]> lengths_;
};

}  // namespace kivelo
