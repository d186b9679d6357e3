#include "batch/UnitSet.h"

#include <QTemporaryDir>
#include <algorithm>

#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "device/ParamTable.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "toolkit/Cp1251.h"
#include "toolkit/FileIo.h"
#include "toolkit/IniFile.h"
#include "toolkit/TextUtil.h"

namespace {

// A set file as large as this is not one the window saved.
constexpr std::size_t MaxSetBytes = 256 * 1024;

bool IsValueControl(QObject* Control) {
    return dynamic_cast<TEdit*>(Control) || dynamic_cast<TSpinEdit*>(Control) ||
           dynamic_cast<TCheckBox*>(Control) || dynamic_cast<TRadioButton*>(Control);
}

std::string Joined(const std::vector<std::string>& Problems) {
    std::string text;
    for (const std::string& p : Problems)
        text += (text.empty() ? "" : "\n") + p;
    return text;
}

} // namespace

ESetRefused::ESetRefused(std::vector<std::string> P)
    : std::runtime_error(Joined(P)), Problems(std::move(P)) {}

TUnitSet::TUnitSet() : FOwner(std::make_unique<TForm>(nullptr, "Form1")) {
    FPages = CreateSettingsPages(FOwner.get(), FOwner.get());
}

TUnitSet::~TUnitSet() = default;

bool TUnitSet::WrittenToEveryUnit(const std::string& Field) const {
    const std::size_t slash = Field.find('/');
    for (TParamPage* page : ParameterPages(FPages)) {
        if (!SameTextAscii(page->Name(), Field.substr(0, slash)))
            continue;
        const TPageInfo* info = PageInfoOf(FPages, page);
        const TParamDef* row =
            info ? ParamOfControl(info->Number, Field.substr(slash + 1)) : nullptr;
        return row && row->WriteIn == GenAll;
    }
    return false;
}

TForm* TUnitSet::PageOf(const std::string& ControlName) const {
    for (TForm* page : ParameterPages(FPages))
        if (IsValueControl(page->FindComponent(ControlName)))
            return page;
    return nullptr;
}

void TUnitSet::Load(const std::string& SetFile, const std::vector<TOverride>& Overrides,
                    const std::string& MergedFile) {
    std::vector<std::string> problems;
    const TFileRead read = ReadFileBytes(SetFile, MaxSetBytes + 1);
    if (read.Status == TFileRead::Missing)
        throw EFileError(SetFile, SetFile + ": no such file");
    if (read.Status == TFileRead::Failed)
        throw EFileError(SetFile, SetFile + ": cannot be read: " + read.Error);
    if (read.Truncated || read.Bytes.size() > MaxSetBytes)
        throw EFileError(SetFile, SetFile + ": larger than " + std::to_string(MaxSetBytes / 1024) +
                                      " KiB, not a parameter set");
    {
        // A set file holds none of a list's fields: a wrong file given.
        const TIniFile probe(SetFile);
        if (!probe.SectionExists(FPages.formCommon->Name()))
            problems.push_back(SetFile + ": no [" + FPages.formCommon->Name() +
                               "] section, not a parameter set");
    }
    // Where each field's value came from.
    std::vector<std::pair<std::string, std::string>> sources; // "section/key", source
    for (const TOverride& o : Overrides) {
        TForm* page = PageOf(o.Name);
        if (!page)
            problems.push_back(o.Source + ": " + o.Name + " is not a parameter of any page");
        else
            sources.emplace_back(page->Name() + "/" + o.Name, o.Source + ": " + o.Name);
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
        for (const TOverride& o : Overrides) {
            // A file value is one line: a control character would be
            // blanked out on its way, a value nobody gave.
            if (const auto control = FirstControlCharacter(o.Value)) {
                problems.push_back(o.Source + ": " + o.Name + ": control character " +
                                   CodePointName(*control));
                continue;
            }
            const TCp1251Encoding encoded = Utf8ToCp1251(o.Value);
            if (!encoded.Ok()) {
                problems.push_back(o.Source + ": " + o.Name + ": a character the unit cannot take");
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
    for (const std::string& field : report.Missing)
        // What every unit takes must be there; a field only some generations
        // have is asked for once the unit's generation is known (RunUnit).
        // The console fields are not written to a unit.
        if (WrittenToEveryUnit(field))
            tell(field, "missing from the set");
    for (const std::string& field : report.TooLong)
        tell(field, "longer than the field takes");
    for (const std::string& field : report.Invalid)
        tell(field, "not a value the unit takes");
    if (!problems.empty())
        throw ESetRefused(problems);
}

void TUnitSet::Save(const std::string& FileName) {
    SaveParameterSet(FileName, FPages);
}
