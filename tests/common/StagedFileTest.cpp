// Staged files: nothing partial is ever left under the target's name, and an
// existing file is replaced only when the caller asked for it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FolderEntries.h"
#include "common/StagedFile.h"
#include "common/TempDir.h"

namespace kivelo {
namespace {

using Existing = StagedFile::Existing;
using test::FolderEntries;

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteText(const std::string& path, const std::string& text, Existing existing = Existing::Replace) {
    StagedFile f;
    return f.Create(path, existing) && f.Append(text) && f.Commit();
}

TEST(StagedFile, AppearsOnlyOnCommitAndReplacesWithThePermissionsOfTheOlderFile) {
    TempDir dir;
    const std::string path = dir.File("a.txt");
    {
        StagedFile f(16);
        ASSERT_TRUE(f.Create(path)) << f.Error();
        ASSERT_TRUE(f.Append("0123456789"));
        ASSERT_TRUE(f.Append(std::string(100, 'x')));  // larger than the buffer
        ASSERT_TRUE(f.Append('!'));
        EXPECT_FALSE(Exists(path));
        EXPECT_EQ(FolderEntries(dir.Path()).size(), 1u);  // the staged file, beside the target
        ASSERT_TRUE(f.Commit()) << f.Error();
    }
    EXPECT_EQ(ReadText(path), "0123456789" + std::string(100, 'x') + "!");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteText(path, "newer", Existing::Replace));
    EXPECT_EQ(ReadText(path), "newer");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"a.txt"});
}

// Unless told otherwise a commit never takes the name of an existing file;
// ReplaceEmpty takes the place of an empty file only.
TEST(StagedFile, AnExistingTargetIsKeptUnlessReplacingWasAsked) {
    TempDir dir;
    const std::string path = dir.File("a.txt");
    ASSERT_TRUE(WriteText(path, "older"));
    {
        StagedFile f;
        ASSERT_TRUE(f.Create(path));
        f.Append("newer");
        EXPECT_FALSE(f.Commit());
        EXPECT_FALSE(f.Error().empty());
    }
    {
        StagedFile f;
        ASSERT_TRUE(f.Create(path, Existing::ReplaceEmpty));
        f.Append("newer");
        EXPECT_FALSE(f.Commit());
    }
    EXPECT_EQ(ReadText(path), "older");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"a.txt"});

    const std::string empty = dir.File("empty.txt");
    ASSERT_TRUE(WriteText(empty, ""));
    EXPECT_FALSE(WriteText(empty, "x", Existing::Keep));
    EXPECT_TRUE(WriteText(empty, "filled", Existing::ReplaceEmpty));
    EXPECT_EQ(ReadText(empty), "filled");
    EXPECT_TRUE(WriteText(dir.File("new.txt"), "new", Existing::Keep));
    EXPECT_EQ(ReadText(dir.File("new.txt")), "new");
}

// Not committed, discarded or a rename that fails: the older
// file stays as it was and no temporary is left beside it.
TEST(StagedFile, FailuresKeepTheOlderFileAndLeaveNoTemporary) {
    TempDir dir;
    const std::string path = dir.File("a.txt");
    ASSERT_TRUE(WriteText(path, "older"));
    {
        StagedFile f(8);
        ASSERT_TRUE(f.Create(path, Existing::Replace));
        f.Append(std::string(1000, 'y'));
    }
    {
        StagedFile f;
        ASSERT_TRUE(f.Create(path, Existing::Replace));
        f.Append("dropped");
        f.Discard();
        EXPECT_FALSE(f.Commit());
    }
    EXPECT_EQ(ReadText(path), "older");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"a.txt"});

    StagedFile f;
    EXPECT_FALSE(f.Create(dir.File("none/a.txt")));
    EXPECT_NE(f.Error().find("none"), std::string::npos) << f.Error();
    EXPECT_EQ(f.ErrorNumber(), ENOENT);
    EXPECT_FALSE(f.Commit());
    // A folder in the way of the target.
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("sub/a.txt").c_str(), 0755), 0);
    for (Existing existing : {Existing::Keep, Existing::Replace, Existing::ReplaceEmpty}) {
        StagedFile g;
        ASSERT_TRUE(g.Create(dir.File("sub/a.txt"), existing));
        g.Append("x");
        EXPECT_FALSE(g.Commit());
        EXPECT_FALSE(g.Error().empty());
    }
    EXPECT_EQ(FolderEntries(dir.File("sub")), std::vector<std::string>{"a.txt"});
}

// A writer killed before its commit leaves a hidden file whose name says what it
// is; the next writer of the same name removes it, but never the file of a
// writer that is still at work.
TEST(StagedFile, LeftoversOfAKilledWriterGoWithTheNextWrite) {
    TempDir dir;
    const std::string path = dir.File("a.csv");
    ASSERT_TRUE(WriteText(path, "older"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        StagedFile f;
        if (f.Create(path, Existing::Replace) && f.Append(std::string(5000, 'x')) && f.Sync())
            ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::vector<std::string> names = FolderEntries(dir.Path());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].rfind(".a.csv.kivelo-partial-", 0), 0u) << names[0];
    EXPECT_EQ(names[0].size(), std::string(".a.csv.kivelo-partial-").size() + 6);
    EXPECT_EQ(ReadText(path), "older");

    StagedFile busy;  // a writer at work beside the next one
    ASSERT_TRUE(busy.Create(path, Existing::Replace));
    const std::string busyName = busy.StagedPath().substr(dir.Path().size() + 1);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{busyName, "a.csv"}));
    ASSERT_TRUE(WriteText(path, "newer"));
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{busyName, "a.csv"}));
    busy.Append("newest");
    ASSERT_TRUE(busy.Commit());
    EXPECT_EQ(ReadText(path), "newest");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"a.csv"});

    // Leftovers of other names stay.
    ASSERT_TRUE(WriteText(dir.File(".b.csv.kivelo-partial-abcdef"), "other"));
    StagedFile::RemoveLeftovers(path);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{".b.csv.kivelo-partial-abcdef", "a.csv"}));
}

TEST(StagedFile, FolderOfAPath) {
    EXPECT_EQ(FolderOf("a.txt"), ".");
    EXPECT_EQ(FolderOf("/a.txt"), "/");
    EXPECT_EQ(FolderOf("/d/e/a.txt"), "/d/e");
}

}  // namespace
}  // namespace kivelo
