// The settings files through the real main window: what a file keeps, what a
// load makes of it, and what happens when the disk says no.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <functional>
#include <map>
#include <sys/stat.h>

#include "MainWindowRig.h"
#include "Sanitizers.h"
#include "device/PageTable.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "params/ParamTable.h"
#include "queue/Protocol.h"
#include "services/Journal.h"
#include "services/Settings.h"
#include "toolkit/Cp1251.h"
#include "toolkit/IniFile.h"

namespace {

std::vector<TForm*> StoredPages(const TForm1& f) {
    return {f.formCommon, f.formGPRS, f.formGPS, f.formAcc, f.formInOut, f.formPhones};
}

TSettingsTargets Targets(const TForm1& f) {
    return {
        .dlgConnect = f.dlgConnect, .mnuMemo = f.mnuMemo, .mnuLog = f.mnuLog, .Pages = f.Pages()};
}

// Every value a settings file stores, by "section/key".
std::map<std::string, std::string> Stored(TForm1& f) {
    std::map<std::string, std::string> m;
    for (TForm* page : StoredPages(f))
        for (TComponentInfo* c : page->Components()) {
            const std::string key = page->Name() + "/" + c->Name();
            QObject* o = c->Object();
            if (auto* e = dynamic_cast<TEdit*>(o))
                m[key] = e->Text();
            else if (auto* s = dynamic_cast<TSpinEdit*>(o))
                m[key] = s->Text();
            else if (auto* b = dynamic_cast<TCheckBox*>(o))
                m[key] = b->Checked() ? "1" : "0";
            else if (auto* r = dynamic_cast<TRadioButton*>(o))
                m[key] = r->Checked() ? "1" : "0";
        }
    for (int n = 1; n <= Tform_Debug::FieldCount; ++n)
        m["fDebug/Edit" + std::to_string(n)] = f.form_Debug->EditN(n)->Text();
    m["ComPort"] = f.dlgConnect->ComPorts->Text();
    for (const std::string& item : f.dlgConnect->Phones->Items())
        m["history"] += item + ";";
    m["Phone"] = f.dlgConnect->Phones->Text();
    m["Reg"] = f.dlgConnect->cbRegWait->Checked() ? "1" : "0";
    m["Memo"] = f.Panel1->Visible() ? "1" : "0";
    m["Log"] = f.Log().LogEnabled() ? "1" : "0";
    return m;
}

// A value of its own in every stored control, each one a value the unit
// takes as the field would send it.
std::string ValueFor(const TParamDef& Row, const TEdit& Edit, int I) {
    switch (Row.Codec) {
    case TParamCodec::EventCode:
        return "1120010" + std::to_string(10 + I % 90);
    case TParamCodec::Number:
        return std::to_string(9000000000LL + I * 7919);
    default:
        break;
    }
    std::string text;
    switch (Row.Form.Kind) {
    case TFormKind::Hex:
        return std::to_string(I * 7 % (Row.Form.Digits == 2 ? 256 : 65536));
    case TFormKind::Decimal:
        return std::to_string(I * 7919 % 10000);
    case TFormKind::IPv4:
        return "192.0.2." + std::to_string(I);
    case TFormKind::Phone:
        text = "+7" + std::to_string(9000000000LL + I * 7919);
        break;
    case TFormKind::Text:
        text = "значение " + std::to_string(I);
        break;
    }
    if (Edit.MaxLength() > 0)
        text.resize(std::min<std::size_t>(text.size(), Edit.MaxLength()));
    return text;
}

void FillEveryValue(TForm1& f) {
    f.formInOut->EnableInputFlags();
    int i = 0;
    for (TForm* page : StoredPages(f)) {
        const int number = PageInfoOf(f.Pages(), page)->Number;
        for (const std::string& name : StoredControls(number)) {
            ++i;
            QObject* o = page->FindComponent(name);
            if (auto* e = dynamic_cast<TEdit*>(o))
                e->SetText(ValueFor(*ParamOfControl(number, name), *e, i));
            else if (auto* b = dynamic_cast<TCheckBox*>(o))
                b->SetChecked(i % 2 == 0);
        }
    }
    f.formInOut->RadioButton1->SetChecked(true);
    f.formAcc->seACCCheckTime->SetValue(17);
    for (int n = 1; n <= Tform_Debug::FieldCount; ++n)
        f.form_Debug->EditN(n)->SetText(n % 2 ? "+O" : "строка " + std::to_string(n));
    f.dlgConnect->ComPorts->SetText("/dev/ttyUSB3");
    for (const char* number : {"9001112233", "9004445566"}) {
        f.dlgConnect->Phones->SetText(number);
        f.dlgConnect->OKBtnClick(f.dlgConnect->OKBtn);
    }
    f.dlgConnect->cbRegWait->SetChecked(false);
    f.mnuMemo->Click();
    f.mnuLog->Click();
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(Settings, ClosingAndStartingAgainBringsBackTheWholeSessionInFileOrder) {
    const mode_t mask = umask(022);
    TMainWindowRig rig;
    FillEveryValue(*rig.Form);
    const auto before = Stored(*rig.Form);
    EXPECT_EQ(before.at("history"), "9004445566;9001112233;");
    rig.Form.reset();

    const std::string bytes = rig.Home.Read("current.ini");
    EXPECT_EQ(Count(bytes, "\n"), Count(bytes, "\r\n"));
    EXPECT_NE(bytes.find(Utf8ToCp1251Lossy("etAccessPoint=значение")), std::string::npos);
    const TIniFile ini(rig.Home.File("current.ini"));
    EXPECT_EQ(ini.ReadSections(),
              (std::vector<std::string>{"Connect", "Debug", "formCommon", "formGPRS", "formGPS",
                                        "formAcc", "formInOut", "formPhones", "fDebug"}));
    EXPECT_EQ(ini.ReadSection("Connect"),
              (std::vector<std::string>{"ComPort", "Phone1", "Phone2", "Phone3", "Phone4", "Phone5",
                                        "Phone", "Reg"}));
    EXPECT_TRUE(ini.ValueExists("Connect", "Phone5"));
    EXPECT_EQ(ini.ReadString("Connect", "Phone3", "missing"), "");
    EXPECT_EQ(ini.ReadSection("formInOut").back(), "Mode");
    EXPECT_EQ(ini.ReadString("formInOut", "Mode", ""), "Mode1");
    EXPECT_EQ(ini.ReadSection("fDebug").size(), 30u);

    rig.Form = std::make_unique<TForm1>();
    EXPECT_EQ(Stored(*rig.Form), before);
    // The log that was on at closing opened a new period at the start.
    EXPECT_EQ(Count(Cp1251ToUtf8(rig.Home.Read("log.txt")), "Начали процесс"), 2u);
    // The files hold passwords: nobody else may read them.
    for (const char* name : {"current.ini", "Windows.ini", "log.txt"})
        if (const auto bits = PermissionBits(rig.Home.File(name))) {
            EXPECT_EQ(*bits, 0600u) << name;
        }
    umask(mask);
}

TEST(Settings, ConnectionKeysFillTheDialogAndThePhoneListStopsAtAGap) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    TdlgConnect& dlg = *f.dlgConnect;
    f.dlgConnect->ComPorts->SetText("COM4");
    rig.Home.Write("gap.ini", "[Connect]\r\nComPort=\r\nPhone1=111\r\nPhone2=\r\nPhone3=333\r\n"
                              "Phone=555\r\nReg=abc\r\n");
    f.LoadSettings(rig.Home.File("gap.ini"));
    EXPECT_EQ(dlg.Phones->Items(), std::vector<std::string>{"111"});
    EXPECT_EQ(dlg.Phones->Text(), "555");
    EXPECT_EQ(dlg.ComPorts->Text(), "COM4"); // an empty port keeps the box's text
    EXPECT_TRUE(dlg.cbRegWait->Checked());   // not a number: the default

    // Loading a second file adds its numbers after those already there.
    rig.Home.Write("two.ini", "[connect]\r\nPHONE1=222\r\nphone2=333\r\nReg=0\r\n");
    f.LoadSettings(rig.Home.File("two.ini"));
    EXPECT_EQ(dlg.Phones->Items(), (std::vector<std::string>{"111", "222", "333"}));
    EXPECT_EQ(dlg.Phones->Text(), "555");
    EXPECT_FALSE(dlg.cbRegWait->Checked());
}

TEST(Settings, MissingKeysAndUntrustedValuesLeaveEveryPageUsable) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    // With no current.ini at the start, every key is missing.
    EXPECT_EQ(f.formCommon->etObjNum->Text(), "");
    EXPECT_EQ(f.form_Debug->EditN(30)->Text(), " ");
    EXPECT_EQ(f.formAcc->seACCCheckTime->Value(), 3);
    EXPECT_TRUE(f.dlgConnect->cbRegWait->Checked());

