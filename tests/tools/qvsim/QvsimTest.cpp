// What of the simulator no download reaches: refused settings, the front
// end's options, the device-level GPIB calls and survival of garbage. The
// downloads in tests/instrument/download exercise the rest, families, blocks
// and faults included.
#include <gtest/gtest.h>

#include "CQvSimulator.h"
#include "SimConfig.h"
#include "SimPeer.h"
#include "port/GpibAbi.h"

namespace kivelo::test {
namespace {

using namespace kivelo::gpib;

TEST(QvsimSettings, RefusesWhatNoInstrumentHas) {
    const std::pair<const char*, const char*> refused[] = {
        {"family", "qv99"},     {"fault", "sparks"},    {"length", "0"},  {"records", "1001"},
        {"modules", "HS,FLUX"}, {"date", "2026-01-15"}, {"colour", "red"}};
    for (const auto& [key, value] : refused) {
        qvsim::SimConfig config;
        EXPECT_NE(qvsim::ApplySetting(config, key, value), "") << key;
    }
    // Sound settings that do not fit the family.
    const std::tuple<const char*, const char*, const char*> misfits[] = {{"qv60", "channels", "5"},
                                                                         {"qv31", "modules", "HS"}};
    for (const auto& [family, key, value] : misfits) {
        qvsim::SimConfig config;
        ASSERT_EQ(qvsim::ApplySetting(config, "family", family), "");
        ASSERT_EQ(qvsim::ApplySetting(config, key, value), "");
        EXPECT_NE(qvsim::Finalize(config, true), "") << key;
    }
    setenv("QVSIM_RECORDS", "many", 1);
    qvsim::SimConfig config;
    EXPECT_NE(qvsim::ApplyEnvironment(config).find("QVSIM_RECORDS"), std::string::npos);
    unsetenv("QVSIM_RECORDS");
    // The GPIB library refuses them too and leaves an empty bus.
    EXPECT_FALSE(ConfigureGpibSim({{"FAMILY", "qv77"}}));
    const auto send = reinterpret_cast<GpibSend>(GpibSimSymbol("Send"));
    ASSERT_NE(send, nullptr);
    send(0, 1, "*IDN?", 5, 1);
    EXPECT_EQ(*static_cast<int*>(GpibSimSymbol(kSymIberr)), 2);
}

TEST(QvsimFrontEnd, BadOptionsExitWithTwo) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--family", "qv9", "--pty"},
                                                 {"--family", "qv8", "--length"},
                                                 {"--family", "qv8"},
                                                 {"--bogus", "1", "--pty"}}) {
        SimPty sim(args);
        EXPECT_EQ(sim.Device(), "");
        EXPECT_EQ(sim.Wait(), 2) << args[0] << " " << args[1];
    }
}

