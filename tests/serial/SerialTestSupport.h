#pragma once
// Helpers for the serial component's POSIX-only tests over bare
// pseudo-terminals (the behaviours every backend shares are in
// PortBehaviour.h).

#include "SimSupport.h"
#include "TestClock.h"
#include "serial/XComDrv.h"

// A component on the slave side of Pty at the link's settings, opened.
inline void OpenOnPty(TXComm& Comm, const TPty& Pty) {
    Comm.SetBaudRate(br19200);
    Comm.DataControl().SetParity(paNone);
    Comm.SetFlowControl(fcNone);
    Comm.SetDeviceName(Pty.SlavePath());
    Comm.Open();
}
