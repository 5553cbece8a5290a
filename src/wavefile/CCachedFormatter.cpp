#include "wavefile/CCachedFormatter.h"

namespace kivelo {

namespace {
constexpr std::size_t kTableSize = 65536;
}

// The table (1.3 MB) is made on the first text of a 1- or 2-byte sample, so
// traces that are only read as values or envelopes never pay for it.
CCachedFormatter::CCachedFormatter() = default;

void CCachedFormatter::ClearCache() {
    for (ValueText& t : table_) t[0] = '\0';
}

void CCachedFormatter::MakeTable() { table_.assign(kTableSize, ValueText{}); }

}  // namespace kivelo
