#pragma once
// The entry points and status words of a linux-gpib style GPIB library, as
// reached through dlopen. Both our binding and the simulator library use this
// one description so that they cannot drift apart.
#include <cstdint>

namespace kivelo::gpib {

// Bits of ibsta that the program tests.
inline constexpr int kStatusError = 0x8000;
inline constexpr int kStatusTimeout = 0x4000;
inline constexpr int kStatusEnd = 0x2000;
inline constexpr int kStatusComplete = 0x0100;

// Termination argument of Receive / RcvRespMsg: stop on EOI only.
inline constexpr int kStopEnd = 0x0100;

// Library name used when KIVELO_GPIB_LIBRARY is not set.
inline constexpr const char* kDefaultLibrary = "libgpib.so.0";
inline constexpr const char* kLibraryEnv = "KIVELO_GPIB_LIBRARY";

// Data symbols exported by the library, under the linux-gpib names or, in a
// library that keeps the Windows GPIB-32 names, under those.
inline constexpr const char* kSymIbsta = "ibsta";
inline constexpr const char* kSymIberr = "iberr";
inline constexpr const char* kSymIbcntl = "ibcntl";
inline constexpr const char* kSymUserIbsta = "user_ibsta";
inline constexpr const char* kSymUserIberr = "user_iberr";
inline constexpr const char* kSymUserIbcntl = "user_ibcntl";
// The board lookup's Windows name; every other entry has the same name in both.
inline constexpr const char* kSymIbfindA = "ibfindA";

}  // namespace kivelo::gpib

// C signatures of the entry points (linux-gpib names: ibfind stands for ibfindA).
extern "C" {
typedef int (*GpibIbclr)(int ud);
typedef int (*GpibIbcmd)(int ud, const void* cmd, long count);
typedef int (*GpibIbdev)(int boardIndex, int pad, int sad, int timo, int sendEoi, int eos);
typedef int (*GpibIbdma)(int ud, int v);
typedef int (*GpibIbeos)(int ud, int v);
typedef int (*GpibIbeot)(int ud, int v);
typedef int (*GpibIbfind)(const char* name);
typedef int (*GpibIbonl)(int ud, int onl);
typedef int (*GpibIbrd)(int ud, void* buf, long count);
typedef int (*GpibIbrsp)(int ud, char* spr);
typedef int (*GpibIbsic)(int ud);
typedef int (*GpibIbsre)(int ud, int v);
typedef int (*GpibIbtmo)(int ud, int v);
typedef int (*GpibIbwrt)(int ud, const void* buf, long count);
typedef void (*GpibDevClear)(int board, short address);
typedef void (*GpibRcvRespMsg)(int board, void* buf, long count, int termination);
typedef void (*GpibReadStatusByte)(int board, short address, short* result);
typedef void (*GpibReceive)(int board, short address, void* buf, long count, int termination);
typedef void (*GpibReceiveSetup)(int board, short address);
typedef void (*GpibSend)(int board, short address, const void* buf, long count, int eotMode);
typedef void (*GpibSendCmds)(int board, const void* cmds, long count);
typedef void (*GpibSendIFC)(int board);
}
