#include "batch/UnitSet.h"

#include <QTemporaryDir>
#include <algorithm>

#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "serial/ConnectDlg.h"
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

bool AllDigits(const std::string& Text) {
    return !Text.empty() &&
           std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

ESetRefused::ESetRefused(std::vector<std::string> P)
    : std::runtime_error(Joined(P)), Problems(std::move(P)) {}

std::optional<std::string> FieldProblem(const TDevicePages& Pages, QObject* Control) {
    auto* edit = dynamic_cast<TEdit*>(Control);
    if (!edit)
        return std::nullopt;
    const std::string text = edit->Text();
    if (const auto problem = WireTextProblem(text))
        return problem;
    const std::optional<TParamForm> form = TDevOrbelin::ParamFormOf(Pages, Control);
    if (!form)
        return std::nullopt;
    if (form->Kind == TFormKind::Hex) {
        // The field shows the number in decimal; the unit takes it in so
        // many hexadecimal digits.
        const long long limit = 1LL << (4 * form->Digits);
        const auto value = StrToIntStrict(text);
        if (!AllDigits(TrimBlanks(text)) || !value || *value < 0 || *value >= limit)
            return "not a number from 0 to " + std::to_string(limit - 1);
        return std::nullopt;
    }
    return FormProblem(*form, text);
}

TUnitSet::TUnitSet() : FOwner(std::make_unique<TForm>(nullptr, "Form1")) {
    FPages = CreateSettingsPages(FOwner.get(), FOwner.get());
    FConnect = new TdlgConnect(FOwner.get());
    // The debug switches of a set are the window's; here they only keep
    // their state, the log of a unit is the batch's own.
    FMemo = new TMenuItem(FOwner.get(), "mnuMemo", "", FOwner.get());
    FLog = new TMenuItem(FOwner.get(), "mnuLog", "", FOwner.get());
    for (TMenuItem* item : {FMemo, FLog})
        item->OnClick = [item](QObject*) { item->SetChecked(!item->Checked()); };
}

TUnitSet::~TUnitSet() = default;

TSettingsTargets TUnitSet::Targets() const {
    return {.dlgConnect = FConnect,
            .mnuMemo = FMemo,
            .mnuLog = FLog,
            .Pages = FPages,
            .mnuVerify = nullptr};
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

    const TSettingsLoadReport report = LoadSettings(merged, Targets());
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
        // The console fields are not written to a unit; a missing page field
        // would be written as an empty one.
        if (!field.starts_with("fDebug/"))
            tell(field, "missing from the set");
    for (const std::string& field : report.TooLong)
        tell(field, "longer than the field takes");
    for (const std::string& field : report.Invalid)
        tell(field, "not a value the field takes");
    for (TForm* page : ParameterPages(FPages))
        for (TComponentInfo* c : page->Components())
            if (const auto problem = FieldProblem(FPages, c->Object()))
                tell(page->Name() + "/" + c->Name(), *problem);
    if (!problems.empty())
        throw ESetRefused(problems);
}

void TUnitSet::Save(const std::string& FileName) {
    SaveSettings(FileName, Targets());
}
