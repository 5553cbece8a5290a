#include "port/SerialLine.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace kivelo {

namespace {

// The termios constant for a rate, or B0 when there is none.
speed_t SpeedConstant(int baud) {
    switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    default: return B0;
    }
}

void SetParity(termios& t, int parityIndex) {
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
#ifdef CMSPAR
    t.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    switch (parityIndex) {
    case 1: t.c_cflag |= PARENB; break;           // even
    case 2: t.c_cflag |= PARENB | PARODD; break;  // odd
#ifdef CMSPAR
    case 3: t.c_cflag |= PARENB | PARODD | CMSPAR; break;  // mark
    case 4: t.c_cflag |= PARENB | CMSPAR; break;           // space
#endif
    default: break;
    }
}

void RaiseModemLines(int fd) {
    // A pseudo-terminal has no modem lines; that is not an error.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIS, &lines);
}

}  // namespace

bool ConfigureSerialLine(int fd, const SerialSettings& s) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;

    // Binary: no echo, no line editing, no character translation, no parity check.
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                        IXANY | INPCK);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    t.c_cflag |= s.ByteSize() == 7 ? CS7 : CS8;
    SetParity(t, s.parityIndex);
    // termios knows one or two stop bits; 1.5 exists only with 5-bit bytes,
    // where UARTs produce it for the two-stop-bit setting.
    if (s.stopBitsIndex != 0) t.c_cflag |= CSTOPB;
    if (s.xonXoff) {
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = 0x11;
        t.c_cc[VSTOP] = 0x13;
    }
    if (s.ctsRts) t.c_cflag |= CRTSCTS;

    const speed_t speed = SpeedConstant(s.Baud());
    const speed_t applied = speed != B0 ? speed : B9600;  // replaced below
    cfsetispeed(&t, applied);
    cfsetospeed(&t, applied);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
    if (speed == B0 && !SetCustomBaud(fd, s.Baud())) return false;
    RaiseModemLines(fd);
    return true;
}

}  // namespace kivelo
