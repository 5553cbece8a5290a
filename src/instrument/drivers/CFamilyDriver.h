#pragma once
// What the four family drivers answer alike, and the query sequences that
// two or more of them share. Each family derives from this.
#include <string>
#include <string_view>
#include <vector>

#include "instrument/drivers/CInstrument.h"

namespace kivelo {

// The fixed texts a family answers without asking its instrument.
struct FamilyTexts {
    std::string_view traceNamePrefix;  // followed by trace + 1
    std::string_view vPlusOverData;
    std::string_view vMinusOverData;
    std::string_view vIllegalData;
    std::string_view vMaxData;
    std::string_view vMinData;
    std::string_view displayBlockSize;  // empty: asked of the instrument
    std::string_view displayPointNo;
    std::string_view dcUnit;
    std::string_view phaseShift;
    // The query of the date, answered as a quoted text.
    std::string_view dateQuery;
    // Volts per "WAV:VDIV?" unit and raw step.
    double vdivScale = 0.0;
    // Whether each history block carries its own date and time.
    bool perBlockTimeStamps = false;
    // Whether waveform queries also select the record ("WAV:REC %d").
    bool selectsRecord = false;
};

// The texts of the oscilloscope families (QV31, QV60), whose data stop short of
// the 16-bit limits, and of the recorder families (QV43, QV8), whose records
// carry their own time stamps. The families fill in the rest.
inline constexpr FamilyTexts kScopeTexts{
    .traceNamePrefix = "Ch",
    .vPlusOverData = "?",
    .vMinusOverData = "?",
    .vIllegalData = "-32768",
    .vMaxData = "32640",
    .vMinData = "-32640",
    .displayBlockSize = "1002",
    .displayPointNo = "",
    .dcUnit = "V",
    .phaseShift = "",
    .dateQuery = "SYST:CLOC:DATE?",
    .vdivScale = 0.0003125,
};

inline constexpr FamilyTexts kRecorderTexts{
    .traceNamePrefix = "CH",
    .vPlusOverData = "32768",
    .vMinusOverData = "-32769",
    .vIllegalData = "?",
    .vMaxData = "32767",
    .vMinData = "-32768",
    .displayBlockSize = "",
    .displayPointNo = "1",
    .dcUnit = "",
    .phaseShift = "0",
    .dateQuery = "SYST:DATE?",
    .vdivScale = 0.0,
    .perBlockTimeStamps = true,
    .selectsRecord = true,
};

class CFamilyDriver : public CInstrument {
public:
    CFamilyDriver(HeaderSwitches switches, const FamilyTexts& texts);

    int GetDataFormat(int& format) override;
    int GetBlockStep(int& step) override;
    int GetTraceTotalNumber(int& count) override;
    int GetTraceList(std::vector<uint16_t>& traces) override;
    int GetBlockSize(int& size, int block, int trace) override;
    int GetVResolution(double& value, int block, int trace) override;
    int GetModelVersion(std::string& version) override;
    int GetEndian(std::string& out) override;
    int GetDataOffset(std::string& out) override;
    int GetTraceName(std::string& out, int trace) override;
    int GetVPlusOverData(std::string& out, int block, int trace) override;
    int GetVMinusOverData(std::string& out, int block, int trace) override;
    int GetVIllegalData(std::string& out, int block, int trace) override;
    int GetVMaxData(std::string& out, int block, int trace) override;
    int GetVMinData(std::string& out, int block, int trace) override;
    int GetHResolution(double& value, int block, int trace) override;
    // The time of the first sample is 0 unless a family knows its trigger point.
    int GetHOffset(double& value, int block, int trace) override;
    int GetDate(std::string& out, int block, int trace) override;
    int GetDisplayBlockSize(std::string& out, int block, int trace) override;
    int GetDisplayPointNo(std::string& out, int block, int trace) override;
    int GetDCUnit(std::string& out, int block, int trace) override;
    int GetPhaseShift(std::string& out, int block, int trace) override;
    int IsPerBlock(PerBlockKey key) const override;

protected:
    bool SelectsRecord() const override { return texts_.selectsRecord; }
    // The trace to select for a waveform query: the record-based families
    // select trace and record for every one of them, the others only where
    // their queries need it.
    int WaveTrace(int trace) const { return texts_.selectsRecord ? trace : -1; }

    // 0-based channels of the traces to fetch, in order.
    virtual int PollChannels(std::vector<uint16_t>& channels) = 0;

    // "*IDN?" and its model code.
    int AskModelCode(int& code);
    // The model name for the instrument's code by the family's table.
    int NameFromIdentity(std::string& name, std::string_view (*nameForCode)(int code));

    // "CHAN%d:MODE?" for channels 1..count (inside a bracket); channels
    // answering a nonzero integer are on.
    int AskChannelModes(int count, std::vector<uint16_t>& channels);
    // "HIST:DISP?": newest and oldest record, or a text beginning with 'S'
    // when history is off.
    int AnswerFromHistoryDisplay(int& out, bool wantFirst);
    // One of two texts, chosen by the first character of an answer.
    int AnswerByFirstChar(std::string& out, std::string_view query, char mark, std::string_view whenMarked,
                          std::string_view otherwise);
    // "WAV:TRIG?" point p over "WAV:SRAT?" rate r.
    int AnswerTriggerTime(double& value, int block, int trace);

private:
    FamilyTexts texts_;
};

}  // namespace kivelo
