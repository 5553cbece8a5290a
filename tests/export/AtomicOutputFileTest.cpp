#include <gtest/gtest.h>

#include <sys/stat.h>

#include "AtomicOutputFile.h"
#include "ExportTestFiles.h"
#include "Wavegen.h"

namespace kivelo {
namespace {

using testing::FolderEntries;

bool WriteText(const std::string& path, const std::string& text) {
    AtomicOutputFile f;
    return f.Create(path) && f.Append(text) && f.Commit();
}

TEST(AtomicOutputFile, AppearsOnlyOnCommit) {
    wavegen::TempDir dir;
    std::string path = dir.File("a.txt");
    {
        AtomicOutputFile f(16);
        ASSERT_TRUE(f.Create(path)) << f.Error();
        ASSERT_TRUE(f.Append("0123456789"));
        ASSERT_TRUE(f.Append(std::string(100, 'x')));  // larger than the buffer
        ASSERT_TRUE(f.Append('!'));
        EXPECT_EQ(::access(path.c_str(), F_OK), -1);
        ASSERT_TRUE(f.Commit()) << f.Error();
    }
    EXPECT_EQ(wavegen::ReadFileText(path), "0123456789" + std::string(100, 'x') + "!");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"a.txt"});
}

TEST(AtomicOutputFile, UncommittedLeavesTheOlderFileAndNoTemporary) {
    wavegen::TempDir dir;
    std::string path = dir.File("a.txt");
    ASSERT_TRUE(WriteText(path, "older"));
    {
        AtomicOutputFile f(8);
        ASSERT_TRUE(f.Create(path));
        f.Append(std::string(1000, 'y'));
    }
    EXPECT_EQ(wavegen::ReadFileText(path), "older");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"a.txt"});
}

TEST(AtomicOutputFile, ReplacingKeepsThePermissionBits) {
    wavegen::TempDir dir;
    std::string path = dir.File("a.txt");
    ASSERT_TRUE(WriteText(path, "older"));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteText(path, "newer"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(wavegen::ReadFileText(path), "newer");
}

TEST(AtomicOutputFile, FailuresSayWhy) {
    wavegen::TempDir dir;
    AtomicOutputFile f;
    EXPECT_FALSE(f.Create(dir.File("none/a.txt")));
    EXPECT_NE(f.Error().find("none"), std::string::npos) << f.Error();
    EXPECT_FALSE(f.Commit());

    // A folder in the way of the target: the rename fails, nothing is left.
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("sub/a.txt").c_str(), 0755), 0);
    AtomicOutputFile g;
    ASSERT_TRUE(g.Create(dir.File("sub/a.txt")));
    g.Append("x");
    EXPECT_FALSE(g.Commit());
    EXPECT_FALSE(g.Error().empty());
    EXPECT_EQ(FolderEntries(dir.File("sub")), std::vector<std::string>{"a.txt"});
}

TEST(AtomicOutputFile, WriteErrorKeepsTheOlderFile) {
    wavegen::TempDir dir;
    std::string path = dir.File("a.txt");
    ASSERT_TRUE(WriteText(path, "older"));
    {
        testing::FileSizeLimit limit(4096);  // stands in for a full disk
        AtomicOutputFile f(1024);
        ASSERT_TRUE(f.Create(path));
        bool ok = true;
        for (int i = 0; i < 10 && ok; ++i) ok = f.Append(std::string(1000, 'z'));
        EXPECT_FALSE(ok && f.Commit());
        EXPECT_FALSE(f.Error().empty());
    }
    EXPECT_EQ(wavegen::ReadFileText(path), "older");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"a.txt"});
}

}  // namespace
}  // namespace kivelo
