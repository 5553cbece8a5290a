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

    int Open(const std::string& path, int64_t cacheCapacity) override;

    // Samples of a trace in a data region (0 acquisition, 1 PP, 2 display; any
    // other reads nothing), read as ReadData reads the acquisition region; with
    // asStored, 2- and 4-byte samples keep the file's byte order.
    int ReadRegion(int region, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                   int code, bool asStored = false) const;
    // Samples of a trace in a data region.
    int32_t GetRegionBlockSize(int region, int trace) const;

    // Data region read by the reads that take no trace: 0 acquisition, 1 PP,
    // 2 display. Any other number reads nothing.
    void SelectRegion(int region) { currentRegion_ = region; }
    int GetRegion() const { return currentRegion_; }
    const HdrPrivateInfo& GetPrivateInfo() const { return private_; }
    const RtmTrailer& GetTrailer() const { return trailer_; }
    // Slot of the current trace's channel within a frame; -1 when it has none.
    int GetFrameSlot() const { return FrameSlotOf(currentTrace_); }

protected:
    // A realtime file has one block: the reads taking a block read block 0.
    Place PlaceOf(int, int trace) const override { return {0, trace, 0, false}; }
    int32_t BlockSizeAt(const Place& at) const override;
    int ReadRawAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                  int64_t& bytesRead) const override;
    int ReadCachedAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                     int64_t& bytesRead) const override;
    void ConvertAt(const Place& at, int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src,
                   int64_t count) const override;
    int ReadDataAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                   int code) const override;
    // Reads the region their step code or ratio chooses.
    int ReadEnvelopeAt(const Place& at, int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                       int64_t& outCount, int code) const override;
    int ReadEnvelopeRatioAt(const Place& at, int ratio, int64_t pos, int64_t count, std::span<uint8_t> dst,
                            int64_t& outCount, int code) const override;

    // The regions' sizes are known only after the base open: checked in Open.
    bool CheckDataLength() override { return true; }
    // Reads start at whole frames (pairs of samples) and deliver whole pairs.
    void StreamSpan(const Place& at, int64_t pos, int64_t count, int64_t& first, int64_t& delivered) const override;
    bool DescribeStream(const Place& at, SummaryKey& key) const override;
    // Reads go to the region their step code chooses.
    bool ExpectedHere(const Place& at, EnvelopeRead& read) const override;
    // Frames interleave the channels: a trace's samples are never contiguous.
    bool ContiguousRecord(const Place&, int64_t& offset) const override { return false; }

private:
    // Notes every trace as short when the file ends before its regions and trailer.
    void NoteShortRegions(int64_t fileSize, int64_t regionBytes);
    // Logical byte position within the region where ReadData(pos) starts.
    int64_t FrameStart(const Place& at, int64_t pos) const;
    static bool RegionValid(int region) { return region >= 0 && region < kRegionCount; }
    int64_t RegionSize(int region) const;
    // Bytes of a request at region position pos that lie in the region and the buffer.
    int64_t InRegion(int region, int64_t pos, int64_t count, std::size_t bufferBytes) const;
    // Byte step of one sample of all channels (C x S).
    int64_t SampleStep() const { return int64_t{trailer_.channels} * trailer_.bytesPerSample; }
    // Frames hold the place's trace: channels, sample size and slot agree.
    bool FramesReadable(const Place& at) const;
    // Slot of a trace's channel within a frame; -1 when it has none.
    int FrameSlotOf(int trace) const;
    uint32_t FrameChannelSet() const;
    // The CWaveFile envelope read of the place's trace in a region.
    int EnvelopeInRegion(const Place& at, int region, int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                         int64_t& outCount, int code) const;

    HdrPrivateInfo private_;
    RtmTrailer trailer_;
    std::array<int64_t, kRegionCount> regionSize_{};
    std::array<int64_t, kRegionCount> regionBase_{};
};

}  // namespace kivelo
