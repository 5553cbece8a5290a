#include "CliArgs.h"

#include <limits>

#include <cctype>
#include <charconv>
#include <cstdio>

namespace kivelo::cli {

const OptionDesc* CliArgs::Find(std::string_view name) const {
    for (const OptionDesc& s : descs_)
        if (s.name == name) return &s;
    return nullptr;
}

bool CliArgs::Parse(int argc, char** argv) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional_.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            help_ = true;
            continue;
        }
        std::size_t eq = arg.find('=');
        std::string_view name = arg.substr(0, eq);
        const OptionDesc* desc = Find(name);
        if (desc == nullptr) {
            error_ = "unknown option " + std::string(arg);
            return false;
        }
        if (!desc->takesValue) {
            if (eq != std::string_view::npos) {
                error_ = "option " + std::string(name) + " takes no value";
                return false;
            }
            given_.emplace_back(std::string(name), std::string());
        } else if (eq != std::string_view::npos) {
            given_.emplace_back(std::string(name), std::string(arg.substr(eq + 1)));
        } else if (i + 1 < argc) {
            given_.emplace_back(std::string(name), std::string(argv[++i]));
        } else {
            error_ = "option " + std::string(name) + " needs a value";
            return false;
        }
    }
    return true;
}

bool CliArgs::ParseCommand(int argc, char** argv, std::string_view command, const char* help, std::string_view what,
                           int& exitCode) {
    if (!Parse(argc, argv)) {
        exitCode = UsageError(command, error_);
        return false;
    }
    if (help_) {
        std::fputs(help, stdout);
        exitCode = kExitOk;
        return false;
    }
    if (positional_.size() != 1) {
        exitCode = UsageError(command, "give exactly one " + std::string(what));
        return false;
    }
    return true;
}

bool CliArgs::Has(std::string_view name) const { return Value(name) != nullptr; }

const std::string* CliArgs::Value(std::string_view name) const {
    const std::string* found = nullptr;
    for (const auto& [n, v] : given_)
        if (n == name) found = &v;
    return found;
}

bool CliArgs::SpanValues(int64_t countFallback, int64_t countMin, int64_t& block, int64_t& first, int64_t& count) {
    constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
    return IntValue("--block", 0, 0, kInt32Max - 1, block) && IntValue("--first", 0, 0, kInt32Max, first) &&
           IntValue("--count", countFallback, countMin, kInt32Max, count);
}

bool CliArgs::IntValue(std::string_view name, int64_t fallback, int64_t min, int64_t max, int64_t& out) {
    const std::string* text = Value(name);
    if (text == nullptr) {
        out = fallback;
        return true;
    }
    int64_t v = 0;
    const char* end = text->data() + text->size();
    auto [ptr, ec] = std::from_chars(text->data(), end, v);
    if (text->empty() || ec != std::errc() || ptr != end || v < min || v > max) {
        error_ = std::string(name) + " needs a whole number from " + std::to_string(min) + " to " +
                 std::to_string(max) + ", not '" + *text + "'";
        return false;
    }
    out = v;
    return true;
}

int UsageError(std::string_view command, const std::string& message) {
    std::string c(command);
    std::fprintf(stderr, "kivelo-cli %s: %s (see kivelo-cli %s --help)\n", c.c_str(), message.c_str(), c.c_str());
    return kExitUsage;
}

int Report(const std::string& message, int code) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return code;
}

bool ParseTraceLabel(std::string_view text, int& trace) {
    if (text.size() < 2 || text.size() > 4 || std::toupper(static_cast<unsigned char>(text[0])) != 'W') return false;
    int n = 0;
    for (char c : text.substr(1)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        n = n * 10 + (c - '0');
    }
    trace = n - 1;
    return n >= 1;
}

bool EndsWithNoCase(std::string_view path, std::string_view ending) {
    if (path.size() < ending.size()) return false;
    std::string_view tail = path.substr(path.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(tail[i])) != std::tolower(static_cast<unsigned char>(ending[i])))
            return false;
    return true;
}

}  // namespace kivelo::cli
