#pragma once
// Texts the Main, Zoom and XY windows share: the label column, the time
// axis, the record number and the information line.
#include <cstdint>
#include <optional>
#include <string>

#include "display/RenderTarget.h"

namespace kivelo {

// `format value` as a plain string (empty when the value cannot be written).
std::string FormatText(double value, const std::string& unit, int digits, double resolution, bool appendUnit = true);

// Three lines per displayed trace from (x, y): "W%d:" and name, then the band's
// top value (or "Logic") and bottom value. `extraTrace` is listed even when off.
void DrawLabelColumn(const RenderTarget& target, const TraceSet& set, int x, int y,
                     std::optional<int> extraTrace = std::nullopt);
// Start time at the left, end time right-aligned to the trace area's right edge.
void DrawTimeAxis(const RenderTarget& target, const ViewArea& area, double start, double end);
// "No.%04d" of the current record.
void DrawRecordNumber(const RenderTarget& target, int y);
// Time stamp line at the top; the number of data only when the area is wide enough.
void DrawInfoLine(const RenderTarget& target, const ViewArea& area, int64_t numberOfData);
// Texts of a time window (Main, Zoom): label column, times of the first and
// last point shown, record number, the information line when the plot is
// higher than infoMinHeight, and the window's cursors.
void DrawTimeWindowTexts(const RenderTarget& target, WindowId window, const TraceSet& set, int64_t first, int64_t span,
                         int64_t numberOfData, int infoMinHeight);
// Row of the time axis texts, in window coordinates.
int TimeAxisRow(const ViewArea& area);

}  // namespace kivelo
