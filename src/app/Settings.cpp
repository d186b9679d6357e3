#include "Settings.h"

#include <QFileDialog>
#include <array>
#include <vector>

#include "ConnectDlg.h"
#include "Controls.h"
#include "IniFile.h"
#include "TextUtil.h"
#include "f_Debug.h"
#include "f_GPRS.h"
#include "f_GPS.h"
#include "f_accum.h"
#include "f_common.h"
#include "f_inout.h"
#include "f_phones.h"

namespace {
const char* const ConnectSection = "Connect";
const char* const DebugSection = "Debug";
const char* const ConsoleSection = "fDebug";
// Phone keys always written (empty past the end of the history) and read.
constexpr int StoredPhones = 5;
// A console field whose key is missing.
const char* const ConsoleDefault = " ";

std::string PhoneKey(std::size_t Position) {
    return "Phone" + std::to_string(Position);
}

std::string ConsoleKey(int Number) {
    return "Edit" + std::to_string(Number);
}

// The page's handlers see the stored text whole, as they would a paste (so a
// number in international form keeps all its national digits); what they
// leave is then kept to the field's maximum length, which a file must not
// get round any more than typing can. The cut text loses the blanks it may
// end in, as a stored value does, so that saving it and loading it again
// gives the same field.
void LoadEditText(TEdit* Edit, const std::string& Text) {
    Edit->SetText(Text);
    const int limit = Edit->MaxLength();
    if (limit <= 0)
        return;
    const QString shown = QStr(Edit->Text());
    if (shown.size() > limit)
        Edit->SetText(TrimBlanks(StdStr(shown.left(limit))));
}

// An empty or missing value leaves the spin edit as it is, and so does one
// that is not a 32-bit number; a number outside the spin edit's bounds is
// clamped to the nearer bound.
void LoadSpinText(TSpinEdit* Spin, const std::string& Text) {
    if (Text.empty())
        return;
    if (const auto value = StrToIntStrict(Text))
        Spin->SetValue(*value);
}

// The pages stored before the inputs/outputs mode, in file order.
std::array<TForm*, 5> PagesBeforeMode(const TSettingsTargets& t) {
    return {t.formCommon, t.formGPRS, t.formGPS, t.formAcc, t.formInOut};
}
} // namespace

void WritePageSettings(TIniFile& Ini, const TForm& Page) {
    const std::string& section = Page.Name();
    for (TComponentInfo* c : Page.Components()) {
        const std::string& name = c->Name();
        if (name.empty())
            continue;
        QObject* o = c->Object();
        if (auto* edit = dynamic_cast<TEdit*>(o))
            Ini.WriteString(section, name, edit->Text());
        else if (auto* spin = dynamic_cast<TSpinEdit*>(o))
            Ini.WriteString(section, name, spin->Text());
        else if (auto* check = dynamic_cast<TCheckBox*>(o))
            Ini.WriteBool(section, name, check->Checked());
        else if (auto* radio = dynamic_cast<TRadioButton*>(o))
            Ini.WriteBool(section, name, radio->Checked());
    }
}

void ReadPageSettings(const TIniFile& Ini, const TForm& Page) {
    const std::string& section = Page.Name();
    for (TComponentInfo* c : Page.Components()) {
        const std::string& name = c->Name();
        if (name.empty())
            continue;
        QObject* o = c->Object();
        if (auto* edit = dynamic_cast<TEdit*>(o))
            LoadEditText(edit, Ini.ReadString(section, name, ""));
        else if (auto* spin = dynamic_cast<TSpinEdit*>(o))
            LoadSpinText(spin, Ini.ReadString(section, name, ""));
        else if (auto* check = dynamic_cast<TCheckBox*>(o))
            check->SetChecked(Ini.ReadBool(section, name, false));
        else if (auto* radio = dynamic_cast<TRadioButton*>(o))
            radio->SetChecked(Ini.ReadBool(section, name, false));
    }
}

