#pragma once
// The journal of units written: one record for every write that reached a
// unit, whichever program made it (the window: a page, one parameter, every
// page; orbelin-batch: each unit of a run), in one file beside current.ini.
// A record holds when, which program, port and phone, the unit's object
// number and firmware as known on that connection, the set loaded, each
// parameter written with its value and outcome (passwords as "***"),
// whether the commit was sent and confirmed, and the outcome. It is made
// from the typed outcomes of the write, never from what a screen showed.
//
// The file is JSON lines, UTF-8: one JSON object per line, appended and
// never rewritten. A line is one whole record or none: the writer appends it
// in one write and flushes it to the disk; a line a crash cut short is not a
// JSON object and is skipped by the reader, and the next append starts on a
// line of its own, so that nothing before it is lost. Keys may be added to
// the records later; readers skip what they do not know. For people the
// journal is exported as CSV (JournalCsv): the window's journal window and
// "orbelin-batch journal --csv" write it.
//
//   {"time":"2026-03-01T10:15:00Z","local":"2026-03-01T13:15:00+03:00",
//    "program":"window","request":"write all","port":"/dev/ttyUSB0",
//    "phone":"","unit":"0123","firmware":"ORBELIN REV 07.41","revision":41,
//    "generation":0,"set":"/home/op/fleet.ini","commit":"confirmed",
//    "outcome":"verified","message":"",
//    "params":[["formCommon","etObjNum","0123","verified"],...]}
//
// (one line in the file). Each parameter is [page, control, value, outcome]
// and a fifth element, the note, when there is one; "commit" is "confirmed",
// "not confirmed" or "not sent"; "outcome" is a journal word of
// TUnitResult: the window's "verified", "written", "failed" or "link lost",
// orbelin-batch's "verified", "failed" or "interrupted". A word this program
// does not know is kept and shown as it is.
//
// Threading: no shared state; the file functions may run on any thread.

#include <chrono>
#include <cstddef>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/WriteSummary.h"
#include "services/UnitResult.h"

struct TJournalRecord {
    std::string Time;      // UTC, "2026-03-01T10:15:00Z"
    std::string LocalTime; // the same moment in the writer's local time, with its offset
    std::string Program;   // "window" or "batch"
    std::string Request;   // "write page", "write parameter", "write all"
    std::string Port;
    std::string Phone; // empty: on the cable
    std::string ObjNum;
    std::string Firmware;
    int Revision = 0;
    int Generation = -1;
    std::string SetFile; // the set the values came from, when one was loaded
    bool CommitSent = false;
    bool Committed = false;
    TUnitResult Outcome = TUnitResult::Unknown;
    std::string UnknownOutcome; // the file's word for an Unknown outcome
    std::string Message;        // why, when it went wrong
    std::vector<TParamResult> Params;

    // Counted from the parameters' outcomes as the record is read (also
    // when the parameters themselves are left in the file).
    int Written = 0, Verified = 0, Failed = 0;
    // Where its line lies in the text it was read into (TJournal::Bytes).
    std::size_t Offset = 0, Length = 0;

    // Time and LocalTime of a moment.
    void Stamp(std::chrono::system_clock::time_point When);
};

// The journal's name in the program's folder, and that file.
extern const char* const JournalFileName;
std::string JournalFile();

// The record as its line (without the line break), and back: nothing when
// the line is not one whole record. Without WithParams the parameters are
// checked and counted but not kept.
std::string JournalLine(const TJournalRecord& Record);
std::optional<TJournalRecord> ParseJournalLine(std::string_view Line, bool WithParams = true);

// The largest journal read: a decade of heavy use and more.
constexpr std::size_t MaxJournalBytes = 512u << 20;

// The journal as read: the records of its whole lines, oldest first (the
// order they were appended in), without their parameters, which Params
// takes from the lines' text (Bytes) when they are wanted.
struct TJournal {
    std::string Bytes;
    std::vector<TJournalRecord> Records;
    int Damaged = 0;        // lines that are no record: cut short by a crash, or edited
    bool Truncated = false; // the file is larger than MaxJournalBytes: its end was not read
    std::size_t Older = 0;  // records before these, not kept (see ReadJournal)
    std::vector<TParamResult> Params(const TJournalRecord& Record) const;
};

// Reads the journal; a missing one has no records. Only the newest Newest
// records are kept (Older counts the others), so that what a reader holds
// follows what it shows, not the file's size. Throws EFileError when it
// exists but cannot be read.
TJournal ReadJournal(const std::string& FileName,
                     std::size_t Newest = std::numeric_limits<std::size_t>::max());

// The longest line taken for a record; a longer one is no record.
constexpr std::size_t MaxJournalLineBytes = 16u << 20;

// The journal read a piece at a time: each record of a whole line, without
// its parameters, goes to Take with its line (which ParseJournalLine reads
// whole when the parameters are wanted) and is not kept, so that memory
// stays flat in the file's size. Throws as ReadJournal.
using TJournalTake = std::function<void(TJournalRecord& Record, std::string_view Line)>;
struct TJournalScan {
    int Damaged = 0;        // as TJournal's
    bool Truncated = false; // as TJournal's
};
TJournalScan ScanJournal(const std::string& FileName, const TJournalTake& Take);
// Appends one record (see AppendFileLine). Throws EFileError.
void AppendJournal(const std::string& FileName, const TJournalRecord& Record);

// The record of a write the device handed over, from a program ("window",
// "batch") with the set it loaded (empty: none).
TJournalRecord JournalRecordOf(const TWriteSummary& Summary, const std::string& Program,
                               const std::string& SetFile);

// The records as a spreadsheet opens them: UTF-8 with a byte-order mark,
// ";" between the cells (the list separator of a Russian system), CR LF, a
// header line, one line per record; after the columns of the record one
// column per parameter (named as the window's Pages name it) holding its
// value and, unless it was written as it should, its outcome. A value a
// spreadsheet would turn into a number, date or formula is written so that
// it stays text.
std::string JournalCsv(const TJournal& Journal, const std::vector<const TJournalRecord*>& Records,
                       const TDevicePages& Pages);

// The same export a record at a time, for more records than memory should
// hold: every record's parameters go to AddColumns first, then the head and
// each record's row, in the same order, are written as they are made.
class TJournalCsv {
public:
    explicit TJournalCsv(const TDevicePages& Pages) : FPages(Pages) {}
    void AddColumns(const std::vector<TParamResult>& Params);
    // The byte-order mark and the header line.
    std::string Head() const;
    std::string Row(const TJournalRecord& Record, const std::vector<TParamResult>& Params) const;

private:
    const TDevicePages& FPages;
    std::vector<std::string> FNames;            // the parameters' columns, as people read them
    std::map<std::string, std::size_t> FColumn; // "page/control": its column among them
};

// How people read the words of a record (in Russian, as the window speaks).
std::string ProgramText(const std::string& Program);
std::string RequestText(const std::string& Request);
std::string CommitText(const TJournalRecord& Record);
std::string OutcomeText(const TJournalRecord& Record);
std::string OutcomeText(TParamOutcome Outcome);
// A parameter's value: a check box's "true"/"false" as "да"/"нет".
std::string ValueText(const std::string& Value);
// The local time of the record as the window shows times: "01.03.2026 13:15:00".
std::string LocalTimeText(const TJournalRecord& Record);
