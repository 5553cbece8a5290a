// The export formats read back by the tools they are made for (h5py, sigrok-cli,
// GTKWave's vcd2fst, Python's reading of a WAV) and compared with the samples
// the readers give; refusals, failures and cancels leave no file. How realtime
// and floating files give their samples is RecordSamples' test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <utility>

#include "FolderEntries.h"
#include "ToolRun.h"
#include "Wavegen.h"
#include "export/ExportFormats.h"
#include "export/Exporter.h"
#include "export/VcdExport.h"
#include "wavefile/WaveDocument.h"

namespace kivelo {
namespace {

using test::FolderEntries;
using test::Have;
using test::Shell;
using test::SplitLines;
using test::SplitWords;
using test::ToolRun;
constexpr const char* kPython = "/usr/bin/python3";

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

// The samples of one trace's record as the reader gives them.
struct Samples {
    int kind = 0;
    std::vector<int64_t> ints;   // integer and logic kinds
    std::vector<float> floats;   // float kind
    std::vector<double> values;  // physical values
};

Samples ReadSamples(CWaveFile& file, int trace, int block, int64_t first, int64_t count) {
    Samples s;
    TraceInfo info;
    file.GetTraceInfo(trace, info);
    s.kind = info.DataKind;
    std::vector<uint8_t> raw(static_cast<std::size_t>(count * info.DataWidth));
    int64_t got = 0;
    EXPECT_EQ(file.ReadData(block, trace, first, count, raw, got, kWidthNative), kFileOk);
    EXPECT_EQ(got, count);
    const bool isSigned = info.DataKind == kKindSigned;
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* p = raw.data() + i * info.DataWidth;
        double x = 0;
        if (info.DataKind == kKindFloat) {
            float f;
            std::memcpy(&f, p, 4);
            s.floats.push_back(f);
            x = f;
        } else {
            int64_t v = 0;
            if (info.DataWidth == 1) v = isSigned ? int64_t{static_cast<int8_t>(p[0])} : int64_t{p[0]};
            if (info.DataWidth == 2) {
                uint16_t u;
                std::memcpy(&u, p, 2);
                v = isSigned ? int64_t{static_cast<int16_t>(u)} : int64_t{u};
            }
            if (info.DataWidth == 4) {
                uint32_t u;
                std::memcpy(&u, p, 4);
                v = isSigned ? int64_t{static_cast<int32_t>(u)} : int64_t{u};
            }
            s.ints.push_back(v);
            x = static_cast<double>(v);
        }
        s.values.push_back(x * info.VResolution + info.VOffset);
    }
    return s;
}

bool Near(double a, double b, double relative) { return std::abs(a - b) <= relative * std::max(1.0, std::abs(b)); }

// The readers take every trace of a record at the width of the trace read, so
// each test record holds traces of one width.
class ExportFormatsTest : public ::testing::Test {
protected:
    static constexpr int kNarrow = 0, kWide = 1;
    static constexpr int64_t kSamples = 40;

    // Records 0.1 ms apart from -2 ms, 40 samples each. Narrow (3 records): W1
    // signed, W2 unsigned, W3 logic, 16 bits each. Wide (2 records): W1 float,
    // W2 unsigned 32 bits.
    void SetUp() override {
        ASSERT_TRUE(dir_.Ok());
        wavegen::WvfDesc narrow;
        narrow.traces = wavegen::MakeTraces(3, "IS2,IU2,B16", wavegen::Signal::Sine, 16);
        narrow.traces[0].name = "Main[1]";
        narrow.traces[0].vResolution = 0.001;
        narrow.traces[0].vOffset = 0.5;
        narrow.traces[1].signal.kind = wavegen::Signal::Ramp;
        narrow.traces[1].vResolution = 0.1;
        narrow.traces[1].vOffset = -5;
        narrow.traces[1].vUnit = "A";
        narrow.traces[2].signal.kind = wavegen::Signal::Logic;
        narrow.traces[2].signal.period = 32;
        narrow.blocks = 3;
        wavegen::WvfDesc wide;
        wide.traces = wavegen::MakeTraces(2, "FS4,IU4", wavegen::Signal::Sine, 16);
        wide.traces[0].vResolution = 2;
        wide.traces[0].vOffset = 1;
        wide.traces[1].signal.kind = wavegen::Signal::Ramp;
        wide.traces[1].vResolution = 1e-6;
        wide.blocks = 2;
        descs_ = {narrow, wide};
        for (int r : {kNarrow, kWide}) {
            wavegen::WvfDesc& d = descs_[static_cast<std::size_t>(r)];
            d.samples = kSamples;
            d.header.hResolution = 1e-4;
            d.header.hOffset = -0.002;
            ASSERT_TRUE(wavegen::WriteWvf(Source(r), d).ok);
            std::string error;
            files_[static_cast<std::size_t>(r)] = OpenWaveFileAt(Source(r), 65536, error);
            ASSERT_TRUE(files_[static_cast<std::size_t>(r)]) << error;
        }
    }