    f.formCommon->etLat->SetText("230");
    f.formAcc->seACCCheckTime->SetValue(5);
    f.formPhones->cbPhonesOff->SetChecked(true);
    const std::string file = rig.Home.File("odd.ini");
    const auto load = [&](const std::string& text) {
        rig.Home.Write("odd.ini", Utf8ToCp1251Lossy(text));
        return f.LoadSettings(file);
    };
    const TSettingsLoadReport report =
        load("[formAcc]\r\nseACCCheckTime=abc\r\n"
             "[formCommon]\r\netObjNum=123456\r\n"
             "[formGPRS]\r\netGPRSTryes=99\r\netGPRSTimeout=1  x\r\n"
             "etServerTimeout=99999999999999999999999\r\netServerTryes=x9z\r\n"
             "etAccessPoint=длинное имя точки доступа без предела длины\r\n"
             "[formPhones]\r\netPhone1=+79161234567\r\netPhone2=12-34\r\ncbPhonesOff=0\r\n"
             "[formInOut]\r\nMode=Mode1\r\nRadioButton2=1\r\nCheckBox3=1\r\nCheckBox11=1\r\n"
             "[fDebug]\r\nEdit1=+v\r\nEdit2=\r\n");
    // A value the unit would not take as the field sends it is refused and
    // leaves the field as it was; a number the unit holds loads whatever the
    // typing limit or the range the page holds typing to; a field without a
    // key keeps its value and what is known of it.
    EXPECT_EQ(f.formCommon->etLat->Text(), "230");    // missing: kept
    EXPECT_EQ(f.formAcc->seACCCheckTime->Value(), 5); // not a number: kept
    EXPECT_EQ(f.formCommon->etObjNum->Text(), "") << "the command carries four digits";
    EXPECT_EQ(f.formGPRS->etGPRSTryes->Text(), "99");
    for (TEdit* refused : {f.formGPRS->etGPRSTimeout, f.formGPRS->etServerTimeout,
                           f.formGPRS->etServerTryes, f.formPhones->etPhone2})
        EXPECT_EQ(refused->Text(), "") << refused->Name();
    EXPECT_TRUE(report.TooLong.empty());
    EXPECT_EQ(report.Invalid,
              (std::vector<std::string>{"formCommon/etObjNum", "formGPRS/etGPRSTimeout",
                                        "formGPRS/etServerTryes", "formGPRS/etServerTimeout",
                                        "formAcc/seACCCheckTime", "formPhones/etPhone2"}));
    // Each refusal in the operator's words: the page and caption, and why.
    ASSERT_EQ(report.Refused.size(), 6u);
    EXPECT_EQ(report.Refused[0].Place, "Общие установки › Номер объекта");
    EXPECT_NE(report.Refused[0].Reason.find("больше 4 цифр"), std::string::npos)
        << report.Refused[0].Reason;
    EXPECT_NE(report.Text("odd.ini").find("Номер объекта — больше 4 цифр"), std::string::npos)
        << report.Text("odd.ini");
    EXPECT_EQ(report.Text("odd.ini").find("etLat"), std::string::npos) << "absent is no news";
    for (const auto& [page, name] : std::initializer_list<std::pair<TParamPage*, const char*>>{
             {f.formGPRS, "etServerTryes"}, {f.formCommon, "etObjNum"}})
        EXPECT_FALSE(page->FRefValues.Record(name).Known()) << name;
    // Refused or absent, what was known stays known.
    EXPECT_EQ(f.formAcc->FRefValues.Record("seACCCheckTime").Source, TValueSource::Operator);
    EXPECT_EQ(f.formCommon->FRefValues.Record("etLat").Source, TValueSource::Operator);
    EXPECT_EQ(f.formGPRS->FRefValues.Record("etGPRSTryes").Source, TValueSource::File);
    EXPECT_EQ(f.formGPRS->etAccessPoint->Text(), "длинное имя точки доступа без предела длины");
    EXPECT_EQ(f.formPhones->etPhone1->Text(), "+79161234567") << "as the file gives it";
    EXPECT_NE(f.formPhones->lbRule2->FontColor(), clRed) << "nobody typed it";
    EXPECT_TRUE(f.formPhones->etPhone1->Enabled());
    // "Mode" is not read: the buttons say mode 2, which disables inputs 1 to 4
    // and leaves their flags as the file gives them.
    EXPECT_TRUE(f.formInOut->RadioButton2->Checked());
    EXPECT_FALSE(f.formInOut->RadioButton1->Checked());
    EXPECT_TRUE(f.formInOut->CheckBox3->Checked());
    EXPECT_FALSE(f.formInOut->CheckBox3->Enabled());
    EXPECT_TRUE(f.formInOut->CheckBox11->Checked());
    EXPECT_EQ(f.form_Debug->EditN(1)->Text(), "+v");
    EXPECT_EQ(f.form_Debug->EditN(2)->Text(), ""); // present and empty
    EXPECT_EQ(f.form_Debug->EditN(3)->Text(), " ");

