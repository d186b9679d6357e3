// A unit's process on Windows: CreateProcessW with its stdout and stderr on
// named pipes that this side reads with overlapped reads, each read's event
// watched by a QWinEventNotifier. (Anonymous pipes cannot be read that way.)
//
// Started without a window, a unit's process has no share in the run's
// console: the console's Ctrl+C reaches the run alone, which then stops its
// units itself (as POSIX holds the units' signals while they start up).

#include <QWinEventNotifier>
#include <array>
#include <atomic>
#include <windows.h>

#include "batch/UnitProcessOs.h"

namespace {

std::wstring Wide(const std::string& Utf8) {
    if (Utf8.empty())
        return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), out.data(), n);
    return out;
}

// One argument as the child's runtime splits its command line back
// (CommandLineToArgvW's rules): quoted when it holds a blank or a quote or
// is empty, a quote escaped, and backslashes doubled where a quote follows.
std::wstring Quoted(const std::wstring& Arg) {
    if (!Arg.empty() && Arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return Arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : Arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L'"';
}

// A killed process ends as one stopped from its console would.
constexpr UINT KilledCode = 0xC000013A;

// The child writes its end of the pipe; this side reads the other with one
// overlapped read at a time, whose event says when it is done.
struct TPipe {
    HANDLE Ours = INVALID_HANDLE_VALUE;
    OVERLAPPED Pending{};
    std::array<char, 4096> Buffer{};
    bool Ended = false;
    std::unique_ptr<QWinEventNotifier> Watch;

    ~TPipe() { Close(); }

    // Makes the pipe; Theirs is the child's end, inheritable.
    bool Make(HANDLE& Theirs) {
        static std::atomic<unsigned> serial{0};
        const std::wstring name = L"\\\\.\\pipe\\orbelin-unit-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(serial++);
        Ours = CreateNamedPipeW(name.c_str(),
                                PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED |
                                    FILE_FLAG_FIRST_PIPE_INSTANCE,
                                PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 65536, 0, nullptr);
        Pending.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (Ours == INVALID_HANDLE_VALUE || !Pending.hEvent)
            return false;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        Theirs = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
        return Theirs != INVALID_HANDLE_VALUE;
    }

    // Starts the next read. Its event is set when it completes, and also
    // when it cannot start, so that Read learns of the end either way.
    void Issue() {
        ResetEvent(Pending.hEvent);
        if (!ReadFile(Ours, Buffer.data(), static_cast<DWORD>(Buffer.size()), nullptr, &Pending) &&
            GetLastError() != ERROR_IO_PENDING) {
            Ended = true;
            SetEvent(Pending.hEvent);
        }
    }

    bool Read(std::string& Into) {
        DWORD n = 0;
        if (!Ended && !GetOverlappedResult(Ours, &Pending, &n, FALSE)) {
            if (GetLastError() == ERROR_IO_INCOMPLETE)
                return true;
            Ended = true; // ERROR_BROKEN_PIPE: the child's end is closed
        }
        if (Ended) {
            Close();
            return false;
        }
        Into.append(Buffer.data(), n);
        Issue();
        return true;
    }

    void Close() {
        if (Watch) {
            // Read runs inside the notifier's own signal.
            Watch->setEnabled(false);
            Watch.release()->deleteLater();
        }
        if (Ours != INVALID_HANDLE_VALUE) {
            // A read still under way must be over before its buffer goes.
            CancelIoEx(Ours, &Pending);
            DWORD unused = 0;
            GetOverlappedResult(Ours, &Pending, &unused, TRUE);
            CloseHandle(Ours);
            Ours = INVALID_HANDLE_VALUE;
        }
        if (Pending.hEvent) {
            CloseHandle(Pending.hEvent);
            Pending.hEvent = nullptr;
        }
    }
};

} // namespace

struct TChildOs::TImpl {
    HANDLE Process = nullptr;
    std::array<TPipe, 2> Pipes; // by TChildStream
};

TChildOs::TChildOs() : FImpl(std::make_unique<TImpl>()) {}

TChildOs::~TChildOs() {
    if (FImpl->Process) {
        Kill();
        Wait();
    }
    for (TPipe& pipe : FImpl->Pipes) {
        pipe.Watch.reset();
        pipe.Close();
    }
}

bool TChildOs::Start(const std::string& Program, const std::vector<std::string>& Args,
                     TReadable OnReadable, std::string* Error) {
    std::array<HANDLE, 2> theirs{INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherit, OPEN_EXISTING, 0, nullptr);
    bool made = input != INVALID_HANDLE_VALUE;
    for (std::size_t s = 0; s < 2 && made; ++s)
        made = FImpl->Pipes[s].Make(theirs[s]);

    PROCESS_INFORMATION started{};
    if (made) {
        std::wstring program = Wide(Program);
        for (wchar_t& c : program)
            if (c == L'/')
                c = L'\\';
        std::wstring commandLine = Quoted(program);
        for (const std::string& arg : Args)
            commandLine += L" " + Quoted(Wide(arg));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = theirs[0];
        startup.hStdError = theirs[1];
        // Every process is started from this thread and its ends are closed
        // right after, so no other child inherits them and holds a pipe open.
        made = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                              CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started);
    }
    if (input != INVALID_HANDLE_VALUE)
        CloseHandle(input);
    for (const HANDLE h : theirs)
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    if (!made) {
        const DWORD code = GetLastError();
        for (TPipe& pipe : FImpl->Pipes)
            pipe.Close();
        if (Error)
            *Error = "system error " + std::to_string(code);
        return false;
    }
    CloseHandle(started.hThread);
    FImpl->Process = started.hProcess;
    for (const TChildStream stream : {TChildStream::Out, TChildStream::Err}) {
        TPipe& pipe = FImpl->Pipes[static_cast<std::size_t>(stream)];
        pipe.Watch = std::make_unique<QWinEventNotifier>(pipe.Pending.hEvent);
        QObject::connect(pipe.Watch.get(), &QWinEventNotifier::activated,
                         [OnReadable, stream] { OnReadable(stream); });
        pipe.Issue();
    }
    return true;
}

bool TChildOs::Read(TChildStream Stream, std::string& Into) {
    TPipe& pipe = FImpl->Pipes[static_cast<std::size_t>(Stream)];
    return pipe.Ours != INVALID_HANDLE_VALUE && pipe.Read(Into);
}

TChildExit TChildOs::Wait() {
    TChildExit exit;
    if (!FImpl->Process)
        return exit;
    WaitForSingleObject(FImpl->Process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(FImpl->Process, &code);
    CloseHandle(FImpl->Process);
    FImpl->Process = nullptr;
    exit.Code = static_cast<int>(code);
    // Error statuses (0xC...): an unhandled exception, or Kill.
    exit.Crashed = (code & 0xC0000000u) == 0xC0000000u;
    return exit;
}

void TChildOs::Kill() {
    if (FImpl->Process)
        TerminateProcess(FImpl->Process, KilledCode);
}

// A windowless process has no console to send an interrupt to.
void TChildOs::Stop() {
    Kill();
}

std::size_t TChildOs::MostAtOnce() {
    // A child holds two pipe handles and two events here; a process may
    // hold millions of handles, and the event notifiers wait in the
    // system's thread pool, not in one wait of at most 64 objects.
    return SIZE_MAX;
}
