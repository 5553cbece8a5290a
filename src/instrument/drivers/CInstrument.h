#pragma once
// The driver base: answers every header question, either with a fixed base
// answer or, in the family drivers, by querying the instrument through a port.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/CHeaderSource.h"

namespace kivelo {

class CInstrumentPort;
struct DownloadPlan;

class CInstrument : public CHeaderSource {
public:
    // Header path answered until SetHeaderPath names another.
    static constexpr std::string_view kDefaultHeaderPath = "DEFAULT.HDR";

    explicit CInstrument(HeaderSwitches switches = {});
    ~CInstrument() override = default;
    CInstrument(const CInstrument&) = delete;
    CInstrument& operator=(const CInstrument&) = delete;

    const HeaderSwitches& Switches() const override { return switches_; }

    // The port to query and the plan to fill; neither is owned.
    void Attach(CInstrumentPort& port, DownloadPlan& plan);
    // The file the download wants the header in (answered by GetHeaderPath).
    void SetHeaderPath(std::string path) { headerPath_ = std::move(path); }

    int GetHeaderPath(std::string& path) override;                     // 0
    int GetDataFormat(int& format) override;                           // 1
    int GetBlockStep(int& step) override;                              // 2
    int GetTraceTotalNumber(int& count) override;                      // 3
    int GetTraceList(std::vector<uint16_t>& traces) override;          // 4
    int GetFirstBlockNo(int& block, int trace) override;               // 5
    int GetBlockCount(int& count, int trace) override;                 // 6
    int GetBlockSize(int& size, int block, int trace) override;        // 7
    int GetFirstPointNo(int& point, int block, int trace) override;    // 8
    int GetPointStep(int& step, int block, int trace) override;        // 9
    int GetVResolution(double& value, int block, int trace) override;  // 10
    int GetVOffset(double& value, int block, int trace) override;      // 11
    int GetModelName(std::string& name) override;                      // 12
    int GetModelVersion(std::string& version) override;                // 13

    int GetEndian(std::string& out) override;                                  // 25
    int GetDataOffset(std::string& out) override;                              // 26
    int GetTraceName(std::string& out, int trace) override;                    // 27
    int GetVDataType(std::string& out, int block, int trace) override;         // 28
    int GetVUnit(std::string& out, int block, int trace) override;             // 29
    int GetVPlusOverData(std::string& out, int block, int trace) override;     // 30
    int GetVMinusOverData(std::string& out, int block, int trace) override;    // 31
    int GetVIllegalData(std::string& out, int block, int trace) override;      // 32
    int GetVMaxData(std::string& out, int block, int trace) override;          // 33
    int GetVMinData(std::string& out, int block, int trace) override;          // 34
    int GetHResolution(double& value, int block, int trace) override;          // 35
    int GetHOffset(double& value, int block, int trace) override;              // 36
    int GetHUnit(std::string& out, int block, int trace) override;             // 37
    int GetDate(std::string& out, int block, int trace) override;              // 38
    int GetTime(std::string& out, int block, int trace) override;              // 39
    int GetDisplayBlockSize(std::string& out, int block, int trace) override;  // 40
    int GetDisplayPointNo(std::string& out, int block, int trace) override;    // 41
    int GetDCOffset(std::string& out, int block, int trace) override;          // 42
    int GetDCUnit(std::string& out, int block, int trace) override;            // 43
    int GetForm(std::string& out) override;                                    // 44
    int GetFunction(std::string& out) override;                                // 45
    int GetInputModule(std::string& out, int block, int trace) override;       // 46
    int GetMaskData(std::string& out, int block, int trace) override;          // 47
    int GetMathBlockNo(std::string& out) override;                             // 48
    int GetMode(std::string& out) override;                                    // 49
    int GetLinearMode(std::string& out, int block, int trace) override;        // 50
    int GetLinearIntercept(std::string& out, int block, int trace) override;   // 51
    int GetLinearSlope(std::string& out, int block, int trace) override;       // 52
    int GetLinearUnit(std::string& out, int block, int trace) override;        // 53
    int GetPhaseShift(std::string& out, int block, int trace) override;        // 54
    int GetPTraceName(std::string& out, int trace) override;                   // 55
    int GetRefFileNumber(std::string& out) override;                           // 56
    int GetTriggerPointNo(std::string& out, int block, int trace) override;    // 57
    // Media section (never written by a download).
    int GetMGroupNumber(int& count) override;                              // 58
    int GetMTraceNumber(int& traces, int& blocks, int group) override;     // 59
    int GetMBlockNumber(std::string& out, int group) override;             // 60
    int GetStartBlockNo(std::string& out, int block, int trace) override;  // 61
    int GetStartPointNo(std::string& out, int block, int trace) override;  // 62
    int GetEndBlockNo(std::string& out, int block, int trace) override;    // 63
    int GetEndPointNo(std::string& out, int block, int trace) override;    // 64
    int GetMediaEnd(std::string& out) override;                            // 65
    // 1 when the key is written once per block, 0 once per trace.
    int IsPerBlock(PerBlockKey key) const override;  // 66-92

protected:
    // Shared by the family drivers; every one of them returns -1 or 0.

