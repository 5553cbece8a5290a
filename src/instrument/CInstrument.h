#pragma once
// The driver base: answers every header question, either with a fixed base
// answer or, in the family drivers, by querying the instrument through a port.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "CHeaderSource.h"

namespace kivelo {

class CInstrumentPort;
struct DownloadPlan;

// Which optional parts the header writer emits for this source. The download
// writes the private section and neither the media section nor a data part.
struct HeaderSwitches {
    bool privateSection = true;
    bool mediaSection = false;
    bool dataAppend = false;
};

// Keys whose values may be written once per block rather than once per trace.
enum class PerBlockKey {
    BlockSize, VResolution, VOffset, VDataType, VUnit, VPlusOverData,
    VMinusOverData, VIllegalData, VMaxData, VMinData, HResolution, HOffset,
    HUnit, Date, Time, DisplayBlockSize, DisplayPointNo, DCOffset, DCUnit,
    InputModule, MaskData, LinearMode, LinearIntercept, LinearSlope,
    LinearUnit, PhaseShift, TriggerPointNo
};

class CInstrument : public CHeaderSource {
public:
    // Header path answered until SetHeaderPath names another.
    static constexpr std::string_view kDefaultHeaderPath = "DEFAULT.HDR";

    explicit CInstrument(HeaderSwitches switches = {});
    ~CInstrument() override = default;
    CInstrument(const CInstrument&) = delete;
    CInstrument& operator=(const CInstrument&) = delete;

    const HeaderSwitches& Switches() const { return switches_; }

    // The port to query and the plan to fill; neither is owned.
    void Attach(CInstrumentPort& port, DownloadPlan& plan);
    // The file the download wants the header in (answered by GetHeaderPath).
    void SetHeaderPath(std::string path) { headerPath_ = std::move(path); }

    int GetHeaderPath(std::string& path) override;                           // 0
    int GetDataFormat(int& format) override;                                 // 1
    int GetBlockStep(int& step) override;                                    // 2
    int GetTraceTotalNumber(int& count) override;                            // 3
    int GetTraceList(std::vector<uint16_t>& traces) override;                // 4
    int GetFirstBlockNo(int& block, int trace) override;                     // 5
    int GetBlockCount(int& count, int trace) override;                       // 6
    int GetBlockSize(int& size, int block, int trace) override;              // 7
    int GetFirstPointNo(int& point, int block, int trace) override;          // 8
    int GetPointStep(int& step, int block, int trace) override;              // 9
    int GetVResolution(double& value, int block, int trace) override;        // 10
    int GetVOffset(double& value, int block, int trace) override;            // 11
    int GetModelName(std::string& name) override;                            // 12
    int GetModelVersion(std::string& version) override;                      // 13

    virtual int GetEndian(std::string& out);                                 // 25
    virtual int GetDataOffset(std::string& out);                             // 26
    virtual int GetTraceName(std::string& out, int trace);                   // 27
    virtual int GetVDataType(std::string& out, int block, int trace);        // 28
    virtual int GetVUnit(std::string& out, int block, int trace);            // 29
    virtual int GetVPlusOverData(std::string& out, int block, int trace);    // 30
    virtual int GetVMinusOverData(std::string& out, int block, int trace);   // 31
    virtual int GetVIllegalData(std::string& out, int block, int trace);     // 32
    virtual int GetVMaxData(std::string& out, int block, int trace);         // 33
    virtual int GetVMinData(std::string& out, int block, int trace);         // 34
    virtual int GetHResolution(double& value, int block, int trace);         // 35
    virtual int GetHOffset(double& value, int block, int trace);             // 36
    virtual int GetHUnit(std::string& out, int block, int trace);            // 37
    virtual int GetDate(std::string& out, int block, int trace);             // 38
    virtual int GetTime(std::string& out, int block, int trace);             // 39
    virtual int GetDisplayBlockSize(std::string& out, int block, int trace); // 40
    virtual int GetDisplayPointNo(std::string& out, int block, int trace);   // 41
    virtual int GetDCOffset(std::string& out, int block, int trace);         // 42
    virtual int GetDCUnit(std::string& out, int block, int trace);           // 43
    virtual int GetForm(std::string& out);                                   // 44
    virtual int GetFunction(std::string& out);                               // 45
    virtual int GetInputModule(std::string& out, int block, int trace);      // 46
    virtual int GetMaskData(std::string& out, int block, int trace);         // 47
    virtual int GetMathBlockNo(std::string& out);                            // 48
    virtual int GetMode(std::string& out);                                   // 49
    virtual int GetLinearMode(std::string& out, int block, int trace);       // 50
    virtual int GetLinearIntercept(std::string& out, int block, int trace);  // 51
    virtual int GetLinearSlope(std::string& out, int block, int trace);      // 52
    virtual int GetLinearUnit(std::string& out, int block, int trace);       // 53
    virtual int GetPhaseShift(std::string& out, int block, int trace);       // 54
    virtual int GetPTraceName(std::string& out, int trace);                  // 55
    virtual int GetRefFileNumber(std::string& out);                          // 56
    virtual int GetTriggerPointNo(std::string& out, int block, int trace);   // 57
    // Media section (never written by a download).
    virtual int GetMGroupNumber(int& count);                                 // 58
    virtual int GetMTraceNumber(int& traces, int& blocks, int group);        // 59
    virtual int GetMBlockNumber(std::string& out, int group);                // 60
    virtual int GetStartBlockNo(std::string& out, int block, int trace);     // 61
    virtual int GetStartPointNo(std::string& out, int block, int trace);     // 62
    virtual int GetEndBlockNo(std::string& out, int block, int trace);       // 63
    virtual int GetEndPointNo(std::string& out, int block, int trace);       // 64
    virtual int GetMediaEnd(std::string& out);                               // 65
    // 1 when the key is written once per block, 0 once per trace.
    virtual int IsPerBlock(PerBlockKey key) const;                           // 66-92

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
