#include <cstdint>
#include <string>

#include "CGpibDevicePort.h"
#include "CGpibPort.h"
#include "GpibFixture.h"

using namespace kivelo;

namespace {

constexpr const char* kMissingLibrary = "/nonexistent/kivelo-no-such-gpib.so";

// Runs every operation of a GPIB port and expects each to fail the way a
// missing library fails: result 1, error bit, iberr 0.
void ExpectEveryOperationFails(CGpibPortBase& port, const GpibLibrary& library)
{
    uint8_t buffer[8] = {};
    std::size_t count = 0;
    uint8_t statusByte = 0xFF;
    const uint8_t data[] = {'A'};
    const int results[] = {port.OpenBoard(0, 1),
                           port.Open(1),
                           port.InterfaceClear(1),
                           port.DeviceClear(),
                           port.WriteBytes(data),
                           port.WriteString("*IDN?"),
                           port.Read(buffer, count),
                           port.PrepareRead(),
                           port.ReadResponse(buffer, count),
                           port.SendCommandBytes(data),
                           port.SetRemoteEnable(1),
                           port.SetTerminator(2, 1),
                           port.SetEosChar('\n'),
                           port.SetTimeout(1000),
                           port.SetDma(1),
                           port.ReadStatusByte(statusByte),
                           port.Close()};
    for (int result : results)
        EXPECT_EQ(result, 1);
    EXPECT_EQ(library.Status().ibsta, 0x8000);
    EXPECT_EQ(library.Status().iberr, 0);
    EXPECT_EQ(statusByte, 0);
    EXPECT_FALSE(library.IsLoaded());
}

}  // namespace

TEST(GpibLibraryLoad, MissingLibraryFailsEveryOperationAndIsLookedForAgain)
{
    ScopedEnv env(gpib::kLibraryEnv, kMissingLibrary);
    GpibLibrary library;
    CGpibPort port(library);
    CGpibDevicePort devicePort(library);
    ExpectEveryOperationFails(port, library);
    ExpectEveryOperationFails(devicePort, library);
    EXPECT_EQ(library.ibdev(0, 1, 0, 13, 1, 0x0C0A), -1);
    EXPECT_EQ(library.ibfind("GPIB0"), -1);
    EXPECT_EQ(library.ibclr(0), 0x8000);

    // The library appears: the very next call finds it.
    env.Set(FAKE_GPIB_PATH);
    EXPECT_EQ(port.Open(5), 0);
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_EQ(library.Status().ibsta & 0xC000, 0);
}

TEST(GpibLibraryLoad, LibraryWithoutStatusWordsIsRefused)
{
    GpibLibrary library(FAKE_GPIB_NOCOUNT_PATH);
    CGpibPort port(library);
    EXPECT_EQ(port.Open(1), 1);
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.Status().ibsta, 0x8000);
    EXPECT_EQ(library.Status().iberr, 0);
}

// A library that keeps the Windows names (user_ibsta, ..., ibfindA) serves as well.
TEST(GpibLibraryLoad, WindowsNamesOfStatusWordsAndBoardLookup)
{
    GpibLibrary library(FAKE_GPIB_WINDOWS_PATH);
    CGpibPort port(library);
    ASSERT_EQ(port.Open(3), 0);
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_GE(library.ibfind("GPIB0"), 0);
    EXPECT_EQ(library.Status().ibsta & 0xC000, 0);
    EXPECT_EQ(port.WriteString("*IDN?"), 0);
    EXPECT_EQ(library.Status().ibcntl, 5);
}

TEST(GpibLibraryLoad, MissingEntryPointFailsOnlyThatCall)
{
    GpibLibrary library(FAKE_GPIB_NODMA_PATH);
    CGpibPort port(library);
    ASSERT_EQ(port.Open(1), 0);
    EXPECT_EQ(port.SetDma(1), 1);
    EXPECT_EQ(library.Status().iberr, 0);
    EXPECT_EQ(port.SetDma(1), 1);  // looked up again, still absent
    EXPECT_EQ(port.InterfaceClear(1), 0);
    EXPECT_TRUE(library.IsLoaded());
}

TEST(GpibLibraryLoad, ExplicitPathWinsOverEnvironment)
{
    ScopedEnv env(gpib::kLibraryEnv, kMissingLibrary);
    GpibLibrary library(FAKE_GPIB_PATH);
    EXPECT_GE(library.ibfind("GPIB0"), 0);
}

TEST_F(FakeGpibTest, StatusWordsAreCopiedAfterEachCall)
{
    fake_->pendingRead = "12345";
    fake_->readStatus = 0x2100;
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
