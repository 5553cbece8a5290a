#include "instrument/drivers/CInstrument.h"

#include <algorithm>
#include <cctype>

#include "instrument/drivers/AnswerText.h"
#include "instrument/drivers/DownloadPlan.h"
#include "instrument/drivers/PortText.h"
#include "port/CInstrumentPort.h"

namespace kivelo {

namespace {

int Empty(std::string& out) {
    out.clear();
    return kSourceOk;
}

int Text(std::string& out, std::string_view text) {
    out.assign(text);
    return kSourceOk;
}

}  // namespace

CInstrument::CInstrument(HeaderSwitches switches) : switches_(switches) {}

void CInstrument::Attach(CInstrumentPort& port, DownloadPlan& plan) {
    port_ = &port;
    plan_ = &plan;
}

// ---- Base answers -------------------------------------------------------

int CInstrument::GetHeaderPath(std::string& path) { return Text(path, headerPath_); }
// clang-format off
int CInstrument::GetDataFormat(int& format) { format = 0; return kSourceOk; }
int CInstrument::GetBlockStep(int& step) { step = 1; return kSourceOk; }
int CInstrument::GetTraceTotalNumber(int& count) { count = 8; return kSourceOk; }
// clang-format on

int CInstrument::GetTraceList(std::vector<uint16_t>& traces) {
    traces.clear();
    for (uint16_t t = 0; t < 32; t += 2) traces.push_back(t);
    return kSourceOk;
}

// clang-format off
int CInstrument::GetFirstBlockNo(int& block, int) { block = 10; return kSourceOk; }
int CInstrument::GetBlockCount(int& count, int trace) { count = trace; return kSourceOk; }
int CInstrument::GetBlockSize(int& size, int, int) { size = 256; return kSourceOk; }
int CInstrument::GetFirstPointNo(int& point, int, int) { point = 0; return kSourceOk; }
int CInstrument::GetPointStep(int& step, int, int) { step = 1; return kSourceOk; }
int CInstrument::GetVResolution(double& value, int, int) { value = 1.0; return kSourceOk; }
int CInstrument::GetVOffset(double& value, int, int) { value = 0.0; return kSourceOk; }
// clang-format on
int CInstrument::GetModelName(std::string& name) { return Text(name, "QV4300"); }
int CInstrument::GetModelVersion(std::string& version) { return Text(version, "1.23"); }

int CInstrument::GetEndian(std::string& out) { return Text(out, "Big"); }
int CInstrument::GetDataOffset(std::string& out) { return Text(out, "0"); }

int CInstrument::GetTraceName(std::string& out, int trace) {
    // One digit as long as there is one; a number beyond that.
    if (trace >= 0 && trace <= 9) return Text(out, std::string("Trace") + char('0' + trace));
    return Text(out, WithNumber("Trace", trace));
}

int CInstrument::GetVDataType(std::string& out, int, int) { return Text(out, "IS2"); }
int CInstrument::GetVUnit(std::string& out, int, int) { return Text(out, "V"); }
int CInstrument::GetVPlusOverData(std::string& out, int, int) { return Text(out, "32768"); }
int CInstrument::GetVMinusOverData(std::string& out, int, int) { return Text(out, "-32769"); }
int CInstrument::GetVIllegalData(std::string& out, int, int) { return Text(out, "-32769"); }
int CInstrument::GetVMaxData(std::string& out, int, int) { return Text(out, "32767"); }
int CInstrument::GetVMinData(std::string& out, int, int) { return Text(out, "-32768"); }
// clang-format off
int CInstrument::GetHResolution(double& value, int, int) { value = 1.23456789; return kSourceOk; }
int CInstrument::GetHOffset(double& value, int, int) { value = 1.23456789; return kSourceOk; }
// clang-format on
int CInstrument::GetHUnit(std::string& out, int, int) { return Text(out, "s"); }
int CInstrument::GetDate(std::string& out, int, int) { return Text(out, "1967/07/20"); }
int CInstrument::GetTime(std::string& out, int, int) { return Text(out, "00/00/00"); }
int CInstrument::GetDisplayBlockSize(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetDisplayPointNo(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetDCOffset(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetDCUnit(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetForm(std::string& out) { return Empty(out); }
int CInstrument::GetFunction(std::string& out) { return Empty(out); }
int CInstrument::GetInputModule(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetMaskData(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetMathBlockNo(std::string& out) { return Empty(out); }
int CInstrument::GetMode(std::string& out) { return Empty(out); }
int CInstrument::GetLinearMode(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetLinearIntercept(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetLinearSlope(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetLinearUnit(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetPhaseShift(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetPTraceName(std::string& out, int) { return Empty(out); }
int CInstrument::GetRefFileNumber(std::string& out) { return Empty(out); }
int CInstrument::GetTriggerPointNo(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetMGroupNumber(int& count) {
    count = 0;
    return kSourceOk;
}
int CInstrument::GetMTraceNumber(int&, int&, int) { return kSourceOk; }
int CInstrument::GetMBlockNumber(std::string& out, int) { return Empty(out); }
int CInstrument::GetStartBlockNo(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetStartPointNo(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetEndBlockNo(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetEndPointNo(std::string& out, int, int) { return Empty(out); }
int CInstrument::GetMediaEnd(std::string& out) { return Empty(out); }
int CInstrument::IsPerBlock(PerBlockKey) const { return 0; }

// ---- Talking to the instrument ------------------------------------------

int CInstrument::Send(std::string_view command) {
    return port_ != nullptr && WriteCommand(*port_, command) ? kSourceOk : kSourceFailed;
}

int CInstrument::Receive(std::string& answer) {
    return port_ != nullptr && ReadAnswer(*port_, answer) ? kSourceOk : kSourceFailed;
}

int CInstrument::Ask(std::string_view query, std::string& answer) {
    if (Send(query) != kSourceOk) return kSourceFailed;
    return Receive(answer);
}

int CInstrument::AskIdentity(std::string& answer) { return Ask("*IDN?", answer); }

int CInstrument::HeadersOff() { return Send("COMM:HEAD OFF"); }
int CInstrument::HeadersOn() { return Send("COMM:HEAD ON"); }

int CInstrument::SelectTrace(int trace, int block) {
    if (Send(WithNumber("WAV:TRAC ", static_cast<long long>(trace) + 1)) != kSourceOk) {
        return kSourceFailed;
    }
    if (!SelectsRecord()) return kSourceOk;
    return Send(WithNumber("WAV:REC ", block));
}

int CInstrument::QueryText(std::string& out, std::string_view query, int trace, int block) {
    return QueryAndStore(query, trace, block, [&](const std::string& a) { out = a; });
}

int CInstrument::QueryUnquoted(std::string& out, std::string_view query, int trace, int block) {
    return QueryAndStore(query, trace, block, [&](const std::string& a) { out = Unquote(a); });
}

int CInstrument::QueryWhole(int& out, std::string_view query, int trace, int block) {
    return QueryAndStore(query, trace, block, [&](const std::string& a) { out = ParseWhole(a); });
}

int CInstrument::QueryReal(double& out, std::string_view query, int trace, int block) {
    return QueryAndStore(query, trace, block, [&](const std::string& a) { out = ParseReal(a); });
}

bool CInstrument::HasOption(std::string_view word) {
    if (port_ == nullptr) return false;
    if (port_->WriteString("*OPT?") != CInstrumentPort::kOk) return false;
    std::string answer;
    if (Receive(answer) != kSourceOk || answer.empty()) return false;
    std::string_view rest(answer);
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const bool same =
            item.size() == word.size() && std::equal(item.begin(), item.end(), word.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            });
        if (same) return true;
        if (comma == std::string_view::npos) return false;
        rest.remove_prefix(comma + 1);
    }
}

// ---- Answers that also fill the plan -------------------------------------

void CInstrument::AnswerTraceCount(const std::vector<uint16_t>& channels, int& count) {
    count = static_cast<int>(std::min<std::size_t>(channels.size(), DownloadPlan::kMaxTraces));
    if (plan_ != nullptr) plan_->traceCount = count;
}

void CInstrument::AnswerTraceList(const std::vector<uint16_t>& channels, std::vector<uint16_t>& list) {
    const std::size_t n = std::min<std::size_t>(channels.size(), DownloadPlan::kMaxTraces);
    list.assign(channels.begin(), channels.begin() + static_cast<std::ptrdiff_t>(n));
    if (plan_ != nullptr) {
        std::copy(list.begin(), list.end(), plan_->traces.begin());
        // The list is what the download walks: keep the count in step with it.
        plan_->traceCount = static_cast<int32_t>(n);
    }
}

void CInstrument::AnswerFirstRecord(int first, int& out) {
    out = first;
    if (plan_ != nullptr) plan_->firstRecord = first;
}

void CInstrument::AnswerRecordCount(int count, int& out) {
    out = count;
    if (plan_ != nullptr) plan_->recordCount = count;
}

void CInstrument::AnswerLength(int length, int& out) {
    out = length;
    if (plan_ != nullptr) plan_->length = length;
}

}  // namespace kivelo
