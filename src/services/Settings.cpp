#include "services/Settings.h"

#include <QDir>
#include <QFileDialog>
#include <algorithm>
#include <cstring>
#include <vector>

#include "device/PageTable.h"
#include "device/ParamCodec.h"
#include "pages/f_Debug.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "params/ParamTable.h"
#include "serial/ConnectDlg.h"
#include "toolkit/Controls.h"
#include "toolkit/Cp1251.h"
#include "toolkit/IniFile.h"
#include "toolkit/TextUtil.h"

namespace {
const char* const ConnectSection = "Connect";
const char* const DebugSection = "Debug";
const char* const ConsoleSection = "fDebug";
// Phone keys always written (empty past the end of the history) and read.
// (KeepUnitValue is in Settings.h.)
constexpr int StoredPhones = 5;
// A console field whose key is missing.
const char* const ConsoleDefault = " ";
// How many names a message lists before it only counts them.
constexpr std::size_t NamesShown = 5;
// How many refused values a load's message lists.
constexpr std::size_t RefusalsShown = 10;

std::string PhoneKey(std::size_t Position) {
    return "Phone" + std::to_string(Position);
}

std::string ConsoleKey(int Number) {
    return "Edit" + std::to_string(Number);
}

std::string FieldName(const std::string& Section, const std::string& Key) {
    return Section + "/" + Key;
}

void Refuse(TSettingsLoadReport& Report, const std::string& Field, const std::string& Place,
            const std::string& Reason, bool TooLong = false) {
    (TooLong ? Report.TooLong : Report.Invalid).push_back(Field);
    Report.Refused.push_back({Field, Place, Reason});
}

// A "section/key" (with a note after it) as the operator knows it: the
// page and the caption the window shows.
std::string FieldWords(const TDevicePages& Pages, const std::string& Field) {
    const std::size_t slash = Field.find('/');
    if (slash == std::string::npos)
        return Field;
    const std::size_t note = Field.find(" (", slash);
    const std::string section = Field.substr(0, slash);
    const std::string key =
        Field.substr(slash + 1, note == std::string::npos ? std::string::npos : note - slash - 1);
    const std::string rest = note == std::string::npos ? std::string() : Field.substr(note);
    const auto numbered = [&](const char* Prefix, const std::string& Words) {
        return Words + (key.size() > std::strlen(Prefix) ? " " + key.substr(std::strlen(Prefix))
                                                         : std::string());
    };
    std::string words;
    if (section == ConsoleSection)
        words = numbered("Edit", "Отладка › команда");
    else if (section == ConnectSection)
        words = key == "ComPort" ? "Подключение › COM-порт"
                : key == "Reg" ? "Подключение › ждать регистрации модема"
                               : numbered("Phone", "Подключение › телефон");
    else if (section == DebugSection)
        words = key == "Memo"  ? "Отладка › окно сообщений"
                : key == "Log" ? "Отладка › запись в лог-файл"
                               : "Отладка › проверка записи";
    else
        words = ParamWords(Pages, section, key).Text();
    return words + rest;
}

std::string NameList(const std::vector<std::string>& Names, const TDevicePages& Pages) {
    std::string text;
    for (std::size_t i = 0; i < Names.size() && i < NamesShown; ++i)
        text += (i ? "; " : "") + FieldWords(Pages, Names[i]);
    if (Names.size() > NamesShown)
        text += ", …";
    return std::to_string(Names.size()) + " (" + text + ")";
}

// The page's handlers see the stored text whole, as they would a paste (so a
// number in international form keeps all its national digits). What they
// leave must fit the field as typing would: a longer text is refused and the
// field keeps what it had, since a value cut short would later be written to
// the unit as if it were the operator's. False when refused.
bool LoadEditText(TEdit* Edit, const std::string& Text) {
    const std::string before = Edit->Text();
    Edit->SetText(Text);
    const int limit = Edit->MaxLength();
    if (limit <= 0 || QStr(Edit->Text()).size() <= limit)
        return true;
    Edit->SetText(before);
    return false;
}

// A Boolean key as the file reads it; a present value that is not a number
// gives the default and is noted under Place.
bool ReadCheckedBool(const TIniFile& Ini, const std::string& Section, const std::string& Key,
                     bool Default, const std::string& Place, TSettingsLoadReport& Report) {
    if (Ini.ValueExists(Section, Key) && !StrToIntStrict(Ini.ReadString(Section, Key, "")))
        Refuse(Report, FieldName(Section, Key), Place, "не 0 и не 1");
    return Ini.ReadBool(Section, Key, Default);
}

// A text goes into the file only as Windows-1251 can carry it: "?" in place
// of a character would load back as the operator's value and be written to
// the unit. Such a field is left out (its key keeps what the file had) and
// noted with the first character it cannot store.
void WriteText(TIniFile& Ini, const std::string& Section, const std::string& Key,
               const std::string& Value, std::vector<std::string>& NotStored) {
    const TCp1251Encoding encoded = Utf8ToCp1251(Value);
    if (!encoded.Ok()) {
        NotStored.push_back(FieldName(Section, Key) +
                            (encoded.Unencodable.empty()
                                 ? ""
                                 : " (" + CodePointName(encoded.Unencodable.front()) + ")"));
        return;
    }
    Ini.WriteString(Section, Key, Value);
}

// The sections a settings file is made of, in file order (a parameter set
// without the window's own two).
std::vector<std::string> SettingsSections(const TDevicePages& Pages, bool Window) {
    std::vector<std::string> sections;
    if (Window)
        sections = {ConnectSection, DebugSection};
    for (TParamPage* page : ParameterPages(Pages))
        sections.push_back(page->Name());
    sections.push_back(ConsoleSection);
    return sections;
}
} // namespace

