#pragma once
// The serial devices this machine has, for choosing the one behind COM1 or
// COM2: on-board ports (/dev/ttyS*) that have a UART, USB adapters
// (/dev/ttyUSB*, /dev/ttyACM*), each under its stable /dev/serial/by-id name
// when udev gives it one (the kernel name changes with the plug-in order).
#include <string>
#include <vector>

namespace kivelo {

struct SerialDevice {
    std::string path;    // what to open: the by-id link when there is one, else the kernel name
    std::string kernel;  // the kernel's name, e.g. /dev/ttyUSB0
    std::string label;   // for a list: "usb-FTDI_..._A1-if00-port0 (ttyUSB0)" or "/dev/ttyS0"
};

// Where to look; tests point these at a folder of their own.
struct SerialDeviceRoots {
    std::string dev = "/dev";
    std::string sysClassTty = "/sys/class/tty";
};

// Kernel names in natural order (ttyS2 before ttyS10), on-board ports first.
std::vector<SerialDevice> ListSerialDevices(const SerialDeviceRoots& roots = {});

}  // namespace kivelo
