#pragma once
// The driver's line-control block in a platform-neutral form (the fields of a
// Windows device control block), and the pure translations between it and
// the component's settings: building it from the settings, reading flow and
// option settings back out of it, and the flow-control presets.
// Threading: plain values and pure functions.

#include <cstdint>

#include "serial/XComTypes.h"

// How a modem-control output line is driven.
enum TLineControl : std::uint8_t { lcDisable = 0, lcEnable = 1, lcHandshake = 2, lcToggle = 3 };

struct TCommControlBlock {
    std::uint32_t BaudRate = 0;
    std::uint8_t ByteSize = 8; // 4..8 data bits
    TParity Parity = paNone;
    TStopBits StopBits = sb1;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t XonChar = 0;
    std::uint8_t XoffChar = 0;
    std::uint8_t ErrorChar = 0;
    std::uint8_t EofChar = 0;
    std::uint8_t EvtChar = 0;
    bool Binary = false;
    bool ParityCheck = false;
    bool OutxCtsFlow = false;
    bool OutxDsrFlow = false;
    TLineControl DtrControl = lcDisable;
    bool DsrSensitivity = false;
    bool TXContinueOnXoff = false;
    bool OutX = false;
    bool InX = false;
    bool ErrorCharReplace = false; // replace bytes with parity errors by ErrorChar
    bool DiscardNull = false;
    TLineControl RtsControl = lcDisable;
    bool AbortOnError = false;

    bool operator==(const TCommControlBlock&) const = default;
};

// The five driver timeouts, in milliseconds.
struct TCommTimeoutValues {
    std::uint32_t ReadInterval = 1;
    std::uint32_t ReadMultiplier = 0;
    std::uint32_t ReadConstant = 1;
    std::uint32_t WriteMultiplier = 0;
    std::uint32_t WriteConstant = 1;

    bool operator==(const TCommTimeoutValues&) const = default;
};

struct TEventCharValues {
    std::uint8_t XonChar = 17;
    std::uint8_t XoffChar = 19;
    std::uint8_t ErrorChar = 0;
    std::uint8_t EventChar = 10;
    std::uint8_t EofChar = 0;
};

// Everything the line-control block is built from.
struct TCommLineSettings {
    std::uint32_t BaudValue = 9600;
    TDataBits DataBits = db8;
    TParity Parity = paNone;
    TStopBits StopBits = sb1;
    std::uint16_t InputSize = 2048;
    TEventCharValues Chars;
    TRTSSettings RTS;
    TDTRSettings DTR;
    TXOnXOffSettings XOnXOff;
    TCommOptions Options;
};

// A block built from scratch: every field not named by the settings is zero,
// the binary-mode flag is always set, and with no DTR or RTS setting both
// lines are held off.
TCommControlBlock BuildControlBlock(const TCommLineSettings& Settings);

// The settings read back out of a block. coLeaveDTROpen has no flag of its
// own, so it is taken over from the stored options.
TRTSSettings DecodeRTSSettings(const TCommControlBlock& Block);
TDTRSettings DecodeDTRSettings(const TCommControlBlock& Block);
TXOnXOffSettings DecodeXOnXOffSettings(const TCommControlBlock& Block);
TCommOptions DecodeOptions(const TCommControlBlock& Block, TCommOptions Stored);

// The three flow sets a flow-control mode stands for, with coLeaveDTROpen
// keeping DTR enabled and never under handshake.
struct TFlowSettings {
    TRTSSettings RTS;
    TDTRSettings DTR;
    TXOnXOffSettings XOnXOff;
};
TFlowSettings FlowSettingsFor(TFlowControl Mode, TCommOptions Options);
