#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "GpibAbi.h"
#include "QvsimTestSupport.h"

using namespace kivelo::qvsim;
using namespace kivelo::qvsim::test;
using namespace kivelo::gpib;

namespace {

constexpr int kLf = '\n';

// The library loaded the way the program loads a GPIB library.
class GpibLibraryTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    s_lib = ::dlopen(KIVELO_BINARY_DIR "/lib/libqvsim-gpib.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(s_lib, nullptr) << ::dlerror();
  }
  static void TearDownTestSuite() {
    if (s_lib != nullptr) ::dlclose(s_lib);
    s_lib = nullptr;
  }

  template <typename F>
  F Sym(const char* name) {
    void* p = ::dlsym(s_lib, name);
    EXPECT_NE(p, nullptr) << name;
    return reinterpret_cast<F>(p);
  }

  void SetUp() override {
    ASSERT_NE(s_lib, nullptr);
    sta = Sym<int*>(kSymIbsta);
    err = Sym<int*>(kSymIberr);
    cnt = Sym<long*>(kSymIbcntl);
    send = Sym<GpibSend>("Send");
    receive = Sym<GpibReceive>("Receive");
  }
  void TearDown() override {
    for (auto name : SettingNames()) {
      std::string var = "QVSIM_" + std::string(name);
      for (char& c : var) c = c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      ::unsetenv(var.c_str());
    }
  }

  // Configures the simulated instrument from variables, as a user would.
  void Configure(std::initializer_list<std::pair<const char*, const char*>> vars) {
    for (const auto& [k, v] : vars) ::setenv(k, v, 1);
    ASSERT_EQ(Sym<int (*)()>("qvsim_gpib_reset")(), 0);
  }

  void Write(short address, const std::string& text) { send(0, address, text.data(), static_cast<long>(text.size()), 1); }

  std::string ReadLine(short address) {
    char buf[200] = {};
    receive(0, address, buf, 199, kLf);
    return std::string(buf, static_cast<std::size_t>(*cnt));
  }

  static void* s_lib;
  int* sta = nullptr;
  int* err = nullptr;
  long* cnt = nullptr;
  GpibSend send = nullptr;
  GpibReceive receive = nullptr;
};

void* GpibLibraryTest::s_lib = nullptr;

}  // namespace

TEST_F(GpibLibraryTest, MultiDeviceQueryAndStatusWords) {
  Configure({{"QVSIM_FAMILY", "qv60"}, {"QVSIM_ADDRESS", "7"}});
  Write(7, "*IDN?");
  EXPECT_EQ(*sta & kStatusError, 0);
  EXPECT_EQ(*cnt, 5);
  const auto idn = ReadLine(7);
  EXPECT_EQ(idn.substr(9, 6), "512010");
  EXPECT_NE(*sta & kStatusEnd, 0);
  EXPECT_EQ(*cnt, static_cast<long>(idn.size()));

  // Nothing pending: the time-out comes at once.
  ReadLine(7);
  EXPECT_EQ(*sta & (kStatusError | kStatusTimeout), kStatusError | kStatusTimeout);
  EXPECT_EQ(*cnt, 0);

  // Nobody at another address.
  Write(8, "*IDN?");
  EXPECT_NE(*sta & kStatusError, 0);
  EXPECT_EQ(*err, 2);
}

TEST_F(GpibLibraryTest, ShortReceiveLeavesEndClear) {
  Configure({{"QVSIM_FAMILY", "qv8"}});
  Write(1, "*IDN?");
  char buf[8] = {};
  receive(0, 1, buf, 4, kStopEnd);
  EXPECT_EQ(*cnt, 4);
  EXPECT_EQ(*sta & (kStatusEnd | kStatusError), 0);
  EXPECT_EQ(std::string(buf, 4), "KIVE");
  const auto rest = ReadLine(1);
  EXPECT_EQ(rest.substr(0, 5), "LOSM,");
  EXPECT_NE(*sta & kStatusEnd, 0);
}

TEST_F(GpibLibraryTest, EndModesOfSend) {
  Configure({{"QVSIM_FAMILY", "qv8"}});
  // Mode 0 holds the message open, mode 2 ends it with the last byte.
  send(0, 1, "COMM:HEAD OFF;", 14, 0);
  send(0, 1, ":WAV:LENG?", 10, 2);
  EXPECT_EQ(ReadLine(1), "1000\n");
  send(0, 1, "*OPT?", 5, 3);
  EXPECT_EQ(*err, 4);
}

TEST_F(GpibLibraryTest, LargeBlockInChunks) {
  Configure({{"QVSIM_FAMILY", "qv8"}, {"QVSIM_LENGTH", "1000000"}, {"QVSIM_CHANNELS", "8"}, {"QVSIM_RECORDS", "2"}});
  Write(1, "WAV:TRAC 8;REC -1;STAR 0;END 128256000;FORM WORD;BYT MSBF");
  Write(1, "WAV:SEND?");
  char head[16] = {};
  receive(0, 1, head, 2, kStopEnd);
  ASSERT_EQ(std::string(head, 2), "#7");
  receive(0, 1, head, 7, kStopEnd);
  ASSERT_EQ(std::string(head, 7), "2000000");
  std::vector<std::uint8_t> chunk(120000);
  std::vector<std::uint8_t> expected(chunk.size());
  const BlockSource block{7, -1, 0, 1000000, true, SamplePattern::Ramp};
  std::uint64_t received = 0;
  int reads = 0;
  while (received < 2000000) {
    receive(0, 1, chunk.data(), static_cast<long>(chunk.size()), kStopEnd);
    ASSERT_EQ(*sta & kStatusError, 0);
    const auto n = static_cast<std::size_t>(*cnt);
    const auto data = std::min<std::uint64_t>(n, 2000000 - received);
    FillBlockBytes(block, received, std::span(expected.data(), data));
    ASSERT_EQ(std::memcmp(chunk.data(), expected.data(), data), 0) << "at " << received;
    received += data;
    ++reads;
  }
  EXPECT_EQ(reads, 17);
  EXPECT_NE(*sta & kStatusEnd, 0);  // the terminator came with the last chunk
  EXPECT_EQ(chunk[static_cast<std::size_t>(*cnt) - 1], '\n');
}

