#pragma once
// Work split in two halves, the second on a helper thread while this one does
// the first; both on this thread when no thread can be started.
#include <system_error>
#include <thread>

namespace kivelo {

// Calls half(1) on a helper thread and half(0) on this one, and returns when both are done.
template <class Half>
void OnTwoThreads(const Half& half) {
    std::jthread helper;
    try {
        helper = std::jthread([&half] { half(1); });
    } catch (const std::system_error&) {
        half(1);
    }
    half(0);
}

}  // namespace kivelo
