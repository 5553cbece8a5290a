#include "instrument/drivers/CDriverQV60.h"

#include <algorithm>

#include "instrument/drivers/AnswerText.h"

namespace kivelo {

namespace {

constexpr FamilyTexts kTexts = [] {
    FamilyTexts texts = kScopeTexts;
    texts.displayPointNo = "4";
    return texts;
}();

std::string_view NameForCode(int code) {
    switch (code) {
    case 512010: return "QV6010";
    case 512030: return "QV6020";
    default: return "QV6030";
    }
}

}  // namespace

CDriverQV60::CDriverQV60(HeaderSwitches switches) : CFamilyDriver(switches, kTexts) {}

int CDriverQV60::PollChannels(std::vector<uint16_t>& channels) {
    return Bracket([&] { return AskChannelModes(4, channels); });
}

int CDriverQV60::GetFirstBlockNo(int& block, int) {
    // N-single records are numbered from 1.
    AnswerFirstRecord(1, block);
    return kSourceOk;
}

int CDriverQV60::GetBlockCount(int& count, int) {
    // Without N-single records there is still the current one (the transfer
    // fetches one record for a count of 0 or 1), so the header describes it.
    return QueryAndStore("TRIG:NSIN:DCOU?", -1, 0,
                         [&](const std::string& a) { AnswerRecordCount(std::max(1, ParseWhole(a)), count); });
}

int CDriverQV60::GetBlockSize(int& size, int, int) {
    return Bracket([&] {
        std::string answer;
        if (Send("WAV:START 0;END 100200") != kSourceOk || Ask("WAV:LENG?", answer) != kSourceOk) {
            return kSourceFailed;
        }
        AnswerLength(ParseWhole(answer), size);
        return kSourceOk;
    });
}

int CDriverQV60::GetModelName(std::string& name) { return NameFromIdentity(name, NameForCode); }

int CDriverQV60::GetHUnit(std::string& out, int, int) { return AnswerByFirstChar(out, "TIM:SOUR?", 'I', "s", "?"); }

int CDriverQV60::GetTime(std::string& out, int block, int) {
    return Bracket([&] {
        std::string answer;
        if (Ask(WithNumber("TRIG:NSIN:TIME? ", block), answer) != kSourceOk) return kSourceFailed;
        std::string time = Unquote(answer);
        // A record without a time stamp answers blanks (or too little to be a
        // time at all): the instrument's clock stands in for it.
        if (time.size() <= 6 || time[6] == ' ') {
            if (Ask("SYST:CLOC:TIME?", answer) != kSourceOk) return kSourceFailed;
            time = Unquote(answer);
        }
        out = std::move(time);
        return kSourceOk;
    });
}

int CDriverQV60::GetDCOffset(std::string& out, int block, int trace) {
    return QueryText(out, "WAV:OFFS?", trace, block);
}

}  // namespace kivelo
