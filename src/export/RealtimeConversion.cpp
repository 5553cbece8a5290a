#include "export/RealtimeConversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "common/NumberScan.h"
#include "common/StagedFile.h"
#include "common/UniqueFd.h"
#include "wavefile/FileHandle.h"
#include "wavefile/NumberText.h"

namespace kivelo {

namespace {

constexpr int64_t kChunkSamples = 65536;
constexpr int kMaxHeaderLines = 10000;
// A header is a few kilobytes; anything far larger is no header.
constexpr int64_t kMaxHeaderBytes = int64_t{16} << 20;

int Fail(std::string& message, std::string text) {
    message = std::move(text);
    return kConvertFailed;
}

// text + ": " + the error of errno (read first, before anything can change it).
std::string WithErrno(const std::string& text) {
    int err = errno;
    return text + ": " + std::strerror(err);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool StartsWith(std::string_view line, std::string_view key) { return line.substr(0, key.size()) == key; }

// The words of a line after its key; blanks separate them.
std::vector<std::string_view> ValueWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    if (!words.empty()) words.erase(words.begin());
    return words;
}

// Sign and leading digits (0 when none), kept within 32 bits.
int32_t IntegerOf(std::string_view word) { return ScanLeadingInt32(word); }

// The leading decimal number, 0 when there is none or it is too large.
double RealOf(std::string_view word) { return ScanLeadingReal(word, RealOverflow::kZero).value_or(0.0); }

std::string RewriteLine(std::string_view line, int divisor) {
    std::string out;
    if (StartsWith(line, "BlockSize")) {
        out = "BlockSize";
        bool first = true;
        for (std::string_view w : ValueWords(line)) {
            out += first ? "         " : "  ";
            out += std::to_string(IntegerOf(w) / divisor);
            first = false;
        }
    } else if (StartsWith(line, "HResolution")) {
        out = "HResolution";
        bool first = true;
        for (std::string_view w : ValueWords(line)) {
            out += first ? "       " : " ";
            out += FormatCrt("%1.7E", RealOf(w) * divisor);
            first = false;
        }
    } else if (StartsWith(line, "DisplayBlockSize")) {
        out = "DisplayBlockSize";
        for (std::string_view w : ValueWords(line)) out += "  " + std::to_string(IntegerOf(w) / divisor);
    } else {
        out = line;
    }
    return out;
}

bool ReadWholeFile(const std::string& path, std::string& text, std::string& message) {
    FileHandle file;
    if (!file.OpenRead(path)) {
        message = WithErrno("Cannot read the header " + path);
        return false;
    }
    int64_t size = file.Size();
    if (size < 0 || size > kMaxHeaderBytes) {
        message = "The header " + path + " is too large";
        return false;
    }
    text.resize(static_cast<std::size_t>(size));
    auto bytes = std::span<uint8_t>(reinterpret_cast<uint8_t*>(text.data()), text.size());
    int64_t got = file.ReadAt(0, bytes);
    if (got < 0) {
        message = WithErrno("Cannot read the header " + path);
        return false;
    }
    text.resize(static_cast<std::size_t>(got));
    return true;
}

// The output data file, staged beside its name. It may take the place of an
// empty file only; the name itself is checked first, so a FIFO there cannot
// hang the conversion and a file with data is reported as existing.
class NewDataFile {
public:
    // kConvertOk staged, kConvertExists exists and is not empty (left alone),
    // kConvertFailed failure.
    int Open(const std::string& path, std::string& message) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) return Fail(message, WithErrno("Cannot open " + path));
        } else if (int r = CheckExisting(path, message); r != kConvertOk) {
            return r;
        }
        if (file_.Create(path, StagedFile::Existing::ReplaceEmpty)) return kConvertOk;
        errno = file_.ErrorNumber();
        return Fail(message, WithErrno("Cannot create " + path));
    }

    bool Write(const uint8_t* data, std::size_t size, std::string& message) {
        if (file_.Append(std::span<const uint8_t>(data, size))) return true;
        message = file_.Error();
        return false;
    }

    bool Sync(std::string& message) {
        if (file_.Sync()) return true;
        message = file_.Error();
        return false;
    }

    bool Commit(std::string& message) {
        if (file_.Commit()) return true;
        message = file_.Error();
        return false;
    }

private:
    static int CheckExisting(const std::string& path, std::string& message) {
        // O_NONBLOCK: a FIFO under the name must not hang the conversion.
        UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd.IsOpen()) return Fail(message, WithErrno("Cannot open " + path));
        struct stat st {};
        if (::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) return kConvertOk;
        if (st.st_size > 0) {
            message = "File already exists.";
            return kConvertExists;
        }
        return Fail(message, path + " is not a file that can be written");
    }

    StagedFile file_;
};

