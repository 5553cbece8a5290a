// Realtime reader: frame slots, region layout, rings, region choice, and
// untrusted files (broken trailers, region sizes, tiny files).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "GeneratedFile.h"
#include "wavefile/CRtmFile.h"

namespace gen = kivelo::wavegen;
using kivelo::CRtmFile;

namespace {

// A generated realtime file, opened with the given cache capacity.
struct OpenedRtm : kivelo::test::GeneratedFile<CRtmFile> {
    explicit OpenedRtm(const gen::RtmDesc& desc, int64_t cache = 0)
        : GeneratedFile(
              "rec.rtm", [&](const std::string& p) { return gen::WriteRtm(p, desc); }, cache) {}
};

// Native 2-byte samples of the current trace.
std::vector<int16_t> ReadInt16(CRtmFile& f, int64_t pos, int64_t count, int* result = nullptr) {
    std::vector<uint8_t> buf(static_cast<std::size_t>(count) * 2 + 2);
    int64_t out = -1;
    const int r = f.ReadData(pos, count, buf, out, kivelo::kWidthNative);
    if (result) *result = r;
    return kivelo::test::Int16s(buf, out);
}

int16_t At(const std::vector<uint8_t>& buf, std::size_t index) {
    int16_t v;
    std::memcpy(&v, buf.data() + 2 * index, 2);
    return v;
}

// Channel c's stored samples p .. p + n - 1 of a region, as the generator wrote them.
std::vector<int16_t> Expected(const gen::RtmDesc& s, int channel, int region, int64_t p, int64_t n) {
    std::vector<int16_t> v;
    for (int64_t i = p; i < p + n; ++i) v.push_back(static_cast<int16_t>(gen::RtmRawSample(s, channel, region, i)));
    return v;
}

gen::RtmDesc CounterDesc(uint32_t mask, int64_t samples) {
    gen::RtmDesc s;
    s.channelMask = mask;
    s.samples = samples;
    s.signal.kind = gen::Signal::Counter;
    return s;
}

}  // namespace

// Which frame slot a trace reads: a wrong frame set (filling up to 4 or 8
// slots), a reversed channel word or a header attribute losing to the channel
// word reads another channel's samples.
TEST(RtmChannels, TracesReadTheirFrameSlots) {
    struct Case {
        uint32_t mask;
        std::optional<uint32_t> dspChAttr;
        int frameChannels, trace, slot, channel;
    };
    const Case cases[] = {
        {0b101010, {}, 4, 0, 1, 1},                           // frame set 0b101011; trace 0 readable right after open
        {0b101010, {}, 4, 2, 3, 5},   {0b1, {}, 1, 0, 0, 0},  // the channel word's top bit is channel 0
        {0b11010011, {}, 8, 4, 7, 7}, {0b111, 0b111, 4, 2, 2, 2},  // three channels completed to four; the header wins
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mask << " trace " << c.trace);
        gen::RtmDesc desc = CounterDesc(c.mask, 400);
        desc.dspChAttr = c.dspChAttr;
        desc.channelWord = !c.dspChAttr;
        OpenedRtm r(desc);
        ASSERT_EQ(r.openResult, -1);
        EXPECT_EQ(r.file.GetTrailer().channels, c.frameChannels);
        if (c.trace != 0) r.file.SetTrace(c.trace);
        EXPECT_EQ(r.file.GetFrameSlot(), c.slot);
        EXPECT_EQ(ReadInt16(r.file, 10, 50), Expected(desc, c.channel, 0, 10, 50));
    }
}

TEST(RtmLayout, NewestSamplesEndTheRegionBigEndianAndOddCounts) {
    gen::RtmDesc desc = CounterDesc(0b11, 300);
    desc.regions[0].frames = 500;  // 200 frames of older data first
    desc.header.endian = "Big";
    OpenedRtm r(desc);
    r.file.SetTrace(1);
    EXPECT_EQ(ReadInt16(r.file, 0, 300), Expected(desc, 1, 0, 0, 300));
    // Reads go by pairs: an odd count reads one sample less.
    EXPECT_EQ(ReadInt16(r.file, 4, 7).size(), 6u);
    EXPECT_EQ(ReadInt16(r.file, 4, 1).size(), 0u);
}

