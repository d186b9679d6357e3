#pragma once
// The operating system's half of a unit's process, one implementation file
// per platform (UnitProcess_posix.cpp, UnitProcess_win32.cpp): start a
// program with its standard output and error on pipes, read what a pipe
// holds when the event loop says there is something, wait for the end, kill.
// TUnitProcess (UnitProcess.cpp) makes lines, the error text and the end
// report of it, the same on every system.
//
// Threading: the thread that starts the process; its event loop calls
// OnReadable.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TChildStream { Out, Err };

struct TChildExit {
    int Code = -1;        // the exit code; when Crashed, the signal or the system's code
    bool Crashed = false; // ended by a signal (POSIX), an unhandled exception or Kill
};

class TChildOs {
public:
    using TReadable = std::function<void(TChildStream Stream)>;

    TChildOs();
    ~TChildOs(); // a process still running is killed and waited for
    TChildOs(const TChildOs&) = delete;
    TChildOs& operator=(const TChildOs&) = delete;

    // False, with nothing started and the reason in Error, when the program
    // cannot be started. From then on OnReadable runs whenever a stream has
    // bytes or has ended.
    bool Start(const std::string& Program, const std::vector<std::string>& Args,
               TReadable OnReadable, std::string* Error = nullptr);
    // Appends what the stream holds now; false once it has ended, after
    // which OnReadable no longer runs for it.
    bool Read(TChildStream Stream, std::string& Into);
    // Blocks until the process has ended. Once both streams have ended it
    // has, or is about to.
    TChildExit Wait();
    // Ends the process at once; Wait collects it.
    void Kill();
    // Asks it to end (POSIX: SIGTERM; Windows: as Kill).
    void Stop();

    // How many children this process can keep running at once, by what
    // the system allows it (descriptors, tasks); at least 1.
    static std::size_t MostAtOnce();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};