    // Writes one command with its exact length.
    int Send(std::string_view command);
    // Reads one answer (at most 100 bytes, a trailing LF dropped).
    int Receive(std::string& answer);
    // Send the query, then Receive.
    int Ask(std::string_view query, std::string& answer);
    // "*IDN?" and its answer, outside the headers-off bracket.
    int AskIdentity(std::string& answer);
    // Brackets a group of queries: "COMM:HEAD OFF" before, "COMM:HEAD ON" after.
    int HeadersOff();
    int HeadersOn();
    // Selects the trace ("WAV:TRAC %d" with trace + 1) and, for the
    // record-based families, the record ("WAV:REC %d" with block).
    int SelectTrace(int trace, int block);
    // Whether SelectTrace also selects the record.
    virtual bool SelectsRecord() const { return false; }

    // Runs body between "COMM:HEAD OFF" and "COMM:HEAD ON". body stores its
    // value and returns -1, or returns 0 at its first failed write or read,
    // which ends the bracket at once. A failed "COMM:HEAD ON" fails the
    // operation although body has already stored its value.
    template <class Body>
    int Bracket(Body&& body) {
        if (HeadersOff() != kSourceOk) return kSourceFailed;
        if (body() != kSourceOk) return kSourceFailed;
        return HeadersOn();
    }

    // The common query pattern for one value: headers off, the trace
    // selection when trace >= 0, the query, the conversion, headers on.
    int QueryText(std::string& out, std::string_view query, int trace = -1, int block = 0);
    // Text without its quotes.
    int QueryUnquoted(std::string& out, std::string_view query, int trace = -1, int block = 0);
    int QueryWhole(int& out, std::string_view query, int trace = -1, int block = 0);
    int QueryReal(double& out, std::string_view query, int trace = -1, int block = 0);
    // The pattern itself: store(answer) runs once the answer is in.
    template <class Store>
    int QueryAndStore(std::string_view query, int trace, int block, Store&& store) {
        return Bracket([&] {
            if (trace >= 0 && SelectTrace(trace, block) != kSourceOk) return kSourceFailed;
            std::string answer;
            if (Ask(query, answer) != kSourceOk) return kSourceFailed;
            store(answer);
            return kSourceOk;
        });
    }

    // "*OPT?" and whether one of its comma-separated items is word, compared
    // without regard to case. No answer counts as absent.
    bool HasOption(std::string_view word);

    // The answers about the traces to fetch, from the channels a family
    // found switched on; they also go to the plan (at most its capacity).
    void AnswerTraceCount(const std::vector<uint16_t>& channels, int& count);
    void AnswerTraceList(const std::vector<uint16_t>& channels, std::vector<uint16_t>& list);
    // The record range and length, also noted in the plan.
    void AnswerFirstRecord(int first, int& out);
    void AnswerRecordCount(int count, int& out);
    void AnswerLength(int length, int& out);

    CInstrumentPort* port_ = nullptr;
    DownloadPlan* plan_ = nullptr;

private:
    HeaderSwitches switches_;
    std::string headerPath_{kDefaultHeaderPath};
};

}  // namespace kivelo
