#pragma once
// What the display keeps of the open waveform document.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "wavefile/WaveRecords.h"

namespace kivelo {

struct DisplayDocument {
    static constexpr int kMaxRecords = 1000;

    bool loaded = false;
    uint64_t generation = 0;   // changes with every document, so held points go stale
    int64_t recordLength = 0;  // L
    int recordCount = 0;
    int currentRecord = 0;
    std::vector<std::string> dateTexts;
    std::vector<std::string> timeTexts;
    std::array<uint8_t, kMaxRecords> overlayMarks{};
    HorzInfo horz;
    std::string model;
    bool bitOrderModel = false;  // QV810/818/818E/826: stamps are the end of acquisition
    bool byteWideLogic = false;  // QV4300
    bool byteWideData = false;   // QV7010

    const std::string& DateText(int record) const;
    const std::string& TimeText(int record) const;
    // Vertical zoom a trace returns to by default.
    double DefaultVerticalZoom() const { return byteWideData || byteWideLogic ? 1.0 : 1.024; }
};

}  // namespace kivelo
