#pragma once
// Forward-only line reader of an ASCII header: key search, value tokens, and the
// number conversions used for header values.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kivelo {

class HeaderLineReader {
public:
    bool Open(const std::string& path);
    // As Open; `cause` says why it failed ("no such file", "not a regular file (a folder)").
    bool Open(const std::string& path, std::string& cause);

    // Reads the next line into Line(); false at the end of the file (or on a line
    // too long for any real header).
    bool NextLine();
    // Reads lines until one begins with key (compared over the key's length);
    // at most 10,000 lines per search. Lines passed over are consumed.
    bool FindKey(std::string_view key);
    bool LineBeginsWith(std::string_view key) const;

    const std::string& Line() const { return line_; }
    // Number of the current line, from 1 (0 before the first).
    int LineNumber() const { return lineNumber_; }
    // A line longer than any real header's stopped the reading.
    bool StoppedAtLongLine() const { return tooLong_; }
    // The space-separated tokens of the current line after the key token.
    std::vector<std::string_view> Values() const;

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::string line_;
    int lineNumber_ = 0;
    bool tooLong_ = false;
};

// Header value conversions: leading decimal integer / real of a token
// (optional sign; 0 when none), locale-independent, clamped to range.
int32_t ParseHeaderInt(std::string_view token);
double ParseHeaderReal(std::string_view token);
// A text value as stored in a 20-character slot: at most 19 characters.
std::string HeaderText(std::string_view token);

}  // namespace kivelo