    EXPECT_EQ(load("[formAcc]\r\nseACCCheckTime=99\r\n[formPhones]\r\ncbPhonesOff=1\r\n"
                   "[formInOut]\r\nRadioButton1=1\r\nCheckBox3=1\r\n")
                  .Invalid,
              std::vector<std::string>{"formAcc/seACCCheckTime"});
    EXPECT_EQ(f.formAcc->seACCCheckTime->Value(), 5) << "not clamped into a value nobody gave";
    EXPECT_FALSE(f.formPhones->etPhone1->Enabled());
    EXPECT_TRUE(f.formInOut->CheckBox3->Enabled());
    EXPECT_TRUE(f.formInOut->CheckBox3->Checked());
    EXPECT_EQ(load("[formAcc]\r\nseACCCheckTime=0\r\n").Invalid,
              std::vector<std::string>{"formAcc/seACCCheckTime"});
    // The unit's own value, left to the unit: no failure, nothing written.
    EXPECT_TRUE(load("[formAcc]\r\nseACCCheckTime=*\r\ncbAccTest=*\r\n").Invalid.empty());
    const TParamRecord kept = f.formAcc->FRefValues.Record("cbAccTest");
    EXPECT_EQ(kept.Source, TValueSource::File);
    EXPECT_FALSE(kept.Exact);
}