TEST_F(GpibLibraryTest, StalledBlockTimesOutWithTheBytesSoFar) {
  Configure({{"QVSIM_FAMILY", "qv43"}, {"QVSIM_LENGTH", "500"}, {"QVSIM_FAULT", "stall"}});
  Write(1, "WAV:SEND?");
  std::vector<char> buf(5000);
  receive(0, 1, buf.data(), 5000, kStopEnd);
  EXPECT_EQ(*sta & (kStatusError | kStatusTimeout), kStatusError | kStatusTimeout);
  EXPECT_EQ(*cnt, 6 + 500);  // "#41000" and half the data
}

TEST_F(GpibLibraryTest, DeviceLevelCallsAndClears) {
  Configure({{"QVSIM_FAMILY", "qv31"}, {"QVSIM_ADDRESS", "3"}});
  const int board = Sym<GpibIbfind>("ibfind")("GPIB0");
  EXPECT_GE(board, 0);
  EXPECT_EQ(Sym<GpibIbfind>("ibfind")("GPIB2"), -1);
  EXPECT_NE(*sta & kStatusError, 0);
  const auto ibdev = Sym<GpibIbdev>("ibdev");
  const int dev = ibdev(0, 3, 0, 13, 1, 0x0C0A);
  ASSERT_GE(dev, 0);
  const auto ibwrt = Sym<GpibIbwrt>("ibwrt");
  const auto ibrd = Sym<GpibIbrd>("ibrd");
  ibwrt(dev, "*IDN?\n", 6);
  char buf[100] = {};
  ibrd(dev, buf, 99);
  EXPECT_EQ(std::string(buf, 9), "KIVELOSM,");
  EXPECT_EQ(buf[*cnt - 1], '\n');
  EXPECT_NE(*sta & kStatusEnd, 0);

  // A pending answer shows in the status byte until a device clear drops it.
  ibwrt(dev, "*IDN?\n", 6);
  char spr = 0;
  Sym<GpibIbrsp>("ibrsp")(dev, &spr);
  EXPECT_EQ(spr & 0x10, 0x10);
  short status = 0;
  Sym<GpibReadStatusByte>("ReadStatusByte")(0, 3, &status);
  EXPECT_EQ(status & 0x10, 0x10);
  Sym<GpibDevClear>("DevClear")(0, 3);
  Sym<GpibIbrsp>("ibrsp")(dev, &spr);
  EXPECT_EQ(spr, 0);

  // Device-level read with the end-of-string character switched off reads to END only.
  Sym<GpibIbeos>("ibeos")(dev, 0);
  ibwrt(dev, "*OPT?\n", 6);
  Sym<GpibReceiveSetup>("ReceiveSetup")(0, 3);
  Sym<GpibRcvRespMsg>("RcvRespMsg")(0, buf, 99, kStopEnd);
  EXPECT_EQ(std::string(buf, static_cast<std::size_t>(*cnt)), "NONE\n");

  const int stranger = ibdev(0, 9, 0, 13, 1, 0x0C0A);
  ibwrt(stranger, "*IDN?", 5);
  EXPECT_EQ(*err, 2);
  EXPECT_EQ(Sym<GpibIbonl>("ibonl")(stranger, 0) & kStatusError, 0);
  EXPECT_NE(ibwrt(stranger, "*IDN?", 5) & kStatusError, 0);  // descriptor gone
  for (const char* name : {"ibclr", "ibsic", "ibsre", "ibtmo", "ibeot", "ibdma", "ibcmd", "SendCmds", "SendIFC"})
    EXPECT_NE(::dlsym(s_lib, name), nullptr) << name;
}

TEST_F(GpibLibraryTest, BadSettingsLeaveAnEmptyBus) {
  ::setenv("QVSIM_FAMILY", "qv77", 1);
  EXPECT_EQ(Sym<int (*)()>("qvsim_gpib_reset")(), -1);
  Write(1, "*IDN?");
  EXPECT_EQ(*err, 2);
}

TEST_F(GpibLibraryTest, LogNamedByTheEnvironment) {
  TempDir dir;
  const auto log = dir.File("gpib.log");
  Configure({{"QVSIM_FAMILY", "qv8"}, {"QVSIM_LOG", log.c_str()}});
  Write(1, "HCOPY:EXEC");
  EXPECT_NE(ReadText(log).find("= HCOPY:EXECUTE"), std::string::npos);
  ::unsetenv("QVSIM_LOG");
  Configure({});  // close the log before the directory goes
}
