#pragma once
// EDeviceError: the one exception the serial-port component raises. Each
// failure carries a fixed code and text; read and write failures add the
// operating system's error number and text.
// Threading: a plain value type.

#include <stdexcept>
#include <string>
#include <utility>

// The component's error codes.
enum TDeviceErrorCode : int {
    ecNotOpened = 1,
    ecAlreadyOpened = 2,
    ecUpdateControlBlock = 3,
    ecSendLocked = 4,
    ecReadLocked = 5,
    ecUpdateBuffers = 6,
    ecUpdateTimeouts = 7,
    ecReadFailed = 10,
    ecWriteFailed = 11,
    ecCannotOpen = 65535,
};

class EDeviceError : public std::runtime_error {
public:
    EDeviceError(const std::string& Message, int ErrorCode, std::string Reason = {})
        : std::runtime_error(Message), FErrorCode(ErrorCode), FReason(std::move(Reason)) {}

    int ErrorCode() const { return FErrorCode; }
    // Why, in the operator's words, where the system's error says more than
    // the fixed text (a port that cannot be opened); empty otherwise.
    const std::string& Reason() const { return FReason; }

    // The error with the fixed text of its code (every code but 10, 11 and
    // 65535, whose texts need more to say).
    static EDeviceError FromCode(TDeviceErrorCode Code);
    // "Cannot open device <name>" (65535), followed by why: the reason the
    // system's error stands for, if it stands for one the operator can act
    // on, and the system's own account of it.
    static EDeviceError CannotOpen(const std::string& DeviceName, int SystemError);
    // "<fixed text> (<kind> error <number>: <system text>)": the fixed text of
    // Code followed by the operating system's account of what went wrong.
    static EDeviceError WithSystemError(TDeviceErrorCode Code, int SystemError);

private:
    int FErrorCode;
    std::string FReason;
};

// A failure of the port as the operator reads it: what went wrong in
// Russian, the system's own account after it in brackets where there is
// one. Other exceptions keep their text.
std::string PortErrorText(const std::exception& Error);

// The fixed text of a code ("Device not opened." for 1, ...).
const char* DeviceErrorText(TDeviceErrorCode Code);

// The operating system's text for one of its error numbers, and the word for
// that numbering ("POSIX" or "Win32"). One implementation per platform.
std::string CommSystemErrorText(int SystemError);
const char* CommSystemErrorKind();
// What a failed open's system error means for the operator: no such port,
// in use by another program, not a serial port, no permission; empty for
// any other error. One implementation per platform.
std::string OpenFailureReason(int SystemError);
