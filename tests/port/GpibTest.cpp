// The GPIB binding and both GPIB ports, against the fake library.
#include <climits>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "GpibFixture.h"
#include "common/TempDir.h"
#include "port/CGpibDevicePort.h"
#include "port/CGpibPort.h"
#include "port/PortTable.h"

using namespace kivelo;

namespace {

constexpr const char* kMissingLibrary = "/nonexistent/kivelo-no-such-gpib.so";

// Every operation fails the way a missing library fails: result 1, error bit, iberr 0.
void ExpectEveryOperationFails(CGpibPortBase& port, const GpibLibrary& library) {
    uint8_t buffer[8] = {};
    std::size_t count = 0;
    uint8_t statusByte = 0xFF;
    const uint8_t data[] = {'A'};
    // clang-format off
    const int results[] = {port.OpenBoard(0, 1), port.Open(1), port.InterfaceClear(1),
                           port.DeviceClear(), port.WriteBytes(data), port.WriteString("*IDN?"),
                           port.Read(buffer, count), port.PrepareRead(),
                           port.ReadResponse(buffer, count), port.SendCommandBytes(data),
                           port.SetRemoteEnable(1), port.SetTerminator(2, 1), port.SetEosChar('\n'),
                           port.SetTimeout(1000), port.SetDma(1), port.ReadStatusByte(statusByte),
                           // clang-format on
                           port.Close()};
    for (int result : results) EXPECT_EQ(result, 1);
    EXPECT_EQ(library.Status().ibsta, 0x8000);
    EXPECT_EQ(library.Status().iberr, 0);
    EXPECT_EQ(statusByte, 0);
    EXPECT_FALSE(library.IsLoaded());
}

}  // namespace

TEST(GpibLibraryLoad, MissingLibraryFailsEveryOperationAndIsLookedForAgain) {
    TempDir dir;
    const std::string path = dir.File("libgpib-late.so");
    GpibLibrary library(path);
    CGpibPort port(library);
    CGpibDevicePort devicePort(library);
    ExpectEveryOperationFails(port, library);
    ExpectEveryOperationFails(devicePort, library);
    EXPECT_EQ(library.ibdev(0, 1, 0, 13, 1, 0x0C0A), -1);
    EXPECT_EQ(library.ibfind("GPIB0"), -1);

    // The library appears: the very next call finds it.
    std::filesystem::create_symlink(FAKE_GPIB_PATH, path);
    EXPECT_EQ(port.Open(5), 0);
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_EQ(library.Status().ibsta & 0xC000, 0);
}

TEST(PortOptions, VariablesNameTheLibraryAndTheComDevices) {
    const std::map<std::string, const char*> set{
        {"KIVELO_GPIB_LIBRARY", "/opt/gpib/libgpib.so"}, {"KIVELO_COM1", "/dev/ttyUSB0"}, {"KIVELO_COM2", ""}};
    const PortOptions options = PortOptions::From([&](const char* name) {
        const auto it = set.find(name);
        return it == set.end() ? nullptr : it->second;
    });
    EXPECT_EQ(options.GpibLibraryPath(), "/opt/gpib/libgpib.so");
    EXPECT_EQ(options.SerialDevicePath(0), "/dev/ttyUSB0");
    EXPECT_EQ(options.SerialDevicePath(1), "/dev/ttyS1");  // empty counts as unset

    const PortOptions none = PortOptions::From([](const char*) { return nullptr; });
    EXPECT_EQ(none.GpibLibraryPath(), "libgpib.so.0");
    EXPECT_EQ(none.SerialDevicePath(0), "/dev/ttyS0");
    EXPECT_EQ(none.SerialDevicePath(5), "/dev/ttyS1");
}

