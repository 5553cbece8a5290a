#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "CSerialPort.h"
#include "GpibFixture.h"
#include "PtyPair.h"

using namespace kivelo;

namespace {

std::span<const uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty_.Ok());
        ASSERT_EQ(port_.OpenDevice(pty_.SlavePath(), static_cast<int>(kSerialWordCom1)), 0);
    }

    // One Read; the text read, or "<fail>" plus what arrived.
    std::string ReadText(std::size_t max = 64)
    {
        std::vector<uint8_t> buffer(max + 1, 0xEE);
        std::size_t count = 99;
        const int result = port_.Read(buffer, count);
        EXPECT_LE(count, max);
        EXPECT_EQ(buffer[count], 0);
        const std::string text(reinterpret_cast<char*>(buffer.data()), count);
        return result == 0 ? text : "<fail>" + text;
    }

    termios Line() const
    {
        termios t{};
        tcgetattr(pty_.SlaveFd(), &t);
        return t;
    }

    PtyPair pty_;
    CSerialPort port_;
};

}  // namespace

TEST_F(SerialPortTest, SetupWordGivesRaw19200EightNoneOneWithCts)
{
    const termios t = Line();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(port_.Address(), static_cast<int>(kSerialWordCom1));
    EXPECT_EQ(port_.ReadTimeoutMs(), 5000);
    EXPECT_EQ(port_.WriteTimeoutMs(), 2000);
}

TEST_F(SerialPortTest, LineParametersReachTheDevice)
{
    // 2 stop bits, 2400 baud, XON/XOFF. (A pseudo-terminal always reports
    // 8 data bits without parity, so those are checked by the decoding tests.)
    ASSERT_EQ(port_.SetCommParameters(1, 1, 3, 2, 5, 2), 0);
    termios t = Line();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B2400));
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(port_.SetCommParameters(1, 0, 0, 0, 12, 0), 1);

    // Rates termios has no constant for still open.
    for (uint32_t baudField : {8u, 11u}) {
        const uint32_t word = (kSerialWordCom1 & ~0x3C000u) | baudField << 14;
        ASSERT_EQ(port_.OpenDevice(pty_.SlavePath(), static_cast<int>(word)), 0) << baudField;
    }
    EXPECT_EQ(port_.Settings().Baud(), 56000);
}

TEST_F(SerialPortTest, WritesAppendTheModesTerminator)
{
    const std::pair<int, std::string> cases[] = {
        {2, "STOP\n"}, {0, "STOP\r\n"}, {1, "STOP\r"}, {3, "STOP\n"}};
    for (const auto& [mode, expected] : cases) {
        ASSERT_EQ(port_.SetTerminator(mode, 1), 0);
        ASSERT_EQ(port_.WriteString("STOP"), 0);
        EXPECT_EQ(pty_.Receive(expected.size()), expected) << mode;
    }
    ASSERT_EQ(port_.SetTerminator(2, 1), 0);
    const std::string withNul("A\0B", 3);
    ASSERT_EQ(port_.WriteBytes(Bytes(withNul)), 0);
    EXPECT_EQ(pty_.Receive(4), withNul + "\n");
}

TEST_F(SerialPortTest, ReadsStopAtTheModesTerminator)
{
    pty_.Send("ABC\nDEF\n");
    EXPECT_EQ(ReadText(), "ABC\n");
    EXPECT_EQ(ReadText(), "DEF\n");

    port_.SetTerminator(1, 1);
    pty_.Send("12\r34\r");
    EXPECT_EQ(ReadText(), "12\r");
    EXPECT_EQ(ReadText(), "34\r");

    port_.SetTerminator(0, 1);
    pty_.Send("A\rB\nC\r\nD");
    EXPECT_EQ(ReadText(), "A\rB\nC\r\n");

    port_.SetCommTimeouts(30, 30);
    EXPECT_EQ(ReadText(), "<fail>D");  // no terminator before the time-out
}

TEST_F(SerialPortTest, BinaryReadsComeBackInPiecesEndingAtLf)
{
    port_.SetTerminator(3, 1);
    const std::string block("\x01\x0A\x02\x00\x0A", 5);
    pty_.Send(block);
    EXPECT_EQ(ReadText(), std::string("\x01\x0A", 2));
    EXPECT_EQ(ReadText(), std::string("\x02\x00\x0A", 3));
}

TEST_F(SerialPortTest, ReadStopsAtTheBufferLimit)
{
    pty_.Send("ABCDEFG\n");
    EXPECT_EQ(ReadText(3), "ABC");
    EXPECT_EQ(ReadText(3), "DEF");
    EXPECT_EQ(ReadText(3), "G\n");
    std::size_t count = 5;
    EXPECT_EQ(port_.Read({}, count), 1);
    EXPECT_EQ(count, 0u);
}

TEST_F(SerialPortTest, WriteTimesOutWhenTheInstrumentStopsReading)
{
    port_.SetCommTimeouts(30, 30);
    // Far more than a pseudo-terminal buffers while nobody reads the far end.
    const std::string flood(1 << 20, 'x');
    EXPECT_EQ(port_.WriteBytes(Bytes(flood)), 1);
}

TEST_F(SerialPortTest, TimeoutsBelongToTheCurrentPort)
{
    EXPECT_EQ(port_.SetTimeout(1234), 0);
    EXPECT_EQ(port_.TimeoutMs(), 1234);
    EXPECT_EQ(port_.ReadTimeoutMs(), 1234);
    EXPECT_EQ(port_.WriteTimeoutMs(), 1234);
    ASSERT_EQ(port_.OpenDevice(pty_.SlavePath(), static_cast<int>(kSerialWordCom2)), 0);
    EXPECT_EQ(port_.ReadTimeoutMs(), 5000);
    EXPECT_EQ(port_.WriteTimeoutMs(), 2000);
    ASSERT_EQ(port_.OpenDevice(pty_.SlavePath(), static_cast<int>(kSerialWordCom1)), 0);
    EXPECT_EQ(port_.ReadTimeoutMs(), 1234);
}

