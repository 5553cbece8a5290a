#pragma once
// Screen-ready copy of one trace: attributes, placement and display points.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "display/ViewArea.h"

namespace kivelo {

// Identifies the data a trace's display points were read from, so a redraw
// reads the file again only when something changed.
struct LoadKey {
    uint64_t document = 0;  // 0: nothing loaded
    int32_t record = -1;
    int64_t start = 0;
    int32_t step = 0;
    int32_t points = 0;
    int32_t channel = -1;
    friend bool operator==(const LoadKey&, const LoadKey&) = default;
};

struct DisplayTrace {
    static constexpr int kMaxPoints = 2048;
    static constexpr int32_t kUnitZoom = 0x10000;

    uint8_t traceNumber = 0;
    uint8_t displayOn = 0;
    uint8_t positionSlot = 0;
    uint8_t logic = 0;
    uint8_t bitCount = 16;
    uint8_t bitOrder = 1;
    uint8_t bytesPerSample = 2;
    uint8_t isSigned = 1;
    uint32_t colour = 1;
    std::array<int16_t, kMaxPoints> samples{};
    uint32_t pointCount = 2000;
    uint16_t columnCount = 1000;
    uint16_t columnOffset = 0;
    uint16_t pairCount = 1000;
    int32_t verticalPosition = 0;
    int32_t verticalZoom = kUnitZoom;  // 16.16
    double gain = 1.0;
    double offset = 0.0;
    std::string name;
    std::string unit;
    WindowId viewArea = WindowId::Main;
    uint8_t xTrace = 0;  // index in the same set
    LoadKey loaded;

    void SetVerticalZoom(double zoom);
    double GetVerticalZoom() const { return verticalZoom / 65536.0; }
    void SetName(std::string_view text);
    void SetUnit(std::string_view text);
    // Values at the top and bottom edge of the trace's band.
    double BandTopValue() const;
    double BandBottomValue() const;
    double PhysicalValue(int sample) const { return sample * gain + offset; }
};

}  // namespace kivelo
