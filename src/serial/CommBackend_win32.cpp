// The serial driver on the Windows communications functions, with the device
// opened for overlapped I/O so that transfers, the event wait and the input
// wait can run side by side.

#include "serial/CommBackend.h"
#include "serial/XComErr.h"

#include <algorithm>
#include <chrono>
#include <windows.h>

namespace {

using TClock = std::chrono::steady_clock;

// Longest single wait for input before the queue is looked at again. The
// event thread reports input at once; where it cannot (wine's serial driver
// fails WaitCommEvent) the queue is all there is to go by: while a reply
// may be due (the longest a unit is given is 4.5 s after a command) it is
// looked at every millisecond, at rest seldom, which costs next to nothing.
constexpr DWORD InputCheckMs = 50;
constexpr DWORD ReplyCheckMs = 1;
constexpr std::chrono::milliseconds ReplyWindow{5000};

// GetLastError after a failed call, never 0 (a failure must stay a failure).
int LastError() {
    const DWORD err = GetLastError();
    return err != 0 ? static_cast<int>(err) : ERROR_GEN_FAILURE;
}

// A transfer cut short by the driver's own timeouts (the Timeouts settings)
// moved fewer bytes; it did not fail. Some drivers report it as an error.
bool CutShortByTimeout() {
    const DWORD err = GetLastError();
    return err == ERROR_TIMEOUT || err == ERROR_SEM_TIMEOUT;
}

DWORD RemainingMs(TClock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
    return left > 0 ? static_cast<DWORD>(std::min<long long>(left, 1 << 30)) : 0;
}

// Waits for the line events of the device's event mask with an overlapped
// WaitCommEvent, or for the stop event, whichever comes first. Every received
// character and every failure also signals the backend's input event, which
// the owner thread's input wait blocks on.
class TWin32EventWaiter final : public TCommEventWaiter {
public:
    TWin32EventWaiter(HANDLE port, HANDLE inputSignal) : FPort(port), FInputSignal(inputSignal) {
        FStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        FWaitDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }

    ~TWin32EventWaiter() override {
        if (FStop)
            CloseHandle(FStop);
        if (FWaitDone)
            CloseHandle(FWaitDone);
    }

    TResult Wait(std::uint32_t& Mask) override {
        if (!FStop || !FWaitDone)
            return Fail();
        for (;;) {
            if (WaitForSingleObject(FStop, 0) == WAIT_OBJECT_0)
                return TResult::Stopped;
            OVERLAPPED ov{};
            ov.hEvent = FWaitDone;
            ResetEvent(FWaitDone);
            DWORD events = 0;
            if (!WaitCommEvent(FPort, &events, &ov)) {
                if (GetLastError() != ERROR_IO_PENDING)
                    return Fail();
                HANDLE handles[2] = {FStop, FWaitDone};
                const DWORD r = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
                if (r != WAIT_OBJECT_0 + 1) {
                    // Clearing the mask completes the pending wait; it must
                    // have completed before its OVERLAPPED goes out of scope.
                    SetCommMask(FPort, 0);
                    DWORD unused = 0;
                    GetOverlappedResult(FPort, &ov, &unused, TRUE);
                    return r == WAIT_OBJECT_0 ? TResult::Stopped : Fail();
                }
                DWORD unused = 0;
                if (!GetOverlappedResult(FPort, &ov, &unused, FALSE))
                    return Fail();
            }
            if (events & EV_RXCHAR)
                SetEvent(FInputSignal);
            // A change of the mask completes a wait with no events at all.
            if (events != 0) {
                Mask = events;
                return TResult::Events;
            }
        }
    }

    void Stop() override {
        if (FStop)
            SetEvent(FStop);
    }

private:
    TResult Fail() {
        SetEvent(FInputSignal);
        return TResult::Failed;
    }

    HANDLE FPort;
    HANDLE FInputSignal;
    HANDLE FStop = nullptr;
    HANDLE FWaitDone = nullptr;
};

class TWin32Backend final : public TCommBackend {
public:
    ~TWin32Backend() override { Close(); }

