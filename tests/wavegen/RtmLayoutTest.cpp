// Byte layout of generated .rtm files: regions, frames, rings, channel word, trailer.
#include <gtest/gtest.h>

#include "Wavegen.h"

using namespace kivelo::wavegen;

namespace {

uint64_t Field(const std::vector<uint8_t>& b, std::size_t off, int width, bool big) {
    uint64_t v = 0;
    for (int k = 0; k < width; ++k) {
        v |= static_cast<uint64_t>(b[off + static_cast<std::size_t>(big ? width - 1 - k : k)]) << (8 * k);
    }
    return v;
}

void ExpectRegionSamples(const RtmDesc& s, const std::vector<uint8_t>& bytes) {
    const SampleType type = RtmSampleType(s);
    const uint32_t frame = RtmFrameChannels(s);
    int slot = 0;
    for (int c = 0; c < 32; ++c) {
        if (!(frame & (1u << c))) continue;
        for (int r = 0; r < 3; ++r) {
            for (int64_t p = 0; p < RtmRegionSamples(s, r); ++p) {
                const auto off = static_cast<std::size_t>(RtmFileOffset(s, r, slot, p));
                ASSERT_LT(off, static_cast<std::size_t>(RtmRegionStart(s, r + 1)));
                ASSERT_EQ(DecodeSample(&bytes[off], type, IsBigEndian(s.header)), RtmRawSample(s, c, r, p))
                    << "channel " << c << " region " << r << " sample " << p;
            }
        }
        ++slot;
    }
}

}  // namespace

TEST(RtmLayout, FrameChannelSetRules) {
    RtmDesc s;
    s.channelMask = 0b101010;
    EXPECT_EQ(RtmFrameChannels(s), 0b101011u);
    s.channelMask = 0b1110;
    EXPECT_EQ(RtmFrameChannels(s), 0b1111u);
    s.channelMask = 0b10101;
    EXPECT_EQ(RtmFrameChannels(s), 0b1010101u);  // bits 0, 4 and 2 taken: bit 6 is added
    s.channelMask = 0b11111;
    EXPECT_EQ(RtmFrameChannels(s), 0xFFu);
    s.channelMask = 0x300;
    EXPECT_EQ(RtmFrameChannels(s), 0u);
    s.dspChAttr = 0b111;
    EXPECT_EQ(RtmFrameChannels(s), 0b1111u);
    s.dspChAttr = 0b10001;
    EXPECT_EQ(RtmFrameChannels(s), 0b10001u);
}

TEST(RtmLayout, ChannelWordIsTheBitReversedMask) {
    EXPECT_EQ(RtmChannelWord(1), 0x8000);
    EXPECT_EQ(RtmChannelWord(0b101010), 0b0101010000000000);
}

TEST(RtmLayout, TailHoldsChannelWordAndTrailerInHeaderByteOrder) {
    TempDir dir;
    for (const char* endian : {"Ltl", "Big"}) {
        RtmDesc s;
        s.header.endian = endian;
        s.channelMask = 0b101010;
        s.samples = 4000;
        s.regions[1].ring = true;
        s.regions[1].ringStart = 24;
        const bool big = IsBigEndian(s.header);
        const std::string path = dir.File(std::string("t") + endian + ".rtm");
        ASSERT_TRUE(WriteRtm(path, s));
        const auto b = ReadFileBytes(path);
        ASSERT_EQ(static_cast<int64_t>(b.size()), RtmFileSize(s));
        const std::size_t word = b.size() - 1974, tr = b.size() - 28;
        EXPECT_EQ(Field(b, word, 2, big), RtmChannelWord(0b101010));
        EXPECT_EQ(Field(b, tr + 0, 2, big), 4u);   // 0b101011: four slots
        EXPECT_EQ(Field(b, tr + 4, 2, big), 2u);
        EXPECT_EQ(Field(b, tr + 8, 2, big), 0u);
        EXPECT_EQ(Field(b, tr + 10, 2, big), 1u);
        EXPECT_EQ(Field(b, tr + 20, 4, big), 24u);
        ExpectRegionSamples(s, b);
    }
}

TEST(RtmLayout, RegionSizesFollowTheDivisors) {
    RtmDesc s;
    s.channelMask = 0b11;
    s.samples = 250000;
    EXPECT_EQ(RtmRegionSamples(s, 1), 2500);
    EXPECT_EQ(RtmRegionSamples(s, 2), 250);
    EXPECT_EQ(RtmRegionBytes(s, 0), 250000 * 2 * 2);
    EXPECT_EQ(RtmRegionBytes(s, 2), 250 * 2 * 2);
    EXPECT_EQ(RtmRegionStart(s, 2), 1000000 + 10000);
}

TEST(RtmLayout, RingRegionStartsItsOldestDataAtTheRingStart) {
    RtmDesc s;
    s.channelMask = 0b1;
    s.signal.kind = Signal::Counter;
    s.samples = 5000;  // 2,500 frames of 4 bytes
    s.regions[0].frames = 2500;
    s.regions[0].ring = true;
    s.regions[0].ringStart = 9000;
    EXPECT_EQ(RtmFileOffset(s, 0, 0, 0), 9000);
    EXPECT_EQ(RtmFileOffset(s, 0, 0, 500), 0);
    TempDir dir;
    ASSERT_TRUE(WriteRtm(dir.File("ring.rtm"), s));
    ExpectRegionSamples(s, ReadFileBytes(dir.File("ring.rtm")));
}

TEST(RtmLayout, LargerRegionsKeepTheNewestSamplesAtTheEnd) {
    RtmDesc s;
    s.channelMask = 0b11;
    s.samples = 100;
    s.regions[0].frames = 80;  // 30 frames of older data first
    EXPECT_EQ(RtmLogicalOffset(s, 0, 0, 0), 30 * 8);
    EXPECT_EQ(RtmLogicalOffset(s, 0, 1, 3), 31 * 8 + 4 + 2);
    s.reduction = RtmReduction::MinMax;
    s.signal.kind = Signal::Ramp;
    TempDir dir;
    ASSERT_TRUE(WriteRtm(dir.File("old.rtm"), s));
    ExpectRegionSamples(s, ReadFileBytes(dir.File("old.rtm")));
}

TEST(RtmLayout, HeaderCarriesRegionSizesAndDspChAttr) {
    RtmDesc s;
    s.channelMask = 0b111;
    s.dspChAttr = 0b111;
    s.samples = 2000;
    TempDir dir;
    ASSERT_TRUE(WriteRtm(dir.File("h.rtm"), s));
    const std::string text = ReadFileText(dir.File("h.hdr"));
    EXPECT_NE(text.find("AcqDataSize         16000\r\n"), std::string::npos);  // 1,000 frames of 16
    EXPECT_NE(text.find("PPDataSize          160\r\n"), std::string::npos);
    EXPECT_NE(text.find("DspChAttr           7\r\n"), std::string::npos);
    EXPECT_NE(text.find("TraceTotalNumber    3\r\n"), std::string::npos);
    EXPECT_NE(text.find("CH3"), std::string::npos);
}

TEST(RtmLayout, NoChannelsGivesOnlyTheTail) {
    RtmDesc s;
    s.channelMask = 0;
    EXPECT_EQ(RtmFrameBytes(s), 0);
    TempDir dir;
    ASSERT_TRUE(WriteRtm(dir.File("none.rtm"), s));
    EXPECT_EQ(ReadFileBytes(dir.File("none.rtm")).size(), 1974u);
}
