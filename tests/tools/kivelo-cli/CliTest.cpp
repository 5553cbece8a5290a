// Runs the built kivelo-cli on generated files: golden CSV bytes, exit codes, messages.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "CliRun.h"
#include "FolderEntries.h"
#include "GoldenFile.h"
#include "ToolRun.h"
#include "Wavegen.h"

namespace kivelo {
namespace {

const std::string kGoldenDir = "tests/tools/kivelo-cli/golden/";

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

struct GoldenCase {
    std::string name, gen, cli;
};
void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

std::vector<GoldenCase> GoldenCases() {
    std::vector<GoldenCase> cases;
    std::istringstream in(wavegen::ReadFileText(KIVELO_SOURCE_DIR "/" + kGoldenDir + "cases.txt"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::size_t a = line.find('|'), b = line.find('|', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        auto words = test::SplitWords(line.substr(0, a));
        if (words.size() == 1) cases.push_back({words[0], line.substr(a + 1, b - a - 1), line.substr(b + 1)});
    }
    return cases;
}

// The case list itself is an input, edited by hand; KIVELO_UPDATE_GOLDEN=1 rewrites the CSV files.
TEST(KiveloCliCsv, CaseListHasTheCases) { EXPECT_GE(GoldenCases().size(), 5u); }

class KiveloCliGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(KiveloCliGolden, CsvByteForByte) {
    const GoldenCase& c = GetParam();
    TempDir dir;
    Generate(dir.Path(), c.gen);
    RunResult r = Cli(dir.Path(), c.cli + " -o out.csv");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "CSV written to out.csv\n");
    EXPECT_TRUE(test::CompareText(kGoldenDir + c.name + ".csv", wavegen::ReadFileText(dir.File("out.csv"))));
}

INSTANTIATE_TEST_SUITE_P(Cases, KiveloCliGolden, ::testing::ValuesIn(GoldenCases()), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

// Exit codes: 1 a file cannot be read or written, 2 usage. A refused
// or failed command leaves no output file behind.
TEST(KiveloCli, ExitCodesOfFailuresAndNoOutputLeft) {
    TempDir dir;
    Generate(dir.Path(), "fld f.fld --samples 50");
    Generate(dir.Path(), "rtm r.rtm --samples 2000");
    const struct {
        const char* args;
        int code;
        const char* err = nullptr;  // the whole message when given
    } cases[] = {
        // clang-format off
        {"", 2}, {"frobnicate", 2}, {"csv --bogus x", 2},
        {"csv f.fld -o g.csv --first 51", 2}, {"csv f.fld -o g.csv --first 10 --count 41", 2},
        {"csv f.fld -o g.csv --block 1", 2}, {"csv f.fld -o g.csv --count -1", 2},
        // clang-format on
        {"csv f.fld -o g.csv --count x", 2},
        {"csv missing.wvf -o g.csv", 1, "Cannot oepn this file: missing.wvf: no such file\n"},
        {"info notes.txt", 1, "Cannot oepn this file: notes.txt: the name must end in .wvf, .rtm or .fld\n"},
        {"convert r.rtm -o g.wvf --ratio 10", 2},
        {"convert r.rtm", 2},
        {"convert r.hdr -o g.wvf", 2},
        {"convert r.rtm -o G.WVF", 1},
        {"convert none.rtm -o g.wvf", 1, "Cannot oepn this file: none.rtm: no such file\n"},
    };
    for (const auto& c : cases) {
        RunResult r = Cli(dir.Path(), c.args);
        EXPECT_EQ(r.code, c.code) << c.args;
        if (c.err != nullptr) {
            EXPECT_EQ(r.err, c.err) << c.args;
        } else if (c.code == 1) {
            EXPECT_EQ(Lines(r.err), 1) << c.args << ": " << r.err;
        }
    }
    for (const char* name : {"g.csv", "g.wvf", "g.hdr", "G.WVF"})
        EXPECT_EQ(::access(dir.File(name).c_str(), F_OK), -1) << name;
}

// A FIFO in place of the data ends at once with its cause; a data file shorter
// than its header opens with a warning naming each short trace, and is not exported.
TEST(KiveloCli, HostileDataFailsAtOnceAndShortDataWarns) {
    TempDir dir;
    Generate(dir.Path(), "wvf p.wvf --traces 2 --samples 100");
    ASSERT_EQ(::unlink(dir.File("p.wvf").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("p.wvf").c_str(), 0600), 0);
    RunResult r = Cli(dir.Path(), "info p.wvf");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Cannot oepn this file: p.wvf: not a regular file (a named pipe)\n");

    Generate(dir.Path(), "wvf s.wvf --traces 4 --samples 1000 --blocks 1");
    std::filesystem::resize_file(dir.File("s.wvf"), 2 * 1000 * 2 + 100);
    r = Cli(dir.Path(), "info s.wvf");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("warning"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("W3 has 50 of 1000 samples in block 0"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("W4 has nothing in block 0"), std::string::npos) << r.err;
    r = Cli(dir.Path(), "csv s.wvf -o s.csv");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("W3 has only 50 of its 1000 samples"), std::string::npos) << r.err;
    EXPECT_EQ(::access(dir.File("s.csv").c_str(), F_OK), -1);
}

TEST(KiveloCli, ExistingCsvNeedsForce) {
    TempDir dir;
    Generate(dir.Path(), "wvf a.wvf --traces 1 --samples 20");
    ASSERT_EQ(Cli(dir.Path(), "csv a.wvf -o a.csv --count 5").code, 0);
    RunResult r = Cli(dir.Path(), "csv a.wvf -o a.csv");
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "File already exists.\n");
    EXPECT_EQ(Lines(wavegen::ReadFileText(dir.File("a.csv"))), 11 + 5);
    r = Cli(dir.Path(), "csv a.wvf -o a.csv --force");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(wavegen::ReadFileText(dir.File("a.csv"))), 11 + 20);
}

TEST(KiveloCli, Help) {
    TempDir dir;
    for (const std::string c : {"info", "csv", "convert"}) {
        RunResult h = Cli(dir.Path(), c + " --help");
        EXPECT_EQ(h.code, 0) << c;
        EXPECT_EQ(h.out.rfind("Usage: kivelo-cli " + c, 0), 0u) << h.out;
    }
    EXPECT_EQ(Cli(dir.Path(), "--help").code, 0);
}

// kivelo-cli export: the options choose traces, records and span; the tools of
// each format open what it writes (each format's samples are checked against
// the readers in tests/export).
std::string Tool(const std::string& cwd, const std::string& command) {
    const test::ToolRun r = test::Shell("cd '" + cwd + "' && " + command + " 2>&1");
    return r.code == 0 ? r.out : r.out + "\n(failed)";
}

TEST(KiveloCliExport, OptionsChooseTracesRecordsAndSpan) {
    TempDir dir;
    Generate(dir.Path(), "wvf in.wvf --traces 3 --type IS2,IU2,B16 --blocks 3 --samples 40 --hres 1e-4");
    RunResult r = Cli(dir.Path(), "export in.wvf -o all.h5 --all-blocks");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Exported to all.h5\n");
    ASSERT_EQ(Cli(dir.Path(), "export in.wvf -o span.h5 --traces W3,CH1 --block 1 --first 4 --count 10").code, 0);
    ASSERT_EQ(Cli(dir.Path(), "export in.wvf -o b2.wav --block 2 --traces W2").code, 0);
    EXPECT_EQ(wavegen::ReadFileBytes(dir.File("b2.wav")).size(), 58u + 40 * 4);
    ASSERT_EQ(Cli(dir.Path(), "export in.wvf -o b1.vcd --block 1").code, 0);
    ASSERT_EQ(Cli(dir.Path(), "export in.wvf -o b1.sr --block 1 --traces W1,W2 --count 30").code, 0);
    ASSERT_EQ(Cli(dir.Path(), "export in.wvf -o b1.csv --block 1 --first 38").code, 0);
    EXPECT_EQ(Lines(wavegen::ReadFileText(dir.File("b1.csv"))), 1 + 2);

    if (test::Have("/usr/bin/python3 -c 'import h5py'")) {
        const std::string list =
            "/usr/bin/python3 -c \"import h5py,sys; f=h5py.File(sys.argv[1]); "
            "f.visititems(lambda n,o: print(n, o.shape[0], o.attrs['first']) if isinstance(o,h5py.Dataset) else "
            "None)\" ";
        EXPECT_EQ(Tool(dir.Path(), list + "all.h5"),
                  "W1/block0 40 0\nW1/block1 40 0\nW1/block2 40 0\nW2/block0 40 0\nW2/block1 40 0\nW2/block2 40 0\n"
                  "W3/block0 40 0\nW3/block1 40 0\nW3/block2 40 0\n");
        EXPECT_EQ(Tool(dir.Path(), list + "span.h5"), "W1/block1 10 4\nW3/block1 10 4\n");
    }
    if (test::Have("command -v vcd2fst")) {
        EXPECT_EQ(Tool(dir.Path(), "vcd2fst b1.vcd b1.fst >/dev/null"), "");
    }
    if (test::Have("command -v sigrok-cli")) {
        const std::string shown = Tool(dir.Path(), "sigrok-cli -i b1.sr --show");
        EXPECT_NE(shown.find("Samplerate: 10000"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Analog sample count: 30"), std::string::npos) << shown;
    }
}

TEST(KiveloCliExport, RefusalsLeaveNoFile) {
    TempDir dir;
    Generate(dir.Path(), "wvf in.wvf --traces 2 --blocks 2 --samples 40");
    Generate(dir.Path(), "wvf cut.wvf --traces 2 --blocks 2 --samples 40");
    ASSERT_EQ(::truncate(dir.File("cut.wvf").c_str(), 100), 0);
    ASSERT_EQ(Cli(dir.Path(), "export in.wvf -o old.h5 --count 5").code, 0);
    const std::vector<uint8_t> old = wavegen::ReadFileBytes(dir.File("old.h5"));
    const auto before = test::FolderEntries(dir.Path());
    // One case per exit code and per refusal the command itself owns; each
    // refusal of the exporter is checked in tests/export.
    const struct {
        const char* args;
        int code;
    } cases[] = {
        // clang-format off
        {"export in.wvf -o out.txt", 2},              {"export in.wvf", 2},
        {"export in.wvf -o old.h5", 3},               {"export in.wvf -o out.h5 --first 41", 2},
        {"export in.wvf -o out.h5 --block 1 --all-blocks", 2},
        {"export in.wvf -o out.sr --traces W3", 2},   {"export missing.wvf -o out.h5", 1},
        {"export cut.wvf -o out.h5 --block 1", 1},
        // clang-format on
    };
    for (const auto& c : cases) {
        RunResult r = Cli(dir.Path(), c.args);
        EXPECT_EQ(r.code, c.code) << c.args << ": " << r.err;
        EXPECT_EQ(Lines(r.err), 1) << c.args << ": " << r.err;
        EXPECT_EQ(test::FolderEntries(dir.Path()), before) << c.args;
    }
    EXPECT_EQ(wavegen::ReadFileBytes(dir.File("old.h5")), old);
    EXPECT_EQ(Cli(dir.Path(), "export in.wvf -o old.h5 --force").code, 0);
    EXPECT_NE(wavegen::ReadFileBytes(dir.File("old.h5")), old);
    RunResult h = Cli(dir.Path(), "export --help");
    EXPECT_EQ(h.code, 0);
    EXPECT_EQ(h.out.rfind("Usage: kivelo-cli export FILE -o OUT [--block N | --all-blocks]", 0), 0u) << h.out;
}

}  // namespace
}  // namespace kivelo
