// settings_bench: how long the main window takes to save and to load a full
// "current.ini" (every page filled, five phone numbers, thirty console
// fields, the debug switches on). Prints the median of many runs:
//
//   save_ms <x>
//   load_ms <x>
//
// A save includes flushing the file to the disk, so it depends on the
// folder's file system (TMPDIR).

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "pages/PageOps.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "serial/ConnectDlg.h"
#include "toolkit/ProgramFolder.h"

namespace {
constexpr int Runs = 60;
constexpr int WarmUp = 5;

std::vector<TForm*> StoredPages(const TForm1& f) {
    return {f.formCommon, f.formGPRS, f.formGPS, f.formAcc, f.formInOut, f.formPhones};
}

// Fills every stored control with a value of the length the field takes.
void FillEveryValue(TForm1& f) {
    int i = 0;
    for (TForm* page : StoredPages(f))
        for (TComponentInfo* c : page->Components()) {
            ++i;
            if (auto* e = dynamic_cast<TEdit*>(c->Object())) {
                std::string text = e->KeyFilter() == TKeyFilter::None
                                       ? "значение параметра " + std::to_string(i)
                                       : std::to_string(1000000000 + i);
                if (e->MaxLength() > 0)
                    text.resize(std::min<std::size_t>(text.size(), e->MaxLength()));
                e->SetText(text);
            } else if (auto* b = dynamic_cast<TCheckBox*>(c->Object())) {
                b->SetChecked(i % 2 == 0);
            }
        }
    f.formAcc->seACCCheckTime->SetValue(17);
    for (int n = 1; n <= Tform_Debug::FieldCount; ++n)
        f.form_Debug->EditN(n)->SetText(n % 2 ? "+O" : "ответ устройства " + std::to_string(n));
    f.dlgConnect->ComPorts->SetText("COM12");
    for (int n = 0; n < TdlgConnect::MaxPhoneHistory; ++n) {
        f.dlgConnect->Phones->SetText("900000000" + std::to_string(n));
        f.dlgConnect->OKBtnClick(f.dlgConnect->OKBtn);
    }
    f.mnuMemo->Click();
    f.mnuLog->Click();
}

double MedianMs(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

template <class Prepare, class Step> double Measure(Prepare prepare, Step step) {
    std::vector<double> samples;
    for (int run = 0; run < WarmUp + Runs; ++run) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (run >= WarmUp)
            samples.push_back(took.count());
    }
    return MedianMs(samples);
}
} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::string folder = (std::filesystem::temp_directory_path() / "orb-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    SetProgramFolderOverride(folder);
    const std::string file = folder + "/current.ini";
    {
        auto form = std::make_unique<TForm1>();
        FillEveryValue(*form);
        const double save = Measure([] {}, [&] { form->SaveSettings(file); });
        // Each load starts from emptied pages and the history the program
        // starts with, an empty one, so that every value really changes.
        const auto empty = [&] {
            form->dlgConnect->Phones->ClearItems();
            for (TForm* page : StoredPages(*form))
                ClearPageValues(page);
            for (int n = 1; n <= Tform_Debug::FieldCount; ++n)
                form->form_Debug->EditN(n)->SetText("");
        };
        const double load = Measure(empty, [&] { form->LoadSettings(file); });
        std::printf("save_ms %.3f\nload_ms %.3f\n", save, load);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
