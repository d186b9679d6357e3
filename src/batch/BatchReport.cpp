#include "batch/BatchReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "toolkit/FileIo.h"

namespace {

QJsonArray Names(const std::vector<std::string>& Names) {
    QJsonArray array;
    for (const std::string& name : Names)
        array.append(QString::fromStdString(name));
    return array;
}

std::vector<std::string> NamesOf(const QJsonValue& Value) {
    std::vector<std::string> names;
    for (const QJsonValue& v : Value.toArray())
        names.push_back(v.toString().toStdString());
    return names;
}

QJsonObject Counted(const std::vector<std::string>& List) {
    return {{"count", static_cast<int>(List.size())}, {"names", Names(List)}};
}

std::string Str(const QJsonObject& Json, const char* Key) {
    return Json.value(Key).toString().toStdString();
}

// Column widths count characters, not bytes (ports and reasons may hold
// Cyrillic text).
std::size_t Width(const std::string& Text) {
    return static_cast<std::size_t>(QString::fromStdString(Text).size());
}

std::string Padded(const std::string& Text, std::size_t Size) {
    const std::size_t width = Width(Text);
    return Text + std::string(width < Size ? Size - width : 0, ' ');
}

} // namespace

QJsonObject OutcomeToJson(const TUnitOutcome& o) {
    QJsonArray differences;
    for (const TDifference& d : o.Differences)
        differences.append(QJsonObject{{"page", QString::fromStdString(d.Page)},
                                       {"name", QString::fromStdString(d.Name)},
                                       {"caption", QString::fromStdString(d.Caption)},
                                       {"unit", QString::fromStdString(d.UnitValue)},
                                       {"file", QString::fromStdString(d.FileValue)}});
    QJsonArray params;
    for (const TParamResult& p : o.Params)
        params.append(QJsonObject{{"page", QString::fromStdString(p.Page)},
                                  {"name", QString::fromStdString(p.Name)},
                                  {"value", QString::fromStdString(p.Value)},
                                  {"outcome", OutcomeName(p.Outcome)},
                                  {"note", QString::fromStdString(p.Note)},
                                  {"caption", QString::fromStdString(p.Caption)}});
    QJsonObject json{{"port", QString::fromStdString(o.Port)},
                     {"connected", o.Connected},
                     {"version", QString::fromStdString(o.Version)},
                     {"revision", o.Revision},
                     {"generation", o.Generation},
                     {"objnum", QString::fromStdString(o.ObjNum)},
                     {"commit", QJsonObject{{"sent", o.CommitSent}, {"confirmed", o.Committed}}},
                     {"written", Counted(o.Written)},
                     {"verified", Counted(o.Verified)},
                     {"failed", Counted(o.Failed)},
                     {"kept", Counted(o.Kept)},
                     {"params", params},
                     {"seconds", std::round(o.Seconds * 1000) / 1000},
                     {"outcome", WordsOf(o.Outcome).Report},
                     {"exit", o.Exit()},
                     {"message", QString::fromStdString(o.Message)}};
    if (!differences.isEmpty())
        json.insert("differences", differences);
    return json;
}

std::optional<TUnitOutcome> OutcomeFromJson(const QJsonObject& j) {
    const auto result = ResultFromReport(Str(j, "outcome"), j.value("exit").toInt(exSomeFailed));
    if (!result)
        return std::nullopt;
    TUnitOutcome o;
    o.Outcome = *result;
    o.Port = Str(j, "port");
    o.Connected = j.value("connected").toBool();
    o.Version = Str(j, "version");
    o.Revision = j.value("revision").toInt();
    o.Generation = j.value("generation").toInt(-1);
    o.ObjNum = Str(j, "objnum");
    o.CommitSent = j.value("commit").toObject().value("sent").toBool();
    o.Committed = j.value("commit").toObject().value("confirmed").toBool();
    o.Written = NamesOf(j.value("written").toObject().value("names"));
    o.Verified = NamesOf(j.value("verified").toObject().value("names"));
    o.Failed = NamesOf(j.value("failed").toObject().value("names"));
    o.Kept = NamesOf(j.value("kept").toObject().value("names"));
    for (const QJsonValue& v : j.value("params").toArray()) {
        const QJsonObject p = v.toObject();
        o.Params.push_back({Str(p, "page"), Str(p, "name"), Str(p, "value"),
                            OutcomeFromName(Str(p, "outcome")), Str(p, "note"), Str(p, "caption")});
    }
    o.Seconds = j.value("seconds").toDouble();
    o.Message = Str(j, "message");
    for (const QJsonValue& v : j.value("differences").toArray()) {
        const QJsonObject d = v.toObject();
        o.Differences.push_back(
            {Str(d, "page"), Str(d, "name"), Str(d, "caption"), Str(d, "unit"), Str(d, "file")});
    }
    return o;
}

