#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "CGpibDevicePort.h"
#include "CGpibPort.h"
#include "GpibFixture.h"

using namespace kivelo;
using Calls = std::vector<std::string>;

namespace {

std::span<const uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

template <class Port>
class OpenedPort : public FakeGpibTest {
protected:
    void SetUp() override
    {
        FakeGpibTest::SetUp();
        ASSERT_EQ(port_.Open(5), 0);
        TakeCalls();
    }
    Port port_{library_};
};

using GpibPortTest = OpenedPort<CGpibPort>;
using GpibDevicePortTest = OpenedPort<CGpibDevicePort>;

}  // namespace

TEST_F(FakeGpibTest, OpenFindsTheBoardThenTheDevice)
{
    CGpibPort port(library_);
    EXPECT_EQ(port.OpenBoard(2, 9), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"ibfind GPIB2", "ibdev 2 9 0 13 1 3082"}));
    EXPECT_EQ(port.BoardHandle(), 3);
    EXPECT_EQ(port.DeviceHandle(), 7);
    EXPECT_EQ(port.Address(), 9);

    fake_->boardDescriptor = -1;
    EXPECT_EQ(port.Open(9), 1);
    EXPECT_EQ(TakeCalls(), (Calls{"ibfind GPIB2"}));

    fake_->boardDescriptor = 3;
    fake_->nextError = 2;
    fake_->calls.clear();
    // ibfind now fails through the error path: -1 from the fake.
    EXPECT_EQ(port.Open(9), 1);
}

TEST_F(FakeGpibTest, OpenRefusesABoardThatCannotExist)
{
    CGpibDevicePort port(library_);
    EXPECT_EQ(port.OpenBoard(4, 1), 1);
    EXPECT_EQ(port.OpenBoard(-1, 1), 1);
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(GpibPortTest, ModeZeroIsRefusedWithoutTouchingTheBus)
{
    EXPECT_EQ(port_.SetTerminator(0, 1), 1);
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_EQ(port_.TerminatorMode(), 0);
}

TEST_F(GpibPortTest, TerminatorSetsEndOfStringAndEoiOnBothHandles)
{
    EXPECT_EQ(port_.SetTerminator(1, 1), 0);
    EXPECT_EQ(TakeCalls(),
              (Calls{"ibeos 3 3085 0", "ibeos 7 3085 0", "ibeot 3 1 0", "ibeot 7 1 0"}));
    EXPECT_EQ(port_.SetTerminator(3, 0), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"ibeos 3 0 0", "ibeos 7 0 0", "ibeot 3 0 0", "ibeot 7 0 0"}));
    EXPECT_EQ(port_.EosWord(), 0);
    EXPECT_EQ(port_.EotFlag(), 0);

    // A failing ibeos on either handle stops before the EOI settings, also
    // when the board's call fails and the device's succeeds after it.
    for (int delay : {0, 1}) {
        fake_->nextError = 4;
        fake_->errorDelay = delay;
        EXPECT_EQ(port_.SetTerminator(2, 1), 1) << delay;
        EXPECT_EQ(TakeCalls(), (Calls{"ibeos 3 3082 0", "ibeos 7 3082 0"}));
    }
    fake_->nextError = 4;
    EXPECT_EQ(port_.SetTimeout(100), 1);
}

TEST_F(GpibPortTest, TimeoutTable)
{
    const std::pair<int, int> cases[] = {{INT_MIN, 0},  {-5, 0},       {0, 0},       {1, 5},
                                         {2, 6},        {3, 6},        {10, 7},      {31, 9},
                                         {1000, 11},    {2000, 12},    {3000, 12},   {3001, 13},
                                         {10000, 13},   {30000, 14},   {100000, 15}, {300000, 16},
                                         {1000000, 17}, {1000001, 17}, {INT_MAX, 17}};
    for (const auto& [ms, code] : cases) {
        EXPECT_EQ(CGpibPortBase::TimeoutCode(ms), code) << ms;
    }
    EXPECT_EQ(port_.SetTimeout(2000), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"ibtmo 3 12 0", "ibtmo 7 12 0"}));
    EXPECT_EQ(port_.TimeoutMs(), 2000);
}

