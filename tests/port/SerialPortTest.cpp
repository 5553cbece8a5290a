// The serial port over a pseudo-terminal: the port opens the slave by its
// path, the test plays the instrument on the master side.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "GpibFixture.h"
#include "port/CSerialPort.h"

using namespace kivelo;

namespace {

class PtyPair {
public:
    PtyPair() {
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master_, &slave_, nullptr, &raw, nullptr) == 0 && ttyname(slave_) != nullptr)
            path_ = ttyname(slave_);
    }
    ~PtyPair() {
        close(master_);
        close(slave_);
    }
    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    termios Line() const {
        termios t{};
        tcgetattr(slave_, &t);
        return t;
    }
    void Send(const std::string& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Up to n bytes that arrive within a generous bound.
    std::string Receive(std::size_t n) {
        std::string got;
        char buffer[4096];
        for (pollfd p{master_, POLLIN, 0}; got.size() < n && poll(&p, 1, 3000) > 0;) {
            const ssize_t r = read(master_, buffer, std::min(sizeof buffer, n - got.size()));
            if (r <= 0) break;
            got.append(buffer, static_cast<std::size_t>(r));
        }
        return got;
    }
    // True when the port's side has input waiting (nothing consumed).
    bool SlaveHasInput(int waitMs) const {
        pollfd p{slave_, POLLIN, 0};
        return poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN) != 0;
    }

private:
    int master_ = -1, slave_ = -1;
    std::string path_;
};

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.Ok());
        ASSERT_EQ(Reopen(kSerialWordCom1), 0);
    }
    int Reopen(uint32_t word) { return port_.OpenDevice(pty_.Path(), static_cast<int>(word)); }

    // One Read; the text read, or "<fail>" plus what arrived.
    std::string ReadText(std::size_t max = 64) {
        std::vector<uint8_t> buffer(max + 1, 0xEE);
        std::size_t count = 99;
        const int result = port_.Read(buffer, count);
        EXPECT_LE(count, max);
        EXPECT_EQ(buffer[count], 0);
        const std::string text(reinterpret_cast<char*>(buffer.data()), count);
        return result == 0 ? text : "<fail>" + text;
    }

    PtyPair pty_;
    CSerialPort port_;
};

}  // namespace

TEST_F(SerialPortTest, LineSettingsReachTheDevice) {
    termios t = pty_.Line();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8 | CRTSCTS));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);

    // 2 stop bits, 2400 baud, XON/XOFF. (A pseudo-terminal always reports 8
    // data bits without parity; those are left to the decoding tests.)
    ASSERT_EQ(port_.SetCommParameters(1, 1, 3, 2, 5, 2), 0);
    t = pty_.Line();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B2400));
    EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), static_cast<tcflag_t>(CSTOPB));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(port_.SetCommParameters(1, 0, 0, 0, 12, 0), 1);

    // Rates termios has no constant for still open.
    for (uint32_t baudField : {8u, 11u})
        EXPECT_EQ(Reopen((kSerialWordCom1 & ~0x3C000u) | baudField << 14), 0) << baudField;
}

TEST_F(SerialPortTest, WritesAppendTheModesTerminatorAndKeepNulBytes) {
    const std::pair<int, std::string> cases[] = {{2, "STOP\n"}, {0, "STOP\r\n"}, {1, "STOP\r"}, {3, "STOP\n"}};
    for (const auto& [mode, expected] : cases) {
        ASSERT_EQ(port_.SetTerminator(mode, 1), 0);
        ASSERT_EQ(port_.WriteString("STOP"), 0);
        EXPECT_EQ(pty_.Receive(expected.size()), expected) << mode;
    }
    // With a character delay the bytes still all arrive, NUL included.
    ASSERT_EQ(Reopen(kSerialWordCom1 | 1u << 18), 0);
    const std::string withNul("A\0B", 3);
    ASSERT_EQ(port_.WriteBytes(Bytes(withNul)), 0);
    EXPECT_EQ(pty_.Receive(4), withNul + "\n");
}

