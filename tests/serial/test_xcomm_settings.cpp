// Setter rules of the serial component: what is stored, what is ignored, and
// what reaches the driver of an open port and is read back from it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "SerialTestSupport.h"
#include "serial/CommBackend.h"

namespace {

// A second descriptor on the pty's slave, to see the line settings as the
// driver holds them.
struct TSlaveView {
    int Fd;
    explicit TSlaveView(const TPty& Pty) : Fd(open(Pty.SlavePath().c_str(), O_RDWR | O_NOCTTY)) {}
    ~TSlaveView() { close(Fd); }
    termios Get() const {
        termios t{};
        tcgetattr(Fd, &t);
        return t;
    }
};

} // namespace

TEST(CommSettings, BaudValueFollowsTheRateAndIsFreeOnlyForCustom) {
    TXComm c;
    EXPECT_EQ(c.BaudRate(), br9600);
    EXPECT_EQ(c.BaudValue(), 9600u);
    c.SetBaudValue(1234);
    EXPECT_EQ(c.BaudValue(), 9600u);
    c.SetBaudRate(br19200);
    EXPECT_EQ(c.BaudValue(), 19200u);
    c.SetBaudRate(brCustom);
    EXPECT_EQ(c.BaudValue(), 19200u);
    c.SetBaudValue(250000);
    EXPECT_EQ(c.BaudValue(), 250000u);
    c.SetBaudRate(br57600);
    EXPECT_EQ(c.BaudValue(), 57600u);
}

TEST(CommSettings, FlowSetsFollowTheModeAndChangeByHandOnlyInCustom) {
    TXComm c;
    c.SetRTSSettings({fsRTSEnabled});
    EXPECT_TRUE(c.RTSSettings().Empty());

    c.SetFlowControl(fcRtsCts);
    EXPECT_EQ(c.RTSSettings(), (TRTSSettings{fsCTSOut, fsRTSHandshake}));
    EXPECT_EQ(c.DTRSettings(), TDTRSettings{fsDTREnabled});
    c.SetFlowControl(fcCustom); // keeps what the previous mode set
    EXPECT_EQ(c.RTSSettings(), (TRTSSettings{fsCTSOut, fsRTSHandshake}));

    c.SetRTSSettings({fsRTSEnabled});
    c.SetXOnXOffSettings({fsOutX});
    EXPECT_EQ(c.RTSSettings(), TRTSSettings{fsRTSEnabled});
    EXPECT_EQ(c.XOnXOffSettings(), TXOnXOffSettings{fsOutX});

    // Enabled and handshake at once: the one not already set is kept.
    c.SetDTRSettings({fsDTREnabled, fsDTRHandshake});
    EXPECT_EQ(c.DTRSettings(), TDTRSettings{fsDTRHandshake});
    c.SetDTRSettings({fsDTREnabled, fsDTRHandshake});
    EXPECT_EQ(c.DTRSettings(), TDTRSettings{fsDTREnabled});

    // An options change while closed re-derives the sets, even in custom mode.
    c.SetOptions({coLeaveDTROpen});
    EXPECT_TRUE(c.RTSSettings().Empty());
    EXPECT_TRUE(c.XOnXOffSettings().Empty());
    EXPECT_EQ(c.DTRSettings(), TDTRSettings{fsDTREnabled});
    c.SetDTRSettings({fsDTRHandshake, fsDSROut}); // leaving DTR open forbids handshake
    EXPECT_EQ(c.DTRSettings(), (TDTRSettings{fsDTREnabled, fsDSROut}));
}

TEST(CommSettings, QueueSizesAreClampedToWhatTheDriverCanHold) {
    TXComm c;
    c.Buffers().SetInputSize(100);
    EXPECT_EQ(c.Buffers().InputSize(), 128);
    c.Buffers().SetOutputSize(10000);
    EXPECT_EQ(c.Buffers().OutputSize(), TCommBackend::MaxQueueSize());
    c.Buffers().SetOutputSize(0);
    EXPECT_EQ(c.Buffers().OutputSize(), 128);
    c.Buffers().SetInputSize(300);
    EXPECT_EQ(c.Buffers().InputSize(), 300);
}

