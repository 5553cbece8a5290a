#pragma once
// 24 display traces drawn together in one window.
#include <array>

#include "display/DisplayTrace.h"

namespace kivelo {

inline constexpr int kTraceCount = 24;

// Per-trace table of a window: 0 off, 1 shown, anything else absent from the document.
using OnOffTable = std::array<uint8_t, kTraceCount>;
inline constexpr uint8_t kTraceOff = 0;
inline constexpr uint8_t kTraceOn = 1;
inline constexpr uint8_t kTraceAbsent = 2;

// Channel number the waveform model knows trace `index` by: its running
// index among the traces present in the document; -1 when absent.
int ChannelOf(const OnOffTable& table, int index);

class TraceSet {
public:
    explicit TraceSet(WindowId area = WindowId::Main);

    DisplayTrace& operator[](int i) { return traces_[static_cast<size_t>(i)]; }
    const DisplayTrace& operator[](int i) const { return traces_[static_cast<size_t>(i)]; }
    auto begin() { return traces_.begin(); }
    auto end() { return traces_.end(); }
    auto begin() const { return traces_.begin(); }
    auto end() const { return traces_.end(); }

    // Primary: codes 1..14, then 15 for traces 15..24; alternative: 17..30, then 31.
    void ApplyColourAssignment(bool alternative);
    static uint32_t ColourCodeFor(int index, bool alternative);
    // Copies `live` whole and paints every copy in the highlight colour.
    void TakeSnapshotOf(const TraceSet& live);
    void SwitchAllOff();
    void SetViewArea(WindowId area);
    void SetXTrace(int index);
    // Forgets which data the traces hold, so the next draw reads them again.
    void InvalidatePoints();

private:
    std::array<DisplayTrace, kTraceCount> traces_;
};

}  // namespace kivelo