std::string TSettingsLoadReport::Text(const std::string& FileName) const {
    std::string text = "Из файла \"" + FileName + "\" не загружены значения (" +
                       std::to_string(Refused.size()) + "):";
    for (std::size_t i = 0; i < Refused.size() && i < RefusalsShown; ++i)
        text += "\n" + Refused[i].Place + " — " + Refused[i].Reason;
    if (Refused.size() > RefusalsShown)
        text += "\nи ещё " + std::to_string(Refused.size() - RefusalsShown);
    return text + "\nЭти поля остались, как были.";
}

void WritePageSettings(TIniFile& Ini, const TParamPage& Page, int Number,
                       std::vector<std::string>& NotStored) {
    const std::string& section = Page.Name();
    for (const std::string& name : StoredControls(Number)) {
        const TValueControl control(Page.FindComponent(name));
        if (!control)
            continue;
        const std::optional<TParamRecord> record = Page.FRefValues.FindRecord(name);
        // A value nobody gave is not one: no key, so that a load has none.
        // A value the unit holds that a box or spin edit cannot show stays
        // the unit's (KeepUnitValue). An edit shows such a value as its
        // text, which is stored as any other.
        if (record && record->Source == TValueSource::None) {
            Ini.DeleteKey(section, name);
        } else if (record && !record->Exact && !control.IsEdit()) {
            Ini.WriteString(section, name, KeepUnitValue);
        } else if (control.IsText()) {
            WriteText(Ini, section, name, control.Text(), NotStored);
        } else {
            Ini.WriteBool(section, name, control.Checked());
        }
    }
}

void ReadPageSettings(const TIniFile& Ini, TParamPage& Page, int Number,
                      TSettingsLoadReport& Report) {
    const std::string& section = Page.Name();
    for (const std::string& name : StoredControls(Number)) {
        QObject* o = Page.FindComponent(name);
        const TValueControl control(o);
        if (!control)
            continue;
        // A set says nothing about a field it has no key for: its value and
        // what is known about it stay as they are.
        if (!Ini.ValueExists(section, name))
            continue;
        const std::string value = TrimBlanks(Ini.ReadString(section, name, ""));
        const bool keep = !control.IsEdit() && value == KeepUnitValue;
        const TParamDef* row = ParamOfControl(Number, name);
        std::optional<TLoadProblem> problem;
        if (keep) {
        } else if (control.IsText()) {
            const auto names = row ? row->ControlNames() : std::vector<std::string>{};
            const auto at = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
                return SameTextAscii(n, name);
            });
            if (row && !(control.IsEdit() && value.empty()))
                problem = LoadProblem(*row, static_cast<std::size_t>(at - names.begin()), value);
        } else if (!StrToIntStrict(value)) {
            problem = TLoadProblem{"не 0 и не 1", false};
        }
        if (problem) {
            // A value the unit would not take leaves the field as it was.
            Refuse(Report, FieldName(section, name), ParamWords(Page, Number, name).Text(),
                   problem->Text + ": " + QuotedValue(row ? ShownInReports(*row, value) : value),
                   problem->TooLong);
            continue;
        }
        if (control.IsEdit())
            control.SetText(keep ? "" : value);
        else if (control.IsSpin() && !keep)
            control.SetNumber(*StrToIntStrict(value));
        else if (control.IsBox())
            control.SetChecked(!keep && *StrToIntStrict(value) != 0);
        Page.NoteGiven(o, TValueSource::File);
        if (keep)
            // The unit keeps what it holds: left out of a write, not a failure.
            Page.FRefValues.Update(name, [](TParamRecord& r) { r.Exact = false; });
    }
}

