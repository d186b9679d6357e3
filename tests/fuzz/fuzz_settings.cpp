// Feeds arbitrary bytes to LoadSettings as a settings file and checks what
// must hold after any file: a file the load refuses changes nothing, every
// field keeps to its page's rules (maximum lengths, the battery hour's range,
// the GPRS clamps, digits-only engineering numbers, the input flags of modes
// 2 and 3), and what was loaded, once saved, loads back the same.
//
// The pages live for the whole run; the few values a file may leave alone
// are reset before each input, so that every input starts from one state.

#include <QApplication>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "device/PageTable.h"
#include "device/ParamCodec.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "params/ParamTable.h"
#include "serial/ConnectDlg.h"
#include "services/Settings.h"
#include "toolkit/Controls.h"
#include "toolkit/TextUtil.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}

struct TWorld {
    std::filesystem::path Folder;
    std::string In, Out;
    TdlgConnect* dlgConnect = new TdlgConnect(nullptr);
    TMenuItem* mnuMemo = new TMenuItem(nullptr, "mnuMemo", "memo");
    TMenuItem* mnuLog = new TMenuItem(nullptr, "mnuLog", "log");
    TformCommon* formCommon = new TformCommon;
    TformGPRS* formGPRS = new TformGPRS;
    TformGPS* formGPS = new TformGPS;
    TformAcc* formAcc = new TformAcc;
    TformInOut* formInOut = new TformInOut;
    TformPhones* formPhones = new TformPhones;
    Tform_Debug* form_Debug = new Tform_Debug;

    TSettingsTargets Targets() const {
        return {.dlgConnect = dlgConnect,
                .mnuMemo = mnuMemo,
                .mnuLog = mnuLog,
                .Pages = {.formCommon = formCommon,
                          .formGPRS = formGPRS,
                          .formGPS = formGPS,
                          .formAcc = formAcc,
                          .formInOut = formInOut,
                          .formPhones = formPhones,
                          .form_Debug = form_Debug}};
    }
};
TWorld* World = nullptr;

// What saving and reading again makes of a text: a value is one line,
// trimmed at both ends.
std::string AsStored(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return TrimBlanks(text);
}

std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> m;
    const TWorld& w = *World;
    for (TForm* page : std::initializer_list<TForm*>{w.formCommon, w.formGPRS, w.formGPS, w.formAcc,
                                                     w.formInOut, w.formPhones, w.form_Debug})
        for (TComponentInfo* c : page->Components()) {
            const std::string key = page->Name() + "/" + c->Name();
            QObject* o = c->Object();
            if (auto* e = dynamic_cast<TEdit*>(o))
                m[key] = AsStored(e->Text());
            else if (auto* s = dynamic_cast<TSpinEdit*>(o))
                m[key] = s->Text();
            else if (auto* b = dynamic_cast<TCheckBox*>(o))
                m[key] = b->Checked() ? "1" : "0";
            else if (auto* r = dynamic_cast<TRadioButton*>(o))
                m[key] = r->Checked() ? "1" : "0";
        }
    m["ComPort"] = AsStored(w.dlgConnect->ComPorts->Text());
    for (const std::string& item : w.dlgConnect->Phones->Items())
        m["history"] += AsStored(item) + "\n";
    m["Phone"] = AsStored(w.dlgConnect->Phones->Text());
    m["Reg"] = w.dlgConnect->cbRegWait->Checked() ? "1" : "0";
    m["Memo"] = w.mnuMemo->Checked() ? "1" : "0";
    m["Log"] = w.mnuLog->Checked() ? "1" : "0";
    return m;
}

// Whatever a file gives, each field holds no value or one the unit takes
// as the field would send it; the pages' switches follow the file.
void CheckPageRules() {
    const TWorld& w = *World;
    const TDevicePages pages = w.Targets().Pages;
    const int hour = w.formAcc->seACCCheckTime->Value();
    Check(hour >= 1 && hour <= 23);
    for (TParamPage* page : ParameterPages(pages)) {
        const int number = PageInfoOf(pages, page)->Number;
        for (const std::string& name : StoredControls(number)) {
            auto* e = dynamic_cast<TEdit*>(page->FindComponent(name));
            const TParamDef* row = ParamOfControl(number, name);
            if (!e || !row || !page->FRefValues.Record(name).Known() || e->Text().empty())
                continue;
            const auto names = row->ControlNames();
            const std::size_t at = static_cast<std::size_t>(
                std::find(names.begin(), names.end(), name) - names.begin());
            Check(!LoadProblem(*row, at, e->Text()));
        }
    }
    for (int i = 0; i < TformPhones::NumberCount; ++i)
        Check(w.formPhones->Phone(i)->Enabled() == !w.formPhones->cbPhonesOff->Checked());
    if (!w.formInOut->RadioButton1->Checked())
        for (int n = 3; n <= 10; ++n)
            Check(!w.formInOut->CheckBoxN(n)->Enabled());
    Check(w.dlgConnect->Phones->ItemCount() <= TdlgConnect::MaxPhoneHistory);
}

void Reset() {
    TWorld& w = *World;
    w.dlgConnect->ComPorts->SetText("");
    w.dlgConnect->Phones->ClearItems();
    w.dlgConnect->Phones->SetText("");
    w.mnuMemo->SetChecked(false);
    w.mnuLog->SetChecked(false);
    w.formAcc->seACCCheckTime->SetValue(3);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "orb_fuzz_settings";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    World = new TWorld;
    std::string folder = (std::filesystem::temp_directory_path() / "orb-fuzz-XXXXXX").string();
    Check(mkdtemp(folder.data()) != nullptr);
    World->Folder = folder;
    World->In = folder + "/in.ini";
    World->Out = folder + "/out.ini";
    World->mnuMemo->OnClick = [](QObject*) { World->mnuMemo->SetChecked(true); };
    World->mnuLog->OnClick = [](QObject*) { World->mnuLog->SetChecked(true); };
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(World->Folder, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TWorld& w = *World;
    std::ofstream(w.In, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Reset();
    const auto before = Snapshot();
    try {
        LoadSettings(w.In, w.Targets());
    } catch (const EFileError&) {
        Check(Snapshot() == before);
        return 0;
    }
    CheckPageRules();
    const auto loaded = Snapshot();

    std::filesystem::remove(w.Out);
    SaveSettings(w.Out, w.Targets());
    Reset();
    LoadSettings(w.Out, w.Targets());
    Check(Snapshot() == loaded);
    return 0;
}
