#pragma once
// Whole-file reads with a size cap and crash-safe whole-file replacement,
// for the small text files the program keeps (settings, layout,
// descriptions). One implementation file per platform.
//
// Threading: the functions keep no state; concurrent calls on different
// files are fine.

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

// A file operation that failed; the message names the file.
class EFileError : public std::runtime_error {
public:
    EFileError(std::string fileName, const std::string& message)
        : std::runtime_error(message), FFileName(std::move(fileName)) {}
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};

struct TFileRead {
    enum TStatus { Ok, Missing, Failed };
    TStatus Status = Missing;
    std::string Bytes;      // what was read (at most the cap)
    bool Truncated = false; // the file is longer than the cap
    std::string Error;      // the system's reason when Status is Failed
};

// Reads at most maxBytes of the file. A missing file is not an error.
TFileRead ReadFileBytes(const std::string& fileName, std::size_t maxBytes);

// The steps of a replacement, for fault injection in tests.
enum class TFileWriteStep { Create, Write, Sync, Rename };
// Returns 0 to let the step run, or a system error number to make it fail as
// if the system had reported that error. Called before every chunk written.
using TFileFaultHook = std::function<int(TFileWriteStep)>;

// Takes the next piece of a file's contents.
using TFileWrite = std::function<void(std::string_view piece)>;

// Replaces the file's contents in one step: the bytes go to a temporary file
// in the same folder, which is flushed to the disk and renamed over the old
// file (the folder is synced afterwards). The files the program keeps can
// hold passwords: a new file is readable by the user alone (on POSIX 0600,
// less what the umask takes away); a file replaced keeps its permissions.
// On failure the temporary file is removed, the old file stays as it was and
// EFileError is thrown. An existing file the user may not write (its own
// permission; on Windows also its read-only attribute; on POSIX a file
// without any write bit, even for root) is refused the same way before
// anything is written. ReplaceFileContentsWith takes contents too large to
// hold at once: produce hands them piece by piece to Write; what it throws
// fails the replacement as above, and passes on.
void ReplaceFileContentsWith(const std::string& fileName,
                             const std::function<void(const TFileWrite& Write)>& produce,
                             const TFileFaultHook& fault = {});
inline void ReplaceFileContents(const std::string& fileName, std::string_view bytes,
                                const TFileFaultHook& fault = {}) {
    ReplaceFileContentsWith(
        fileName, [bytes](const TFileWrite& Write) { Write(bytes); }, fault);
}

// Appends one line to a file that is only ever appended to (a journal): Line
// (which holds no line break) and a line break go to the end of the file in
// one write, flushed to the disk before the call returns. A missing file is
// created, readable by the user alone as above. A file whose last line has
// no line break (a crash cut it short) gets one first: the cut line stays a
// line of its own, for readers to skip, and the new one is whole. Programs
// appending at the same time take turns (the file is locked meanwhile).
// Throws EFileError naming the file; a file the user may not write is
// refused as in ReplaceFileContents, and nothing is written then.
void AppendFileLine(const std::string& fileName, std::string_view line,
                    const TFileFaultHook& fault = {});

// Makes sure the file exists, for a writer that appends to it: a missing
// file is created empty and, as in ReplaceFileContents, readable by the user
// alone; an existing one is left as it is. False when it could not be made.
bool CreatePrivateFile(const std::string& fileName);
