#include "export/RecentTextList.h"

#include <algorithm>

namespace kivelo {

void RecentTextList::Push(const std::string& text) {
    const auto same = std::find(entries_.begin(), entries_.end(), text);
    if (same != entries_.end()) entries_.erase(same);
    else if (entries_.size() >= kCapacity) entries_.resize(kCapacity - 1);
    entries_.insert(entries_.begin(), text);
}

void RecentTextList::Assign(std::span<const std::string> entries) {
    entries_.assign(entries.begin(),
                    entries.begin() + static_cast<std::ptrdiff_t>(std::min(entries.size(), kCapacity)));
}

}  // namespace kivelo
