#include "services/Journal.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <utility>

#include "device/PageTable.h"
#include "queue/Protocol.h"
#include "toolkit/DateTimeText.h"
#include "toolkit/FileIo.h"
#include "toolkit/JsonLine.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/TextUtil.h"

const char* const JournalFileName = "journal.jsonl";

namespace {

const char* CommitWord(const TJournalRecord& r) {
    return r.Committed ? "confirmed" : r.CommitSent ? "not confirmed" : "not sent";
}

void Count(TJournalRecord& r, TParamOutcome Outcome) {
    r.Written += SentToUnit(Outcome);
    r.Verified += Outcome == TParamOutcome::Verified;
    r.Failed += FailedOutcome(Outcome);
}

// The parameters of a record: [page, control, value, outcome(, note)] each;
// what a later version adds after those is skipped.
bool ReadParams(TJsonReader& Json, TJournalRecord& r, bool Keep) {
    std::string cell[5];
    return Json.Array([&] {
        int n = 0;
        const bool ok = Json.Array([&] { return n < 5 ? Json.String(cell[n++]) : Json.Skip(); });
        if (!ok || n < 4)
            return false;
        const TParamOutcome outcome = OutcomeFromName(cell[3]);
        Count(r, outcome);
        if (Keep)
            r.Params.push_back(
                ShownResult({cell[0], cell[1], cell[2], outcome, n > 4 ? cell[4] : ""}));
        return true;
    });
}

bool ReadInt(TJsonReader& Json, int& Value) {
    long long number = 0;
    if (!Json.Integer(number))
        return false;
    Value = static_cast<int>(std::clamp<long long>(number, -1, 1 << 30));
    return true;
}

// A CSV cell: quoted when it holds the separator, a quote, a line break or
// blanks at its ends.
std::string Cell(const std::string& Text) {
    const bool quote = Text.find_first_of(";\"\r\n") != std::string::npos ||
                       (!Text.empty() && (Text.front() == ' ' || Text.back() == ' '));
    if (!quote)
        return Text;
    std::string out = "\"";
    for (char c : Text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// A value a spreadsheet would not keep as it is: a number it would
// reformat (leading zeros, long digit strings in exponent form, "+7903…"
// taken for a number), a date, or a formula. Such a cell is written as a
// formula that gives the text, ="0777": Excel and LibreOffice Calc both
// evaluate it to the text on opening a CSV, and a program that does not
// evaluate formulas still shows every digit. A leading apostrophe would be
// kept as part of the value by both.
bool SpreadsheetWouldChange(const std::string& Text) {
    if (Text.empty())
        return false;
    if (std::string_view("=+-@").find(Text.front()) != std::string_view::npos)
        return true;
    bool digit = false;
    for (char c : Text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (std::string_view(".,:/ eE").find(c) == std::string_view::npos)
            return false;
    }
    return digit;
}

std::string TextCell(const std::string& Text) {
    if (!SpreadsheetWouldChange(Text))
        return Text;
    std::string formula = "=\"";
    for (char c : Text)
        formula += c == '"' ? std::string("\"\"") : std::string(1, c);
    return formula + "\"";
}

} // namespace

void TJournalRecord::Stamp(std::chrono::system_clock::time_point When) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::seconds>(When.time_since_epoch()).count());
    Time = local.toUTC().toString(Qt::ISODate).toStdString();
    LocalTime = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

std::string JournalFile() {
    return ProgramFolder() + JournalFileName;
}

std::string JournalLine(const TJournalRecord& r) {
    std::string line;
    line.reserve(512 + 64 * r.Params.size());
    const auto text = [&](const char* Key, const std::string& Value) {
        line += line.empty() ? "{\"" : ",\"";
        line += Key;
        line += "\":";
        line += JsonQuoted(Value);
    };
    const auto number = [&](const char* Key, int Value) {
        line += ",\"";
        line += Key;
        line += "\":" + std::to_string(Value);
    };
    text("time", r.Time);
    text("local", r.LocalTime);
    text("program", r.Program);
    text("request", r.Request);
    text("port", r.Port);
    text("phone", r.Phone);
    text("unit", r.ObjNum);
    text("firmware", r.Firmware);
    number("revision", r.Revision);
    number("generation", r.Generation);
    text("set", r.SetFile);
    text("commit", CommitWord(r));
    text("outcome",
         r.Outcome == TUnitResult::Unknown ? r.UnknownOutcome : WordsOf(r.Outcome).Journal);
    text("message", r.Message);
    line += ",\"params\":[";
    for (std::size_t i = 0; i < r.Params.size(); ++i) {
        const TParamResult& p = r.Params[i];
        line += i ? ",[" : "[";
        line += JsonQuoted(p.Page) + "," + JsonQuoted(p.Name) + "," + JsonQuoted(p.Value) + "," +
                JsonQuoted(OutcomeName(p.Outcome));
        if (!p.Note.empty())
            line += "," + JsonQuoted(p.Note);
        line += "]";
    }
    line += "]}";
    return line;
}

std::optional<TJournalRecord> ParseJournalLine(std::string_view Line, bool WithParams) {
    TJournalRecord r;
    TJsonReader json(Line);
    std::string commit, outcome;
    const bool ok = json.Object([&](const std::string& Key) {
        if (Key == "time")
            return json.String(r.Time);
        if (Key == "local")
            return json.String(r.LocalTime);
        if (Key == "program")
            return json.String(r.Program);
        if (Key == "request")
            return json.String(r.Request);
        if (Key == "port")
            return json.String(r.Port);
        if (Key == "phone")
            return json.String(r.Phone);
        if (Key == "unit")
            return json.String(r.ObjNum);
        if (Key == "firmware")
            return json.String(r.Firmware);
        if (Key == "revision")
            return ReadInt(json, r.Revision);
        if (Key == "generation")
            return ReadInt(json, r.Generation);
        if (Key == "set")
            return json.String(r.SetFile);
        if (Key == "commit")
            return json.String(commit);
        if (Key == "outcome")
            return json.String(outcome);
        if (Key == "message")
            return json.String(r.Message);
        if (Key == "params")
            return ReadParams(json, r, WithParams);
        return json.Skip();
    });
    // A record says at least when it was written and by which program.
    if (!ok || !json.AtEnd() || r.Time.empty() || r.Program.empty())
        return std::nullopt;
    r.Committed = commit == "confirmed";
    r.CommitSent = r.Committed || commit == "not confirmed";
    r.Outcome = ResultFromJournal(outcome);
    if (r.Outcome == TUnitResult::Unknown)
        r.UnknownOutcome = std::move(outcome);
    r.Length = Line.size();
    return r;
}

std::vector<TParamResult> TJournal::Params(const TJournalRecord& Record) const {
    if (Record.Offset + Record.Length > Bytes.size())
        return {};
    const auto full =
        ParseJournalLine(std::string_view(Bytes).substr(Record.Offset, Record.Length), true);
    return full ? full->Params : std::vector<TParamResult>{};
}

TJournalScan ScanJournal(const std::string& FileName, const TJournalTake& Take) {
    const std::filesystem::path path(std::u8string(FileName.begin(), FileName.end()));
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw EFileError(FileName, "Не удалось прочитать журнал \"" + FileName + "\"");
    TJournalScan scan;
    std::string pending; // the start of a line the last piece cut
    std::vector<char> piece(1 << 20);
    std::size_t total = 0;
    bool skipping = false; // the rest of a line too long to be a record
    while (in && total < MaxJournalBytes) {
        in.read(piece.data(),
                static_cast<std::streamsize>(std::min(piece.size(), MaxJournalBytes - total)));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        total += got;
        std::string_view text(piece.data(), got);
        for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;
             text.remove_prefix(end + 1)) {
            std::string_view line = text.substr(0, end);
            if (!pending.empty()) {
                pending += line;
                line = pending;
            }
            if (std::exchange(skipping, false))
                ++scan.Damaged;
            else if (line.find_first_not_of(" \t\r") != std::string_view::npos) {
                if (auto record = ParseJournalLine(line, false))
                    Take(*record, line);
                else
                    ++scan.Damaged;
            }
            pending.clear();
        }
        if (!skipping)
            pending += text;
        if (pending.size() > MaxJournalLineBytes) {
            skipping = true;
            pending.clear();
        }
    }
    if (in.bad())
        throw EFileError(FileName, "Не удалось прочитать журнал \"" + FileName + "\"");
    // A last line without its line break was cut short by a crash: only
    // lines the writer finished are read.
    if (skipping || !pending.empty())
        ++scan.Damaged;
    scan.Truncated = total >= MaxJournalBytes && in.peek() != std::char_traits<char>::eof();
    return scan;
}

