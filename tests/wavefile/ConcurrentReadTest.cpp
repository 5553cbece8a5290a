// Reads that take their record and trace, made by several threads at once on
// one open reader: each thread gets what one thread reading alone gets, and the
// reader's current block, trace and region stay where SetBlock, SetTrace and
// SelectRegion put them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "Wavegen.h"
#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/SummaryStore.h"

namespace gen = kivelo::wavegen;

namespace kivelo {
namespace {

constexpr int64_t kSamples = 20000;

// Everything a set of reads of one record of one trace delivered, results included.
using Outcome = std::vector<uint8_t>;

template <class T>
void Note(Outcome& out, const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

template <class T>
void NoteAll(Outcome& out, int result, const std::vector<T>& values, int64_t count) {
    Note(out, result);
    Note(out, count);
    const auto* p = reinterpret_cast<const uint8_t*>(values.data());
    out.insert(out.end(), p, p + static_cast<std::ptrdiff_t>(std::max<int64_t>(count, 0) * sizeof(T)));
}

// Sample, text, value and envelope reads of a record of a trace, the envelopes both
// streamed and (once a whole-record read kept one) from its summary.
Outcome ReadsOf(const CWaveFile& f, int block, int trace) {
    Outcome out;
    const int64_t n = f.GetBlockSize(block, trace);
    Note(out, n);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(kSamples) * 8);
    std::vector<ValueText> texts(300);
    std::vector<double> values(500);
    int64_t got = 0;
    for (const int code : {kWidthNative, kWidth2, kWidth4}) {
        const int r = f.ReadData(block, trace, 0, n, bytes, got, code);
        NoteAll(out, r, bytes, got * 4);
    }
    int r = f.ReadData(block, trace, n / 3, 1001, bytes, got, kWidth1);
    NoteAll(out, r, bytes, got);
    r = f.ReadText(block, trace, 7, 300, texts, got);
    NoteAll(out, r, texts, got);
    r = f.ReadValues(block, trace, 17, 500, values, got);
    NoteAll(out, r, values, got);
    const int wide = static_cast<int>(n * 512 / 200);  // groups of 100 samples: from the summary
    for (const auto& [step, pos, count] : {std::tuple{512, int64_t{3}, int64_t{900}}, std::tuple{1024, int64_t{0}, n},
                                           std::tuple{wide, int64_t{0}, n}, std::tuple{wide, n / 4, n / 2}}) {
        r = f.ReadEnvelope(step, block, trace, pos, count, bytes, got, kWidth2);
        NoteAll(out, r, bytes, got * 2);
    }
    r = f.ReadEnvelopeRatio(150, block, trace, 0, n, bytes, got, kWidth2);
    NoteAll(out, r, bytes, got * 2);
    return out;
}

// What the reads that take no record or trace see of the current position.
Outcome HereOf(CWaveFile& f) {
    Outcome out;
    Note(out, f.GetBlockSize());
    std::vector<uint8_t> bytes(4000);
    std::vector<ValueText> texts(50);
    int64_t got = 0;
    int r = f.ReadData(10, 1000, bytes, got, kWidth4);
    NoteAll(out, r, bytes, got * 4);
    r = f.ReadText(0, 50, texts, got);
    NoteAll(out, r, texts, got);
    return out;
}

struct Case {
    const char* name;
    std::function<bool(const std::string& path)> write;
    std::function<std::unique_ptr<CWaveFile>()> make;
    const char* file;
    int blocks, traces;
    int hereBlock, hereTrace;
};

gen::WvfDesc Wvf(const char* layout, const char* endian, const char* types) {
    gen::WvfDesc d;
    d.header.dataFormat = layout;
    d.header.endian = endian;
    d.traces = gen::MakeTraces(3, types, gen::Signal::Noise, 700);
    d.blocks = 3;
    d.samples = kSamples;
    return d;
}

TEST(ConcurrentReads, EveryThreadGetsWhatOneThreadAloneGets) {
    const auto wave = [] { return std::make_unique<CWaveFile>(); };
    gen::RtmDesc rtm;
    rtm.channelMask = 0b1011;
    rtm.samples = kSamples;
    rtm.signal.kind = gen::Signal::Noise;
    gen::FldDesc fld;
    fld.samples = kSamples;
    const Case cases[] = {
        {"wvf Trace layout",
         [](const std::string& p) { return bool(gen::WriteWvf(p, Wvf("Trace", "Big", "IS2,IU2,B16"))); }, wave, "t.wvf",
         3, 3, 2, 1},
        {"wvf Block layout",
         [](const std::string& p) { return bool(gen::WriteWvf(p, Wvf("Block", "Ltl", "IS1,IU2,IS4"))); }, wave, "b.wvf",
         3, 3, 1, 2},
        {"rtm", [&](const std::string& p) { return bool(gen::WriteRtm(p, rtm)); },
         [] { return std::make_unique<CRtmFile>(); }, "r.rtm", 1, 3, 0, 2},
        {"fld", [&](const std::string& p) { return bool(gen::WriteFld(p, fld)); },
         [] { return std::make_unique<CFldFile>(); }, "f.fld", 1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File(c.file);
        ASSERT_TRUE(c.write(path));
        std::vector<std::pair<int, int>> pairs;
        for (int b = 0; b < c.blocks; ++b)
            for (int t = 0; t < c.traces; ++t) pairs.emplace_back(b, t);

        // One thread alone, on a reader of its own.
        SummaryStore aloneStore(int64_t{64} << 20, std::chrono::milliseconds(0));
        std::unique_ptr<CWaveFile> alone = c.make();
        alone->SetSummaryStore(&aloneStore);
        ASSERT_EQ(alone->Open(path, 4096), kOpenOk);
        std::vector<Outcome> expected;
        for (const auto& [b, t] : pairs) expected.push_back(ReadsOf(*alone, b, t));

        SummaryStore store(int64_t{64} << 20, std::chrono::milliseconds(0));
        std::unique_ptr<CWaveFile> shared = c.make();
        shared->SetSummaryStore(&store);
        ASSERT_EQ(shared->Open(path, 4096), kOpenOk);
        shared->SetBlock(c.hereBlock);
        shared->SetTrace(c.hereTrace);
        auto* realtime = dynamic_cast<CRtmFile*>(shared.get());
        if (realtime) realtime->SelectRegion(1);
        const Outcome hereBefore = HereOf(*shared);
        const int slotBefore = realtime ? realtime->GetFrameSlot() : 0;

        // Each thread goes through every pair from a place of its own, three times.
        constexpr int kThreads = 4;
        std::vector<std::vector<std::string>> faults(kThreads);
        {
            std::vector<std::jthread> threads;
            for (int k = 0; k < kThreads; ++k)
                threads.emplace_back([&, k] {
                    for (std::size_t i = 0; i < 3 * pairs.size(); ++i) {
                        const std::size_t at = (i + static_cast<std::size_t>(k) * 5) % pairs.size();
                        const auto [b, t] = pairs[at];
                        if (ReadsOf(*shared, b, t) != expected[at])
                            faults[static_cast<std::size_t>(k)].push_back("block " + std::to_string(b) + " trace " +
                                                                          std::to_string(t));
                    }
                });
        }
        for (int k = 0; k < kThreads; ++k)
            EXPECT_TRUE(faults[static_cast<std::size_t>(k)].empty())
                << "thread " << k << " first differed at " << faults[static_cast<std::size_t>(k)].front();
        EXPECT_EQ(HereOf(*shared), hereBefore);
        if (realtime) {
            EXPECT_EQ(realtime->GetRegion(), 1);
            EXPECT_EQ(realtime->GetFrameSlot(), slotBefore);
        }
        if (c.traces > 1) {
            EXPECT_GT(store.Count(), 0u);  // the envelopes were also answered from summaries
        }
    }
}

}  // namespace
}  // namespace kivelo