    std::string Source(int record) const { return dir_.File(record == kNarrow ? "narrow.wvf" : "wide.wvf"); }
    std::string Out(const std::string& name) const { return dir_.File(name); }
    CWaveFile& File(int record) { return *files_[static_cast<std::size_t>(record)]; }

    // Traces (all when empty), records and a span of them.
    static ExportRequest Span(std::vector<int> traces, std::vector<int> blocks, int64_t first = 0, int64_t count = -1) {
        ExportRequest request;
        request.traces = std::move(traces);
        request.blocks = std::move(blocks);
        request.first = first;
        request.count = count;
        return request;
    }

    Outcome<ExportCode> Export(int record, const std::string& out, ExportRequest request) {
        request.sourceName = record == kNarrow ? "narrow.wvf" : "wide.wvf";
        return Exporter().Write(File(record), out, request);
    }

    TempDir dir_{"kivelo-export-"};
    std::array<wavegen::WvfDesc, 2> descs_;
    std::array<std::unique_ptr<CWaveFile>, 2> files_;
};

// clang-format off
struct TimescaleCase { double hres, hoff; int64_t first; bool ok; int exponent; int64_t start, step; };
const TimescaleCase kTimescales[] = {
    {1e-3,   0.0,    0,  true,    -3,     0,   1},
    {1e-4,  -0.002,  5,  true,    -4,   -15,   1},
    {2e-6,   0.0,    0,  true,    -6,     0,   2},
    {0.5,    1.0,    0,  true,    -1,    10,   5},
    {200.0,  0.0,    3,  true,     2,     6,   2},
    {1e-5,   3e-5,   0,  true,    -5,     3,   1},
    {1e-15,  0.0,    7,  true,   -15,     7,   1},
    {1.0/3,  0.0,    0,  true,   -15,     0,   0},  // no unit holds it: 1 fs, rounded
    {1e-16,  0.0,    0,  false,    0,     0,   0},
    {0.0,    0.0,    0,  false,    0,     0,   0},
};
// clang-format on

TEST(ExportTimescale, LargestUnitInWhichEveryTimeIsWhole) {
    for (const TimescaleCase& c : kTimescales) {
        VcdExport::Timescale t;
        SCOPED_TRACE("hres " + std::to_string(c.hres) + " hoff " + std::to_string(c.hoff));
        ASSERT_EQ(VcdExport::ChooseTimescale(c.hres, c.hoff, c.first, 1000, t), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(t.exponent, c.exponent);
        EXPECT_EQ(t.start, c.start);
        EXPECT_EQ(t.step, c.step);
    }
    EXPECT_EQ(VcdExport::UnitText(2), "100 s");
    EXPECT_EQ(VcdExport::UnitText(0), "1 s");
    EXPECT_EQ(VcdExport::UnitText(-4), "100 us");
    EXPECT_EQ(VcdExport::UnitText(-14), "10 fs");
}

TEST(ExportFormatTable, EndingsChooseFormats) {
    EXPECT_EQ(ExportFormatOfPath("a/b.H5")->title, "HDF5");
    EXPECT_EQ(ExportFormatOfPath("b.hdf5")->title, "HDF5");
    EXPECT_EQ(ExportFormatOfPath("b.sr")->title, "sigrok session");
    EXPECT_EQ(ExportFormatOfPath("b.Vcd")->title, "VCD");
    EXPECT_EQ(ExportFormatOfPath("b.wav")->title, "WAV");
    EXPECT_EQ(ExportFormatOfPath("b.csv")->title, "CSV with a time column");
    EXPECT_EQ(ExportFormatOfPath("b.txt"), nullptr);
    EXPECT_EQ(ExportFormatOfPath("h5"), nullptr);
}

// h5py prints every attribute ("A path key value"), dataset ("D path dtype
// size layout") and the samples ("V path s0 s1 ...").
const char kH5Dump[] = R"(
import sys, h5py, numpy as np
f = h5py.File(sys.argv[1], 'r')
def attrs(path, obj):
    for k in sorted(obj.attrs):
        v = obj.attrs[k]
        if isinstance(v, bytes): v = v.decode()
        if isinstance(v, np.generic): v = v.item()
        print('A', path, k, repr(v) if isinstance(v, float) else v)
attrs('/', f)
for g in sorted(f):
    attrs('/' + g, f[g])
    for d in sorted(f[g]):
        ds = f[g][d]
        p = '/' + g + '/' + d
        attrs(p, ds)
        print('D', p, ds.dtype.str, ds.shape[0], 'chunked' if ds.chunks else 'contiguous')
        print('V', p, *[repr(float(x)) if ds.dtype.kind == 'f' else int(x) for x in ds[()]])
)";

struct H5Dump {
    std::map<std::string, std::string> attrs;  // "path key" -> value
    std::map<std::string, std::vector<std::string>> datasets, values;
};

H5Dump ReadH5(const std::string& dir, const std::string& path) {
    H5Dump d;
    WriteText(dir + "/dump.py", kH5Dump);
    ToolRun r = Shell(std::string(kPython) + " " + dir + "/dump.py '" + path + "'");
    EXPECT_EQ(r.code, 0) << r.out;
    for (const std::string& line : SplitLines(r.out)) {
        std::vector<std::string> w = SplitWords(line);
        if (w.size() < 2) continue;
        if (w[0] == "A" && w.size() >= 3) {
            const std::size_t at = line.find(' ', line.find(' ', 2) + 1);
            d.attrs[w[1] + " " + w[2]] = at == std::string::npos ? "" : line.substr(at + 1);
        }
        if (w[0] == "D") d.datasets[w[1]] = {w.begin() + 2, w.end()};
        if (w[0] == "V") d.values[w[1]] = {w.begin() + 2, w.end()};
    }
    return d;
}

struct Hdf5Case {
    const char* name;
    int record;
    std::vector<int> traces, blocks;
    int64_t first, count;
    std::vector<std::string> types, kinds;  // of the traces written
};

TEST_F(ExportFormatsTest, Hdf5ReadByH5py) {
    if (!Have(std::string(kPython) + " -c 'import h5py'")) GTEST_SKIP() << "h5py for /usr/bin/python3 is missing";
    // clang-format off
    const Hdf5Case cases[] = {
        {"every record, every trace", kNarrow, {},     {0, 1, 2}, 0,  -1, {"<i2", "<u2", "<u2"}, {"signed", "unsigned", "logic"}},
        {"a span of record 1",        kNarrow, {2, 0}, {1},       5,  20, {"<u2", "<i2"}, {"logic", "signed"}},
        {"float and 32 bits",         kWide,   {},     {1, 0},    30, -1, {"<f4", "<u4"}, {"float", "unsigned"}},
    };
    // clang-format on
    for (const Hdf5Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWaveFile& file = File(c.record);
        const std::string out = Out(std::string(c.name) + ".h5");
        const Outcome<ExportCode> result = Export(c.record, out, Span(c.traces, c.blocks, c.first, c.count));
        ASSERT_TRUE(result.Ok()) << result.message;
        const H5Dump d = ReadH5(dir_.Path(), out);
        EXPECT_EQ(d.attrs.at("/ model"), "QV708");
        EXPECT_EQ(d.attrs.at("/ hresolution"), "0.0001");
        EXPECT_EQ(d.attrs.at("/ hoffset"), "-0.002");
        EXPECT_EQ(d.attrs.at("/ hunit"), "s");
        EXPECT_EQ(d.attrs.at("/ source"), c.record == kNarrow ? "narrow.wvf" : "wide.wvf");
        std::vector<int> traces = c.traces;
        if (traces.empty())
            for (int t = 0; t < file.GetTraceTotalNumber(); ++t) traces.push_back(t);
        EXPECT_EQ(d.datasets.size(), traces.size() * c.blocks.size());
        for (std::size_t k = 0; k < traces.size(); ++k) {
            const int t = traces[k];
            TraceInfo info;
            file.GetTraceInfo(t, info);
            const std::string g = "/W" + std::to_string(t + 1);
            EXPECT_EQ(d.attrs.at(g + " name"), info.TraceName);
            EXPECT_EQ(d.attrs.at(g + " unit"), info.VUnit);
            EXPECT_EQ(d.attrs.at(g + " kind"), c.kinds[k]);
            EXPECT_DOUBLE_EQ(std::stod(d.attrs.at(g + " vresolution")), info.VResolution);
            EXPECT_DOUBLE_EQ(std::stod(d.attrs.at(g + " voffset")), info.VOffset);
            for (int b : c.blocks) {
                const std::string p = g + "/block" + std::to_string(b);
                const int64_t count = c.count >= 0 ? c.count : kSamples - c.first;
                ASSERT_EQ(d.datasets.count(p), 1u) << p;
                EXPECT_EQ(d.datasets.at(p), (std::vector<std::string>{c.types[k], std::to_string(count), "chunked"}));
                std::string date, time;
                file.GetDateTime(b, date, time);
                EXPECT_EQ(d.attrs.at(p + " date"), date);
                EXPECT_EQ(d.attrs.at(p + " time"), time);
                EXPECT_EQ(d.attrs.at(p + " first"), std::to_string(c.first));
                const Samples want = ReadSamples(file, t, b, c.first, count);
                const std::vector<std::string>& got = d.values.at(p);
                ASSERT_EQ(static_cast<int64_t>(got.size()), count) << p;
                for (int64_t i = 0; i < count; ++i) {
                    const auto n = static_cast<std::size_t>(i);
                    if (want.kind == kKindFloat) EXPECT_EQ(static_cast<float>(std::stod(got[n])), want.floats[n]);
                    else EXPECT_EQ(std::stoll(got[n]), want.ints[n]) << p << " sample " << i;
                }
            }
        }
    }
}

// The rows of a sigrok-cli CSV dump, one column per channel, and the channel
// names of its "; Channels (n/n): a, b" comment. The line of units, the other
// comments and the "name: value" lines sigrok-cli prints of analog data besides
// are left out. (Its label=channel option crashes sigrok-cli 0.7 on analog data.)
std::vector<std::vector<std::string>> SigrokRows(const std::string& text, std::vector<std::string>& names) {
    std::vector<std::vector<std::string>> rows;
    bool unitsSeen = false;
    for (std::string line : SplitLines(text)) {
        if (line.rfind("; Channels (", 0) == 0) {
            std::istringstream in(line.substr(line.find(": ") + 2));
            for (std::string name; std::getline(in, name, ',');) names.push_back(name.substr(name[0] == ' ' ? 1 : 0));
        }
        if (line.empty() || line[0] == ';' || line.find(": ") != std::string::npos) continue;
        if (!std::exchange(unitsSeen, true)) continue;
        std::vector<std::string> cells;
        std::istringstream in(line);
        for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

struct SrCase {
    const char* name;
    int record;
    std::vector<int> traces;
    int block;
    int64_t first, count;
};

TEST_F(ExportFormatsTest, SigrokSessionReadBySigrokCli) {
    if (!Have("command -v sigrok-cli")) GTEST_SKIP() << "sigrok-cli is missing";
    // clang-format off
    const SrCase cases[] = {
        {"signed and unsigned, a span of record 1", kNarrow, {0, 1}, 1, 5, 30},
        {"logic, record 2",                         kNarrow, {2},    2, 0, -1},
        {"float and 32 bits, record 1",             kWide,   {1, 0}, 1, 0, -1},
    };
    // clang-format on
    for (const SrCase& c : cases) {
        SCOPED_TRACE(c.name);
        CWaveFile& file = File(c.record);
        const std::string out = Out(std::string(c.name) + ".sr");
        const Outcome<ExportCode> result = Export(c.record, out, Span(c.traces, {c.block}, c.first, c.count));
        ASSERT_TRUE(result.Ok()) << result.message;
        const ToolRun r = Shell("sigrok-cli -i '" + out + "' -O csv");
        ASSERT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("10 kHz"), std::string::npos) << r.out;
        std::vector<std::string> header;
        const auto rows = SigrokRows(r.out, header);
        const int64_t count = c.count >= 0 ? c.count : kSamples - c.first;
        ASSERT_EQ(static_cast<int64_t>(rows.size()), count) << r.out;
        std::size_t column = 0;
        for (int t : c.traces) {
            TraceInfo info;
            file.GetTraceInfo(t, info);
            const Samples want = ReadSamples(file, t, c.block, c.first, count);
            const int bits = info.DataKind == kKindBit ? info.DataWidth * 8 : 1;
            for (int b = 0; b < bits; ++b, ++column) {
                ASSERT_LT(column, header.size());
                if (info.DataKind == kKindBit) EXPECT_EQ(header[column], info.TraceName + "." + std::to_string(b));
                else EXPECT_EQ(header[column], info.TraceName);
                for (int64_t i = 0; i < count; ++i) {
                    const std::string& cell = rows[static_cast<std::size_t>(i)].at(column);
                    const auto k = static_cast<std::size_t>(i);
                    if (info.DataKind == kKindBit) EXPECT_EQ(std::stoi(cell), (want.ints[k] >> b) & 1) << i;
                    else EXPECT_TRUE(Near(std::stod(cell), want.values[k], 1e-5)) << cell << " " << want.values[k];
                }
            }
        }
    }
}

// The value changes of a VCD as fst2vcd writes it back: per reference name,
// (time, value text) pairs, and the $timezero.
struct VcdDump {
    int64_t timezero = 0;
    std::string timescale;
    std::map<std::string, std::vector<std::pair<int64_t, std::string>>> changes;
};

VcdDump ParseVcd(const std::string& text) {
    VcdDump d;
    std::map<std::string, std::string> names;
    std::vector<std::string> w = SplitWords(text);
    int64_t now = 0;
    for (std::size_t i = 0; i < w.size(); ++i) {
        if (w[i] == "$timezero") d.timezero = std::stoll(w[++i]);
        else if (w[i] == "$timescale") d.timescale = w[++i];
        else if (w[i] == "$var" && i + 4 < w.size()) {
            names[w[i + 3]] = w[i + 4];
            i += 4;
        } else if (w[i][0] == '#') now = std::stoll(w[i].substr(1));
        else if ((w[i][0] == 'b' || w[i][0] == 'r') && i + 1 < w.size() && names.count(w[i + 1])) {
            d.changes[names[w[i + 1]]].push_back({now, w[i].substr(1)});
            ++i;
        }
    }
    return d;
}

// The value a variable holds at a time: its last change at or before it.
std::string ValueAt(const std::vector<std::pair<int64_t, std::string>>& changes, int64_t time) {
    std::string v;
    for (const auto& [t, text] : changes)
        if (t <= time) v = text;
    return v;
}

struct VcdCase {
    int record;
    std::vector<std::string> declarations, names;
};

TEST_F(ExportFormatsTest, VcdAcceptedByGtkwave) {
    if (!Have("command -v vcd2fst") || !Have("command -v fst2vcd")) GTEST_SKIP() << "GTKWave's vcd2fst is missing";
    // clang-format off
    const VcdCase cases[] = {
        {kNarrow, {"$var real 64 ! Main_1_ $end", "$var real 64 \" CH2 $end", "$var wire 16 # CH3 $end"},
                  {"Main_1_", "CH2", "CH3"}},
        {kWide,   {"$var real 64 ! CH1 $end", "$var real 64 \" CH2 $end"}, {"CH1", "CH2"}},
    };
    // clang-format on
    for (const VcdCase& c : cases) {
        SCOPED_TRACE(c.names[0]);
        CWaveFile& file = File(c.record);
        const std::string out = Out("span" + std::to_string(c.record) + ".vcd");
        ASSERT_TRUE(Export(c.record, out, Span({}, {1}, 5, 30)).Ok());
        const std::string text = wavegen::ReadFileText(out);
        EXPECT_NE(text.find("$timescale 100 us $end"), std::string::npos);
        for (const std::string& line : c.declarations) EXPECT_NE(text.find(line), std::string::npos) << line;
        const std::string fst = out + ".fst";
        const ToolRun convert = Shell("vcd2fst '" + out + "' '" + fst + "' 2>&1");
        ASSERT_EQ(convert.code, 0) << convert.out;
        const ToolRun back = Shell("fst2vcd '" + fst + "'");
        ASSERT_EQ(back.code, 0);
        const VcdDump d = ParseVcd(back.out);
        // The first sample is at -2 ms + 5 x 0.1 ms = -15 units of 100 us.
        EXPECT_EQ(d.timezero, -15);
        EXPECT_EQ(d.timescale, "100us");
        for (std::size_t t = 0; t < c.names.size(); ++t) {
            SCOPED_TRACE(c.names[t]);
            TraceInfo info;
            file.GetTraceInfo(static_cast<int>(t), info);
            const Samples want = ReadSamples(file, static_cast<int>(t), 1, 5, 30);
            const auto& changes = d.changes.at(c.names[t]);
            for (int64_t i = 0; i < 30; ++i) {
                const std::string v = ValueAt(changes, i);
                const auto k = static_cast<std::size_t>(i);
                if (info.DataKind == kKindBit) EXPECT_EQ(std::stoll(v, nullptr, 2), want.ints[k]) << i;
                else EXPECT_TRUE(Near(std::stod(v), want.values[k], 1e-12)) << i << ": " << v << " " << want.values[k];
            }
        }
    }
}

// The chunks of a WAV file read with struct: "riff SIZE FILESIZE", "fmt
// FORMAT CHANNELS RATE BYTERATE ALIGN BITS", "fact FRAMES", "data f0 f1 ...".
const char kWavDump[] = R"(
import sys, struct
b = open(sys.argv[1], 'rb').read()
assert b[0:4] == b'RIFF' and b[8:12] == b'WAVE'
print('riff', struct.unpack('<I', b[4:8])[0], len(b))
pos = 12
while pos + 8 <= len(b):
    cid, size = b[pos:pos + 4], struct.unpack('<I', b[pos + 4:pos + 8])[0]
    body = b[pos + 8:pos + 8 + size]
    if cid == b'fmt ': print('fmt', *struct.unpack('<HHIIHH', body[:16]))
    if cid == b'fact': print('fact', *struct.unpack('<I', body[:4]))
    if cid == b'data': print('data', *[repr(x) for x in struct.unpack('<%df' % (size // 4), body)])
    pos += 8 + size + (size & 1)
)";

struct WavCase {
    int record;
    std::vector<int> traces;
    int block;
    int64_t first, count;
};

TEST_F(ExportFormatsTest, WavReadByPython) {
    if (!Have(std::string(kPython) + " -c 'import struct'")) GTEST_SKIP() << "/usr/bin/python3 is missing";
    // clang-format off
    const WavCase cases[] = {
        {kNarrow, {2, 0, 1}, 2, 3,  25},
        {kWide,   {0, 1},    1, 0,  40},
    };
    // clang-format on
    WriteText(Out("wav.py"), kWavDump);
    for (const WavCase& c : cases) {
        SCOPED_TRACE(c.record);
        const std::string out = Out("span" + std::to_string(c.record) + ".wav");
        ASSERT_TRUE(Export(c.record, out, Span(c.traces, {c.block}, c.first, c.count)).Ok());
        const ToolRun r = Shell(std::string(kPython) + " " + Out("wav.py") + " " + out);
        ASSERT_EQ(r.code, 0);
        std::map<std::string, std::vector<std::string>> chunks;
        for (const std::string& line : SplitLines(r.out)) {
            std::vector<std::string> w = SplitWords(line);
            chunks[w.at(0)] = {w.begin() + 1, w.end()};
        }
        const auto channels = static_cast<int64_t>(c.traces.size());
        const int64_t bytes = c.count * channels * 4;
        EXPECT_EQ(chunks["riff"], (std::vector<std::string>{std::to_string(bytes + 50), std::to_string(bytes + 58)}));
        EXPECT_EQ(chunks["fmt"],
                  (std::vector<std::string>{"3", std::to_string(channels), "10000", std::to_string(40000 * channels),
                                            std::to_string(4 * channels), "32"}));
        EXPECT_EQ(chunks["fact"], (std::vector<std::string>{std::to_string(c.count)}));
        const std::vector<std::string>& data = chunks["data"];
        ASSERT_EQ(static_cast<int64_t>(data.size()), c.count * channels);
        for (std::size_t k = 0; k < c.traces.size(); ++k) {
            const Samples want = ReadSamples(File(c.record), c.traces[k], c.block, c.first, c.count);
            for (std::size_t i = 0; i < static_cast<std::size_t>(c.count); ++i)
                EXPECT_EQ(static_cast<float>(std::stod(data[i * c.traces.size() + k])),
                          static_cast<float>(want.values[i]))
                    << k << " " << i;
        }
    }
}

TEST_F(ExportFormatsTest, CsvWithTimeColumn) {
    const std::string out = Out("span.csv");
    ASSERT_TRUE(Export(kNarrow, out, Span({2, 1}, {1}, 10, 12)).Ok());
    const std::vector<std::string> lines = SplitLines(wavegen::ReadFileText(out));
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "\"Time [s]\",\"CH3 [V]\",\"CH2 [A]\"");
    const Samples logic = ReadSamples(File(kNarrow), 2, 1, 10, 12), ramp = ReadSamples(File(kNarrow), 1, 1, 10, 12);
    for (std::size_t i = 0; i < 12; ++i) {
        std::vector<double> cells;
        std::istringstream in(lines[i + 1]);
        for (std::string cell; std::getline(in, cell, ',');) cells.push_back(std::stod(cell));
        ASSERT_EQ(cells.size(), 3u);
        EXPECT_TRUE(Near(cells[0], -0.002 + static_cast<double>(10 + i) * 1e-4, 1e-12)) << lines[i + 1];
        EXPECT_TRUE(Near(cells[1], logic.values[i], 1e-11));
        EXPECT_TRUE(Near(cells[2], ramp.values[i], 1e-11));
    }
}

struct RefusalCase {
    const char* name;
    std::string out;
    std::function<void(ExportRequest&)> change;
    ExportCode code;
};

TEST_F(ExportFormatsTest, RefusalsLeaveNoFileAndKeepAnOldOne) {
    ASSERT_TRUE(WriteText(Out("old.h5"), "older"));
    const std::vector<std::string> before = FolderEntries(dir_.Path());
    // clang-format off
    const RefusalCase cases[] = {
        {"existing output",         "old.h5",  [](ExportRequest&) {},                           ExportCode::Exists},
        {"unknown ending",          "out.txt", [](ExportRequest&) {},                           ExportCode::UnknownFormat},
        {"first beyond the record", "out.h5",  [](ExportRequest& r) { r.first = 41; },          ExportCode::BadRequest},
        {"span past the end",       "out.vcd", [](ExportRequest& r) { r.first = 30; r.count = 11; }, ExportCode::BadRequest},
        {"no such record",          "out.wav", [](ExportRequest& r) { r.blocks = {3}; },        ExportCode::BadRequest},
        {"no such trace",           "out.sr",  [](ExportRequest& r) { r.traces = {3}; },        ExportCode::BadRequest},
        {"two records, one axis",   "out.wav", [](ExportRequest& r) { r.blocks = {0, 1}; },     ExportCode::BadRequest},
    };
    // clang-format on
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExportRequest request;
        c.change(request);
        const Outcome<ExportCode> result = Export(kNarrow, Out(c.out), request);
        EXPECT_EQ(result.code, c.code);
        EXPECT_FALSE(result.message.empty());
        EXPECT_EQ(FolderEntries(dir_.Path()), before);
    }
    EXPECT_EQ(wavegen::ReadFileText(Out("old.h5")), "older");
    ExportRequest replace;
    replace.replace = true;
    EXPECT_TRUE(Export(kNarrow, Out("old.h5"), replace).Ok());
    EXPECT_NE(wavegen::ReadFileText(Out("old.h5")), "older");
}

TEST_F(ExportFormatsTest, SampleRatesAWavOrSessionCannotStateAreRefused) {
    descs_[kNarrow].header.hResolution = 4.0;
    ASSERT_TRUE(wavegen::WriteWvf(Out("slow.wvf"), descs_[kNarrow]).ok);
    std::string error;
    auto slow = OpenWaveFileAt(Out("slow.wvf"), 0, error);
    ASSERT_TRUE(slow);
    const std::vector<std::string> before = FolderEntries(dir_.Path());
    for (const char* name : {"slow.wav", "slow.sr"}) {
        const Outcome<ExportCode> result = Exporter().Write(*slow, Out(name), {});
        EXPECT_EQ(result.code, ExportCode::Failed) << name;
        EXPECT_NE(result.message.find("sample rate"), std::string::npos) << result.message;
    }
    EXPECT_EQ(FolderEntries(dir_.Path()), before);
}

TEST_F(ExportFormatsTest, UnreadableSamplesAndCancelLeaveNoFile) {
    // The data file loses its last record after the header was read.
    ASSERT_EQ(::truncate(Source(kNarrow).c_str(), 100), 0);
    const std::vector<std::string> before = FolderEntries(dir_.Path());
    for (const ExportFormatEntry& format : ExportFormats()) {
        SCOPED_TRACE(format.ending);
        ExportRequest request;
        request.blocks = {2};
        Outcome<ExportCode> result = Export(kNarrow, Out(std::string("broken") + std::string(format.ending)), request);
        EXPECT_EQ(result.code, ExportCode::Failed);
        EXPECT_NE(result.message.find("Cannot read"), std::string::npos) << result.message;
        EXPECT_EQ(FolderEntries(dir_.Path()), before);

        ExportProgress progress;
        progress.cancel = true;
        request.blocks = {0};
        request.progress = &progress;
        result = Export(kNarrow, Out(std::string("cancelled") + std::string(format.ending)), request);
        EXPECT_EQ(result.code, ExportCode::Cancelled);
        EXPECT_EQ(FolderEntries(dir_.Path()), before);
    }
}

TEST_F(ExportFormatsTest, ProgressCountsEverySample) {
    for (const char* name : {"p.h5", "p.wav", "p.vcd", "p.csv", "p.sr"}) {
        ExportProgress progress;
        ExportRequest request = Span({}, {1});
        request.progress = &progress;
        ASSERT_TRUE(Export(kNarrow, Out(name), request).Ok()) << name;
        EXPECT_EQ(progress.total.load(), 3 * kSamples) << name;
        EXPECT_EQ(progress.done.load(), 3 * kSamples) << name;
    }
}

}  // namespace
}  // namespace kivelo
