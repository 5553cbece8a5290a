#include "port/CGpibPortBase.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

namespace kivelo {

namespace {

constexpr int kFailMask = gpib::kStatusError | gpib::kStatusTimeout;

struct TimeoutRow {
    int limitMs;
    int code;
};

constexpr std::array<TimeoutRow, 14> kTimeoutTable = {{{0, 0},
                                                       {1, 5},
                                                       {3, 6},
                                                       {10, 7},
                                                       {30, 8},
                                                       {100, 9},
                                                       {300, 10},
                                                       {1000, 11},
                                                       {3000, 12},
                                                       {10000, 13},
                                                       {30000, 14},
                                                       {100000, 15},
                                                       {300000, 16},
                                                       {1000000, 17}}};

struct ErrorRow {
    int iberr;
    const char* text;
};

constexpr std::array<ErrorRow, 17> kErrorTexts = {{
    {0, ">>System error! ; "},
    {1, ">>Function requires GPIB board to be CIC! ; "},
    {2, ">>Write function detected no Listeners! ; "},
    {3, ">>interface board not addressed correctly! ; "},
    {4, ">>Invalid argument to function call! ; "},
    {5, ">>Function requires GPIB board to be SAC! ; "},
    {6, ">>I/O operation aborted! ; "},
    {7, ">>Non-existent interface board! ; "},
    {8, ">>Error performing DMA! ; "},
    {10, ">>I/O operation started before previous operation completed! ; "},
    {11, ">>No capability for intended operation! ; "},
    {12, ">>File system operation error! ; "},
    {14, ">>Command error during device call! ; "},
    {15, ">>Serial poll status byte lost! ; "},
    {16, ">>SRQ remains asserted! ; "},
    {20, ">>The return buffer is full! ; "},
    {21, ">>Address or board is locked! ; "},
}};

const char* ErrorPrefix(int iberr) {
    for (const ErrorRow& row : kErrorTexts)
        if (row.iberr == iberr) return row.text;
    return ">>??? Error! ; ";
}

std::string Compose(const char* prefix, std::string_view context) {
    std::string text(prefix);
    text.append(context);
    text.push_back('\n');
    return text;
}

}  // namespace

int CGpibPortBase::TimeoutCode(int ms) {
    for (const TimeoutRow& row : kTimeoutTable)
        if (row.limitMs >= ms) return row.code;
    return 17;
}

std::string CGpibPortBase::ErrorText(const GpibStatus& status, std::string_view context) {
    std::string text;
    if (status.ibsta & gpib::kStatusTimeout) text = Compose(">>Timeout! ; ", context);
    if (status.ibsta & gpib::kStatusError) text = Compose(ErrorPrefix(status.iberr), context);
    return text;
}

int CGpibPortBase::StatusResult() const { return (library_.Status().ibsta & kFailMask) != 0 ? kFailure : kOk; }

long CGpibPortBase::ReadLimit(std::span<uint8_t> buffer) {
    if (buffer.empty()) return 0;
    return static_cast<long>(std::min<std::size_t>(buffer.size() - 1, std::numeric_limits<long>::max()));
}

int CGpibPortBase::FinishRead(std::span<uint8_t> buffer, std::size_t& count) const {
    count = 0;
    if (buffer.empty()) return kFailure;
    // The count comes from the library: never trust it beyond what we asked for.
    const long reported = library_.Status().ibcntl;
    const long limit = ReadLimit(buffer);
    count = static_cast<std::size_t>(std::clamp(reported, 0L, limit));
    buffer[count] = 0;
    return StatusResult();
}

int CGpibPortBase::OnBothHandles(int (GpibLibrary::*setting)(int, int), int value) {
    // A failure on the board must not be hidden by success on the device.
    (library_.*setting)(boardHandle_, value);
    const int boardResult = StatusResult();
    (library_.*setting)(deviceHandle_, value);
    return boardResult == kOk ? StatusResult() : kFailure;
}

int CGpibPortBase::Termination() const { return terminatorMode_ == kTermBinary ? gpib::kStopEnd : (eosWord_ & 0xFF); }

int CGpibPortBase::OpenBoard(int16_t board, int address) {
    boardIndex_ = board;
    address_ = address;
    return Open(address);
}

int CGpibPortBase::Open(int address) {
    address_ = address;
    if (boardIndex_ < 0 || boardIndex_ > 3) return kFailure;  // only GPIB0..GPIB3 exist
    char name[8];
    std::snprintf(name, sizeof name, "GPIB%d", boardIndex_);
    boardHandle_ = library_.ibfind(name);
    if (boardHandle_ < 0) return kFailure;
    deviceHandle_ = library_.ibdev(boardIndex_, address, 0, timeoutCode_, eotFlag_, eosWord_);
    return deviceHandle_ < 0 ? kFailure : kOk;
}

int CGpibPortBase::IsMoreData() { return (library_.Status().ibsta & gpib::kStatusEnd) == 0 ? 1 : 0; }

int CGpibPortBase::SetRemoteEnable(int flag) {
    library_.ibsre(boardHandle_, flag == 1 ? 1 : 0);
    return StatusResult();
}

int CGpibPortBase::FormatError(int result, std::string_view context, std::string& out) {
    if (result == kOk) return kOk;
    std::string text = ErrorText(library_.Status(), context);
    if (!text.empty()) out = std::move(text);
    return result;
}

int CGpibPortBase::SetTerminator(int mode, int eoiFlag) {
    terminatorMode_ = mode;
    eoi_ = eoiFlag;
    if (mode == kTermCrLf) {
        // A two-character terminator cannot be an end-of-string character.
        eosWord_ = 0x0C0A;
        return kFailure;
    }
    eosWord_ = mode == kTermCr ? 0x0C0D : (mode == kTermLf ? 0x0C0A : 0);
    eotFlag_ = eoiFlag != 0 ? 1 : 0;
    if (OnBothHandles(&GpibLibrary::ibeos, eosWord_) != kOk) return kFailure;
    return OnBothHandles(&GpibLibrary::ibeot, eotFlag_);
}

int CGpibPortBase::SetEosChar(uint8_t character) {
    eosWord_ = 0x0C00 | character;
    return OnBothHandles(&GpibLibrary::ibeos, eosWord_);
}

int CGpibPortBase::SetTimeout(int ms) {
    timeoutMs_ = ms;
    timeoutCode_ = TimeoutCode(ms);
    return OnBothHandles(&GpibLibrary::ibtmo, timeoutCode_);
}

int CGpibPortBase::SetDma(int flag) {
    library_.ibdma(boardHandle_, flag == 1 ? 1 : 0);
    return StatusResult();
}

int CGpibPortBase::Close() {
    library_.ibonl(deviceHandle_, 0);
    return StatusResult();
}

}  // namespace kivelo
