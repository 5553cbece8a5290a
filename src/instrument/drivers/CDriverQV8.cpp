#include "instrument/drivers/CDriverQV8.h"

#include "instrument/drivers/AnswerText.h"
#include "instrument/drivers/InputModule.h"

namespace kivelo {

namespace {

std::string_view NameForCode(int code) {
    switch (code) {
    case 518002: return "QV818E";
    case 518003: return "QV826";
    default: return "QV818";
    }
}

}  // namespace

CDriverQV8::CDriverQV8(HeaderSwitches switches) : CFamilyDriver(switches, kRecorderTexts) {}

int CDriverQV8::PollChannels(std::vector<uint16_t>& channels) {
    std::string name;
    if (GetModelName(name) != kSourceOk) return kSourceFailed;
    const int count = name == "QV826" ? 16 : 8;
    return Bracket([&] {
        for (int c = 1; c <= count; ++c) {
            std::string module;
            if (Ask(WithNumber("CHAN", c, ":MODU?"), module) != kSourceOk) return kSourceFailed;
            // An empty slot answers 0 after its lead character.
            if (module.size() < 2 || ParseWhole(std::string_view(module).substr(1)) == 0) continue;
            std::string shown;
            if (Ask(WithNumber("CHAN", c, ":DISP?"), shown) != kSourceOk) return kSourceFailed;
            if (ParseWhole(shown) != 0) channels.push_back(static_cast<uint16_t>(c - 1));
        }
        return kSourceOk;
    });
}

template <class Then>
int CDriverQV8::WithModule(int block, int trace, Then&& then) {
    return Bracket([&] {
        if (SelectTrace(trace, block) != kSourceOk) return kSourceFailed;
        std::string answer;
        if (Ask("WAV:MODU?", answer) != kSourceOk) return kSourceFailed;
        return then(ParseWhole(answer));
    });
}

int CDriverQV8::GetFirstBlockNo(int& block, int) { return AnswerFromHistoryDisplay(block, true); }
int CDriverQV8::GetBlockCount(int& count, int) { return AnswerFromHistoryDisplay(count, false); }

int CDriverQV8::GetVResolution(double& value, int block, int trace) {
    return WithModule(block, trace, [&](int module) {
        std::string range;
        if (Ask("WAV:RANG?", range) != kSourceOk) return kSourceFailed;
        value = InputModule::Resolution(module, ParseReal(range));
        return kSourceOk;
    });
}

int CDriverQV8::GetVOffset(double& value, int block, int trace) {
    return WithModule(block, trace, [&](int module) {
        std::string offset;
        if (Ask("WAV:OFFS?", offset) != kSourceOk) return kSourceFailed;
        value = InputModule::IsLogic(module) ? 0.0 : ParseReal(offset);
        return kSourceOk;
    });
}

int CDriverQV8::GetModelName(std::string& name) { return NameFromIdentity(name, NameForCode); }

int CDriverQV8::GetVDataType(std::string& out, int block, int trace) {
    return WithModule(block, trace, [&](int module) {
        out = InputModule::IsLogic(module) ? "B16" : "IS2";
        return kSourceOk;
    });
}

int CDriverQV8::GetVUnit(std::string& out, int block, int trace) {
    const long long channel = static_cast<long long>(trace) + 1;
    return WithModule(block, trace, [&](int module) {
        const InputModule::UnitSource source = InputModule::UnitSourceOf(module);
        if (source == InputModule::UnitSource::None) {
            out = "?";
            return kSourceOk;
        }
        std::string answer;
        if (Ask(WithNumber("CHAN", channel, InputModule::UnitQuery(source)), answer) != kSourceOk) {
            return kSourceFailed;
        }
        out = InputModule::UnitFromAnswer(source, answer);
        return kSourceOk;
    });
}

int CDriverQV8::GetHOffset(double& value, int block, int trace) { return AnswerTriggerTime(value, block, trace); }

int CDriverQV8::GetHUnit(std::string& out, int, int) {
    if (!HasOption("EXTCLOCK")) {
        out = "s";
        return kSourceOk;
    }
    return AnswerByFirstChar(out, "ACQ:CLOC?", 'E', "?", "s");
}

int CDriverQV8::GetTime(std::string& out, int block, int) {
    return QueryUnquoted(out, WithNumber("HIST:TIME? ", block));
}

int CDriverQV8::GetDisplayBlockSize(std::string& out, int block, int trace) {
    return QueryText(out, "WAV:LENG?", trace, block);
}

int CDriverQV8::GetInputModule(std::string& out, int block, int trace) {
    return WithModule(block, trace, [&](int module) {
        out = InputModule::Name(module);
        return kSourceOk;
    });
}

}  // namespace kivelo
