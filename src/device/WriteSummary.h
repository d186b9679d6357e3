#pragma once
// What a write did to a unit, typed, as the pages' records tell it: each
// parameter the request took up with its value and outcome, whether the
// commit went out and was confirmed, and what is known of the unit on this
// connection. orbelin-batch's outcome of a unit and the journal of units
// written are made of these; neither ever reads a screen text.
//
// Threading: ParamResultOf and KnownObjectNumber read the records (which
// take their own lock) and the controls' snapshots: any thread.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/RefValues.h"

class QObject;
class TParamPage;
struct TDevicePages;
struct TParamDef;

// One parameter of a request: its first control's name and page (and their
// captions), the
// value it was written with or read as (as the field shows it; "***" for a
// password; for a value the unit did not keep, the one sent), how its last
// exchange went and why (a value the note names is masked as the value is:
// HeldNote).
struct TParamResult {
    std::string Page, Name, Value;
    TParamOutcome Outcome = TParamOutcome::None;
    std::string Note;
    std::string Caption = {}; // what the window calls it (TParamWords::Text); empty: not known
};

// Whether an outcome counts a parameter as sent to the unit (a value that
// differs on reading back was sent too), and as failed: not written, not
// read, or not held as sent. A value left to the unit is neither.
bool SentToUnit(TParamOutcome Outcome);
bool FailedOutcome(TParamOutcome Outcome);

// What the unit holds for a control, as the field (and a set file) shows
// it: the field's value, or the unit's own where no field shows it.
std::string RecordValue(const TParamDef& Row, QObject* Control, const TParamRecord& Record);
// The row of the page as reports and the journal give it.
TParamResult ParamResultOf(const TParamPage& Page, const TParamDef& Row);
// A result as it may be shown or kept: for a password, its value masked
// (ShownInReports) and every value its note quotes («...») too. What the
// journal reads goes through it as well, so that a record an older version
// wrote with a password in it does not show it.
TParamResult ShownResult(TParamResult Result);

// The object number the unit holds as far as this connection knows (read
// from it, or written to it and not found otherwise); empty when unknown.
std::string KnownObjectNumber(const TDevicePages& Pages);

// A write that reached the unit (a page, one parameter by the hint window,
// or every page), as it ended.
struct TWriteSummary {
    std::uint8_t Request = 0; // rqWritePage, rqWriteParam or rqWriteAll
    std::chrono::system_clock::time_point Ended;
    std::string Port;
    std::string Phone; // empty: on the cable
    std::string Version;
    int Revision = 0;
    int Generation = 0;
    std::string ObjNum;
    bool CommitSent = false;
    bool Committed = false;           // the unit confirmed the commit
    bool LinkLost = false;            // the link ended before the write did
    bool Verified = false;            // the write was read back before its commit
    std::vector<TParamResult> Params; // in the order they were written
};
