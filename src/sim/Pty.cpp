#include "sim/Pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {
[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}
} // namespace

TPty::TPty(bool holdSlave) {
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0)
        Fail("posix_openpt");
    if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0) {
        close(FMaster);
        Fail("grantpt/unlockpt");
    }
    char name[128];
    if (ptsname_r(FMaster, name, sizeof name) != 0) {
        close(FMaster);
        Fail("ptsname_r");
    }
    FSlavePath = name;
    const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        close(FMaster);
        Fail("open slave");
    }
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    if (holdSlave)
        FHeldSlave = slave;
    else
        close(slave);
}

TPty::~TPty() {
    ReleaseSlave();
    CloseMaster();
}

void TPty::CloseMaster() {
    if (FMaster >= 0) {
        close(FMaster);
        FMaster = -1;
    }
}

void TPty::ReleaseSlave() {
    if (FHeldSlave >= 0) {
        close(FHeldSlave);
        FHeldSlave = -1;
    }
}
