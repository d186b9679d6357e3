#pragma once
// One unit's own process, as the program running a list starts it: its
// standard output line by line and its end, both delivered by the event
// loop of the calling thread. The system's side (start, pipes, wait, kill)
// is TChildOs (UnitProcessOs.h), one file per platform; QProcess is not
// used, as its clone-based start is not one the thread checker can follow.
//
// Threading: GUI thread; the callbacks run there.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TUnitProcess {
public:
    using TLine = std::function<void(const std::string& Line)>;
    // Code: the exit code; Crashed: ended by a signal or an exception (Code
    // is then the signal, or -1); Errors: the start of what it wrote to
    // stderr.
    using TEnd = std::function<void(int Code, bool Crashed, const std::string& Errors)>;

    TUnitProcess(TLine OnLine, TEnd OnEnd);
    ~TUnitProcess(); // a process still running is killed and waited for
    TUnitProcess(const TUnitProcess&) = delete;
    TUnitProcess& operator=(const TUnitProcess&) = delete;

    // False, with nothing started and OnEnd not to come, when the program
    // cannot be started.
    bool Start(const std::string& Program, const std::vector<std::string>& Args);

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};