TJournal ReadJournal(const std::string& FileName, std::size_t Newest) {
    TJournal journal;
    // The newest ones, each with its line, until the end shows which they are.
    std::deque<std::pair<TJournalRecord, std::string>> newest;
    const TJournalScan scan =
        ScanJournal(FileName, [&](TJournalRecord& Record, std::string_view Line) {
            if (Newest == 0) {
                ++journal.Older;
            } else if (Newest == std::numeric_limits<std::size_t>::max()) {
                Record.Offset = journal.Bytes.size();
                journal.Bytes += Line;
                journal.Records.push_back(std::move(Record));
            } else {
                if (newest.size() == Newest) {
                    newest.pop_front();
                    ++journal.Older;
                }
                newest.emplace_back(std::move(Record), std::string(Line));
            }
        });
    for (auto& [record, line] : newest) {
        record.Offset = journal.Bytes.size();
        journal.Bytes += line;
        journal.Records.push_back(std::move(record));
    }
    journal.Damaged = scan.Damaged;
    journal.Truncated = scan.Truncated;
    return journal;
}

void AppendJournal(const std::string& FileName, const TJournalRecord& Record) {
    try {
        AppendFileLine(FileName, JournalLine(Record));
    } catch (const EFileError& e) {
        throw EFileError(FileName, std::string(e.what()) + ". Запись о блоке " +
                                       (Record.ObjNum.empty() ? "" : Record.ObjNum + " ") +
                                       "на порту " + Record.Port + " не внесена в журнал.");
    }
}

