// The exported face of libqvsim-gpib.so: the entry points and status words of
// a linux-gpib style library, answered by one simulated bus.
#include <type_traits>

#include "CSimulatedBus.h"
#include "port/GpibAbi.h"

#define QVSIM_EXPORT __attribute__((visibility("default")))

extern "C" {
// Status mirrors of the last call, as the library defines them.
QVSIM_EXPORT int ibsta = 0;
QVSIM_EXPORT int iberr = 0;
QVSIM_EXPORT int ibcnt = 0;
QVSIM_EXPORT long ibcntl = 0;
}

namespace {

using kivelo::qvsim::BusResult;
using kivelo::qvsim::CSimulatedBus;

// The bus lives as long as the library is loaded.
CSimulatedBus& Bus() {
    static CSimulatedBus bus;
    return bus;
}

int Publish(const BusResult& r) {
    ibsta = r.status;
    iberr = r.error;
    ibcntl = r.count;
    ibcnt = static_cast<int>(r.count);
    return r.status;
}

std::span<std::uint8_t> Out(void* buf, long count) {
    if (buf == nullptr || count <= 0) return {};
    return {static_cast<std::uint8_t*>(buf), static_cast<std::size_t>(count)};
}

std::span<const std::uint8_t> In(const void* buf, long count) {
    if (buf == nullptr || count <= 0) return {};
    return {static_cast<const std::uint8_t*>(buf), static_cast<std::size_t>(count)};
}

}  // namespace

extern "C" {

QVSIM_EXPORT int ibfind(const char* name) {
    int ud = -1;
    Publish(Bus().Find(name, ud));
    return ud;
}

QVSIM_EXPORT int ibdev(int boardIndex, int pad, int sad, int timo, int sendEoi, int eos) {
    int ud = -1;
    Publish(Bus().Dev(boardIndex, pad, sad, timo, sendEoi, eos, ud));
    return ud;
}

QVSIM_EXPORT int ibonl(int ud, int onl) { return Publish(Bus().Online(ud, onl)); }
QVSIM_EXPORT int ibclr(int ud) { return Publish(Bus().Clear(ud)); }
QVSIM_EXPORT int ibsic(int ud) { return Publish(Bus().InterfaceClear(ud)); }
QVSIM_EXPORT int ibsre(int ud, int v) { return Publish(Bus().SetOption(ud, 'r', v)); }
QVSIM_EXPORT int ibtmo(int ud, int v) { return Publish(Bus().SetOption(ud, 't', v)); }
QVSIM_EXPORT int ibeos(int ud, int v) { return Publish(Bus().SetOption(ud, 'e', v)); }
QVSIM_EXPORT int ibeot(int ud, int v) { return Publish(Bus().SetOption(ud, 'o', v)); }
QVSIM_EXPORT int ibdma(int ud, int v) { return Publish(Bus().SetOption(ud, 'd', v)); }
QVSIM_EXPORT int ibcmd(int ud, const void* cmd, long count) { return Publish(Bus().Command(ud, In(cmd, count))); }
QVSIM_EXPORT int ibrd(int ud, void* buf, long count) { return Publish(Bus().Read(ud, Out(buf, count))); }
QVSIM_EXPORT int ibwrt(int ud, const void* buf, long count) { return Publish(Bus().Write(ud, In(buf, count))); }

QVSIM_EXPORT int ibrsp(int ud, char* spr) {
    std::uint8_t status = 0;
    const int sta = Publish(Bus().SerialPoll(ud, status));
    if (spr != nullptr) *spr = static_cast<char>(status);
    return sta;
}

QVSIM_EXPORT void DevClear(int board, short address) { Publish(Bus().DevClear(board, address)); }

QVSIM_EXPORT void RcvRespMsg(int board, void* buf, long count, int termination) {
    Publish(Bus().RcvRespMsg(board, Out(buf, count), termination));
}

QVSIM_EXPORT void ReadStatusByte(int board, short address, short* result) {
    std::uint8_t status = 0;
    Publish(Bus().ReadStatusByte(board, address, status));
    if (result != nullptr) *result = status;
}

QVSIM_EXPORT void Receive(int board, short address, void* buf, long count, int termination) {
    Publish(Bus().Receive(board, address, Out(buf, count), termination));
}

QVSIM_EXPORT void ReceiveSetup(int board, short address) { Publish(Bus().ReceiveSetup(board, address)); }

QVSIM_EXPORT void Send(int board, short address, const void* buf, long count, int eotMode) {
    Publish(Bus().Send(board, address, In(buf, count), eotMode));
}

QVSIM_EXPORT void SendCmds(int board, const void* cmds, long count) { Publish(Bus().SendCmds(board, In(cmds, count))); }

QVSIM_EXPORT void SendIFC(int board) { Publish(Bus().SendIFC(board)); }

// Not part of a GPIB library: rebuilds the instrument from the current
// QVSIM_* environment. 0 on success, -1 when the settings are refused.
QVSIM_EXPORT int qvsim_gpib_reset(void) { return Bus().Reconfigure().empty() ? 0 : -1; }

}  // extern "C"

// The definitions must keep the signatures the program's binding looks up.
static_assert(std::is_same_v<decltype(&ibclr), GpibIbclr>);
static_assert(std::is_same_v<decltype(&ibcmd), GpibIbcmd>);
static_assert(std::is_same_v<decltype(&ibdev), GpibIbdev>);
static_assert(std::is_same_v<decltype(&ibdma), GpibIbdma>);
static_assert(std::is_same_v<decltype(&ibeos), GpibIbeos>);
static_assert(std::is_same_v<decltype(&ibeot), GpibIbeot>);
static_assert(std::is_same_v<decltype(&ibfind), GpibIbfind>);
static_assert(std::is_same_v<decltype(&ibonl), GpibIbonl>);
static_assert(std::is_same_v<decltype(&ibrd), GpibIbrd>);
static_assert(std::is_same_v<decltype(&ibrsp), GpibIbrsp>);
static_assert(std::is_same_v<decltype(&ibsic), GpibIbsic>);
static_assert(std::is_same_v<decltype(&ibsre), GpibIbsre>);
static_assert(std::is_same_v<decltype(&ibtmo), GpibIbtmo>);
static_assert(std::is_same_v<decltype(&ibwrt), GpibIbwrt>);
static_assert(std::is_same_v<decltype(&DevClear), GpibDevClear>);
static_assert(std::is_same_v<decltype(&RcvRespMsg), GpibRcvRespMsg>);
static_assert(std::is_same_v<decltype(&ReadStatusByte), GpibReadStatusByte>);
static_assert(std::is_same_v<decltype(&Receive), GpibReceive>);
static_assert(std::is_same_v<decltype(&ReceiveSetup), GpibReceiveSetup>);
static_assert(std::is_same_v<decltype(&Send), GpibSend>);
static_assert(std::is_same_v<decltype(&SendCmds), GpibSendCmds>);
static_assert(std::is_same_v<decltype(&SendIFC), GpibSendIFC>);
