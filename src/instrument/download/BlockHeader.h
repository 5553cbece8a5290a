#pragma once
// Header of an IEEE 488.2 definite-length arbitrary block: '#', one digit d
// (1..9), then d decimal digits giving the number of data bytes that follow.
// Instrument answers are untrusted: anything else is refused, never guessed.
#include <cstdint>
#include <span>

namespace kivelo {

class BlockHeader {
public:
    // Largest count a header can announce (nine digits).
    static constexpr int kMaxDigits = 9;

    // The first two bytes, "#d". Gives d on success. "#0" (an indefinite-length
    // block) is refused: its end could only be found by scanning the data.
    static bool ParseLead(std::span<const uint8_t> lead, int& digits);
    // The d digits that follow the lead. Gives the byte count on success.
    static bool ParseCount(std::span<const uint8_t> digits, int64_t& byteCount);
};

}  // namespace kivelo
