// serial-open: opens a serial port by name with the link's line settings
// (19200 bit/s, 8N1, no flow control), reports what the port holds, and
// closes it again. Exit status 0 when the port opened and closed cleanly.
//
//   serial-open COM3
//   serial-open ttyUSB0          (or a full path such as /dev/pts/4)

#include <cstdio>

#include "serial/XComDrv.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: serial-open PORT\n");
        return 2;
    }
    TXComm comm;
    comm.SetBaudRate(br19200);
    comm.DataControl().SetParity(paNone);
    comm.SetFlowControl(fcNone);
    comm.SetDeviceName(argv[1]);
    try {
        comm.Open();
        std::printf("opened %s at %u bit/s; %u bytes waiting\n", argv[1],
                    static_cast<unsigned>(comm.BaudValue()), static_cast<unsigned>(comm.InQueue()));
        comm.Close();
        return 0;
    } catch (const EDeviceError& e) {
        std::printf("error %d: %s\n", e.ErrorCode(), e.what());
        return 1;
    }
}
