#pragma once
// What the two GPIB ports share: their settings, the status-word checks, the
// terminator and time-out set-up and the error texts.
#include <algorithm>
#include <cstdint>

#include "port/CInstrumentPort.h"
#include "port/GpibLibrary.h"

namespace kivelo {

class CGpibPortBase : public CInstrumentPort {
public:
    explicit CGpibPortBase(GpibLibrary& library) : library_(library) {}

    int OpenBoard(int16_t board, int address) override;
    int Open(int address) override;
    int IsMoreData() override;
    int SetRemoteEnable(int flag) override;
    int FormatError(int result, std::string_view context, std::string& out) override;
    int SetTerminator(int mode, int eoiFlag) override;
    int SetEosChar(uint8_t character) override;
    int SetTimeout(int ms) override;
    int SetDma(int flag) override;
    int Close() override;

    // The library's time-out code for a time-out in milliseconds.
    static int TimeoutCode(int ms);
    // The description of the status words as FormatError gives it.
    static std::string ErrorText(const GpibStatus& status, std::string_view context);

protected:
    // 1 when the last call left the error or time-out bit set.
    int StatusResult() const;
    // Finishes a read of at most buffer.size() - 1 bytes: count from the
    // library (never beyond that limit) and a NUL after the data.
    int FinishRead(std::span<uint8_t> buffer, std::size_t& count) const;
    // Runs transfer(data, limit) into a buffer with room for the NUL, then
    // FinishRead. An empty buffer fails without touching the bus.
    template <class Transfer>
    int ReadWith(std::span<uint8_t> buffer, std::size_t& count, Transfer transfer) {
        if (!buffer.empty()) transfer(buffer.data(), ReadLimit(buffer));
        const int result = FinishRead(buffer, count);
        LogReceived(buffer.first(std::min(count, buffer.size())), result);
        return result;
    }
    // The byte count a read may ask the library for.
    static long ReadLimit(std::span<uint8_t> buffer);
    // Applies a setting to the board and the device descriptor; 1 if either fails.
    int OnBothHandles(int (GpibLibrary::*setting)(int, int), int value);
    // Termination argument of the multi-device receive routines.
    int Termination() const;

    GpibLibrary& library_;
    int boardIndex_ = 0;
    int boardHandle_ = 0;
    int deviceHandle_ = 0;
    int timeoutCode_ = 13;
    int eosWord_ = 0x0C0A;
    int eotFlag_ = 1;
};

}  // namespace kivelo