void LoadSettings(const std::string& FileName, const TSettingsTargets& t) {
    // A file that is there but cannot be opened would read as an empty one
    // and wipe every page: refuse it before anything changes.
    const TFileRead probe = ReadFileBytes(FileName, 0);
    if (probe.Status == TFileRead::Failed)
        throw EFileError(FileName,
                         "Не удалось прочитать файл \"" + FileName + "\": " + probe.Error);
    const TIniFile ini(FileName);

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
    dlg.cbRegWait->SetChecked(ini.ReadBool(ConnectSection, "Reg", true));

    // The debug switches only ever come on from a file.
    if (ini.ReadBool(DebugSection, "Memo", false) && !t.mnuMemo->Checked())
        t.mnuMemo->Click();
    if (ini.ReadBool(DebugSection, "Log", false) && !t.mnuLog->Checked())
        t.mnuLog->Click();
    // Like the two above, a set without the key leaves the choice alone.
    if (t.mnuVerify && ini.ReadBool(DebugSection, "Verify", false) && !t.mnuVerify->Checked())
        t.mnuVerify->Click();

    for (TForm* page : PagesBeforeMode(t))
        ReadPageSettings(ini, *page);
    if (t.formInOut->RadioButton1->Checked())
        t.formInOut->EnableInputFlags();
    else
        t.formInOut->DisableInputFlags();

    ReadPageSettings(ini, *t.formPhones);
    const bool numbersOn = !t.formPhones->cbPhonesOff->Checked();
    for (int i = 0; i < TformPhones::NumberCount; ++i)
        t.formPhones->Phone(i)->SetEnabled(numbersOn);

    for (int n = 1; n <= Tform_Debug::FieldCount; ++n)
        LoadEditText(t.form_Debug->EditN(n),
                     ini.ReadString(ConsoleSection, ConsoleKey(n), ConsoleDefault));
}

void SaveSettings(const std::string& FileName, const TSettingsTargets& t,
                  const TFileFaultHook& Fault) {
    // Built whole in memory over the existing file's lines, then put in place
    // in one step: a failure half way leaves no half-written parameter set.
    TIniFile ini(FileName);
    ini.SetFaultHook(Fault);

    const TdlgConnect& dlg = *t.dlgConnect;
    ini.WriteString(ConnectSection, "ComPort", dlg.ComPorts->Text());
    const std::vector<std::string> phones = dlg.Phones->Items();
    for (std::size_t i = 0; i < phones.size(); ++i)
        ini.WriteString(ConnectSection, PhoneKey(i + 1), phones[i]);
    for (std::size_t i = phones.size() + 1; i <= StoredPhones; ++i)
        ini.WriteString(ConnectSection, PhoneKey(i), "");
    ini.WriteString(ConnectSection, "Phone", dlg.Phones->Text());
    ini.WriteBool(ConnectSection, "Reg", dlg.cbRegWait->Checked());

    ini.WriteBool(DebugSection, "Memo", t.mnuMemo->Checked());
    ini.WriteBool(DebugSection, "Log", t.mnuLog->Checked());
    if (t.mnuVerify)
        ini.WriteBool(DebugSection, "Verify", t.mnuVerify->Checked());

    for (TForm* page : PagesBeforeMode(t))
        WritePageSettings(ini, *page);
    // Kept for readers of the file; loading takes the mode from the buttons.
    ini.WriteString(t.formInOut->Name(), "Mode",
                    t.formInOut->RadioButton1->Checked() ? "Mode1" : "Mode2");
    WritePageSettings(ini, *t.formPhones);

    for (int n = 1; n <= Tform_Debug::FieldCount; ++n)
        ini.WriteString(ConsoleSection, ConsoleKey(n), t.form_Debug->EditN(n)->Text());

    ini.UpdateFile();
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
    return StdStr(files.front());
}
