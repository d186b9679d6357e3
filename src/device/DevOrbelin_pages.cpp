// TDevOrbelin: which group routine serves which page, the page read and
// write with the page tree locked, and the walks over all pages with their
// progress in the status bar.

#include <string>
#include <utility>

#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "pages/PageOps.h"
#include "pages/SettingsPage.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"

namespace {

const char* const WriteWarning = "ВНИМАНИЕ! НЕ ВСЕ ПАРАМЕТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!";
const char* const ReadAllDone = "Чтение всех параметров завершено!";
const char* const WriteAllDoneText = "Запись всех параметров завершена!";
const char* const NothingWritten = "В блок ничего не записано: значения параметров неизвестны. "
                                   "Сначала прочитайте параметры из блока или загрузите набор.";

// How many failed parameters a message names before it only counts the rest.
constexpr std::size_t NamedFailures = 3;
// How many parameters left to the unit a message names.
constexpr std::size_t NamedKept = 12;

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
    const TPageInfo* row = PageInfoOf(FPages, Page);
    if (!row || !row->ReadIn(FGeneration.load()))
        return;
    if (auto* params = dynamic_cast<TParamPage*>(Page))
        ReadParamPage(*params);
    else if (auto* flags = dynamic_cast<TformFlags*>(Page))
        ReadFlags(*flags);
}

void TDevOrbelin::RunWriteRoutine(QObject* Page) {
    const TPageInfo* row = PageInfoOf(FPages, Page);
    if (!row || !row->WrittenIn(FGeneration.load()))
        return;
    if (auto* params = dynamic_cast<TParamPage*>(Page))
        WriteParamPage(*params);
}

std::string TDevOrbelin::FailureSummary() const {
    if (FFailures.empty())
        return {};
    std::string text = "Ошибок: " + std::to_string(FFailures.size()) + " — ";
    for (std::size_t i = 0; i < FFailures.size() && i < NamedFailures; ++i) {
        const TFailure& f = FFailures[i];
        text += (i == 0 ? "" : "; ") + f.Words + (f.Note.empty() ? "" : " (" + f.Note + ")");
    }
    if (FFailures.size() > NamedFailures)
        text += " и ещё " + std::to_string(FFailures.size() - NamedFailures);
    return text;
}

std::string TDevOrbelin::WithFailures(const char* Message) const {
    // A unit that stopped answering is the news, whatever was under way.
    const std::string first = FUnitSilent ? SilentText() : std::string(Message);
    const std::string summary = FailureSummary();
    return summary.empty() ? first : first + "\n" + summary;
}

std::string TDevOrbelin::SilentText() const {
    const bool write =
        FRequest == rqWritePage || FRequest == rqWriteParam || FRequest == rqWriteAll;
    std::string text = "ОШИБКА! Устройство перестало отвечать: нет ответа на " +
                       std::to_string(SilentRepliesEnd) + " команды подряд. ";
    text += FLastAnswered.empty() ? "С начала операции оно не ответило ни на одну команду."
                                  : "Последний ответ — на параметр «" + FLastAnswered + "».";
    text += write ? " Остальные параметры не записаны." : " Остальные параметры не прочитаны.";
    return text + "\nПроверьте питание устройства, кабель и COM-порт, затем подключитесь снова.";
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
    FKept.clear();
    FLastAnswered.clear();
    FWritesSent.store(0);
    FVerifying = FVerifyWrites.load();
    FReadBacks.clear();
    FWriteRows.clear();
    FCommitSent.store(false);
    FCommitted.store(false);
    FObjNumBefore = KnownObjectNumber(FPages);
    if (FFailuresShown && FPages.StatusPanel4)
        FOut.PostStatus("", FPages.StatusPanel4);
    FFailuresShown = false;
}

void TDevOrbelin::ReadPage() {
    // The page tree stays locked while the page is exchanged.
    Post({.Kind = TUnitEvent::TKind::PageBusy, .Busy = true});
    TScopeExit unlock([this] { Post({.Kind = TUnitEvent::TKind::PageBusy, .Busy = false}); });
    QObject* page = GetCurrentPage();
    RunReadRoutine(page);
    if (auto* form = dynamic_cast<TForm*>(page))
        RestoreParameterTags(form);
    // A walk tells its outcome once, at its end.
    if (FRequest != rqReadAll)
        ShowFailureCount();
}

