#pragma once
// The recent texts of a list with an edit field (the print format dialog's
// HEADER and FOOTER lists): at most 16 entries, most recent first.
#include <span>
#include <string>
#include <vector>

namespace kivelo {

class RecentTextList {
public:
    static constexpr std::size_t kCapacity = 16;

    // Puts text at the top: an entry with exactly that text moves there,
    // otherwise a full list loses its oldest (last) entry first.
    void Push(const std::string& text);
    // Replaces the entries (the first kCapacity are kept).
    void Assign(std::span<const std::string> entries);

    const std::vector<std::string>& Entries() const { return entries_; }
    // The most recent entry, empty when there is none.
    std::string First() const { return entries_.empty() ? std::string() : entries_.front(); }

private:
    std::vector<std::string> entries_;
};

}  // namespace kivelo
