#pragma once
// The cursors as samples of the record, for whoever measures with them
// (readouts, statistics between the cursors). Plain C++.
#include <cstdint>

#include "display/DisplayModel.h"

namespace kivelo {

struct CursorSamples {
    double mes = 0.0;  // sample positions of the record (fractional)
    double ref = 0.0;
    // Whole samples from the earlier cursor up to and including the later
    // one, within 0 .. record length - 1; empty (first > last) without a record.
    int64_t first = 0;
    int64_t last = -1;
};

// The Main or Zoom window's cursors, as they are drawn (kept in the window's stretch).
CursorSamples CursorsOf(const DisplayModel& model, WindowId window);

// Points spanned by a window and its first point (Main: the record; Zoom: the stretch).
void WindowSpan(const DisplayModel& model, WindowId window, int64_t& span, int64_t& first);
// Sample position of a cursor kept in the window's stretch; a cursor still
// given as a column is placed by the window's present trace area.
double ShownCursorSample(const DisplayModel& model, WindowId window, bool mes);
// Gives columns still pending their sample positions (see CursorState) those positions.
void ResolveCursorColumns(DisplayModel& model, WindowId window);

// Moves a cursor by `columns` columns of its window (kept in the window's stretch).
void NudgeCursor(DisplayModel& model, WindowId window, bool mes, int columns);
// Puts a cursor at physical time t; false (nothing moves) outside the record.
bool SetCursorTime(DisplayModel& model, WindowId window, bool mes, double t);

}  // namespace kivelo
