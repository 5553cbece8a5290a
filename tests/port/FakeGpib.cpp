// A stand-in GPIB library with the entry points and status words of the real
// kind. It records every call and answers from FakeGpibState.
#include <algorithm>
#include <cstring>
#include <string>

#include "FakeGpibState.h"
#include "port/GpibAbi.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

// The variant with the Windows library's names exports the status words as
// user_ibsta, user_iberr, user_ibcntl and the board lookup as ibfindA.
#ifdef FAKE_GPIB_WINDOWS_NAMES
#define FAKE_NAME(linuxName, windowsName) __asm__(windowsName)
#else
#define FAKE_NAME(linuxName, windowsName) __asm__(linuxName)
#endif

extern "C" {
__attribute__((visibility("default"))) int ibsta FAKE_NAME("ibsta", "user_ibsta") = 0;
__attribute__((visibility("default"))) int iberr FAKE_NAME("iberr", "user_iberr") = 0;
#ifndef FAKE_GPIB_NO_COUNT
__attribute__((visibility("default"))) long ibcntl FAKE_NAME("ibcntl", "user_ibcntl") = 0;
#endif
}

namespace {

FakeGpibState& State() {
    static FakeGpibState state;
    return state;
}

void SetCount(long n) {
#ifndef FAKE_GPIB_NO_COUNT
    ibcntl = n;
#else
    (void)n;
#endif
}

// Records the call and sets the status of an ordinary completion, or of the
// failure the test asked for; true when the call may go on.
bool Enter(const std::string& line) {
    FakeGpibState& s = State();
    s.calls.push_back(line);
    SetCount(0);
    if (s.nextError >= 0 && s.errorDelay > 0) {
        --s.errorDelay;
    } else if (s.nextError >= 0) {
        ibsta = kivelo::gpib::kStatusError | kivelo::gpib::kStatusComplete;
        iberr = s.nextError;
        s.nextError = -1;
        return false;
    }
    ibsta = kivelo::gpib::kStatusComplete;
    iberr = 0;
    return true;
}

std::string Line(const char* name, long a = 0, long b = 0, long c = 0) {
    return std::string(name) + " " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c);
}

void DoRead(void* buf, long count) {
    FakeGpibState& s = State();
    const long n = std::max(0L, std::min<long>(count, static_cast<long>(s.pendingRead.size())));
    std::memcpy(buf, s.pendingRead.data(), static_cast<std::size_t>(n));
    s.pendingRead.erase(0, static_cast<std::size_t>(n));
    ibsta = s.readStatus;
    SetCount(s.overrideCount ? s.reportedCount : n);
}

void DoWrite(const void* buf, long count) {
    State().written.assign(static_cast<const char*>(buf), static_cast<std::size_t>(count));
    SetCount(count);
}

}  // namespace

FAKE_EXPORT FakeGpibState* fake_gpib_state() { return &State(); }

// Board and device level entry points (return the status word).
// Entry points that only record their arguments.
#define FAKE_SETTING(name)                \
    FAKE_EXPORT int name(int ud, int v) { \
        Enter(Line(#name, ud, v));        \
        return ibsta;                     \
    }
FAKE_SETTING(ibeos)
FAKE_SETTING(ibeot)
FAKE_SETTING(ibonl)
FAKE_SETTING(ibsre)
FAKE_SETTING(ibtmo)
#ifndef FAKE_GPIB_NO_DMA
FAKE_SETTING(ibdma)
#endif
FAKE_EXPORT int ibclr(int ud) {
    Enter(Line("ibclr", ud));
    return ibsta;
}
FAKE_EXPORT int ibcmd(int ud, const void* cmd, long count) {
    if (Enter(Line("ibcmd", ud, count))) DoWrite(cmd, count);
    return ibsta;
}
FAKE_EXPORT int ibdev(int board, int pad, int sad, int timo, int sendEoi, int eos) {
    const std::string line = Line("ibdev", board, pad, sad) + " " + std::to_string(timo) + " " +
                             std::to_string(sendEoi) + " " + std::to_string(eos);
    return Enter(line) ? State().deviceDescriptor : -1;
}
FAKE_EXPORT int ibfind(const char* name) FAKE_NAME("ibfind", "ibfindA");
FAKE_EXPORT int ibfind(const char* name) { return Enter(std::string("ibfind ") + name) ? State().boardDescriptor : -1; }
FAKE_EXPORT int ibrd(int ud, void* buf, long count) {
    if (Enter(Line("ibrd", ud, count))) DoRead(buf, count);
    return ibsta;
}
FAKE_EXPORT int ibrsp(int ud, char* spr) {
    if (Enter(Line("ibrsp", ud))) *spr = static_cast<char>(State().statusByte);
    return ibsta;
}
FAKE_EXPORT int ibsic(int ud) {
    Enter(Line("ibsic", ud));
    return ibsta;
}
FAKE_EXPORT int ibwrt(int ud, const void* buf, long count) {
    if (Enter(Line("ibwrt", ud, count))) DoWrite(buf, count);
    return ibsta;
}

// Multi-device entry points (board plus address, no return value).
FAKE_EXPORT void DevClear(int board, short address) { Enter(Line("DevClear", board, address)); }
FAKE_EXPORT void RcvRespMsg(int board, void* buf, long count, int termination) {
    if (Enter(Line("RcvRespMsg", board, count, termination))) DoRead(buf, count);
}
FAKE_EXPORT void ReadStatusByte(int board, short address, short* result) {
    if (Enter(Line("ReadStatusByte", board, address))) *result = State().statusByte;
}
FAKE_EXPORT void Receive(int board, short address, void* buf, long count, int termination) {
    if (Enter(Line("Receive", board, address, count) + " " + std::to_string(termination))) DoRead(buf, count);
}
FAKE_EXPORT void ReceiveSetup(int board, short address) { Enter(Line("ReceiveSetup", board, address)); }
FAKE_EXPORT void Send(int board, short address, const void* buf, long count, int eotMode) {
    if (Enter(Line("Send", board, address, count) + " " + std::to_string(eotMode))) DoWrite(buf, count);
}
FAKE_EXPORT void SendCmds(int board, const void* cmds, long count) {
    if (Enter(Line("SendCmds", board, count))) DoWrite(cmds, count);
}
FAKE_EXPORT void SendIFC(int board) { Enter(Line("SendIFC", board)); }
