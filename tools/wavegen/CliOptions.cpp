#include "CliOptions.h"

#include <cerrno>
#include <cstdlib>

namespace kivelo::wavegen {
namespace {

bool ToInt(const std::string& text, int64_t& v) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    v = std::strtoll(text.c_str(), &end, 0);
    return errno == 0 && *end == '\0';
}

}  // namespace

bool CliOptions::Parse(int argc, char** argv, int first, const std::set<std::string>& valued,
                       const std::set<std::string>& flags) {
    for (int i = first; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--", 0) != 0) {
            positional_.push_back(a);
            continue;
        }
        const std::string name = a.substr(2);
        if (flags.count(name)) {
            values_[name] = "1";
        } else if (valued.count(name)) {
            if (i + 1 >= argc) {
                error_ = "missing value for " + a;
                return false;
            }
            values_[name] = argv[++i];
        } else {
            error_ = "unknown option " + a;
            return false;
        }
    }
    return true;
}

std::string CliOptions::Text(const std::string& name, const std::string& fallback) const {
    const auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

bool CliOptions::Int(const std::string& name, int64_t lo, int64_t hi, int64_t& value) {
    if (!Has(name)) return true;
    int64_t v = 0;
    if (!ToInt(values_[name], v) || v < lo || v > hi) {
        error_ = "--" + name + " needs an integer in " + std::to_string(lo) + ".." + std::to_string(hi);
        return false;
    }
    value = v;
    return true;
}

bool CliOptions::Real(const std::string& name, double& value) {
    if (!Has(name)) return true;
    char* end = nullptr;
    const double v = std::strtod(values_[name].c_str(), &end);
    if (values_[name].empty() || *end != '\0') {
        error_ = "--" + name + " needs a number";
        return false;
    }
    value = v;
    return true;
}

bool CliOptions::IntList(const std::string& name, std::size_t n, std::vector<int64_t>& values) {
    if (!Has(name)) return true;
    std::vector<int64_t> out;
    std::string text = values_[name] + ",";
    std::size_t start = 0;
    for (auto comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
        int64_t v = 0;
        if (!ToInt(text.substr(start, comma - start), v)) break;
        out.push_back(v);
        start = comma + 1;
    }
    if (out.size() != n || start != text.size()) {
        error_ = "--" + name + " needs " + std::to_string(n) + " comma-separated integers";
        return false;
    }
    values = out;
    return true;
}

}  // namespace kivelo::wavegen
