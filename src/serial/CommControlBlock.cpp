#include "serial/CommControlBlock.h"

#include <array>

namespace {

constexpr std::array<std::uint32_t, brCustom> RateValues = {110,   300,   600,    1200,   2400,
                                                            4800,  9600,  14400,  19200,  38400,
                                                            56000, 57600, 115200, 128000, 256000};

} // namespace

std::uint32_t BaudRateValue(TBaudRate Rate) {
    return Rate < brCustom ? RateValues[Rate] : 0;
}

TBaudRate BaudRateFromValue(std::uint32_t Value) {
    for (std::size_t i = 0; i < RateValues.size(); ++i)
        if (RateValues[i] == Value)
            return static_cast<TBaudRate>(i);
    return brCustom;
}

TCommControlBlock BuildControlBlock(const TCommLineSettings& s) {
    TCommControlBlock b;
    b.BaudRate = s.BaudValue;
    b.ByteSize = static_cast<std::uint8_t>(s.DataBits + 4);
    b.Parity = s.Parity;
    b.StopBits = s.StopBits;
    b.XonLim = static_cast<std::uint16_t>(s.InputSize / 4);
    b.XoffLim = static_cast<std::uint16_t>(s.InputSize / 4);
    b.XonChar = s.Chars.XonChar;
    b.XoffChar = s.Chars.XoffChar;
    b.ErrorChar = s.Chars.ErrorChar;
    b.EofChar = s.Chars.EofChar;
    b.EvtChar = s.Chars.EventChar;
    b.Binary = true;

    b.OutxDsrFlow = s.DTR.Contains(fsDSROut);
    // Handshake and enable are two values of one 2-bit field; should both be
    // asked for, "leave DTR open" decides for enable, otherwise handshake wins.
    if (s.Options.Contains(coLeaveDTROpen))
        b.DtrControl = lcEnable;
    else if (s.DTR.Contains(fsDTRHandshake))
        b.DtrControl = lcHandshake;
    else if (s.DTR.Contains(fsDTREnabled))
        b.DtrControl = lcEnable;

    b.OutxCtsFlow = s.RTS.Contains(fsCTSOut);
    // Or-ing enable into handshake would give the toggle mode nobody asked for.
    if (s.RTS.Contains(fsRTSHandshake))
        b.RtsControl = lcHandshake;
    else if (s.RTS.Contains(fsRTSEnabled))
        b.RtsControl = lcEnable;

    b.InX = s.XOnXOff.Contains(fsInX);
    b.OutX = s.XOnXOff.Contains(fsOutX);
    b.ParityCheck = s.Options.Contains(coParityCheck);
    b.DsrSensitivity = s.Options.Contains(coDSRSensitivity);
    b.ErrorCharReplace = s.Options.Contains(coErrorChar);
    b.DiscardNull = s.Options.Contains(coDiscardNull);
    b.AbortOnError = s.Options.Contains(coAbortOnError);
    b.TXContinueOnXoff = s.Options.Contains(coTXContinueOnXOff);
    return b;
}

TRTSSettings DecodeRTSSettings(const TCommControlBlock& b) {
    TRTSSettings r;
    if (b.OutxCtsFlow)
        r.Include(fsCTSOut);
    if (b.RtsControl & lcEnable)
        r.Include(fsRTSEnabled);
    if (b.RtsControl & lcHandshake)
        r.Include(fsRTSHandshake);
    return r;
}

TDTRSettings DecodeDTRSettings(const TCommControlBlock& b) {
    TDTRSettings r;
    if (b.OutxDsrFlow)
        r.Include(fsDSROut);
    if (b.DtrControl & lcEnable)
        r.Include(fsDTREnabled);
    if (b.DtrControl & lcHandshake)
        r.Include(fsDTRHandshake);
    return r;
}

TXOnXOffSettings DecodeXOnXOffSettings(const TCommControlBlock& b) {
    TXOnXOffSettings r;
    if (b.InX)
        r.Include(fsInX);
    if (b.OutX)
        r.Include(fsOutX);
    return r;
}

TCommOptions DecodeOptions(const TCommControlBlock& b, TCommOptions Stored) {
    TCommOptions r;
    if (b.ParityCheck)
        r.Include(coParityCheck);
    if (b.DsrSensitivity)
        r.Include(coDSRSensitivity);
    if (b.ErrorCharReplace)
        r.Include(coErrorChar);
    if (b.DiscardNull)
        r.Include(coDiscardNull);
    if (b.AbortOnError)
        r.Include(coAbortOnError);
    if (b.TXContinueOnXoff)
        r.Include(coTXContinueOnXOff);
    if (Stored.Contains(coLeaveDTROpen))
        r.Include(coLeaveDTROpen);
    return r;
}

TFlowSettings FlowSettingsFor(TFlowControl Mode, TCommOptions Options) {
    TFlowSettings f;
    switch (Mode) {
    case fcNone:
        break;
    case fcRtsCts:
        f.RTS = {fsCTSOut, fsRTSHandshake};
        f.DTR = {fsDTREnabled};
        break;
    case fcDtrDsr:
        f.RTS = {fsRTSEnabled};
        f.DTR = {fsDSROut, fsDTREnabled};
        break;
    case fcSoftware:
        f.DTR = {fsDTREnabled};
        f.XOnXOff = {fsInX, fsOutX};
        break;
    case fcCustom:
        f.DTR = {fsDTREnabled};
        break;
    }
    if (Options.Contains(coLeaveDTROpen)) {
        f.DTR.Include(fsDTREnabled);
        f.DTR.Exclude(fsDTRHandshake);
    }
    return f;
}
