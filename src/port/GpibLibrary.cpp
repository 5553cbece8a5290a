#include "port/GpibLibrary.h"

#include <dlfcn.h>

#include <cerrno>
#include <utility>

namespace kivelo {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(GpibLibrary::Entry::count)> kEntryNames = {
    "ibclr",          "ibcmd",   "ibdev",        "ibdma", "ibeos",    "ibeot",  "ibfind",   "ibonl",
    "ibrd",           "ibrsp",   "ibsic",        "ibsre", "ibtmo",    "ibwrt",  "DevClear", "RcvRespMsg",
    "ReadStatusByte", "Receive", "ReceiveSetup", "Send",  "SendCmds", "SendIFC"};

// A data symbol under its linux-gpib name, else under its Windows name.
const void* DataSymbol(void* handle, const char* name, const char* windowsName) {
    const void* address = dlsym(handle, name);
    return address != nullptr ? address : dlsym(handle, windowsName);
}

}  // namespace

void GpibLibrary::HandleCloser::operator()(void* handle) const {
    if (handle != nullptr) dlclose(handle);
}

GpibLibrary::GpibLibrary(std::string path) : path_(std::move(path)) {}

GpibLibrary::~GpibLibrary() = default;

bool GpibLibrary::Load() {
    const std::string path = path_.empty() ? std::string(gpib::kDefaultLibrary) : path_;
    std::unique_ptr<void, HandleCloser> handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!handle) return false;
    const auto* ibsta = static_cast<const int*>(DataSymbol(handle.get(), gpib::kSymIbsta, gpib::kSymUserIbsta));
    const auto* iberr = static_cast<const int*>(DataSymbol(handle.get(), gpib::kSymIberr, gpib::kSymUserIberr));
    const auto* ibcntl = static_cast<const long*>(DataSymbol(handle.get(), gpib::kSymIbcntl, gpib::kSymUserIbcntl));
    if (ibsta == nullptr || iberr == nullptr || ibcntl == nullptr)
        return false;  // not a GPIB library; released here and tried again next time
    handle_ = std::move(handle);
    libIbsta_ = ibsta;
    libIberr_ = iberr;
    libIbcntl_ = ibcntl;
    entries_.fill(nullptr);
    return true;
}

void* GpibLibrary::Lookup(Entry entry) {
    errno = 0;  // what a failure reports as ibcntl
    if (!handle_ && !Load()) return nullptr;
    void*& cached = entries_[static_cast<std::size_t>(entry)];
    if (cached == nullptr) cached = dlsym(handle_.get(), kEntryNames[static_cast<std::size_t>(entry)]);
    if (cached == nullptr && entry == Entry::ibfind) cached = dlsym(handle_.get(), gpib::kSymIbfindA);
    return cached;
}

void GpibLibrary::Fail(int systemError) {
    status_.ibsta = gpib::kStatusError;
    status_.iberr = 0;
    status_.ibcnt = systemError;
    status_.ibcntl = systemError;
}

void GpibLibrary::CopyStatus() {
    status_.ibsta = *libIbsta_;
    status_.iberr = *libIberr_;
    status_.ibcnt = *libIbcntl_;
    status_.ibcntl = *libIbcntl_;
}

template <class Fn, class... Args>
std::optional<int> GpibLibrary::Call(Entry entry, Args... args) {
    void* address = Lookup(entry);
    if (address == nullptr) {
        Fail(errno);
        return std::nullopt;
    }
    const int result = reinterpret_cast<Fn>(address)(args...);
    CopyStatus();
    return result;
}

template <class Fn, class... Args>
void GpibLibrary::CallVoid(Entry entry, Args... args) {
    void* address = Lookup(entry);
    if (address == nullptr) {
        Fail(errno);
        return;
    }
    reinterpret_cast<Fn>(address)(args...);
    CopyStatus();
}

int GpibLibrary::ibclr(int ud) { return Call<GpibIbclr>(Entry::ibclr, ud).value_or(status_.ibsta); }

int GpibLibrary::ibcmd(int ud, const void* cmd, long count) {
    return Call<GpibIbcmd>(Entry::ibcmd, ud, cmd, count).value_or(status_.ibsta);
}

int GpibLibrary::ibdev(int boardIndex, int pad, int sad, int timo, int sendEoi, int eos) {
    return Call<GpibIbdev>(Entry::ibdev, boardIndex, pad, sad, timo, sendEoi, eos).value_or(-1);
}

int GpibLibrary::ibdma(int ud, int v) { return Call<GpibIbdma>(Entry::ibdma, ud, v).value_or(status_.ibsta); }
int GpibLibrary::ibeos(int ud, int v) { return Call<GpibIbeos>(Entry::ibeos, ud, v).value_or(status_.ibsta); }
int GpibLibrary::ibeot(int ud, int v) { return Call<GpibIbeot>(Entry::ibeot, ud, v).value_or(status_.ibsta); }
int GpibLibrary::ibfind(const char* name) { return Call<GpibIbfind>(Entry::ibfind, name).value_or(-1); }
int GpibLibrary::ibonl(int ud, int onl) { return Call<GpibIbonl>(Entry::ibonl, ud, onl).value_or(status_.ibsta); }

int GpibLibrary::ibrd(int ud, void* buf, long count) {
    return Call<GpibIbrd>(Entry::ibrd, ud, buf, count).value_or(status_.ibsta);
}

int GpibLibrary::ibrsp(int ud, char* spr) { return Call<GpibIbrsp>(Entry::ibrsp, ud, spr).value_or(status_.ibsta); }
int GpibLibrary::ibsic(int ud) { return Call<GpibIbsic>(Entry::ibsic, ud).value_or(status_.ibsta); }
int GpibLibrary::ibsre(int ud, int v) { return Call<GpibIbsre>(Entry::ibsre, ud, v).value_or(status_.ibsta); }
int GpibLibrary::ibtmo(int ud, int v) { return Call<GpibIbtmo>(Entry::ibtmo, ud, v).value_or(status_.ibsta); }

int GpibLibrary::ibwrt(int ud, const void* buf, long count) {
    return Call<GpibIbwrt>(Entry::ibwrt, ud, buf, count).value_or(status_.ibsta);
}

void GpibLibrary::DevClear(int board, short address) { CallVoid<GpibDevClear>(Entry::DevClear, board, address); }

void GpibLibrary::RcvRespMsg(int board, void* buf, long count, int termination) {
    CallVoid<GpibRcvRespMsg>(Entry::RcvRespMsg, board, buf, count, termination);
}

void GpibLibrary::ReadStatusByte(int board, short address, short* result) {
    CallVoid<GpibReadStatusByte>(Entry::ReadStatusByte, board, address, result);
}

void GpibLibrary::Receive(int board, short address, void* buf, long count, int termination) {
    CallVoid<GpibReceive>(Entry::Receive, board, address, buf, count, termination);
}

void GpibLibrary::ReceiveSetup(int board, short address) {
    CallVoid<GpibReceiveSetup>(Entry::ReceiveSetup, board, address);
}

void GpibLibrary::Send(int board, short address, const void* buf, long count, int eotMode) {
    CallVoid<GpibSend>(Entry::Send, board, address, buf, count, eotMode);
}

void GpibLibrary::SendCmds(int board, const void* cmds, long count) {
    CallVoid<GpibSendCmds>(Entry::SendCmds, board, cmds, count);
}

void GpibLibrary::SendIFC(int board) { CallVoid<GpibSendIFC>(Entry::SendIFC, board); }

}  // namespace kivelo
