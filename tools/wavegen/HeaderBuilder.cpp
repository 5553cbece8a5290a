#include "HeaderBuilder.h"

#include <cstdio>
#include <cstdlib>

namespace kivelo::wavegen {

std::string HeaderBuilder::Real(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.7E", v);
    std::string s = buf;
    const auto e = s.find('E');
    if (e == std::string::npos || e + 2 >= s.size()) return s;  // inf / nan
    std::string digits = s.substr(e + 2);
    if (digits.size() < 3) digits = std::string(3 - digits.size(), '0') + digits;
    return s.substr(0, e + 2) + digits;
}

std::string HeaderBuilder::Key(const std::string& key) {
    std::string k = key;
    k.resize(k.size() < 20 ? 20 : k.size() + 1, ' ');
    return k;
}

void HeaderBuilder::Line(const std::string& text) {
    text_ += text;
    text_ += "\r\n";
}

void HeaderBuilder::Single(const std::string& key, const std::string& value) { Line(Key(key) + value); }

void HeaderBuilder::Columns(const std::string& key, const std::vector<std::string>& values) {
    std::string line = Key(key);
    for (std::string v : values) {
        // Long texts keep all their characters (readers must cut them), one blank after.
        v.resize(v.size() < 16 ? 16 : v.size() + 1, ' ');
        line += v;
    }
    Line(line);
}

void HeaderBuilder::Reals(const std::string& key, const std::vector<double>& values) {
    std::vector<std::string> texts;
    texts.reserve(values.size());
    for (double v : values) texts.push_back(Real(v));
    Columns(key, texts);
}

}  // namespace kivelo::wavegen