// A ring region starts its oldest data at the ring start and wraps at the
// region end, whatever the cache; a ring start beyond the region wraps inside.
TEST(RtmRing, ReadsWrapAtTheRegionEnd) {
    const struct {
        int64_t samples, ringStart, cache;  // one channel: 2 bytes per sample in the region
    } cases[] = {{5000, 9000, 0}, {5000, 9000, 65536}, {5000, 9000, 1024}, {1000, 2400, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ringStart << " cache " << c.cache);
        gen::RtmDesc desc = CounterDesc(0b1, c.samples);
        desc.regions[0].ring = true;
        desc.regions[0].ringStart = c.ringStart;
        OpenedRtm r(desc, c.cache);
        const auto file = gen::ReadFileBytes(r.path);
        const int64_t regionBytes = 2 * c.samples;
        std::vector<uint8_t> buf(2000);
        int64_t got = 0;
        ASSERT_EQ(r.file.ReadCached(0, 2000, buf, got), -1);
        ASSERT_EQ(got, 2000);
        for (int64_t i = 0; i < 2000; ++i)
            ASSERT_EQ(buf[static_cast<std::size_t>(i)],
                      file[static_cast<std::size_t>((c.ringStart % regionBytes + i) % regionBytes)])
                << i;
        EXPECT_EQ(r.file.ReadCached(regionBytes, 10, buf, got), -1);
        EXPECT_EQ(got, 0);
        EXPECT_EQ(ReadInt16(r.file, 0, c.samples), Expected(desc, 0, 0, 0, c.samples));
        EXPECT_EQ(ReadInt16(r.file, 480, 60), Expected(desc, 0, 0, 480, 60));
    }
}

TEST(RtmRegions, BlockSizeFollowsTheSelectedRegion) {
    const gen::RtmDesc desc = CounterDesc(0b1, 12345);
    OpenedRtm r(desc);
    const int64_t sizes[] = {12345, 123, 12};
    for (int region = 0; region < 3; ++region) {
        r.file.SelectRegion(region);
        EXPECT_EQ(r.file.GetBlockSize(), sizes[region]);
    }
    EXPECT_EQ(ReadInt16(r.file, 0, 12), Expected(desc, 0, 2, 0, 12));
    r.file.SelectRegion(7);  // no such region: nothing to read
    EXPECT_EQ(r.file.GetBlockSize(), 0);
    EXPECT_TRUE(ReadInt16(r.file, 0, 10).empty());
}

TEST(RtmRegions, StepCodeChoosesTheCoarsestFineEnoughRegion) {
    gen::RtmDesc desc = CounterDesc(0b1, 400000);
    desc.signal.kind = gen::Signal::Ramp;
    desc.signal.period = 1000000;  // rising throughout
    OpenedRtm r(desc);
    std::vector<uint8_t> buf(2000);
    int64_t out = 0;
    // r = 1,000: the display region with step code 512 copies its samples.
    ASSERT_EQ(r.file.ReadEnvelope(512000, 0, 0, 0, 200000, buf, out, kivelo::kWidthNative), -1);
    ASSERT_EQ(out, 200);
    EXPECT_EQ(At(buf, 37), Expected(desc, 0, 2, 37, 1)[0]);
    // r = 2: the acquisition region, copied as well.
    ASSERT_EQ(r.file.ReadEnvelope(512, 0, 0, 500, 100, buf, out, kivelo::kWidthNative), -1);
    ASSERT_EQ(out, 100);
    EXPECT_EQ(At(buf, 3), Expected(desc, 0, 0, 503, 1)[0]);
    EXPECT_EQ(r.file.GetRegion(), 0);

    // Ratio 250: 2,000 acquisition samples -> 20 PP samples -> groups of 5 -> 4 (min, max) pairs.
    ASSERT_EQ(r.file.ReadEnvelopeRatio(250, 0, 0, 1000, 2000, buf, out, kivelo::kWidthNative), -1);
    EXPECT_EQ(r.file.GetRegion(), 0);
    ASSERT_EQ(out, 8);
    const auto pp = Expected(desc, 0, 1, 10, 20);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(At(buf, 2 * k), pp[5 * k]);
        EXPECT_EQ(At(buf, 2 * k + 1), pp[5 * k + 4]);
    }
}

