#pragma once
// Writes the ASCII header (.hdr) of a waveform file, pulling every value from
// a header source (an instrument driver, in the download). Layout: keys in 20 columns, values
// of per-trace keys in 16 columns, lines ending in CR LF.
#include "export/CHeaderSource.h"
#include "export/HeaderWriterOutput.h"

namespace kivelo {

// Results of WriteHeader besides a failing source result (0).
inline constexpr int kHeaderWritten = -1;
// The output reported a cancel.
inline constexpr int kHeaderCancelled = 0x100;
// The source answered something no header can describe: a trace count
// outside 0..100, a trace list shorter than the count, a block step other
// than +1/-1, or a block range that is empty or larger than kMaxHeaderBlocks.
inline constexpr int kHeaderBadAnswer = 0x101;
// GetDataFormat answered a value other than 0, 1 or 2.
inline constexpr int kHeaderBadDataFormat = 0x102;

// Most blocks a header may describe.
inline constexpr int kMaxHeaderBlocks = 100000;

// Opens output on source.GetHeaderPath and writes the header. Returns
// kHeaderWritten when the whole header was written; otherwise the writer
// stopped at the first failure, closed the output and returns 0 (a source
// operation or a write failed, or the file could not be opened),
// kHeaderCancelled, kHeaderBadAnswer or kHeaderBadDataFormat. What was
// written up to the failure stays in the file.
int WriteHeader(CHeaderSource& source, CHeaderOutput& output);

}  // namespace kivelo
