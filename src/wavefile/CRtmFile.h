#pragma once
// A realtime (.rtm) file: the recorded channels interleaved frame by frame in
// three regions (full rate, reduced 100 and 1,000 times), each possibly a ring
// buffer, described by a 28-byte trailer at the end of the file.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "wavefile/CWaveFile.h"

namespace kivelo {

// The file's trailer, in host byte order.
struct RtmTrailer {
    uint16_t channels = 0;                // C, channels per frame
    uint16_t bytesPerSample = 0;          // S
    std::array<uint16_t, 3> ringFlag{};   // 1: the region is a ring buffer
    std::array<uint32_t, 3> ringStart{};  // byte offset of the region's oldest data
};

class CRtmFile : public CWaveFile {
public:
    static constexpr int kRegionCount = 3;
    static constexpr std::array<int64_t, kRegionCount> kDivisors{1, 100, 1000};
    static constexpr int64_t kTrailerBytes = 28;
    static constexpr int64_t kChannelWordFromEnd = 1974;

    CRtmFile() = default;
    // Opens at once; IsOpen() tells success.
    CRtmFile(const std::string& path, int64_t cacheCapacity);

    using CWaveFile::ReadData;
    using CWaveFile::ReadEnvelope;
    using CWaveFile::ReadEnvelopeRatio;

    int ReadRaw(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead) override;
    int ReadCached(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead) override;
    void ConvertSamples(int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src,
                        int64_t count) override;
    int Open(const std::string& path, int64_t cacheCapacity) override;
    void SetTrace(int trace) override;
    int32_t GetBlockSize() override;

    int ReadData(int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                 int code) override;
    int ReadData(int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount, int code) override;
    int ReadEnvelopeRatio(int ratio, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                          int64_t& outCount, int code) override;
    int ReadEnvelopeRatio(int ratio, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                          int code) override;
    int ReadEnvelope(int stepCode, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                     int64_t& outCount, int code) override;
    int ReadEnvelope(int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                     int code) override;

    // Data region read by ReadData and GetBlockSize: 0 acquisition, 1 PP, 2 display.
    // Any other number reads nothing.
    void SelectRegion(int region) { currentRegion_ = region; }
    int GetRegion() const { return currentRegion_; }
    const HdrPrivateInfo& GetPrivateInfo() const { return private_; }
    const RtmTrailer& GetTrailer() const { return trailer_; }
    // Slot of the current trace's channel within a frame; -1 when it has none.
    int GetFrameSlot() const { return frameSlot_; }

protected:
    // The regions' sizes are known only after the base open: checked in Open.
    bool CheckDataLength() override { return true; }
    // Reads start at whole frames (pairs of samples) and deliver whole pairs.
    void StreamSpan(int64_t pos, int64_t count, int64_t& first, int64_t& delivered) override;
    bool DescribeStream(SummaryKey& key) override;
    // Reads go to the region their step code chooses.
    bool ExpectedHere(EnvelopeRead& read) override;
    // Frames interleave the channels: a trace's samples are never contiguous.
    bool ContiguousRecord(int64_t& offset) override { return false; }

private:
    // Notes every trace as short when the file ends before its regions and trailer.
    void NoteShortRegions(int64_t fileSize, int64_t regionBytes);
    // Logical byte position within the region where ReadData(pos) starts.
    int64_t FrameStart(int64_t pos);
    bool RegionValid() const { return currentRegion_ >= 0 && currentRegion_ < kRegionCount; }
    int64_t RegionSize() const;
    // Bytes of a request at region position pos that lie in the region and the buffer.
    int64_t InRegion(int64_t pos, int64_t count, std::size_t bufferBytes) const;
    // Byte step of one sample of all channels (C x S).
    int64_t SampleStep() const { return int64_t{trailer_.channels} * trailer_.bytesPerSample; }
    // Frames hold the current trace: channels, sample size and slot agree.
    bool FramesReadable();
    int ComputeFrameSlot(int trace) const;
    uint32_t FrameChannelSet() const;
    // Reads envelope data of a region chosen for the call, restoring the region after.
    int EnvelopeInRegion(int region, int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                         int64_t& outCount, int code);

    HdrPrivateInfo private_;
    RtmTrailer trailer_;
    std::array<int64_t, kRegionCount> regionSize_{};
    std::array<int64_t, kRegionCount> regionBase_{};
    int frameSlot_ = 0;
    std::vector<uint8_t> gatherBuffer_;
};

}  // namespace kivelo
