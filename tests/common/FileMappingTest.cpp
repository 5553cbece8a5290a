// A file seen in place: its bytes, and a page that can no longer be read (the
// file shrank) seen as zeros and reported, where it would end the program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "common/FileMapping.h"
#include "common/TempDir.h"
#include "common/UniqueFd.h"

namespace kivelo {
namespace {

constexpr size_t kBytes = 64 * 1024;

// A file of kBytes counting bytes, open for reading and writing.
UniqueFd CountingFile(const TempDir& dir, const char* name) {
    UniqueFd fd(::open(dir.File(name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600));
    std::vector<uint8_t> bytes(kBytes);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    EXPECT_EQ(::write(fd.Get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    return fd;
}

// The sum of every byte, read as the work over a mapping reads them.
uint64_t SumOf(std::span<const uint8_t> bytes) {
    uint64_t sum = 0;
    for (const uint8_t b : bytes) sum += *static_cast<const volatile uint8_t*>(&b);
    return sum;
}

TEST(FileMapping, SeesTheFileAndReportsPagesThatCouldNotBeRead) {
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    UniqueFd fd = CountingFile(dir, "a"), other = CountingFile(dir, "b");
    auto mapping = FileMapping::Map(fd.Get(), kBytes);
    auto untouched = FileMapping::Map(other.Get(), kBytes);
    ASSERT_TRUE(mapping && untouched);
    ASSERT_EQ(mapping->Bytes().size(), kBytes);
    std::vector<uint8_t> read(kBytes);
    ASSERT_EQ(::pread(fd.Get(), read.data(), kBytes, 0), static_cast<ssize_t>(kBytes));
    EXPECT_EQ(std::memcmp(mapping->Bytes().data(), read.data(), kBytes), 0);
    EXPECT_FALSE(mapping->Faulted());
    // Pages let go of (and the part pages around them kept) read the file again.
    mapping->LetGo(mapping->Bytes().subspan(100, kBytes / 2));
    mapping->LetGo(mapping->Bytes().subspan(kBytes - 10));
    EXPECT_EQ(std::memcmp(mapping->Bytes().data(), read.data(), kBytes), 0);
    EXPECT_FALSE(mapping->Faulted());

    // Shrunk beneath the mapping: the pages past the end read as zeros, the
    // program goes on, and the mapping says it no longer saw the file.
    ASSERT_EQ(::ftruncate(fd.Get(), kBytes / 4), 0);
    const std::span<const uint8_t> kept = mapping->Bytes().first(kBytes / 4);
    EXPECT_EQ(SumOf(mapping->Bytes().subspan(kBytes / 2)), 0u);
    EXPECT_TRUE(mapping->Faulted());
    EXPECT_EQ(std::memcmp(kept.data(), read.data(), kept.size()), 0);
    EXPECT_FALSE(untouched->Faulted());
    EXPECT_EQ(std::memcmp(untouched->Bytes().data(), read.data(), kBytes), 0);

    // A mapping made after another is gone does not inherit its faults.
    mapping.reset();
    auto again = FileMapping::Map(other.Get(), kBytes);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->Faulted());
    EXPECT_FALSE(FileMapping::Map(-1, kBytes));
    EXPECT_FALSE(FileMapping::Map(other.Get(), 0));
}

TEST(FileMappingDeathTest, ABusErrorElsewhereStillEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    UniqueFd fd = CountingFile(dir, "c");
    EXPECT_EXIT(
        {
            auto ours = FileMapping::Map(fd.Get(), kBytes);  // the handler is in place
            void* p = ::mmap(nullptr, kBytes, PROT_READ, MAP_SHARED, fd.Get(), 0);
            if (!ours || p == MAP_FAILED || ::ftruncate(fd.Get(), 0) != 0) std::_Exit(3);
            std::_Exit(SumOf({static_cast<const uint8_t*>(p), kBytes}) == 0 ? 4 : 5);
        },
        // Ended by the signal, or by a sanitizer's report of it (exit code 1).
        [](int status) {
            return (WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) ||
                   (WIFEXITED(status) && WEXITSTATUS(status) == 1);
        },
        "");
}

}  // namespace
}  // namespace kivelo
