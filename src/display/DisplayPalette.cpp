#include "display/DisplayPalette.h"

#include <algorithm>

#include "display/ColourCode.h"

namespace kivelo {
namespace {

constexpr std::array<uint8_t, 8> kLevelComponent{15, 15, 43, 94, 94, 145, 196, 247};

// clang-format off
constexpr ColourLevelSet kPrimary{{{7, 7, 0}, {0, 7, 0}, {7, 0, 7}, {0, 7, 7},
                                   {7, 0, 0}, {7, 4, 0}, {5, 3, 7}, {3, 5, 7},
                                   {0, 7, 4}, {7, 7, 5}, {5, 7, 6}, {7, 5, 5},
                                   {0, 0, 7}, {5, 6, 7}, {6, 5, 6}, {2, 2, 6}}};
constexpr ColourLevelSet kDim{{{4, 4, 0}, {0, 4, 0}, {4, 0, 4}, {0, 4, 4},
                               {4, 0, 0}, {5, 2, 0}, {2, 1, 4}, {1, 2, 4},
                               {0, 4, 2}, {4, 4, 3}, {2, 4, 3}, {4, 3, 3},
                               {0, 0, 5}, {2, 3, 5}, {3, 2, 3}, {2, 2, 6}}};
constexpr ColourLevelSet kFixedDark{{{2, 2, 6}, {0, 0, 1}, {7, 7, 7}, {6, 6, 6},
                                     {7, 7, 7}, {7, 0, 0}, {5, 5, 0}, {0, 7, 0},
                                     {7, 7, 0}, {0, 7, 0}, {7, 0, 7}, {0, 7, 7},
                                     {7, 0, 0}, {7, 4, 0}, {5, 3, 7}, {3, 5, 7}}};
constexpr ColourLevelSet kFixedLight{{{2, 2, 6}, {7, 7, 7}, {7, 7, 7}, {0, 0, 0},
                                      {0, 0, 0}, {7, 0, 0}, {5, 5, 0}, {0, 7, 0},
                                      {7, 7, 0}, {0, 7, 0}, {7, 0, 7}, {0, 7, 7},
                                      {7, 0, 0}, {7, 4, 0}, {5, 3, 7}, {3, 5, 7}}};
// clang-format on

std::array<uint8_t, 256> MakeLut() {
    std::array<uint8_t, 256> lut{};
    for (int v = 0; v < 256; ++v) {
        const uint8_t b = static_cast<uint8_t>(v);
        uint8_t e = DisplayPalette::kBackgroundEntry;
        if (b & colour_code::kHighlightBit) {
            e = DisplayPalette::kHighlightEntry;
        } else if (b & colour_code::kTraceMask) {
            e = static_cast<uint8_t>((b & colour_code::kTraceMask) - 1);
        } else if (b & colour_code::kGraticuleBit) {
            e = DisplayPalette::kGraticuleEntry;
        }
        lut[static_cast<size_t>(v)] = e;
    }
    return lut;
}

}  // namespace

DisplayPalette::DisplayPalette() : second_(kDim) { Build(false); }

uint8_t DisplayPalette::LevelToComponent(int level) {
    return kLevelComponent[static_cast<size_t>(std::clamp(level, 0, 7))];
}

Rgb DisplayPalette::Convert(ColourLevel c) {
    return {LevelToComponent(c.r), LevelToComponent(c.g), LevelToComponent(c.b)};
}

const std::array<uint8_t, 256>& DisplayPalette::EntryLut() {
    static const std::array<uint8_t, 256> lut = MakeLut();
    return lut;
}

uint8_t DisplayPalette::EntryOf(uint8_t planeByte) { return EntryLut()[planeByte]; }

const ColourLevelSet& DisplayPalette::PrimarySet() { return kPrimary; }
const ColourLevelSet& DisplayPalette::DimSet() { return kDim; }
const ColourLevelSet& DisplayPalette::FixedDarkSet() { return kFixedDark; }
const ColourLevelSet& DisplayPalette::FixedLightSet() { return kFixedLight; }

void DisplayPalette::Build(bool light) {
    light_ = light;
    entries_.fill(Rgb{});
    const ColourLevelSet& fixed = light ? kFixedLight : kFixedDark;
    for (size_t i = 0; i < 16; ++i) {
        primaryConverted_[i] = Convert(kPrimary[i]);
        secondConverted_[i] = Convert(second_[i]);
        entries_[kPrimaryBase + i] = primaryConverted_[i];
        entries_[kSecondBase + i] = secondConverted_[i];
        entries_[kFixedBase + i] = Convert(fixed[i]);
    }
    const Rgb black = Convert({0, 0, 0});
    const Rgb white = Convert({7, 7, 7});
    background_ = light ? white : black;
    foreground_ = light ? black : white;
}

void DisplayPalette::SetSecondSet(const ColourLevelSet& set) {
    second_ = set;
    Build(light_);
}

Rgb DisplayPalette::LabelColour(int traceIndex) const {
    const size_t i = static_cast<size_t>(std::clamp(traceIndex, 0, 14));
    return light_ ? secondConverted_[i] : primaryConverted_[i];
}

}  // namespace kivelo