TEST_F(SerialPortTest, ReadsStopAtTheModesTerminatorTheBufferOrTheTimeout) {
    pty_.Send("ABC\nDEF\n");
    EXPECT_EQ(ReadText(), "ABC\n");
    EXPECT_EQ(ReadText(), "DEF\n");
    pty_.Send("ABCDEFG\n");
    EXPECT_EQ(ReadText(3), "ABC");
    EXPECT_EQ(ReadText(3), "DEF");
    EXPECT_EQ(ReadText(3), "G\n");
    std::size_t count = 5;
    EXPECT_EQ(port_.Read({}, count), 1);
    EXPECT_EQ(count, 0u);

    port_.SetTerminator(1, 1);
    pty_.Send("12\r34\r");
    EXPECT_EQ(ReadText(), "12\r");
    EXPECT_EQ(ReadText(), "34\r");

    // Binary mode ends at LF too; NUL bytes are data.
    port_.SetTerminator(3, 1);
    pty_.Send(std::string("\x01\x0A\x02\x00\x0A", 5));
    EXPECT_EQ(ReadText(), std::string("\x01\x0A", 2));
    EXPECT_EQ(ReadText(), std::string("\x02\x00\x0A", 3));

    port_.SetTerminator(0, 1);
    pty_.Send("A\rB\nC\r\nD");
    EXPECT_EQ(ReadText(), "A\rB\nC\r\n");
    port_.SetCommTimeouts(30, 30);
    EXPECT_EQ(ReadText(), "<fail>D");  // no terminator before the time-out
}

TEST_F(SerialPortTest, Timeouts) {
    EXPECT_EQ(port_.ReadTimeoutMs(), 5000);
    EXPECT_EQ(port_.WriteTimeoutMs(), 2000);
    // A set time-out belongs to the port it was set on.
    EXPECT_EQ(port_.SetTimeout(1234), 0);
    EXPECT_EQ(port_.WriteTimeoutMs(), 1234);
    ASSERT_EQ(Reopen(kSerialWordCom2), 0);
    EXPECT_EQ(port_.ReadTimeoutMs(), 5000);
    ASSERT_EQ(Reopen(kSerialWordCom1), 0);
    EXPECT_EQ(port_.ReadTimeoutMs(), 1234);

    // Far more than a pseudo-terminal buffers while nobody reads the far end.
    port_.SetCommTimeouts(30, 30);
    EXPECT_EQ(port_.WriteBytes(Bytes(std::string(1 << 20, 'x'))), 1);
}

TEST_F(SerialPortTest, CloseAndOpenDiscardPendingInput) {
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
    ASSERT_EQ(Reopen(kSerialWordCom1), 0);
    pty_.Send("NEW\n");
    EXPECT_EQ(ReadText(), "NEW\n");
}

// Short sessions in a row (one remote command each): a session's command
// must still reach an instrument that reads it only after the next open.
// The loss was a race, so the pair is tried many times.
TEST_F(SerialPortTest, CommandOfAClosedSessionSurvivesTheNextOpen) {
    const std::string first = "FILE:SAVE:SETUP:NAME \"TEST1\"";
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(port_.WriteString(first), 0);
        ASSERT_EQ(port_.Close(), 0);
        ASSERT_EQ(Reopen(kSerialWordCom1), 0);
        ASSERT_EQ(port_.WriteString("START"), 0);
        ASSERT_EQ(pty_.Receive(first.size() + 7), first + "\nSTART\n") << "attempt " << i;
        ASSERT_EQ(port_.Close(), 0);
        ASSERT_EQ(Reopen(kSerialWordCom1), 0);
    }
}

TEST_F(SerialPortTest, CancelFlagEndsABlockingRead) {
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
    for (int i = 0; i < 500 && pty_.SlaveHasInput(0); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    cancel = true;
    reader.join();
    EXPECT_EQ(result, "<fail>PART");
}

TEST(SerialPortOpen, ComNamesFollowTheOptionsAndAZeroPortFieldKeepsThePort) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    PortOptions options;
    options.serialDevices = {pty.Path(), "/nonexistent/kivelo-tty"};
    CSerialPort port(options);
    EXPECT_EQ(port.Open(static_cast<int>(kSerialWordCom1 & ~3u)), 0);  // COM1 at start
    EXPECT_EQ(port.Open(static_cast<int>(kSerialWordCom2)), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Open(static_cast<int>(kSerialWordCom1 & ~3u)), 1);  // still COM2
    EXPECT_EQ(port.Open(static_cast<int>(kSerialWordCom1)), 0);
    EXPECT_EQ(port.Open(0x7FFFFFFF), 1);  // baud field out of range
    EXPECT_FALSE(port.IsOpen());

    EXPECT_EQ(port.DevicePath(0), pty.Path());
    EXPECT_EQ(CSerialPort().DevicePath(0), "/dev/ttyS0");
    EXPECT_EQ(port.OpenDevice("/dev/null", static_cast<int>(kSerialWordCom1)), 1);  // no terminal
    std::string text;
    EXPECT_EQ(port.FormatError(1, "ctx", text), 1);
    EXPECT_EQ(text, ">>Error! ; ctx\n");
}