TEST(Settings, TheDebugSwitchesOnlyEverComeOnFromAFile) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    const std::string file = rig.Home.File("debug.ini");
    f.LoadSettings(file); // no such file: checked writes are on, as for a new installation
    EXPECT_TRUE(f.Link().VerifyWrites());
    f.mnuVerify->Click();
    EXPECT_FALSE(f.Link().VerifyWrites());
    rig.Home.Write("debug.ini", "[Debug]\r\nMemo=1\r\nLog=1\r\nVerify=1\r\n");
    f.LoadSettings(file);
    f.LoadSettings(file); // already on: not switched off again
    EXPECT_TRUE(f.Panel1->Visible());
    EXPECT_TRUE(f.mnuMemo->Checked());
    EXPECT_TRUE(f.mnuVerify->Checked());
    EXPECT_TRUE(f.Link().VerifyWrites());
    EXPECT_TRUE(f.Log().LogEnabled());
    EXPECT_EQ(Count(Cp1251ToUtf8(rig.Home.Read("log.txt")), "Начали процесс"), 1u);

    f.SaveSettings(file);
    EXPECT_NE(rig.Home.Read("debug.ini").find("Verify=1"), std::string::npos);
    rig.Home.Write("debug.ini", "[Debug]\r\nMemo=0\r\nLog=0\r\nVerify=0\r\n");
    f.LoadSettings(file);
    EXPECT_TRUE(f.Panel1->Visible());
    EXPECT_TRUE(f.Log().LogEnabled());
    EXPECT_TRUE(f.mnuVerify->Checked());
}

