#pragma once
// What a summary was built from: the data file in the state it had when it was
// opened, and where and how the reader takes the stream's samples from it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kivelo {

struct SummaryKey {
    static constexpr std::size_t kLayoutFields = 16;

    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    // Not 0: the file had changed just before it was opened, so its times may not
    // tell a later change apart; only reads of that one open share the summary.
    uint64_t session = 0;
    std::array<int64_t, kLayoutFields> layout{};  // the reader's description of the stream

    friend bool operator==(const SummaryKey&, const SummaryKey&) = default;
};

struct SummaryKeyHash {
    std::size_t operator()(const SummaryKey& k) const noexcept {
        uint64_t h = 0xcbf29ce484222325ULL;
        auto mix = [&h](uint64_t v) { h = (h ^ v) * 0x100000001b3ULL; };
        mix(k.device);
        mix(k.inode);
        mix(static_cast<uint64_t>(k.size));
        mix(static_cast<uint64_t>(k.modifiedNs));
        mix(static_cast<uint64_t>(k.changedNs));
        mix(k.session);
        for (const int64_t v : k.layout) mix(static_cast<uint64_t>(v));
        return static_cast<std::size_t>(h);
    }
};

}  // namespace kivelo
