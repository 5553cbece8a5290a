#pragma once
// Run-time binding of a linux-gpib style library. The wrappers carry the
// library's entry names and are the only code that calls into it; each call
// leaves the library's status words in Status(). A library that exports the
// Windows names instead (user_ibsta, user_iberr, user_ibcntl, ibfindA) serves
// as well.
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "port/GpibAbi.h"

namespace kivelo {

// Copies of the library's status words after the last call.
struct GpibStatus {
    int ibsta = 0;
    int iberr = 0;
    long ibcnt = 0;
    long ibcntl = 0;
};

class GpibLibrary {
public:
    // An empty path means libgpib.so.0.
    explicit GpibLibrary(std::string path = {});
    ~GpibLibrary();
    GpibLibrary(const GpibLibrary&) = delete;
    GpibLibrary& operator=(const GpibLibrary&) = delete;

    const GpibStatus& Status() const { return status_; }
    bool IsLoaded() const { return handle_ != nullptr; }

    // Device-level routines. ibdev and ibfind answer -1 when the library or
    // the entry cannot be reached, the others the new ibsta.
    int ibclr(int ud);
    int ibcmd(int ud, const void* cmd, long count);
    int ibdev(int boardIndex, int pad, int sad, int timo, int sendEoi, int eos);
    int ibdma(int ud, int v);
    int ibeos(int ud, int v);
    int ibeot(int ud, int v);
    int ibfind(const char* name);
    int ibonl(int ud, int onl);
    int ibrd(int ud, void* buf, long count);
    int ibrsp(int ud, char* spr);
    int ibsic(int ud);
    int ibsre(int ud, int v);
    int ibtmo(int ud, int v);
    int ibwrt(int ud, const void* buf, long count);

    // Multi-device routines; their outcome is in Status().
    void DevClear(int board, short address);
    void RcvRespMsg(int board, void* buf, long count, int termination);
    void ReadStatusByte(int board, short address, short* result);
    void Receive(int board, short address, void* buf, long count, int termination);
    void ReceiveSetup(int board, short address);
    void Send(int board, short address, const void* buf, long count, int eotMode);
    void SendCmds(int board, const void* cmds, long count);
    void SendIFC(int board);

    enum class Entry : std::size_t {
        ibclr,
        ibcmd,
        ibdev,
        ibdma,
        ibeos,
        ibeot,
        ibfind,
        ibonl,
        ibrd,
        ibrsp,
        ibsic,
        ibsre,
        ibtmo,
        ibwrt,
        DevClear,
        RcvRespMsg,
        ReadStatusByte,
        Receive,
        ReceiveSetup,
        Send,
        SendCmds,
        SendIFC,
        count
    };

private:
    struct HandleCloser {
        void operator()(void* handle) const;
    };

    bool Load();
    void* Lookup(Entry entry);
    void Fail(int systemError);
    void CopyStatus();

    // Calls the entry as Fn; no value when it could not be reached (Status()
    // then describes the failure).
    template <class Fn, class... Args>
    std::optional<int> Call(Entry entry, Args... args);
    template <class Fn, class... Args>
    void CallVoid(Entry entry, Args... args);

    std::string path_;
    std::unique_ptr<void, HandleCloser> handle_;
    const int* libIbsta_ = nullptr;
    const int* libIberr_ = nullptr;
    const long* libIbcntl_ = nullptr;
    std::array<void*, static_cast<std::size_t>(Entry::count)> entries_{};
    GpibStatus status_;
};

}  // namespace kivelo
