#pragma once
// Painter that records what was drawn, for checking where texts and lines land.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "DisplayPainter.h"

namespace kivelo::test {

class RecordingPainter : public DisplayPainter {
public:
    struct Text {
        int x, y;
        std::string text;
        Rgb colour;
        std::optional<Rgb> background;
    };
    struct Line {
        int x1, y1, x2, y2;
        PenStyle style;
    };
    struct Rect {
        int x1, y1, x2, y2;
        Rgb colour;
    };
    struct Box {
        int x, y, w, h;
    };

    RecordingPainter(int w, int h) : w_(w), h_(h) {}
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    void FillRect(int x, int y, int w, int h, Rgb) override { fills.push_back({x, y, w, h}); }
    void DrawLine(int x1, int y1, int x2, int y2, Rgb, PenStyle s, Rgb) override { lines.push_back({x1, y1, x2, y2, s}); }
    void DrawRectOutline(int x1, int y1, int x2, int y2, Rgb c) override { rects.push_back({x1, y1, x2, y2, c}); }
    void DrawSunkenEdge(int x, int y, int w, int h) override { edges.push_back({x, y, w, h}); }
    void DrawText(int x, int y, std::string_view t, Rgb c, std::optional<Rgb> bg) override {
        texts.push_back({x, y, std::string(t), c, bg});
    }
    int TextWidth(std::string_view t) const override { return 6 * static_cast<int>(t.size()); }
    void DrawImage(int x, int y, const IndexedImage& img) override {
        images.push_back({x, y, img.width, img.height});
        lastImage = img;
    }

    const Text* Find(const std::string& needle) const {
        auto it = std::find_if(texts.begin(), texts.end(), [&](const Text& t) { return t.text == needle; });
        return it == texts.end() ? nullptr : &*it;
    }
    const Text* FindPrefix(const std::string& prefix) const {
        auto it = std::find_if(texts.begin(), texts.end(),
                               [&](const Text& t) { return t.text.rfind(prefix, 0) == 0; });
        return it == texts.end() ? nullptr : &*it;
    }
    bool Empty() const { return texts.empty() && lines.empty() && rects.empty() && fills.empty() && images.empty(); }

    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<Rect> rects;
    std::vector<Box> fills, edges, images;
    IndexedImage lastImage;

private:
    int w_, h_;
};

}  // namespace kivelo::test
