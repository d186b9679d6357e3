#include "app/Settings.h"

#include <QDir>
#include <QFileDialog>
#include <algorithm>
#include <vector>

#include "device/PageTable.h"
#include "pages/f_Debug.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
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
constexpr int StoredPhones = 5;
// A console field whose key is missing.
const char* const ConsoleDefault = " ";
// How many names a message lists before it only counts them.
constexpr std::size_t NamesShown = 5;

std::string PhoneKey(std::size_t Position) {
    return "Phone" + std::to_string(Position);
}

std::string ConsoleKey(int Number) {
    return "Edit" + std::to_string(Number);
}

std::string FieldName(const std::string& Section, const std::string& Key) {
    return Section + "/" + Key;
}

std::string NameList(const std::vector<std::string>& Names) {
    std::string text;
    for (std::size_t i = 0; i < Names.size() && i < NamesShown; ++i)
        text += (i ? ", " : "") + Names[i];
    if (Names.size() > NamesShown)
        text += ", …";
    return std::to_string(Names.size()) + " (" + text + ")";
}

bool IsStored(QObject* Control) {
    return dynamic_cast<TEdit*>(Control) || dynamic_cast<TSpinEdit*>(Control) ||
           dynamic_cast<TCheckBox*>(Control) || dynamic_cast<TRadioButton*>(Control);
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

// An empty or missing value leaves the spin edit as it is. A value that is
// not a 32-bit number leaves it too, and one outside its bounds takes the
// nearer bound: false for both.
bool LoadSpinText(TSpinEdit* Spin, const std::string& Text) {
    if (Text.empty())
        return true;
    const auto value = StrToIntStrict(Text);
    if (!value)
        return false;
    Spin->SetValue(*value);
    return Spin->Value() == *value;
}

// A Boolean key as the file reads it; a present value that is not a number
// gives the default and is noted.
bool ReadCheckedBool(const TIniFile& Ini, const std::string& Section, const std::string& Key,
                     bool Default, TSettingsLoadReport& Report) {
    if (Ini.ValueExists(Section, Key) && !StrToIntStrict(Ini.ReadString(Section, Key, "")))
        Report.Invalid.push_back(FieldName(Section, Key));
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

// The sections a settings file is made of, in file order.
std::vector<std::string> SettingsSections(const TSettingsTargets& t) {
    std::vector<std::string> sections{ConnectSection, DebugSection};
    for (TParamPage* page : ParameterPages(t.Pages))
        sections.push_back(page->Name());
    sections.push_back(ConsoleSection);
    return sections;
}
} // namespace

std::string TSettingsLoadReport::Text(const std::string& FileName) const {
    std::string text = "Файл \"" + FileName + "\" загружен не полностью.";
    if (!Missing.empty())
        text += "\nНет в файле, взяты значения по умолчанию: " + NameList(Missing);
    if (!TooLong.empty())
        text += "\nДлиннее поля, не загружены (поле оставлено как было): " + NameList(TooLong);
    if (!Invalid.empty())
        text += "\nНедопустимые значения (поле оставлено, ограничено или сброшено): " +
                NameList(Invalid);
    return text + "\nПроверьте эти поля, прежде чем записывать настройки в блок.";
}

void WritePageSettings(TIniFile& Ini, const TForm& Page, std::vector<std::string>& NotStored) {
    const std::string& section = Page.Name();
    for (TComponentInfo* c : Page.Components()) {
        const std::string& name = c->Name();
        if (name.empty())
            continue;
        QObject* o = c->Object();
        if (auto* edit = dynamic_cast<TEdit*>(o))
            WriteText(Ini, section, name, edit->Text(), NotStored);
        else if (auto* spin = dynamic_cast<TSpinEdit*>(o))
            WriteText(Ini, section, name, spin->Text(), NotStored);
        else if (auto* check = dynamic_cast<TCheckBox*>(o))
            Ini.WriteBool(section, name, check->Checked());
        else if (auto* radio = dynamic_cast<TRadioButton*>(o))
            Ini.WriteBool(section, name, radio->Checked());
    }
}

void ReadPageSettings(const TIniFile& Ini, const TForm& Page, TSettingsLoadReport& Report) {
    const std::string& section = Page.Name();
    for (TComponentInfo* c : Page.Components()) {
        const std::string& name = c->Name();
        QObject* o = c->Object();
        if (name.empty() || !IsStored(o))
            continue;
        const std::string field = FieldName(section, name);
        if (!Ini.ValueExists(section, name))
            Report.Missing.push_back(field);
        if (auto* edit = dynamic_cast<TEdit*>(o)) {
            if (!LoadEditText(edit, Ini.ReadString(section, name, "")))
                Report.TooLong.push_back(field);
        } else if (auto* spin = dynamic_cast<TSpinEdit*>(o)) {
            if (!LoadSpinText(spin, Ini.ReadString(section, name, "")))
                Report.Invalid.push_back(field);
        } else if (auto* check = dynamic_cast<TCheckBox*>(o)) {
            check->SetChecked(ReadCheckedBool(Ini, section, name, false, Report));
        } else if (auto* radio = dynamic_cast<TRadioButton*>(o)) {
            radio->SetChecked(ReadCheckedBool(Ini, section, name, false, Report));
        }
    }
}

TSettingsLoadReport LoadSettings(const std::string& FileName, const TSettingsTargets& t) {
    // Refused whole before anything changes: a file read in part, or one
    // that is no settings file at all, would otherwise empty every page.
    const TIniFile ini(FileName);
    const auto refuse = [&](const std::string& why) {
        throw EFileError(FileName, "Файл \"" + FileName + "\" не загружен: " + why);
    };
    if (!ini.LoadedCompletely())
        refuse(ini.LoadProblem());
    const std::vector<std::string> sections = SettingsSections(t);
    if (ini.FileFound() && std::none_of(sections.begin(), sections.end(),
                                        [&](const auto& s) { return ini.SectionExists(s); }))
        refuse("в нём нет ни одного раздела файла настроек");

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
    dlg.cbRegWait->SetChecked(ReadCheckedBool(ini, ConnectSection, "Reg", true, report));

    // The debug switches only ever come on from a file.
    if (ReadCheckedBool(ini, DebugSection, "Memo", false, report) && !t.mnuMemo->Checked())
        t.mnuMemo->Click();
    if (ReadCheckedBool(ini, DebugSection, "Log", false, report) && !t.mnuLog->Checked())
        t.mnuLog->Click();
    // Like the two above, a set without the key leaves the choice alone.
    if (t.mnuVerify && ini.ReadBool(DebugSection, "Verify", false) && !t.mnuVerify->Checked())
        t.mnuVerify->Click();

    // The controls a loaded choice switches follow it, as a click would.
    for (TParamPage* page : ParameterPages(t.Pages)) {
        ReadPageSettings(ini, *page, report);
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

    for (int n = 1; n <= Tform_Debug::FieldCount; ++n) {
        const std::string key = ConsoleKey(n);
        if (!ini.ValueExists(ConsoleSection, key))
            report.Missing.push_back(FieldName(ConsoleSection, key));
        if (!LoadEditText(t.Pages.form_Debug->EditN(n),
                          ini.ReadString(ConsoleSection, key, ConsoleDefault)))
            report.TooLong.push_back(FieldName(ConsoleSection, key));
    }
    // A file that is not there is a first start: nothing to tell.
    return ini.FileFound() ? report : TSettingsLoadReport{};
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

    for (TParamPage* page : ParameterPages(t.Pages)) {
        WritePageSettings(ini, *page, notStored);
        // Kept for readers of the file; loading takes the mode from the buttons.
        if (auto* inout = dynamic_cast<TformInOut*>(page))
            ini.WriteString(inout->Name(), "Mode",
                            inout->RadioButton1->Checked() ? "Mode1" : "Mode2");
    }

    for (int n = 1; n <= Tform_Debug::FieldCount; ++n)
        WriteText(ini, ConsoleSection, ConsoleKey(n), t.Pages.form_Debug->EditN(n)->Text(),
                  notStored);

    ini.UpdateFile();
    if (!notStored.empty())
        throw EFileError(FileName, "В файл \"" + FileName +
                                       "\" не сохранены поля, текст которых нельзя записать в "
                                       "кодировке Windows-1251: " +
                                       NameList(notStored) + ". Остальное сохранено.");
}

TFileDialogSetup SettingsSaveDialog(const std::string& InitialDir) {
    return {.Save = true,
            .InitialDir = InitialDir,
            .Filter = "Файл настроек(*.ini)|*.ini",
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
