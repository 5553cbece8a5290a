// The header writer on its own, fed by a source of plain fields. Whole headers
// are pinned in golden/writer-*.hdr.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <set>

#include "GoldenFile.h"
#include "export/HeaderWriter.h"
#include "instrument/drivers/CInstrument.h"

namespace kivelo {
namespace {

// Answers from plain fields; by trace where a map is keyed.
class FakeSource : public CInstrument {
public:
    int traceCount = 0;
    std::vector<uint16_t> channels;
    int step = 1;
    int dataFormat = 1;
    std::map<int, int> first, count;  // default 1
    std::set<PerBlockKey> perBlock;
    std::map<int, std::string> names, pNames, dcOffset;
    std::string form, function;
    bool failBlockSize = false;

    explicit FakeSource(int traces, HeaderSwitches switches = {}) : CInstrument(switches), traceCount(traces) {
        SetHeaderPath("out.hdr");
        for (int i = 0; i < traces; ++i) channels.push_back(static_cast<uint16_t>(i));
    }
    int GetDataFormat(int& v) override { return Set(v, dataFormat); }
    int GetBlockStep(int& v) override { return Set(v, step); }
    int GetTraceTotalNumber(int& v) override { return Set(v, traceCount); }
    int GetTraceList(std::vector<uint16_t>& v) override { return Set(v, channels); }
    int GetFirstBlockNo(int& v, int t) override { return Set(v, first.contains(t) ? first[t] : 1); }
    int GetBlockCount(int& v, int t) override { return Set(v, count.contains(t) ? count[t] : 1); }
    int GetBlockSize(int& v, int b, int t) override { return failBlockSize ? 0 : Set(v, 1000 * t + b); }
    int GetModelName(std::string& v) override { return Set(v, "QV4300"); }
    int GetTraceName(std::string& v, int t) override {
        return Set(v, names.contains(t) ? names[t] : "Trace" + std::to_string(t));
    }
    int GetPTraceName(std::string& v, int t) override { return Set(v, pNames[t]); }
    int GetDCOffset(std::string& v, int, int t) override { return Set(v, dcOffset[t]); }
    int GetVResolution(double& v, int b, int t) override { return Set(v, 0.001 * (t + 1) + b * 1e-6); }
    int GetDate(std::string& v, int b, int) override { return Set(v, "2026/12/" + std::to_string(10 + b)); }
    int GetForm(std::string& v) override { return Set(v, form); }
    int GetFunction(std::string& v) override { return Set(v, function); }
    int IsPerBlock(PerBlockKey key) const override { return perBlock.contains(key) ? 1 : 0; }

private:
    template <class T, class U>
    static int Set(T& out, const U& value) {
        out = value;
        return -1;  // answered
    }
};

// Keeps the header in memory; can fail or cancel after a number of writes.
class MemoryOutput : public CHeaderOutput {
public:
    std::string path, bytes;
    int writesBeforeFailure = -1;
    WriteResult failureKind = WriteResult::Failed;
    bool refuseOpen = false;
    int closes = 0;

