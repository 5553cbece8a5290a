#include "wavefile/CRtmFile.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>

#include "common/ClampToInt.h"

namespace kivelo {

namespace {

// Positions beyond this cannot be turned into byte offsets safely.
constexpr int64_t kMaxPosition = int64_t{1} << 40;

uint32_t Field(const uint8_t* p, int width, bool little) {
    uint32_t v = 0;
    for (int k = 0; k < width; ++k) v |= uint32_t{p[little ? k : width - 1 - k]} << (8 * k);
    return v;
}

bool PowerOfTwoCount(uint32_t f) {
    const int n = std::popcount(f);
    return n > 0 && (n & (n - 1)) == 0;
}

}  // namespace

CRtmFile::CRtmFile(const std::string& path, int64_t cacheCapacity) { CRtmFile::Open(path, cacheCapacity); }

// ---- open and layout --------------------------------------------------------

int CRtmFile::Open(const std::string& path, int64_t cacheCapacity) {
    const int result = CWaveFile::Open(path, cacheCapacity);
    if (result != kOpenOk) return result;
    if (!header_ || header_->GetPrivateInfo(private_) != kFileOk) {
        ResetState();
        return OpenFailed(kOpenNoRecords, path + ": its header's records cannot be read");
    }
    const int64_t fileSize = data_.Size();
    std::array<uint8_t, kTrailerBytes> raw{};
    if (fileSize < kTrailerBytes || data_.ReadAt(fileSize - kTrailerBytes, raw) != kTrailerBytes) {
        ResetState();
        // No trailer: nothing says how to read the regions.
        return OpenFailed(kOpenNoData, path + ": " + std::to_string(std::max<int64_t>(fileSize, 0)) +
                                           " bytes hold no complete trailer of " + std::to_string(kTrailerBytes) +
                                           " bytes (a read error or the data is shorter than the header says)");
    }
    const bool little = FileIsLittleEndian();

    uint32_t mask = 0;
    if (private_.DspChAttrPresent) {
        mask = static_cast<uint32_t>(private_.DspChAttr);
    } else {
        // The channel word lists channel 0 in its top bit.
        std::array<uint8_t, 2> word{};
        if (fileSize >= kChannelWordFromEnd && data_.ReadAt(fileSize - kChannelWordFromEnd, word) == 2) {
            const uint32_t w = Field(word.data(), 2, little);
            for (int k = 0; k < 16; ++k)
                if (w & (1u << (15 - k))) mask |= 1u << k;
        }
    }
    channelMask_ = mask;

    trailer_ = RtmTrailer{};
    trailer_.channels = static_cast<uint16_t>(Field(&raw[0], 2, little));
    trailer_.bytesPerSample = static_cast<uint16_t>(Field(&raw[4], 2, little));
    for (int r = 0; r < kRegionCount; ++r) {
        trailer_.ringFlag[static_cast<std::size_t>(r)] = static_cast<uint16_t>(Field(&raw[8 + 2 * r], 2, little));
        trailer_.ringStart[static_cast<std::size_t>(r)] = Field(&raw[16 + 4 * r], 4, little);
    }

    // Negative sizes describe nothing; the regions lie back to back from offset 0.
    const std::array<int32_t, kRegionCount> sizes{private_.AcqDataSize, private_.PPDataSize, private_.DspDataSize};
    int64_t base = 0;
    for (std::size_t r = 0; r < sizes.size(); ++r) {
        regionBase_[r] = base;
        regionSize_[r] = std::max<int32_t>(sizes[r], 0);
        base += regionSize_[r];
    }
    currentRegion_ = 0;
    NoteShortRegions(fileSize, base);
    return kOpenOk;
}

void CRtmFile::NoteShortRegions(int64_t fileSize, int64_t regionBytes) {
    shortTraces_.clear();
    dataFileBytes_ = fileSize;
    describedBytes_ = regionBytes + kTrailerBytes;
    if (fileSize >= describedBytes_ || regionSize_[0] <= 0) return;
    // Every trace is stored in every frame of the regions: all lose the same share.
    const int64_t acquired = std::clamp<int64_t>(fileSize - regionBase_[0], 0, regionSize_[0]);
    for (int t = 0; t < GetTraceTotalNumber(); ++t) {
        TraceInfo info;
        if (GetTraceInfo(t, info) != kFileOk || info.BlockSizes.empty()) continue;
        const int64_t expected = info.BlockSizes[0];
        const int64_t present = expected * acquired / regionSize_[0];
        shortTraces_.push_back(ShortTrace{t, 0, 0, expected, std::min(present, expected)});
    }
}

uint32_t CRtmFile::FrameChannelSet() const {
    if (private_.DspChAttrPresent) {
        // Completed to 1, 2, 4, ... channels by taking the lowest missing ones.
        uint32_t f = static_cast<uint32_t>(private_.DspChAttr);
        for (int bit = 0; bit < 32 && !PowerOfTwoCount(f); ++bit) f |= 1u << bit;
        return f;
    }
    uint32_t f = channelMask_ & 0xFFu;
    if (std::popcount(f) > 4) return 0xFFu;
    if (std::popcount(f) == 3) {
        for (int bit : {0, 4, 2, 6}) {
            if (!(f & (1u << bit))) return f | (1u << bit);
        }
    }
    return f;
}

int CRtmFile::FrameSlotOf(int trace) const {
    if (trace < 0) return -1;
    int channel = std::popcount(channelMask_);
    for (int bit = 0, seen = 0; bit < 32; ++bit) {
        if (!(channelMask_ & (1u << bit))) continue;
        if (seen++ == trace) {
            channel = bit;
            break;
        }
    }
    const uint32_t upTo = channel >= 31 ? ~0u : (2u << channel) - 1;
    return std::popcount(FrameChannelSet() & upTo) - 1;
}

int32_t CRtmFile::BlockSizeAt(const Place& at) const {
    if (!RegionValid(at.region)) return 0;
    return static_cast<int32_t>(CWaveFile::BlockSizeAt(at) / kDivisors[static_cast<std::size_t>(at.region)]);
}

int32_t CRtmFile::GetRegionBlockSize(int region, int trace) const { return BlockSizeAt({0, trace, region, false}); }

int64_t CRtmFile::RegionSize(int region) const {
    return RegionValid(region) ? regionSize_[static_cast<std::size_t>(region)] : 0;
}

bool CRtmFile::FramesReadable(const Place& at) const {
    if (!Readable(at) || !RegionValid(at.region)) return false;
    // Frames are laid out in S-byte samples; a trace of another width can't be unpacked.
    const int slot = FrameSlotOf(at.trace);
    return trailer_.channels > 0 && trailer_.bytesPerSample == WidthOf(at.trace) && slot >= 0 &&
           slot < trailer_.channels;
}

// ---- raw and cached reads ---------------------------------------------------

int64_t CRtmFile::InRegion(int region, int64_t pos, int64_t count, std::size_t bufferBytes) const {
    const int64_t size = RegionSize(region);
    if (pos < 0 || pos >= size) return 0;
    // Never deliver the next region's bytes as samples of this one.
    return std::clamp<int64_t>(std::min(count, static_cast<int64_t>(bufferBytes)), 0, size - pos);
}

int CRtmFile::ReadRawAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                        int64_t& bytesRead) const {
    bytesRead = 0;
    if (!RegionValid(at.region)) return 0;
    count = InRegion(at.region, pos, count, buffer.size());
    if (count == 0) return -1;
    const int64_t got = data_.ReadAt(regionBase_[static_cast<std::size_t>(at.region)] + pos,
                                     buffer.first(static_cast<std::size_t>(count)));
    if (got < 0) return 0;
    bytesRead = got;
    return -1;
}

