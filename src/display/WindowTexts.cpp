#include "display/WindowTexts.h"

#include <cstdio>

#include "display/CursorRenderer.h"
#include "display/NumberFormat.h"

namespace kivelo {

std::string FormatText(double value, const std::string& unit, int digits, double resolution, bool appendUnit) {
    std::string out;
    FormatValue(value, unit, digits, resolution, appendUnit, out);
    return out;
}

int TimeAxisRow(const ViewArea& area) { return area.areaY + area.areaHeight + 37; }

void DrawLabelColumn(const RenderTarget& target, const TraceSet& set, int x, int y, std::optional<int> extraTrace) {
    DisplayPainter& p = target.painter;
    const DisplayPalette& palette = target.model.palette;
    const int lh = target.LineHeight();
    for (int i = 0; i < kTraceCount; ++i) {
        const DisplayTrace& t = set[i];
        if (!t.displayOn && extraTrace != i) continue;
        char head[16];
        std::snprintf(head, sizeof head, "W%d:", i + 1);
        p.DrawText(x, y, head, palette.Foreground(), std::nullopt);
        p.DrawText(x + 30, y, t.name, palette.LabelColour(i), std::nullopt);
        y += lh;
        p.FillRect(x, y, 130, 2 * lh, palette.Background());
        if (t.logic) {
            p.DrawText(x, y, "Logic", palette.Foreground(), std::nullopt);
            y += 2 * lh;
            continue;
        }
        p.DrawText(x, y, FormatText(t.BandTopValue(), t.unit, 3, t.gain), palette.Foreground(), std::nullopt);
        y += lh;
        p.DrawText(x, y, FormatText(t.BandBottomValue(), t.unit, 3, t.gain), palette.Foreground(), std::nullopt);
        y += lh;
    }
}

void DrawTimeAxis(const RenderTarget& target, const ViewArea& area, double start, double end) {
    const HorzInfo& h = target.model.document.horz;
    const Rgb fg = target.model.palette.Foreground();
    const int row = TimeAxisRow(area);
    target.painter.DrawText(4, row, FormatText(start, h.HUnit, 4, h.HResolution), fg, std::nullopt);
    const std::string endText = FormatText(end, h.HUnit, 4, h.HResolution);
    const int x = area.areaX + area.areaWidth - target.painter.TextWidth(endText);
    target.painter.DrawText(x, row, endText, fg, std::nullopt);
}

void DrawRecordNumber(const RenderTarget& target, int y) {
    char text[24];
    std::snprintf(text, sizeof text, "No.%04d", target.model.document.currentRecord);
    target.painter.DrawText(1, y, text, target.model.palette.Foreground(), std::nullopt);
}

void DrawInfoLine(const RenderTarget& target, const ViewArea& area, int64_t numberOfData) {
    const DisplayDocument& doc = target.model.document;
    const Rgb fg = target.model.palette.Foreground();
    DisplayPainter& p = target.painter;
    const int y = kWindowPanelHeight;
    p.DrawText(4, y, doc.bitOrderModel ? "ACQ End Time:" : "Trigger Time:", fg, std::nullopt);
    p.DrawText(100, y, doc.DateText(doc.currentRecord), fg, std::nullopt);
    p.DrawText(165, y, doc.TimeText(doc.currentRecord), fg, std::nullopt);
    if (area.areaWidth > 370) {
        p.DrawText(225, y, "Number Of Data:", fg, std::nullopt);
        p.DrawText(325, y, std::to_string(numberOfData), fg, std::nullopt);
    }
}

void DrawTimeWindowTexts(const RenderTarget& target, WindowId window, const TraceSet& set, int64_t first, int64_t span,
                         int64_t numberOfData, int infoMinHeight) {
    const ViewArea& area = target.model.Area(window);
    const HorzInfo& h = target.model.document.horz;
    DrawLabelColumn(target, set, area.areaX + target.ClientWidth() - 125, kWindowPanelHeight);
    DrawTimeAxis(target, area, static_cast<double>(first) * h.HResolution + h.HOffset,
                 static_cast<double>(first + span) * h.HResolution + h.HOffset);
    DrawRecordNumber(target, TimeAxisRow(area) + 3 * target.LineHeight());
    if (target.PlotHeight() > infoMinHeight) DrawInfoLine(target, area, numberOfData);
    DrawCursors(target, window);
}

}  // namespace kivelo
