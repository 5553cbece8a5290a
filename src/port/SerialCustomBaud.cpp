// Kept apart: the kernel's termios2 header cannot share a unit with <termios.h>.
#include "port/SerialLine.h"

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace kivelo {

bool SetCustomBaud(int fd, int baud) {
#if defined(__linux__) && defined(BOTHER)
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CIBAUD);
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    return ioctl(fd, TCSETS2, &t) == 0;
#else
    (void)fd;
    (void)baud;
    return false;
#endif
}

}  // namespace kivelo
