// The download and remote commands of kivelo-cli against the simulator's GPIB
// library: what they print and their exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FileBytes.h"
#include "ToolRun.h"
#include "common/TempDir.h"

namespace kivelo::test {
namespace {

// stdout and stderr together.
test::ToolRun RunCli(const std::string& args, const std::string& input = "", const std::string& env = "") {
    return test::Shell("printf '" + input + "' | KIVELO_GPIB_LIBRARY='" QVSIM_GPIB_LIBRARY "' " + env +
                       " '" KIVELO_CLI "' " + args + " 2>&1");
}

const std::string kQv60 = "QVSIM_FAMILY=qv60 QVSIM_LENGTH=100 QVSIM_RECORDS=1 QVSIM_ADDRESS=5";

TEST(CliDownload, ConfirmedOrDeclined) {
    TempDir dir;
    const std::string out = " -o " + dir.File("a.wvf");
    test::ToolRun run = RunCli("download --gpib 5" + out, "n\\n", kQv60);
    EXPECT_NE(run.code, 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    run = RunCli("download --gpib 5" + out, "y\\n", kQv60);
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("MODEL: 6010\nNUMBER OF CH: 4\nDATA LENGTH: 100\nAbout 10 Sec\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(std::filesystem::file_size(dir.File("a.wvf")), 4u * 100 * 2);
    EXPECT_TRUE(std::filesystem::exists(dir.File("a.hdr")));
}

// 1: the instrument failed or refused, 2: usage, 3: the files.
TEST(CliDownload, ExitCodes) {
    TempDir dir;
    const std::string out = " -o " + dir.File("a.wvf") + " --yes";
    test::ToolRun run = RunCli("download --gpib 6" + out, "", kQv60);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "No response. GPIB Addr:  6\n");
    run = RunCli("download --gpib 5" + out, "", "QVSIM_FAMILY=qv60 QVSIM_LENGTH=10 QVSIM_ADDRESS=5");
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "MODEL: 6010 NUMBER OF CH: 4 DATA LENGTH: 10 More than 20 data is required!\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    std::ofstream(dir.File("a.hdr")) << "keep";
    EXPECT_EQ(RunCli("download --gpib 5" + out, "", kQv60).code, 3);
    EXPECT_EQ(wavegen::ReadFileText(dir.File("a.hdr")), "keep");

    for (const char* usage : {"download --gpib 31 -o x.wvf", "download --gpib 5 --com 1 -o x.wvf",
                              "download --gpib 5 -o x.csv", "remote --gpib 5"})
        EXPECT_EQ(RunCli(usage).code, 2) << usage;
    EXPECT_EQ(RunCli("download --help").code, 0);
    EXPECT_EQ(RunCli("remote --help").code, 0);
}

// The cause the system knows goes after "No response.", on the same line.
TEST(CliDownload, NoResponseWithItsCause) {
    TempDir dir;
    const std::string device = dir.File("ttyUSB9");
    const std::string missing = "The device " + device +
                                " does not exist: is the instrument's cable or USB adapter "
                                "plugged in?\n";
    test::ToolRun run = RunCli("download --serial " + device + " --yes -o " + dir.File("a.wvf"));
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "No response. RS232 Port:  " + device + " " + missing);
    run = RunCli("remote --serial " + device + " START");
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "No response. RS232 Port:  " + device + " " + missing);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(CliRemote, SendsOrReportsNoResponse) {
    EXPECT_EQ(RunCli("remote --gpib 5 START", "", kQv60).code, 0);
    const test::ToolRun run = RunCli("remote --gpib 9 START", "", kQv60);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "No response. GPIB Addr:  9\n");
}

}  // namespace
}  // namespace kivelo::test