TEST(Settings, SavingIntoAnExistingFileKeepsEverythingElseInPlace) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    f.dlgConnect->ComPorts->SetText("COM2");
    const std::string head =
        "; written by hand\r\n[Other]\r\nkey = value kept\r\n\r\n[CONNECT]\r\n";
    const std::string tail = "Extra=stays\r\n[Вне]\r\nключ=1\r\n";
    rig.Home.Write("set.ini", Utf8ToCp1251Lossy(head + "comport=COM9\r\n" + tail));
    f.SaveSettings(rig.Home.File("set.ini"));

    const std::string bytes = Cp1251ToUtf8(rig.Home.Read("set.ini"));
    EXPECT_EQ(bytes.rfind(head + "comport=COM2\r\nExtra=stays\r\n", 0), 0u) << bytes;
    EXPECT_LT(bytes.find("[Вне]\r\nключ=1\r\n"), bytes.find("[Debug]")) << bytes;
    EXPECT_EQ(Count(bytes, "[Connect]") + Count(bytes, "[CONNECT]"), 1u);
}

TEST(Settings, ASaveThatFailsNamesTheFileAndLeavesTheOldOneAsItWas) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    f.formCommon->etObjNum->SetText("0777");
    const std::string old = "[formCommon]\r\netObjNum=0050\r\n";
    rig.Home.Write("set.ini", old);
    const std::string file = rig.Home.File("set.ini");
    const std::size_t entries = rig.Home.EntryCount();
    for (TFileWriteStep failing : {TFileWriteStep::Create, TFileWriteStep::Write,
                                   TFileWriteStep::Sync, TFileWriteStep::Rename}) {
        try {
            SaveSettings(file, Targets(f), [&](TFileWriteStep s) { return s == failing ? 28 : 0; });
            ADD_FAILURE() << "the save reported success";
        } catch (const EFileError& e) {
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
        }
        EXPECT_EQ(rig.Home.Read("set.ini"), old);
        EXPECT_EQ(rig.Home.EntryCount(), entries) << "a temporary file was left behind";
    }

    // A file too large to have been read whole is never replaced.
    const std::string huge = old + std::string(TIniFile::MaxFileSize, ';');
    rig.Home.Write("set.ini", huge);
    EXPECT_THROW(f.SaveSettings(file), EFileError);
    EXPECT_EQ(rig.Home.Read("set.ini").size(), huge.size());

    // A name that cannot be read at all changes nothing.
    EXPECT_THROW(f.LoadSettings(rig.Home.Path()), EFileError);
    EXPECT_EQ(f.formCommon->etObjNum->Text(), "0777");
}

TEST(Settings, TheMenuItemsAskForAFileAndTheOperatorSeesFailures) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    TModalAnswer answers;
    std::vector<TFileDialogSetup> asked;
    std::optional<std::string> answer;
    f.ChooseSettingsFile = [&](const TFileDialogSetup& s) {
        asked.push_back(s);
        return answer;
    };

    f.mnuSave->trigger(); // cancelled
    f.mnuLoad->trigger();
    EXPECT_EQ(rig.Home.EntryCount(), 0u);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[0].Save);
    EXPECT_TRUE(asked[0].ConfirmOverwrite);
    EXPECT_EQ(asked[0].DefaultExt, "ini");
    EXPECT_EQ(asked[0].Filter, "Файл настроек (*.ini)|*.ini");
    EXPECT_FALSE(asked[1].Save);
    EXPECT_EQ(asked[1].Filter, "Файл настроек (*.ini)|*.ini|Все файлы (*.*)|*.*");
    for (const TFileDialogSetup& s : asked)
        EXPECT_EQ(s.InitialDir, ProgramFolder());

    f.N2Click(nullptr); // every field given a value: a complete set
    f.formGPRS->etPort->SetText("4000");
    answer = rig.Home.File("set.ini");
    f.mnuSave->trigger();
    f.formGPRS->etPort->SetText("1");
    f.mnuLoad->trigger();
    EXPECT_EQ(f.formGPRS->etPort->Text(), "4000");
    EXPECT_TRUE(answers.Messages.empty());

    answer = rig.Home.File("no folder/set.ini");
    f.mnuSave->trigger();
    answer = rig.Home.Path();
    f.mnuLoad->trigger();
    ASSERT_EQ(answers.Messages.size(), 2u);
    EXPECT_NE(answers.Messages[0].find("no folder/set.ini"), std::string::npos);
    EXPECT_NE(answers.Messages[1].find(rig.Home.Path()), std::string::npos);
    EXPECT_EQ(f.formGPRS->etPort->Text(), "4000");
}

