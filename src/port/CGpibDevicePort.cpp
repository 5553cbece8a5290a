#include "port/CGpibDevicePort.h"

#include <vector>

namespace kivelo {

int CGpibDevicePort::InterfaceClear(int) {
    library_.ibsic(boardHandle_);
    return StatusResult();
}

int CGpibDevicePort::DeviceClear() {
    library_.ibclr(deviceHandle_);
    return StatusResult();
}

int CGpibDevicePort::WriteBytes(std::span<const uint8_t> data) {
    if (terminatorMode_ < kTermCrLf || terminatorMode_ > kTermLf) {
        library_.ibwrt(deviceHandle_, data.data(), static_cast<long>(data.size()));
        const int result = StatusResult();
        LogSent(data, result);
        return result;
    }
    // Whole data then the terminator, NUL bytes included: binary data is not
    // cut short.
    const std::string_view terminator = WriteTerminator(terminatorMode_);
    std::vector<uint8_t> message(data.begin(), data.end());
    message.insert(message.end(), terminator.begin(), terminator.end());
    library_.ibwrt(deviceHandle_, message.data(), static_cast<long>(message.size()));
    const int result = StatusResult();
    LogSent(message, result);
    return result;
}

int CGpibDevicePort::WriteString(std::string_view text) {
    return WriteBytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

int CGpibDevicePort::Read(std::span<uint8_t> buffer, std::size_t& count) {
    return ReadWith(buffer, count, [this](uint8_t* data, long limit) { library_.ibrd(deviceHandle_, data, limit); });
}

int CGpibDevicePort::PrepareRead() {
    uint8_t scratch = 0;
    library_.ibrd(deviceHandle_, &scratch, 0);
    return StatusResult();
}

int CGpibDevicePort::ReadResponse(std::span<uint8_t> buffer, std::size_t& count) {
    // Reads on the board descriptor, after PrepareRead addressed the device.
    return ReadWith(buffer, count, [this](uint8_t* data, long limit) { library_.ibrd(boardHandle_, data, limit); });
}

int CGpibDevicePort::SendCommandBytes(std::span<const uint8_t> commands) {
    library_.ibcmd(boardHandle_, commands.data(), static_cast<long>(commands.size()));
    return StatusResult();
}

int CGpibDevicePort::ReadStatusByte(uint8_t& statusByte) {
    char result = 0;
    library_.ibrsp(deviceHandle_, &result);
    statusByte = static_cast<uint8_t>(result);
    return StatusResult();
}

}  // namespace kivelo