TJournalRecord JournalRecordOf(const TWriteSummary& s, const std::string& Program,
                               const std::string& SetFile) {
    TJournalRecord r;
    r.Stamp(s.Ended);
    r.Program = Program;
    r.Request = s.Request == rqWriteAll     ? "write all"
                : s.Request == rqWriteParam ? "write parameter"
                                            : "write page";
    r.Port = s.Port;
    r.Phone = s.Phone;
    r.ObjNum = s.ObjNum;
    r.Firmware = s.Version;
    r.Revision = s.Revision;
    r.Generation = s.Generation;
    r.SetFile = SetFile;
    r.CommitSent = s.CommitSent;
    r.Committed = s.Committed;
    r.Params = s.Params;
    bool failed = false;
    for (const TParamResult& p : s.Params) {
        Count(r, p.Outcome);
        failed = failed || FailedOutcome(p.Outcome);
    }
    // Verified: every parameter sent was read back and found as sent (a
    // checked write is committed only then).
    r.Outcome = s.LinkLost                 ? TUnitResult::LinkLost
                : failed || !s.Committed   ? TUnitResult::Failed
                : s.Verified && r.Verified ? TUnitResult::Verified
                                           : TUnitResult::Written;
    return r;
}

namespace {

// The columns of a record before its parameters'.
const char* const FixedColumns[] = {"Время",     "Время UTC", "Программа",     "Запрос",
                                    "Порт",      "Телефон",   "Номер объекта", "Прошивка",
                                    "Поколение", "Набор",     "Записано",      "Проверено",
                                    "Ошибок",    "EEPROM",    "Итог",          "Причина"};

std::string CsvLine(const std::vector<std::string>& Cells) {
    std::string line;
    for (std::size_t i = 0; i < Cells.size(); ++i)
        line += (i ? ";" : "") + Cell(Cells[i]);
    return line + "\r\n";
}

std::string ColumnKey(const TParamResult& p) {
    return p.Page + "/" + p.Name;
}

} // namespace

