#pragma once
// Sizes of the application's text and panels, normal and large-font mode.

namespace kivelo {

struct TextMetrics {
    int charWidth = 6;
    int charHeight = 12;
    int rowPitch1 = 21;
    int rowPitch2 = 20;
    int baseHeight = 30;
    int panelHeight = 71;  // rowPitch1 + rowPitch2 + baseHeight

    static constexpr TextMetrics Normal() { return {}; }
    static constexpr TextMetrics Large() { return {6, 16, 24, 24, 30, 78}; }
    // Height of one line of window text.
    int LineHeight() const { return charHeight; }
};

}  // namespace kivelo
