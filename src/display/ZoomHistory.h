#pragma once
// Earlier stretches of the Zoom window (ratio and position), newest last, so
// that "back" returns to them. A bounded list: the oldest is dropped.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace kivelo {

class ZoomController;

struct ZoomView {
    uint32_t selected = 0;
    double position = 0.0;
    friend bool operator==(const ZoomView&, const ZoomView&) = default;
};

class ZoomHistory {
public:
    static constexpr size_t kDepth = 32;

    // Remembers the stretch as it is now, unless it is the one remembered last.
    void Push(const ZoomController& zoom);
    // Puts the zoom back to the last stretch remembered (skipping ones equal to
    // the present); false when there is none.
    bool Back(ZoomController& zoom, int64_t recordLength);
    size_t Size() const { return views_.size(); }
    void Clear() { views_.clear(); }

private:
    std::deque<ZoomView> views_;
};

}  // namespace kivelo
