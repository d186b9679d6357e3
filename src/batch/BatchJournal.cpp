#include "batch/BatchJournal.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "device/PageTable.h"
#include "params/WireValue.h"
#include "services/Journal.h"
#include "services/ProgramOptions.h"
#include "toolkit/FileIo.h"
#include "toolkit/Platform.h"
#include "toolkit/QtBridge.h"
#include "toolkit/TextUtil.h"

namespace {

// How much of the CSV is made before it goes to the file.
constexpr std::size_t CsvPiece = 1 << 20;

void Say(const std::string& Text) {
    std::fprintf(stderr, "orbelin-batch: %s\n", ControlsEscaped(Text, true).c_str());
}

// Object numbers as people type them: "123" is unit 0123.
bool SameUnit(const std::string& A, const std::string& B) {
    if (!A.empty() && !B.empty() && AllDigits(A) && AllDigits(B)) {
        const auto strip = [](const std::string& s) {
            const std::size_t first = s.find_first_not_of('0');
            return first == std::string::npos ? std::string("0") : s.substr(first);
        };
        return strip(A) == strip(B);
    }
    return SameTextAscii(A, B);
}

// A day (YYYY-MM-DD or DD.MM.YYYY, from its local midnight) or a moment
// (YYYY-MM-DDTHH:MM[:SS], local unless it names its offset).
std::optional<QDateTime> Since(const std::string& Text) {
    const QString text = QStr(Text);
    for (const QDate day : {QDate::fromString(text, Qt::ISODate),
                            QDate::fromString(text, QStringLiteral("dd.MM.yyyy"))})
        if (day.isValid())
            return QDateTime(day, QTime(0, 0));
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
    if (moment.isValid())
        return moment;
    return std::nullopt;
}

// In the words of the window's journal: one line a record, and with
// WithParams what went wrong and each parameter beneath it. What units and
// files gave is shown with its control characters escaped.
void Print(const TJournalRecord& r, const std::vector<TParamResult>& params,
           const TDevicePages& Pages, bool WithParams) {
    std::string line = LocalTimeText(r) + "  " + ProgramText(r.Program) + "  " +
                       RequestText(r.Request) + "  порт " + r.Port;
    if (!r.Phone.empty())
        line += "  тел. " + r.Phone;
    line += "  блок " + (r.ObjNum.empty() ? std::string("?") : r.ObjNum) + "  " + r.Firmware;
    if (r.Generation >= 0)
        line += " (поколение " + std::to_string(r.Generation) + ")";
    line += "  EEPROM: " + CommitText(r) + "; " + OutcomeText(r) + ": записано " +
            std::to_string(r.Written) + ", проверено " + std::to_string(r.Verified) + ", ошибок " +
            std::to_string(r.Failed);
    std::printf("%s\n", ControlsEscaped(line).c_str());
    if (!WithParams)
        return;
    if (!r.SetFile.empty())
        std::printf("  набор %s\n", ControlsEscaped(r.SetFile).c_str());
    if (!r.Message.empty()) {
        std::string message = ControlsEscaped(r.Message, true);
        for (std::size_t at = 0; (at = message.find('\n', at)) != std::string::npos; at += 3)
            message.replace(at, 1, "\n  ");
        std::printf("  %s\n", message.c_str());
    }
    std::vector<std::string> names;
    std::size_t width = 0;
    for (const TParamResult& p : params) {
        names.push_back(ControlsEscaped(ParamWords(Pages, p.Page, p.Name).Text()));
        width = std::max(width, CharacterCount(names.back()));
    }
    for (std::size_t i = 0; i < params.size(); ++i) {
        const TParamResult& p = params[i];
        std::printf("    %s%s  %s  %s%s\n", names[i].c_str(),
                    std::string(width - CharacterCount(names[i]), ' ').c_str(),
                    ControlsEscaped(ValueText(p.Value)).c_str(), OutcomeText(p.Outcome).c_str(),
                    p.Note.empty() ? "" : ControlsEscaped(" (" + p.Note + ")").c_str());
    }
}

} // namespace

std::optional<std::string> JournalUnwritable() {
    const std::string name = JournalFile();
    const QFileInfo file(QStr(name));
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return "нельзя записать журнал " + name + ": его папки нет или она защищена от записи";
    const auto writeBits =
        QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    if (file.exists() && (file.isDir() || !file.isWritable() || !(file.permissions() & writeBits)))
        return "нельзя записать журнал " + name;
    return std::nullopt;
}

