#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "TestDir.h"

namespace kivelo::test {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;  // stdout and stderr together
};

// Runs kivelo-cli through the shell with the simulator's GPIB library.
CliRun RunCli(const std::string& args, const std::string& input = "", const std::string& env = "")
{
    const std::string command = "printf '" + input + "' | KIVELO_GPIB_LIBRARY='" QVSIM_GPIB_LIBRARY
                                "' " + env + " '" KIVELO_CLI "' " + args + " 2>&1";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string kQv60 = "QVSIM_FAMILY=qv60 QVSIM_LENGTH=100 QVSIM_RECORDS=1 QVSIM_ADDRESS=5";

TEST(CliDownload, ConfirmedDownloadWritesBothFiles)
{
    TestDir dir;
    const CliRun run = RunCli("download --gpib 5 -o " + dir.File("a.wvf"), "y\\n", kQv60);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("MODEL: 6010\nNUMBER OF CH: 4\nDATA LENGTH: 100\nAbout 10 Sec\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.hdr", "a.wvf"}));
    EXPECT_EQ(ReadWholeFile(dir.File("a.wvf")).size(), 4u * 100 * 2);
}

TEST(CliDownload, DeclinedDownloadWritesNothing)
{
    TestDir dir;
    const CliRun run = RunCli("download --gpib 5 -o " + dir.File("a.wvf"), "n\\n", kQv60);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(CliDownload, FailuresAndUsage)
{
    TestDir dir;
    CliRun run = RunCli("download --gpib 6 -o " + dir.File("a.wvf") + " --yes", "", kQv60);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "No response. GPIB Addr:  6\n");

    WriteWholeFile(dir.File("a.hdr"), "keep");
    run = RunCli("download --gpib 5 -o " + dir.File("a.wvf") + " --yes", "", kQv60);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(ReadWholeFile(dir.File("a.hdr")), "keep");

    EXPECT_EQ(RunCli("download --gpib 31 -o x.wvf").exitCode, 2);
    EXPECT_EQ(RunCli("download --gpib 5 --com 1 -o x.wvf").exitCode, 2);
    EXPECT_EQ(RunCli("download --gpib 5 -o x.csv").exitCode, 2);
    EXPECT_EQ(RunCli("download --help").exitCode, 0);
    EXPECT_EQ(RunCli("remote --help").exitCode, 0);
    EXPECT_EQ(RunCli("remote --gpib 5").exitCode, 2);
}

TEST(CliDownload, TooShortRecordIsRefused)
{
    TestDir dir;
    const CliRun run = RunCli("download --gpib 5 -o " + dir.File("a.wvf") + " --yes", "",
                              "QVSIM_FAMILY=qv60 QVSIM_LENGTH=10 QVSIM_ADDRESS=5");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              "MODEL: 6010 NUMBER OF CH: 4 DATA LENGTH: 10 More than 20 data is required!\n");
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(CliRemote, SendsOrReportsNoResponse)
{
    EXPECT_EQ(RunCli("remote --gpib 5 START", "", kQv60).exitCode, 0);
    const CliRun run = RunCli("remote --gpib 9 START", "", kQv60);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "No response. GPIB Addr:  9\n");
}

}  // namespace
}  // namespace kivelo::test
