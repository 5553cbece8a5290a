#include "RtmWriter.h"

#include <algorithm>
#include <climits>
#include <bit>
#include <cstring>
#include <vector>

#include "ChunkWriter.h"
#include "WvfWriter.h"

namespace kivelo::wavegen {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b) != 0 && ((a < 0) != (b < 0)) ? 1 : 0); }

bool PowerOfTwoCount(uint32_t f) {
    const int n = std::popcount(f);
    return n > 0 && (n & (n - 1)) == 0;
}

// Channel number of each frame slot.
std::vector<int> SlotChannels(const RtmDesc& s) {
    std::vector<int> slots;
    const uint32_t f = RtmFrameChannels(s);
    for (int c = 0; c < 32; ++c) {
        if (f & (1u << c)) slots.push_back(c);
    }
    return slots;
}

// Sample p of a region from the acquisition samples rawAt(i).
template <class RawAt>
int64_t ReducedSample(const RtmDesc& s, const SampleType& type, int region, int64_t p, RawAt rawAt) {
    const int64_t d = kRtmDivisors[static_cast<std::size_t>(region)];
    if (d == 1 || s.reduction == RtmReduction::Decimate) return rawAt(p * d);
    auto key = [&](int64_t raw) {
        return type.kind == TypeKind::Float ? static_cast<double>(std::bit_cast<float>(static_cast<uint32_t>(raw)))
                                            : static_cast<double>(raw);
    };
    const int64_t first = FloorDiv(p, 2) * 2 * d;
    int64_t best = rawAt(first);
    for (int64_t i = first + 1; i < first + 2 * d; ++i) {
        const int64_t v = rawAt(i);
        if ((p & 1) ? key(v) > key(best) : key(v) < key(best)) best = v;
    }
    return best;
}

// Everything needed to produce region bytes quickly.
class RegionFiller {
public:
    RegionFiller(const RtmDesc& s, int region)
        // clang-format off
        : desc_(s), region_(region), type_(RtmSampleType(s)), slots_(SlotChannels(s)),
          frameBytes_(RtmFrameBytes(s)), frame_(static_cast<std::size_t>(frameBytes_)) {
        // clang-format on
        const int64_t n = RtmRegionSamples(s, region);
        const int64_t stepBytes = frameBytes_ / 2;
        const int64_t room = RtmRegionBytes(s, region) - stepBytes * n;
        firstFrame_ = frameBytes_ > 0 ? std::max<int64_t>(room, 0) / frameBytes_ : 0;
        for (int c : slots_) sources_.emplace_back(s.signal, type_, c, 0, IsBigEndian(s.header));
    }

    // Logical bytes [a, a + n) of the region (frames continue past its end).
    void Bytes(int64_t a, int64_t n, uint8_t* out) {
        if (frameBytes_ == 0) {
            std::memset(out, 0, static_cast<std::size_t>(n));
            return;
        }
        int64_t j = FloorDiv(a, frameBytes_);
        int64_t off = a - j * frameBytes_;
        while (n > 0) {
            MakeFrame(j++);
            const int64_t k = std::min(frameBytes_ - off, n);
            std::memcpy(out, frame_.data() + off, static_cast<std::size_t>(k));
            out += k;
            n -= k;
            off = 0;
        }
    }

    int64_t FirstFrame() const { return firstFrame_; }

private:
    void MakeFrame(int64_t j) {
        const int w = type_.width;
        uint8_t* dst = frame_.data();
        for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
            for (int e = 0; e < 2; ++e, dst += w) {
                const int64_t p = 2 * (j - firstFrame_) + e;
                EncodeSample(static_cast<uint64_t>(Sample(slot, p)), w, IsBigEndian(desc_.header), dst);
            }
        }
    }

    int64_t Sample(std::size_t slot, int64_t p) const {
        const SignalSource& src = sources_[slot];
        return ReducedSample(desc_, type_, region_, p, [&](int64_t i) { return src.Raw(i); });
    }

    const RtmDesc& desc_;
    int region_;
    SampleType type_;
    std::vector<int> slots_;
    int64_t frameBytes_;
    std::vector<uint8_t> frame_;
    std::vector<SignalSource> sources_;
    int64_t firstFrame_ = 0;
};

