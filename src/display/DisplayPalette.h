#pragma once
// The display's 256-entry palette (only 0..47 used): primary trace colours,
// the second trace colour set and the fixed colours, plus the text colours
// that follow light mode.
#include <array>
#include <cstddef>
#include <cstdint>

#include "display/Rgb.h"

namespace kivelo {

// One colour as three levels 0..7.
struct ColourLevel {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

using ColourLevelSet = std::array<ColourLevel, 16>;

class DisplayPalette {
public:
    static constexpr int kSize = 256;
    static constexpr int kPrimaryBase = 0;
    static constexpr int kSecondBase = 16;
    static constexpr int kFixedBase = 32;
    static constexpr int kBackgroundEntry = 33;
    static constexpr int kGraticuleEntry = 35;
    static constexpr int kHighlightEntry = 36;

    DisplayPalette();

    // Level 0..7 to a component byte (levels above 7 count as 7).
    static uint8_t LevelToComponent(int level);
    static Rgb Convert(ColourLevel c);
    // Palette entry a plane byte is shown with.
    static uint8_t EntryOf(uint8_t planeByte);

    static const ColourLevelSet& PrimarySet();
    static const ColourLevelSet& DimSet();
    static const ColourLevelSet& FixedDarkSet();
    static const ColourLevelSet& FixedLightSet();

    // Rebuilds entries 0..47 for light or dark mode and the text colours.
    void Build(bool light);
    void SetSecondSet(const ColourLevelSet& set);

    bool Light() const { return light_; }
    const std::array<Rgb, kSize>& Entries() const { return entries_; }
    Rgb Entry(int index) const { return entries_[static_cast<std::size_t>(index) & 0xFF]; }
    Rgb Background() const { return background_; }
    Rgb Foreground() const { return foreground_; }
    // 0 in dark mode, 16 in light mode: labels and picking use the second set then.
    int LabelColourOffset() const { return light_ ? 16 : 0; }
    // Text colour matching the trace colour of trace index 0..23.
    Rgb LabelColour(int traceIndex) const;
    // Map from plane byte to palette entry (for fast presenting).
    static const std::array<uint8_t, 256>& EntryLut();

private:
    ColourLevelSet second_;
    std::array<Rgb, kSize> entries_{};
    std::array<Rgb, 16> primaryConverted_{};
    std::array<Rgb, 16> secondConverted_{};
    Rgb background_{};
    Rgb foreground_{};
    bool light_ = false;
};

}  // namespace kivelo
