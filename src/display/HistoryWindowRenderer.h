#pragma once
// The History window: one thumbnail per record with its caption.
#include "display/RenderTarget.h"

namespace kivelo {

struct HistoryCell {
    int record = 0;
    int x = 0;  // trace area, relative to the window's plane origin
    int y = 0;
};

// Cells shown for a window of W x H (H below the panel), first shown first.
std::vector<HistoryCell> HistoryCells(const DisplayModel& model, int width, int height);
// Points per thumbnail: 400 when the record is longer than twice the cell width, else the record.
int HistoryPoints(const DisplayModel& model);

bool DrawHistoryWindow(const RenderTarget& target);

}  // namespace kivelo