namespace {
// A damaged or protected file in the program's folder, and what the window
// makes of it. The file is shaped from a complete set the window saved (the
// defaults given to every field), in which etObjNum is "0042"; before the action the field holds
// "0777", so a refused load is seen to have changed nothing. At closing no message box may appear:
// what is said goes to stderr and into the log before its closing block. A write the device
// hands over is appended to the journal: to one a crash cut short, or to none yet, also when
// the window closes before its timer comes round.
struct TFileCase {
    const char* Name;
    const char* File;
    enum TAction { Start, Save, Load, Close, Write, WriteAtClose } Action;
    bool ReadOnly;
    std::vector<std::string> Says; // each in the one message; none: no message
    const char* ObjNum = nullptr;  // etObjNum afterwards, where it tells
    std::function<std::string(const std::string& Full)> Bytes = [](const auto& full) {
        return full;
    };
    // The access point the file holds, loaded or kept by a save.
    std::string AccessPoint = "internet";
};

void PrintTo(const TFileCase& c, std::ostream* out) {
    *out << c.Name;
}

std::string Huge(const std::string& full) {
    return full + std::string(TIniFile::MaxFileSize, ';');
}
std::string Without(std::string text, const std::string& line) {
    const std::size_t at = text.find(line);
    return text.erase(at, text.find('\n', at) + 1 - at);
}
std::string Layout(const std::string&) {
    return "[Form1]\r\nxForm.WindowState=1\r\n";
}
std::string Binary(const std::string&) {
    return std::string("\x7F"
                       "ELF\x02\x01\x01\0\0\0",
                       10);
}
std::string TwoKeysLess(const std::string& full) {
    return Without(Without(full, "etObjNum="), "etPhone1=");
}
std::string TooLong(const std::string& full) {
    return Without(full, "etPhone=") + "[formCommon]\r\netPhone=+79161234567890123\r\n";
}
// The set with a Cyrillic access point, as an editor saves it in UTF-8.
std::string Utf8(const std::string& full) {
    std::string text = Cp1251ToUtf8(full);
    const std::size_t at = text.find("etAccessPoint=");
    return text.replace(at, text.find('\r', at) - at, "etAccessPoint=точка доступа");
}
std::string Utf8WithMark(const std::string& full) {
    return "\xEF\xBB\xBF" + Utf8(full);
}
std::string MarkOnWindows1251(const std::string& full) {
    return "\xEF\xBB\xBF" + Utf8ToCp1251(Utf8(full)).Bytes;
}

// A unit's page write as the device hands it over at its end.
TWriteSummary UnitWritten() {
    TWriteSummary s;
    s.Request = rqWritePage;
    s.Port = "/dev/ttyUSB1";
    s.ObjNum = "0321";
    s.CommitSent = s.Committed = s.Verified = true;
    s.Params = {
        {"formCommon", "etObjNum", "0321", TParamOutcome::Verified, {}},
        {"formCommon", "etPhone", "+79160000000", TParamOutcome::Differs, "устройство хранит «»"}};
    return s;
}
// Two whole records and the start of a third, as a crash leaves the journal;
// the first with a Windows line end and a blank line after it (an editor's),
// the second as a later version may write it, with more than this one knows.
std::string CutJournal(const std::string&) {
    TJournalRecord r = JournalRecordOf(UnitWritten(), "batch", "fleet.ini");
    const std::string line = JournalLine(r);
    std::string later = line;
    later.insert(later.find("\"verified\"]") + 10, ",\"\",{\"by\":[1]}");
    later.insert(1, "\"site\":{\"id\":7},");
    return line + "\r\n\r\n" + later + "\n" + line.substr(0, line.size() / 2);
}
std::string NoJournal(const std::string&) {
    return {};
}

using enum TFileCase::TAction;
// The access point always holds a character Windows-1251 does not have.
// clang-format off
const TFileCase FileCases[] = {
    {"read-only current.ini at closing", "current.ini", Close, true, {"current.ini", "защищён от записи"}},
    {"read-only Windows.ini at closing", "Windows.ini", Close, true, {"Windows.ini", "защищён от записи"}, nullptr, Layout},
    {"current.ini too large at closing", "current.ini", Close, false, {"current.ini", "не перезаписан"}, nullptr, Huge},
    {"read-only saved set", "set.ini", Save, true, {"set.ini", "защищён от записи"}},
    {"text Windows-1251 cannot carry", "set.ini", Save, false, {"set.ini", "GPRS › Точка доступа GPRS (U+263A)"}},
    {"a set over the size limit", "set.ini", Load, false, {"set.ini", "не загружен", "4 МБ"}, "0777", Huge},
    {"no settings file at all", "set.ini", Load, false, {"set.ini", "не загружен"}, "0777", Binary},
    {"keys missing from a set: no news, the fields kept", "set.ini", Load, false, {}, "0777", TwoKeysLess},
    {"a value longer than its field", "set.ini", Load, false, {"не загружены значения (1)", "Общие установки › Телефон приёма тревожных сообщений — длиннее поля"}, "0042", TooLong},
    {"a UTF-8 set behind its mark", "set.ini", Load, false, {}, "0042", Utf8WithMark, "точка доступа"},
    {"a UTF-8 set saved again", "set.ini", Save, false, {"set.ini", "GPRS › Точка доступа GPRS (U+263A)"}, nullptr, Utf8WithMark, "точка доступа"},
    {"Windows-1251 behind a UTF-8 mark", "set.ini", Load, false, {"set.ini", "не загружен", "UTF-8"}, "0777", MarkOnWindows1251},
    {"UTF-8 without its mark, as Notepad saves it", "set.ini", Load, false, {}, "0042", Utf8, "точка доступа"},
    {"current.ini over the size limit at the start", "current.ini", Start, false, {"current.ini", "не загружен", "4 МБ"}, nullptr, Huge},
    {"a journal a crash cut short", "journal.jsonl", Write, false, {}, nullptr, CutJournal},
    {"no journal yet", "journal.jsonl", Write, false, {}, nullptr, NoJournal},
    {"a write handed over as the window closes", "journal.jsonl", WriteAtClose, false, {}, nullptr, CutJournal},
    {"read-only journal", "journal.jsonl", Write, true, {"journal.jsonl", "защищён от записи", "0321"}, nullptr, CutJournal},
};
// clang-format on

class SettingsFiles : public testing::TestWithParam<TFileCase> {};
} // namespace

