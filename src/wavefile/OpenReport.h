#pragma once
// Why an open failed, which traces an opened data file holds only in part, and
// the texts the program, kivelo-cli and the Python module show for both.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kivelo {

// Message of a failed open, exactly as the program shows it.
inline constexpr std::string_view kCannotOpenMessage = "Cannot oepn this file. \n\n  Check *.hdr ";

// The numeric result of Open (OpenResult) and its cause in plain words, naming
// the file: "/data/a.hdr: line 12 ... has 2 values where 4 are needed".
struct OpenFailure {
    int code = -1;
    std::string cause;
};

// A trace whose samples the data file holds only up to some point: block
// `block` has `present` of its `expected` samples and every later block of the
// trace none. Blocks and traces count from 0; traces are shown as W1, W2, ...
struct ShortTrace {
    int trace = 0;
    int block = 0;
    int lastBlock = 0;  // the trace's last block with samples in the header
    int64_t expected = 0;
    int64_t present = 0;
};

// The failed open's message. Box: the program's own text, then one line with the
// cause. Line: one line for a terminal, "Cannot oepn this file: " and the cause.
enum class MessageForm { Box, Line };
std::string FailedOpenMessage(std::string_view cause, MessageForm form = MessageForm::Box);

// One line naming each short trace, with how much of it is there, e.g.
// "/d/a.wvf holds 6000 of the 40000 bytes its header describes: W3 has
// 500 of 5000 samples in block 0 and nothing from block 1 to 9; W4 has nothing
// from block 0 to 9".
std::string ShortDataWarning(std::string_view path, int64_t fileBytes, int64_t describedBytes,
                             std::span<const ShortTrace> traces);

}  // namespace kivelo