std::string WordFor(const std::string& ReportWord) {
    static const std::pair<const char*, const char*> phases[] = {
        {"waiting", "ожидание"}, {"connect", "связь"},   {"read", "чтение"},
        {"write", "запись"},     {"verify", "проверка"}, {"commit", "сохранение в EEPROM"},
    };
    for (const auto& [word, said] : phases)
        if (ReportWord == word)
            return said;
    if (const auto result = ResultFromReport(ReportWord, exSomeFailed))
        return WordsOf(*result).Operator;
    return ReportWord;
}

std::string CaptionsOf(const TUnitOutcome& Outcome, const std::vector<std::string>& Names) {
    std::string text;
    for (const std::string& n : Names) {
        const auto p = std::find_if(Outcome.Params.begin(), Outcome.Params.end(),
                                    [&](const TParamResult& q) { return q.Name == n; });
        text += (text.empty() ? "" : "; ") +
                (p != Outcome.Params.end() && !p->Caption.empty() ? p->Caption : n);
    }
    return text;
}

std::string SummaryTable(const std::vector<TUnitRecord>& Units) {
    const std::vector<std::string> head{"порт",      "объект", "прошивка", "поколение", "записано",
                                        "проверено", "ошибок", "сек",      "итог"};
    std::vector<std::vector<std::string>> rows;
    for (const TUnitRecord& u : Units) {
        const TUnitOutcome& o = u.Outcome;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", o.Seconds);
        rows.push_back({u.Port, o.ObjNum.empty() ? "-" : o.ObjNum,
                        o.Version.empty() ? "-" : o.Version,
                        o.Generation < 0 ? "-" : std::to_string(o.Generation),
                        // A process that ended untold: as far as its progress showed.
                        std::to_string(std::max<std::size_t>(o.Written.size(), o.WrittenSeen)),
                        std::to_string(o.Verified.size()), std::to_string(o.Failed.size()), seconds,
                        WordsOf(o.Outcome).Operator});
    }
    std::vector<std::size_t> widths;
    for (const std::string& h : head)
        widths.push_back(Width(h));
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], Width(row[c]));
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t c = 0; c < cells.size(); ++c)
            text +=
                (c ? "  " : "") + (c + 1 < cells.size() ? Padded(cells[c], widths[c]) : cells[c]);
        return text + "\n";
    };
    std::string table = line(head);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        table += line(rows[r]);
        const TUnitOutcome& o = Units[r].Outcome;
        const auto names = [&](const std::vector<std::string>& List) {
            return CaptionsOf(o, List);
        };
        if (!o.Failed.empty())
            table += "    ошибки: " + names(o.Failed) + "\n";
        if (!o.Kept.empty())
            table += "    оставлены, как хранит блок: " + names(o.Kept) + "\n";
        if (o.Exit() != exAllVerified && !o.Message.empty()) {
            std::string message = o.Message;
            for (std::size_t at = 0; (at = message.find('\n', at)) != std::string::npos; at += 5)
                message.replace(at, 1, "\n    ");
            table += "    " + message + "\n";
        }
    }
    int verified = 0;
    for (const TUnitRecord& u : Units)
        verified += u.Outcome.Exit() == exAllVerified;
    table += "Проверено блоков: " + std::to_string(verified) + " из " +
             std::to_string(Units.size()) + "\n";
    return table;
}

int CombinedExit(const std::vector<TUnitRecord>& Units) {
    int exit = exAllVerified;
    for (const TUnitRecord& u : Units)
        exit = std::max(exit, u.Outcome.Exit());
    return exit;
}

void WriteReport(const std::string& FileName, const std::string& Command,
                 const std::string& SetFile, const std::vector<TUnitRecord>& Units, int Exit) {
    QJsonArray units;
    for (const TUnitRecord& u : Units) {
        QJsonObject json = OutcomeToJson(u.Outcome);
        json.insert("port", QString::fromStdString(u.Port));
        json.insert("phone", QString::fromStdString(u.Phone));
        json.insert("log", QString::fromStdString(u.LogFile));
        units.append(json);
    }
    const QJsonObject report{{"command", QString::fromStdString(Command)},
                             {"set", QString::fromStdString(SetFile)},
                             {"exit", Exit},
                             {"units", units}};
    const QByteArray bytes = QJsonDocument(report).toJson(QJsonDocument::Indented);
    ReplaceFileContents(FileName,
                        std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}
