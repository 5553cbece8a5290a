// Temporary folders: private, and gone with everything in them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "common/TempDir.h"

namespace kivelo {
namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(TempDir, PrivateAndRemovedWithItsContents) {
    std::string path;
    {
        TempDir dir("kivelo-test-");
        ASSERT_TRUE(dir.Ok());
        path = dir.Path();
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
        std::ofstream(dir.File("sub/x")) << "x";
    }
    EXPECT_FALSE(IsFolder(path));
}

TEST(TempDir, InAGivenFolderMovedAndRemovedEarly) {
    TempDir parent;
    ASSERT_TRUE(parent.Ok());
    TempDir inner(parent.Path(), ".work-");
    ASSERT_TRUE(inner.Ok());
    EXPECT_EQ(inner.Path().rfind(parent.Path() + "/.work-", 0), 0u);

    TempDir moved(std::move(inner));
    EXPECT_FALSE(inner.Ok());
    ASSERT_TRUE(IsFolder(moved.Path()));
    const std::string path = moved.Path();
    moved.Remove();
    EXPECT_FALSE(moved.Ok());
    EXPECT_FALSE(IsFolder(path));

    TempDir missing(parent.File("none"), "x-");
    EXPECT_FALSE(missing.Ok());
}

}  // namespace
}  // namespace kivelo
