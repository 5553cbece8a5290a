#include "export/HeaderWriterLines.h"

#include "wavefile/NumberText.h"

namespace kivelo::HeaderLines {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::string KeyField(std::string_view key) { return Padded(std::string(key), kKeyWidth); }

std::string Token(std::string_view value) {
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    std::string token(value);
    for (char& c : token) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) c = '_';
    }
    return token;
}

std::string Column(std::string_view value) { return Padded(std::string(value.substr(0, kColumnWidth)), kColumnWidth); }

std::string IntegerColumn(long long value) { return Padded(std::to_string(value), kColumnWidth); }

std::string RealColumn(double value) { return FormatCrt("%-16.7E", value); }

}  // namespace kivelo::HeaderLines
