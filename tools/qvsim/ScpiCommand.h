#pragma once
// Splitting a program message into commands the way the instruments do:
// ';' separates commands, a command without a leading ':' continues the
// header path of the one before ("WAV:STAR 0;END 100" sets WAV:END).
#include <string>
#include <string_view>
#include <vector>

namespace kivelo::qvsim {

struct ScpiNode {
    std::string name;  // upper case, numeric suffix removed
    int suffix = -1;   // "CHAN3" -> 3; -1 without one
};

struct ScpiCommand {
    std::string text;     // the command as received (after path completion is not applied)
    bool common = false;  // "*IDN?" and the like
    bool query = false;
    std::vector<ScpiNode> nodes;
    std::string params;  // everything after the header, trimmed
};

std::vector<ScpiCommand> SplitProgramMessage(std::string_view message);

// True when a sent mnemonic matches a pattern node such as "WAVeform": either
// the upper-case short form or the whole long form, in any letter case.
bool MatchesMnemonic(std::string_view sent, std::string_view pattern);

// The short form of a pattern node: its leading upper-case letters.
std::string_view ShortForm(std::string_view pattern);

// Parameter helpers: whole decimal integer, and a string with its outer quotes removed.
bool ParseIntParam(std::string_view params, long long& out);
std::string UnquoteParam(std::string_view params);

}  // namespace kivelo::qvsim
