#pragma once
// The instrument's output queue: answer texts and block data waiting to be
// read. Block data is generated straight into the reader's buffer.
#include <cstdint>
#include <deque>
#include <span>
#include <string>

#include "SampleData.h"

namespace kivelo::qvsim {

class CResponseQueue {
public:
    struct ReadResult {
        std::size_t count = 0;
        bool end = false;       // the read stopped on END or on the stop character
        bool timedOut = false;  // the queue ran dry before the read was satisfied
    };

    void AppendText(std::string text);
    // bytes may be fewer than block.ByteCount() (a block cut short).
    void AppendBlock(const BlockSource& block, std::uint64_t bytes);
    // The last byte queued so far is sent with END (EOI).
    void MarkEnd();
    void Clear();
    bool Empty() const { return m_segments.empty(); }
    std::uint64_t Pending() const;

    // Moves up to out.size() bytes. Stops after END, or after stopChar (0..255)
    // when stopChar is not negative.
    ReadResult Read(std::span<std::uint8_t> out, int stopChar);

private:
    struct Segment {
        std::string text;
        BlockSource block;
        bool isBlock = false;
        std::uint64_t size = 0;
        std::uint64_t done = 0;
        bool endAfter = false;
    };
    std::deque<Segment> m_segments;
};

}  // namespace kivelo::qvsim
