#include "instrument/drivers/CDriverQV43.h"

#include <algorithm>

#include "instrument/drivers/AnswerText.h"

namespace kivelo {

namespace {

constexpr FamilyTexts kTexts = [] {
    FamilyTexts texts = kRecorderTexts;
    texts.vdivScale = 0.00012207;
    return texts;
}();

// The instrument has at most eight channels, whatever its option answer says.
constexpr int kMaxChannels = 8;

}  // namespace

CDriverQV43::CDriverQV43(HeaderSwitches switches) : CFamilyDriver(switches, kTexts) {}

int CDriverQV43::PollChannels(std::vector<uint16_t>& channels) {
    return Bracket([&] {
        std::string options;
        if (Ask("*OPT?", options) != kSourceOk) return kSourceFailed;
        // The first character of the option list is the channel count.
        const int count = options.empty() ? 0 : std::clamp(options.front() - '0', 0, kMaxChannels);
        for (int c = 1; c <= count; ++c) {
            std::string answer;
            if (Ask(WithNumber("CHAN", c, ":DISP?"), answer) != kSourceOk) return kSourceFailed;
            if (ParseWhole(answer) != 0) channels.push_back(static_cast<uint16_t>(c - 1));
        }
        return kSourceOk;
    });
}

int CDriverQV43::GetFirstBlockNo(int& block, int) { return AnswerFromHistoryDisplay(block, true); }
int CDriverQV43::GetBlockCount(int& count, int) { return AnswerFromHistoryDisplay(count, false); }

int CDriverQV43::GetVOffset(double& value, int block, int trace) { return QueryReal(value, "WAV:OFFS?", trace, block); }

int CDriverQV43::GetModelName(std::string& name) {
    name = "QV4300";
    return kSourceOk;
}

int CDriverQV43::GetVUnit(std::string& out, int, int trace) {
    // Linear scaling switched on leaves the unit to the user.
    return QueryAndStore(WithNumber("CHAN", static_cast<long long>(trace) + 1, ":LSC:MODE?"), -1, 0,
                         [&](const std::string& a) { out = ParseWhole(a) == 0 ? "V" : "?"; });
}

int CDriverQV43::GetHOffset(double& value, int block, int trace) { return AnswerTriggerTime(value, block, trace); }

int CDriverQV43::GetHUnit(std::string& out, int, int) {
    // An external sample clock has no known time unit.
    return AnswerByFirstChar(out, "ACQ:CLOC?", 'E', "?", "s");
}

int CDriverQV43::GetTime(std::string& out, int, int) { return QueryUnquoted(out, "SYST:TIME?"); }

int CDriverQV43::GetDisplayBlockSize(std::string& out, int block, int trace) {
    return QueryText(out, "WAV:LENG?", trace, block);
}

}  // namespace kivelo
