#include "port/CInstrumentPort.h"

#include "port/CWireLog.h"

namespace kivelo {

int CInstrumentPort::OpenBoard(int16_t /*board*/, int address) {
    address_ = address;
    return kOk;
}

int CInstrumentPort::Open(int address) {
    address_ = address;
    return kOk;
}

int CInstrumentPort::InterfaceClear(int) { return kOk; }
int CInstrumentPort::DeviceClear() { return kOk; }
int CInstrumentPort::WriteBytes(std::span<const uint8_t>) { return kOk; }
int CInstrumentPort::WriteString(std::string_view) { return kOk; }

int CInstrumentPort::Read(std::span<uint8_t> buffer, std::size_t& count) {
    if (!buffer.empty()) buffer[0] = 0;
    count = 0;
    return kOk;
}

int CInstrumentPort::PrepareRead() { return kOk; }

int CInstrumentPort::ReadResponse(std::span<uint8_t> buffer, std::size_t& count) {
    return CInstrumentPort::Read(buffer, count);
}

int CInstrumentPort::IsMoreData() { return 0; }
int CInstrumentPort::SendCommandBytes(std::span<const uint8_t>) { return kOk; }
int CInstrumentPort::SetRemoteEnable(int) { return kOk; }

int CInstrumentPort::FormatError(int result, std::string_view context, std::string& out) {
    out.assign(context);
    return result;
}

int CInstrumentPort::SetTerminator(int mode, int eoiFlag) {
    terminatorMode_ = mode;
    eoi_ = eoiFlag;
    return kOk;
}

int CInstrumentPort::SetEosChar(uint8_t) { return kOk; }

int CInstrumentPort::SetTimeout(int ms) {
    timeoutMs_ = ms;
    return kOk;
}

int CInstrumentPort::SetDma(int) { return kOk; }

int CInstrumentPort::ReadStatusByte(uint8_t& statusByte) {
    statusByte = 0;
    return kOk;
}

int CInstrumentPort::Close() { return kOk; }

void CInstrumentPort::LogSent(std::span<const uint8_t> bytes, int result) const {
    if (wireLog_ != nullptr) wireLog_->Sent(bytes, result != kOk);
}

void CInstrumentPort::LogReceived(std::span<const uint8_t> bytes, int result) const {
    if (wireLog_ != nullptr) wireLog_->Received(bytes, terminatorMode_ == kTermBinary, result != kOk);
}

void CInstrumentPort::LogNote(std::string_view text) const {
    if (wireLog_ != nullptr) wireLog_->Note(text);
}

}  // namespace kivelo
