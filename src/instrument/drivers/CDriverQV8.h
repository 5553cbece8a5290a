#pragma once
// QV818, QV818E, QV826: 8 or 16 channels with plug-in input modules.
#include "instrument/drivers/CFamilyDriver.h"

namespace kivelo {

class CDriverQV8 : public CFamilyDriver {
public:
    explicit CDriverQV8(HeaderSwitches switches = {});

    int GetFirstBlockNo(int& block, int trace) override;
    int GetBlockCount(int& count, int trace) override;
    int GetVResolution(double& value, int block, int trace) override;
    int GetVOffset(double& value, int block, int trace) override;
    int GetModelName(std::string& name) override;
    int GetVDataType(std::string& out, int block, int trace) override;
    int GetVUnit(std::string& out, int block, int trace) override;
    int GetHOffset(double& value, int block, int trace) override;
    int GetHUnit(std::string& out, int block, int trace) override;
    int GetTime(std::string& out, int block, int trace) override;
    int GetDisplayBlockSize(std::string& out, int block, int trace) override;
    int GetInputModule(std::string& out, int block, int trace) override;

protected:
    int PollChannels(std::vector<uint16_t>& channels) override;

private:
    // Selects trace and record, asks "WAV:MODU?" and runs then(module code)
    // for the rest of the operation, all in one bracket.
    template <class Then>
    int WithModule(int block, int trace, Then&& then);
};

}  // namespace kivelo