void WriteRegion(ChunkWriter& out, const RtmDesc& s, int region) {
    RegionFiller filler(s, region);
    const int64_t size = RtmRegionBytes(s, region);
    const RtmRegion& reg = s.regions[static_cast<std::size_t>(region)];
    const int64_t start = reg.ring && size > 0 ? ((reg.ringStart % size) + size) % size : 0;
    // Physical [0, start) holds the logical tail, [start, size) the logical head.
    auto copy = [&](int64_t logical, int64_t n) {
        const auto chunk = static_cast<int64_t>(out.Capacity());
        for (int64_t done = 0; done < n; done += chunk) {
            const int64_t k = std::min(chunk, n - done);
            filler.Bytes(logical + done, k, out.Reserve(static_cast<std::size_t>(k)));
        }
    };
    copy(size - start, start);
    copy(0, size - start);
}

}  // namespace

SampleType RtmSampleType(const RtmDesc& s) {
    SampleType t = ParseSampleType(s.type.empty() ? "IS" + std::to_string(s.bytesPerSample) : s.type);
    t.width = std::clamp(s.bytesPerSample, 1, 8);
    return t;
}

uint32_t RtmFrameChannels(const RtmDesc& s) {
    if (s.dspChAttr) {
        uint32_t f = *s.dspChAttr;
        for (int bit = 0; bit < 32 && !PowerOfTwoCount(f); ++bit) f |= 1u << bit;
        return f;
    }
    uint32_t f = s.channelMask & 0xFFu;
    if (std::popcount(f) > 4) return 0xFFu;
    if (std::popcount(f) == 3) {
        for (int bit : {0, 4, 2, 6}) {
            if (!(f & (1u << bit))) return f | (1u << bit);
        }
    }
    return f;
}

int RtmChannelCount(const RtmDesc& s) { return std::popcount(RtmFrameChannels(s)); }

int64_t RtmFrameBytes(const RtmDesc& s) { return 2LL * RtmChannelCount(s) * RtmSampleType(s).width; }

int64_t RtmRegionSamples(const RtmDesc& s, int region) {
    return s.samples / kRtmDivisors[static_cast<std::size_t>(region)];
}

int64_t RtmRegionFrames(const RtmDesc& s, int region) {
    const RtmRegion& r = s.regions[static_cast<std::size_t>(region)];
    return r.frames >= 0 ? r.frames : (RtmRegionSamples(s, region) + 1) / 2;
}

int64_t RtmRegionBytes(const RtmDesc& s, int region) {
    const RtmRegion& r = s.regions[static_cast<std::size_t>(region)];
    return RtmRegionFrames(s, region) * RtmFrameBytes(s) + std::max<int64_t>(r.extraBytes, 0);
}

int64_t RtmRegionStart(const RtmDesc& s, int region) {
    int64_t start = 0;
    for (int r = 0; r < region; ++r) start += RtmRegionBytes(s, r);
    return start;
}

int64_t RtmFileSize(const RtmDesc& s) { return RtmRegionStart(s, 3) + kRtmTailBytes; }

int64_t RtmRawSample(const RtmDesc& s, int channel, int region, int64_t p) {
    const SampleType type = RtmSampleType(s);
    const int64_t raw =
        ReducedSample(s, type, region, p, [&](int64_t i) { return RawSample(s.signal, type, channel, 0, i); });
    // What a reader decodes from the stored bytes.
    uint8_t bytes[8];
    EncodeSample(static_cast<uint64_t>(raw), type.width, false, bytes);
    return DecodeSample(bytes, type, false);
}

int64_t RtmLogicalOffset(const RtmDesc& s, int region, int slot, int64_t p) {
    const int64_t fb = RtmFrameBytes(s);
    if (fb == 0) return 0;
    const int64_t w = RtmSampleType(s).width;
    const int64_t room = RtmRegionBytes(s, region) - fb / 2 * RtmRegionSamples(s, region);
    const int64_t first = std::max<int64_t>(room, 0) / fb;
    return (first + FloorDiv(p, 2)) * fb + slot * 2 * w + (p & 1) * w;
}