// Every trace's samples of a region, trace after trace. Realtime reads
// deliver whole pairs, so a trace of odd length gets its last delivered sample once
// more: every trace then fills exactly its BlockSize and the next one starts where
// the header says.
bool CopySamples(CRtmFile& file, int region, NewDataFile& data, std::string& message) {
    std::vector<uint8_t> buffer;
    for (int t = 0; t < file.GetTraceTotalNumber(); ++t) {
        TraceInfo info;
        file.GetTraceInfo(t, info);
        const int w = info.DataWidth;
        if (w != 1 && w != 2 && w != 4) {
            message = "Trace " + std::to_string(t + 1) + " has samples of " + std::to_string(w) +
                      " bytes, which cannot be copied";
            return false;
        }
        const int64_t n = file.GetRegionBlockSize(region, t);
        buffer.assign(static_cast<std::size_t>(kChunkSamples * w), 0);
        std::vector<uint8_t> last(static_cast<std::size_t>(w), 0);
        for (int64_t pos = 0; pos < n; pos += kChunkSamples) {
            const int64_t k = std::min(kChunkSamples, n - pos);
            const int64_t even = k & ~int64_t{1};
            int64_t got = 0;
            // Samples as stored: the byte order stays the file's.
            if (even > 0 && file.ReadRegion(region, t, pos, k, buffer, got, kWidthNative, true) != kFileOk) {
                message = "Cannot read trace " + std::to_string(t + 1) + " of the realtime file";
                return false;
            }
            if (got < even) {
                message = "The realtime file ends inside trace " + std::to_string(t + 1);
                return false;
            }
            got = even;
            auto bytes = static_cast<std::size_t>(got * w);
            if (!data.Write(buffer.data(), bytes, message)) return false;
            if (got > 0)
                std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(bytes) - w,
                          buffer.begin() + static_cast<std::ptrdiff_t>(bytes), last.begin());
            if (k > got && !data.Write(last.data(), last.size(), message)) return false;
        }
    }
    return true;
}

}  // namespace

std::string ConvertedHeaderPath(const std::string& dataPath) {
    std::size_t slash = dataPath.find_last_of('/');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t w = dataPath.find_last_of('w');
    if (w == std::string::npos || w < nameStart) return {};
    return dataPath.substr(0, w) + "hdr";
}

int CopyHeaderWithRatio(const CHdrFile& header, const std::string& newPath, int divisor, std::string& message) {
    message.clear();
    if (!header.IsLoaded()) return Fail(message, "No header was read");
    if (divisor < 1) return Fail(message, "Invalid divisor " + std::to_string(divisor));
    const std::string& source = header.GetHeaderPath();
    if (SameFile(source, newPath))
        return Fail(message, "The new header " + newPath + " would replace the source header");
    std::string text;
    if (!ReadWholeFile(source, text, message)) return kConvertFailed;

    StagedFile out;
    if (!out.Create(newPath, StagedFile::Existing::Replace)) return Fail(message, out.Error());
    std::size_t pos = 0;
    bool complete = false;
    for (int lines = 0;; ++lines) {
        if (pos >= text.size()) {
            complete = true;
            break;
        }
        if (lines == kMaxHeaderLines) break;
        std::size_t lf = text.find('\n', pos);
        std::size_t end = lf == std::string::npos ? text.size() : lf;
        std::string_view line(text.data() + pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        if (StartsWith(line, "$ApplicationInfo")) {
            complete = true;
            break;
        }
        out.Append(RewriteLine(line, divisor));
        out.Append("\r\n");
    }
    if (!complete)
        return Fail(message, "The header " + source + " has more than " + std::to_string(kMaxHeaderLines) + " lines");
    if (!out.Commit()) return Fail(message, out.Error());
    return kConvertOk;
}

int CopyHeaderWithRatio(const CHdrFile& header, const std::string& newPath, int divisor) {
    std::string message;
    return CopyHeaderWithRatio(header, newPath, divisor, message);
}

int SaveAsWvf(CRtmFile& file, int mode, const std::string& dataPath, std::string& message) {
    message.clear();
    if (!file.IsOpen() || file.GetHeader() == nullptr) return Fail(message, "No realtime file is open");
    // Samples the file lacks would be copied as whatever the short read leaves.
    if (!file.GetShortTraces().empty()) return Fail(message, "Not converted: " + file.GetShortDataWarning());
    if (mode < 0 || mode >= CRtmFile::kRegionCount)
        return Fail(message, "Unknown conversion mode " + std::to_string(mode));

    NewDataFile data;
    int opened = data.Open(dataPath, message);
    if (opened != kConvertOk) return opened;
    std::string headerPath = ConvertedHeaderPath(dataPath);
    if (headerPath.empty())
        return Fail(message, "No header name can be made for " + dataPath + ": its file name has no lower-case w");
    if (SameFile(headerPath, file.GetHeader()->GetHeaderPath()))
        return Fail(message, "The header " + headerPath + " belongs to the realtime file itself");

    if (!CopySamples(file, mode, data, message)) return kConvertFailed;
    if (!data.Sync(message)) return kConvertFailed;
    auto divisor = static_cast<int>(CRtmFile::kDivisors[static_cast<std::size_t>(mode)]);
    struct stat st {};
    const bool headerWasThere = ::lstat(headerPath.c_str(), &st) == 0;
    if (CopyHeaderWithRatio(*file.GetHeader(), headerPath, divisor, message) != kConvertOk) return kConvertFailed;
    if (!data.Commit(message)) {
        // Nothing this call created stays behind.
        if (!headerWasThere) ::unlink(headerPath.c_str());
        return kConvertFailed;
    }
    return kConvertOk;
}

int SaveAsWvf(CRtmFile& file, int mode, const std::string& dataPath) {
    std::string message;
    return SaveAsWvf(file, mode, dataPath, message);
}

}  // namespace kivelo
