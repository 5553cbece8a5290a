#pragma once
// Painter that logs every call, one line each: "text x y colour background 'text'",
// "line x1 y1 x2 y2 style colour gap", "fill", "rect", "edge" and "image" with
// their geometry. Window scenes keep the log as golden text.
#include <cstdio>
#include <optional>
#include <string>

#include "display/DisplayPainter.h"

namespace kivelo::test {

class RecordingPainter : public DisplayPainter {
public:
    RecordingPainter(int w, int h) : w_(w), h_(h) {}
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    void FillRect(int x, int y, int w, int h, Rgb c) override { Log("fill", {x, y, w, h}, c); }
    void DrawLine(int x1, int y1, int x2, int y2, Rgb c, PenStyle s, Rgb gap) override {
        Log("line", {x1, y1, x2, y2, static_cast<int>(s)}, c, gap);
    }
    void DrawRectOutline(int x1, int y1, int x2, int y2, Rgb c) override { Log("rect", {x1, y1, x2, y2}, c); }
    void DrawSunkenEdge(int x, int y, int w, int h) override { Log("edge", {x, y, w, h}); }
    void DrawText(int x, int y, std::string_view t, Rgb c, std::optional<Rgb> bg) override {
        Log("text", {x, y}, c, bg, t);
    }
    int TextWidth(std::string_view t) const override { return 6 * static_cast<int>(t.size()); }
    void DrawImage(int x, int y, const IndexedImage& img) override { Log("image", {x, y, img.width, img.height}); }

    bool Drew(const std::string& text) const { return log.find('\'' + text + "'\n") != std::string::npos; }

    std::string log;

private:
    void Log(const char* op, std::initializer_list<int> values, std::optional<Rgb> c = {}, std::optional<Rgb> c2 = {},
             std::optional<std::string_view> text = {}) {
        log += op;
        for (int v : values) log += ' ' + std::to_string(v);
        for (const auto& rgb : {c, c2}) {
            char hex[16] = " -";
            if (rgb) std::snprintf(hex, sizeof hex, " %02x%02x%02x", rgb->r, rgb->g, rgb->b);
            if (c) log += hex;
        }
        if (text) log.append(" '").append(*text).append("'");
        log += '\n';
    }

    int w_, h_;
};

}  // namespace kivelo::test
