#pragma once
// QV3120, QV3120L, QV3140, QV3140L: up to 4 channels, history by display count.
#include "instrument/drivers/CFamilyDriver.h"

namespace kivelo {

class CDriverQV31 : public CFamilyDriver {
public:
    explicit CDriverQV31(HeaderSwitches switches = {});

    int GetFirstBlockNo(int& block, int trace) override;
    int GetBlockCount(int& count, int trace) override;
    int GetModelName(std::string& name) override;
    int GetHUnit(std::string& out, int block, int trace) override;
    int GetTime(std::string& out, int block, int trace) override;
    int GetDCOffset(std::string& out, int block, int trace) override;
    int GetTriggerPointNo(std::string& out, int block, int trace) override;

protected:
    int PollChannels(std::vector<uint16_t>& channels) override;

private:
    // Inside a bracket: whether the instrument keeps history records
    // ("ACQ:HIST?" begins with '1' or "TRIG:MODE?" with 'N').
    int AskHistory(bool& history);
    // The oldest record held (0 or negative), 0 without history; then
    // store(oldest) before headers go back on.
    template <class Store>
    int AskOldestRecord(Store&& store);
};

}  // namespace kivelo
