#pragma once
// "--name value" and "--flag" arguments of one kivelo-gen command.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kivelo::wavegen {

class CliOptions {
public:
    // valued: options that take a value; flags: options without. false on any
    // unknown or incomplete option (error() says which).
    bool Parse(int argc, char** argv, int first, const std::set<std::string>& valued,
               const std::set<std::string>& flags);

    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    std::string Text(const std::string& name, const std::string& fallback) const;
    // Integer (decimal or 0x hex) within [lo, hi]; false with an error when malformed.
    bool Int(const std::string& name, int64_t lo, int64_t hi, int64_t& value);
    bool Real(const std::string& name, double& value);
    // Comma-separated integers, exactly n of them.
    bool IntList(const std::string& name, std::size_t n, std::vector<int64_t>& values);
    const std::string& Error() const { return error_; }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
    std::string error_;
};

}  // namespace kivelo::wavegen
