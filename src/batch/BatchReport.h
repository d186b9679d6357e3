#pragma once
// What orbelin-batch tells at the end: the summary table on stdout and the
// JSON report of every unit; and the one-line form in which a unit's own
// process hands its outcome to the program that runs the list.
//
// Threading: any thread; no GUI.

#include <QJsonObject>
#include <optional>
#include <string>
#include <vector>

#include "batch/UnitRun.h"

struct TUnitRecord {
    std::string Port;
    std::string Phone;
    std::string LogFile;
    TUnitOutcome Outcome;
};

QJsonObject OutcomeToJson(const TUnitOutcome& Outcome);
// Nothing when the outcome is not one this program knows.
std::optional<TUnitOutcome> OutcomeFromJson(const QJsonObject& Json);

// A phase or an outcome as the report names it ("write", "verified", ...),
// in the words the operator reads on the terminal; any other text as it is.
std::string WordFor(const std::string& ReportWord);

// One line per unit: port, firmware, generation, counts, seconds, outcome;
// the reason under a unit that did not verify.
std::string SummaryTable(const std::vector<TUnitRecord>& Units);
// Parameters of a unit's outcome by their captions, as the window shows them.
std::string CaptionsOf(const TUnitOutcome& Outcome, const std::vector<std::string>& Names);

// The report: the command, the set, and per unit its port, phone, firmware
// revision and version, generation, parameters written, verified and failed
// (with names), duration, outcome and log file. Throws EFileError.
void WriteReport(const std::string& FileName, const std::string& Command,
                 const std::string& SetFile, const std::vector<TUnitRecord>& Units, int Exit);

// The exit code of a run: the worst of its units'.
int CombinedExit(const std::vector<TUnitRecord>& Units);
