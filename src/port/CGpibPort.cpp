#include "port/CGpibPort.h"

namespace kivelo {

namespace {

constexpr int kEndWithLf = 1;  // the library appends LF and sends EOI with it
constexpr int kEndOnLast = 2;  // EOI with the last data byte

short Short(int value) { return static_cast<short>(value); }

}  // namespace

int CGpibPort::EndMode() const { return terminatorMode_ == kTermLf ? kEndWithLf : kEndOnLast; }

int CGpibPort::InterfaceClear(int) {
    library_.SendIFC(boardIndex_);
    return StatusResult();
}

int CGpibPort::DeviceClear() {
    library_.DevClear(boardIndex_, Short(address_));
    return StatusResult();
}

int CGpibPort::WriteBytesEot(std::span<const uint8_t> data, int endMode) {
    library_.Send(boardIndex_, Short(address_), data.data(), static_cast<long>(data.size()), endMode);
    const int result = StatusResult();
    LogSent(data, result);
    return result;
}

int CGpibPort::WriteBytes(std::span<const uint8_t> data) { return WriteBytesEot(data, EndMode()); }

int CGpibPort::WriteString(std::string_view text) {
    return WriteBytesEot({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, EndMode());
}

int CGpibPort::Read(std::span<uint8_t> buffer, std::size_t& count) {
    return ReadWith(buffer, count, [this](uint8_t* data, long limit) {
        library_.Receive(boardIndex_, Short(address_), data, limit, Termination());
    });
}

int CGpibPort::PrepareRead() {
    library_.ReceiveSetup(boardIndex_, Short(address_));
    return StatusResult();
}

int CGpibPort::ReadResponse(std::span<uint8_t> buffer, std::size_t& count) {
    return ReadWith(buffer, count, [this](uint8_t* data, long limit) {
        library_.RcvRespMsg(boardIndex_, data, limit, Termination());
    });
}

int CGpibPort::SendCommandBytes(std::span<const uint8_t> commands) {
    library_.SendCmds(boardIndex_, commands.data(), static_cast<long>(commands.size()));
    return StatusResult();
}

int CGpibPort::ReadStatusByte(uint8_t& statusByte) {
    short result = 0;
    library_.ReadStatusByte(boardIndex_, Short(address_), &result);
    if (StatusResult() != kOk) {
        statusByte = 0;
        return kFailure;
    }
    statusByte = static_cast<uint8_t>(result & 0xFF);
    return kOk;
}

}  // namespace kivelo
