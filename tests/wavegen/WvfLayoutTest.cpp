// Byte layout of generated .wvf files: offsets of both layouts, byte order, data offset.
#include <gtest/gtest.h>

#include <bit>

#include "Wavegen.h"

using namespace kivelo::wavegen;

namespace {

WvfDesc TwoByTwo(const std::string& format) {
    WvfDesc s;
    s.traces = MakeTraces(2, "IS2", Signal::Counter);
    s.blocks = 2;
    s.samples = 1000;
    s.header.dataFormat = format;
    return s;
}

// Every sample of the file decodes to the value the generator promises.
void ExpectAllSamples(const WvfDesc& s, const std::vector<uint8_t>& bytes) {
    for (int t = 0; t < static_cast<int>(s.traces.size()); ++t) {
        const SampleType type = ParseSampleType(s.traces[static_cast<std::size_t>(t)].type);
        for (int b = 0; b < s.blocks; ++b) {
            for (int64_t i = 0; i < WvfBlockSize(s, t, b); ++i) {
                const auto off = static_cast<std::size_t>(WvfSampleOffset(s, t, b, i));
                ASSERT_LE(off + static_cast<std::size_t>(type.width), bytes.size());
                ASSERT_EQ(DecodeSample(&bytes[off], type, IsBigEndian(s.header)), WvfRawSample(s, t, b, i))
                    << "trace " << t << " block " << b << " sample " << i;
            }
        }
    }
}

}  // namespace

TEST(WvfLayout, TraceAndBlockLayoutsPlaceBlockOneOfTraceOneAtSixThousand) {
    EXPECT_EQ(WvfSampleOffset(TwoByTwo("Trace"), 1, 1, 0), 6000);
    EXPECT_EQ(WvfSampleOffset(TwoByTwo("Block"), 1, 1, 0), 6000);
    EXPECT_EQ(WvfSampleOffset(TwoByTwo("Block"), 1, 0, 0), 2000);
    EXPECT_EQ(WvfSampleOffset(TwoByTwo("Trace"), 1, 0, 0), 4000);
}

TEST(WvfLayout, FilesRoundTripInBothLayoutsAndByteOrders) {
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    for (const char* format : {"Trace", "Block"}) {
        for (const char* endian : {"Ltl", "Big"}) {
            WvfDesc s = TwoByTwo(format);
            s.traces = MakeTraces(3, "IS2,IU4,FS4", Signal::Noise);
            s.header.endian = endian;
            s.header.dataOffset = 64;
            s.samples = 300;
            const std::string path = dir.File(std::string(format) + endian + ".wvf");
            ASSERT_TRUE(WriteWvf(path, s));
            const auto bytes = ReadFileBytes(path);
            ASSERT_EQ(static_cast<int64_t>(bytes.size()), WvfFileSize(s));
            EXPECT_EQ(bytes[0], s.fillByte);
            EXPECT_EQ(bytes[63], s.fillByte);
            ExpectAllSamples(s, bytes);
            EXPECT_FALSE(ReadFileText(HeaderPathFor(path)).empty());
        }
    }
}

TEST(WvfLayout, BigEndianStoresTheHighByteFirst) {
    TempDir dir;
    WvfDesc s;
    s.traces = MakeTraces(1, "IS2", Signal::Counter);
    s.samples = 2;
    s.header.endian = "Big";
    ASSERT_TRUE(WriteWvf(dir.File("big.wvf"), s));
    const auto bytes = ReadFileBytes(dir.File("big.wvf"));
    ASSERT_EQ(bytes.size(), 4u);
    // Counter: channel 0, index 1.
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0x01);
}

TEST(WvfLayout, PerBlockSizesShiftTheFollowingData) {
    WvfDesc s = TwoByTwo("Block");
    s.blockSizes = {10, 20, 30, 40};  // block 0: 10, 20; block 1: 30, 40
    EXPECT_EQ(WvfSampleOffset(s, 1, 0, 0), 20);
    EXPECT_EQ(WvfSampleOffset(s, 0, 1, 0), 60);
    EXPECT_EQ(WvfSampleOffset(s, 1, 1, 5), 60 + 60 + 10);
    EXPECT_EQ(WvfFileSize(s), 200);
    TempDir dir;
    ASSERT_TRUE(WriteWvf(dir.File("sizes.wvf"), s));
    ExpectAllSamples(s, ReadFileBytes(dir.File("sizes.wvf")));
}

TEST(WvfLayout, UnrecognisedTypesOccupyTheirTrailingWidth) {
    WvfDesc s;
    s.traces = MakeTraces(2, "XX2,IS1", Signal::Ramp);
    s.samples = 10;
    EXPECT_EQ(WvfFileSize(s), 30);
    TempDir dir;
    ASSERT_TRUE(WriteWvf(dir.File("xx.wvf"), s));
    EXPECT_NE(ReadFileText(dir.File("xx.hdr")).find("XX2"), std::string::npos);
}

TEST(WvfLayout, UnwritableTargetIsReported) {
    WvfDesc s;
    s.traces = MakeTraces(1, "IS2", Signal::Sine);
    const Result r = WriteWvf("/nonexistent-dir/x.wvf", s);
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.error.empty());
}

TEST(FldLayout, RawLittleEndianFloatsWithOptionalTrailingBytes) {
    TempDir dir;
    FldDesc s;
    s.samples = 100;
    s.trailingBytes = 2;
    ASSERT_TRUE(WriteFld(dir.File("a.fld"), s));
    const auto bytes = ReadFileBytes(dir.File("a.fld"));
    ASSERT_EQ(bytes.size(), 402u);
    for (int64_t i = 0; i < 100; ++i) {
        uint32_t bits = 0;
        for (int k = 0; k < 4; ++k) bits |= static_cast<uint32_t>(bytes[static_cast<std::size_t>(4 * i + k)]) << (8 * k);
        ASSERT_EQ(std::bit_cast<float>(bits), FldSample(s, i));
    }
    const float values[] = {-1.0f, 3.0f, 0.5f};
    ASSERT_TRUE(WriteFldValues(dir.File("b.fld"), values));
    const auto b = ReadFileBytes(dir.File("b.fld"));
    ASSERT_EQ(b.size(), 12u);
    EXPECT_EQ(b[4 + 3], 0x40);  // 3.0f = 0x40400000
}

TEST(DemoSet, WritesFiveFiles) {
    TempDir dir;
    ASSERT_TRUE(WriteDemoSet(dir.Path()));
    for (const char* name : {"demo_wave.wvf", "demo_wave.hdr", "demo_realtime.rtm", "demo_realtime.hdr",
                             "demo_float.fld"}) {
        EXPECT_FALSE(ReadFileBytes(dir.File(name)).empty()) << name;
    }
}
