#include "display/HistoryState.h"

#include <algorithm>

namespace kivelo {

void HistoryState::SetCellSize(CellSize size, int windowWidth, int windowHeight) {
    cell_ = size;
    RecomputeGrid(windowWidth, windowHeight);
}

void HistoryState::RecomputeGrid(int windowWidth, int windowHeight) {
    // Always at least one cell, so a small window still shows the current record.
    columns_ = std::max((windowWidth - 20) / (cell_.width + 20), 1);
    rows_ = std::max((windowHeight - 36) / (cell_.height + 25), 1);
}

void HistoryState::Scroll(ScrollCode code, int thumb, int recordCount) {
    int next = firstShown_;
    switch (code) {
    case ScrollCode::LineLeft: next -= columns_; break;
    case ScrollCode::LineRight: next += columns_; break;
    case ScrollCode::PageLeft: next -= CellsShown(); break;
    case ScrollCode::PageRight: next += CellsShown(); break;
    case ScrollCode::Thumb: next = thumb; break;
    }
    SetFirstShown(next, recordCount);
}

void HistoryState::SetFirstShown(int record, int recordCount) {
    firstShown_ = std::clamp(record, 0, std::max(recordCount - 1, 0));
}

std::optional<int> HistoryState::CellAt(int x, int y, int windowWidth, int windowHeight, int recordCount) const {
    if (columns_ <= 0 || rows_ <= 0 || x < 0 || y < 33) return std::nullopt;
    const int cellW = windowWidth / columns_;
    const int cellH = (windowHeight - 33) / rows_;
    if (cellW <= 0 || cellH <= 0) return std::nullopt;
    const int column = x / cellW;
    const int row = (y - 33) / cellH;
    if (column >= columns_ || row >= rows_) return std::nullopt;
    const int record = columns_ * row + firstShown_ + column;
    if (record < 0 || record >= recordCount) return std::nullopt;
    return record;
}

bool HistoryState::Click(int record, bool left, std::span<uint8_t> marks, int recordCount, int& currentRecord) {
    const int count = std::clamp(recordCount, 0, static_cast<int>(marks.size()));
    if (record < 0 || record >= count) return false;
    if (left) {
        if (record == currentRecord) return false;
        currentRecord = record;
        return true;
    }
    if (record == currentRecord) return false;
    uint8_t& mark = marks[static_cast<size_t>(record)];
    mark = mark == 1 ? 0 : 1;
    return true;
}

void HistoryState::SetAllMarks(std::span<uint8_t> marks, int recordCount, bool on) {
    const int count = std::clamp(recordCount, 0, static_cast<int>(marks.size()));
    std::fill(marks.begin(), marks.begin() + count, static_cast<uint8_t>(on ? 1 : 0));
}

bool HistoryState::ApplyChaser(std::span<uint8_t> marks, int recordCount, int& currentRecord) const {
    if (!chaser_) return false;
    const int count = std::clamp(recordCount, 0, static_cast<int>(marks.size()));
    std::fill(marks.begin(), marks.begin() + count, uint8_t{0});
    const int last = std::min(firstShown_ + CellsShown(), count);
    for (int r = firstShown_; r < last; ++r) marks[static_cast<size_t>(r)] = 1;
    if (count > 0) currentRecord = firstShown_;
    return true;
}

HistoryState::CellPlacement HistoryState::Gaps(int windowWidth, int windowHeight) const {
    CellPlacement p;
    p.gapX = (windowWidth - cell_.width * columns_ - 20) / (columns_ + 1);
    p.gapY = (windowHeight - cell_.height * rows_ - 36) / (rows_ + 1);
    return p;
}

}  // namespace kivelo
