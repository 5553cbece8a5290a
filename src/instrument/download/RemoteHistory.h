#pragma once
// Most-recently-used list of the texts typed into one of the remote-control
// lists: at most 16 entries, newest first, a repeated text moves to the top.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivelo {

class RemoteHistory {
public:
    static constexpr std::size_t kMaxEntries = 16;
    static constexpr std::size_t kMaxTextLength = 256;

    // Puts text (cut to 256 characters) at the top; an empty text changes nothing.
    void Add(std::string_view text);
    // Replaces the whole list, e.g. from the stored settings (extra entries dropped).
    void Assign(const std::vector<std::string>& entries);

    const std::vector<std::string>& Entries() const { return entries_; }
    // The newest entry, empty when the list is empty.
    std::string First() const { return entries_.empty() ? std::string() : entries_.front(); }

private:
    std::vector<std::string> entries_;
};

}  // namespace kivelo
