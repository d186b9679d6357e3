#pragma once
// orbelin-batch and the journal of units written (services/Journal.h): the
// program that runs a write appends one record per unit the write reached,
// as each unit ends, and "orbelin-batch journal" prints the records of the
// same file (the one beside current.ini), or writes them as CSV.
//
//   orbelin-batch journal [--unit OBJNUM] [--since DATE] [--params] [--csv FILE] [--home DIR]
//
// Threading: GUI thread (the journal command names parameters by the pages'
// captions: a QApplication must exist; offscreen will do).

#include <optional>
#include <string>
#include <vector>

#include "batch/BatchReport.h"
#include "device/DevicePages.h"

// Why the journal cannot take records, checked before any unit is touched:
// a run whose units are written but not journalled would leave no account.
std::optional<std::string> JournalUnwritable();

// The unit's record, when its write reached it; SetFile is the set the run
// was given. Nothing when done (or nothing reached the unit); otherwise why
// the record is lost.
std::optional<std::string> JournalUnit(const TUnitRecord& Unit, const std::string& SetFile);

// The journal command, with its arguments after "journal": its exit code.
// Parameters are named as Pages show them.
int RunJournalCommand(const std::vector<std::string>& Args, const TDevicePages& Pages);