TEST(GpibLibraryLoad, BrokenAndWindowsStyleLibraries) {
    // Without the count status word: refused as a whole.
    GpibLibrary noCount(FAKE_GPIB_NOCOUNT_PATH);
    EXPECT_EQ(CGpibPort(noCount).Open(1), 1);
    EXPECT_FALSE(noCount.IsLoaded());
    EXPECT_EQ(noCount.Status().ibsta, 0x8000);

    // Windows names (user_ibsta, ..., ibfindA) serve as well.
    GpibLibrary windows(FAKE_GPIB_WINDOWS_PATH);
    CGpibPort windowsPort(windows);
    ASSERT_EQ(windowsPort.Open(3), 0);
    EXPECT_EQ(windowsPort.WriteString("*IDN?"), 0);
    EXPECT_EQ(windows.Status().ibcntl, 5);

    // A missing entry point fails only that call, every time.
    GpibLibrary noDma(FAKE_GPIB_NODMA_PATH);
    CGpibPort noDmaPort(noDma);
    ASSERT_EQ(noDmaPort.Open(1), 0);
    EXPECT_EQ(noDmaPort.SetDma(1), 1);
    EXPECT_EQ(noDma.Status().iberr, 0);
    EXPECT_EQ(noDmaPort.SetDma(1), 1);
    EXPECT_EQ(noDmaPort.InterfaceClear(1), 0);
}

TEST_F(FakeGpibTest, StatusWordsAreCopiedAfterEachCall) {
    fake_->pendingRead = "12345";
    uint8_t buffer[16];
    EXPECT_EQ(library_.ibrd(7, buffer, 10), 0x2100);
    EXPECT_EQ(library_.Status().ibsta, 0x2100);
    EXPECT_EQ(library_.Status().ibcntl, 5);
    EXPECT_EQ(library_.Status().ibcnt, 5);

    fake_->nextError = 6;
    EXPECT_EQ(library_.ibwrt(7, "X", 1) & 0x8000, 0x8000);
    EXPECT_EQ(library_.Status().iberr, 6);
    EXPECT_EQ(library_.Status().ibcntl, 0);
}

TEST_F(FakeGpibTest, OpenFindsTheBoardThenTheDevice) {
    CGpibPort port(library_);
    EXPECT_EQ(port.OpenBoard(2, 9), 0);
    EXPECT_EQ(TakeCalls(), (Calls{"ibfind GPIB2", "ibdev 2 9 0 13 1 3082"}));

    fake_->boardDescriptor = -1;
    EXPECT_EQ(port.Open(9), 1);
    EXPECT_EQ(TakeCalls(), (Calls{"ibfind GPIB2"}));
    fake_->boardDescriptor = 3;
    fake_->nextError = 2;
    EXPECT_EQ(port.Open(9), 1);

    // Boards that cannot exist never reach the library.
    TakeCalls();
    EXPECT_EQ(port.OpenBoard(4, 1), 1);
    EXPECT_EQ(port.OpenBoard(-1, 1), 1);
    EXPECT_TRUE(TakeCalls().empty());
}

