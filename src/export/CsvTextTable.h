#pragma once
// The CSV texts of one trace of 1- or 2-byte samples by raw sample: each value
// text followed by its comma, in a slot of 16 bytes. Such a trace has at most
// 65,536 values, so a row is laid out by copying slots instead of formatting.
// A slot is made on its first use (a record rarely holds every value), by
// whichever thread of a write needs it first; the others read it once made.
#include <atomic>
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

    // A length read while another thread may make the slot: Length(i) below.
    static constexpr uint8_t kMaking = 255;

    // The slots and their lengths (0: not made yet, kMaking: being made; read
    // them with Length).
    int Width() const { return width_; }
    const char* Slots() const { return slots_.Data(); }
    uint8_t* Lengths() const { return lengths_.get(); }
    static std::size_t Length(uint8_t* lengths, uint16_t i) {
        return std::atomic_ref<uint8_t>(lengths[i]).load(std::memory_order_acquire);
    }
    // Makes slot i and returns it, its length (text and comma) in `length`; while
    // another thread makes it, makes the same text in `spare` (kSlot bytes) instead.
    const char* Make(uint16_t i, char* spare, std::size_t& length);

    // The value text of v as the CSV writes it (7 significant digits, see
    // FormatValueText) into out (at least 16 bytes); returns its length.
    static std::size_t Format(double v, char* out);

private:
    // The text and comma of slot i into out; their length.
    std::size_t Fill(uint16_t i, char* out) const;

    CValueFormatter values_;
    int width_;
    HugeBuffer slots_;
    std::unique_ptr<uint8_t[]> lengths_;
};

}  // namespace kivelo
