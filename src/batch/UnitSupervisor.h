#pragma once
// The run of a list: each unit in a process of its own (this program again,
// with --child), at most Jobs at a time, each told by the lines it prints (its
// progress, then its outcome as one JSON line). The run answers for what its
// units' processes do not: one that cannot be started, crashes, prints an
// outcome nobody can read or ends without one is failed with the reason; one
// still running past its time limit is killed and failed; and a run stopped
// part way asks its running units to stop, kills those that do not end in
// time, and marks every unit not done "interrupted" with what it holds of
// what it was sent. The other units go on whatever one of them does.
//
// Threading: GUI thread; Run runs an event loop.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "batch/BatchReport.h"
#include "batch/UnitProcess.h"

// The lines a unit's process tells the run with.
inline constexpr const char* ProgressTag = "@progress ";
inline constexpr const char* OutcomeTag = "@outcome ";

// Starts a unit's process with Args; null, with the reason in Error and
// OnEnd never to come, when it cannot be started.
using TStartUnit = std::function<std::unique_ptr<TUnitChild>(
    const std::vector<std::string>& Args, TUnitProcess::TLine OnLine, TUnitProcess::TEnd OnEnd,
    std::string& Error)>;

// The real processes: Program (this program) started as TUnitProcess.
TStartUnit StartUnitProcess(const std::string& Program);

struct TSupervisedUnit {
    TUnitRecord Record; // Port and Phone set; Outcome filled by the run
    std::vector<std::string> Args;
};

struct TSupervision {
    std::size_t Jobs = 1;
    // From its start, how long a unit's process may take before it is
    // killed (beyond the unit's own limit, which the process keeps itself).
    std::chrono::milliseconds Limit{std::chrono::minutes(10)};
    // After a stop request, how long a running unit may take to end its
    // link and tell its outcome before it is killed.
    std::chrono::milliseconds StopGrace{std::chrono::seconds(10)};
    // The unit's phase ("connect", "write", ...), step and total.
    std::function<void(std::size_t Unit, const std::string& Phase, int Step, int Total)> Progress;
    // The unit's record is final.
    std::function<void(std::size_t Unit)> Ended;
};

class TUnitSupervisor {
public:
    TUnitSupervisor(std::vector<TSupervisedUnit>& Units, TSupervision How, TStartUnit Start);
    ~TUnitSupervisor();
    TUnitSupervisor(const TUnitSupervisor&) = delete;
    TUnitSupervisor& operator=(const TUnitSupervisor&) = delete;

    // Until every unit is done, or, once Stop was called, every started one
    // has ended.
    void Run();
    // Starts no more units and asks the running ones to stop; any not ended
    // after StopGrace is killed. May be called before or during Run.
    void Stop();
    bool Stopped() const { return FStopping; }

private:
    struct TChildState;
    void StartNext();
    void Started(std::size_t Index);
    void Line(std::size_t Index, const std::string& Text);
    void End(std::size_t Index, int Code, bool Crashed, const std::string& Errors);
    void Done(std::size_t Index);

    std::vector<TSupervisedUnit>& FUnits;
    TSupervision FHow;
    TStartUnit FStart;
    std::vector<std::unique_ptr<TChildState>> FChildren;
    std::size_t FNext = 0, FRunning = 0;
    bool FStopping = false;
    bool FRunningLoop = false;
    struct TLoop;
    std::unique_ptr<TLoop> FLoop;
};