int64_t RtmFileOffset(const RtmDesc& s, int region, int slot, int64_t p) {
    const int64_t size = RtmRegionBytes(s, region);
    int64_t l = RtmLogicalOffset(s, region, slot, p);
    const RtmRegion& r = s.regions[static_cast<std::size_t>(region)];
    if (r.ring && size > 0) l = ((l + r.ringStart) % size + size) % size;
    return RtmRegionStart(s, region) + l;
}

uint16_t RtmChannelWord(uint32_t mask) {
    uint16_t word = 0;
    for (int k = 0; k < 16; ++k) {
        if (mask & (1u << k)) word |= static_cast<uint16_t>(1u << (15 - k));
    }
    return word;
}

RtmTrailer RtmComputedTrailer(const RtmDesc& s) {
    RtmTrailer t;
    t.channels = static_cast<uint16_t>(RtmChannelCount(s));
    t.bytesPerSample = static_cast<uint16_t>(RtmSampleType(s).width);
    for (std::size_t r = 0; r < 3; ++r) {
        t.ringFlag[r] = s.regions[r].ring ? 1 : 0;
        t.ringStart[r] = static_cast<uint32_t>(s.regions[r].ringStart);
    }
    return t;
}

std::array<uint8_t, kRtmTrailerBytes> EncodeRtmTrailer(const RtmTrailer& t, bool bigEndian) {
    std::array<uint8_t, kRtmTrailerBytes> b{};
    EncodeSample(t.channels, 2, bigEndian, &b[0]);
    EncodeSample(t.bytesPerSample, 2, bigEndian, &b[4]);
    for (std::size_t r = 0; r < 3; ++r) {
        EncodeSample(t.ringFlag[r], 2, bigEndian, &b[8 + 2 * r]);
        EncodeSample(t.ringStart[r], 4, bigEndian, &b[16 + 4 * r]);
    }
    return b;
}

Result WriteRtm(const std::string& dataPath, const RtmDesc& s) {
    // The header gives region offsets and sizes as 32-bit integers: a larger file could not be read.
    if (!s.headerSizes && RtmRegionBytes(s, 0) + RtmRegionBytes(s, 1) + RtmRegionBytes(s, 2) > INT32_MAX)
        return Result::Fail("the regions of " + std::to_string(s.samples) +
                            " samples need more than 2147483647 bytes, the most a realtime header can describe");
    std::vector<TraceDesc> traces;
    for (int c = 0; c < 32; ++c) {
        if (!(s.channelMask & (1u << c))) continue;
        TraceDesc t;
        t.name = "CH" + std::to_string(c + 1);
        t.type = RtmSampleType(s).token;
        t.signal = s.signal;
        traces.push_back(t);
    }
    std::optional<PrivateKeys> keys;
    if (s.privateKeys) {
        const std::array<int64_t, 3> sizes = s.headerSizes.value_or(
            std::array<int64_t, 3>{RtmRegionBytes(s, 0), RtmRegionBytes(s, 1), RtmRegionBytes(s, 2)});
        keys = PrivateKeys{0, sizes[0], sizes[0] + sizes[1], sizes[0], sizes[1], sizes[2], s.dspChAttr};
    }
    const std::string text = BuildHeader(
        s.header, traces, 1, [&](int, int) { return s.samples; }, keys);
    if (Result r = WriteHeaderFile(HeaderPathFor(dataPath), text); !r) return r;

    ChunkWriter out(dataPath);
    if (!out.Ok()) return Result::Fail("cannot create " + dataPath);
    for (int r = 0; r < 3; ++r) WriteRegion(out, s, r);
    const bool big = IsBigEndian(s.header);
    std::array<uint8_t, 2> word{};
    if (s.channelWord) EncodeSample(RtmChannelWord(s.channelMask), 2, big, word.data());
    out.Write(word.data(), word.size());
    out.Fill(s.fillByte, kRtmTailBytes - 2 - kRtmTrailerBytes);
    const auto trailer = EncodeRtmTrailer(s.trailer.value_or(RtmComputedTrailer(s)), big);
    out.Write(trailer.data(), trailer.size());
    if (!out.Finish()) return Result::Fail("write failed: " + dataPath);
    return {};
}

}  // namespace kivelo::wavegen