    int Open(const std::string& DeviceName) override {
        const std::string path = "\\\\.\\" + DeviceName;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return LastError();
        // Anything that opens but has no line settings is not a serial port,
        // whatever error the driver gives for the question.
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(h, &dcb)) {
            CloseHandle(h);
            return ERROR_NOT_SUPPORTED;
        }
        FInputSignal = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        FReadDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        FWriteDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!FInputSignal || !FReadDone || !FWriteDone) {
            const int err = LastError();
            CloseHandle(h);
            CloseEvents();
            return err;
        }
        FHandle = h;
        return 0;
    }

    void Close() override {
        if (FHandle == INVALID_HANDLE_VALUE)
            return;
        CloseHandle(FHandle);
        FHandle = INVALID_HANDLE_VALUE;
        CloseEvents();
    }

    int SetState(const TCommControlBlock& b) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        dcb.BaudRate = b.BaudRate;
        dcb.ByteSize = b.ByteSize;
        dcb.Parity = static_cast<BYTE>(b.Parity);     // same order as NOPARITY ...
        dcb.StopBits = static_cast<BYTE>(b.StopBits); // same order as ONESTOPBIT ...
        dcb.XonLim = b.XonLim;
        dcb.XoffLim = b.XoffLim;
        dcb.XonChar = static_cast<char>(b.XonChar);
        dcb.XoffChar = static_cast<char>(b.XoffChar);
        dcb.ErrorChar = static_cast<char>(b.ErrorChar);
        dcb.EofChar = static_cast<char>(b.EofChar);
        dcb.EvtChar = static_cast<char>(b.EvtChar);
        dcb.fBinary = b.Binary;
        dcb.fParity = b.ParityCheck;
        dcb.fOutxCtsFlow = b.OutxCtsFlow;
        dcb.fOutxDsrFlow = b.OutxDsrFlow;
        dcb.fDtrControl = b.DtrControl;
        dcb.fDsrSensitivity = b.DsrSensitivity;
        dcb.fTXContinueOnXoff = b.TXContinueOnXoff;
        dcb.fOutX = b.OutX;
        dcb.fInX = b.InX;
        dcb.fErrorChar = b.ErrorCharReplace;
        dcb.fNull = b.DiscardNull;
        dcb.fRtsControl = b.RtsControl;
        dcb.fAbortOnError = b.AbortOnError;
        return SetCommState(FHandle, &dcb) ? 0 : LastError();
    }

    int GetState(TCommControlBlock& b) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(FHandle, &dcb))
            return LastError();
        b.BaudRate = dcb.BaudRate;
        b.ByteSize = dcb.ByteSize;
        b.Parity = static_cast<TParity>(std::min<BYTE>(dcb.Parity, paSpace));
        b.StopBits = static_cast<TStopBits>(std::min<BYTE>(dcb.StopBits, sb2));
        b.XonLim = dcb.XonLim;
        b.XoffLim = dcb.XoffLim;
        b.XonChar = static_cast<std::uint8_t>(dcb.XonChar);
        b.XoffChar = static_cast<std::uint8_t>(dcb.XoffChar);
        b.ErrorChar = static_cast<std::uint8_t>(dcb.ErrorChar);
        b.EofChar = static_cast<std::uint8_t>(dcb.EofChar);
        b.EvtChar = static_cast<std::uint8_t>(dcb.EvtChar);
        b.Binary = dcb.fBinary;
        b.ParityCheck = dcb.fParity;
        b.OutxCtsFlow = dcb.fOutxCtsFlow;
        b.OutxDsrFlow = dcb.fOutxDsrFlow;
        b.DtrControl = static_cast<TLineControl>(dcb.fDtrControl);
        b.DsrSensitivity = dcb.fDsrSensitivity;
        b.TXContinueOnXoff = dcb.fTXContinueOnXoff;
        b.OutX = dcb.fOutX;
        b.InX = dcb.fInX;
        b.ErrorCharReplace = dcb.fErrorChar;
        b.DiscardNull = dcb.fNull;
        b.RtsControl = static_cast<TLineControl>(dcb.fRtsControl);
        b.AbortOnError = dcb.fAbortOnError;
        return 0;
    }

    int SetupQueues(std::uint32_t InputSize, std::uint32_t OutputSize) override {
        if (!PurgeComm(FHandle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
            return LastError();
        return SetupComm(FHandle, InputSize, OutputSize) ? 0 : LastError();
    }

    int GetQueueSizes(std::uint32_t& InputSize, std::uint32_t& OutputSize) override {
        COMMPROP p{};
        if (!GetCommProperties(FHandle, &p))
            return LastError();
        InputSize = p.dwCurrentRxQueue;
        OutputSize = p.dwCurrentTxQueue;
        return 0;
    }

    int SetTimeouts(const TCommTimeoutValues& t) override {
        COMMTIMEOUTS ct{};
        ct.ReadIntervalTimeout = t.ReadInterval;
        ct.ReadTotalTimeoutMultiplier = t.ReadMultiplier;
        ct.ReadTotalTimeoutConstant = t.ReadConstant;
        ct.WriteTotalTimeoutMultiplier = t.WriteMultiplier;
        ct.WriteTotalTimeoutConstant = t.WriteConstant;
        return SetCommTimeouts(FHandle, &ct) ? 0 : LastError();
    }

    int GetTimeouts(TCommTimeoutValues& t) override {
        COMMTIMEOUTS ct{};
        if (!GetCommTimeouts(FHandle, &ct))
            return LastError();
        t.ReadInterval = ct.ReadIntervalTimeout;
        t.ReadMultiplier = ct.ReadTotalTimeoutMultiplier;
        t.ReadConstant = ct.ReadTotalTimeoutConstant;
        t.WriteMultiplier = ct.WriteTotalTimeoutMultiplier;
        t.WriteConstant = ct.WriteTotalTimeoutConstant;
        return 0;
    }

    int QueueStatus(std::uint32_t& InQueue, std::uint32_t& OutQueue) override {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ClearCommError(FHandle, &errors, &stat))
            return LastError();
        InQueue = stat.cbInQue;
        OutQueue = stat.cbOutQue;
        return 0;
    }

    int ReadSome(void* Buffer, std::uint32_t Count, std::uint32_t& Done) override {
        Done = 0;
        OVERLAPPED ov{};
        ov.hEvent = FReadDone;
        ResetEvent(FReadDone);
        DWORD n = 0;
        if (!ReadFile(FHandle, Buffer, Count, &n, &ov)) {
            if (GetLastError() != ERROR_IO_PENDING)
                return LastError();
            if (!GetOverlappedResult(FHandle, &ov, &n, TRUE) && !CutShortByTimeout())
                return LastError();
        }
        Done = n;
        return 0;
    }

    int WriteSome(const void* Buffer, std::uint32_t Count, std::uint32_t& Done) override {
        Done = 0;
        OVERLAPPED ov{};
        ov.hEvent = FWriteDone;
        ResetEvent(FWriteDone);
        DWORD n = 0;
        if (!WriteFile(FHandle, Buffer, Count, &n, &ov)) {
            if (GetLastError() != ERROR_IO_PENDING)
                return LastError();
            if (!GetOverlappedResult(FHandle, &ov, &n, TRUE) && !CutShortByTimeout())
                return LastError();
        }
        Done = n;
        if (n > 0)
            FLastWrite = TClock::now();
        return 0;
    }

    TWaitResult WaitForInput(int TimeoutMs, int& Error, const TWakeSignal* Wake) override {
        const auto deadline = TClock::now() + std::chrono::milliseconds(std::max(TimeoutMs, 0));
        for (;;) {
            std::uint32_t in = 0;
            std::uint32_t out = 0;
            if (const int err = QueueStatus(in, out)) {
                Error = err;
                return TWaitResult::Failed;
            }
            if (in != 0)
                return TWaitResult::Ready;
            const DWORD left = RemainingMs(deadline);
            if (left == 0)
                return TWaitResult::Timeout;
            // The event thread signals arriving input; the slice bounds the
            // wait should a driver not report it (or the event thread be
            // busy handing events over), so input is never missed for long.
            const HANDLE signals[2] = {FInputSignal,
                                       Wake ? reinterpret_cast<HANDLE>(Wake->Native()) : nullptr};
            const DWORD slice =
                TClock::now() - FLastWrite < ReplyWindow ? ReplyCheckMs : InputCheckMs;
            if (WaitForMultipleObjects(Wake ? 2 : 1, signals, FALSE, std::min(left, slice)) ==
                WAIT_OBJECT_0 + 1)
                return TWaitResult::Timeout;
        }
    }

    void WaitForOutputRoom(int TimeoutMs, std::uint32_t Backlog) override {
        // The driver's write timeouts already bounded the transfer that moved
        // nothing; with a backlog over the caller's limit, wait for the line
        // to send the excess.
        DWORD waitMs = 1;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (Backlog > 0 && GetCommState(FHandle, &dcb) && dcb.BaudRate > 0) {
            const std::uint64_t bits = std::uint64_t{Backlog} * 10 * 1000;
            waitMs = static_cast<DWORD>(
                std::max<std::uint64_t>(1, (bits + dcb.BaudRate - 1) / dcb.BaudRate));
        }
        Sleep(std::min<DWORD>(waitMs, static_cast<DWORD>(std::max(TimeoutMs, 0))));
    }

    int SetModemLine(TModemLine Line, bool On) override {
        const DWORD function =
            Line == TModemLine::RTS ? (On ? SETRTS : CLRRTS) : (On ? SETDTR : CLRDTR);
        return EscapeCommFunction(FHandle, function) ? 0 : LastError();
    }

    int SetEventMask(std::uint32_t Mask) override {
        return SetCommMask(FHandle, Mask) ? 0 : LastError();
    }

    std::unique_ptr<TCommEventWaiter> CreateEventWaiter() override {
        return std::make_unique<TWin32EventWaiter>(FHandle, FInputSignal);
    }

private:
    void CloseEvents() {
        for (HANDLE* e : {&FInputSignal, &FReadDone, &FWriteDone}) {
            if (*e)
                CloseHandle(*e);
            *e = nullptr;
        }
    }

    HANDLE FHandle = INVALID_HANDLE_VALUE;
    HANDLE FInputSignal = nullptr; // auto-reset: input arrived or the event wait failed
    TClock::time_point FLastWrite;
    HANDLE FReadDone = nullptr;
    HANDLE FWriteDone = nullptr;
};

std::uint16_t QueryMaxQueueSize() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (GetVersionExA(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion >= 4)
        return 4096;
    return 8192;
}

} // namespace

std::unique_ptr<TCommBackend> TCommBackend::Create() {
    return std::make_unique<TWin32Backend>();
}

std::uint16_t TCommBackend::MaxQueueSize() {
    static const std::uint16_t size = QueryMaxQueueSize();
    return size;
}

std::string CommSystemErrorText(int SystemError) {
    // Wide text converted to UTF-8: the system's language need not be the
    // program's code page.
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, static_cast<DWORD>(SystemError), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result;
    if (n != 0 && text) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0,
                                             nullptr, nullptr);
        result.resize(static_cast<std::size_t>(std::max(size, 0)));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), result.data(), size, nullptr,
                            nullptr);
    }
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n' ||
                               result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    return result.empty() ? "unknown error" : result;
}

const char* CommSystemErrorKind() {
    return "Win32";
}

std::string OpenFailureReason(int SystemError) {
    switch (SystemError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "нет такого порта";
    // A serial port is opened for exclusive use: another program holding
    // it is what denies the access.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return "порт занят другой программой";
    case ERROR_NOT_SUPPORTED:
        return "это не последовательный порт";
    default:
        return {};
    }
}
