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
#include "GoldenFile.h"
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
        auto words = Words(line.substr(0, a));
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

}  // namespace
}  // namespace kivelo
