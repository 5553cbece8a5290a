#include "export/PrintColourRule.h"

#include <cstddef>
#include <cstdint>

namespace kivelo {
namespace {

constexpr BmpColour kBlack{0, 0, 0, 0};
constexpr BmpColour kWhite{0xFF, 0xFF, 0xFF, 0};

bool AnyZero(const BmpColour& c) { return c.red == 0 || c.green == 0 || c.blue == 0; }

bool AllWithin(const BmpColour& c, uint8_t lo, uint8_t hi) {
    auto in = [&](uint8_t v) { return v >= lo && v <= hi; };
    return in(c.red) && in(c.green) && in(c.blue);
}

}  // namespace

void ApplyPrintColourRule(std::vector<BmpColour>& table, bool monochromePrinter, bool lightMode) {
    if (!monochromePrinter) {
        ApplyColourCleanup(table);
        return;
    }
    const std::size_t lastWhite = lightMode ? 4 : 3;
    for (std::size_t i = 0; i < table.size(); ++i) {
        BmpColour& c = table[i];
        if (AnyZero(c)) c = kBlack;
        else if (i >= 1 && i <= lastWhite) c = kWhite;
        else if (lightMode) c = AllWithin(c, 0xF0, 0xFB) ? kWhite : kBlack;
        else c = AllWithin(c, 0x0E, 0x11) ? kBlack : kWhite;
    }
}

}  // namespace kivelo
