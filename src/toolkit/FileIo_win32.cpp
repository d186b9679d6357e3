#include "toolkit/FileIo.h"

#include <algorithm>
#include <string>

#include <windows.h>

namespace {
constexpr DWORD ChunkSize = 64 * 1024;

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::string SystemText(DWORD err) {
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, err, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text;
    if (n && buf) {
        const int len =
            WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<size_t>(len));
        WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), text.data(), len, nullptr,
                            nullptr);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
    }
    if (buf)
        LocalFree(buf);
    if (text.empty())
        text = "system error " + std::to_string(err);
    return text;
}

[[noreturn]] void FailWrite(const std::string& fileName, DWORD err) {
    throw EFileError(fileName, "Не удалось записать файл \"" + fileName + "\": " + SystemText(err));
}

[[noreturn]] void FailReadOnly(const std::string& fileName) {
    throw EFileError(fileName,
                     "Не удалось записать файл \"" + fileName + "\": файл защищён от записи");
}

// Renaming over the file needs only the folder's permission, so on its own
// it would go round a file the user has protected: its read-only attribute
// or an access list that does not let this user write it.
void CheckFileWritable(const std::string& fileName, const std::wstring& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    // A new file is the folder's business, and so is a folder in the way
    // (the rename fails with the system's own reason).
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        FailReadOnly(fileName);
    // Opened for writing and closed again, unchanged.
    HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return;
    }
    const DWORD err = GetLastError();
    if (err == ERROR_ACCESS_DENIED)
        FailReadOnly(fileName);
    // Another program holding the file open is the rename's business.
}

DWORD Inject(const TFileFaultHook& fault, TFileWriteStep step) {
    return fault ? static_cast<DWORD>(fault(step)) : 0;
}

class TTempFile {
public:
    explicit TTempFile(std::wstring path) : FPath(std::move(path)) {}
    ~TTempFile() {
        if (FHandle != INVALID_HANDLE_VALUE)
            CloseHandle(FHandle);
        if (!FPath.empty())
            DeleteFileW(FPath.c_str());
    }
    HANDLE& Handle() { return FHandle; }
    const std::wstring& Path() const { return FPath; }
    void Release() { FPath.clear(); }

private:
    std::wstring FPath;
    HANDLE FHandle = INVALID_HANDLE_VALUE;
};
} // namespace

TFileRead ReadFileBytes(const std::string& fileName, std::size_t maxBytes) {
    TFileRead r;
    HANDLE h = CreateFileW(Wide(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        r.Status = (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) ? TFileRead::Missing
                                                                                : TFileRead::Failed;
        r.Error = SystemText(err);
        return r;
    }
    r.Status = TFileRead::Ok;
    std::string buf(ChunkSize, '\0');
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h, buf.data(), ChunkSize, &n, nullptr)) {
            r.Status = TFileRead::Failed;
            r.Error = SystemText(GetLastError());
            break;
        }
        if (n == 0)
            break;
        const size_t room = maxBytes - r.Bytes.size();
        if (n > room) {
            r.Bytes.append(buf.data(), room);
            r.Truncated = true;
            break;
        }
        r.Bytes.append(buf.data(), n);
    }
    CloseHandle(h);
    return r;
}

namespace {

// Every byte, in chunks, each a point a test may fail.
void WriteWhole(HANDLE h, std::string_view bytes, const std::string& fileName,
                const TFileFaultHook& fault) {
    size_t done = 0;
    while (done < bytes.size()) {
        if (DWORD err = Inject(fault, TFileWriteStep::Write))
            FailWrite(fileName, err);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(ChunkSize, bytes.size() - done));
        DWORD n = 0;
        if (!WriteFile(h, bytes.data() + done, want, &n, nullptr))
            FailWrite(fileName, GetLastError());
        done += n;
    }
}

} // namespace

void ReplaceFileContentsWith(const std::string& fileName,
                             const std::function<void(const TFileWrite& Write)>& produce,
                             const TFileFaultHook& fault) {
    const std::wstring target = Wide(fileName);
    CheckFileWritable(fileName, target);
    TTempFile tmp(target + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                  std::to_wstring(GetTickCount64()) + L".tmp");
    if (DWORD err = Inject(fault, TFileWriteStep::Create)) {
        tmp.Release();
        FailWrite(fileName, err);
    }
    tmp.Handle() = CreateFileW(tmp.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (tmp.Handle() == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        tmp.Release();
        FailWrite(fileName, err);
    }
    produce([&](std::string_view piece) { WriteWhole(tmp.Handle(), piece, fileName, fault); });
    if (DWORD err = Inject(fault, TFileWriteStep::Sync))
        FailWrite(fileName, err);
    if (!FlushFileBuffers(tmp.Handle()))
        FailWrite(fileName, GetLastError());
    CloseHandle(tmp.Handle());
    tmp.Handle() = INVALID_HANDLE_VALUE;
    if (DWORD err = Inject(fault, TFileWriteStep::Rename))
        FailWrite(fileName, err);
    // ReplaceFileW keeps the old file's permissions, owner and attributes;
    // a rename would give it those the folder hands down. A file that is
    // not there yet takes the folder's, as any new file does.
    if (!ReplaceFileW(target.c_str(), tmp.Path().c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                      nullptr, nullptr)) {
        const DWORD err = GetLastError();
        if (err != ERROR_FILE_NOT_FOUND)
            FailWrite(fileName, err);
        if (!MoveFileExW(tmp.Path().c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            FailWrite(fileName, GetLastError());
    }
    tmp.Release();
}

bool CreatePrivateFile(const std::string& fileName) {
    // The user's own folders keep others out on Windows; the file takes
    // their permissions.
    HANDLE h =
        CreateFileW(Wide(fileName).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

void AppendFileLine(const std::string& fileName, std::string_view line,
                    const TFileFaultHook& fault) {
    const std::wstring target = Wide(fileName);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        FailReadOnly(fileName);
    if (DWORD err = Inject(fault, TFileWriteStep::Create))
        FailWrite(fileName, err);
    // Appending only: every write goes to the end, whatever another program
    // appended meanwhile. The user's own folders keep others out.
    HANDLE h = CreateFileW(target.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_ACCESS_DENIED)
            FailReadOnly(fileName);
        FailWrite(fileName, err);
    }
    struct TCloser {
        HANDLE Handle;
        ~TCloser() { CloseHandle(Handle); } // also lets the lock go
    } closer{h};
    // The programs take turns by a lock on one byte far beyond any data, so
    // that it keeps no reader from the records themselves. Where the lock
    // cannot be had the line is still appended: each write goes to the end.
    OVERLAPPED turn{};
    turn.Offset = 0xFFFFFFFE;
    turn.OffsetHigh = 0x7FFFFFFF;
    LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size))
        FailWrite(fileName, GetLastError());
    std::string bytes;
    bytes.reserve(line.size() + 2);
    char last = '\n';
    if (size.QuadPart > 0) {
        OVERLAPPED at{};
        const ULONGLONG end = static_cast<ULONGLONG>(size.QuadPart) - 1;
        at.Offset = static_cast<DWORD>(end & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>(end >> 32);
        DWORD n = 0;
        if (!ReadFile(h, &last, 1, &n, &at) || n != 1)
            last = 0; // not known: a line break too many is only an empty line
    }
    if (last != '\n')
        bytes += '\n';
    bytes.append(line);
    bytes += '\n';
    WriteWhole(h, bytes, fileName, fault);
    if (DWORD err = Inject(fault, TFileWriteStep::Sync))
        FailWrite(fileName, err);
    if (!FlushFileBuffers(h))
        FailWrite(fileName, GetLastError());
}
