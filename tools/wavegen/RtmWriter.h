#pragma once
// Realtime .rtm files: three regions of interleaved frames (full rate, reduced
// 100 and 1,000 times), each linear or a ring, then a 1,974-byte tail holding
// the channel word at its start and the 28-byte trailer at its end.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "Result.h"
#include "WaveHeader.h"

namespace kivelo::wavegen {

inline constexpr int64_t kRtmTailBytes = 1974;  // channel word at file size - 1,974
inline constexpr int64_t kRtmTrailerBytes = 28;
inline constexpr std::array<int64_t, 3> kRtmDivisors{1, 100, 1000};

struct RtmRegion {
    int64_t frames = -1;     // capacity in frames; -1: just enough for the newest samples
    int64_t extraBytes = 0;  // bytes appended after the frames (a partial frame)
    bool ring = false;
    int64_t ringStart = 0;  // byte offset of the oldest data within the region
};

enum class RtmReduction {
    Decimate,  // sample p of region r is acquisition sample p x divisor
    MinMax,    // pair k of region r is (min, max) of acquisition samples [2k d, 2k d + 2d)
};

struct RtmTrailer {
    uint16_t channels = 0;        // C: channels per frame
    uint16_t bytesPerSample = 0;  // S
    std::array<uint16_t, 3> ringFlag{};
    std::array<uint32_t, 3> ringStart{};
};

struct RtmDesc {
    HeaderOptions header = [] {
        HeaderOptions h;
        h.model = "QV818";
        return h;
    }();
    uint32_t channelMask = 0x0F;        // channels present: trace t is the t-th set bit
    std::optional<uint32_t> dspChAttr;  // in the header; without it the channel word says the mask
    bool channelWord = true;            // write the channel word (bit-reversed mask)
    int bytesPerSample = 2;
    std::string type;         // VDataType; empty: "IS<S>"
    SignalDesc signal;        // channel c uses this signal with channel number c
    int64_t samples = 20000;  // acquisition samples per channel (header BlockSize)
    std::array<RtmRegion, 3> regions;
    RtmReduction reduction = RtmReduction::Decimate;
    bool privateKeys = true;
    std::optional<std::array<int64_t, 3>> headerSizes;  // written instead of the real region sizes
    std::optional<RtmTrailer> trailer;                  // written instead of the computed one
    uint8_t fillByte = 0xEE;                            // unused bytes of the tail
};

SampleType RtmSampleType(const RtmDesc& s);
// Frame channel set: which channels have a slot in every frame (slot order = bit order).
uint32_t RtmFrameChannels(const RtmDesc& s);
int RtmChannelCount(const RtmDesc& s);                   // set bits of the frame channel set
int64_t RtmFrameBytes(const RtmDesc& s);                 // 2 x C x S
int64_t RtmRegionSamples(const RtmDesc& s, int region);  // samples / divisor
int64_t RtmRegionFrames(const RtmDesc& s, int region);
int64_t RtmRegionBytes(const RtmDesc& s, int region);
int64_t RtmRegionStart(const RtmDesc& s, int region);  // file offset of the region
int64_t RtmFileSize(const RtmDesc& s);
// Sample p of a channel in a region, counted from the oldest of the newest
// RtmRegionSamples samples (negative p: older data still in the region).
int64_t RtmRawSample(const RtmDesc& s, int channel, int region, int64_t p);
// Byte offset within the region (before the ring rotation) of sample p of a frame slot.
int64_t RtmLogicalOffset(const RtmDesc& s, int region, int slot, int64_t p);
// File offset of that sample after the ring rotation.
int64_t RtmFileOffset(const RtmDesc& s, int region, int slot, int64_t p);
uint16_t RtmChannelWord(uint32_t mask);
RtmTrailer RtmComputedTrailer(const RtmDesc& s);
std::array<uint8_t, kRtmTrailerBytes> EncodeRtmTrailer(const RtmTrailer& t, bool bigEndian);

// Writes the data file (streamed) and the header at HeaderPathFor(dataPath).
Result WriteRtm(const std::string& dataPath, const RtmDesc& s);

}  // namespace kivelo::wavegen
