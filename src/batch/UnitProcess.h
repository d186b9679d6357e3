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

// A unit's process as the run of a list sees it; tests stand in for it.
class TUnitChild {
public:
    virtual ~TUnitChild() = default;
    // Asks the process to stop the orderly way: it ends its link and tells
    // its outcome (POSIX: SIGTERM; Windows has no such request for a
    // windowless process, and kills it).
    virtual void Stop() = 0;
    // Ends it at once; its end is still told.
    virtual void Kill() = 0;
};

class TUnitProcess : public TUnitChild {
public:
    using TLine = std::function<void(const std::string& Line)>;
    // Code: the exit code; Crashed: ended by a signal or an exception (Code
    // is then the signal, or -1); Errors: the start of what it wrote to
    // stderr.
    using TEnd = std::function<void(int Code, bool Crashed, const std::string& Errors)>;

    TUnitProcess(TLine OnLine, TEnd OnEnd);
    ~TUnitProcess() override; // a process still running is killed and waited for
    TUnitProcess(const TUnitProcess&) = delete;
    TUnitProcess& operator=(const TUnitProcess&) = delete;

    // False, with nothing started and OnEnd not to come, when the program
    // cannot be started.
    bool Start(const std::string& Program, const std::vector<std::string>& Args);
    // Why the last Start failed, in the system's words.
    const std::string& StartError() const;

    void Stop() override;
    void Kill() override;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};
