#include "serial/XComErr.h"

const char* DeviceErrorText(TDeviceErrorCode Code) {
    switch (Code) {
    case ecNotOpened:
        return "Device not opened.";
    case ecAlreadyOpened:
        return "Device is already opened.";
    case ecUpdateControlBlock:
        return "Unable to update device control block.";
    case ecSendLocked:
        return "Device locked. Cannot perform send operations.";
    case ecReadLocked:
        return "Device locked. Cannot perform read operations.";
    case ecUpdateBuffers:
        return "Unable to update IO buffers.";
    case ecUpdateTimeouts:
        return "Unable to update timeouts.";
    case ecReadFailed:
        return "Unable to read from port.";
    case ecWriteFailed:
        return "Unable to write to port.";
    case ecCannotOpen:
        return "Cannot open device %s";
    }
    return "";
}

EDeviceError EDeviceError::FromCode(TDeviceErrorCode Code) {
    return EDeviceError(DeviceErrorText(Code), Code);
}

EDeviceError EDeviceError::CannotOpen(const std::string& DeviceName, int SystemError) {
    const std::string reason = OpenFailureReason(SystemError);
    return EDeviceError("Cannot open device " + DeviceName + (reason.empty() ? "" : ": " + reason) +
                            " (" + CommSystemErrorKind() + " error " + std::to_string(SystemError) +
                            ": " + CommSystemErrorText(SystemError) + ")",
                        ecCannotOpen, reason);
}

EDeviceError EDeviceError::WithSystemError(TDeviceErrorCode Code, int SystemError) {
    return EDeviceError(std::string(DeviceErrorText(Code)) + " (" + CommSystemErrorKind() +
                            " error " + std::to_string(SystemError) + ": " +
                            CommSystemErrorText(SystemError) + ")",
                        Code);
}