// The whole bus traffic of a session on each port, pinned call by call: a
// wrong handle, address, termination or end mode, or a missing or extra call,
// changes a line.
TEST_F(FakeGpibTest, BusTrafficOfTheGpibPort) {
    CGpibPort p(library_);
    const std::string binary("A\0\nB", 4);
    ASSERT_EQ(p.Open(5), 0);
    EXPECT_EQ(p.SetTerminator(1, 1), 0);
    EXPECT_EQ(p.SetTerminator(0, 1), 1);  // refused without touching the bus
    EXPECT_EQ(p.SetTerminator(3, 0), 0);
    EXPECT_EQ(p.SetTerminator(3, 1), 0);
    EXPECT_EQ(p.WriteBytes(Bytes(binary)), 0);  // EOI on the last byte
    EXPECT_EQ(fake_->written, binary);
    // A failing ibeos on either handle stops before the EOI settings.
    fake_->nextError = 4;
    EXPECT_EQ(p.SetTerminator(2, 1), 1);
    fake_->nextError = 4;
    fake_->errorDelay = 1;
    EXPECT_EQ(p.SetTerminator(2, 1), 1);
    EXPECT_EQ(p.SetTerminator(2, 1), 0);
    EXPECT_EQ(p.WriteString("*IDN?"), 0);  // the library adds LF + EOI
    EXPECT_EQ(fake_->written, "*IDN?");
    EXPECT_EQ(p.WriteBytesEot(Bytes("XY"), 1), 0);
    EXPECT_EQ(p.SetTimeout(2000), 0);
    EXPECT_EQ(p.InterfaceClear(1) + p.DeviceClear() + p.PrepareRead() + p.SendCommandBytes(Bytes("?_")) +
                  p.SetRemoteEnable(5) + p.SetDma(1) + p.SetEosChar('\r') + p.Close(),
              0);
    EXPECT_EQ(TakeCalls(), (Calls{"ibfind GPIB0",   "ibdev 0 5 0 13 1 3082", "ibeos 3 3085 0", "ibeos 7 3085 0",
                                  "ibeot 3 1 0",    "ibeot 7 1 0",           "ibeos 3 0 0",    "ibeos 7 0 0",
                                  "ibeot 3 0 0",    "ibeot 7 0 0",           "ibeos 3 0 0",    "ibeos 7 0 0",
                                  "ibeot 3 1 0",    "ibeot 7 1 0",           "Send 0 5 4 2",   "ibeos 3 3082 0",
                                  "ibeos 7 3082 0", "ibeos 3 3082 0",        "ibeos 7 3082 0", "ibeos 3 3082 0",
                                  "ibeos 7 3082 0", "ibeot 3 1 0",           "ibeot 7 1 0",    "Send 0 5 5 1",
                                  "Send 0 5 2 1",   "ibtmo 3 12 0",          "ibtmo 7 12 0",   "SendIFC 0 0 0",
                                  "DevClear 0 5 0", "ReceiveSetup 0 5 0",    "SendCmds 0 2 0", "ibsre 3 0 0",
                                  "ibdma 3 1 0",    "ibeos 3 3085 0",        "ibeos 7 3085 0", "ibonl 7 0 0"}));
}

