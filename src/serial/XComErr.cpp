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

namespace {

const char* DeviceErrorWords(int Code) {
    switch (Code) {
    case ecNotOpened:
        return "порт не открыт";
    case ecAlreadyOpened:
        return "порт уже открыт";
    case ecUpdateControlBlock:
        return "не удалось задать настройки порта";
    case ecSendLocked:
        return "порт занят, отправить нельзя";
    case ecReadLocked:
        return "порт занят, прочитать нельзя";
    case ecUpdateBuffers:
        return "не удалось задать буферы порта";
    case ecUpdateTimeouts:
        return "не удалось задать время ожидания порта";
    case ecReadFailed:
        return "не удалось прочитать из порта";
    case ecWriteFailed:
        return "не удалось записать в порт";
    default:
        return nullptr;
    }
}

} // namespace

std::string PortErrorText(const std::exception& Error) {
    const auto* device = dynamic_cast<const EDeviceError*>(&Error);
    const std::string text = Error.what();
    if (!device)
        return text;
    if (device->ErrorCode() == ecCannotOpen) {
        // "Cannot open device NAME[: reason] (system's account)"
        const std::string head = "Cannot open device ";
        return "не удалось открыть порт " +
               (text.starts_with(head) ? text.substr(head.size()) : text);
    }
    const char* words = DeviceErrorWords(device->ErrorCode());
    const std::string fixed = DeviceErrorText(static_cast<TDeviceErrorCode>(device->ErrorCode()));
    if (!words)
        return text;
    return words + (text.starts_with(fixed) ? text.substr(fixed.size()) : std::string());
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
