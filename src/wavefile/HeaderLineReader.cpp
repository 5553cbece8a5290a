#include "wavefile/HeaderLineReader.h"

#include <cerrno>

#include "common/ErrorText.h"
#include "common/NumberScan.h"

#include "wavefile/HeaderRecords.h"

namespace kivelo {

namespace {
constexpr int kMaxLinesPerSearch = 10000;
// Far beyond any real header line (thousands of values of a few characters).
constexpr std::size_t kMaxLineLength = 1 << 20;
}  // namespace

bool HeaderLineReader::Open(const std::string& path) {
    std::string cause;
    return Open(path, cause);
}

bool HeaderLineReader::Open(const std::string& path, std::string& cause) {
    file_.reset();
    line_.clear();
    lineNumber_ = 0;
    tooLong_ = false;
    // Only a regular file can be a header: a folder of that name would read as
    // empty, and a FIFO would block.
    UniqueFd fd = OpenRegularFile(path, cause);
    if (!fd.IsOpen()) return false;
    file_.reset(::fdopen(fd.Get(), "rb"));
    if (!file_) {
        cause = PlainErrorText(errno);
        return false;
    }
    fd.Release();
    return true;
}

bool HeaderLineReader::NextLine() {
    line_.clear();
    if (!file_) return false;
    int ch = std::getc(file_.get());
    if (ch == EOF) return false;
    ++lineNumber_;
    while (ch != EOF && ch != '\n') {
        if (line_.size() >= kMaxLineLength) {
            file_.reset();  // hostile input: stop reading altogether
            tooLong_ = true;
            return false;
        }
        line_.push_back(static_cast<char>(ch));
        ch = std::getc(file_.get());
    }
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    return true;
}

bool HeaderLineReader::LineBeginsWith(std::string_view key) const {
    return std::string_view(line_).substr(0, key.size()) == key;
}

bool HeaderLineReader::FindKey(std::string_view key) {
    for (int i = 0; i < kMaxLinesPerSearch; ++i) {
        if (!NextLine()) return false;
        if (LineBeginsWith(key)) return true;
    }
    return false;
}

std::vector<std::string_view> HeaderLineReader::Values() const {
    std::vector<std::string_view> tokens;
    std::string_view s(line_);
    std::size_t i = 0;
    bool first = true;
    while (i < s.size()) {
        while (i < s.size() && s[i] == ' ') ++i;
        if (i >= s.size()) break;
        std::size_t j = s.find(' ', i);
        if (j == std::string_view::npos) j = s.size();
        if (!first) tokens.push_back(s.substr(i, j - i));
        first = false;
        i = j;
    }
    return tokens;
}

int32_t ParseHeaderInt(std::string_view token) { return ScanLeadingInt32(token); }

double ParseHeaderReal(std::string_view token) { return ScanLeadingReal(token, RealOverflow::kInfinity).value_or(0.0); }

std::string HeaderText(std::string_view token) { return std::string(token.substr(0, kTextMaxLength)); }

}  // namespace kivelo
