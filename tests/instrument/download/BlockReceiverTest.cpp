// The block receiver's framing over both links: GPIB ends a message with EOI
// (reported by IsMoreData), a serial line only by the LF after the block.
#include <gtest/gtest.h>

#include <algorithm>

#include "ScriptedPort.h"
#include "instrument/download/BlockReceiver.h"
#include "instrument/download/BlockSink.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/drivers/DownloadPlan.h"

namespace kivelo::test {
namespace {

class MemorySink : public BlockSink {
public:
    std::string bytes;
    size_t largestAppend = 0;
    bool fail = false;

    bool Append(std::span<const uint8_t> data) override {
        largestAppend = std::max(largestAppend, data.size());
        bytes.append(data.begin(), data.end());
        return !fail;
    }
    bool AppendZeros(int64_t count) override {
        bytes.append(static_cast<size_t>(count), '\0');
        return !fail;
    }
};

enum Links { kBoth, kGpibOnly };
enum Trouble { kNoTrouble, kNoAnswer, kCancelled, kSinkFails };

// Each row asks for `points` while the instrument serves `served`. A received
// block holds exactly 2 x points bytes (surplus dropped, a short block padded
// with zeros), arrives in pieces no larger than the chunk, counts every byte
// in the progress and leaves the port in line mode, ready for the next block.
TEST(BlockReceiver, FramingAcrossTheLinks) {
    using F = BlockFault;
    using E = EndReport;
    const struct {
        const char* name;
        Links links;
        int64_t points;
        int64_t served;
        BlockFault fault;
        EndReport end;
        Trouble trouble;
        int result;
    } rows[] = {
        {"whole block", kBoth, 1000, 1000, F::kNone, E::kFaithful, kNoTrouble, kDownloadOk},
        {"LF as the last data byte", kBoth, 4, 4, F::kNone, E::kFaithful, kNoTrouble, kDownloadOk},
        {"larger than the chunk", kBoth, 300000, 300000, F::kNone, E::kFaithful, kNoTrouble, kDownloadOk},
        {"surplus dropped", kBoth, 100, 150, F::kNone, E::kFaithful, kNoTrouble, kDownloadOk},
        {"short record padded", kBoth, 200000, 150000, F::kNone, E::kFaithful, kNoTrouble, kDownloadOk},
        {"empty block \"#10\"", kBoth, 20, 0, F::kNone, E::kFaithful, kNoTrouble, kDownloadOk},
        {"indefinite length", kBoth, 500, 500, F::kIndefinite, E::kFaithful, kNoTrouble, kDownloadPortError},
        {"letter in the count", kBoth, 500, 500, F::kBadDigits, E::kFaithful, kNoTrouble, kDownloadPortError},
        {"fewer bytes than announced", kBoth, 500, 500, F::kShortBlock, E::kFaithful, kNoTrouble, kDownloadPortError},
        {"more bytes than announced", kBoth, 500, 500, F::kLongBlock, E::kFaithful, kNoTrouble, kDownloadPortError},
        {"silence mid block", kBoth, 500, 500, F::kStopMidBlock, E::kFaithful, kNoTrouble, kDownloadPortError},
        {"no answer", kBoth, 10, 10, F::kNone, E::kFaithful, kNoAnswer, kDownloadPortError},
        {"cancelled", kBoth, 10, 10, F::kNone, E::kFaithful, kCancelled, kDownloadInterrupted},
        {"sink fails", kBoth, 10, 10, F::kNone, E::kFaithful, kSinkFails, kDownloadFileError},
        // GPIB may end with EOI on the last data byte instead of an LF; the
        // end bit only confirms complete data, so one reported always or
        // never changes nothing, and a short block still fails.
        {"EOI on the last byte", kGpibOnly, 4, 4, F::kNoTerminator, E::kFaithful, kNoTrouble, kDownloadOk},
        {"EOI on \"#10\"", kGpibOnly, 3, 0, F::kNoTerminator, E::kFaithful, kNoTrouble, kDownloadOk},
        {"end always", kGpibOnly, 150000, 150000, F::kNone, E::kAlways, kNoTrouble, kDownloadOk},
        {"end never", kGpibOnly, 150000, 150000, F::kNone, E::kNever, kNoTrouble, kDownloadOk},
        {"end always, no LF", kGpibOnly, 150000, 150000, F::kNoTerminator, E::kAlways, kNoTrouble, kDownloadOk},
        {"end never, no LF", kGpibOnly, 150000, 150000, F::kNoTerminator, E::kNever, kNoTrouble, kDownloadOk},
        {"end always, short", kGpibOnly, 500, 500, F::kShortBlock, E::kAlways, kNoTrouble, kDownloadPortError},
        {"end never, short", kGpibOnly, 500, 500, F::kShortBlock, E::kNever, kNoTrouble, kDownloadPortError},
    };
    for (const auto& row : rows) {
        for (BlockFraming framing : {BlockFraming::kEndByEoi, BlockFraming::kEndByLineFeed}) {
            if (row.links == kGpibOnly && framing == BlockFraming::kEndByLineFeed) continue;
            SCOPED_TRACE(std::string(row.name) + (framing == BlockFraming::kEndByEoi ? " (GPIB)" : " (serial)"));
            ScriptedPort port(framing);
            port.Open(1);
            port.blockPoints = row.served;
            port.fault = row.fault;
            port.faultBlock = 0;
            port.endReport = row.end;
            if (row.trouble == kNoAnswer) port.failingWrites.insert("WAV:SEND?");
            DownloadPlan plan;
            MemorySink sink;
            sink.fail = row.trouble == kSinkFails;
            std::atomic<bool> cancel{row.trouble == kCancelled};
            BlockReceiver receiver(port, framing, plan.chunk, sink, &cancel);
            int64_t progress = 0;
            receiver.SetProgress([&](int64_t bytes) { progress += bytes; });

            ASSERT_EQ(receiver.ReceiveBlock(row.points), row.result);
            EXPECT_EQ(port.TerminatorMode(), kTermLf);
            if (row.result != kDownloadOk) continue;
            std::string expected = PatternBytes(1, 0, std::min(row.points, row.served));
            expected.resize(static_cast<size_t>(2 * row.points), '\0');
            EXPECT_TRUE(sink.bytes == expected);
            EXPECT_EQ(progress, 2 * row.points);
            EXPECT_LE(sink.largestAppend, DownloadPlan::kChunkSize);
            // Nothing of this block trips the next one.
            port.blockPoints = 11;
            sink.bytes.clear();
            ASSERT_EQ(receiver.ReceiveBlock(11), kDownloadOk);
            EXPECT_TRUE(sink.bytes == PatternBytes(1, 0, 11));
            EXPECT_EQ(port.Commands(), (std::vector<std::string>{"WAV:SEND?", "WAV:SEND?"}));
        }
    }
}

}  // namespace
}  // namespace kivelo::test