namespace {

// The file, refused whole before anything changes: a file read in part, or
// one that holds none of the given sections (no settings file at all),
// would otherwise empty every page. A missing file reads as one without keys.
TIniFile OpenForLoad(const std::string& FileName, const std::vector<std::string>& Sections) {
    TIniFile ini(FileName);
    const auto refuse = [&](const std::string& why) {
        throw EFileError(FileName, "Файл \"" + FileName + "\" не загружен: " + why);
    };
    if (!ini.LoadedCompletely())
        refuse(ini.LoadProblem());
    if (ini.FileFound() && std::none_of(Sections.begin(), Sections.end(),
                                        [&](const auto& s) { return ini.SectionExists(s); }))
        refuse("в нём нет ни одного раздела файла настроек");
    return ini;
}

// The parameter pages and the console.
void ReadPages(const TIniFile& ini, const TDevicePages& Pages, TSettingsLoadReport& report) {
    // The controls a loaded choice switches follow it, as a click would.
    for (TParamPage* page : ParameterPages(Pages)) {
        const TPageInfo* info = PageInfoOf(Pages, page);
        ReadPageSettings(ini, *page, info ? info->Number : 0, report);
        if (auto* inout = dynamic_cast<TformInOut*>(page)) {
            if (inout->RadioButton1->Checked())
                inout->EnableInputFlags();
            else
                inout->DisableInputFlags();
        } else if (auto* phones = dynamic_cast<TformPhones*>(page)) {
            const bool numbersOn = !phones->cbPhonesOff->Checked();
            for (int i = 0; i < TformPhones::NumberCount; ++i)
                phones->Phone(i)->SetEnabled(numbersOn);
        }
    }
    if (!Pages.form_Debug)
        return;
    for (int n = 1; n <= Tform_Debug::FieldCount; ++n) {
        const std::string key = ConsoleKey(n);
        if (!LoadEditText(Pages.form_Debug->EditN(n),
                          ini.ReadString(ConsoleSection, key, ConsoleDefault)))
            Refuse(report, FieldName(ConsoleSection, key),
                   FieldWords(Pages, FieldName(ConsoleSection, key)), "длиннее поля", true);
    }
}

void WritePages(TIniFile& ini, const TDevicePages& Pages, std::vector<std::string>& notStored) {
    for (TParamPage* page : ParameterPages(Pages)) {
        const TPageInfo* info = PageInfoOf(Pages, page);
        WritePageSettings(ini, *page, info ? info->Number : 0, notStored);
        // Kept for readers of the file; loading takes the mode from the buttons.
        if (auto* inout = dynamic_cast<TformInOut*>(page))
            ini.WriteString(inout->Name(), "Mode",
                            inout->RadioButton1->Checked() ? "Mode1" : "Mode2");
    }
    if (Pages.form_Debug)
        for (int n = 1; n <= Tform_Debug::FieldCount; ++n)
            WriteText(ini, ConsoleSection, ConsoleKey(n), Pages.form_Debug->EditN(n)->Text(),
                      notStored);
}

// Replaces the file with what ini now holds; fields Windows-1251 could not
// carry were left out and are named.
void Finish(TIniFile& ini, const std::string& FileName, const std::vector<std::string>& notStored,
            const TDevicePages& Pages) {
    ini.UpdateFile();
    if (!notStored.empty())
        throw EFileError(FileName, "В файл \"" + FileName +
                                       "\" не сохранены поля, текст которых нельзя записать в "
                                       "кодировке Windows-1251: " +
                                       NameList(notStored, Pages) + ". Остальное сохранено.");
}

} // namespace

TSettingsLoadReport LoadSettings(const std::string& FileName, const TSettingsTargets& t) {
    const TIniFile ini = OpenForLoad(FileName, SettingsSections(t.Pages, true));

    TSettingsLoadReport report;
    TdlgConnect& dlg = *t.dlgConnect;
    if (const std::string port = ini.ReadString(ConnectSection, "ComPort", ""); !port.empty())
        dlg.ComPorts->SetText(port);
    // The history is not cleared: a second file adds its numbers after these.
    for (int i = 1; i <= StoredPhones; ++i) {
        const std::string phone = ini.ReadString(ConnectSection, PhoneKey(i), "");
        if (phone.empty())
            break;
        dlg.Phones->AddItem(phone);
    }
    if (const std::string phone = ini.ReadString(ConnectSection, "Phone", ""); !phone.empty())
        dlg.Phones->SetText(phone);
    dlg.cbRegWait->SetChecked(ReadCheckedBool(ini, ConnectSection, "Reg", true,
                                              "Связь: ждать регистрации в сети", report));

    // The debug switches only ever come on from a file.
    if (ReadCheckedBool(ini, DebugSection, "Memo", false, "Отладка: окно отладки", report) &&
        !t.mnuMemo->Checked())
        t.mnuMemo->Click();
    if (ReadCheckedBool(ini, DebugSection, "Log", false, "Отладка: лог-файл", report) &&
        !t.mnuLog->Checked())
        t.mnuLog->Click();
    // A set without the key leaves the choice alone, and a set switches the
    // checks on only; the program's own file keeps the choice as stored.
    if (t.mnuVerify && ini.ValueExists(DebugSection, "Verify")) {
        const bool on = ini.ReadBool(DebugSection, "Verify", true);
        if (on != t.mnuVerify->Checked() && (on || t.OwnFile))
            t.mnuVerify->Click();
    }
    ReadPages(ini, t.Pages, report);
    // A file that is not there is a first start: nothing to tell.
    return ini.FileFound() ? report : TSettingsLoadReport{};
}

