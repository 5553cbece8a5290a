// Envelope reads answered from min/max summaries against the same reads streamed
// from the samples by a reader without summaries: random ranges, steps, width
// codes and kinds, realtime regions and floating files; and what the summaries
// must never do: outlive a change of the file, survive a cancelled read, exceed
// their budget.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string_view>
#include <thread>

#include "WaveFileFixture.h"
#include "Wavegen.h"
#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/SummaryFeed.h"
#include "wavefile/SummaryStore.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::test {
namespace {

constexpr int64_t kBlock = EnvelopeSummary::kBlock;

struct Envelope {
    int result = 0;
    std::vector<uint8_t> bytes;  // the values delivered
    friend bool operator==(const Envelope&, const Envelope&) = default;
};

struct Query {
    int step = 512;
    int64_t pos = 0, count = 0, room = 0;  // room: output values the destination holds
    int code = 2;
};

// The Main window's step: 2000 display points over the record.
int MainStep(int64_t n) {
    return static_cast<int>(std::max(std::trunc(static_cast<double>(n) / 2000.0 * 512.0), 512.0));
}

std::string Describe(const Query& q) {
    return "step " + std::to_string(q.step) + " pos " + std::to_string(q.pos) + " count " + std::to_string(q.count) +
           " room " + std::to_string(q.room) + " code " + std::to_string(q.code);
}

Envelope ReadPairs(CWaveFile& f, int block, int trace, const Query& q, int outSize) {
    std::vector<uint8_t> dst(static_cast<std::size_t>(q.room * outSize));
    int64_t got = 0;
    Envelope e;
    e.result = f.ReadEnvelope(q.step, block, trace, q.pos, q.count, dst, got, q.code);
    dst.resize(static_cast<std::size_t>(std::clamp<int64_t>(got, 0, q.room) * outSize));
    e.bytes = std::move(dst);
    return e;
}

// Steps of at least one block per pair across the three chunk sizes, whole and
// fractional; positions at, near and off block starts; counts that end inside
// blocks and past the data; destinations that cut the output, also mid-pair.
Query RandomQuery(std::mt19937& rnd, int64_t n, int code) {
    Query q;
    q.code = code;
    const int64_t g =
        std::vector<int64_t>{kBlock, kBlock + 1, 300, 1000, 1001, 2500, 10000, 10001, 30000, n / 3}[rnd() % 10];
    q.step = static_cast<int>(std::max<int64_t>(g, kBlock) * 256 + (rnd() % 3 == 0 ? 0 : rnd() % 256));
    switch (rnd() % 4) {
    case 0: q.pos = 0; break;
    case 1: q.pos = static_cast<int64_t>(rnd() % static_cast<uint32_t>(n / kBlock + 1)) * kBlock % n; break;
    default: q.pos = static_cast<int64_t>(rnd() % static_cast<uint32_t>(n)); break;
    }
    const int64_t left = n - q.pos;
    q.count = rnd() % 8 == 0 ? left + static_cast<int64_t>(rnd() % 500) : 1 + static_cast<int64_t>(rnd() % left);
    q.room = rnd() % 5 == 0 ? 1 + static_cast<int64_t>(rnd() % 40) : 1 << 20;
    return q;
}

// Random walks with flat stretches and rare full-scale spikes: ties, extremes at
// block starts and several extremes in one block.
std::vector<int64_t> Walk(std::mt19937& rnd, int64_t n, int width) {
    const int64_t lim = int64_t{1} << (8 * width - 1);
    std::vector<int64_t> s(static_cast<std::size_t>(n));
    int64_t v = 0, flat = 0;
    for (auto& x : s) {
        if (flat > 0) {
            --flat;
        } else if (rnd() % 500 == 0) {
            flat = rnd() % 300;
        } else {
            v = std::clamp<int64_t>(v + static_cast<int64_t>(rnd() % 41) - 20, -lim, lim - 1);
        }
        x = rnd() % 1999 == 0 ? static_cast<int64_t>(rnd()) : v;
    }
    return s;
}

class SummaryTest : public WaveFileFixture {
protected:
    SummaryStore store{int64_t{1} << 30, std::chrono::milliseconds(0)};
};

// Every width and kind (floats with NaN patterns among them), each width code: the
// first full read builds the summary, and random reads after it give what a reader
// without one gives, while reading a small part of what that reader reads.
TEST_F(SummaryTest, ReadsMatchStreamedReadsForRandomRangesStepsAndKinds) {
    const int64_t n = 150001;
    std::mt19937 rnd(2027);
    int file = 0;
    for (const std::string type : {"IS1", "IU1", "B8", "IS2", "IU2", "B16", "IS4", "IU4", "FS4"}) {
        const int w = type.back() == '1' || type == "B8" ? 1 : type.back() == '4' ? 4 : 2;
        std::vector<int64_t> s = Walk(rnd, n, w);
        if (type == "FS4")
            for (std::size_t i = 0; i < s.size(); i += 977) s[i] = 0x7FC00000 + static_cast<int64_t>(i % 5);
        const std::string path =
            Write(Simple({type}, static_cast<int>(n)), SampleBytes(s, w, true), "walk" + std::to_string(file++));
        CWaveFile plain(path, 0), summarised(path, 0);
        ASSERT_TRUE(plain.IsOpen() && summarised.IsOpen());
        summarised.SetSummaryStore(&store);
        ReadMonitor monitor;
        summarised.SetReadMonitor(&monitor);
        for (int code : {0, 2, 3}) {
            const int outSize = code == 0 ? w : code == 2 ? 2 : 4;
            SCOPED_TRACE(type + " code " + std::to_string(code));
            const Query full{MainStep(n), 0, n, 4096, code};
            ASSERT_EQ(ReadPairs(summarised, 0, 0, full, outSize), ReadPairs(plain, 0, 0, full, outSize));
            int64_t streamed = 0, read = 0;
            for (int i = 0; i < 60; ++i) {
                const Query q = RandomQuery(rnd, n, code);
                SCOPED_TRACE(Describe(q));
                monitor.Reset();
                EXPECT_EQ(ReadPairs(summarised, 0, 0, q, outSize), ReadPairs(plain, 0, 0, q, outSize));
                // Wide reads within the record take a small part of the samples.
                if (q.step >= 10001 * 256 && q.pos + q.count <= n && q.room > 40) {
                    streamed += q.count * w;
                    read += monitor.bytesRead.load();
                }
            }
            EXPECT_LT(read, streamed / 8);
        }
    }
    // One per trace, and a second one of the low 16 bits for 4-byte traces.
    EXPECT_EQ(store.Count(), 12u);
}

// Records large enough to be summarised on all processors before the first read is
// answered: widened, narrowed and byte-swapped samples, bit data, a trace stored
// after another, destinations that cut the output; extremes just outside the read.
TEST_F(SummaryTest, LargeRecordsSummarisedOnAllProcessorsMatchStreamedReads) {
    std::mt19937 rnd(2028);
    struct Case {
        std::string type;
        int64_t n;
        bool little;
        Query first;
        int traces = 1;
    };
    const std::vector<Case> cases{
        {"IU1", 4200007, true, {5000 * 256 + 9, 0, 4200007, 4096, 2}},
        {"IS2", 2100011, false, {3000 * 256, 1001, 2000000, 4096, 0}},
        {"IS4", 1050001, true, {12001 * 256, 64, 900000, 4096, 2}},
        // Pieces enough that each thread reuses every place of its read buffer.
        {"IS2", 5000011, true, {600 * 256 + 100, 0, 5000011, 301, 3}},
        {"B16", 2200013, false, {1100 * 256 + 3, 7, 2200006, 4096, 0}},
        {"IU2", 2097152, true, {1024 * 256, 0, 2097152, 4096, 3}, 2},
    };
    int file = 0;
    for (const Case& c : cases) {
        const int w = c.type.back() == '1' ? 1 : c.type.back() == '4' ? 4 : 2;
        const int trace = c.traces - 1;
        SCOPED_TRACE(c.type + " trace " + std::to_string(trace) + " " + Describe(c.first));
        HeaderDesc desc =
            Simple(std::vector<std::string>(static_cast<std::size_t>(c.traces), c.type), static_cast<int>(c.n));
        desc.endian = c.little ? "Ltl" : "Big";
        std::vector<int64_t> samples;
        for (int t = 0; t < c.traces; ++t) {
            std::vector<int64_t> walk = Walk(rnd, c.n, w);
            samples.insert(samples.end(), walk.begin(), walk.end());
        }
        // An extreme just past the read's end and one just before its start.
        const auto at = [&](int64_t i) -> int64_t& { return samples[static_cast<std::size_t>(trace * c.n + i)]; };
        const int64_t end = c.first.pos + c.first.count;
        if (end < c.n) at(end) = (int64_t{1} << (8 * w - 1)) - 1;
        if (c.first.pos > 0) at(c.first.pos - 1) = -(int64_t{1} << (8 * w - 1));
        const std::string path = Write(desc, SampleBytes(samples, w, c.little), "big" + std::to_string(file++));
        CWaveFile plain(path, 0), summarised(path, 0);
        summarised.SetSummaryStore(&store);
        const int outSize = c.first.code == 0 ? w : c.first.code == 2 ? 2 : 4;
        ASSERT_EQ(ReadPairs(summarised, 0, trace, c.first, outSize), ReadPairs(plain, 0, trace, c.first, outSize));
        for (int i = 0; i < 25; ++i) {
            const Query q = RandomQuery(rnd, c.n, c.first.code);
            SCOPED_TRACE(Describe(q));
            EXPECT_EQ(ReadPairs(summarised, 0, trace, q, outSize), ReadPairs(plain, 0, trace, q, outSize));
        }
    }
    EXPECT_EQ(store.Count(), cases.size());
}

// Pieces summarised out of order on two threads give the summary that appending
// the samples in order gives: the same pairs for every read, the same samples read
// for them, and none for the reads whose cuts were wanted.
TEST(SummaryFill, PiecesFilledInAnyOrderOnTwoThreadsGiveWhatAppendingGives) {
    std::mt19937 rnd(99);
    for (const auto compare : {EnvelopeSummary::Compare::Signed, EnvelopeSummary::Compare::Bits}) {
        for (const int64_t n : {EnvelopeSummary::kPieceAlign * 40, EnvelopeSummary::kPieceAlign * 37 + 1001}) {
            SCOPED_TRACE("samples " + std::to_string(n));
            std::vector<int16_t> x(static_cast<std::size_t>(n));
            for (int64_t v = 0, i = 0; i < n; ++i) {
                v = std::clamp<int64_t>(v + static_cast<int64_t>(rnd() % 41) - 20, -32768, 32767);
                x[static_cast<std::size_t>(i)] = static_cast<int16_t>(rnd() % 997 == 0 ? rnd() : v);
            }
            const auto bytes = [&](int64_t first, int64_t count) {
                return std::span(reinterpret_cast<const uint8_t*>(x.data() + first),
                                 static_cast<std::size_t>(count) * 2);
            };
            const std::vector<StreamChunk> wanted{{0, n}};
            const int wantedStep = 1000 * 256 + 77;
            std::vector<int64_t> cuts, blocks;
            EnvelopeSummary::CutsOf(wanted, wantedStep, 1 << 20, cuts, blocks);

            EnvelopeSummary appended(2, compare, n), filled(2, compare, n);
            appended.WantCuts(cuts, blocks);
            filled.WantCuts(cuts, blocks);
            for (int64_t at = 0; at < n;) {
                const int64_t m = std::min<int64_t>(n - at, 1 + rnd() % 70000);
                appended.Append(bytes(at, m));
                at += m;
            }
            const int64_t piece = EnvelopeSummary::kPieceAlign * 3;
            std::vector<int64_t> order;
            for (int64_t at = 0; at < n; at += piece) order.push_back(at);
            std::shuffle(order.begin(), order.end(), rnd);
            filled.Reserve(n);
            std::vector<EnvelopeSummary::PieceCuts> kept{filled.NewPieceCuts(), filled.NewPieceCuts()};
            {
                std::jthread other([&] {
                    for (std::size_t i = 1; i < order.size(); i += 2)
                        filled.FillAt(order[i], bytes(order[i], std::min(piece, n - order[i])), kept[1]);
                });
                for (std::size_t i = 0; i < order.size(); i += 2)
                    filled.FillAt(order[i], bytes(order[i], std::min(piece, n - order[i])), kept[0]);
            }
            filled.Adopt(kept);
            appended.Finish();
            filled.Finish();
            ASSERT_EQ(filled.Samples(), n);
            EXPECT_EQ(filled.Bytes(), appended.Bytes());

            auto reduce = [&](EnvelopeSummary& s, std::span<const StreamChunk> chunks, int step, int64_t& read) {
                std::vector<uint8_t> out(1 << 16);
                int64_t written = 0;
                const StreamReader reader = [&](int64_t first, int64_t count, std::span<uint8_t> to, int64_t& got) {
                    std::memcpy(to.data(), x.data() + first, static_cast<std::size_t>(count) * 2);
                    got = count;
                    read += count;
                    return -1;
                };
                EXPECT_EQ(s.Reduce(chunks, step, reader, out, 1 << 15, written), -1);
                out.resize(static_cast<std::size_t>(written) * 2);
                return out;
            };
            int64_t readA = 0, readB = 0;
            EXPECT_EQ(reduce(filled, wanted, wantedStep, readB), reduce(appended, wanted, wantedStep, readA));
            EXPECT_EQ(readB, 0);
            EXPECT_EQ(readA, 0);
            for (int i = 0; i < 40; ++i) {
                const int64_t first = static_cast<int64_t>(rnd() % static_cast<uint32_t>(n));
                const std::vector<StreamChunk> chunks{{first, 1 + static_cast<int64_t>(rnd() % (n - first))}};
                const int step = static_cast<int>((kBlock + rnd() % 5000) * 256 + rnd() % 256);
                SCOPED_TRACE("first " + std::to_string(first) + " step " + std::to_string(step));
                EXPECT_EQ(reduce(filled, chunks, step, readB), reduce(appended, chunks, step, readA));
                EXPECT_EQ(readB, readA);
            }
        }
    }
}

// Records of several blocks in the "Block" layout, big-endian, and traces whose
// records hold fewer samples than one summary block.
TEST_F(SummaryTest, BlockLayoutByteOrderAndRecordsShorterThanABlock) {
    std::mt19937 rnd(7);
    HeaderDesc desc = Simple({"IS2", "IU2", "IS2"}, 0, 3);
    desc.dataFormat = "Block";
    desc.endian = "Big";
    desc.groups[0].sizes = {{70001, 40, 5003}, {70001, 40, 12000}, {37, 40, 1}};  // per block, per trace
    std::vector<int64_t> all;
    for (const auto& row : desc.groups[0].sizes)
        for (int size : row) {
            const std::vector<int64_t> w = Walk(rnd, size, 2);
            all.insert(all.end(), w.begin(), w.end());
        }
    const std::string path = Write(desc, SampleBytes(all, 2, false), "blocks");
    CWaveFile plain(path, 0), summarised(path, 0);
    ASSERT_TRUE(plain.IsOpen() && summarised.IsOpen());
    summarised.SetSummaryStore(&store);
    for (int block = 0; block < 3; ++block)
        for (int trace = 0; trace < 3; ++trace) {
            plain.SetBlock(block);
            plain.SetTrace(trace);
            const int64_t n = plain.GetBlockSize();
            SCOPED_TRACE("block " + std::to_string(block) + " trace " + std::to_string(trace));
            const Query full{256 * 64 + 17, 0, n, 1 << 16, 2};
            ASSERT_EQ(ReadPairs(summarised, block, trace, full, 2), ReadPairs(plain, block, trace, full, 2));
            for (int i = 0; i < 30; ++i) {
                Query q = RandomQuery(rnd, std::max<int64_t>(n, 2), 2);
                q.pos = std::min(q.pos, n - 1);
                SCOPED_TRACE(Describe(q));
                EXPECT_EQ(ReadPairs(summarised, block, trace, q, 2), ReadPairs(plain, block, trace, q, 2));
            }
        }
    EXPECT_EQ(store.Count(), 9u);
}

// Realtime files: every region with its own summary, ring buffers, frames whose
// samples start off the region's pair grid, reads from odd positions and through
// the ratio overloads.
TEST_F(SummaryTest, RealtimeRegionsMatchStreamedReads) {
    wavegen::RtmDesc desc;
    desc.samples = 2000001;  // odd: the newest samples start mid-frame
    desc.signal.kind = wavegen::Signal::Noise;
    desc.reduction = wavegen::RtmReduction::MinMax;
    desc.regions[0].ring = true;
    desc.regions[0].frames = desc.samples / 2 + 900;
    desc.regions[0].ringStart = 12345 * 16;
    desc.regions[2].extraBytes = 6;
    const std::string path = dir.File("run.rtm");
    ASSERT_TRUE(wavegen::WriteRtm(path, desc));
    CRtmFile plain(path, 0), summarised(path, 0);
    ASSERT_TRUE(plain.IsOpen() && summarised.IsOpen());
    summarised.SetSummaryStore(&store);
    std::mt19937 rnd(11);
    for (int trace = 0; trace < 4; ++trace) {
        SCOPED_TRACE("trace " + std::to_string(trace));
        // Full reads of the acquisition region and of the display region.
        for (const Query full :
             {Query{64 * 256 + 3, 0, desc.samples, 1 << 16, 2}, Query{64 * 1000 * 256, 0, desc.samples, 1 << 16, 0}})
            ASSERT_EQ(ReadPairs(summarised, 0, trace, full, 2), ReadPairs(plain, 0, trace, full, 2));
        for (int i = 0; i < 40; ++i) {
            Query q = RandomQuery(rnd, desc.samples, i % 2 == 0 ? 2 : 0);
            // Pairs of at least a block in the display region.
            const int g = std::vector<int>{64, 65, 300, 2000}[rnd() % 4] * 1000;
            if (i % 3 == 0) q.step = g * 256 + static_cast<int>(rnd() % 256);
            SCOPED_TRACE(Describe(q));
            EXPECT_EQ(ReadPairs(summarised, 0, trace, q, 2), ReadPairs(plain, 0, trace, q, 2));
            const int ratio = std::vector<int>{64, 99, 1000, 5000, 64000}[rnd() % 5];
            std::vector<uint8_t> a(static_cast<std::size_t>(q.room * 2)), b(a.size());
            int64_t ga = 0, gb = 0;
            EXPECT_EQ(summarised.ReadEnvelopeRatio(ratio, 0, trace, q.pos, q.count, a, ga, 2),
                      plain.ReadEnvelopeRatio(ratio, 0, trace, q.pos, q.count, b, gb, 2));
            ASSERT_EQ(ga, gb);
            EXPECT_TRUE(std::equal(a.begin(), a.begin() + 2 * ga, b.begin())) << "ratio " << ratio;
        }
    }
    EXPECT_GE(store.Count(), 8u);
}

// Floating files: NaN values sit at the display centre, as in a streamed read.
TEST_F(SummaryTest, FloatingFilesWithNanMatchStreamedReads) {
    std::mt19937 rnd(5);
    std::vector<float> values;
    float v = 0.0f;
    for (int i = 0; i < 300007; ++i) {
        v += static_cast<float>(static_cast<int>(rnd() % 201) - 100) * 0.01f;
        values.push_back(i % 1013 == 0 ? std::numeric_limits<float>::quiet_NaN() : i % 4999 == 0 ? -v * 3 : v);
    }
    const std::string path = dir.File("values.fld");
    ASSERT_TRUE(wavegen::WriteFldValues(path, values, 2));
    CFldFile plain, summarised;
    ASSERT_EQ(plain.Open(path, 0), -1);
    ASSERT_EQ(summarised.Open(path, 0), -1);
    summarised.SetSummaryStore(&store);
    const int64_t n = plain.GetSampleCount();
    const Query full{MainStep(n), 0, n, 2048, 0};
    ASSERT_EQ(ReadPairs(summarised, 0, 0, full, 2), ReadPairs(plain, 0, 0, full, 2));
    ASSERT_EQ(store.Count(), 1u);
    for (int i = 0; i < 200; ++i) {
        Query q = RandomQuery(rnd, n, 0);
        q.step = std::max<int>(q.step, static_cast<int>(std::min<int64_t>(q.count, n) / 1000 * 256));
        SCOPED_TRACE(Describe(q));
        EXPECT_EQ(ReadPairs(summarised, 0, 0, q, 2), ReadPairs(plain, 0, 0, q, 2));
    }
}

// Reads announced before the read that builds the summary read no sample again:
// the summary kept what they need where their groups start and end inside a block,
// in a realtime file's regions and in a floating file too.
TEST_F(SummaryTest, ExpectedReadsReadNoSampleAgain) {
    std::mt19937 rnd(12);
    const int64_t n = 3000017;
    const std::string wvf = Write(Simple({"IS2"}, static_cast<int>(n)), SampleBytes(Walk(rnd, n, 2), 2, true));
    wavegen::RtmDesc rtm;
    rtm.samples = n;
    rtm.signal.kind = wavegen::Signal::Noise;
    ASSERT_TRUE(wavegen::WriteRtm(dir.File("run.rtm"), rtm));
    wavegen::FldDesc fld;
    fld.samples = n;
    fld.signal.kind = wavegen::Signal::Noise;
    ASSERT_TRUE(wavegen::WriteFld(dir.File("run.fld"), fld));

    const std::vector<EnvelopeRead> windows{{MainStep(n), 0, n, 2},
                                            {static_cast<int>(2000000 * 0.256), 4000 * 123, 2000000, 2},
                                            {1001 * 256 + 77, 12345, 1000000, 2},
                                            {66 * 1000 * 256, 0, n, 2}};
    // Realtime reads with pairs of at least a block in the region reduced 1/1000
    // (the acquisition region's pairs are all shorter than a block).
    const std::vector<EnvelopeRead> reduced{{static_cast<int>(kBlock + 6) * 256 * 1000, 4000 * 7, 2000000, 2},
                                            {static_cast<int>(2 * kBlock + 22) * 256 * 1000 + 200, 1001, 2900000, 2},
                                            {static_cast<int>(3 * kBlock + 7) * 256 * 1000 + 1, 20001, 2900000, 2}};
    auto check = [&](CWaveFile& summarised, CWaveFile& plain, const std::vector<EnvelopeRead>& expected, int fullStep,
                     const std::string& what) {
        SCOPED_TRACE(what);
        ReadMonitor monitor;
        summarised.SetReadMonitor(&monitor);
        summarised.SetSummaryStore(&store);
        summarised.ExpectEnvelopeReads(expected);
        const Query full{fullStep, 0, n, 1 << 20, 2};
        ASSERT_EQ(ReadPairs(summarised, 0, 0, full, 2), ReadPairs(plain, 0, 0, full, 2));
        for (const EnvelopeRead& r : expected) {
            const Query q{r.stepCode, r.pos, r.count, 4096, r.code};
            SCOPED_TRACE(Describe(q));
            monitor.Reset();
            EXPECT_EQ(ReadPairs(summarised, 0, 0, q, 2), ReadPairs(plain, 0, 0, q, 2));
            EXPECT_EQ(monitor.bytesRead.load(), 0);
        }
    };
    CWaveFile wa(wvf, 0), wb(wvf, 0);
    check(wa, wb, windows, MainStep(n), "wvf");
    CRtmFile ra(dir.File("run.rtm"), 0), rb(dir.File("run.rtm"), 0);
    check(ra, rb, reduced, static_cast<int>(kBlock) * 256 * 1000 + 3, "rtm");
    CFldFile fa, fb;
    ASSERT_EQ(fa.Open(dir.File("run.fld"), 0), -1);
    ASSERT_EQ(fb.Open(dir.File("run.fld"), 0), -1);
    check(fa, fb, windows, MainStep(n), "fld");
}

// Budget: summaries beyond it push out the least recently used, and a record whose
// summary went is read whole again, with the same answers.
TEST_F(SummaryTest, BudgetDropsTheLeastRecentlyUsedAndTheirRecordsAreReadAgain) {
    const int64_t n = 1 << 20;
    std::mt19937 rnd(3);
    std::vector<int64_t> s;
    for (int t = 0; t < 3; ++t) {
        const std::vector<int64_t> w = Walk(rnd, n, 2);
        s.insert(s.end(), w.begin(), w.end());
    }
    const std::string path = Write(Simple({"IS2", "IS2", "IS2"}, static_cast<int>(n)), SampleBytes(s, 2, true));
    SummaryStore small(EnvelopeSummary::EstimateBytes(n, 2) * 5 / 2, std::chrono::milliseconds(0));
    CWaveFile plain(path, 0), summarised(path, 0);
    summarised.SetSummaryStore(&small);
    ReadMonitor monitor;
    summarised.SetReadMonitor(&monitor);
    // Groups that start and end on block starts: reads from a summary read nothing.
    const Query main{1024 * 256, 0, n, 4096, 2};
    for (int t : {0, 1, 2}) ASSERT_EQ(ReadPairs(summarised, 0, t, main, 2), ReadPairs(plain, 0, t, main, 2));
    EXPECT_EQ(small.Count(), 2u);
    EXPECT_LE(small.Bytes(), small.Budget());
    monitor.Reset();
    EXPECT_EQ(ReadPairs(summarised, 0, 2, main, 2), ReadPairs(plain, 0, 2, main, 2));
    EXPECT_EQ(monitor.bytesRead.load(), 0);  // kept
    monitor.Reset();
    EXPECT_EQ(ReadPairs(summarised, 0, 0, main, 2), ReadPairs(plain, 0, 0, main, 2));
    EXPECT_GE(monitor.bytesRead.load(), n * 2);  // dropped: read whole again, and kept again
    monitor.Reset();
    const Query zoom{64000 * 256, 128000, 1000 * 64000 / 100, 4096, 2};
    EXPECT_EQ(ReadPairs(summarised, 0, 0, zoom, 2), ReadPairs(plain, 0, 0, zoom, 2));
    EXPECT_EQ(monitor.bytesRead.load(), 0);
    EXPECT_EQ(small.Count(), 2u);

    // A budget too small for any summary streams every read.
    SummaryStore none(1000);
    CWaveFile tiny(path, 0);
    tiny.SetSummaryStore(&none);
    EXPECT_EQ(ReadPairs(tiny, 0, 1, main, 2), ReadPairs(plain, 0, 1, main, 2));
    EXPECT_EQ(none.Count(), 0u);
}

// A file changed on disk between two opens is read again, also when its size stays
// and the change comes within the file system's clock step; an unchanged file
// whose last change is old is not.
TEST_F(SummaryTest, AFileChangedBetweenOpensIsNeverAnsweredFromItsOldSummary) {
    const int64_t n = 200000;
    std::mt19937 rnd(9);
    const HeaderDesc desc = Simple({"IS2"}, static_cast<int>(n));
    const std::string path = Write(desc, SampleBytes(Walk(rnd, n, 2), 2, true));
    const Query main{MainStep(n), 0, n, 4096, 2};
    const Query zoom{5000 * 256, 1000, 90000, 4096, 2};

    WaveDocument doc(int64_t{64} << 20);
    ReadMonitor monitor;
    doc.SetReadMonitor(&monitor);
    auto envelopeOf = [&](const Query& q) {
        EXPECT_TRUE(doc.Load(path).ok);
        monitor.Reset();
        Envelope e = ReadPairs(*doc.Current(), 0, 0, q, 2);
        CWaveFile plain(path, 0);
        EXPECT_EQ(e, ReadPairs(plain, 0, 0, q, 2));
        return e;
    };
    const Envelope before = envelopeOf(main);
    // Written a moment ago: the next open shares nothing with this one.
    EXPECT_EQ(doc.Summaries().Count(), 1u);
    envelopeOf(zoom);
    EXPECT_GE(monitor.bytesRead.load(), 2 * 90000);

    // Same size, other samples, at once.
    Write(desc, SampleBytes(Walk(rnd, n, 2), 2, true));
    EXPECT_NE(envelopeOf(main), before);
    envelopeOf(zoom);

    // A file left alone past the settle time keeps its summary over a close.
    SummaryStore settled(int64_t{64} << 20, std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    CWaveFile file;
    file.SetSummaryStore(&settled);
    ReadMonitor counted;
    file.SetReadMonitor(&counted);
    ASSERT_EQ(file.Open(path, 0), -1);
    ReadPairs(file, 0, 0, main, 2);
    file.Close();
    ASSERT_EQ(file.Open(path, 0), -1);
    counted.Reset();
    CWaveFile plain(path, 0);
    EXPECT_EQ(ReadPairs(file, 0, 0, zoom, 2), ReadPairs(plain, 0, 0, zoom, 2));
    EXPECT_LT(counted.bytesRead.load(), 2 * 90000 / 8);
    file.Close();
    // Then changed in place: its times move on, the old summary is not used.
    const std::vector<int64_t> other = Walk(rnd, n, 2);
    Write(desc, SampleBytes(other, 2, true));
    ASSERT_EQ(file.Open(path, 0), -1);
    CWaveFile fresh(path, 0);
    EXPECT_EQ(ReadPairs(file, 0, 0, zoom, 2), ReadPairs(fresh, 0, 0, zoom, 2));
}

// A file cut short while open: its summary no longer fits the samples, and the read
// falls back to what the samples give.
TEST_F(SummaryTest, AFileCutShortWhileOpenGivesWhatItsSamplesGive) {
    const int64_t n = 300000;
    std::mt19937 rnd(4);
    const std::string path = Write(Simple({"IS2"}, static_cast<int>(n)), SampleBytes(Walk(rnd, n, 2), 2, true));
    CWaveFile summarised(path, 0);
    summarised.SetSummaryStore(&store);
    const Query main{MainStep(n), 0, n, 4096, 2};
    ReadPairs(summarised, 0, 0, main, 2);
    ASSERT_EQ(store.Count(), 1u);
    std::filesystem::resize_file(path, 2 * (n / 2) + 1);
    CWaveFile plain(path, 0);
    for (const Query& q : {Query{300 * 256 + 5, 1001, n - 2000, 4096, 2}, main}) {
        SCOPED_TRACE(Describe(q));
        EXPECT_EQ(ReadPairs(summarised, 0, 0, q, 2), ReadPairs(plain, 0, 0, q, 2));
    }
}

// A read cancelled while it builds a summary keeps none: the next read, after the
// monitor is reset, builds it whole and answers as a streamed read.
TEST_F(SummaryTest, ACancelledReadLeavesNoSummary) {
    const int64_t n = int64_t{8} << 20;
    std::mt19937 rnd(6);
    const std::string path = Write(Simple({"IS2"}, static_cast<int>(n)), SampleBytes(Walk(rnd, n, 2), 2, true));
    CWaveFile summarised(path, 0), plain(path, 0);
    summarised.SetSummaryStore(&store);
    ReadMonitor monitor;
    summarised.SetReadMonitor(&monitor);
    const Query main{MainStep(n), 0, n, 4096, 2};
    for (const int64_t stopAt : {int64_t{0}, n / 2, n * 3 / 2}) {
        store.Clear();
        monitor.Reset();
        std::atomic<bool> done{false};
        std::thread canceller([&] {
            while (!done && monitor.bytesRead.load() < stopAt) std::this_thread::yield();
            monitor.cancel = true;
        });
        const Envelope cancelled = ReadPairs(summarised, 0, 0, main, 2);
        done = true;
        canceller.join();
        if (cancelled.result != -1) {
            EXPECT_EQ(store.Count(), 0u) << "stopped at " << stopAt;
        }
        monitor.Reset();
        EXPECT_EQ(ReadPairs(summarised, 0, 0, main, 2), ReadPairs(plain, 0, 0, main, 2));
        EXPECT_EQ(store.Count(), 1u);
        const Query zoom{10000 * 256, 4096, 10000 * 500, 4096, 2};
        EXPECT_EQ(ReadPairs(summarised, 0, 0, zoom, 2), ReadPairs(plain, 0, 0, zoom, 2));
    }
}

// A summary made from runs its caller read anyway, handed over out of order from
// two threads, answers reads as a reader without summaries does and tells each
// run's block extremes; a run left out, handed over twice or not aligned leaves
// no summary, and a summary kept already gets no feed.
TEST_F(SummaryTest, FedSummariesMatchStreamedReadsAndNeedEveryRunOnce) {
    std::mt19937 rnd(77);
    const int64_t n = 2100011;
    std::vector<int64_t> samples;
    for (int t = 0; t < 2; ++t) {
        const std::vector<int64_t> walk = Walk(rnd, n, 2);
        samples.insert(samples.end(), walk.begin(), walk.end());
    }
    const std::string path = Write(Simple({"IS2", "IS2"}, static_cast<int>(n)), SampleBytes(samples, 2, true), "fed");
    CWaveFile plain(path, 0), fed(path, 0);
    fed.SetSummaryStore(&store);
    constexpr int64_t kRun = 65536;
    std::vector<int64_t> runs;
    for (int64_t first = 0; first < n; first += kRun) runs.push_back(first);
    std::shuffle(runs.begin(), runs.end(), rnd);
    const auto run = [&](int trace, int64_t first, int64_t count) {
        std::vector<int16_t> v;
        for (int64_t i = first; i < std::min(first + count, n); ++i)
            v.push_back(static_cast<int16_t>(samples[static_cast<size_t>(trace * n + i)]));
        return v;
    };

    std::unique_ptr<SummaryFeed> feed = fed.StartSummaryFeed(0, 0, 2);
    ASSERT_TRUE(feed);
    for (size_t i = 0; i < runs.size(); ++i) {
        const std::vector<int16_t> v = run(0, runs[i], kRun);
        feed->Fill(static_cast<int>(i % 2), runs[i], v);
        const size_t whole = v.size() / kBlock;
        const std::span<const int16_t> pairs = feed->BlockPairs(runs[i] / kBlock, static_cast<int64_t>(whole));
        ASSERT_EQ(pairs.size(), 2 * whole);
        for (size_t j = 0; j < whole; ++j) {
            const auto [mn, mx] = std::minmax_element(v.begin() + j * kBlock, v.begin() + (j + 1) * kBlock);
            ASSERT_EQ(std::min(pairs[2 * j], pairs[2 * j + 1]), *mn) << runs[i] << " block " << j;
            ASSERT_EQ(std::max(pairs[2 * j], pairs[2 * j + 1]), *mx) << runs[i] << " block " << j;
        }
    }
    EXPECT_TRUE(feed->BlockPairs(n / kBlock, 1).empty()) << "the last partial block";
    ASSERT_TRUE(feed->Keep());
    EXPECT_FALSE(fed.StartSummaryFeed(0, 0, 2)) << "kept already";
    const Query main{MainStep(n), 0, n, 4096, 2};
    ASSERT_EQ(ReadPairs(fed, 0, 0, main, 2), ReadPairs(plain, 0, 0, main, 2));
    for (int i = 0; i < 25; ++i) {
        const Query q = RandomQuery(rnd, n, 2);
        SCOPED_TRACE(Describe(q));
        EXPECT_EQ(ReadPairs(fed, 0, 0, q, 2), ReadPairs(plain, 0, 0, q, 2));
    }

    // Trace 1: every way of handing over other than each aligned run once.
    const auto handOver = [&](std::vector<std::pair<int64_t, int64_t>> pieces) {
        std::unique_ptr<SummaryFeed> f = fed.StartSummaryFeed(0, 1, 1);
        if (!f) return true;
        for (const auto& [first, count] : pieces) f->Fill(0, first, run(1, first, count));
        return f->Keep();
    };
    std::vector<std::pair<int64_t, int64_t>> all;
    for (int64_t first = 0; first < n; first += kRun) all.emplace_back(first, kRun);
    auto gap = all, repeat = all, shifted = all;
    gap.erase(gap.begin() + 3);
    repeat.push_back(repeat[5]);
    shifted[2].first += 1000;
    EXPECT_FALSE(handOver(gap));
    EXPECT_FALSE(handOver(repeat));
    EXPECT_FALSE(handOver(shifted));
    EXPECT_EQ(store.Count(), 1u);
    EXPECT_TRUE(handOver(all));
    EXPECT_EQ(store.Count(), 2u);
}

TEST(SummaryBudget, TheVariableSetsItInMegabytes) {
    const struct {
        const char* value;  // of KIVELO_SUMMARY_MB; null: not set
        int64_t budget;
    } cases[] = {
        {"12", int64_t{12} << 20},         {"0", 0},
        {nullptr, DefaultSummaryBudget()}, {"", DefaultSummaryBudget()},
        {"-3", DefaultSummaryBudget()},    {"12MB", DefaultSummaryBudget()},
        {"x", DefaultSummaryBudget()},     {"99999999999999", DefaultSummaryBudget()},
    };
    for (const auto& c : cases) {
        const auto lookup = [&](const char* name) {
            return std::string_view(name) == WavefileOptions::kSummaryVariable ? c.value : nullptr;
        };
        EXPECT_EQ(WavefileOptions::From(lookup).summaryBudget, c.budget) << (c.value ? c.value : "unset");
    }
    EXPECT_EQ(WaveDocument(0).Options().summaryBudget, 0);
    EXPECT_GT(DefaultSummaryBudget(), 0);
}

}  // namespace
}  // namespace kivelo::test
