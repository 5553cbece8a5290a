#include "instrument/drivers/CDriverQV31.h"

#include "common/ClampToInt.h"
#include "instrument/drivers/AnswerText.h"

namespace kivelo {

namespace {

// The model without history queries and with two channels.
constexpr int kCodeQV3120 = 516001;
constexpr int kCodeQV3120L = 516003;

constexpr FamilyTexts kTexts = [] {
    FamilyTexts texts = kScopeTexts;
    texts.displayPointNo = "6";
    return texts;
}();

std::string_view NameForCode(int code) {
    switch (code) {
    case kCodeQV3120: return "QV3120";
    case kCodeQV3120L: return "QV3120L";
    case 516004: return "QV3140L";
    default: return "QV3140";
    }
}

}  // namespace

CDriverQV31::CDriverQV31(HeaderSwitches switches) : CFamilyDriver(switches, kTexts) {}

int CDriverQV31::PollChannels(std::vector<uint16_t>& channels) {
    int code = 0;
    if (AskModelCode(code) != kSourceOk) return kSourceFailed;
    const int count = code == kCodeQV3120 || code == kCodeQV3120L ? 2 : 4;
    return Bracket([&] { return AskChannelModes(count, channels); });
}

int CDriverQV31::AskHistory(bool& history) {
    std::string acquisition;
    std::string trigger;
    if (Ask("ACQ:HIST?", acquisition) != kSourceOk || Ask("TRIG:MODE?", trigger) != kSourceOk) {
        return kSourceFailed;
    }
    history = (!acquisition.empty() && acquisition.front() == '1') || (!trigger.empty() && trigger.front() == 'N');
    return kSourceOk;
}

template <class Store>
int CDriverQV31::AskOldestRecord(Store&& store) {
    int code = 0;
    if (AskModelCode(code) != kSourceOk) return kSourceFailed;
    if (code == kCodeQV3120) {
        store(0);
        return kSourceOk;
    }
    return Bracket([&] {
        bool history = false;
        if (AskHistory(history) != kSourceOk) return kSourceFailed;
        int oldest = 0;
        if (history) {
            // Showing the oldest record held makes the display count its number.
            std::string answer;
            if (Send("DISP:COUN -100") != kSourceOk || Ask("DISP:COUN?", answer) != kSourceOk) {
                return kSourceFailed;
            }
            oldest = ParseWhole(answer);
        }
        store(oldest);
        return kSourceOk;
    });
}

int CDriverQV31::GetFirstBlockNo(int& block, int) {
    return AskOldestRecord([&](int oldest) { AnswerFirstRecord(oldest, block); });
}

int CDriverQV31::GetBlockCount(int& count, int) {
    // Records oldest..0.
    return AskOldestRecord([&](int oldest) { AnswerRecordCount(ClampToInt(1LL - oldest), count); });
}

int CDriverQV31::GetModelName(std::string& name) { return NameFromIdentity(name, NameForCode); }

int CDriverQV31::GetHUnit(std::string& out, int, int) {
    // An internal time base gives seconds; any other has no known unit.
    return AnswerByFirstChar(out, "TIM:SOUR?", 'I', "s", "?");
}

int CDriverQV31::GetTime(std::string& out, int block, int) {
    int code = 0;
    if (AskModelCode(code) != kSourceOk) return kSourceFailed;
    if (code == kCodeQV3120) return QueryUnquoted(out, "SYST:CLOC:TIME?");
    return Bracket([&] {
        bool history = false;
        if (AskHistory(history) != kSourceOk) return kSourceFailed;
        std::string answer;
        if (history) {
            if (Ask(WithNumber("DISP:TIME? ", block), answer) != kSourceOk) return kSourceFailed;
            // The time stamp follows a six-character field of the unquoted
            // answer; quotes around the stamp alone go as well.
            const std::string text = Unquote(answer);
            out = Unquote(text.size() > 6 ? std::string_view(text).substr(6) : std::string_view());
        } else {
            if (Ask("SYST:CLOC:TIME?", answer) != kSourceOk) return kSourceFailed;
            out = Unquote(answer);
        }
        return kSourceOk;
    });
}

int CDriverQV31::GetDCOffset(std::string& out, int block, int trace) {
    return QueryText(out, "WAV:OFFS?", trace, block);
}

int CDriverQV31::GetTriggerPointNo(std::string& out, int, int) { return QueryText(out, "WAV:TRIG?"); }

}  // namespace kivelo