TEST_F(SerialPortTest, CloseAndOpenDiscardWhatIsPending)
{
    pty_.Send("OLD\n");
    ASSERT_TRUE(pty_.SlaveHasInput(3000));
    EXPECT_EQ(port_.Close(), 0);
    EXPECT_FALSE(pty_.SlaveHasInput(0));
    EXPECT_EQ(port_.Close(), 1);  // not open any more

    std::size_t count = 0;
    uint8_t buffer[8];
    EXPECT_EQ(port_.Read(buffer, count), 1);
    EXPECT_EQ(port_.WriteString("X"), 1);

    pty_.Send("STALE\n");
    ASSERT_TRUE(pty_.SlaveHasInput(3000));
    ASSERT_EQ(port_.OpenDevice(pty_.SlavePath(), static_cast<int>(kSerialWordCom1)), 0);
    pty_.Send("NEW\n");
    EXPECT_EQ(ReadText(), "NEW\n");
}

// Short sessions in a row (one remote command each): a session's command
// must still reach an instrument that reads it only after the next open.
// The loss was a race, so the pair is tried many times.
TEST_F(SerialPortTest, CommandOfAClosedSessionSurvivesTheNextOpen)
{
    const std::string first = "FILE:SAVE:SETUP:NAME \"TEST1\"";
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(port_.WriteString(first), 0);
        ASSERT_EQ(port_.Close(), 0);
        ASSERT_EQ(port_.OpenDevice(pty_.SlavePath(), static_cast<int>(kSerialWordCom1)), 0);
        ASSERT_EQ(port_.WriteString("START"), 0);
        ASSERT_EQ(pty_.Receive(first.size() + 7), first + "\nSTART\n") << "attempt " << i;
        ASSERT_EQ(port_.Close(), 0);
        ASSERT_EQ(port_.OpenDevice(pty_.SlavePath(), static_cast<int>(kSerialWordCom1)), 0);
    }
}

TEST_F(SerialPortTest, CancelFlagEndsABlockingRead)
{
    port_.SetCommTimeouts(0, 0);  // wait without limit
    std::atomic<bool> cancel{true};
    port_.SetCancelFlag(&cancel);
    EXPECT_EQ(ReadText(), "<fail>");

    // Cancel while a read waits for the rest of a line it has begun.
    cancel = false;
    pty_.Send("PART");
    ASSERT_TRUE(pty_.SlaveHasInput(3000));
    std::string result;
    std::thread reader([&] { result = ReadText(); });
    for (int i = 0; i < 500 && pty_.SlaveHasInput(0); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    cancel = true;
    reader.join();
    EXPECT_EQ(result, "<fail>PART");

    port_.SetCancelFlag(nullptr);
    port_.SetCommTimeouts(5000, 2000);
    pty_.Send("IAL\n");
    EXPECT_EQ(ReadText(), "IAL\n");
}

TEST_F(SerialPortTest, CharacterDelayKeepsTheData)
{
    ASSERT_EQ(port_.OpenDevice(pty_.SlavePath(), static_cast<int>(kSerialWordCom1 | 1u << 18)), 0);
    EXPECT_EQ(port_.Settings().charDelayMs, 1);
    ASSERT_EQ(port_.WriteString("*IDN?"), 0);
    EXPECT_EQ(pty_.Receive(6), "*IDN?\n");
}

TEST_F(SerialPortTest, ErrorTextAndBaseAnswers)
{
    std::string text = "untouched";
    EXPECT_EQ(port_.FormatError(0, "ctx", text), 0);
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(port_.FormatError(1, "ctx", text), 1);
    EXPECT_EQ(text, ">>Error! ; ctx\n");
    EXPECT_EQ(port_.InterfaceClear(1), 0);
    EXPECT_EQ(port_.DeviceClear(), 0);
    EXPECT_EQ(port_.PrepareRead(), 0);
    EXPECT_EQ(port_.IsMoreData(), 0);
}

TEST(SerialPortOpen, ComNamesFollowTheEnvironmentAndAZeroPortFieldKeepsThePort)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    ScopedEnv com1("KIVELO_COM1", pty.SlavePath().c_str());
    ScopedEnv com2("KIVELO_COM2", "/nonexistent/kivelo-tty");
    CSerialPort port;
    EXPECT_EQ(port.Open(static_cast<int>(kSerialWordCom1 & ~3u)), 0);  // COM1 at start
    EXPECT_EQ(port.Settings().portIndex, 0);
    EXPECT_EQ(port.Open(static_cast<int>(kSerialWordCom2)), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Open(static_cast<int>(kSerialWordCom1 & ~3u)), 1);  // still COM2
    EXPECT_EQ(port.Open(static_cast<int>(kSerialWordCom1)), 0);
    EXPECT_EQ(port.Open(0x7FFFFFFF), 1);  // baud field out of range
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortOpen, DefaultDevicesAndNonTerminals)
{
    ScopedEnv com1("KIVELO_COM1", "");
    ScopedEnv com2("KIVELO_COM2", "");
    EXPECT_EQ(CSerialPort::DevicePath(0), "/dev/ttyS0");
    EXPECT_EQ(CSerialPort::DevicePath(1), "/dev/ttyS1");
    CSerialPort port;
    EXPECT_EQ(port.OpenDevice("/dev/null", static_cast<int>(kSerialWordCom1)), 1);
    EXPECT_EQ(port.Close(), 1);
}
