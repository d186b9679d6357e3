#pragma once
// How a unit's request ended, as a whole: one value for what orbelin-batch
// tells of each unit (its report, its summary, its exit code) and for what
// the journal keeps of every write, whichever program made it. Each value
// has its words in one table: the report's, the operator's and the
// journal's. The report and the journal are files other programs read, so
// their words never change, even where they read alike.
//
// Threading: pure functions.

#include <optional>
#include <string_view>

// orbelin-batch's exit codes, also per unit.
enum : int {
    exAllVerified = 0,  // every unit verified (read: read; diff: no difference)
    exSomeFailed = 1,   // some parameter failed or differs
    exBadInput = 2,     // bad usage or a bad file; nothing sent to any unit
    exNoConnection = 3, // some unit could not be connected
    exInterrupted = 4   // the run was stopped (a signal) before every unit was done
};

enum class TUnitResult {
    Unknown,       // a journal's word this program does not know (or none)
    Verified,      // every parameter sent was read back as sent, and committed
    Written,       // written and committed, not read back (the window's plain write)
    Failed,        // something was not written, read or committed
    SetNotForUnit, // the set gives no value for something the unit's generation needs: nothing sent
    LinkLost,      // the link ended during the window's write
    Same,          // a diff found no difference
    Differs,       // a diff found one
    Read,          // a read took every parameter
    NoConnection,  // no handshake with the unit
    Interrupted,   // stopped by a request before it was done
};

struct TUnitResultWords {
    const char* Report;   // the report's and the unit process's word ("verified")
    const char* Operator; // what the operator reads ("проверено")
    const char* Journal;  // the journal file's word ("verified")
    int Exit;             // orbelin-batch's exit code for a unit that ended so
};

const TUnitResultWords& WordsOf(TUnitResult Result);

// The result a journal's word names; Unknown for any other word.
TUnitResult ResultFromJournal(std::string_view Word);
// The result a report's word and exit code name (a word alone when no
// result has both); nothing for a word no result has.
std::optional<TUnitResult> ResultFromReport(std::string_view Word, int Exit);