std::optional<std::string> JournalUnit(const TUnitRecord& Unit, const std::string& SetFile) {
    const TUnitOutcome& o = Unit.Outcome;
    const bool reached = o.CommitSent || o.WrittenSeen > 0 ||
                         std::any_of(o.Params.begin(), o.Params.end(), [](const TParamResult& p) {
                             return SentToUnit(p.Outcome) || p.Outcome == TParamOutcome::Refused;
                         });
    if (!reached)
        return std::nullopt;
    TJournalRecord r;
    r.Stamp(std::chrono::system_clock::now());
    r.Program = "batch";
    r.Request = "write all";
    r.Port = Unit.Port;
    r.Phone = Unit.Phone;
    r.ObjNum = o.ObjNum;
    r.Firmware = o.Version;
    r.Revision = o.Revision;
    r.Generation = o.Generation;
    r.SetFile =
        SetFile.empty() ? std::string() : StdStr(QFileInfo(QStr(SetFile)).absoluteFilePath());
    r.CommitSent = o.CommitSent;
    r.Committed = o.Committed;
    r.Outcome = o.Outcome;
    r.Message = o.Message;
    r.Params = o.Params;
    try {
        AppendJournal(JournalFile(), r);
    } catch (const EFileError& e) {
        return std::string("journal: ") + e.what();
    }
    return std::nullopt;
}

int RunJournalCommand(const std::vector<std::string>& Args, const TDevicePages& Pages) {
    std::string unit, since, csv, home;
    bool withParams = false;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        const std::string& a = Args[i];
        if (a == "--params") {
            withParams = true;
            continue;
        }
        std::string* into = a == "--unit"    ? &unit
                            : a == "--since" ? &since
                            : a == "--csv"   ? &csv
                            : a == "--home"  ? &home
                                             : nullptr;
        if (!into) {
            Say("journal: нет такого параметра: \"" + a + "\"");
            return 2;
        }
        if (i + 1 >= Args.size() || Args[i + 1].empty()) {
            Say("journal: " + a + ": не задано значение");
            return 2;
        }
        *into = Args[++i];
    }
    std::optional<QDateTime> from;
    if (!since.empty() && !(from = Since(since))) {
        Say("journal: --since: нужна дата (2026-03-01 или 01.03.2026), а не \"" + since + "\"");
        return 2;
    }
    if (!home.empty() && !QFileInfo(QStr(home)).isDir()) {
        Say("journal: --home: \"" + home + "\" — не папка");
        return 2;
    }
    TProgramOptions given;
    given.Home = home;
    if (const auto error = CheckHomeEnvironment(PlatformGetEnv("ORBELIN_HOME"), given)) {
        Say(*error);
        return 2;
    }
    if (const auto error = UseProgramFolder(home))
        Say(*error);

    // Read as a stream, the filter applied as it goes: nothing is kept. The
    // CSV takes a first pass for its columns.
    const auto chosen = [&](const TJournalRecord& r) {
        return (unit.empty() || SameUnit(r.ObjNum, unit)) &&
               !(from && QDateTime::fromString(QStr(r.Time), Qt::ISODate) < *from);
    };
    const auto params = [](std::string_view Line) {
        auto full = ParseJournalLine(Line, true);
        return full ? std::move(full->Params) : std::vector<TParamResult>{};
    };
    TJournalCsv table(Pages);
    std::size_t count = 0;
    TJournalScan scan;
    try {
        scan = ScanJournal(JournalFile(), [&](TJournalRecord& r, std::string_view Line) {
            if (!chosen(r))
                return;
            ++count;
            if (!csv.empty())
                table.AddColumns(params(Line));
            else
                Print(r, withParams ? params(Line) : std::vector<TParamResult>{}, Pages,
                      withParams);
        });
    } catch (const EFileError& e) {
        Say(e.what());
        return 2;
    }
    if (scan.Damaged > 0)
        Say("journal: пропущено строк, не составляющих целой записи: " +
            std::to_string(scan.Damaged) + " (сбой обрывает строку, которую пишет)");
    if (scan.Truncated)
        Say("journal: прочитаны только первые " + std::to_string(MaxJournalBytes >> 20) + " МБ");
    if (!csv.empty()) {
        try {
            ReplaceFileContentsWith(csv, [&](const TFileWrite& Write) {
                std::string rows = table.Head();
                // The records the columns came from: those the window or
                // another run appends meanwhile come after them.
                std::size_t left = count;
                ScanJournal(JournalFile(), [&](TJournalRecord& r, std::string_view Line) {
                    if (left == 0 || !chosen(r))
                        return;
                    --left;
                    rows += table.Row(r, params(Line));
                    if (rows.size() >= CsvPiece)
                        Write(std::exchange(rows, {}));
                });
                Write(rows);
            });
        } catch (const EFileError& e) {
            Say(e.what());
            return 2;
        }
        std::printf("записей: %zu, выгружены в %s\n", count, csv.c_str());
        return 0;
    }
    std::printf("записей: %zu в %s\n", count, JournalFile().c_str());
    return 0;
}
