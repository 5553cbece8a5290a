#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "BlockHeader.h"
#include "BlockReceiver.h"
#include "BlockSink.h"
#include "DownloadPlan.h"
#include "DownloadResult.h"
#include "FakeInstrument.h"

namespace kivelo::test {
namespace {

class MemorySink : public BlockSink {
public:
    std::vector<uint8_t> bytes;
    size_t largestAppend = 0;
    bool fail = false;

    bool Append(std::span<const uint8_t> data) override
    {
        largestAppend = std::max(largestAppend, data.size());
        bytes.insert(bytes.end(), data.begin(), data.end());
        return !fail;
    }
    bool AppendZeros(int64_t count) override
    {
        bytes.insert(bytes.end(), static_cast<size_t>(count), 0);
        return !fail;
    }
};

std::vector<uint8_t> Expected(int channel, int64_t record, int64_t points)
{
    std::vector<uint8_t> out;
    for (int64_t i = 0; i < points; ++i) {
        const uint16_t v = FakeInstrument::Sample(channel, record, i);
        out.push_back(static_cast<uint8_t>(v >> 8));
        out.push_back(static_cast<uint8_t>(v & 0xFF));
    }
    return out;
}

std::span<const uint8_t> Bytes(const char* text)
{
    return {reinterpret_cast<const uint8_t*>(text), std::char_traits<char>::length(text)};
}

TEST(BlockHeader, AcceptsOnlyHashAndNonZeroDigit)
{
    int digits = 0;
    EXPECT_TRUE(BlockHeader::ParseLead(Bytes("#8"), digits));
    EXPECT_EQ(digits, 8);
    EXPECT_TRUE(BlockHeader::ParseLead(Bytes("#1"), digits));
    EXPECT_EQ(digits, 1);
    EXPECT_FALSE(BlockHeader::ParseLead(Bytes("#0"), digits));  // indefinite length
    EXPECT_FALSE(BlockHeader::ParseLead(Bytes("#X"), digits));
    EXPECT_FALSE(BlockHeader::ParseLead(Bytes("$8"), digits));
    EXPECT_FALSE(BlockHeader::ParseLead(Bytes("#"), digits));
    EXPECT_FALSE(BlockHeader::ParseLead(Bytes(""), digits));
    EXPECT_FALSE(BlockHeader::ParseLead(Bytes("\n#"), digits));
}

TEST(BlockHeader, CountMustBeAllDigits)
{
    int64_t count = -1;
    EXPECT_TRUE(BlockHeader::ParseCount(Bytes("00001000"), count));
    EXPECT_EQ(count, 1000);
    EXPECT_TRUE(BlockHeader::ParseCount(Bytes("0"), count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(BlockHeader::ParseCount(Bytes("999999999"), count));
    EXPECT_EQ(count, 999999999);
    EXPECT_FALSE(BlockHeader::ParseCount(Bytes("12a4"), count));
    EXPECT_FALSE(BlockHeader::ParseCount(Bytes("-12"), count));
    EXPECT_FALSE(BlockHeader::ParseCount(Bytes(" 12"), count));
    EXPECT_FALSE(BlockHeader::ParseCount(Bytes(""), count));
    EXPECT_FALSE(BlockHeader::ParseCount(Bytes("1234567890"), count));
}

class BlockReceiverTest : public ::testing::TestWithParam<BlockFraming> {
protected:
    BlockReceiverTest() : port(GetParam()), receiver(port, GetParam(), plan.chunk, sink, &cancel)
    {
        port.Open(GetParam() == BlockFraming::kEndByEoi ? 1 : 0x25059);
    }

    int Receive(int64_t points, int64_t served)
    {
        port.blockPoints = served;
        return receiver.ReceiveBlock(points);
    }

    DownloadPlan plan;
    FakeInstrument port;
    MemorySink sink;
    std::atomic<bool> cancel{false};
    BlockReceiver receiver;
};

TEST_P(BlockReceiverTest, StoresTheBlockAsSentAndRestoresLineMode)
{
    ASSERT_EQ(Receive(1000, 1000), kDownloadOk);
    EXPECT_EQ(sink.bytes, Expected(1, 0, 1000));
    EXPECT_EQ(port.commands, std::vector<std::string>{"WAV:SEND?"});
    EXPECT_EQ(port.TerminatorMode(), kTermLf);
}

// Line feeds inside the data end every serial read early, and a block whose
// last data byte is a line feed still has its terminator waiting: the next
// block must not trip over it.
TEST_P(BlockReceiverTest, LineFeedsInDataAndAtTheEndOfTheBlock)
{
    ASSERT_EQ(Receive(4, 4), kDownloadOk);  // sample 3 is 0x0A0A: the block ends in LF
    ASSERT_EQ(Receive(11, 11), kDownloadOk);
    std::vector<uint8_t> expected = Expected(1, 0, 4);
    const std::vector<uint8_t> second = Expected(1, 0, 11);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(sink.bytes, expected);
}

TEST_P(BlockReceiverTest, BlocksLargerThanTheChunkArriveInPieces)
{
    sink.bytes.reserve(600000);
    ASSERT_EQ(Receive(300000, 300000), kDownloadOk);
    EXPECT_EQ(sink.bytes, Expected(1, 0, 300000));
    EXPECT_LE(sink.largestAppend, DownloadPlan::kChunkSize);
}

TEST_P(BlockReceiverTest, SurplusBeyondTheRecordIsDropped)
{
    ASSERT_EQ(Receive(100, 150), kDownloadOk);
    EXPECT_EQ(sink.bytes, Expected(1, 0, 100));
}

TEST_P(BlockReceiverTest, ShortRecordIsPaddedWithZeros)
{
    ASSERT_EQ(Receive(100, 60), kDownloadOk);
    std::vector<uint8_t> expected = Expected(1, 0, 60);
    expected.resize(200, 0);
    EXPECT_EQ(sink.bytes, expected);
}

TEST_P(BlockReceiverTest, EmptyBlockGivesZeros)
{
    ASSERT_EQ(Receive(20, 0), kDownloadOk);  // "#10"
    EXPECT_EQ(sink.bytes, std::vector<uint8_t>(40, 0));
}

TEST_P(BlockReceiverTest, ProgressCountsEveryStoredByte)
{
    int64_t total = 0;
    receiver.SetProgress([&](int64_t bytes) { total += bytes; });
    ASSERT_EQ(Receive(200000, 150000), kDownloadOk);
    EXPECT_EQ(total, 400000);
}

TEST_P(BlockReceiverTest, MalformedBlocksFail)
{
    for (BlockFault fault : {BlockFault::kGarbledHeader, BlockFault::kBadDigits,
                             BlockFault::kShortBlock, BlockFault::kLongBlock,
                             BlockFault::kStopMidBlock}) {
        SCOPED_TRACE(static_cast<int>(fault));
        port.fault = fault;
        port.faultBlock = -1;
        EXPECT_EQ(Receive(500, 500), kDownloadPortError);
        EXPECT_EQ(port.TerminatorMode(), kTermLf);
        port.Close();
        port.Open(port.Address());
    }
}

TEST_P(BlockReceiverTest, NoAnswerAtAll)
{
    port.failWriteText = "WAV:SEND?";
    EXPECT_EQ(Receive(10, 10), kDownloadPortError);
    EXPECT_TRUE(sink.bytes.empty());
}

TEST_P(BlockReceiverTest, CancelStopsTheTransfer)
{
    cancel = true;
    EXPECT_EQ(Receive(10, 10), kDownloadInterrupted);
    EXPECT_EQ(port.TerminatorMode(), kTermLf);
}

TEST_P(BlockReceiverTest, SinkFailureIsAFileError)
{
    sink.fail = true;
    EXPECT_EQ(Receive(10, 10), kDownloadFileError);
}

INSTANTIATE_TEST_SUITE_P(Framing, BlockReceiverTest,
                         ::testing::Values(BlockFraming::kEndByEoi, BlockFraming::kEndByLineFeed),
                         [](const auto& info) {
                             return info.param == BlockFraming::kEndByEoi ? "Gpib" : "Serial";
                         });

// A GPIB instrument and a receiver that keeps what arrives in memory.
struct GpibRig {
    DownloadPlan plan;
    FakeInstrument port{BlockFraming::kEndByEoi};
    MemorySink sink;
    BlockReceiver receiver{port, BlockFraming::kEndByEoi, plan.chunk, sink, nullptr};
    GpibRig() { port.Open(1); }
};

// A GPIB instrument may end the message with EOI on the last data byte
// instead of sending LF after it.
TEST(BlockReceiverGpib, BlockWithoutTerminator)
{
    GpibRig rig;
    rig.port.fault = BlockFault::kNoTerminator;
    rig.port.blockPoints = 4;
    ASSERT_EQ(rig.receiver.ReceiveBlock(4), kDownloadOk);
    EXPECT_EQ(rig.sink.bytes, Expected(1, 0, 4));
    rig.port.blockPoints = 0;
    ASSERT_EQ(rig.receiver.ReceiveBlock(3), kDownloadOk);  // "#10" with EOI on the '0'
}

// The end bit only confirms that complete data is followed by nothing: a GPIB
// instrument that reports it on every read, or on none, still delivers whole
// blocks, with or without a line end after the data.
TEST(BlockReceiverGpib, EndBitReportedAlwaysOrNever)
{
    for (auto report : {FakeInstrument::EndReport::kAlways, FakeInstrument::EndReport::kNever}) {
        for (BlockFault fault : {BlockFault::kNone, BlockFault::kNoTerminator}) {
            SCOPED_TRACE(static_cast<int>(report) * 10 + static_cast<int>(fault));
            GpibRig rig;
            rig.port.endReport = report;
            rig.port.fault = fault;
            rig.port.blockPoints = 150000;  // more than one chunk
            ASSERT_EQ(rig.receiver.ReceiveBlock(150000), kDownloadOk);
            EXPECT_EQ(rig.sink.bytes, Expected(1, 0, 150000));
            EXPECT_EQ(rig.port.TerminatorMode(), kTermLf);
        }
    }
}

// A block that stops short still fails when the end bit cannot be trusted.
TEST(BlockReceiverGpib, ShortBlockFailsWhateverTheEndBit)
{
    for (auto report : {FakeInstrument::EndReport::kAlways, FakeInstrument::EndReport::kNever}) {
        GpibRig rig;
        rig.port.endReport = report;
        rig.port.fault = BlockFault::kShortBlock;
        rig.port.faultBlock = -1;
        rig.port.blockPoints = 500;
        EXPECT_EQ(rig.receiver.ReceiveBlock(500), kDownloadPortError);
    }
}

}  // namespace
}  // namespace kivelo::test
