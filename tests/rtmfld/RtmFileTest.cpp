// Realtime reader: channel masks and frame slots, region layout, rings, region choice.
#include "RtmTestSupport.h"

using namespace rtmtest;
using kivelo::CRtmFile;

TEST(RtmChannels, ChannelWordMaskMapsTracesToFrameSlots) {
    const gen::RtmDesc desc = CounterDesc(0b101010, 400);
    OpenedRtm r(desc);
    ASSERT_EQ(r.openResult, -1);
    EXPECT_EQ(r.file.GetChannelMask(), 0b101010u);
    EXPECT_EQ(r.file.GetTrailer().channels, 4);  // frame set 0b101011
    const int channels[] = {1, 3, 5};
    for (int t = 0; t < 3; ++t) {
        r.file.SetTrace(t);
        EXPECT_EQ(r.file.GetFrameSlot(), t + 1);
        EXPECT_EQ(ReadInt16(r.file, 10, 50), Expected(desc, channels[t], 0, 10, 50)) << "trace " << t;
    }
}

TEST(RtmChannels, FirstTraceIsReadableRightAfterOpen) {
    const gen::RtmDesc desc = CounterDesc(0b101010, 100);
    OpenedRtm r(desc);
    EXPECT_EQ(r.file.GetFrameSlot(), 1);
    EXPECT_EQ(ReadInt16(r.file, 0, 20), Expected(desc, 1, 0, 0, 20));
}

TEST(RtmChannels, DspChAttrOfThreeChannelsIsCompletedToFour) {
    gen::RtmDesc desc = CounterDesc(0b111, 200);
    desc.dspChAttr = 0b111;
    desc.channelWord = false;  // the header's attribute must win
    OpenedRtm r(desc);
    ASSERT_EQ(r.openResult, -1);
    EXPECT_EQ(r.file.GetPrivateInfo().DspChAttrPresent, 1);
    EXPECT_EQ(r.file.GetTrailer().channels, 4);
    r.file.SetTrace(2);
    EXPECT_EQ(r.file.GetFrameSlot(), 2);
    EXPECT_EQ(ReadInt16(r.file, 0, 100), Expected(desc, 2, 0, 0, 100));
}

TEST(RtmChannels, ChannelWordTopBitIsChannelZero) {
    const gen::RtmDesc desc = CounterDesc(0b1, 100);
    OpenedRtm r(desc);
    EXPECT_EQ(r.file.GetChannelMask(), 1u);
    EXPECT_EQ(r.file.GetFrameSlot(), 0);
    EXPECT_EQ(ReadInt16(r.file, 0, 100), Expected(desc, 0, 0, 0, 100));
}

TEST(RtmChannels, MoreThanFourChannelsUseEightSlots) {
    const gen::RtmDesc desc = CounterDesc(0b11010011, 100);
    OpenedRtm r(desc);
    EXPECT_EQ(r.file.GetTrailer().channels, 8);
    r.file.SetTrace(4);  // channel 7
    EXPECT_EQ(r.file.GetFrameSlot(), 7);
    EXPECT_EQ(ReadInt16(r.file, 0, 30), Expected(desc, 7, 0, 0, 30));
}

TEST(RtmLayout, NewestSamplesEndTheRegionAndBigEndianIsConverted) {
    gen::RtmDesc desc = CounterDesc(0b11, 300);
    desc.regions[0].frames = 500;  // 350 frames of older data first
    desc.header.endian = "Big";
    OpenedRtm r(desc);
    r.file.SetTrace(1);
    EXPECT_EQ(ReadInt16(r.file, 0, 300), Expected(desc, 1, 0, 0, 300));
}

TEST(RtmLayout, OddCountReadsOneSampleLess) {
    const gen::RtmDesc desc = CounterDesc(0b11, 100);
    OpenedRtm r(desc);
    EXPECT_EQ(ReadInt16(r.file, 4, 7).size(), 6u);
    EXPECT_EQ(ReadInt16(r.file, 4, 1).size(), 0u);
}

TEST(RtmLayout, BlockOverloadReadsBlockZero) {
    const gen::RtmDesc desc = CounterDesc(0b11, 100);
    OpenedRtm r(desc);
    std::vector<uint8_t> buf(40);
    int64_t out = 0;
    EXPECT_EQ(r.file.ReadData(3, 1, 0, 20, buf, out, kivelo::kWidthNative), -1);
    EXPECT_EQ(r.file.GetCurrentBlock(), 0);
    EXPECT_EQ(out, 20);
    int16_t first;
    std::memcpy(&first, buf.data(), 2);
    EXPECT_EQ(first, Expected(desc, 1, 0, 0, 1)[0]);
}

TEST(RtmLayout, WidthCodesWidenThroughTheFrames) {
    gen::RtmDesc desc = CounterDesc(0b11, 100);
    desc.bytesPerSample = 1;
    OpenedRtm r(desc);
    r.file.SetTrace(1);
    std::vector<uint8_t> buf(16);
    int64_t out = 0;
    ASSERT_EQ(r.file.ReadData(2, 4, buf, out, kivelo::kWidth4), -1);
    ASSERT_EQ(out, 4);
    for (int i = 0; i < 4; ++i) {
        int32_t v;
        std::memcpy(&v, buf.data() + 4 * i, 4);
        EXPECT_EQ(v, gen::RtmRawSample(desc, 1, 0, 2 + i));
    }
}