int CRtmFile::ReadCachedAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                           int64_t& bytesRead) const {
    bytesRead = 0;
    if (!RegionValid(at.region)) return 0;
    count = InRegion(at.region, pos, count, buffer.size());
    if (count == 0) return -1;
    const int64_t size = RegionSize(at.region);
    const auto r = static_cast<std::size_t>(at.region);
    if (trailer_.ringFlag[r] != 1) return CachedWindowRead(at, pos, count, buffer, bytesRead, size - 1);

    // Ring: logical byte L lives at (L + ring start) modulo the region size.
    int64_t p = pos + static_cast<int64_t>(trailer_.ringStart[r] % static_cast<uint64_t>(size));
    if (p >= size) p -= size;
    if (p + count <= size) return CachedWindowRead(at, p, count, buffer, bytesRead, size - 1);
    const int64_t first = size - p;
    int64_t got = 0;
    int result = CachedWindowRead(at, p, first, buffer.first(static_cast<std::size_t>(first)), got, size - 1);
    bytesRead = got;
    if (result != kFileOk || got < first) return result;  // a gap would misplace the rest
    result = CachedWindowRead(at, 0, count - first, buffer.subspan(static_cast<std::size_t>(first)), got, size - 1);
    bytesRead += got;
    return result;
}

// ---- sample reads -----------------------------------------------------------

void CRtmFile::ConvertAt(const Place& at, int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src,
                         int64_t count) const {
    const int slot = FrameSlotOf(at.trace);
    if (width <= 0 || slot < 0 || trailer_.channels == 0 || slot >= trailer_.channels) return;
    const int64_t pair = 2 * int64_t{width};
    const int64_t frameBytes = pair * trailer_.channels;
    const int64_t frames = std::min(count / 2, static_cast<int64_t>(src.size()) / frameBytes);
    if (frames <= 0) return;
    ScratchPool<uint8_t>::Lease gathered(scratch_);
    const std::span<uint8_t> pairs = gathered.First(frames * pair);
    const uint8_t* in = src.data() + slot * pair;
    uint8_t* out = pairs.data();
    for (int64_t f = 0; f < frames; ++f, in += frameBytes, out += pair) {
        std::memcpy(out, in, static_cast<std::size_t>(pair));
    }
    CWaveFile::ConvertAt(at, code, width, dst, pairs, frames * 2);
}

int CRtmFile::ReadRegion(int region, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                         int code, bool asStored) const {
    return ReadDataAt({0, trace, region, asStored}, pos, count, dst, outCount, code);
}

