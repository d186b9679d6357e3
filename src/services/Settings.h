#pragma once
// The settings files: "current.ini" beside the program and the parameter sets
// the operator saves and loads. One file holds the connection choices, the
// debug switches and every value control of the six parameter pages (keyed
// by the control's name under the page's name) and the thirty console fields.
//
// A save is all or nothing: the whole file is built in memory, keeping every
// other section, key and line of an existing file, and then replaces the old
// file in one crash-safe step; a save that fails leaves the old file as it was
// and throws EFileError naming it. A field whose text Windows-1251 cannot
// carry is left out of the file (its key keeps what the file had) while the
// rest is saved, and the save then throws EFileError naming those fields.
//
// A load sets control values only, the way typing would (the pages' change
// handlers run), and the pages' records say the values came from the file.
// It is all or nothing for the file: one that cannot be read, is too large
// to be read whole, or holds none of a settings file's sections throws
// EFileError naming it before anything is changed (a missing file reads as
// one without keys). A set says something about the fields it has keys for
// and nothing about the others: a field without a key keeps its value and
// its record (what the unit gave stays the unit's), and that is no news.
// Values in the file are not trusted: a value the unit would not take as
// its field would send it is reported with its reason and leaves its field
// as it was; an empty value is no value. Numbers load whatever the typing
// limit of their field.
//
// A save stores no key for a parameter nobody gave a value (a load then has
// none: it is not written), and KeepUnitValue for one whose value the unit
// holds but a box or spin edit cannot show (a load leaves it to the unit:
// not written, and no failure). An edit stores its text, which for such a
// value is the unit's own.
//
// Threading: GUI thread.

#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/DevicePages.h"
#include "device/ParamCodec.h"
#include "toolkit/FileIo.h"

class QObject;
class QWidget;
class TForm;
class TIniFile;
class TMenuItem;
class TParamPage;
class TdlgConnect;

// The settings file kept beside the program between runs.
inline constexpr const char* CurrentSettingsFile = "current.ini";

// The value of a check box, radio button or spin edit key that leaves the
// parameter as the unit holds it (one the field cannot show): not written.
inline constexpr const char* KeepUnitValue = "*";

// Everything a settings file stores, and the menu items whose clicks restore
// the debug switches.
struct TSettingsTargets {
    TdlgConnect* dlgConnect = nullptr;
    TMenuItem* mnuMemo = nullptr;
    TMenuItem* mnuLog = nullptr;
    TDevicePages Pages;             // the parameter pages and the console
    TMenuItem* mnuVerify = nullptr; // "Проверять запись"; none: the key is left alone
    // The program's own settings file: its stored choices hold both ways,
    // and a key it lacks is no news.
    bool OwnFile = false;
};

// A value a load could not take, and why.
struct TLoadRefusal {
    std::string Field;  // "section/key"
    std::string Place;  // the page and caption the operator knows it by
    std::string Reason; // what is wrong with the value
};

// What a load could not take from the file as it stands, as "section/key".
struct TSettingsLoadReport {
    // Values longer than their field: refused, the field keeps what it had.
    std::vector<std::string> TooLong;
    // Values the unit would not take (not a number, out of range, not 0 or
    // 1 for a box): refused, the field keeps what it had.
    std::vector<std::string> Invalid;
    // Both, in file order, each with its place and reason.
    std::vector<TLoadRefusal> Refused;

    bool Empty() const { return Refused.empty(); }
    // One message for the operator: each refused value and why.
    std::string Text(const std::string& FileName) const;
};

// Reads the file into the controls. A missing file reads as one without keys
// and reports nothing.
TSettingsLoadReport LoadSettings(const std::string& FileName, const TSettingsTargets& Targets);
// Writes the controls into the file. Fault is for tests (see ReplaceFileContents).
void SaveSettings(const std::string& FileName, const TSettingsTargets& Targets,
                  const TFileFaultHook& Fault = {});

// The same for the parameter pages and the console alone (orbelin-batch's
// sets): a file without the window's connection and debug sections, which
// the window loads as any set.
TSettingsLoadReport LoadParameterSet(const std::string& FileName, const TDevicePages& Pages);
void SaveParameterSet(const std::string& FileName, const TDevicePages& Pages);

// One page's value controls, in the order of its parameters (ParamTable.h),
// under the page's name; Number is the page's. Writing adds the fields it
// could not store to NotStored.
void WritePageSettings(TIniFile& Ini, const TParamPage& Page, int Number,
                       std::vector<std::string>& NotStored);
void ReadPageSettings(const TIniFile& Ini, TParamPage& Page, int Number,
                      TSettingsLoadReport& Report);

// The file dialogs of "Сохранить" and "Загрузить".
struct TFileDialogSetup {
    bool Save = false;      // a save dialog, else an open dialog
    std::string InitialDir; // the folder it opens in
    std::string Filter;     // "description|pattern" pairs joined by "|"
    std::string DefaultExt; // appended to a name typed without one; empty: none
    bool ConfirmOverwrite = false;
};
TFileDialogSetup SettingsSaveDialog(const std::string& InitialDir);
TFileDialogSetup SettingsOpenDialog(const std::string& InitialDir);

// Asks the operator for a file; nothing when the dialog was cancelled.
using TFileChooser = std::function<std::optional<std::string>(const TFileDialogSetup&)>;
// The chooser of the running program: a file dialog owned by Parent.
std::optional<std::string> ExecFileDialog(const TFileDialogSetup& Setup, QWidget* Parent);

// A "description|pattern|..." filter as the file dialog's name filters.
QStringList NameFilters(const std::string& Filter);
