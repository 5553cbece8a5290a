#pragma once
// Work split in two halves, the second on a helper thread while this one does
// the first; both on this thread when only one may be used or no thread can be
// started.
#include <system_error>
#include <thread>

namespace kivelo {

// Calls half(1) and half(0), on a helper thread and this one when `threads` (those
// the work may use) is two or more, and returns when both are done.
template <class Half>
void OnTwoThreads(int threads, const Half& half) {
    std::jthread helper;
    if (threads < 2) {
        half(1);
    } else {
        try {
            helper = std::jthread([&half] { half(1); });
        } catch (const std::system_error&) {
            half(1);
        }
    }
    half(0);
}

}  // namespace kivelo
