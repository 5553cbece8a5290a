// Runs the built kivelo-cli on generated files: golden CSV bytes, exit codes, messages.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "Wavegen.h"

namespace kivelo {
namespace {

const std::string kBin = std::string(KIVELO_BINARY_DIR) + "/bin/";
const std::string kGolden = std::string(KIVELO_SOURCE_DIR) + "/tests/cli/golden/";

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Runs a built program in folder `cwd`, capturing its output.
RunResult Run(const std::string& cwd, const std::string& program, std::vector<std::string> args) {
    std::string outPath = cwd + "/.stdout", errPath = cwd + "/.stderr";
    args.insert(args.begin(), kBin + program);
    pid_t pid = ::fork();
    if (pid == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(127);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    RunResult r;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        r.code = WEXITSTATUS(status);
    r.out = wavegen::ReadFileText(outPath);
    r.err = wavegen::ReadFileText(errPath);
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return r;
}

RunResult Cli(const std::string& cwd, const std::string& args) { return Run(cwd, "kivelo-cli", Words(args)); }

void Generate(const std::string& cwd, const std::string& args) {
    RunResult r = Run(cwd, "kivelo-gen", Words(args));
    ASSERT_EQ(r.code, 0) << args << ": " << r.err;
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

struct GoldenCase {
    std::string name, gen, cli;
};

std::vector<GoldenCase> GoldenCases() {
    std::vector<GoldenCase> cases;
    std::istringstream in(wavegen::ReadFileText(kGolden + "cases.txt"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::size_t a = line.find('|'), b = line.find('|', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        auto words = Words(line.substr(0, a));
        if (words.size() == 1) cases.push_back({words[0], line.substr(a + 1, b - a - 1), line.substr(b + 1)});
    }
    return cases;
}

TEST(KiveloCliCsv, GoldenFilesByteForByte) {
    auto cases = GoldenCases();
    ASSERT_GE(cases.size(), 5u);
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.name);
        wavegen::TempDir dir;
        Generate(dir.Path(), c.gen);
        RunResult r = Cli(dir.Path(), c.cli + " -o out.csv");
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, "CSV written to out.csv\n");
        std::string golden = wavegen::ReadFileText(kGolden + c.name + ".csv");
        ASSERT_FALSE(golden.empty());
        EXPECT_EQ(wavegen::ReadFileText(dir.File("out.csv")), golden);
    }
}

TEST(KiveloCliCsv, ExistingOutputNeedsForce) {
    wavegen::TempDir dir;
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

TEST(KiveloCliCsv, FloatingFileAndRangeChecks) {
    wavegen::TempDir dir;
    Generate(dir.Path(), "fld f.fld --samples 50");
    RunResult r = Cli(dir.Path(), "csv f.fld -o f.csv --first 10");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(wavegen::ReadFileText(dir.File("f.csv"))), 11 + 40);

    EXPECT_EQ(Cli(dir.Path(), "csv f.fld -o g.csv --first 51").code, 2);
    EXPECT_EQ(Cli(dir.Path(), "csv f.fld -o g.csv --first 10 --count 41").code, 2);
    EXPECT_EQ(Cli(dir.Path(), "csv f.fld -o g.csv --block 1").code, 2);
    EXPECT_EQ(Cli(dir.Path(), "csv f.fld -o g.csv --count -1").code, 2);
    EXPECT_EQ(Cli(dir.Path(), "csv f.fld -o g.csv --count x").code, 2);
    EXPECT_EQ(::access(dir.File("g.csv").c_str(), F_OK), -1);
}

TEST(KiveloCliCsv, FilesThatCannotBeOpened) {
    wavegen::TempDir dir;
    RunResult r = Cli(dir.Path(), "csv missing.wvf -o a.csv");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Cannot oepn this file: missing.wvf\n");
    r = Cli(dir.Path(), "info notes.txt");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind("Cannot oepn this file: notes.txt", 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.err), 1);
    EXPECT_TRUE(wavegen::ReadFileText(dir.File("a.csv")).empty());
}

TEST(KiveloCliCsv, SourceWithTooFewSamplesFailsWithoutOutput) {
    wavegen::TempDir dir;
    Generate(dir.Path(), "wvf a.wvf --traces 2 --samples 1000");
    ASSERT_EQ(::truncate(dir.File("a.wvf").c_str(), 3000), 0);
    RunResult r = Cli(dir.Path(), "csv a.wvf -o a.csv");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Lines(r.err), 1);
    EXPECT_EQ(::access(dir.File("a.csv").c_str(), F_OK), -1);
}

TEST(KiveloCliConvert, WritesThePairAndRefusesToOverwrite) {
    wavegen::TempDir dir;
    Generate(dir.Path(), "rtm r.rtm --samples 20000 --mask 0x3");
    RunResult r = Cli(dir.Path(), "convert r.rtm -o out.wvf --ratio 100");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(wavegen::ReadFileBytes(dir.File("out.wvf")).size(), 2u * 200u * 2u);
    EXPECT_NE(wavegen::ReadFileText(dir.File("out.hdr")).find("BlockSize         200  200\r\n"),
              std::string::npos);

    r = Cli(dir.Path(), "convert r.rtm -o out.wvf");
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.err, "File already exists.\n");

