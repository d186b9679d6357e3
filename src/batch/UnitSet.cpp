#include "batch/UnitSet.h"

#include <QTemporaryDir>
#include <algorithm>
#include <limits>

#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "params/ParamForm.h"
#include "params/ParamTable.h"
#include "params/WireValue.h"
#include "queue/Protocol.h"
#include "toolkit/Cp1251.h"
#include "toolkit/FileIo.h"
#include "toolkit/IniFile.h"
#include "toolkit/TextUtil.h"

namespace {

// A set file as large as this is not one the window saved.
constexpr std::size_t MaxSetBytes = 256 * 1024;

std::string Joined(const std::vector<std::string>& Problems) {
    std::string text;
    for (const std::string& p : Problems)
        text += (text.empty() ? "" : "\n") + p;
    return text;
}

// What a value of a column must be, in the terms both its descriptions use.
struct TValueShape {
    enum { Flag, Number, Decimal, Phone, Address, Text, EventCode } Kind = Text;
    long long Min = 0, Max = 0; // Number
    int Digits = 0;             // Number: hexadecimal digits on the wire; Decimal: padded to
    int MaxLength = 0;          // Phone, Text: the most characters (0: no limit)
    TValueRule Typed;           // Number: what the window lets the operator type
    bool Keep = false;          // KeepUnitValue is taken too
};

// As the settings file's load checks a value (LoadProblem).
TValueShape ShapeOf(const TParamDef& Row, std::size_t Index, const QObject* Control) {
    TValueShape shape;
    const TValueControl control(Control);
    const TValueRule& rule = Row.Rule;
    const bool field = Row.Codec == TParamCodec::Field;
    if (control.IsBox()) {
        shape.Kind = TValueShape::Flag;
        shape.Keep = true;
        return shape;
    }
    if (field && rule.Spin) {
        shape.Kind = TValueShape::Number;
        shape.Min = rule.Min;
        shape.Max = rule.Max;
        shape.Keep = true;
        return shape;
    }
    shape.MaxLength = field ? rule.Length : 0;
    if (Row.Codec == TParamCodec::Number) {
        shape.Kind = TValueShape::Phone;
        shape.MaxLength = 0;
    } else if (Row.Codec == TParamCodec::EventCode && Index == 0) {
        shape.Kind = TValueShape::EventCode;
    } else if (Row.Form.Kind == TFormKind::Hex) {
        shape.Kind = TValueShape::Number;
        shape.Max = HexFieldMax(Row.Form);
        shape.Digits = Row.Form.Digits;
        shape.Typed = rule;
    } else if (Row.Form.Kind == TFormKind::Decimal) {
        shape.Kind = TValueShape::Decimal;
        shape.Digits = Row.Form.Digits;
    } else if (Row.Form.Kind == TFormKind::Phone) {
        shape.Kind = TValueShape::Phone;
    } else if (Row.Form.Kind == TFormKind::IPv4) {
        shape.Kind = TValueShape::Address;
    }
    return shape;
}

std::string Range(long long Min, long long Max) {
    return std::to_string(Min) + "…" + std::to_string(Max);
}

std::string FormText(const TValueShape& s) {
    std::string text;
    const std::string upTo =
        s.MaxLength > 0 ? ", до " + std::to_string(s.MaxLength) + " символов" : "";
    switch (s.Kind) {
    case TValueShape::Flag:
        text = "флажок: 1 или 0";
        break;
    case TValueShape::Number:
        text = "число " + Range(s.Min, s.Max);
        if (s.Digits > 0)
            text += " (в блок — " + std::to_string(s.Digits) + " шестн. цифры)";
        if (s.Typed.Ranged())
            text += ", в окне " + Range(s.Typed.Min, s.Typed.Max);
        break;
    case TValueShape::Decimal:
        text = "десятичное число";
        if (s.Digits > 0)
            text += " до " + std::to_string(s.Digits) + " цифр, дополняется нулями";
        break;
    case TValueShape::Phone:
        text = "телефонный номер" + upTo;
        break;
    case TValueShape::Address:
        text = "IP-адрес, например 192.0.2.1";
        break;
    case TValueShape::Text:
        text = "текст" + upTo;
        break;
    case TValueShape::EventCode:
        text = "код события, " + std::to_string(EventCodeLength) + " символов";
        break;
    }
    if (s.Keep)
        text += std::string("; ") + KeepUnitValue + " — как в блоке";
    return text;
}

std::string LimitText(const TValueShape& s) {
    const std::string upTo =
        s.MaxLength > 0 ? " не длиннее " + std::to_string(s.MaxLength) + " символов" : "";
    switch (s.Kind) {
    case TValueShape::Flag:
        return std::string("1 или 0, или ") + KeepUnitValue;
    case TValueShape::Number:
        return "число от " + std::to_string(s.Min) + " до " + std::to_string(s.Max);
    case TValueShape::Decimal:
        return s.Digits > 0 ? "не больше " + std::to_string(s.Digits) + " десятичных цифр"
                            : "десятичные цифры";
    case TValueShape::Phone:
        return "телефонный номер" + upTo;
    case TValueShape::Address:
        return "адрес IPv4, например 192.0.2.1";
    case TValueShape::Text:
        return "текст" + upTo;
    case TValueShape::EventCode:
        return "код события из " + std::to_string(EventCodeLength) + " символов";
    }
    return {};
}

std::string DefaultText(const QObject* Control, const std::string& Hint) {
    if (TValueControl(Control).IsText())
        return Hint;
    return SameTextAscii(Hint, QueueWord::True) ? "1" : "0";
}

// Characters, not bytes, for the alignment of the columns' table.
std::string Padded(const std::string& Text, std::size_t Width) {
    const std::size_t length = CharacterCount(Text);
    return Text + std::string(Width > length ? Width - length : 0, ' ');
}

// How many single-character edits turn one text into the other, letter case
// ignored.
int EditDistance(const QString& A, const QString& B) {
    const QString a = A.toCaseFolded();
    const QString b = B.toCaseFolded();
    std::vector<int> row(static_cast<std::size_t>(b.size()) + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[static_cast<std::size_t>(j)] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const auto at = static_cast<std::size_t>(j);
            const int above = row[at];
            row[at] =
                std::min({above + 1, row[at - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

std::string ColumnsText(const std::vector<TSetColumn>& Columns) {
    // A terminal's width: the name, then what the window calls it, and
    // beneath, indented, its form and default, each wrapped at a blank.
    constexpr std::size_t LineWidth = 100;
    struct TEntry {
        std::string Name, Caption, Form, Default;
    };
    std::vector<TEntry> entries = {
        {"port", "порт блока или его модема", "обязателен в каждой строке", ""},
        {"phone", "номер для вызова через модем", "телефонный номер; пусто — кабель", ""},
    };
    for (const TSetColumn& c : Columns)
        entries.push_back({c.Name, TParamWords{c.Page, c.Caption}.Text(), c.Form, c.Default});
    std::size_t indent = 0;
    for (const TEntry& e : entries)
        indent = std::max(indent, CharacterCount(e.Name) + 2);
    std::string text = "Имя" + std::string(indent - 3, ' ') + "Страница › подпись в окне\n" +
                       std::string(indent, ' ') +
                       "форма значения; по умолчанию: что даёт «По умолчанию»\n";
    const auto wrapped = [&](std::string Line, const std::string& Rest) {
        std::size_t width = CharacterCount(Line);
        std::size_t at = 0;
        while (at < Rest.size()) {
            std::size_t end = Rest.find(' ', at);
            if (end == std::string::npos)
                end = Rest.size();
            const std::string word = Rest.substr(at, end - at);
            if (width > indent && width + 1 + CharacterCount(word) > LineWidth) {
                text += Line + "\n";
                Line = std::string(indent, ' ');
                width = indent;
            } else if (width > indent) {
                Line += ' ';
                ++width;
            }
            Line += word;
            width += CharacterCount(word);
            at = end + 1;
        }
        text += Line + "\n";
    };
    for (const TEntry& e : entries) {
        wrapped(Padded(e.Name, indent), e.Caption);
        wrapped(std::string(indent, ' '),
                e.Form + (e.Default.empty() ? "" : "; по умолчанию: " + e.Default));
    }
    return text;
}

ESetRefused::ESetRefused(std::vector<std::string> P)
    : std::runtime_error(Joined(P)), Problems(std::move(P)) {}

TUnitSet::TUnitSet() : FOwner(std::make_unique<TForm>(nullptr, "Form1")) {
    FPages = CreateSettingsPages(FOwner.get(), FOwner.get());
    for (TParamPage* page : ParameterPages(FPages)) {
        const TPageInfo* info = PageInfoOf(FPages, page);
        if (!info)
            continue;
        for (const std::string& name : StoredControls(info->Number)) {
            QObject* control = page->FindComponent(name);
            const TParamDef* row = ParamOfControl(info->Number, name);
            if (!TValueControl(control) || !row)
                continue;
            const std::vector<std::string> names = row->ControlNames();
            const auto index = static_cast<std::size_t>(
                std::find_if(names.begin(), names.end(),
                             [&](const std::string& n) { return SameTextAscii(n, name); }) -
                names.begin());
            const TValueShape shape = ShapeOf(*row, index, control);
            const TParamWords words = ParamWords(*page, info->Number, name);
            const TComponentInfo* component = ComponentInfoOf(control);
            FColumns.push_back({.Name = name,
                                .Section = page->Name(),
                                .Page = words.Page,
                                .Caption = words.Caption,
                                .Form = FormText(shape),
                                .Limit = LimitText(shape),
                                .Default = DefaultText(control, component->Hint()),
                                .Secret = row->Secret});
        }
    }
}

const TSetColumn* TUnitSet::ColumnOf(const std::string& ControlName) const {
    for (const TSetColumn& c : FColumns)
        if (SameTextAscii(c.Name, ControlName))
            return &c;
    return nullptr;
}

std::optional<std::string> TUnitSet::ColumnName(const std::string& Header) const {
    const std::string name = TrimBlanks(Header);
    if (const TSetColumn* c = ColumnOf(name))
        return c->Name;
    // A caption copied from the window may carry its examples.
    const QString caption = QStr(ShortCaption(name));
    for (const TSetColumn& c : FColumns)
        if (QString::compare(QStr(c.Caption), caption, Qt::CaseInsensitive) == 0)
            return c.Name;
    return std::nullopt;
}

std::string TUnitSet::UnknownColumn(const std::string& Header) const {
    const std::string name = TrimBlanks(Header);
    const QString wanted = QStr(name);
    // The nearest names, or captions for a header that looks like one.
    int best = std::numeric_limits<int>::max();
    std::vector<std::string> nearest;
    const auto consider = [&](const std::string& Candidate, const std::string& Shown) {
        const int d = EditDistance(wanted, QStr(Candidate));
        if (d < best)
            nearest.clear();
        if (d <= best) {
            best = d;
            nearest.push_back(Shown);
        }
    };
    for (const TSetColumn& c : FColumns) {
        consider(c.Name, c.Name);
        consider(c.Caption, "«" + c.Caption + "»");
    }
    const std::string problem = name + ": нет такого параметра";
    if (best > std::max<qsizetype>(2, wanted.size() / 3)) {
        // Too far from every name: a part of a caption, such as its
        // beginning, still finds it.
        nearest.clear();
        for (const TSetColumn& c : FColumns)
            if (wanted.size() >= 3 && QStr(c.Caption).contains(wanted, Qt::CaseInsensitive))
                nearest.push_back("«" + c.Caption + "»");
    }
    if (nearest.empty())
        return problem + " (все столбцы: orbelin-batch columns)";
    std::string text;
    for (std::size_t i = 0; i < nearest.size() && i < 3; ++i)
        text += (i == 0                                              ? ""
                 : i + 1 == std::min<std::size_t>(nearest.size(), 3) ? " или "
                                                                     : ", ") +
                nearest[i];
    return problem + "; может быть, " + text + "?";
}

std::vector<std::string> TUnitSet::CheckColumns(const TUnitsHeader& Header,
                                                const std::string& File) const {
    std::vector<std::string> problems;
    const std::string where = File + " строка " + std::to_string(Header.Line) + ": ";
    std::vector<std::pair<std::string, std::string>> named; // header, control
    for (const std::string& column : Header.Columns) {
        const std::optional<std::string> name = ColumnName(column);
        if (!name) {
            problems.push_back(where + UnknownColumn(column));
            continue;
        }
        for (const auto& [other, control] : named)
            if (SameTextAscii(control, *name))
                problems.push_back(where + "\"" + other + "\" и \"" + column +
                                   "\" называют одно поле: " + *name);
        named.emplace_back(column, *name);
    }
    return problems;
}

TUnitSet::~TUnitSet() = default;

TForm* TUnitSet::PageOf(const std::string& ControlName) const {
    for (TForm* page : ParameterPages(FPages))
        if (TValueControl(page->FindComponent(ControlName)))
            return page;
    return nullptr;
}

void TUnitSet::Load(const std::string& SetFile, const std::vector<TOverride>& Overrides,
                    const std::string& MergedFile) {
    std::vector<std::string> problems;
    const TFileRead read = ReadFileBytes(SetFile, MaxSetBytes + 1);
    if (read.Status == TFileRead::Missing)
        throw EFileError(SetFile, SetFile + ": нет такого файла");
    if (read.Status == TFileRead::Failed)
        throw EFileError(SetFile, SetFile + ": не читается: " + read.Error);
    if (read.Truncated || read.Bytes.size() > MaxSetBytes)
        throw EFileError(SetFile, SetFile + ": больше " + std::to_string(MaxSetBytes / 1024) +
                                      " КБ, это не набор параметров");
    {
        // A set file holds none of a list's fields: a wrong file given.
        const TIniFile probe(SetFile);
        // Said of the operator's file here: below, only a copy is read.
        if (!probe.LoadProblem().empty())
            throw EFileError(SetFile, SetFile + ": " + probe.LoadProblem());
        if (!probe.SectionExists(FPages.formCommon->Name()))
            problems.push_back(SetFile + ": нет раздела [" + FPages.formCommon->Name() +
                               "], это не набор параметров");
    }
    // Where each field's value came from.
    std::vector<std::pair<std::string, std::string>> sources; // "section/key", source
    // Each override by its control's name (a caption names it too).
    std::vector<TOverride> overrides;
    for (const TOverride& o : Overrides) {
        const std::optional<std::string> name = ColumnName(o.Name);
        if (!name) {
            problems.push_back(o.Source + ": " + UnknownColumn(o.Name));
            continue;
        }
        // A command line stays in the process list for the whole run, where
        // anyone on the machine can read it.
        if (o.Source == "--set" && ColumnOf(*name) && ColumnOf(*name)->Secret) {
            problems.push_back("--set: " + *name +
                               ": пароль в командной строке виден всем в списке процессов; "
                               "задайте его в наборе (--in) или в столбце списка (--units)");
            continue;
        }
        // Named in messages as the operator wrote it: a header in captions
        // stays in captions.
        const std::string who = o.Source + ": " + TrimBlanks(o.Name);
        overrides.push_back({*name, o.Value, who});
        sources.emplace_back(PageOf(*name)->Name() + "/" + *name, who);
    }
    if (!problems.empty())
        throw ESetRefused(problems);

    // The overrides go into a copy of the file, so that the window's own
    // loading takes them with its checks, exactly as it would a set saved
    // with these values.
    QTemporaryDir temp;
    const std::string merged = MergedFile.empty() ? StdStr(temp.filePath("set.ini")) : MergedFile;
    ReplaceFileContents(merged, read.Bytes);
    {
        TIniFile ini(merged);
        for (const TOverride& o : overrides) {
            // A file value is one line: a control character would be
            // blanked out on its way, a value nobody gave.
            if (const auto control = FirstControlCharacter(o.Value)) {
                problems.push_back(o.Source + ": управляющий символ " + CodePointName(*control));
                continue;
            }
            const TCp1251Encoding encoded = Utf8ToCp1251(o.Value);
            if (!encoded.Ok()) {
                problems.push_back(o.Source + ": символ, который блок не принимает" +
                                   (encoded.Unencodable.empty()
                                        ? std::string()
                                        : " (" + CodePointName(encoded.Unencodable.front()) +
                                              ", его нет в Windows-1251)"));
                continue;
            }
            ini.WriteString(PageOf(o.Name)->Name(), o.Name, o.Value);
        }
        if (!problems.empty())
            throw ESetRefused(problems);
        ini.UpdateFile();
    }

    const TSettingsLoadReport report = LoadParameterSet(merged, FPages);
    const auto who = [&](const std::string& Field) {
        for (const auto& [field, source] : sources)
            if (SameTextAscii(field, Field))
                return source;
        return SetFile + ": " + Field;
    };
    // One message a field: the first thing wrong with it.
    std::vector<std::string> said;
    const auto tell = [&](const std::string& Field, const std::string& Problem) {
        for (const std::string& s : said)
            if (SameTextAscii(s, Field))
                return;
        said.push_back(Field);
        problems.push_back(who(Field) + ": " + Problem);
    };
    // Each refusal says what is wrong with the value and what the field takes.
    const auto limit = [&](const std::string& Field) {
        const std::size_t slash = Field.find('/');
        const TSetColumn* c = ColumnOf(Field.substr(slash + 1));
        return c && SameTextAscii(c->Section, Field.substr(0, slash)) ? " (" + c->Limit + ")"
                                                                      : std::string();
    };
    for (const TLoadRefusal& r : report.Refused)
        tell(r.Field, r.Place + ": " + r.Reason + limit(r.Field));
    if (!problems.empty())
        throw ESetRefused(problems);
}

void TUnitSet::Save(const std::string& FileName) {
    SaveParameterSet(FileName, FPages);
}