TEST(RtmRing, SplitReadWrapsAtTheRegionEnd) {
    for (int64_t cache : {int64_t{0}, int64_t{65536}, int64_t{1024}}) {
        gen::RtmDesc desc = CounterDesc(0b1, 5000);  // 2,500 frames of 4 bytes = 10,000 bytes
        desc.regions[0].ring = true;
        desc.regions[0].ringStart = 9000;
        OpenedRtm r(desc, cache);
        const auto file = gen::ReadFileBytes(r.path);
        std::vector<uint8_t> buf(2000);
        int64_t got = 0;
        ASSERT_EQ(r.file.ReadCached(0, 2000, buf, got), -1);
        ASSERT_EQ(got, 2000);
        EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 1000, file.begin() + 9000));
        EXPECT_TRUE(std::equal(buf.begin() + 1000, buf.end(), file.begin()));
        EXPECT_EQ(ReadInt16(r.file, 0, 5000), Expected(desc, 0, 0, 0, 5000)) << "cache " << cache;
        EXPECT_EQ(ReadInt16(r.file, 480, 60), Expected(desc, 0, 0, 480, 60)) << "cache " << cache;
    }
}

TEST(RtmRegions, BlockSizeFollowsTheSelectedRegion) {
    const gen::RtmDesc desc = CounterDesc(0b1, 12345);
    OpenedRtm r(desc);
    EXPECT_EQ(r.file.GetBlockSize(), 12345);
    r.file.SelectRegion(1);
    EXPECT_EQ(r.file.GetBlockSize(), 123);
    r.file.SelectRegion(2);
    EXPECT_EQ(r.file.GetBlockSize(), 12);
    EXPECT_EQ(ReadInt16(r.file, 0, 12), Expected(desc, 0, 2, 0, 12));
    r.file.SelectRegion(7);
    EXPECT_EQ(r.file.GetBlockSize(), 0);
    int result = 0;
    EXPECT_TRUE(ReadInt16(r.file, 0, 10, &result).empty());
    EXPECT_EQ(result, 0);
}

TEST(RtmRegions, RatioOf250ReadsThePpRegionWithStepCode1280) {
    gen::RtmDesc desc;
    desc.channelMask = 0b1;
    desc.samples = 250000;
    desc.signal.kind = gen::Signal::Ramp;
    desc.signal.period = 1000000;  // rising throughout
    OpenedRtm r(desc);
    std::vector<uint8_t> buf(64);
    int64_t out = 0;
    // 2,000 acquisition samples -> 20 PP samples -> groups of 5 -> 4 pairs.
    ASSERT_EQ(r.file.ReadEnvelopeRatio(250, 0, 1000, 2000, buf, out, kivelo::kWidthNative), -1);
    EXPECT_EQ(r.file.GetRegion(), 0);
    ASSERT_EQ(out, 8);
    const auto pp = Expected(desc, 0, 1, 10, 20);
    for (int k = 0; k < 4; ++k) {
        int16_t a, b;
        std::memcpy(&a, buf.data() + 4 * k, 2);
        std::memcpy(&b, buf.data() + 4 * k + 2, 2);
        EXPECT_EQ(a, pp[static_cast<std::size_t>(5 * k)]);  // rising: (min, max)
        EXPECT_EQ(b, pp[static_cast<std::size_t>(5 * k + 4)]);
    }
}

TEST(RtmRegions, StepCodeChoosesTheCoarsestFineEnoughRegion) {
    gen::RtmDesc desc = CounterDesc(0b1, 400000);
    desc.signal.kind = gen::Signal::Ramp;
    desc.signal.period = 1000000;
    OpenedRtm r(desc);
    std::vector<uint8_t> buf(2000);
    int64_t out = 0;
    // r = 1,000: the display region with step code 512 copies its samples.
    ASSERT_EQ(r.file.ReadEnvelope(512000, 0, 0, 200000, buf, out, kivelo::kWidthNative), -1);
    ASSERT_EQ(out, 200);
    int16_t v;
    std::memcpy(&v, buf.data() + 2 * 37, 2);
    EXPECT_EQ(v, Expected(desc, 0, 2, 37, 1)[0]);
    // r = 2: the acquisition region, copied as well.
    ASSERT_EQ(r.file.ReadEnvelope(512, 0, 500, 100, buf, out, kivelo::kWidthNative), -1);
    ASSERT_EQ(out, 100);
    std::memcpy(&v, buf.data() + 2 * 3, 2);
    EXPECT_EQ(v, Expected(desc, 0, 0, 503, 1)[0]);
    EXPECT_EQ(r.file.GetRegion(), 0);
}

TEST(RtmOpen, PathConstructorAndTextsWork) {
    gen::TempDir dir;
    const gen::RtmDesc desc = CounterDesc(0b11, 100);
    ASSERT_TRUE(gen::WriteRtm(dir.File("c.rtm"), desc));
    CRtmFile f(dir.File("c.rtm"), 65536);
    ASSERT_TRUE(f.IsOpen());
    std::vector<kivelo::ValueText> texts(10);
    int64_t out = 0;
    EXPECT_EQ(f.ReadText(1, 0, 9, texts, out), -1);
    EXPECT_EQ(out, 8);
    EXPECT_NE(texts[0][0], '\0');
}
