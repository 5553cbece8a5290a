#include "instrument/drivers/CFamilyDriver.h"

#include "common/ClampToInt.h"
#include "instrument/drivers/AnswerText.h"
#include "instrument/drivers/IdentifyInstrument.h"

namespace kivelo {

namespace {

int Text(std::string& out, std::string_view text) {
    out.assign(text);
    return kSourceOk;
}

}  // namespace

CFamilyDriver::CFamilyDriver(HeaderSwitches switches, const FamilyTexts& texts)
    : CInstrument(switches), texts_(texts) {}

int CFamilyDriver::GetDataFormat(int& format) {
    format = 1;  // "Trace": each trace's records one after the other
    return kSourceOk;
}

int CFamilyDriver::GetBlockStep(int& step) {
    step = 1;
    return kSourceOk;
}

int CFamilyDriver::GetTraceTotalNumber(int& count) {
    std::vector<uint16_t> channels;
    if (PollChannels(channels) != kSourceOk) return kSourceFailed;
    AnswerTraceCount(channels, count);
    return kSourceOk;
}

int CFamilyDriver::GetTraceList(std::vector<uint16_t>& traces) {
    std::vector<uint16_t> channels;
    if (PollChannels(channels) != kSourceOk) return kSourceFailed;
    AnswerTraceList(channels, traces);
    return kSourceOk;
}

int CFamilyDriver::GetBlockSize(int& size, int block, int trace) {
    return QueryAndStore("WAV:LENG?", WaveTrace(trace), block,
                         [&](const std::string& a) { AnswerLength(ParseWhole(a), size); });
}

int CFamilyDriver::GetVResolution(double& value, int block, int trace) {
    return QueryAndStore("WAV:VDIV?", trace, block,
                         [&](const std::string& a) { value = ParseReal(a) * texts_.vdivScale; });
}

int CFamilyDriver::GetModelVersion(std::string& version) {
    std::string idn;
    if (AskIdentity(idn) != kSourceOk) return kSourceFailed;
    constexpr std::size_t kVersionStart = 18;
    constexpr std::size_t kVersionLength = 5;
    version = idn.size() > kVersionStart ? idn.substr(kVersionStart, kVersionLength) : std::string();
    return kSourceOk;
}

int CFamilyDriver::GetEndian(std::string& out) { return Text(out, "Big"); }
int CFamilyDriver::GetDataOffset(std::string& out) { return Text(out, "0"); }

int CFamilyDriver::GetTraceName(std::string& out, int trace) {
    return Text(out, WithNumber(texts_.traceNamePrefix, static_cast<long long>(trace) + 1));
}

int CFamilyDriver::GetVPlusOverData(std::string& out, int, int) { return Text(out, texts_.vPlusOverData); }
int CFamilyDriver::GetVMinusOverData(std::string& out, int, int) { return Text(out, texts_.vMinusOverData); }
int CFamilyDriver::GetVIllegalData(std::string& out, int, int) { return Text(out, texts_.vIllegalData); }
int CFamilyDriver::GetVMaxData(std::string& out, int, int) { return Text(out, texts_.vMaxData); }
int CFamilyDriver::GetVMinData(std::string& out, int, int) { return Text(out, texts_.vMinData); }

int CFamilyDriver::GetHResolution(double& value, int block, int trace) {
    return QueryAndStore("WAV:SRAT?", trace, block, [&](const std::string& a) { value = Reciprocal(ParseReal(a)); });
}

int CFamilyDriver::GetHOffset(double& value, int, int) {
    value = 0.0;
    return kSourceOk;
}

int CFamilyDriver::GetDate(std::string& out, int, int) { return QueryUnquoted(out, texts_.dateQuery); }

int CFamilyDriver::GetDisplayBlockSize(std::string& out, int, int) { return Text(out, texts_.displayBlockSize); }

int CFamilyDriver::GetDisplayPointNo(std::string& out, int, int) { return Text(out, texts_.displayPointNo); }
int CFamilyDriver::GetDCUnit(std::string& out, int, int) { return Text(out, texts_.dcUnit); }
int CFamilyDriver::GetPhaseShift(std::string& out, int, int) { return Text(out, texts_.phaseShift); }

int CFamilyDriver::IsPerBlock(PerBlockKey key) const {
    if (!texts_.perBlockTimeStamps) return 0;
    return key == PerBlockKey::Date || key == PerBlockKey::Time ? 1 : 0;
}

int CFamilyDriver::AskModelCode(int& code) {
    std::string idn;
    if (AskIdentity(idn) != kSourceOk) return kSourceFailed;
    code = ModelCodeOf(idn);
    return kSourceOk;
}

int CFamilyDriver::NameFromIdentity(std::string& name, std::string_view (*nameForCode)(int)) {
    int code = 0;
    if (AskModelCode(code) != kSourceOk) return kSourceFailed;
    return Text(name, nameForCode(code));
}

int CFamilyDriver::AskChannelModes(int count, std::vector<uint16_t>& channels) {
    for (int c = 1; c <= count; ++c) {
        std::string answer;
        if (Ask(WithNumber("CHAN", c, ":MODE?"), answer) != kSourceOk) return kSourceFailed;
        if (ParseWhole(answer) != 0) channels.push_back(static_cast<uint16_t>(c - 1));
    }
    return kSourceOk;
}

int CFamilyDriver::AnswerFromHistoryDisplay(int& out, bool wantFirst) {
    return QueryAndStore("HIST:DISP?", -1, 0, [&](const std::string& a) {
        if (!a.empty() && a.front() == 'S') {
            // History off: the single current record 0.
            if (wantFirst) AnswerFirstRecord(0, out);
            else AnswerRecordCount(1, out);
            return;
        }
        const std::size_t comma = a.find(',');
        const long long newest = ParseWhole(a);
        const long long oldest = comma == std::string::npos ? 0 : ParseWhole(std::string_view(a).substr(comma + 1));
        if (wantFirst) AnswerFirstRecord(static_cast<int>(oldest), out);
        else AnswerRecordCount(ClampToInt(newest - oldest + 1), out);
    });
}

int CFamilyDriver::AnswerByFirstChar(std::string& out, std::string_view query, char mark, std::string_view whenMarked,
                                     std::string_view otherwise) {
    return QueryAndStore(query, -1, 0, [&](const std::string& a) {
        out.assign(!a.empty() && a.front() == mark ? whenMarked : otherwise);
    });
}

int CFamilyDriver::AnswerTriggerTime(double& value, int block, int trace) {
    return Bracket([&] {
        if (SelectTrace(trace, block) != kSourceOk) return kSourceFailed;
        std::string point;
        std::string rate;
        if (Ask("WAV:TRIG?", point) != kSourceOk || Ask("WAV:SRAT?", rate) != kSourceOk) {
            return kSourceFailed;
        }
        value = Quotient(ParseWhole(point), ParseReal(rate));
        return kSourceOk;
    });
}

}  // namespace kivelo