TEST_F(FakeGpibTest, BusTrafficOfTheDevicePort) {
    CGpibDevicePort p(library_);
    ASSERT_EQ(p.Open(5), 0);
    TakeCalls();
    // Text writes carry the whole data and the mode's terminator; binary adds nothing.
    const std::string withNul("WAV\0X", 5);
    EXPECT_EQ(p.WriteBytes(Bytes(withNul)), 0);
    EXPECT_EQ(fake_->written, withNul + "\n");
    EXPECT_EQ(TakeCalls(), (Calls{"ibwrt 7 6 0"}));
    p.SetTerminator(0, 1);  // refused on the bus, but kept for writes
    EXPECT_EQ(p.WriteString("STOP"), 0);
    EXPECT_EQ(fake_->written, "STOP\r\n");
    ASSERT_EQ(p.SetTerminator(1, 1), 0);
    EXPECT_EQ(p.WriteString("STOP"), 0);
    EXPECT_EQ(fake_->written, "STOP\r");
    ASSERT_EQ(p.SetTerminator(3, 1), 0);
    EXPECT_EQ(p.WriteBytes(Bytes(withNul)), 0);
    EXPECT_EQ(fake_->written, withNul);

    TakeCalls();
    uint8_t buffer[10];
    std::size_t count = 0;
    uint8_t statusByte = 0;
    fake_->pendingRead = "OK\n";
    EXPECT_EQ(p.Read(buffer, count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(p.PrepareRead() + p.ReadResponse(buffer, count) + p.ReadStatusByte(statusByte) + p.InterfaceClear(1) +
                  p.DeviceClear() + p.SendCommandBytes(Bytes("?")),
              0);
    EXPECT_EQ(statusByte, 0xC5);
    EXPECT_EQ(TakeCalls(), (Calls{"ibrd 7 9 0", "ibrd 7 0 0", "ibrd 3 9 0", "ibrsp 7 0 0", "ibsic 3 0 0", "ibclr 7 0 0",
                                  "ibcmd 3 1 0"}));
}

TEST(GpibTimeout, MillisecondsToCodes) {
    const std::pair<int, int> cases[] = {{INT_MIN, 0}, {-5, 0},       {0, 0},       {1, 5},      {2, 6},
                                         {3, 6},       {10, 7},       {31, 9},      {1000, 11},  {2000, 12},
                                         {3000, 12},   {3001, 13},    {10000, 13},  {30000, 14}, {100000, 15},
                                         {300000, 16}, {1000000, 17}, {INT_MAX, 17}};
    for (const auto& [ms, code] : cases) EXPECT_EQ(CGpibPortBase::TimeoutCode(ms), code) << ms;
}

class GpibPortTest : public FakeGpibTest {
protected:
    void SetUp() override {
        FakeGpibTest::SetUp();
        ASSERT_EQ(port_.Open(5), 0);
        TakeCalls();
    }
    CGpibPort port_{library_};
};

// Reads: the count is clamped to the buffer less one byte for the NUL, whatever
// the library reports; the mode picks the termination; a time-out fails the
// read even with bytes.
TEST_F(GpibPortTest, ReadsClampTheCountAndEndWithNul) {
    constexpr long kTrue = LONG_MIN;  // the library reports what it copied
    const struct {
        const char* pending;
        int status;
        long reported;
        std::size_t size;
        int mode;
        int result;
        std::size_t count;
        const char* call;
    } cases[] = {
        {"1.25E+0\n", 0x2100, kTrue, 33, 2, 0, 8, "Receive 0 5 32 10"},  // LF ends the read
        {"#14ABCD", 0x2100, kTrue, 3, 3, 0, 2, "RcvRespMsg 0 2 256"},    // EOI only
        {"ABCDEFGH", 0x2100, 100000, 5, 2, 0, 4, "Receive 0 5 4 10"},
        {"ABCDEFGH", 0x2100, -3, 5, 2, 0, 0, "Receive 0 5 4 10"},
        {"PARTIAL", 0xC100, kTrue, 33, 2, 1, 7, "Receive 0 5 32 10"},  // time-out: fails
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pending);
        ASSERT_EQ(port_.SetTerminator(c.mode, 1), 0);
        fake_->pendingRead = c.pending;
        fake_->readStatus = c.status;
        fake_->overrideCount = c.reported != kTrue;
        fake_->reportedCount = c.reported;
        TakeCalls();
        std::vector<uint8_t> buffer(c.size, 0xEE);
        std::size_t count = 99;
        EXPECT_EQ(c.mode == 3 ? port_.ReadResponse(buffer, count) : port_.Read(buffer, count), c.result);
        ASSERT_EQ(count, c.count);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), count), std::string(c.pending, count));
        EXPECT_EQ(buffer[count], 0);
        EXPECT_EQ(TakeCalls(), Calls{c.call});
    }
    std::string text;
    EXPECT_EQ(port_.FormatError(1, "READ", text), 1);
    EXPECT_EQ(text, ">>System error! ; READ\n");  // the last failure: ibsta 0xC100, iberr 0
    std::size_t count = 0;
    EXPECT_EQ(port_.Read({}, count), 1);  // no room even for the NUL
}

TEST_F(GpibPortTest, StatusByteAndMoreData) {
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

TEST_F(GpibPortTest, ErrorTexts) {
    std::string text = "untouched";
    EXPECT_EQ(port_.FormatError(0, "X", text), 0);
    EXPECT_EQ(text, "untouched");

    const struct {
        int ibsta, iberr;
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

TEST(PortTable, PortCodeChoosesGpibBelow31AndSerialFrom31) {
    PortTable ports(PortOptions{kMissingLibrary, {}});
    EXPECT_EQ(&ports.Select(0), &ports.GpibPort());
    EXPECT_EQ(&ports.Select(30), &ports.GpibPort());
    EXPECT_EQ(&ports.Select(31), &ports.SerialPort());
    EXPECT_EQ(&ports.Select(0x25059), &ports.SerialPort());
    EXPECT_EQ(&ports.At(0), &ports.DevicePort());
    EXPECT_EQ(&ports.At(2), &ports.GpibPort());
    EXPECT_EQ(&ports.At(99), &ports.SerialPort());
}