TEST_F(GpibPortTest, ReadAddsNulAfterTheBytesAndUsesTheModesTermination)
{
    fake_->pendingRead = "1.25E+0\n";
    std::vector<uint8_t> buffer(33, 0xEE);
    std::size_t count = 0;
    EXPECT_EQ(port_.Read(buffer, count), 0);
    EXPECT_EQ(count, 8u);
    EXPECT_EQ(buffer[8], 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data())), "1.25E+0\n");
    EXPECT_EQ(TakeCalls(), (Calls{"Receive 0 5 32 10"}));  // LF ends the read

    ASSERT_EQ(port_.SetTerminator(3, 1), 0);
    TakeCalls();
    fake_->pendingRead = "#14ABCD";
    EXPECT_EQ(port_.ReadResponse(std::span(buffer).first(3), count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(buffer[2], 0);
    EXPECT_EQ(TakeCalls(), (Calls{"RcvRespMsg 0 2 256"}));  // EOI only
}

TEST_F(GpibPortTest, ReadEndingInTimeoutFailsEvenWithBytes)
{
    fake_->pendingRead = "PARTIAL";
    fake_->readStatus = 0xC100;
    uint8_t buffer[32];
    std::size_t count = 0;
    EXPECT_EQ(port_.Read(buffer, count), 1);
    EXPECT_EQ(count, 7u);
    std::string text;
    EXPECT_EQ(port_.FormatError(1, "READ", text), 1);
    EXPECT_EQ(text, ">>System error! ; READ\n");
}

TEST_F(GpibPortTest, ALibraryOverstatingItsCountCannotOverrunTheBuffer)
{
    fake_->pendingRead = "ABCDEFGH";
    fake_->overrideCount = true;
    fake_->reportedCount = 100000;
    std::vector<uint8_t> buffer(5);
    std::size_t count = 0;
    EXPECT_EQ(port_.Read(buffer, count), 0);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(buffer[4], 0);

    fake_->reportedCount = -3;
    EXPECT_EQ(port_.Read(buffer, count), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(buffer[0], 0);

    EXPECT_EQ(port_.Read({}, count), 1);  // no room even for the NUL
}

TEST_F(GpibPortTest, WritesSendExactlyTheDataWithTheModesEndMode)
{
    EXPECT_EQ(port_.WriteString("*IDN?"), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"Send 0 5 5 1"}));  // mode 2: library adds LF + EOI
    EXPECT_EQ(fake_->written, "*IDN?");

    ASSERT_EQ(port_.SetTerminator(3, 1), 0);
    TakeCalls();
    const std::string binary("A\0\nB", 4);
    EXPECT_EQ(port_.WriteBytes(Bytes(binary)), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"Send 0 5 4 2"}));  // EOI on the last byte
    EXPECT_EQ(fake_->written, binary);

    EXPECT_EQ(port_.WriteBytesEot(Bytes("XY"), 1), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"Send 0 5 2 1"}));
}

TEST_F(GpibPortTest, MultiDeviceRoutinesUseBoardAndAddress)
{
    EXPECT_EQ(port_.InterfaceClear(1), 0);
    EXPECT_EQ(port_.DeviceClear(), 0);
    EXPECT_EQ(port_.PrepareRead(), 0);
    EXPECT_EQ(port_.SendCommandBytes(Bytes("?_")), 0);
    EXPECT_EQ(port_.SetRemoteEnable(5), 0);
    EXPECT_EQ(port_.SetDma(1), 0);
    EXPECT_EQ(port_.SetEosChar('\r'), 0);
    EXPECT_EQ(port_.Close(), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"SendIFC 0 0 0", "DevClear 0 5 0", "ReceiveSetup 0 5 0",
                                  "SendCmds 0 2 0", "ibsre 3 0 0", "ibdma 3 1 0", "ibeos 3 3085 0",
                                  "ibeos 7 3085 0", "ibonl 7 0 0"}));
}