TEST(CommSettings, OpenPutsTheLineInRawModeAndCloseRestoresTheOriginal) {
    TPty pty;
    TSlaveView view(pty);
    termios cooked = view.Get();
    cooked.c_iflag |= ICRNL | IXON;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cfsetspeed(&cooked, B9600);
    ASSERT_EQ(tcsetattr(view.Fd, TCSANOW, &cooked), 0);

    TXComm c;
    OpenOnPty(c, pty);
    const termios raw = view.Get();
    EXPECT_EQ(cfgetospeed(&raw), B19200);
    EXPECT_EQ(raw.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    EXPECT_EQ(raw.c_iflag & (ICRNL | IXON | IXOFF), 0u);
    EXPECT_EQ(raw.c_oflag & OPOST, 0u);
    EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(c.DataControl().DataBits(), db8);

    c.Close();
    const termios back = view.Get();
    EXPECT_EQ(back.c_iflag, cooked.c_iflag);
    EXPECT_EQ(back.c_oflag, cooked.c_oflag);
    EXPECT_EQ(back.c_lflag, cooked.c_lflag);
    EXPECT_EQ(back.c_cflag, cooked.c_cflag);
}

TEST(CommSettings, ChangesWhileOpenReachTheDriverAndGettersReadTheDriver) {
    TPty pty;
    TSlaveView view(pty);
    TXComm c;
    OpenOnPty(c, pty);

    c.SetBaudRate(br38400);
    const termios fast = view.Get();
    EXPECT_EQ(cfgetospeed(&fast), B38400);
    c.DataControl().SetStopBits(sb2);
    EXPECT_EQ(view.Get().c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8 | CSTOPB));
    EXPECT_EQ(c.DataControl().StopBits(), sb2);

    c.SetFlowControl(fcSoftware);
    c.EventChars().SetXonChar(0x05);
    EXPECT_EQ(view.Get().c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
    EXPECT_EQ(view.Get().c_cc[VSTART], 0x05);
    EXPECT_EQ(c.XOnXOffSettings(), (TXOnXOffSettings{fsInX, fsOutX}));
    c.SetFlowControl(fcRtsCts);
    EXPECT_NE(view.Get().c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(c.RTSSettings(), (TRTSSettings{fsCTSOut, fsRTSHandshake}));

    // Someone else changes the speed: the getters tell the truth.
    termios t = view.Get();
    cfsetspeed(&t, B57600);
    tcsetattr(view.Fd, TCSANOW, &t);
    EXPECT_EQ(c.BaudRate(), br57600);
    EXPECT_EQ(c.BaudValue(), 57600u);

    c.SetBaudRate(brCustom);
    c.SetBaudValue(250000);
    EXPECT_EQ(c.BaudValue(), 250000u);
    EXPECT_EQ(c.BaudRate(), brCustom);

    c.SetDeviceName("elsewhere");
    EXPECT_EQ(c.DeviceName(), pty.SlavePath());
    c.SetOptions({coLeaveDTROpen, coParityCheck}); // the DTR choice is fixed while open
    EXPECT_EQ(c.Options(), TCommOptions{coParityCheck});
    EXPECT_NE(view.Get().c_iflag & INPCK, 0u);
    // The driver reports no queue sizes of its own: the stored ones stand.
    EXPECT_EQ(c.Buffers().InputSize(), 2048);
}

TEST(CommSettings, SettingsTheDriverCannotHonourRaiseCode3AndLeaveThePortUsable) {
    TPty pty;
    TXComm c;
    c.DataControl().SetDataBits(db4);
    try {
        OpenOnPty(c, pty);
        FAIL() << "4-bit characters were accepted";
    } catch (const EDeviceError& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
        EXPECT_STREQ(e.what(), "Unable to update device control block.");
    }
    EXPECT_TRUE(c.Connected());
    c.DataControl().SetDataBits(db8);

    const auto expectCode3 = [&](auto change) {
        try {
            change();
            ADD_FAILURE() << "accepted";
        } catch (const EDeviceError& e) {
            EXPECT_EQ(e.ErrorCode(), 3);
        }
    };
    // A pseudo-terminal always carries 8 bits without parity: a driver that
    // does not take the framing asked for must not look as if it had.
    expectCode3([&] { c.DataControl().SetParity(paEven); });
    EXPECT_EQ(c.DataControl().Parity(), paNone);
    c.DataControl().SetParity(paNone);
    expectCode3([&] { c.SetFlowControl(fcDtrDsr); }); // no DTR/DSR handshake in termios
    c.SetFlowControl(fcNone);
    expectCode3([&] { c.DataControl().SetStopBits(sb1p5); }); // 1.5 only with 5 data bits
    c.DataControl().SetStopBits(sb1);
    expectCode3([&] {
        c.SetBaudRate(brCustom);
        c.SetBaudValue(0); // speed 0 would hang the line up
    });
    c.SetBaudRate(br19200);
    EXPECT_TRUE(c.WriteString("still works"));
    EXPECT_EQ(MasterRead(pty, 11, 2000), "still works");
}
