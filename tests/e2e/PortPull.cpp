#include "PortPull.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

std::string PullAdapter(const std::string& Path) {
    const int fd = open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return "open " + Path + ": " + std::strerror(errno);
    std::string error;
    if (ioctl(fd, TIOCVHANGUP) != 0)
        error = std::string("TIOCVHANGUP: ") + std::strerror(errno);
    close(fd);
    return error;
}
