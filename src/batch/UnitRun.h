#pragma once
// One unit from connection to disconnection: the link thread and the device
// object of the window, working on the pages of a TUnitSet, with the queue
// they post to drained here instead of onto a screen. The outcome is what
// the device knows, typed: each parameter's record in its page (read,
// written, verified, refused, ...), the handshake, the walk under way, and
// the write state (whether the unit committed). The messages meant for the
// operator only explain it.
//
// Threading: GUI thread. Run returns when the unit is done; it runs an event
// loop meanwhile (the queue is drained when something was posted, as the
// window's is).

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "device/WriteSummary.h"
#include "services/UnitResult.h"

class TUnitSet;

enum class TUnitCommand { Read, Diff, Write };

struct TUnitJob {
    TUnitCommand Command = TUnitCommand::Write;
    std::string Port;
    std::string Phone; // empty: on the cable
    bool WaitRegistration = true;
    // Write: a set that gives no value for something a unit of its
    // generation is written is refused for that unit, nothing sent;
    // otherwise what the set leaves out stays as the unit holds it.
    bool Complete = false;
    std::string LogFile;             // the unit's log; empty: none
    std::string DiffFile;            // Diff: the set the unit is compared with
    std::chrono::seconds Limit{600}; // the most a unit may take
    // Asked at every post of the link and on UnitStopRequested: true once
    // the run is being stopped, after which the unit's link is ended (a
    // call hung up in bounded time) and the outcome is "interrupted".
    std::function<bool()> Stopped;
};

// One parameter where a unit and a set differ.
struct TDifference {
    std::string Page, Name, Caption, UnitValue, FileValue;
};

struct TUnitOutcome {
    std::string Port;
    std::string Version; // as the unit gave it; empty before the handshake
    int Revision = 0;
    int Generation = -1;
    bool Connected = false;
    std::string ObjNum;      // the unit's object number, when known (see KnownObjectNumber)
    bool CommitSent = false; // a write sent the commit
    bool Committed = false;  // and the unit confirmed it
    std::vector<std::string> Written;  // control names, in the order written
    std::vector<std::string> Verified; // read back and found as sent
    std::vector<std::string> Failed;   // not written, not read, or differing
    // Left as the unit holds them: a value no field shows, or one a set
    // leaves to the unit.
    std::vector<std::string> Kept;
    std::vector<TParamResult> Params; // every parameter of the request, in table order
    // A unit whose process ended without telling its outcome: how many
    // parameters its progress showed written (Params is then empty).
    int WrittenSeen = 0;
    std::vector<TDifference> Differences;
    double Seconds = 0;
    // Verified, Failed, SetNotForUnit, Same, Differs, Read, NoConnection, Interrupted
    TUnitResult Outcome = TUnitResult::Unknown;
    std::string Message; // why, when it went wrong

    int Exit() const { return WordsOf(Outcome).Exit; }
};

// What a unit stopped part way holds of what it was sent: "ничего не
// записано", "записано, в EEPROM не сохранено (параметров: N)", ...
std::string InterruptedState(const TUnitOutcome& Outcome);

// Phase ("connect", "write", "verify", ...), step and total of the walk.
using TUnitProgress = std::function<void(const std::string& Phase, int Step, int Total)>;

// A stop request has come (GUI thread): the unit under way, if any, looks
// at its job's Stopped now.
void UnitStopRequested();

// Carries out the job on the unit with the set's pages (loaded for a write;
// a read or a diff fills them with what the unit holds).
TUnitOutcome RunUnit(const TUnitJob& Job, TUnitSet& Set, const TUnitProgress& Progress);