TEST_P(SettingsFiles, ComeToWhatTheOperatorCanTrust) {
    const TFileCase& c = GetParam();
    TModalAnswer answers;
    TMainWindowRig rig;
    rig.Form->N2Click(nullptr);
    rig.Form->formCommon->etObjNum->SetText("0042");
    rig.Form->formGPRS->etAccessPoint->SetText("internet");
    rig.Form->SaveSettings(rig.Home.File("full.ini"));
    const std::string file = rig.Home.File(c.File);
    if (const std::string bytes = c.Bytes(rig.Home.Read("full.ini")); !bytes.empty())
        rig.Home.Write(c.File, bytes);
    if (c.ReadOnly)
        chmod(file.c_str(), 0444);
    const std::string before = rig.Home.Read(c.File);
    if (c.Action == Start) {
        rig.Form.reset();
        answers.Messages.clear();
        rig.Form = std::make_unique<TForm1>();
    }
    TForm1& f = *rig.Form;
    f.formCommon->etObjNum->SetText("0777");
    f.formGPRS->etAccessPoint->SetText("интернет ☺");
    f.ChooseSettingsFile = [&](const TFileDialogSetup&) { return file; };
    const mode_t mask = umask(022);
    if (c.Action == Save) {
        f.mnuSave->trigger();
    } else if (c.Action == Load) {
        f.mnuLoad->trigger();
    } else if (c.Action == Write) {
        f.Journal().Receiver()(UnitWritten());
        rig.Drain();
    } else if (c.Action == WriteAtClose) {
        f.Journal().Receiver()(UnitWritten());
        rig.Form.reset();
    }
    umask(mask);
    if (c.ObjNum) {
        EXPECT_EQ(f.formCommon->etObjNum->Text(), c.ObjNum);
        if (c.Says.empty()) {
            EXPECT_EQ(f.formGPRS->etAccessPoint->Text(), c.AccessPoint);
        }
    }
    std::vector<std::string> said = answers.Messages;
    if (c.Action == Close) {
        f.mnuLog->Click();
        testing::internal::CaptureStderr();
        rig.Form.reset();
        said = {testing::internal::GetCapturedStderr()};
        EXPECT_TRUE(answers.Messages.empty()) << "a message box at closing";
        const std::string log = Cp1251ToUtf8(rig.Home.Read("log.txt"));
        for (const std::string& words : c.Says)
            EXPECT_LT(log.find(words), log.find("Окончили процесс")) << log;
    }

    if (c.Says.empty()) {
        EXPECT_TRUE(said.empty()) << said.front();
    } else {
        ASSERT_EQ(said.size(), 1u);
        for (const std::string& words : c.Says)
            EXPECT_NE(said[0].find(words), std::string::npos) << words << " not in: " << said[0];
    }
    if ((c.Action == Write || c.Action == WriteAtClose) && !c.ReadOnly) {
        // Appended after what was there, on a line of its own; only whole
        // records are read, and a journal made now is the user's alone.
        EXPECT_EQ(rig.Home.Read(c.File).rfind(before, 0), 0u) << "the journal was rewritten";
        const TJournal journal = ReadJournal(file);
        EXPECT_EQ(journal.Records.size(), before.empty() ? 1u : 3u);
        EXPECT_EQ(journal.Damaged, before.empty() ? 0 : 1);
        ASSERT_FALSE(journal.Records.empty());
        const TJournalRecord& added = journal.Records.back();
        EXPECT_EQ(added.Program, "window");
        EXPECT_EQ(added.ObjNum, "0321");
        EXPECT_EQ(journal.Params(added).at(1).Outcome, TParamOutcome::Differs);
        if (const auto bits = PermissionBits(file); before.empty() && bits) {
            EXPECT_EQ(*bits, 0600u);
        }
    } else if (c.ReadOnly || c.Action != Save) {
        EXPECT_EQ(rig.Home.Read(c.File), before) << "the file was changed";
    } else { // saved all but the field that cannot be stored, which keeps its value
        const TIniFile ini(file);
        EXPECT_EQ(ini.ReadString("formGPRS", "etAccessPoint", ""), c.AccessPoint);
        EXPECT_EQ(ini.ReadString("formCommon", "etObjNum", ""), "0777");
        EXPECT_EQ(ini.Encoding(), DecodeFileText(before).Encoding) << "the file's own encoding";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsFiles, testing::ValuesIn(FileCases));

TEST(Settings, TheFileDialogsAreSetUpForSettingsFiles) {
#ifdef ORB_THREAD_SANITIZER
    GTEST_SKIP() << "Qt's file dialog thread is not visible to ThreadSanitizer";
#endif
    TTempDir dir;
    const auto run = [&](const TFileDialogSetup& setup, const std::string& name) {
        TModalAnswer answer([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->acceptMode(),
                      setup.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            EXPECT_EQ(dialog->nameFilters(), NameFilters(setup.Filter));
            EXPECT_EQ(QDir::toNativeSeparators(dialog->directory().absolutePath()),
                      QStr(dir.Path()));
            EXPECT_EQ(dialog->testOption(QFileDialog::DontConfirmOverwrite),
                      !setup.ConfirmOverwrite);
            if (name.empty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(QStr(name));
            static_cast<QDialog*>(dialog)->accept();
        });
        return ExecFileDialog(setup, nullptr);
    };
    EXPECT_EQ(run(SettingsSaveDialog(dir.Path()), "mine"), dir.File("mine.ini"));
    EXPECT_EQ(run(SettingsSaveDialog(dir.Path()), ""), std::nullopt);
    dir.Write("old.ini", "");
    EXPECT_EQ(run(SettingsOpenDialog(dir.Path()), "old.ini"), dir.File("old.ini"));

    EXPECT_EQ(NameFilters("Файл настроек (*.ini)|*.ini|Все файлы (*.*)|*.*"),
              (QStringList{"Файл настроек (*.ini)", "Все файлы (*.*)"}));
    EXPECT_EQ(NameFilters("Файл настроек(*.ini)|*.ini"), QStringList{"Файл настроек(*.ini)"});
    EXPECT_EQ(NameFilters("Тексты|*.txt;*.log|без шаблона"), QStringList{"Тексты (*.txt *.log)"});
}
