#pragma once
// Argument parsing and exit conventions shared by the kivelo-cli commands.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivelo::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,
    kExitUsage = 2,
    kExitExists = 3,         // csv: the output file exists
    kExitConvertExists = 5,  // convert: the output .wvf exists and is not empty
};

struct OptionDesc {
    std::string_view name;  // "-o", "--block", ...
    bool takesValue;
};

// Parses a command's arguments: options of the given descs (a value either as the
// next argument or after '='), "--help"/"-h", and positional arguments; "--" ends
// the options.
class CliArgs {
public:
    explicit CliArgs(std::vector<OptionDesc> descs) : descs_(std::move(descs)) {}

    // argv[0] is the command's name. false on an unknown option or a missing value.
    bool Parse(int argc, char** argv);
    // Parse for one command that takes exactly one positional argument, named
    // `what` in messages. false when the command ends here: after printing help
    // (exitCode 0) or a usage error (exitCode 2).
    bool ParseCommand(int argc, char** argv, std::string_view command, const char* help, std::string_view what,
                      int& exitCode);

    bool HelpAsked() const { return help_; }
    bool Has(std::string_view name) const;
    // The option's last value, or nullptr when it was not given.
    const std::string* Value(std::string_view name) const;
    // A whole number in min..max, or fallback when the option is absent.
    bool IntValue(std::string_view name, int64_t fallback, int64_t min, int64_t max, int64_t& out);
    // --block (default 0), --first (default 0) and --count (default countFallback, at
    // least countMin) of a span of one record, each within what a record can hold.
    bool SpanValues(int64_t countFallback, int64_t countMin, int64_t& block, int64_t& first, int64_t& count);
    const std::vector<std::string>& Positional() const { return positional_; }
    const std::string& Error() const { return error_; }

private:
    const OptionDesc* Find(std::string_view name) const;

    std::vector<OptionDesc> descs_;
    std::vector<std::pair<std::string, std::string>> given_;
    std::vector<std::string> positional_;
    std::string error_;
    bool help_ = false;
};

// One line "kivelo-cli COMMAND: message (see kivelo-cli COMMAND --help)" on stderr; kExitUsage.
int UsageError(std::string_view command, const std::string& message);
// One line on stderr; returns code.
int Report(const std::string& message, int code = kExitFailure);

// A trace label "W1" .. "W999" (either case) as its index from 0; false for anything else.
bool ParseTraceLabel(std::string_view text, int& trace);

// File name comparison by the last three characters without regard to letter case.
bool EndsWithNoCase(std::string_view path, std::string_view ending);

}  // namespace kivelo::cli