void TJournalCsv::AddColumns(const std::vector<TParamResult>& Params) {
    // One column per parameter, in the order they first come up.
    for (const TParamResult& p : Params)
        if (FColumn.emplace(ColumnKey(p), FNames.size()).second)
            FNames.push_back(ParamWords(FPages, p.Page, p.Name).Text());
}

std::string TJournalCsv::Head() const {
    std::vector<std::string> head(std::begin(FixedColumns), std::end(FixedColumns));
    head.insert(head.end(), FNames.begin(), FNames.end());
    return "\xEF\xBB\xBF" + CsvLine(head);
}

std::string TJournalCsv::Row(const TJournalRecord& r,
                             const std::vector<TParamResult>& Params) const {
    std::vector<std::string> cells{LocalTimeText(r),
                                   r.Time,
                                   ProgramText(r.Program),
                                   RequestText(r.Request),
                                   r.Port,
                                   TextCell(r.Phone),
                                   TextCell(r.ObjNum),
                                   r.Firmware,
                                   r.Generation < 0 ? "" : std::to_string(r.Generation),
                                   r.SetFile,
                                   std::to_string(r.Written),
                                   std::to_string(r.Verified),
                                   std::to_string(r.Failed),
                                   CommitText(r),
                                   OutcomeText(r),
                                   r.Message};
    const std::size_t fixed = cells.size();
    cells.resize(fixed + FNames.size());
    for (const TParamResult& p : Params) {
        const auto column = FColumn.find(ColumnKey(p));
        if (column == FColumn.end())
            continue; // not among the records the columns were gathered from
        std::string& cell = cells[fixed + column->second];
        cell = ValueText(p.Value);
        if (p.Outcome != TParamOutcome::Verified && p.Outcome != TParamOutcome::Written)
            cell += " (" + OutcomeText(p.Outcome) + (p.Note.empty() ? "" : ": " + p.Note) + ")";
        cell = TextCell(cell);
    }
    return CsvLine(cells);
}

std::string JournalCsv(const TJournal& Journal, const std::vector<const TJournalRecord*>& Records,
                       const TDevicePages& Pages) {
    TJournalCsv table(Pages);
    std::vector<std::vector<TParamResult>> params;
    for (const TJournalRecord* r : Records) {
        params.push_back(r->Params.empty() ? Journal.Params(*r) : r->Params);
        table.AddColumns(params.back());
    }
    std::string csv = table.Head();
    for (std::size_t i = 0; i < Records.size(); ++i)
        csv += table.Row(*Records[i], params[i]);
    return csv;
}

std::string ProgramText(const std::string& Program) {
    return Program == "window" ? "окно" : Program == "batch" ? "orbelin-batch" : Program;
}

std::string RequestText(const std::string& Request) {
    return Request == "write page"        ? "запись страницы"
           : Request == "write parameter" ? "запись параметра"
           : Request == "write all"       ? "запись всех"
                                          : Request;
}

std::string CommitText(const TJournalRecord& Record) {
    return Record.Committed ? "сохранено" : Record.CommitSent ? "не подтверждено" : "не выполнено";
}

std::string OutcomeText(const TJournalRecord& Record) {
    return Record.Outcome == TUnitResult::Unknown ? Record.UnknownOutcome
                                                  : WordsOf(Record.Outcome).Operator;
}

std::string OutcomeText(TParamOutcome Outcome) {
    return OutcomeWords(Outcome);
}

std::string ValueText(const std::string& Value) {
    return SameTextAscii(Value, QueueWord::True)    ? "да"
           : SameTextAscii(Value, QueueWord::False) ? "нет"
                                                    : Value;
}

std::string LocalTimeText(const TJournalRecord& Record) {
    TLocalTime t;
    if (std::sscanf(Record.LocalTime.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &t.Year, &t.Month, &t.Day,
                    &t.Hour, &t.Minute, &t.Second) != 6)
        return Record.LocalTime;
    return FormatDateTime(t);
}
