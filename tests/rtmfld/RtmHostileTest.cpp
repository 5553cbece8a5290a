// Realtime reader on untrusted files: broken trailers, masks, region sizes and tiny files.
#include "RtmTestSupport.h"

using namespace rtmtest;
using kivelo::CRtmFile;

namespace {

// Opens the file with its trailer edited and expects trace `trace` to read nothing.
template <class Edit>
void ExpectUnreadable(gen::RtmDesc desc, int trace, Edit edit) {
    gen::RtmTrailer t = gen::RtmComputedTrailer(desc);
    edit(t);
    desc.trailer = t;
    OpenedRtm r(desc);
    ASSERT_EQ(r.openResult, -1);
    r.file.SetTrace(trace);
    int result = -1;
    EXPECT_TRUE(ReadInt16(r.file, 0, 10, &result).empty());
    EXPECT_EQ(result, 0);
    std::vector<uint8_t> buf(100);
    int64_t out = 5;
    EXPECT_EQ(r.file.ReadEnvelope(1024, trace, 0, 40, buf, out, kivelo::kWidthNative), 0);
    EXPECT_EQ(out, 0);
}

}  // namespace

TEST(RtmHostile, ZeroChannelsOrZeroBytesInTheTrailerReadNothing) {
    ExpectUnreadable(CounterDesc(0b11, 100), 0, [](gen::RtmTrailer& t) { t.channels = 0; });
    ExpectUnreadable(CounterDesc(0b11, 100), 0, [](gen::RtmTrailer& t) { t.bytesPerSample = 0; });
}

TEST(RtmHostile, ChannelOutsideTheFrameSetCannotBeRead) {
    // Channel 8 has no slot in the 8-bit frame set of a channel-word file.
    ExpectUnreadable(CounterDesc(0x100, 100), 0, [](gen::RtmTrailer& t) { t.channels = 1; });
    OpenedRtm r(CounterDesc(0x100, 100));
    EXPECT_EQ(r.file.GetFrameSlot(), -1);
}

TEST(RtmHostile, SlotBeyondTheTrailersChannelsCannotBeRead) {
    ExpectUnreadable(CounterDesc(0b1111, 100), 3, [](gen::RtmTrailer& t) { t.channels = 2; });
}

TEST(RtmHostile, SampleSizeDifferentFromTheTraceWidthCannotBeRead) {
    ExpectUnreadable(CounterDesc(0b1, 100), 0, [](gen::RtmTrailer& t) { t.bytesPerSample = 4; });
}

TEST(RtmHostile, NegativeAndHugeRegionSizesNeverReadOutsideTheFile) {
    const std::array<std::array<int64_t, 3>, 3> cases{{{-5, -1, -100},
                                                       {INT32_MAX, INT32_MAX, INT32_MAX},
                                                       {1 << 30, -7, 1 << 30}}};
    for (const auto& sizes : cases) {
        gen::RtmDesc desc = CounterDesc(0b11, 1000);
        desc.headerSizes = sizes;
        desc.regions[0].ring = true;
        desc.regions[0].ringStart = 40;
        OpenedRtm r(desc, 65536);
        ASSERT_EQ(r.openResult, -1);
        for (int region = 0; region < 3; ++region) {
            r.file.SelectRegion(region);
            int result = 0;
            const auto v = ReadInt16(r.file, 0, 2000, &result);
            EXPECT_EQ(result, -1);
            EXPECT_LE(v.size(), 2000u);
            ReadInt16(r.file, int64_t{1} << 35, 100, &result);
            EXPECT_EQ(result, -1);
        }
        r.file.SelectRegion(0);
        std::vector<uint8_t> buf(4000);
        int64_t out = 0;
        EXPECT_EQ(r.file.ReadEnvelope(512 * 2000, 0, 0, 2000000, buf, out, kivelo::kWidthNative), -1);
    }
}

TEST(RtmHostile, RingStartBeyondTheRegionWrapsInside) {
    gen::RtmDesc desc = CounterDesc(0b1, 1000);  // region of 2,000 bytes
    desc.regions[0].ring = true;
    desc.regions[0].ringStart = 2000 + 400;
    OpenedRtm r(desc);
    const auto file = gen::ReadFileBytes(r.path);
    std::vector<uint8_t> buf(2000);
    int64_t got = 0;
    ASSERT_EQ(r.file.ReadCached(0, 2000, buf, got), -1);
    ASSERT_EQ(got, 2000);
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 1600, file.begin() + 400));
    EXPECT_EQ(r.file.ReadCached(2000, 10, buf, got), -1);
    EXPECT_EQ(got, 0);
}

TEST(RtmHostile, TinyFilesDoNotOpenOrReadNothing) {
    gen::TempDir dir;
    gen::RtmDesc desc = CounterDesc(0b1, 10);
    ASSERT_TRUE(gen::WriteRtm(dir.File("tiny.rtm"), desc));
    // 10 bytes: no trailer to read.
    const std::vector<uint8_t> ten(10, 0x11);
    ASSERT_TRUE(gen::WriteWholeFile(dir.File("tiny.rtm"), ten.data(), ten.size()));
    CRtmFile f;
    EXPECT_EQ(f.Open(dir.File("tiny.rtm"), 0), kivelo::kOpenNoData);
    EXPECT_FALSE(f.IsOpen());
    // 100 bytes: a trailer but no channel word; the mask is empty.
    const std::vector<uint8_t> hundred(100, 0);
    ASSERT_TRUE(gen::WriteWholeFile(dir.File("tiny.rtm"), hundred.data(), hundred.size()));
    ASSERT_EQ(f.Open(dir.File("tiny.rtm"), 0), -1);
    EXPECT_EQ(f.GetChannelMask(), 0u);
    int result = -1;
    EXPECT_TRUE(ReadInt16(f, 0, 10, &result).empty());
    EXPECT_EQ(result, 0);
}

TEST(RtmHostile, HeaderWithoutPrivateKeysOpensButHasNoRegions) {
    gen::RtmDesc desc = CounterDesc(0b1, 100);
    desc.privateKeys = false;
    OpenedRtm r(desc);
    ASSERT_EQ(r.openResult, -1);
    EXPECT_EQ(r.file.GetPrivateInfo().Valid, 0);
    int result = 0;
    EXPECT_TRUE(ReadInt16(r.file, 0, 10, &result).empty());
    EXPECT_EQ(result, -1);
}

TEST(RtmHostile, OpenTwiceAndMissingHeader) {
    OpenedRtm r(CounterDesc(0b1, 100));
    EXPECT_EQ(r.file.Open(r.path, 0), kivelo::kOpenAlreadyOpen);
    CRtmFile other;
    EXPECT_EQ(other.Open(r.dir.File("none.rtm"), 0), kivelo::kOpenNoHeader);
}
