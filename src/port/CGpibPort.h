#pragma once
// GPIB through the library's multi-device routines (board index + address).
// This is the GPIB port the flows use.
#include "port/CGpibPortBase.h"

namespace kivelo {

class CGpibPort : public CGpibPortBase {
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

    // Sends data with an explicit end mode (1: LF + EOI, 2: EOI on last byte).
    int WriteBytesEot(std::span<const uint8_t> data, int endMode);

private:
    int EndMode() const;
};

}  // namespace kivelo
