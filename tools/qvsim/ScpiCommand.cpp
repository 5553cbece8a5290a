#include "ScpiCommand.h"

#include <cctype>
#include <charconv>

namespace kivelo::qvsim {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Splits at ';' outside double quotes.
std::vector<std::string_view> SplitUnits(std::string_view message) {
    std::vector<std::string_view> units;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '"') quoted = !quoted;
        if (message[i] == ';' && !quoted) {
            units.push_back(message.substr(start, i - start));
            start = i + 1;
        }
    }
    units.push_back(message.substr(start));
    return units;
}

ScpiNode ParseNode(std::string_view text) {
    ScpiNode node;
    std::size_t digits = text.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1]))) --digits;
    // A mnemonic is never all digits; keep such a node whole so it matches nothing.
    if (digits > 0 && digits < text.size() && text.size() - digits <= 4) {
        int value = 0;
        std::from_chars(text.data() + digits, text.data() + text.size(), value);
        node.suffix = value;
        text = text.substr(0, digits);
    }
    node.name = Upper(text);
    return node;
}

}  // namespace

std::vector<ScpiCommand> SplitProgramMessage(std::string_view message) {
    std::vector<ScpiCommand> commands;
    std::vector<ScpiNode> path;  // header path that a following relative command continues
    for (auto unit : SplitUnits(message)) {
        unit = Trim(unit);
        if (unit.empty()) continue;
        ScpiCommand cmd;
        cmd.text = std::string(unit);
        std::size_t split = 0;
        while (split < unit.size() && !std::isspace(static_cast<unsigned char>(unit[split]))) ++split;
        std::string_view header = unit.substr(0, split);
        cmd.params = std::string(Trim(unit.substr(split)));
        if (!header.empty() && header.back() == '?') {
            cmd.query = true;
            header.remove_suffix(1);
        }
        if (!header.empty() && header.front() == '*') {
            cmd.common = true;
            cmd.nodes.push_back(ScpiNode{Upper(header), -1});
            commands.push_back(std::move(cmd));
            continue;  // common commands leave the path alone
        }
        const bool absolute = !header.empty() && header.front() == ':';
        if (absolute) header.remove_prefix(1);
        if (!absolute) cmd.nodes = path;
        while (true) {
            const auto colon = header.find(':');
            cmd.nodes.push_back(ParseNode(header.substr(0, colon)));
            if (colon == std::string_view::npos) break;
            header.remove_prefix(colon + 1);
        }
        path.assign(cmd.nodes.begin(), cmd.nodes.end() - 1);
        commands.push_back(std::move(cmd));
    }
    return commands;
}

std::string_view ShortForm(std::string_view pattern) {
    std::size_t n = 0;
    while (n < pattern.size() && !std::islower(static_cast<unsigned char>(pattern[n]))) ++n;
    return pattern.substr(0, n);
}

bool MatchesMnemonic(std::string_view sent, std::string_view pattern) {
    const std::string upper = Upper(sent);
    return upper == ShortForm(pattern) || upper == Upper(pattern);
}

bool ParseIntParam(std::string_view params, long long& out) {
    params = Trim(params);
    if (!params.empty() && params.front() == '+') params.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(params.data(), params.data() + params.size(), value);
    if (ec != std::errc{} || end != params.data() + params.size() || params.empty()) return false;
    out = value;
    return true;
}

std::string UnquoteParam(std::string_view params) {
    params = Trim(params);
    if (!params.empty() && params.front() == '"') params.remove_prefix(1);
    if (!params.empty() && params.back() == '"') params.remove_suffix(1);
    return std::string(params);
}

}  // namespace kivelo::qvsim