void TDevOrbelin::WritePage() {
    Post({.Kind = TUnitEvent::TKind::PageBusy, .Busy = true});
    TScopeExit unlock([this] { Post({.Kind = TUnitEvent::TKind::PageBusy, .Busy = false}); });
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
    if (FWriteFailed || (FWritesSent.load() == 0 && !FKept.empty()))
        Tell(WriteWarningText());
    ShowFailureCount();
}

void TDevOrbelin::ReadAll() {
    const std::string rule(81, '=');
    PostLine(" ", false, false);
    PostLine(rule, false, false);
    PostLine("Читаем всё", false, true);
    BeginWalk(TWalkPhase::Read, ReadAllSteps(FGeneration.load()));
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
    // The progress goes before the message box comes up, not once it closes.
    EndWalk();
    FOut.PostMsg(WithFailures(ReadAllDone));
}

void TDevOrbelin::WriteAll() {
    FWriteFailed = false;
    const std::string rule(81, '=');
    PostLine(" ", false, false);
    PostLine(rule, false, false);
    PostLine("Пишем всё", false, true);
    BeginWalk(TWalkPhase::Write, WriteAllSteps(FGeneration.load()));
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
    EndWalk();
    if (FWriteFailed || (FWritesSent.load() == 0 && !FKept.empty()))
        Tell(WriteWarningText());
    PostLine("Окончили писать всё", false, true);
    PostLine(rule, false, false);
    if (FPages.formCommon) {
        SetCurrentPage(FPages.formCommon);
        FOut.PostShow(FPages.formCommon);
    }
}

bool TDevOrbelin::WriteGoesThrough() {
    // A unit that stopped answering part way gets no commit: it would store
    // only part of the write, if it heard it at all.
    if (FUnitSilent)
        return false;
    if (FWritesSent.load() > 0)
        return CheckWrites() && !FUnitSilent;
    // A commit of nothing would only store whatever the unit holds unsaved.
    FWriteFailed = false;
    return false;
}

std::string TDevOrbelin::WriteWarningText() const {
    if (FWritesSent.load() == 0)
        return WithFailures(NothingWritten) + KeptText();
    // A checked write of which a part did not go through is not committed:
    // said here, in the one message.
    return WithFailures(WriteWarning) + KeptText() +
           (FVerifying ? "\nЗапись в EEPROM не выполнена." : "");
}

std::string TDevOrbelin::KeptText() const {
    if (FKept.empty())
        return {};
    std::string text = "\nОставлено, как хранит блок: " + std::to_string(FKept.size()) + " — ";
    for (std::size_t i = 0; i < FKept.size() && i < NamedKept; ++i)
        text += (i == 0 ? "" : ", ") + FKept[i];
    if (FKept.size() > NamedKept)
        text += " и ещё " + std::to_string(FKept.size() - NamedKept);
    return text;
}

std::string TDevOrbelin::PageWriteDone() const {
    // A page written whole needs no word; one that left something says what.
    if (FKept.empty())
        return {};
    return "Запись завершена. Записано параметров: " + std::to_string(FWritesSent.load()) +
           KeptText();
}

std::string TDevOrbelin::WriteAllDone() const {
    int written = 0;
    int verified = 0;
    for (const auto& [page, row] : FWriteRows) {
        const auto names = row->ControlNames();
        if (names.empty())
            continue;
        const TParamOutcome outcome = page->FRefValues.Record(names.front()).Outcome;
        written += outcome == TParamOutcome::Written || outcome == TParamOutcome::Verified;
        verified += outcome == TParamOutcome::Verified;
    }
    std::string text =
        std::string(WriteAllDoneText) + "\nЗаписано параметров: " + std::to_string(written);
    if (FVerifying)
        text += ", проверено: " + std::to_string(verified);
    return text + KeptText();
}

void TDevOrbelin::BeginWalk(TWalkPhase Phase, int Total) {
    FWalk = Phase;
    FWalkStep = 0;
    FWalkTotal = Total;
}

void TDevOrbelin::WalkStep() {
    if (FWalk)
        Post({.Kind = TUnitEvent::TKind::WalkStep,
              .Phase = *FWalk,
              .Step = ++FWalkStep,
              .Total = FWalkTotal});
}

void TDevOrbelin::EndWalk() {
    if (!FWalk)
        return;
    FWalk.reset();
    // The progress gives way to the count of failures, if any.
    if (!ShowFailureCount() && FPages.StatusPanel4)
        FOut.PostStatus("", FPages.StatusPanel4);
}
