// Reads of a record's samples by record and trace, as the measurements, the
// exports and the Python module make them: every format, any span start,
// refused spans, and the reader's position left as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FldWriter.h"
#include "GeneratedFile.h"
#include "RtmWriter.h"
#include "WvfWriter.h"
#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/RecordSamples.h"
#include "wavefile/TraceList.h"

namespace gen = kivelo::wavegen;
using kivelo::RecordSamples;
using kivelo::SampleKind;

namespace {

template <class T>
std::vector<T> Raw(RecordSamples& s, int trace, int block, int64_t first, int64_t count) {
    std::vector<T> out(static_cast<std::size_t>(count));
    std::string error;
    EXPECT_TRUE(s.ReadRaw(trace, block, first, count,
                          std::span(reinterpret_cast<uint8_t*>(out.data()), out.size() * sizeof(T)), error))
        << error;
    return out;
}

}  // namespace

// Spans starting on odd and even samples, crossing the 1M-sample read pieces,
// in every block and trace, big- and little-endian: each sample is the one written.
TEST(RecordSamples, WaveFileSpansGiveTheWrittenSamples) {
    for (const char* endian : {"Ltl", "Big"}) {
        gen::WvfDesc desc;
        desc.header.endian = endian;
        desc.header.dataFormat = "Block";
        // One width per file: the readers place every trace by the current one's width.
        desc.traces = gen::MakeTraces(3, "IS2,IU2,IS2", gen::Signal::Counter);
        desc.blocks = 2;
        desc.samples = (int64_t{1} << 20) + 37;
        kivelo::test::GeneratedFile<kivelo::CWaveFile> f(
            "r.wvf", [&](const std::string& p) { return gen::WriteWvf(p, desc); }, 0);
        ASSERT_EQ(f.openResult, kivelo::kOpenOk);
        RecordSamples s(f.file);
        ASSERT_EQ(s.Traces().size(), 3u);
        EXPECT_EQ(s.Traces()[1].kind, SampleKind::Unsigned);
        EXPECT_EQ(s.Blocks(), 2);
        f.file.SetBlock(1);
        f.file.SetTrace(2);
        const struct {
            int trace, block;
            int64_t first, count;
        } spans[] = {{0, 0, 0, 5}, {0, 1, 1, 7}, {2, 1, (int64_t{1} << 20) - 3, 40}, {1, 0, 12345, 3}};
        for (const auto& sp : spans) {
            SCOPED_TRACE(std::string(endian) + " trace " + std::to_string(sp.trace));
            std::vector<int64_t> got;
            if (sp.trace == 0)
                for (int16_t v : Raw<int16_t>(s, 0, sp.block, sp.first, sp.count)) got.push_back(v);
            else if (sp.trace == 1)
                for (uint16_t v : Raw<uint16_t>(s, 1, sp.block, sp.first, sp.count)) got.push_back(v);
            else
                for (int16_t v : Raw<int16_t>(s, 2, sp.block, sp.first, sp.count)) got.push_back(v);
            for (int64_t i = 0; i < sp.count; ++i)
                EXPECT_EQ(got[static_cast<std::size_t>(i)], gen::WvfRawSample(desc, sp.trace, sp.block, sp.first + i))
                    << "sample " << sp.first + i;
        }
        // The reader's own block and trace are as they were: its plain read reads them.
        std::vector<uint8_t> one(2);
        int64_t n = 0;
        ASSERT_EQ(f.file.ReadData(0, 1, one, n, kivelo::kWidthNative), kivelo::kFileOk);
        int16_t first = 0;
        std::memcpy(&first, one.data(), 2);
        EXPECT_EQ(first, gen::WvfRawSample(desc, 2, 1, 0));
    }
}

// Realtime files are read as pairs from whole frames: a span from an odd sample
// must still start at that sample, and the full-rate region is read whatever
// region the reader had selected (which it keeps).
TEST(RecordSamples, RealtimeSpansStartAtAnySample) {
    gen::RtmDesc desc;
    desc.channelMask = 0b11;
    desc.samples = 5000;
    desc.signal.kind = gen::Signal::Counter;
    kivelo::test::GeneratedFile<kivelo::CRtmFile> f(
        "r.rtm", [&](const std::string& p) { return gen::WriteRtm(p, desc); }, 0);
    ASSERT_EQ(f.openResult, kivelo::kOpenOk);
    f.file.SelectRegion(2);
    RecordSamples s(f.file);
    EXPECT_EQ(s.BlockSize(1, 0), 5000);
    for (int64_t first : {0, 1, 2, 4997}) {
        const std::vector<int16_t> got = Raw<int16_t>(s, 1, 0, first, 3);
        for (int64_t i = 0; i < 3; ++i)
            EXPECT_EQ(got[static_cast<std::size_t>(i)], static_cast<int16_t>(gen::RtmRawSample(desc, 1, 0, first + i)))
                << "first " << first;
    }
    EXPECT_EQ(f.file.GetRegion(), 2);
    std::vector<double> values(2);
    std::string error;
    ASSERT_TRUE(s.ReadValues(0, 0, 3, 2, values, error)) << error;
    const kivelo::RecordTrace& t = s.Traces()[0];
    EXPECT_DOUBLE_EQ(
        values[1],
        static_cast<double>(static_cast<int16_t>(gen::RtmRawSample(desc, 0, 0, 4))) * t.vResolution + t.vOffset);
}

