#pragma once
// Text of an ASCII header in the instruments' layout: keys left-justified in
// 20 columns, per-trace values in 16-column fields, CR LF line ends.
#include <string>
#include <vector>

namespace kivelo::wavegen {

class HeaderBuilder {
public:
    // "1.0000000E-003": seven fraction digits, at least three exponent digits.
    static std::string Real(double v);

    void Line(const std::string& text);  // a line as is
    void Blank() { Line(""); }
    void Single(const std::string& key, const std::string& value);
    void Columns(const std::string& key, const std::vector<std::string>& values);
    void Reals(const std::string& key, const std::vector<double>& values);

    const std::string& Text() const { return text_; }

private:
    static std::string Key(const std::string& key);
    std::string text_;
};

}  // namespace kivelo::wavegen
