#include "GoldenFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "ToolRun.h"

#if KIVELO_HAVE_ZLIB
#include <zlib.h>
#endif

namespace kivelo::test {
namespace {

namespace fs = std::filesystem;

fs::path SourcePath(const std::string& relative) { return fs::path(KIVELO_SOURCE_DIR) / relative; }
fs::path ActualPath(const std::string& relative) { return fs::path(KIVELO_BINARY_DIR) / "golden-actual" / relative; }

bool ReadBytes(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteBytes(const fs::path& path, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// Writes only when the bytes differ, so an unchanged golden file keeps its bytes and date.
::testing::AssertionResult Update(const fs::path& path, const std::string& bytes) {
    std::string old;
    if (ReadBytes(path, old) && old == bytes) return ::testing::AssertionSuccess();
    if (!WriteBytes(path, bytes)) return ::testing::AssertionFailure() << "cannot write " << path.string();
    std::printf("golden file rewritten: %s\n", path.string().c_str());
    return ::testing::AssertionSuccess();
}

std::string UnifiedDiff(const fs::path& expected, const fs::path& actual) {
    const std::string command = "diff -u '" + expected.string() + "' '" + actual.string() + "' 2>&1";
    std::string out = Shell(command).out;
    if (out.size() >= 8000) out.resize(8000), out += "\n[diff cut short]\n";
    return out;
}

void PutU32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

uint32_t Crc32(const std::string& bytes, size_t from) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i) {
        crc ^= static_cast<uint8_t>(bytes[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
    PutU32(png, static_cast<uint32_t>(data.size()));
    const size_t start = png.size();
    png += type;
    png += data;
    PutU32(png, Crc32(png, start));
}

// A zlib stream of the bytes: compressed where zlib is at hand, else in stored blocks.
std::string ZlibStream(const std::string& raw) {
#if KIVELO_HAVE_ZLIB
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 9) == Z_OK) {
        packed.resize(size);
        return packed;
    }
#endif
    std::string out = "\x78\x01";
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(raw.size() - pos, 65535);
        out += static_cast<char>(pos + n == raw.size() ? 1 : 0);
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(~n & 0xFF);
        out += static_cast<char>((~n >> 8) & 0xFF);
        out.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (const char c : raw) {
        a = (a + static_cast<uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    PutU32(out, (b << 16) | a);
    return out;
}

}  // namespace

bool UpdatingGolden() {
    const char* value = std::getenv("KIVELO_UPDATE_GOLDEN");
    return value != nullptr && std::string(value) == "1";
}

::testing::AssertionResult CompareText(const std::string& goldenPath, const std::string& actual) {
    const fs::path golden = SourcePath(goldenPath);
    if (UpdatingGolden()) return Update(golden, actual);
    std::string expected;
    if (!ReadBytes(golden, expected)) {
        const fs::path out = ActualPath(goldenPath);
        WriteBytes(out, actual);
        return ::testing::AssertionFailure() << "no golden file " << golden.string() << "; the output is in "
                                             << out.string() << " (KIVELO_UPDATE_GOLDEN=1 writes it)";
    }
    if (expected == actual) return ::testing::AssertionSuccess();
    const fs::path out = ActualPath(goldenPath);
    WriteBytes(out, actual);
    return ::testing::AssertionFailure() << goldenPath << " differs; the output is in " << out.string() << "\n"
                                         << UnifiedDiff(golden, out);
}

std::string EncodePicture(const GoldenPicture& picture) {
    char head[48];
    const int n = std::snprintf(head, sizeof head, "KVPL %d %d\n", picture.width, picture.height);
    std::string out(head, static_cast<size_t>(n));
    out.append(picture.pixels.begin(), picture.pixels.end());
    return out;
}

std::string EncodePng(const GoldenPicture& picture) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutU32(header, static_cast<uint32_t>(picture.width));
    PutU32(header, static_cast<uint32_t>(picture.height));
    header += std::string("\x08\x03\x00\x00\x00", 5);  // 8-bit palette, no interlace
    PutChunk(png, "IHDR", header);
    std::string palette;
    for (const uint32_t c : picture.colours) {
        palette += static_cast<char>((c >> 16) & 0xFF);
        palette += static_cast<char>((c >> 8) & 0xFF);
        palette += static_cast<char>(c & 0xFF);
    }
    PutChunk(png, "PLTE", palette);
    std::string raw;
    const auto w = static_cast<size_t>(picture.width);
    for (size_t y = 0; y < static_cast<size_t>(picture.height); ++y) {
        raw += '\0';  // no filter
        raw.append(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y * w),
                   picture.pixels.begin() + static_cast<std::ptrdiff_t>((y + 1) * w));
    }
    PutChunk(png, "IDAT", ZlibStream(raw));
    PutChunk(png, "IEND", "");
    return png;
}

::testing::AssertionResult ComparePicture(const std::string& goldenPath, const GoldenPicture& actual) {
    if (actual.pixels.size() != static_cast<size_t>(actual.width) * static_cast<size_t>(actual.height)) {
        return ::testing::AssertionFailure()
               << "picture of " << actual.pixels.size() << " pixels is not " << actual.width << " x " << actual.height;
    }
    const std::string bytes = EncodePicture(actual);
    const std::string pngPath = fs::path(goldenPath).replace_extension(".png").string();
    const fs::path golden = SourcePath(goldenPath);
    if (UpdatingGolden()) {
        std::string old;
        if (ReadBytes(golden, old) && old == bytes) return ::testing::AssertionSuccess();
        ::testing::AssertionResult written = Update(golden, bytes);
        if (!written) return written;
        return Update(SourcePath(pngPath), EncodePng(actual));
    }
    std::string expected;
    const bool found = ReadBytes(golden, expected);
    if (found && expected == bytes) return ::testing::AssertionSuccess();

    const fs::path out = ActualPath(goldenPath), outPng = ActualPath(pngPath);
    WriteBytes(out, bytes);
    WriteBytes(outPng, EncodePng(actual));
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << goldenPath << " differs; the output is in " << out.string() << ", its picture in " << outPng.string()
            << "\n";
    if (!found) return failure << "no golden file (KIVELO_UPDATE_GOLDEN=1 writes it)";
    int w = 0, h = 0, skip = 0;
    if (std::sscanf(expected.c_str(), "KVPL %d %d\n%n", &w, &h, &skip) != 2 || skip == 0) {
        return failure << "the golden file has no plane header";
    }
    if (w != actual.width || h != actual.height) {
        return failure << "size " << actual.width << " x " << actual.height << ", golden " << w << " x " << h;
    }
    const std::string_view pixels = std::string_view(expected).substr(static_cast<size_t>(skip));
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        const size_t x = i % static_cast<size_t>(w), y = i / static_cast<size_t>(w);
        if (i >= pixels.size()) return failure << "the golden file ends before pixel x " << x << ", y " << y;
        const auto want = static_cast<uint8_t>(pixels[i]);
        if (want != actual.pixels[i]) {
            return failure << "first differing pixel: x " << x << ", y " << y << ", expected " << int{want}
                           << ", actual " << int{actual.pixels[i]};
        }
    }
    return failure << "the golden file has " << pixels.size() - actual.pixels.size() << " bytes too many";
}

}  // namespace kivelo::test