    // The converted pair reads back through the csv command.
    r = Cli(dir.Path(), "csv out.wvf -o out.csv");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(wavegen::ReadFileText(dir.File("out.csv"))), 11 + 200);
}

TEST(KiveloCliConvert, UsageAndFailures) {
    wavegen::TempDir dir;
    Generate(dir.Path(), "rtm r.rtm --samples 2000");
    EXPECT_EQ(Cli(dir.Path(), "convert r.rtm -o a.wvf --ratio 10").code, 2);
    EXPECT_EQ(Cli(dir.Path(), "convert r.rtm").code, 2);
    EXPECT_EQ(Cli(dir.Path(), "convert r.hdr -o a.wvf").code, 2);
    RunResult r = Cli(dir.Path(), "convert r.rtm -o A.WVF");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Lines(r.err), 1);
    r = Cli(dir.Path(), "convert none.rtm -o a.wvf");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Cannot oepn this file: none.rtm\n");
    EXPECT_EQ(::access(dir.File("a.wvf").c_str(), F_OK), -1);
    EXPECT_EQ(::access(dir.File("A.WVF").c_str(), F_OK), -1);
}

TEST(KiveloCli, HelpUsageAndInfo) {
    wavegen::TempDir dir;
    RunResult r = Cli(dir.Path(), "--help");
    EXPECT_EQ(r.code, 0);
    for (const char* c : {"info", "csv", "convert"}) {
        EXPECT_NE(r.out.find(c), std::string::npos) << c;
        RunResult h = Cli(dir.Path(), std::string(c) + " --help");
        EXPECT_EQ(h.code, 0) << c;
        EXPECT_EQ(h.out.rfind("Usage: kivelo-cli " + std::string(c), 0), 0u) << h.out;
    }
    EXPECT_EQ(Cli(dir.Path(), "").code, 2);
    EXPECT_EQ(Cli(dir.Path(), "frobnicate").code, 2);
    EXPECT_EQ(Cli(dir.Path(), "csv --bogus x").code, 2);

    Generate(dir.Path(), "wvf a.wvf --traces 2 --blocks 3 --samples 40 --type IU2 --hres 1e-5");
    r = Cli(dir.Path(), "info a.wvf");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Model        QV708\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("kind unsigned  width 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Blocks       3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("time \"08:30:02\"  sizes 40 40\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("HResolution  1E-005\n"), std::string::npos) << r.out;
}

TEST(KiveloCli, InfoShowsTheSamplesOfAFloatingFile) {
    wavegen::TempDir dir;
    Generate(dir.Path(), "fld f.fld --samples 50");
    RunResult r = Cli(dir.Path(), "info f.fld");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("  sizes 50\n"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace kivelo
