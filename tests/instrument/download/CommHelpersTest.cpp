// Serial device list, connection causes, the device behind a COM port and the
// progress text of a download.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/TempDir.h"
#include "instrument/download/CommDeviceChoice.h"
#include "instrument/download/CommDiagnosis.h"
#include "instrument/download/DownloadProgress.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/download/SerialDeviceList.h"

namespace kivelo::test {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path, const std::string& content = {}) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << content;
}

std::vector<std::string> Labels(const std::vector<SerialDevice>& devices) {
    std::vector<std::string> labels;
    for (const SerialDevice& d : devices) labels.push_back(d.label);
    return labels;
}

// On-board ports only with a UART behind them, adapters always, natural
// order, the stable by-id name opened in place of the kernel name.
TEST(SerialDeviceList, MachineDevicesInNaturalOrderWithStableNames) {
    TempDir dir;
    const fs::path dev = fs::path(dir.Path()) / "dev";
    const fs::path sys = fs::path(dir.Path()) / "sys";
    for (const char* name :
         {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyACM0", "ttySX", "tty0", "ttyS", "console"})
        Touch(dev / name);
    for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, {"ttyS1", "0"}, {"ttyS2", "4"}, {"ttyS10", "4"}})
        Touch(sys / name / "type", type);
    fs::create_directories(dev / "serial" / "by-id");
    fs::create_symlink("../../ttyUSB1", dev / "serial" / "by-id" / "usb-FTDI_FT232R_A1-if00-port0");
    fs::create_symlink("../../gone", dev / "serial" / "by-id" / "usb-dangling");

    const std::vector<SerialDevice> devices = ListSerialDevices({dev.string(), sys.string()});
    EXPECT_EQ(Labels(devices),
              (std::vector<std::string>{(dev / "ttyS0").string(), (dev / "ttyS2").string(), (dev / "ttyS10").string(),
                                        (dev / "ttyUSB0").string(), "usb-FTDI_FT232R_A1-if00-port0 (ttyUSB1)",
                                        (dev / "ttyACM0").string()}));
    ASSERT_EQ(devices.size(), 6u);
    EXPECT_EQ(devices[4].path, (dev / "serial" / "by-id" / "usb-FTDI_FT232R_A1-if00-port0").string());
    EXPECT_EQ(devices[4].kernel, (dev / "ttyUSB1").string());
    EXPECT_EQ(devices[3].path, devices[3].kernel);

    // Without sysfs every on-board name is offered; without /dev nothing.
    EXPECT_EQ(ListSerialDevices({dev.string(), (fs::path(dir.Path()) / "nosys").string()}).size(), 7u);
    EXPECT_TRUE(ListSerialDevices({(fs::path(dir.Path()) / "nodev").string(), sys.string()}).empty());
}

// Each known cause in words, with what to do; a device that opens has none.
TEST(CommDiagnosis, SerialCauses) {
    TempDir dir;
    const std::string missing = dir.File("ttyUSB7");
    EXPECT_EQ(SerialDeviceCause(missing),
              "The device " + missing + " does not exist: is the instrument's cable or USB adapter plugged in?");
    const std::string plain = dir.File("plain");
    Touch(plain);
    EXPECT_EQ(SerialDeviceCause(plain), plain + " is not a serial device.");

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    EXPECT_EQ(SerialDeviceCause(ptsname(master)), "");
    close(master);

    EXPECT_EQ(SerialOpenErrorText("/dev/ttyUSB0", EACCES, "dialout"),
              "You have no permission to open /dev/ttyUSB0. It belongs to the group \"dialout\": add yourself to it "
              "(sudo usermod -aG dialout $USER) and log in again.");
    EXPECT_EQ(SerialOpenErrorText("/dev/ttyUSB0", EACCES, ""),
              "You have no permission to open /dev/ttyUSB0: ask for read and write access to it.");
    EXPECT_EQ(SerialOpenErrorText("/dev/ttyS0", EBUSY, "dialout"),
              "The device /dev/ttyS0 is in use by another program.");
}

TEST(CommDiagnosis, GpibLibraryCauses) {
    const std::string missing = GpibLibraryCause("/nonexistent/libgpib.so.0");
    EXPECT_EQ(missing.rfind("The GPIB library \"/nonexistent/libgpib.so.0\" cannot be loaded: ", 0), 0u) << missing;
    EXPECT_NE(missing.find("linux-gpib"), std::string::npos);
    EXPECT_NE(missing.find("KIVELO_GPIB_LIBRARY"), std::string::npos);
    EXPECT_EQ(GpibLibraryCause("libm.so.6").rfind("\"libm.so.6\" is not a GPIB library.", 0), 0u);
#ifdef QVSIM_GPIB_LIBRARY
    EXPECT_EQ(GpibLibraryCause(QVSIM_GPIB_LIBRARY), "");
#endif
}

