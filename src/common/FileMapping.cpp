#include "common/FileMapping.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>

namespace kivelo {
namespace {

// The mappings a SIGBUS may hit. A signal handler has nothing but process-wide
// state to go by: the table is written only under its lock, and read lock-free.
struct Slot {
    std::atomic<uintptr_t> begin{0}, end{0};
    std::atomic<uint32_t> faults{0};
};
constexpr int kSlots = 64;
std::array<Slot, kSlots> slots;
std::mutex slotsLock;
struct sigaction previous {};
uintptr_t pageBytes = 4096;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (Slot& s : slots) {
        if (at < s.begin.load(std::memory_order_acquire) || at >= s.end.load(std::memory_order_acquire)) continue;
        // Zeros in place of the page: the read goes on, and its owner sees the fault.
        void* page = reinterpret_cast<void*>(at & ~(pageBytes - 1));
        if (::mmap(page, pageBytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            s.faults.fetch_add(1, std::memory_order_release);
            return;
        }
        break;
    }
    // Not a page of ours: what would have happened without this handler.
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_IGN && previous.sa_handler != SIG_DFL) {
        previous.sa_handler(signal);
    } else {
        ::signal(SIGBUS, SIG_DFL);  // the fault comes again on return, and ends the program
    }
}

bool InstallHandler() {
    pageBytes = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &previous) == 0;
}

}  // namespace

std::unique_ptr<FileMapping> FileMapping::Map(int fd, int64_t bytes) {
    static const bool installed = InstallHandler();
    if (!installed || fd < 0 || bytes <= 0) return nullptr;
    const auto size = static_cast<std::size_t>(bytes);
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return nullptr;
    const std::lock_guard<std::mutex> hold(slotsLock);
    for (int i = 0; i < kSlots; ++i) {
        Slot& s = slots[static_cast<std::size_t>(i)];
        if (s.end.load(std::memory_order_relaxed) != 0) continue;
        s.faults.store(0, std::memory_order_relaxed);
        s.begin.store(reinterpret_cast<uintptr_t>(p), std::memory_order_release);
        s.end.store(reinterpret_cast<uintptr_t>(p) + size, std::memory_order_release);
        return std::unique_ptr<FileMapping>(new FileMapping(static_cast<const uint8_t*>(p), size, i));
    }
    ::munmap(p, size);
    return nullptr;
}

FileMapping::~FileMapping() {
    {
        // Out of the table first: the same addresses may be mapped again at once.
        const std::lock_guard<std::mutex> hold(slotsLock);
        Slot& s = slots[static_cast<std::size_t>(slot_)];
        s.end.store(0, std::memory_order_release);
        s.begin.store(0, std::memory_order_release);
    }
    ::munmap(const_cast<uint8_t*>(base_), size_);
}

void FileMapping::LetGo(std::span<const uint8_t> bytes) const {
    const auto begin = std::max(reinterpret_cast<uintptr_t>(bytes.data()), reinterpret_cast<uintptr_t>(base_));
    const auto end =
        std::min(reinterpret_cast<uintptr_t>(bytes.data()) + bytes.size(), reinterpret_cast<uintptr_t>(base_) + size_);
    const uintptr_t first = (begin + pageBytes - 1) & ~(pageBytes - 1), last = end & ~(pageBytes - 1);
    // A hint: pages it leaves mapped go when the mapping does.
    if (first < last) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

bool FileMapping::Faulted() const {
    return slots[static_cast<std::size_t>(slot_)].faults.load(std::memory_order_acquire) != 0;
}

}  // namespace kivelo