int CRtmFile::ReadDataAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                         int code) const {
    outCount = 0;
    if (!FramesReadable(at)) return 0;
    const int w = WidthOf(at.trace);
    const int outSize = OutputSize(code, w);
    if (outSize == 0 || pos < 0 || count < 0) return 0;
    count = std::min(count, static_cast<int64_t>(dst.size()) / outSize);
    count -= count % 2;  // whole pairs only
    if (count == 0 || pos > kMaxPosition) return -1;

    // The newest n samples end the region; positions count from the oldest of them.
    const int64_t step = SampleStep();
    const int64_t frameBytes = 2 * step;
    const int64_t logical = FrameStart(at, pos);

    const int64_t bytes = step * count;
    ScratchPool<uint8_t>::Lease frames(scratch_);
    const std::span<uint8_t> raw = frames.First(bytes);
    int64_t got = 0;
    const int result = ReadCachedAt(at, logical, bytes, raw, got);
    if (result != kFileOk) return result;
    // Only whole frames carry a whole pair of the trace.
    outCount = got / frameBytes * 2;
    ConvertAt(at, code, w, dst, raw.first(static_cast<std::size_t>(got)), outCount);
    return -1;
}

int64_t CRtmFile::FrameStart(const Place& at, int64_t pos) const {
    const int64_t step = SampleStep();
    int64_t logical = step * pos + std::max<int64_t>(RegionSize(at.region) - step * BlockSizeAt(at), 0);
    return logical - logical % (2 * step);
}

void CRtmFile::StreamSpan(const Place& at, int64_t pos, int64_t count, int64_t& first, int64_t& delivered) const {
    first = 0;
    delivered = 0;
    if (SampleStep() <= 0 || pos < 0 || pos > kMaxPosition) return;
    first = (FrameStart(at, pos) - FrameStart(at, 0)) / SampleStep();
    delivered = std::max<int64_t>(count - count % 2, 0);
}

bool CRtmFile::DescribeStream(const Place& at, SummaryKey& key) const {
    if (!FramesReadable(at)) return false;
    const auto r = static_cast<std::size_t>(at.region);
    const TraceInfo& ti = traces_[static_cast<std::size_t>(at.trace)];
    key.layout[0] = 2;  // the pairs of one frame slot in a region
    key.layout[1] = at.region;
    key.layout[2] = regionBase_[r];
    key.layout[3] = regionSize_[r];
    key.layout[4] = trailer_.ringFlag[r];
    key.layout[5] = trailer_.ringStart[r];
    key.layout[6] = trailer_.channels;
    key.layout[7] = trailer_.bytesPerSample;
    key.layout[8] = FrameSlotOf(at.trace);
    key.layout[9] = BlockSizeAt(at);
    key.layout[10] = ti.DataWidth;
    key.layout[11] = ti.DataKind;
    key.layout[12] = NeedsSwap(at) ? 1 : 0;
    return true;
}

// ---- envelope reads ---------------------------------------------------------

int CRtmFile::EnvelopeInRegion(const Place& at, int region, int stepCode, int64_t pos, int64_t count,
                               std::span<uint8_t> dst, int64_t& outCount, int code) const {
    return CWaveFile::ReadEnvelopeAt({at.block, at.trace, region, at.asStored}, stepCode, pos, count, dst, outCount,
                                     code);
}

int CRtmFile::ReadEnvelopeRatioAt(const Place& at, int ratio, int64_t pos, int64_t count, std::span<uint8_t> dst,
                                  int64_t& outCount, int code) const {
    const int64_t r = ratio;
    if (r >= 1000) {
        const int step = ClampToInt(static_cast<int64_t>(std::trunc(static_cast<double>(r) * 256.0 * 0.002)));
        return EnvelopeInRegion(at, 2, step, pos / 1000, count / 1000, dst, outCount, code);
    }
    if (r < 100) return EnvelopeInRegion(at, 0, ClampToInt(r * 512), pos, count, dst, outCount, code);
    return EnvelopeInRegion(at, 1, ClampToInt(r * 256 / 50), pos / 100, count / 100, dst, outCount, code);
}

bool CRtmFile::ExpectedHere(const Place& at, EnvelopeRead& read) const {
    const int r = read.stepCode / 512;
    const int region = r >= 1000 ? 2 : r < 100 ? 0 : 1;
    const int64_t divisor = kDivisors[static_cast<std::size_t>(region)];
    read.stepCode = static_cast<int>(read.stepCode / divisor);
    read.pos /= divisor;
    read.count /= divisor;
    return region == at.region;
}

int CRtmFile::ReadEnvelopeAt(const Place& at, int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                             int64_t& outCount, int code) const {
    const int r = stepCode / 512;
    if (r >= 1000) return EnvelopeInRegion(at, 2, stepCode / 1000, pos / 1000, count / 1000, dst, outCount, code);
    if (r < 100) return EnvelopeInRegion(at, 0, stepCode, pos, count, dst, outCount, code);
    return EnvelopeInRegion(at, 1, stepCode / 100, pos / 100, count / 100, dst, outCount, code);
}

}  // namespace kivelo