    bool Open(const std::string& p) override {
        path = p;
        return !refuseOpen;
    }
    WriteResult Write(std::string_view b) override {
        if (writesBeforeFailure == 0) return failureKind;
        if (writesBeforeFailure > 0) --writesBeforeFailure;
        bytes += b;
        return WriteResult::Ok;
    }
    bool Close() override { return ++closes > 0; }
};

void ExpectGolden(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(test::CompareText("tests/export/golden/writer-" + name + ".hdr", bytes));
}

// Layout rules no family exercises: trace groups of four, block ranges that
// differ per trace ("?" outside one), descending block numbers, per-block keys
// with one block, names cut to 16 columns with blanks as "_", values left out
// or lines left empty, the optional sections.
TEST(HeaderWriter, LayoutsMatchTheirGoldenHeaders) {
    const struct {
        const char* name;
        int traces;
        HeaderSwitches switches;
        std::function<void(FakeSource&)> setup;
    } rows[] = {
        {"two-traces", 2, {}, [](FakeSource&) {}},
        {"groups", 9, {}, [](FakeSource&) {}},
        {"ranges",
         2,
         {},
         [](FakeSource& s) {
             s.first = {{0, 1}, {1, 2}};
             s.count = {{0, 3}, {1, 2}};
             s.perBlock = {PerBlockKey::BlockSize, PerBlockKey::VResolution, PerBlockKey::Date};
         }},
        {"descending",
         1,
         {},
         [](FakeSource& s) {
             s.step = -1;
             s.first = {{0, 0}};
             s.count = {{0, 3}};
             s.perBlock = {PerBlockKey::BlockSize};
         }},
        {"names",
         3,
         {},
         [](FakeSource& s) {
             s.names = {{0, "ABCDEFGHIJKLMNOPQRST"}, {1, "two words"}};
             s.dcOffset = {{0, "0.5"}, {2, "0.7"}};
             s.pNames = {{0, "P0"}, {1, "P1"}};
             s.form = "XY";
             s.function = "MATH";
             s.perBlock = {PerBlockKey::BlockSize};
         }},
        // clang-format off
        {"empty-name", 2, {}, [](FakeSource& s) { s.names = {{0, ""}}; }},
        // clang-format on
        {"no-private", 1, {.privateSection = false}, [](FakeSource&) {}},
        {"media-no-traces", 0, {.mediaSection = true, .dataAppend = true}, [](FakeSource&) {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeSource source(row.traces, row.switches);
        row.setup(source);
        MemoryOutput out;
        EXPECT_EQ(WriteHeader(source, out), kHeaderWritten);
        EXPECT_EQ(out.closes, 1);
        ExpectGolden(row.name, out.bytes);
    }
    CInstrument base;  // the base answers make a header too
    MemoryOutput out;
    ASSERT_EQ(WriteHeader(base, out), kHeaderWritten);
    EXPECT_EQ(out.path, std::string(CInstrument::kDefaultHeaderPath));
    ExpectGolden("base", out.bytes);
}

// Failures stop the header at once and close the output; answers no header
// can describe are refused before any group is written.
TEST(HeaderWriter, FailuresAndImplausibleAnswers) {
    const struct {
        const char* name;
        int traces;
        std::function<void(FakeSource&, MemoryOutput&)> setup;
        int result;
    } rows[] = {
        {"data format", 1, [](FakeSource& s, MemoryOutput&) { s.dataFormat = 3; }, kHeaderBadDataFormat},
        {"source fails", 2, [](FakeSource& s, MemoryOutput&) { s.failBlockSize = true; }, 0},
        {"write fails", 2, [](FakeSource&, MemoryOutput& o) { o.writesBeforeFailure = 5; }, 0},
        {"cancelled", 2,
         [](FakeSource&, MemoryOutput& o) {
             o.writesBeforeFailure = 20;
             o.failureKind = CHeaderOutput::WriteResult::Cancelled;
         },
         kHeaderCancelled},
        {"not opened", 2, [](FakeSource&, MemoryOutput& o) { o.refuseOpen = true; }, 0},
        {"101 traces", 101, [](FakeSource&, MemoryOutput&) {}, kHeaderBadAnswer},
        {"-1 traces", 0, [](FakeSource& s, MemoryOutput&) { s.traceCount = -1; }, kHeaderBadAnswer},
        {"short list", 3, [](FakeSource& s, MemoryOutput&) { s.channels.pop_back(); }, kHeaderBadAnswer},
        {"step 2", 1, [](FakeSource& s, MemoryOutput&) { s.step = 2; }, kHeaderBadAnswer},
        // clang-format off
        {"no blocks", 2, [](FakeSource& s, MemoryOutput&) { s.count = {{0, 0}, {1, -5}}; }, kHeaderBadAnswer},
        {"huge range", 1, [](FakeSource& s, MemoryOutput&) {
             // clang-format on
             s.first = {{0, INT_MIN}};
             s.count = {{0, INT_MAX}};
         },
         kHeaderBadAnswer},
        {"past int", 1,
         [](FakeSource& s, MemoryOutput&) {
             s.first = {{0, INT_MAX}};
             s.count = {{0, 2}};
             // clang-format off
         }, kHeaderBadAnswer},
        {"most blocks", 1, [](FakeSource& s, MemoryOutput&) { s.count = {{0, kMaxHeaderBlocks}}; }, kHeaderWritten},
        // clang-format on
    };
    for (const auto& row : rows) {
        FakeSource source(row.traces);
        MemoryOutput out;
        row.setup(source, out);
        EXPECT_EQ(WriteHeader(source, out), row.result) << row.name;
        EXPECT_EQ(out.closes, out.refuseOpen ? 0 : 1) << row.name;
        if (row.result == kHeaderBadAnswer) {
            EXPECT_EQ(out.bytes.find("$Group"), std::string::npos) << row.name;
        }
    }
}

}  // namespace
}  // namespace kivelo
