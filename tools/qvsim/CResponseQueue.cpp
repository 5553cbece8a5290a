#include "CResponseQueue.h"

#include <algorithm>
#include <cstring>

namespace kivelo::qvsim {

void CResponseQueue::AppendText(std::string text) {
    if (text.empty()) return;
    Segment seg;
    seg.size = text.size();
    seg.text = std::move(text);
    m_segments.push_back(std::move(seg));
}

void CResponseQueue::AppendBlock(const BlockSource& block, std::uint64_t bytes) {
    if (bytes == 0) return;
    Segment seg;
    seg.block = block;
    seg.isBlock = true;
    seg.size = bytes;
    m_segments.push_back(std::move(seg));
}

void CResponseQueue::MarkEnd() {
    if (!m_segments.empty()) m_segments.back().endAfter = true;
}

void CResponseQueue::Clear() { m_segments.clear(); }

std::uint64_t CResponseQueue::Pending() const {
    std::uint64_t total = 0;
    for (const auto& seg : m_segments) total += seg.size - seg.done;
    return total;
}

CResponseQueue::ReadResult CResponseQueue::Read(std::span<std::uint8_t> out, int stopChar) {
    // clang-format off
  ReadResult result;
  while (result.count < out.size() && !m_segments.empty()) {
    Segment& seg = m_segments.front();
    auto n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size() - result.count, seg.size - seg.done));
    std::uint8_t* dst = out.data() + result.count;
    if (seg.isBlock)
      FillBlockBytes(seg.block, seg.done, std::span<std::uint8_t>(dst, n));
    else
      std::memcpy(dst, seg.text.data() + seg.done, n);
    bool stopped = false;
    if (stopChar >= 0) {
      if (const void* hit = std::memchr(dst, stopChar, n); hit != nullptr) {
        n = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - dst) + 1;
        stopped = true;
      }
            // clang-format on
        }
        seg.done += n;
        result.count += n;
        if (seg.done == seg.size) {
            stopped = stopped || seg.endAfter;
            m_segments.pop_front();
        }
        if (stopped) {
            result.end = true;
            return result;
        }
    }
    result.timedOut = result.count < out.size();
    return result;
}

}  // namespace kivelo::qvsim