// A chosen device replaces the COM port's default unless the variable names
// one; the message keeps the port number either way.
TEST(CommDeviceChoice, VariableWinsOverTheChoice) {
    PortOptions ports;
    ports.serialDevices[1] = "/dev/pts/42";
    CommSettings serial;
    serial.useGpib = 0;
    serial.serialPort = 1;
    CommTarget target = CommTargetFor(serial, "/dev/serial/by-id/usb-x", ports);
    EXPECT_EQ(target.serialDevice, "/dev/serial/by-id/usb-x");
    EXPECT_EQ(SerialDevicePath(target, ports), "/dev/serial/by-id/usb-x");
    EXPECT_EQ(SerialDevicePath(CommTargetFor(serial, "", ports), ports), "/dev/ttyS0");

    serial.serialPort = 2;
    target = CommTargetFor(serial, "/dev/ttyUSB3", ports);
    EXPECT_EQ(target.serialDevice, "");
    EXPECT_EQ(target.portCode, 0x2505A);
    EXPECT_EQ(SerialDevicePath(target, ports), "/dev/pts/42");
    EXPECT_EQ(NoResponseMessage(CommTarget::FromSettings(serial)), "No response.\n\nRS232 Port:  2");

    CommSettings gpib;
    gpib.gpibAddress = 12;
    target = CommTargetFor(gpib, "/dev/ttyUSB3", ports);
    EXPECT_TRUE(target.IsGpib());
    EXPECT_EQ(target.portCode, 12);
    EXPECT_EQ(SerialDevicePath(target, ports), "");
}

TEST(DownloadProgress, TraceRecordBytesAndTimeLeft) {
    using namespace std::chrono_literals;
    DownloadProgress progress;
    EXPECT_LT(progress.Fraction(), 0);
    EXPECT_EQ(progress.Text(), "");

    const auto t0 = DownloadProgress::Clock::time_point{} + 100s;
    // 2 traces x 2 records x 1000 points: blocks of 2000 bytes.
    progress.Update(0, 8000, 2, 2, 1000, t0);
    EXPECT_EQ(progress.Fraction(), 0.0);
    EXPECT_EQ(progress.Text(t0 + 500ms), "Trace 1 of 2, record 1 of 2\n0 bytes of 8 kB");
    progress.Update(2000, 8000, 2, 2, 1000, t0 + 2s);
    EXPECT_EQ(progress.Text(t0 + 2s), "Trace 1 of 2, record 2 of 2\n2 kB of 8 kB, about 6 s left");
    progress.Update(5000, 8000, 2, 2, 1000, t0 + 4s);
    EXPECT_DOUBLE_EQ(progress.Fraction(), 0.625);
    EXPECT_EQ(progress.Text(t0 + 4s), "Trace 2 of 2, record 1 of 2\n5 kB of 8 kB, about 3 s left");
    progress.Update(8000, 8000, 2, 2, 1000, t0 + 6s);
    EXPECT_EQ(progress.Text(t0 + 6s), "Trace 2 of 2, record 2 of 2\n8 kB of 8 kB");

    // One record per trace names no record; a slow link counts in minutes.
    DownloadProgress slow;
    slow.Update(0, 4000000, 4, 1, 500000, t0);
    slow.Update(100000, 4000000, 4, 1, 500000, t0 + 10s);
    EXPECT_EQ(slow.Text(t0 + 10s), "Trace 1 of 4\n100 kB of 4.0 MB, about 7 min left");

    // Nonsense from the plan gives a text, not a fault.
    DownloadProgress odd;
    odd.Update(-5, -1, -3, -7, -100, t0);
    EXPECT_EQ(odd.Text(t0), "0 bytes of 0 bytes");
    odd.Update(9000, 4000, 1, 0, 1000, t0 + 1s);
    EXPECT_EQ(odd.Fraction(), 1.0);
    EXPECT_EQ(odd.Text(t0 + 1s), "Trace 1 of 1\n9 kB of 4 kB");

    EXPECT_EQ(ByteCountText(999), "999 bytes");
    EXPECT_EQ(ByteCountText(1234567), "1.2 MB");
    EXPECT_EQ(ByteCountText(3000000000), "3.00 GB");
}

}  // namespace
}  // namespace kivelo::test