TSettingsLoadReport LoadParameterSet(const std::string& FileName, const TDevicePages& Pages) {
    const TIniFile ini = OpenForLoad(FileName, SettingsSections(Pages, false));
    TSettingsLoadReport report;
    ReadPages(ini, Pages, report);
    return report;
}

void SaveSettings(const std::string& FileName, const TSettingsTargets& t,
                  const TFileFaultHook& Fault) {
    // Built whole in memory over the existing file's lines, then put in place
    // in one step: a failure half way leaves no half-written parameter set.
    TIniFile ini(FileName);
    ini.SetFaultHook(Fault);
    std::vector<std::string> notStored;

    const TdlgConnect& dlg = *t.dlgConnect;
    WriteText(ini, ConnectSection, "ComPort", dlg.ComPorts->Text(), notStored);
    const std::vector<std::string> phones = dlg.Phones->Items();
    for (std::size_t i = 0; i < phones.size(); ++i)
        WriteText(ini, ConnectSection, PhoneKey(i + 1), phones[i], notStored);
    for (std::size_t i = phones.size() + 1; i <= StoredPhones; ++i)
        ini.WriteString(ConnectSection, PhoneKey(i), "");
    WriteText(ini, ConnectSection, "Phone", dlg.Phones->Text(), notStored);
    ini.WriteBool(ConnectSection, "Reg", dlg.cbRegWait->Checked());

    ini.WriteBool(DebugSection, "Memo", t.mnuMemo->Checked());
    ini.WriteBool(DebugSection, "Log", t.mnuLog->Checked());
    if (t.mnuVerify)
        ini.WriteBool(DebugSection, "Verify", t.mnuVerify->Checked());

    WritePages(ini, t.Pages, notStored);
    Finish(ini, FileName, notStored, t.Pages);
}

void SaveParameterSet(const std::string& FileName, const TDevicePages& Pages) {
    TIniFile ini(FileName);
    std::vector<std::string> notStored;
    WritePages(ini, Pages, notStored);
    Finish(ini, FileName, notStored, Pages);
}

TFileDialogSetup SettingsSaveDialog(const std::string& InitialDir) {
    return {.Save = true,
            .InitialDir = InitialDir,
            .Filter = "Файл настроек (*.ini)|*.ini",
            .DefaultExt = "ini",
            .ConfirmOverwrite = true};
}

TFileDialogSetup SettingsOpenDialog(const std::string& InitialDir) {
    return {.Save = false,
            .InitialDir = InitialDir,
            .Filter = "Файл настроек (*.ini)|*.ini|Все файлы (*.*)|*.*",
            .DefaultExt = "",
            .ConfirmOverwrite = false};
}

QStringList NameFilters(const std::string& Filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = Filter.find('|', start);
        parts.push_back(Filter.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    QStringList filters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string description = TrimBlanks(parts[i]);
        const std::string pattern = TrimBlanks(parts[i + 1]);
        if (pattern.empty())
            continue;
        // The dialog takes the patterns from the parentheses at the end of
        // the text, separated by blanks.
        if (description.ends_with("(" + pattern + ")") && pattern.find(';') == std::string::npos) {
            filters << QStr(description);
            continue;
        }
        std::string patterns = pattern;
        for (char& c : patterns)
            if (c == ';')
                c = ' ';
        filters << QStr(description + " (" + patterns + ")");
    }
    return filters;
}

std::optional<std::string> ExecFileDialog(const TFileDialogSetup& Setup, QWidget* Parent) {
    QFileDialog dialog(Parent);
    dialog.setAcceptMode(Setup.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(Setup.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(QStr(Setup.InitialDir));
    dialog.setNameFilters(NameFilters(Setup.Filter));
    if (!Setup.DefaultExt.empty())
        dialog.setDefaultSuffix(QStr(Setup.DefaultExt));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !Setup.ConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    // Qt names files with '/'; the program shows them (and keeps them in
    // its settings) as the system writes them.
    return StdStr(QDir::toNativeSeparators(files.front()));
}