TEST_F(GpibPortTest, StatusByteAndMoreData)
{
    uint8_t statusByte = 0;
    EXPECT_EQ(port_.ReadStatusByte(statusByte), 0);
    EXPECT_EQ(statusByte, 0xC5);
    fake_->nextError = 0;
    EXPECT_EQ(port_.ReadStatusByte(statusByte), 1);
    EXPECT_EQ(statusByte, 0);

    uint8_t buffer[4];
    std::size_t count = 0;
    fake_->pendingRead = "ABCDEF";
    fake_->readStatus = 0x0100;  // stopped at the count, no END yet
    ASSERT_EQ(port_.ReadResponse(buffer, count), 0);
    EXPECT_EQ(port_.IsMoreData(), 1);
    fake_->readStatus = 0x2100;
    ASSERT_EQ(port_.ReadResponse(buffer, count), 0);
    EXPECT_EQ(port_.IsMoreData(), 0);
}

TEST_F(GpibPortTest, ErrorTexts)
{
    std::string text = "untouched";
    EXPECT_EQ(port_.FormatError(0, "X", text), 0);
    EXPECT_EQ(text, "untouched");

    const struct {
        int ibsta;
        int iberr;
        const char* text;
    } cases[] = {
        {0x4000, 0, ">>Timeout! ; ctx\n"},
        {0xC000, 2, ">>Write function detected no Listeners! ; ctx\n"},
        {0x8000, 3, ">>interface board not addressed correctly! ; ctx\n"},
        {0x8000, 10, ">>I/O operation started before previous operation completed! ; ctx\n"},
        {0x8000, 21, ">>Address or board is locked! ; ctx\n"},
        {0x8000, 9, ">>??? Error! ; ctx\n"},
        {0x8000, -1, ">>??? Error! ; ctx\n"},
    };
    for (const auto& c : cases) {
        GpibStatus status;
        status.ibsta = c.ibsta;
        status.iberr = c.iberr;
        EXPECT_EQ(CGpibPortBase::ErrorText(status, "ctx"), c.text) << c.iberr;
    }
}

TEST_F(GpibDevicePortTest, TextWritesCarryTheWholeDataAndTheTerminator)
{
    const std::string withNul("WAV\0X", 5);
    EXPECT_EQ(port_.WriteBytes(Bytes(withNul)), 0);
    EXPECT_EQ(fake_->written, withNul + "\n");
    EXPECT_EQ(TakeCalls(), (Calls{"ibwrt 7 6 0"}));

    port_.SetTerminator(0, 1);  // refused on the bus, but kept for writes
    EXPECT_EQ(port_.WriteString("STOP"), 0);
    EXPECT_EQ(fake_->written, "STOP\r\n");
    ASSERT_EQ(port_.SetTerminator(1, 1), 0);
    EXPECT_EQ(port_.WriteString("STOP"), 0);
    EXPECT_EQ(fake_->written, "STOP\r");
    ASSERT_EQ(port_.SetTerminator(3, 1), 0);
    EXPECT_EQ(port_.WriteBytes(Bytes(withNul)), 0);
    EXPECT_EQ(fake_->written, withNul);
}

TEST_F(GpibDevicePortTest, DeviceLevelRoutinesUseTheDescriptors)
{
    uint8_t buffer[10];
    std::size_t count = 0;
    fake_->pendingRead = "OK\n";
    EXPECT_EQ(port_.Read(buffer, count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(port_.PrepareRead(), 0);
    EXPECT_EQ(port_.ReadResponse(buffer, count), 0);
    uint8_t statusByte = 0;
    EXPECT_EQ(port_.ReadStatusByte(statusByte), 0);
    EXPECT_EQ(statusByte, 0xC5);
    EXPECT_EQ(port_.InterfaceClear(1), 0);
    EXPECT_EQ(port_.DeviceClear(), 0);
    EXPECT_EQ(port_.SendCommandBytes(Bytes("?")), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"ibrd 7 9 0", "ibrd 7 0 0", "ibrd 3 9 0", "ibrsp 7 0 0",
                                  "ibsic 3 0 0", "ibclr 7 0 0", "ibcmd 3 1 0"}));
}
