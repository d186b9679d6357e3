#include "serial/CommSpeed.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace {

// The classic speed codes: a rate that has one is stored with it, so that
// every other program reading the terminal's settings understands it.
tcflag_t ClassicCode(std::uint32_t Baud) {
    static const struct {
        std::uint32_t Baud;
        tcflag_t Code;
    } codes[] = {{50, B50},           {75, B75},           {110, B110},         {134, B134},
                 {150, B150},         {200, B200},         {300, B300},         {600, B600},
                 {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
                 {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
                 {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
                 {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
                 {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
                 {3500000, B3500000}, {4000000, B4000000}};
    for (const auto& c : codes)
        if (c.Baud == Baud)
            return c.Code;
    return BOTHER;
}

} // namespace

int SetLineSpeed(int Fd, std::uint32_t Baud) {
    // Speed 0 would mean "hang up" to the driver.
    if (Baud == 0)
        return EINVAL;
    struct termios2 t {};
    if (ioctl(Fd, TCGETS2, &t) != 0)
        return errno;
    // No separate input code: input runs at the output speed.
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= ClassicCode(Baud);
    t.c_ispeed = Baud;
    t.c_ospeed = Baud;
    if (ioctl(Fd, TCSETS2, &t) != 0)
        return errno;
    return 0;
}

int GetLineSpeed(int Fd, std::uint32_t& Baud) {
    struct termios2 t {};
    if (ioctl(Fd, TCGETS2, &t) != 0)
        return errno;
    Baud = t.c_ospeed;
    return 0;
}
