#pragma once
// Zoom panel state: ratio list, position of the zoomed stretch, scrolling and
// the automatic roll. Positions are fractions of the record scaled so that
// 1e11 is the whole record.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "display/TraceSet.h"

namespace kivelo {

struct ZoomRatioRow {
    uint32_t points;
    std::string_view label;
    uint32_t threshold;
};

enum class ScrollCode { LineLeft, LineRight, PageLeft, PageRight, Thumb };
enum class RollMode { Stopped, TowardStart, TowardEnd };

// What the zoom window reads for its stretch.
struct ZoomReadPlan {
    int32_t step = 512;  // step code
    int points = 12;     // display points
    int64_t align = 1;   // samples per display pair (wide zooms start on 4 x align)
    int64_t start = 0;   // first sample
    int64_t width = 0;   // samples spanned by the window
};

class ZoomController {
public:
    static constexpr double kWhole = 1e11;
    static constexpr int kFirstRowBeforeDocument = 21;
    static constexpr double kJump = 1e11;
    static const std::array<ZoomRatioRow, 25>& Table();

    ZoomController();

    // Refills the ratio list for a record of L points and resets selection and position.
    void FillZoomRatios(int64_t recordLength);
    const std::vector<std::string>& RatioTexts() const { return texts_; }
    uint32_t FirstRow() const { return firstRow_; }
    uint32_t Selected() const { return selected_; }
    // Points of the selected ratio.
    uint32_t ZoomWidth() const;
    // Points the window spans: the ratio's width, never more than the record.
    int64_t SpanOf(int64_t recordLength) const;
    double Position() const { return position_; }
    double MaxPosition(int64_t recordLength) const;
    int ScrollBarPos() const;

    // Changes the selected ratio keeping the centre of the stretch; false for
    // an index outside the list.
    bool SelectZoomRatio(uint32_t index, int64_t recordLength);
    bool SelectNext(int64_t recordLength);
    bool SelectPrevious(int64_t recordLength);

    void Scroll(ScrollCode code, int thumb, int64_t recordLength);
    void StartRoll(RollMode mode);
    void StopRoll() { roll_ = RollMode::Stopped; }
    RollMode Roll() const { return roll_; }
    // One tick of the roll timer; false when no roll runs.
    bool Tick(int64_t recordLength);
    void SetScrollSpeed(double speed) { speed_ = speed; }
    double ScrollSpeed() const { return speed_; }
    double LineStep(int64_t recordLength) const;

    // Moves the stretch to start at time t; refused outside the record.
    bool SetZoomPosition(double t, double t0, double dt, int64_t recordLength);
    void SetPosition(double position, int64_t recordLength);

    // Moves the stretch so that it starts at sample `start` (kept in the record).
    void SetStart(int64_t start, int64_t recordLength);
    // Samples the drawn start is a multiple of: 1 while a display point is a sample,
    // 4 x the samples of a pair for wide zooms.
    int64_t StartUnit() const;

    ZoomReadPlan ReadPlan(int64_t recordLength) const;
    // First sample as last drawn.
    int64_t ZoomStart() const { return zoomStart_; }
    void SetZoomStart(int64_t start) { zoomStart_ = start; }

    OnOffTable onOff{};
    int splitCount = 1;

private:
    void Clamp(int64_t recordLength);

    std::vector<std::string> texts_;
    uint32_t firstRow_ = kFirstRowBeforeDocument;
    uint32_t selected_ = 0;
    double position_ = 0.0;
    int64_t zoomStart_ = 0;
    double speed_ = 2.0;
    RollMode roll_ = RollMode::Stopped;
};

}  // namespace kivelo
