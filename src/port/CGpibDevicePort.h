#pragma once
// GPIB through the library's device-level routines (ibwrt/ibrd on the
// descriptor from ibdev).
#include "port/CGpibPortBase.h"

namespace kivelo {

class CGpibDevicePort : public CGpibPortBase {
public:
    using CGpibPortBase::CGpibPortBase;

    int InterfaceClear(int unused = 0) override;
    int DeviceClear() override;
    int WriteBytes(std::span<const uint8_t> data) override;
    int WriteString(std::string_view text) override;
    int Read(std::span<uint8_t> buffer, std::size_t& count) override;
    int PrepareRead() override;
    int ReadResponse(std::span<uint8_t> buffer, std::size_t& count) override;
    int SendCommandBytes(std::span<const uint8_t> commands) override;
    int ReadStatusByte(uint8_t& statusByte) override;
};

}  // namespace kivelo
