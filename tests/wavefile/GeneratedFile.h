#pragma once
// A generated data file in its own temporary directory, opened by its reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Wavegen.h"

namespace kivelo::test {

template <typename Reader>
struct GeneratedFile {
    TempDir dir;
    std::string path;
    Reader file;
    int openResult = 0;

    // write(path) makes the file; false fails the test.
    template <typename Write>
    GeneratedFile(const std::string& name, Write write, int64_t cache) : path(dir.File(name)) {
        EXPECT_TRUE(write(path));
        openResult = file.Open(path, cache);
    }
};

// The first `count` 2-byte values of a read buffer (none for a negative count).
inline std::vector<int16_t> Int16s(const std::vector<uint8_t>& buf, int64_t count) {
    std::vector<int16_t> v(static_cast<std::size_t>(std::max<int64_t>(count, 0)));
    if (!v.empty()) std::memcpy(v.data(), buf.data(), v.size() * 2);
    return v;
}

}  // namespace kivelo::test
