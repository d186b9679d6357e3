// The translations between the component's settings and the driver's
// line-control block, and the error texts the operator gets to see.

#include <gtest/gtest.h>

#include <cerrno>

#include "serial/CommControlBlock.h"
#include "serial/XComErr.h"

namespace {

TCommControlBlock BlockFor(TFlowControl Mode, TCommOptions Options = {}) {
    TCommLineSettings s;
    const TFlowSettings f = FlowSettingsFor(Mode, Options);
    s.RTS = f.RTS;
    s.DTR = f.DTR;
    s.XOnXOff = f.XOnXOff;
    s.Options = Options;
    return BuildControlBlock(s);
}

} // namespace

TEST(ControlBlock, LinkSettingsGiveBinaryLinesWithBothModemLinesHeldOffAndNoFlowControl) {
    TCommLineSettings s;
    s.BaudValue = 19200;
    const TCommControlBlock b = BuildControlBlock(s);
    EXPECT_EQ(b.BaudRate, 19200u);
    EXPECT_TRUE(b.Binary);
    EXPECT_EQ(b.DtrControl, lcDisable);
    EXPECT_EQ(b.RtsControl, lcDisable);
    EXPECT_FALSE(b.OutxCtsFlow || b.OutxDsrFlow || b.InX || b.OutX || b.ParityCheck ||
                 b.DsrSensitivity || b.ErrorCharReplace || b.DiscardNull || b.AbortOnError ||
                 b.TXContinueOnXoff);

    // The framing asked for reaches the block; the flow limits follow the
    // input queue's size.
    s.DataBits = db5;
    s.Parity = paSpace;
    s.StopBits = sb1p5;
    s.InputSize = 128;
    const TCommControlBlock c = BuildControlBlock(s);
    EXPECT_EQ(c.ByteSize, 5);
    EXPECT_EQ(c.Parity, paSpace);
    EXPECT_EQ(c.StopBits, sb1p5);
    EXPECT_LT(c.XonLim, b.XonLim);
    EXPECT_LT(c.XoffLim, b.XoffLim);
}

struct TFlowCase {
    TFlowControl Mode;
    bool CtsOut, DsrOut, InX, OutX;
    TLineControl Dtr, Rts;
};

class FlowPresets : public ::testing::TestWithParam<TFlowCase> {};

TEST_P(FlowPresets, DriveTheBlockAndReadBackUnchanged) {
    const TFlowCase& c = GetParam();
    const TCommControlBlock b = BlockFor(c.Mode);
    EXPECT_EQ(b.OutxCtsFlow, c.CtsOut);
    EXPECT_EQ(b.OutxDsrFlow, c.DsrOut);
    EXPECT_EQ(b.InX, c.InX);
    EXPECT_EQ(b.OutX, c.OutX);
    EXPECT_EQ(b.DtrControl, c.Dtr);
    EXPECT_EQ(b.RtsControl, c.Rts);

    const TFlowSettings f = FlowSettingsFor(c.Mode, {});
    EXPECT_EQ(DecodeRTSSettings(b), f.RTS);
    EXPECT_EQ(DecodeDTRSettings(b), f.DTR);
    EXPECT_EQ(DecodeXOnXOffSettings(b), f.XOnXOff);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, FlowPresets,
    ::testing::Values(TFlowCase{fcNone, false, false, false, false, lcDisable, lcDisable},
                      TFlowCase{fcRtsCts, true, false, false, false, lcEnable, lcHandshake},
                      TFlowCase{fcDtrDsr, false, true, false, false, lcEnable, lcEnable},
                      TFlowCase{fcSoftware, false, false, true, true, lcEnable, lcDisable},
                      TFlowCase{fcCustom, false, false, false, false, lcEnable, lcDisable}));

