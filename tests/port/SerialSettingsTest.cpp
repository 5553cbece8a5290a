#include <gtest/gtest.h>

#include <tuple>

#include "port/SerialSettings.h"

using namespace kivelo;

namespace {

// Word with the given raw fields (table index + 1; 0 keeps the current value).
constexpr uint32_t Word(uint32_t port, uint32_t byteSize, uint32_t stopBits, uint32_t parity, uint32_t flow,
                        uint32_t baud, uint32_t delay = 0) {
    return port | byteSize << 2 | stopBits << 4 | parity << 6 | flow | baud << 14 | delay << 18;
}

auto Fields(const SerialSettings& s) {
    return std::tuple(s.portIndex, s.Baud(), s.ByteSize(), s.stopBitsIndex, s.parityIndex, s.xonXoff, s.dsrDtr,
                      s.ctsRts, s.charDelayMs);
}

}  // namespace

// Each word is applied on top of `before` (0: a fresh port). Catches a field
// taken from the wrong bits, an index off by one, a zero field that resets
// instead of keeping, and a bad field that half-applies the word.
TEST(SerialConfigWord, DecodingTable) {
    using S = SerialSettings;
    const uint32_t mixed = Word(3, 1, 3, 5, 0x0800, 2);  // port 3 also means COM2
    const S com2 = {.portIndex = 1, .baudIndex = 8, .ctsRts = true};
    const S mixedFields = {
        .portIndex = 1, .baudIndex = 1, .byteSizeIndex = 0, .parityIndex = 4, .stopBitsIndex = 2, .xonXoff = true};
    const struct {
        uint32_t before, word;
        bool ok;
        S expected;
    } cases[] = {
        {0, kSerialWordCom1, true, {.portIndex = 0, .baudIndex = 8, .ctsRts = true}},
        {0, kSerialWordCom2, true, com2},
        {0, 0, true, {}},  // a fresh port: COM1 at 9600 8N1 without flow control
        {0, mixed, true, mixedFields},
        // clang-format off
        {mixed, Word(0, 0, 0, 0, 0, 0, 7), true,
         {.portIndex = 1, .baudIndex = 1, .byteSizeIndex = 0, .parityIndex = 4,
          .stopBitsIndex = 2, .xonXoff = true, .charDelayMs = 7}},
        // clang-format on
        {0, Word(1, 0, 0, 0, 0x0C00, 0), true, {.dsrDtr = true}},
        {0, Word(1, 0, 0, 0, 0x1000, 0), true, {.ctsRts = true}},
        {kSerialWordCom1, Word(1, 0, 0, 0, 0x0400, 0), true, {.baudIndex = 8}},  // other: none
        {0, Word(1, 0, 0, 0, 0, 11), true, {.baudIndex = 10}},
        {0, kSerialWordCom1 | 0xFFFC0000u, true, {.baudIndex = 8, .ctsRts = true, .charDelayMs = 0x3FFF}},
        // Fields naming no table entry: refused, nothing changed.
        {kSerialWordCom2, Word(1, 3, 0, 0, 0, 0), false, com2},
        {kSerialWordCom2, Word(1, 0, 0, 6, 0, 0), false, com2},
        {kSerialWordCom2, Word(1, 0, 0, 0, 0, 12), false, com2},
        {kSerialWordCom2, Word(1, 0, 0, 0, 0, 15), false, com2},
    };
    EXPECT_EQ(Word(1, 2, 1, 1, 0x1000, 9), kSerialWordCom1);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.before << " then " << c.word);
        S s;
        ASSERT_TRUE(s.ApplyConfigWord(c.before));
        EXPECT_EQ(s.ApplyConfigWord(c.word), c.ok);
        EXPECT_EQ(Fields(s), Fields(c.expected));
    }
}
