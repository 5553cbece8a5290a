#pragma once
// QV6010, QV6020, QV6030: 4 channels, history by N-single count.
#include "instrument/drivers/CFamilyDriver.h"

namespace kivelo {

class CDriverQV60 : public CFamilyDriver {
public:
    explicit CDriverQV60(HeaderSwitches switches = {});

    int GetFirstBlockNo(int& block, int trace) override;
    int GetBlockCount(int& count, int trace) override;
    int GetBlockSize(int& size, int block, int trace) override;
    int GetModelName(std::string& name) override;
    int GetHUnit(std::string& out, int block, int trace) override;
    int GetTime(std::string& out, int block, int trace) override;
    int GetDCOffset(std::string& out, int block, int trace) override;

protected:
    int PollChannels(std::vector<uint16_t>& channels) override;
};

}  // namespace kivelo
