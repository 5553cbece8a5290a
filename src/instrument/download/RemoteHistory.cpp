#include "instrument/download/RemoteHistory.h"

#include <algorithm>

namespace kivelo {

void RemoteHistory::Add(std::string_view text) {
    text = text.substr(0, kMaxTextLength);
    if (text.empty()) return;
    auto same = std::find(entries_.begin(), entries_.end(), text);
    if (same != entries_.end()) entries_.erase(same);
    else if (entries_.size() >= kMaxEntries) entries_.erase(entries_.begin() + (kMaxEntries - 1), entries_.end());
    entries_.insert(entries_.begin(), std::string(text));
}

void RemoteHistory::Assign(const std::vector<std::string>& entries) {
    entries_.clear();
    for (const std::string& entry : entries) {
        if (entries_.size() == kMaxEntries) break;
        entries_.push_back(entry.substr(0, kMaxTextLength));
    }
}

}  // namespace kivelo
