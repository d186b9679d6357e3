#pragma once
// A pseudo-terminal pair: the simulator serves the master side, the program
// opens the slave side (SlavePath, e.g. /dev/pts/7) as its serial port.
// Threading: one owner; the descriptors may be used from the owner's threads.

#include <string>

class TPty {
public:
    // Opens a new pair. The slave is set to raw mode once and, when
    // holdSlave is true, kept open by this object so that the master does not
    // see a hang-up each time the program closes its port.
    explicit TPty(bool holdSlave = true);
    ~TPty();
    TPty(const TPty&) = delete;
    TPty& operator=(const TPty&) = delete;

    int MasterFd() const { return FMaster; }
    const std::string& SlavePath() const { return FSlavePath; }

    // Closes the master side: to the program this looks like the line
    // dropping or the adapter being pulled.
    void CloseMaster();
    // Closes the slave descriptor this object holds.
    void ReleaseSlave();

private:
    int FMaster = -1;
    int FHeldSlave = -1;
    std::string FSlavePath;
};