// Trailers that disagree with the header: the trace reads nothing, neither
// samples nor envelope, instead of reading another slot or past the frame.
TEST(RtmHostile, TrailersThatCannotBeReadGiveNothing) {
    struct Case {
        const char* what;
        uint32_t mask;
        int trace;
        std::function<void(gen::RtmTrailer&)> edit;
    };
    const Case cases[] = {
        {"zero channels", 0b11, 0, [](auto& t) { t.channels = 0; }},
        {"zero bytes per sample", 0b11, 0, [](auto& t) { t.bytesPerSample = 0; }},
        {"sample size unlike the trace", 0b1, 0, [](auto& t) { t.bytesPerSample = 4; }},
        {"slot beyond the trailer's channels", 0b1111, 3, [](auto& t) { t.channels = 2; }},
        // Channel 8 has no slot in the 8-bit frame set of a channel-word file.
        {"negative slot", 0x100, 0, [](auto& t) { t.channels = 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gen::RtmDesc desc = CounterDesc(c.mask, 100);
        gen::RtmTrailer t = gen::RtmComputedTrailer(desc);
        c.edit(t);
        desc.trailer = t;
        OpenedRtm r(desc);
        ASSERT_EQ(r.openResult, -1);
        r.file.SetTrace(c.trace);
        int result = -1;
        EXPECT_TRUE(ReadInt16(r.file, 0, 10, &result).empty());
        EXPECT_EQ(result, 0);
        std::vector<uint8_t> buf(100);
        int64_t out = 5;
        EXPECT_EQ(r.file.ReadEnvelope(1024, 0, c.trace, 0, 40, buf, out, kivelo::kWidthNative), 0);
        EXPECT_EQ(out, 0);
    }
    OpenedRtm r(CounterDesc(0x100, 100));
    EXPECT_EQ(r.file.GetFrameSlot(), -1);
}

TEST(RtmHostile, NegativeAndHugeRegionSizesNeverReadOutsideTheFile) {
    const std::array<std::array<int64_t, 3>, 3> cases{
        {{-5, -1, -100}, {INT32_MAX, INT32_MAX, INT32_MAX}, {1 << 30, -7, 1 << 30}}};
    for (const auto& sizes : cases) {
        SCOPED_TRACE(testing::Message() << "sizes " << sizes[0] << " " << sizes[1] << " " << sizes[2]);
        gen::RtmDesc desc = CounterDesc(0b11, 1000);
        desc.headerSizes = sizes;
        desc.regions[0].ring = true;
        desc.regions[0].ringStart = 40;
        OpenedRtm r(desc, 65536);
        ASSERT_EQ(r.openResult, -1);
        for (int region = 0; region < 3; ++region) {
            r.file.SelectRegion(region);
            int result = 0;
            EXPECT_LE(ReadInt16(r.file, 0, 2000, &result).size(), 2000u);
            EXPECT_EQ(result, -1);
            ReadInt16(r.file, int64_t{1} << 35, 100, &result);
            EXPECT_EQ(result, -1);
        }
        r.file.SelectRegion(0);
        std::vector<uint8_t> buf(4000);
        int64_t out = 0;
        EXPECT_EQ(r.file.ReadEnvelope(512 * 2000, 0, 0, 0, 2000000, buf, out, kivelo::kWidthNative), -1);
    }
}

TEST(RtmHostile, TinyFilesMissingKeysAndOpenResults) {
    kivelo::TempDir dir;
    const std::string path = dir.File("tiny.rtm");
    ASSERT_TRUE(gen::WriteRtm(path, CounterDesc(0b1, 10)));
    // 10 bytes: no trailer to read.
    const std::vector<uint8_t> ten(10, 0x11);
    ASSERT_TRUE(gen::WriteWholeFile(path, ten.data(), ten.size()));
    CRtmFile f;
    EXPECT_EQ(f.Open(path, 0), kivelo::kOpenNoData);
    EXPECT_FALSE(f.IsOpen());
    // 100 bytes: a trailer but no channel word; the mask is empty.
    const std::vector<uint8_t> hundred(100, 0);
    ASSERT_TRUE(gen::WriteWholeFile(path, hundred.data(), hundred.size()));
    ASSERT_EQ(f.Open(path, 0), -1);
    EXPECT_EQ(f.GetChannelMask(), 0u);
    int result = -1;
    EXPECT_TRUE(ReadInt16(f, 0, 10, &result).empty());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(f.Open(path, 0), kivelo::kOpenAlreadyOpen);
    EXPECT_EQ(CRtmFile().Open(dir.File("none.rtm"), 0), kivelo::kOpenNoHeader);

    // A header without the private keys opens but has no regions.
    gen::RtmDesc desc = CounterDesc(0b1, 100);
    desc.privateKeys = false;
    OpenedRtm r(desc);
    ASSERT_EQ(r.openResult, -1);
    EXPECT_EQ(r.file.GetPrivateInfo().Valid, 0);
    EXPECT_TRUE(ReadInt16(r.file, 0, 10, &result).empty());
    EXPECT_EQ(result, -1);
}

// A realtime file cut inside its acquisition region still opens, but names
// every trace with the share of it that is there; nothing short means no warning.
TEST(RtmHostile, ACutShortFileNamesEveryTraceAndHowMuchIsThere) {
    const gen::RtmDesc desc = CounterDesc(0b11, 20000);
    OpenedRtm whole(desc);
    ASSERT_EQ(whole.openResult, -1);
    EXPECT_TRUE(whole.file.GetShortTraces().empty());
    EXPECT_EQ(whole.file.GetShortDataWarning(), "");

    kivelo::TempDir dir;
    const std::string path = dir.File("cut.rtm");
    ASSERT_TRUE(gen::WriteRtm(path, desc));
    const int64_t cut = gen::RtmRegionStart(desc, 0) + gen::RtmRegionBytes(desc, 0) / 4;
    std::filesystem::resize_file(path, cut);
    CRtmFile f;
    ASSERT_EQ(f.Open(path, 0), -1);
    ASSERT_EQ(f.GetShortTraces().size(), 2u);
    for (const kivelo::ShortTrace& t : f.GetShortTraces()) {
        EXPECT_EQ(t.expected, 20000);
        EXPECT_EQ(t.present, 5000);
    }
    const std::string warning = f.GetShortDataWarning();
    EXPECT_NE(warning.find("W1 has 5000 of 20000 samples in block 0"), std::string::npos) << warning;
    EXPECT_NE(warning.find("W2 has 5000 of 20000 samples in block 0"), std::string::npos) << warning;
}
