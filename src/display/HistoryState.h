#pragma once
// History window state: thumbnail grid geometry, scrolling, hit test and the
// window chaser. The records' overlay marks are passed in by the caller.
#include <cstdint>
#include <optional>
#include <span>

#include "display/ZoomController.h"

namespace kivelo {

struct CellSize {
    int width = 100;
    int height = 80;
};

class HistoryState {
public:
    static constexpr CellSize kLarge{200, 160};
    static constexpr CellSize kMedium{100, 80};
    static constexpr CellSize kSmall{72, 48};

    void SetCellSize(CellSize size, int windowWidth, int windowHeight);
    CellSize Cell() const { return cell_; }
    // Columns and rows that fit a window of this size, at least one of each.
    void RecomputeGrid(int windowWidth, int windowHeight);
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    int CellsShown() const { return columns_ * rows_; }

    int FirstShown() const { return firstShown_; }
    // Scrolls by rows/screens or to a thumb position, clamped to 0 .. count - 1.
    void Scroll(ScrollCode code, int thumb, int recordCount);
    void SetFirstShown(int record, int recordCount);

    // Record whose thumbnail is under window point (x, y); none outside the grid or the records.
    std::optional<int> CellAt(int x, int y, int windowWidth, int windowHeight, int recordCount) const;

    // Left button: the record becomes current. Right button: its overlay mark
    // toggles, except for the current record. False when nothing changed.
    static bool Click(int record, bool left, std::span<uint8_t> marks, int recordCount, int& currentRecord);
    // "ON"/"OFF": every record's overlay mark.
    static void SetAllMarks(std::span<uint8_t> marks, int recordCount, bool on);

    bool Chaser() const { return chaser_; }
    void SetChaser(bool on) { chaser_ = on; }
    // Marks exactly the visible records and makes the first one current;
    // false (nothing changed) when the chaser is off.
    bool ApplyChaser(std::span<uint8_t> marks, int recordCount, int& currentRecord) const;

    // Cell origins inside the window's plane rectangle.
    struct CellPlacement {
        int gapX = 0;
        int gapY = 0;
    };
    CellPlacement Gaps(int windowWidth, int windowHeight) const;

private:
    CellSize cell_ = kMedium;
    int columns_ = 0;
    int rows_ = 0;
    int firstShown_ = 0;
    bool chaser_ = false;
};

}  // namespace kivelo
