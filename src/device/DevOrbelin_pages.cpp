// TDevOrbelin: which group routine serves which page, the page read and
// write with the page tree locked, and the walks over all pages with their
// progress in the status bar.

#include <string>
#include <utility>

#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "pages/PageOps.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"

namespace {

const char* const WriteWarning = "ВНИМАНИЕ! НЕ ВСЕ ПАРАМТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!";
const char* const ReadAllDone = "Чтение всех параметров завершено!";

// How many failed parameters a message names before it only counts the rest.
constexpr std::size_t NamedFailures = 3;

// Runs its function when the scope ends, however it ends.
template <class F> class TScopeExit {
public:
    explicit TScopeExit(F Function) : FFunction(std::move(Function)) {}
    ~TScopeExit() { FFunction(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F FFunction;
};

} // namespace

void TDevOrbelin::RunReadRoutine(QObject* Page) {
    const int generation = FGeneration.load();
    const TPageInfo* row = PageInfoOf(FPages, Page);
    if (!row || !row->ReadIn(generation))
        return;
    if (auto* common = dynamic_cast<TformCommon*>(Page))
        ReadCommon(*common);
    else if (auto* gprs = dynamic_cast<TformGPRS*>(Page))
        ReadGPRS(*gprs);
    else if (auto* gps = dynamic_cast<TformGPS*>(Page))
        ReadGPS(*gps);
    else if (auto* acc = dynamic_cast<TformAcc*>(Page))
        ReadBattery(*acc);
    else if (auto* inout = dynamic_cast<TformInOut*>(Page))
        generation == 1 ? ReadInOutPerInput(*inout) : ReadInOut(*inout);
    else if (auto* flags = dynamic_cast<TformFlags*>(Page))
        ReadFlags(*flags);
    else if (auto* phones = dynamic_cast<TformPhones*>(Page))
        ReadPhones(*phones);
}

void TDevOrbelin::RunWriteRoutine(QObject* Page) {
    const int generation = FGeneration.load();
    const TPageInfo* row = PageInfoOf(FPages, Page);
    if (!row || !row->WrittenIn(generation))
        return;
    if (auto* common = dynamic_cast<TformCommon*>(Page))
        WriteCommon(*common);
    else if (auto* gprs = dynamic_cast<TformGPRS*>(Page))
        WriteGPRS(*gprs);
    else if (auto* gps = dynamic_cast<TformGPS*>(Page))
        WriteGPS(*gps);
    else if (auto* acc = dynamic_cast<TformAcc*>(Page))
        WriteBattery(*acc);
    else if (auto* inout = dynamic_cast<TformInOut*>(Page))
        generation == 1 ? WriteInOutPerInput(*inout) : WriteInOut(*inout);
    else if (auto* phones = dynamic_cast<TformPhones*>(Page))
        WritePhones(*phones);
}

std::string TDevOrbelin::FailureSummary() const {
    if (FFailures.empty())
        return {};
    std::string text = "Ошибок: " + std::to_string(FFailures.size()) + " — ";
    for (std::size_t i = 0; i < FFailures.size() && i < NamedFailures; ++i) {
        const TFailure& f = FFailures[i];
        std::string caption = ShortCaption(f.Lamp->Caption());
        if (caption.empty())
            caption = f.Lamp->Name();
        text += (i == 0 ? "" : ", ") + caption + (f.Note.empty() ? "" : " (" + f.Note + ")");
    }
    if (FFailures.size() > NamedFailures)
        text += " и ещё " + std::to_string(FFailures.size() - NamedFailures);
    return text;
}

std::string TDevOrbelin::WithFailures(const char* Message) const {
    const std::string summary = FailureSummary();
    return summary.empty() ? std::string(Message) : Message + ("\n" + summary);
}

bool TDevOrbelin::ShowFailureCount() {
    if (!FPages.StatusPanel4 || FFailures.empty())
        return false;
    FOut.PostStatus("Ошибок: " + std::to_string(FFailures.size()), FPages.StatusPanel4);
    FFailuresShown = true;
    return true;
}

void TDevOrbelin::BeginOperation() {
    FFailures.clear();
    FVerifying = FVerifyWrites.load();
    FReadBacks.clear();
    if (FFailuresShown && FPages.StatusPanel4)
        FOut.PostStatus("", FPages.StatusPanel4);
    FFailuresShown = false;
}

void TDevOrbelin::ReadPage() {
    // The page tree stays locked while the page is exchanged.
    FOut.PostEnabled(FTargets.tv1, false);
    TScopeExit unlock([this] { FOut.PostEnabled(FTargets.tv1, true); });
    QObject* page = GetCurrentPage();
    RunReadRoutine(page);
    if (auto* form = dynamic_cast<TForm*>(page))
        RestoreParameterTags(form);
    // A walk tells its outcome once, at its end.
    if (FRequest != rqReadAll)
        ShowFailureCount();
}

void TDevOrbelin::WritePage() {
    FOut.PostEnabled(FTargets.tv1, false);
    TScopeExit unlock([this] { FOut.PostEnabled(FTargets.tv1, true); });
    const bool walk = FRequest == rqWriteAll;
    if (!walk)
        FWriteFailed = false;
    QObject* page = GetCurrentPage();
    RunWriteRoutine(page);
    if (auto* form = dynamic_cast<TForm*>(page))
        RestoreParameterTags(form);
    // Write all warns once, after its last page.
    if (walk)
        return;
    if (FWriteFailed)
        FOut.PostMsg(WithFailures(WriteWarning));
    ShowFailureCount();
}

void TDevOrbelin::ReadAll() {
    const std::string rule(81, '=');
    PostLine(" ", false, false);
    PostLine(rule, false, false);
    PostLine("Читаем всё", false, true);
    BeginWalk("Чтение", ReadAllSteps(FGeneration.load()));
    TScopeExit endWalk([this] { EndWalk(); });
    for (const TPageInfo& row : PageTable()) {
        TForm* page = row.Get(FPages);
        if (!page || !row.InReadAll())
            continue;
        SetCurrentPage(page);
        FOut.PostShow(page);
        ReadPage();
        // A lost link ends the walk where it is, without a word of its own:
        // the link thread has said why.
        if (Stopping())
            return;
    }
    PostLine("Окончили читать всё", false, true);
    PostLine(rule, false, false);
    if (FPages.formCommon) {
        SetCurrentPage(FPages.formCommon);
        FOut.PostShow(FPages.formCommon);
    }
    FOut.PostMsg(WithFailures(ReadAllDone));
}

void TDevOrbelin::WriteAll() {
    FWriteFailed = false;
    const std::string rule(81, '=');
    PostLine(" ", false, false);
    PostLine(rule, false, false);
    PostLine("Пишем всё", false, true);
    BeginWalk("Запись", WriteAllSteps(FGeneration.load()));
    TScopeExit endWalk([this] { EndWalk(); });
    for (const TPageInfo& row : PageTable()) {
        TForm* page = row.Get(FPages);
        if (!page || !row.InWriteAll())
            continue;
        SetCurrentPage(page);
        FOut.PostShow(page);
        WritePage();
        if (Stopping())
            return;
    }
    if (FWriteFailed)
        FOut.PostMsg(WithFailures(WriteWarning));
    PostLine("Окончили писать всё", false, true);
    PostLine(rule, false, false);
    if (FPages.formCommon) {
        SetCurrentPage(FPages.formCommon);
        FOut.PostShow(FPages.formCommon);
    }
}

void TDevOrbelin::BeginWalk(const char* What, int Total) {
    FWalkWhat = What;
    FWalkStep = 0;
    FWalkTotal = Total;
}

void TDevOrbelin::WalkStep() {
    if (!FWalkWhat)
        return;
    ++FWalkStep;
    if (FPages.StatusPanel4)
        FOut.PostStatus(std::string(FWalkWhat) + " " + std::to_string(FWalkStep) + "/" +
                            std::to_string(FWalkTotal),
                        FPages.StatusPanel4);
}

void TDevOrbelin::EndWalk() {
    FWalkWhat = nullptr;
    // The progress gives way to the count of failures, if any.
    if (!ShowFailureCount() && FPages.StatusPanel4)
        FOut.PostStatus("", FPages.StatusPanel4);
}