// The program's downloads use the board-level calls; these are the others.
TEST(QvsimGpib, DeviceLevelCallsAndClears) {
    ASSERT_TRUE(ConfigureGpibSim({{"FAMILY", "qv31"}, {"ADDRESS", "3"}}));
    const auto sym = [](const char* name) {
        void* p = GpibSimSymbol(name);
        EXPECT_NE(p, nullptr) << name;
        return p;
    };
    const int& sta = *static_cast<int*>(sym(kSymIbsta));
    const int& err = *static_cast<int*>(sym(kSymIberr));
    const long& cnt = *static_cast<long*>(sym(kSymIbcntl));
    EXPECT_GE(reinterpret_cast<GpibIbfind>(sym("ibfind"))("GPIB0"), 0);
    EXPECT_EQ(reinterpret_cast<GpibIbfind>(sym("ibfind"))("GPIB2"), -1);
    const auto ibdev = reinterpret_cast<GpibIbdev>(sym("ibdev"));
    const auto ibwrt = reinterpret_cast<GpibIbwrt>(sym("ibwrt"));
    const auto ibrd = reinterpret_cast<GpibIbrd>(sym("ibrd"));
    const auto ibrsp = reinterpret_cast<GpibIbrsp>(sym("ibrsp"));
    const int dev = ibdev(0, 3, 0, 13, 1, 0x0C0A);
    ASSERT_GE(dev, 0);
    char buf[100] = {};
    ibwrt(dev, "*IDN?\n", 6);
    ibrd(dev, buf, 99);
    EXPECT_EQ(std::string(buf, 9), "KIVELOSM,");
    EXPECT_EQ(buf[cnt - 1], '\n');
    EXPECT_NE(sta & kStatusEnd, 0);

    // A pending answer shows in the status byte until a device clear drops it.
    ibwrt(dev, "*IDN?\n", 6);
    char spr = 0;
    ibrsp(dev, &spr);
    EXPECT_EQ(spr & 0x10, 0x10);
    short status = 0;
    reinterpret_cast<GpibReadStatusByte>(sym("ReadStatusByte"))(0, 3, &status);
    EXPECT_EQ(status & 0x10, 0x10);
    reinterpret_cast<GpibDevClear>(sym("DevClear"))(0, 3);
    ibrsp(dev, &spr);
    EXPECT_EQ(spr, 0);

    // With the end-of-string character off a read goes to the message end only.
    reinterpret_cast<GpibIbeos>(sym("ibeos"))(dev, 0);
    ibwrt(dev, "*OPT?\n", 6);
    reinterpret_cast<GpibReceiveSetup>(sym("ReceiveSetup"))(0, 3);
    reinterpret_cast<GpibRcvRespMsg>(sym("RcvRespMsg"))(0, buf, 99, kStopEnd);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(cnt)), "NONE\n");

    const int stranger = ibdev(0, 9, 0, 13, 1, 0x0C0A);
    ibwrt(stranger, "*IDN?", 5);
    EXPECT_EQ(err, 2);
    EXPECT_EQ(reinterpret_cast<GpibIbonl>(sym("ibonl"))(stranger, 0) & kStatusError, 0);
    EXPECT_NE(ibwrt(stranger, "*IDN?", 5) & kStatusError, 0);  // descriptor gone
    for (const char* name : {"ibclr", "ibsic", "ibsre", "ibtmo", "ibeot", "ibdma", "ibcmd", "SendCmds", "SendIFC"})
        sym(name);
}

TEST(QvsimCommands, GarbageIsSurvived) {
    // Deterministic noise from the command vocabulary and stray bytes.
    // clang-format off
    const char* pieces[] = {"WAV", ":", "SEND", "?", ";", "TRAC", " ", "-", "99999999999999999999", "CHAN",
                            "0", "65535", "\"", "*IDN", "HIST:TIME", "DISP:COUN", "STAR", "END", "REC", "#",
                            "\x01", "\xFF", "TRIG:NSIN:DCOU", "FILE:SAVE:SETUP:NAME", "1e9", "MODU", "RANG"};
    // clang-format on
    std::uint32_t seed = 12345;
    for (const char* family : {"qv8", "qv43", "qv60", "qv31"}) {
        qvsim::SimConfig config;
        for (const auto& [key, value] : {std::pair{"family", family}, {"length", "64"}, {"records", "3"}})
            ASSERT_EQ(qvsim::ApplySetting(config, key, value), "");
        ASSERT_EQ(qvsim::Finalize(config, true), "");
        qvsim::CQvSimulator sim(config);
        std::vector<std::uint8_t> drain(4096);
        for (int m = 0; m < 400; ++m) {
            std::string message;
            for (int p = 1 + static_cast<int>(seed % 12); p > 0; --p) {
                seed = seed * 1103515245u + 12345u;
                message += pieces[(seed >> 8) % std::size(pieces)];
            }
            sim.WriteMessage(message);
            while (!sim.Output().Empty()) sim.Output().Read(drain, -1);
        }
        sim.WriteMessage("*IDN?");
        const auto r = sim.Output().Read(drain, -1);
        EXPECT_EQ(std::string(drain.begin(), drain.begin() + 9), "KIVELOSM,") << family << r.count;
    }
}

}  // namespace
}  // namespace kivelo::test
