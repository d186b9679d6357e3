#pragma once
// The serial component on a real port, one suite for every backend: each
// platform's test program instantiates it with the far end of a line it has
// (PortFarEnd_posix.cpp: the simulator as a bare wire on a pseudo-terminal,
// in this process; tests/win32/PortFarEnd_win32.cpp: a COM port under wine,
// with the same simulator on the Linux side reached through its control
// line) and says where its platform differs.
//
// Threading: a far end belongs to the test's thread; a test may hand it to one
// other thread at a time.

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "serial/XComDrv.h"

// Where a platform, or wine standing in for Windows, differs (README,
// "Windows"). The suite checks what every platform promises and, where they
// part, what this one does.
struct TPortTraits {
    // Names that open nothing, with the reason the operator is given.
    std::vector<std::pair<std::string, std::string>> NotAPort;
    // How the system's own account of an error begins: "(POSIX error ".
    std::string ErrorTag;
    // A second open of a held port is refused with this reason, and
    // succeeds once the first holder closed; otherwise it is not refused
    // (wine does not enforce exclusive serial ports).
    bool SecondOpenRefused = true;
    std::string SecondOpenReason;
    // RTS and DTR may move (a real port); otherwise moving them is refused
    // with an account that begins so.
    bool ModemLinesMove = false;
    std::string ModemLineRefusal;
    // The account of a read once the line dropped begins so.
    std::string DropAccount;
    // The driver reports line events to the component's event thread.
    bool LineEvents = true;
    // How RTS reads back under RTS/CTS flow control.
    TRTSSetting RtsUnderHandshake = fsRTSHandshake;
    // CPU the whole process may spend in a quiet 300 ms: a spin takes it all.
    long long QuietProcessCpuMs = 100;
};

// The unit's side of the cable as a bare wire: what the component sends is
// kept, and the test makes the far end send, stop reading or go away.
class TFarEnd {
public:
    virtual ~TFarEnd() = default;

    virtual const TPortTraits& Traits() const = 0;
    // The port the component opens.
    virtual std::string PortName() const = 0;
    // Bytes to the component, now.
    virtual void Send(const std::string& Bytes) = 0;
    // What the component sent since last asked, once AtLeast bytes are there
    // or TimeoutMs passed.
    virtual std::string Received(std::size_t AtLeast, int TimeoutMs) = 0;
    // Stops (resumes) reading the line: the component's writes back up.
    virtual void Hold(bool On) = 0;
    // The line goes away, as when an adapter is pulled.
    virtual void Drop() = 0;
    // The line as the driver holds it: "19200 8N1", then " crtscts", " ixon"
    // and " ixoff" for the flow controls that are on.
    virtual std::string Line() = 0;
};

// The code of the EDeviceError F raises; 0 when it raises none.
template <typename F> int CodeOf(F&& f) {
    try {
        f();
    } catch (const EDeviceError& e) {
        return e.ErrorCode();
    }
    return 0;
}

using TFarEndMaker = std::unique_ptr<TFarEnd> (*)();

class PortBehaviour : public ::testing::TestWithParam<TFarEndMaker> {
protected:
    PortBehaviour() : Far(GetParam()()), Is(Far->Traits()) {}

    // The link's settings (19200 8N1, no flow control) on the far end's port, opened.
    void OpenLinkSettings(TXComm& Comm) const {
        Comm.SetBaudRate(br19200);
        Comm.DataControl().SetParity(paNone);
        Comm.SetFlowControl(fcNone);
        Comm.SetDeviceName(Far->PortName());
        Comm.Open();
    }

    std::unique_ptr<TFarEnd> Far;
    const TPortTraits& Is;
};