// A floating file is one float trace of its stored values, unscaled.
TEST(RecordSamples, FloatingFileGivesItsStoredValues) {
    const std::vector<float> stored = {1.5f, -2.25f, 3.0e-7f, 1e9f, 0.0f};
    kivelo::test::GeneratedFile<kivelo::CFldFile> f(
        "v.fld", [&](const std::string& p) { return gen::WriteFldValues(p, stored); }, 0);
    ASSERT_EQ(f.openResult, kivelo::kOpenOk);
    RecordSamples s(f.file);
    ASSERT_EQ(s.Traces().size(), 1u);
    EXPECT_EQ(s.Traces()[0].kind, SampleKind::Float);
    EXPECT_EQ(s.Traces()[0].vResolution, 1.0);
    EXPECT_EQ(Raw<float>(s, 0, 0, 1, 4), std::vector<float>(stored.begin() + 1, stored.end()));
    std::vector<double> values(2);
    std::string error;
    ASSERT_TRUE(s.ReadValues(0, 0, 0, 2, values, error));
    EXPECT_EQ(values[1], -2.25);
}

// Spans outside the record, absent traces and blocks, and too small a destination
// are refused with a reason; nothing is read.
TEST(RecordSamples, RefusedSpansSayWhy) {
    gen::WvfDesc desc;
    desc.traces = gen::MakeTraces(2, "IS2", gen::Signal::Counter);
    desc.samples = 100;
    kivelo::test::GeneratedFile<kivelo::CWaveFile> f(
        "r.wvf", [&](const std::string& p) { return gen::WriteWvf(p, desc); }, 0);
    ASSERT_EQ(f.openResult, kivelo::kOpenOk);
    RecordSamples s(f.file);
    std::vector<uint8_t> buf(400);
    const struct {
        int trace, block;
        int64_t first, count;
        std::size_t bytes;
        const char* says;
    } cases[] = {
        {0, 0, 90, 11, 400, "outside block 0 of W1, which holds 100"},
        {0, 0, -1, 2, 400, "outside"},
        {2, 0, 0, 1, 400, "no trace W3"},
        {0, 1, 0, 1, 400, "no block 1"},
        {1, 0, 0, 100, 100, "destination"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(s.ReadRaw(c.trace, c.block, c.first, c.count, std::span(buf).first(c.bytes), error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

// Trace lists by label (either case) or name: labels win over a trace named like
// another's label, labels beyond the record fall back to names, and an item
// that names nothing refuses the whole list.
TEST(TraceList, LabelsAndNamesInListOrder) {
    std::vector<kivelo::RecordTrace> traces(3);
    const char* names[] = {"W3", "Volt", "CH3"};
    for (int t = 0; t < 3; ++t) {
        traces[static_cast<std::size_t>(t)].index = t;
        traces[static_cast<std::size_t>(t)].name = names[t];
    }
    const struct {
        const char* list;
        std::vector<int> want;  // empty: refused
        const char* says;
    } cases[] = {
        {"W1,w3", {0, 2}, ""},         {"Volt,,W2", {1, 1}, ""},    {"W3", {2}, ""},
        {"CH3,W1", {2, 0}, ""},        {"W4", {}, "no trace W4"},   {"W0", {}, "no trace W0"},
        {"volt", {}, "no trace volt"}, {",", {}, "names no trace"}, {"", {}, "names no trace"},
    };
    for (const auto& c : cases) {
        std::vector<int> got;
        std::string error;
        const bool ok = kivelo::ParseTraceList(traces, c.list, got, error);
        EXPECT_EQ(ok, !c.want.empty()) << c.list;
        if (ok) EXPECT_EQ(got, c.want) << c.list;
        else EXPECT_NE(error.find(c.says), std::string::npos) << c.list << ": " << error;
    }
}