TEST(ControlBlock, OptionsRoundTripAndLeaveDTROpenComesFromTheStoredSet) {
    const TCommOptions all{coAbortOnError, coDiscardNull, coDSRSensitivity,
                           coErrorChar,    coParityCheck, coTXContinueOnXOff};
    for (TCommOption o : {coAbortOnError, coDiscardNull, coDSRSensitivity, coErrorChar,
                          coParityCheck, coTXContinueOnXOff}) {
        TCommLineSettings s;
        s.Options = {o};
        EXPECT_EQ(DecodeOptions(BuildControlBlock(s), {}), TCommOptions{o}) << int(o);
    }
    TCommLineSettings s;
    s.Options = all;
    EXPECT_EQ(DecodeOptions(BuildControlBlock(s), {}), all);
    // The block has no flag of its own for it: it is what was stored.
    EXPECT_EQ(DecodeOptions(BuildControlBlock(s), {coLeaveDTROpen}),
              all | TCommOptions{coLeaveDTROpen});
}

TEST(ControlBlock, LineControlFieldsNeverGetBothModesAtOnce) {
    TCommLineSettings s;
    s.RTS = {fsRTSEnabled, fsRTSHandshake};
    s.DTR = {fsDTRHandshake};
    s.Options = {coLeaveDTROpen};
    const TCommControlBlock b = BuildControlBlock(s);
    EXPECT_EQ(b.RtsControl, lcHandshake); // not the toggle mode the two bits would make
    EXPECT_EQ(b.DtrControl, lcEnable);    // leaving DTR open beats handshake

    TCommControlBlock toggle;
    toggle.RtsControl = lcToggle;
    EXPECT_EQ(DecodeRTSSettings(toggle), (TRTSSettings{fsRTSEnabled, fsRTSHandshake}));

    EXPECT_EQ(FlowSettingsFor(fcNone, {coLeaveDTROpen}).DTR, TDTRSettings{fsDTREnabled});
}

TEST(ControlBlock, RatesMapToTheirNumbersBothWaysAndOtherNumbersAreCustom) {
    for (int i = 0; i < brCustom; ++i) {
        const auto rate = static_cast<TBaudRate>(i);
        EXPECT_GT(BaudRateValue(rate), 0u) << i;
        EXPECT_EQ(BaudRateFromValue(BaudRateValue(rate)), rate) << i;
    }
    EXPECT_EQ(BaudRateValue(brCustom), 0u);
    EXPECT_EQ(BaudRateFromValue(250000), brCustom);
    EXPECT_EQ(BaudRateFromValue(0), brCustom);
}

TEST(DeviceError, TextsAndCodesAreTheOnesTheOperatorSees) {
    EXPECT_STREQ(EDeviceError::FromCode(ecAlreadyOpened).what(), "Device is already opened.");
    EXPECT_EQ(EDeviceError::FromCode(ecReadLocked).ErrorCode(), 5);
    // A port that cannot be opened: the fixed text, then why, then the
    // system's account (error 2 is "no such file" on both systems).
    const EDeviceError open = EDeviceError::CannotOpen("COM7", 2);
    EXPECT_EQ(open.Reason(), "нет такого порта");
    EXPECT_TRUE(std::string(open.what()).starts_with("Cannot open device COM7: нет такого порта ("))
        << open.what();
    EXPECT_EQ(open.ErrorCode(), 65535);
    const EDeviceError read = EDeviceError::WithSystemError(ecReadFailed, EIO);
    // "(POSIX error 5: ...)" here, "(Win32 error 5: ...)" on Windows, with the system's own text.
    const std::string text = read.what();
    EXPECT_EQ(text.rfind("Unable to read from port. (", 0), 0u) << text;
    EXPECT_TRUE(text.find("POSIX error 5: ") != std::string::npos ||
                text.find("Win32 error 5: ") != std::string::npos)
        << text;
    EXPECT_EQ(text.back(), ')');
    EXPECT_EQ(read.ErrorCode(), 10);
    EXPECT_EQ(EDeviceError::WithSystemError(ecWriteFailed, EIO).ErrorCode(), 11);
}
