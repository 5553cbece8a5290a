#pragma once
// QV4300: up to 8 channels, records and history display.
#include "instrument/drivers/CFamilyDriver.h"

namespace kivelo {

class CDriverQV43 : public CFamilyDriver {
public:
    explicit CDriverQV43(HeaderSwitches switches = {});

    int GetFirstBlockNo(int& block, int trace) override;
    int GetBlockCount(int& count, int trace) override;
    int GetVOffset(double& value, int block, int trace) override;
    int GetModelName(std::string& name) override;
    int GetVUnit(std::string& out, int block, int trace) override;
    int GetHOffset(double& value, int block, int trace) override;
    int GetHUnit(std::string& out, int block, int trace) override;
    int GetTime(std::string& out, int block, int trace) override;
    int GetDisplayBlockSize(std::string& out, int block, int trace) override;

protected:
    int PollChannels(std::vector<uint16_t>& channels) override;
};

}  // namespace kivelo
