// TForm1's commands: connect and disconnect, read and write of the current
// page or of all pages, and the default values.

#include "app/MainForm.h"

#include <QMessageBox>
#include <QPushButton>

#include "app/SplashDlg.h"
#include "device/PageTable.h"
#include "pages/PageOps.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "queue/Protocol.h"
#include "serial/ConnectDlg.h"
#include "services/QuitSignals.h"

namespace {
const char* const ShortNumberMessage = "ОШИБКА! Недостаточно цифр в номере!";
const char* const NothingToWrite =
    "Значения параметров неизвестны: их нет ни из блока, ни из набора, ни от оператора. "
    "Сначала прочитайте параметры из блока или загрузите набор.";

void ClearFlags(TParamPage* page) {
    page->FWasRead = false;
    page->FWasWritten = false;
}
} // namespace

void TForm1::SetConnectedState(bool connected) {
    mnuConnect->SetEnabled(!connected);
    tbtnConnect->SetEnabled(!connected);
    mnuDisconnect->SetEnabled(connected);
    for (TToolButton* b : {tbtnDisconnect, tbtnRead, tbtnWrite, tbtnReadAll, tbtnWriteAll})
        b->SetEnabled(connected);
    for (TMenuItem* item : {mnuRead, mnuWrite, mnuReadAll, mnuWriteAll})
        item->SetEnabled(connected);
}

void TForm1::mnuConnectClick(QObject*) {
    if (dlgConnect->ShowModal() == mrOk)
        ConnectAsChosen();
}

void TForm1::ForgetUnit() {
    // The lamps, marks and indicators describe the unit last connected; the
    // values stay (they may be the set for the next unit), but what only
    // that unit held does not.
    for (TParamPage* page : ParameterPages(FPages)) {
        ResetChangeMarks(page);
        ClearFlags(page);
        for (const std::string& name : page->FRefValues.RecordNames())
            page->FRefValues.Update(name, [](TParamRecord& r) {
                if (r.Source == TValueSource::Unit && !r.Exact)
                    r.Source = TValueSource::None;
                r.Unit.reset();
                r.Exact = true;
                r.Outcome = TParamOutcome::None;
                r.Note.clear();
            });
    }
    ResetChangeMarks(formFlags);
    for (int n = 1; n <= TformFlags::ShapeCount; ++n)
        formFlags->ShapeN(n)->SetBrushColor(clWhite);
    formAcc->pPowerState->SetCaption("");
    for (int panel : {0, 1, 2, 4})
        StatusBar1->Panel(panel)->SetText("");
    SetWriteState(csNone);
    RepaintStatusBar();
}

bool TForm1::ConnectAsChosen() {
    const std::string port = dlgConnect->ComPorts->Text();
    const std::string phone = dlgConnect->Phones->Text();
    ForgetUnit();
    // Until the new unit tells its generation, no page is missing from it.
    for (int i = 0; i < tv1->NodeCount(); ++i)
        tv1->Node(i)->SetGreyed(false);
    for (const TPageInfo& row : PageTable())
        if (TSettingsPage* page = row.Get(FPages); page && row.ByGeneration)
            page->SetContentVisible(true);
    StatusBar1->Panel(0)->SetText(port);
    StatusBar1->Panel(1)->SetText(phone);
    FLink->Start(port, phone, dlgConnect->cbRegWait->Checked());

    if (dlgSplash->ShowModal() != mrOk) {
        // Ended by a stop request, the shutdown ends the link once the
        // settings are saved, in the time it has.
        if (!TQuitOnSignals::Stopping()) {
            FLink->End();
            ForgetUnit();
        }
        return false;
    }
    SetConnectedState(true);
    // A link that began to end while the splash was closing may have found
    // the disconnect button still disabled and not asked for the disconnect.
    if (FLink->Ending()) {
        tbtnDisconnectClick(tbtnDisconnect);
        return false;
    }
    return true;
}

void TForm1::tbtnDisconnectClick(QObject*) {
    // Disabled first, so that the ending thread does not ask for a second
    // disconnect that could reach a later connection.
    tbtnDisconnect->SetEnabled(false);
    // A link that ended by itself leaves its lamps and indicators for the
    // operator to see what failed; the operator's own disconnect clears them.
    const bool byOperator = !FLink->Ending();
    FLink->End();
    // A set loaded for this unit is not the next one's: the writes to this
    // unit are recorded first, naming it.
    Guarded(this, [this] { FJournal.Flush(); });
    FJournal.SetSetFile("");
    SetConnectedState(false);
    if (byOperator) {
        ForgetUnit();
        return;
    }
    // What failed stays in view; the connection itself is gone.
    for (int panel : {0, 1, 2})
        StatusBar1->Panel(panel)->SetText("");
    RepaintStatusBar();
}

TForm* TForm1::CurrentPage() const {
    return dynamic_cast<TForm*>(FLink->CurrentPage());
}

TParamPage* TForm1::FlaggedPage(int number) const {
    return dynamic_cast<TParamPage*>(PageByNumber(number));
}

bool TForm1::PhoneNumbersValid() const {
    if (formPhones->AllNumbersValid())
        return true;
    ShowMessage(ShortNumberMessage);
    return false;
}

void TForm1::StartRequest(std::uint8_t code) {
    SetWriteState(csNone);
    RepaintStatusBar();
    FLink->SetMode(code);
}

void TForm1::tbtnReadClick(QObject*) {
    if (!FLink->Exists())
        return;
    if (TParamPage* page = FlaggedPage(SelectedPageNumber()))
        ClearFlags(page);
    // The console's fields are what the operator typed, not values a read
    // brings back: reading with the console in front must not wipe them.
    if (TForm* page = CurrentPage(); page && page != form_Debug)
        ClearPageValues(page);
    StartRequest(rqReadPage);
}

bool TForm1::AnyValueKnown(const std::vector<TParamPage*>& Pages) const {
    for (const TParamPage* page : Pages)
        for (const std::string& name : page->FRefValues.RecordNames())
            if (page->FRefValues.Record(name).Known())
                return true;
    if (Pages.empty())
        return true; // a page without parameters: nothing to say
    ShowMessage(NothingToWrite);
    return false;
}

void TForm1::tbtnWriteClick(QObject*) {
    if (!FLink->Exists())
        return;
    const int number = SelectedPageNumber();
    if (PageByNumber(number) == formPhones && !PhoneNumbersValid())
        return;
    if (TParamPage* page = FlaggedPage(number); page && !AnyValueKnown({page}))
        return;
    if (TParamPage* page = FlaggedPage(number))
        ClearFlags(page);
    if (TForm* page = CurrentPage())
        ResetChangeMarks(page);
    StartRequest(rqWritePage);
}

void TForm1::tbtnReadAllClick(QObject*) {
    if (!FLink->Exists())
        return;
    for (const TPageInfo& row : PageTable())
        if (auto* page = dynamic_cast<TParamPage*>(row.Get(FPages));
            page && row.ReadIn(FGeneration)) {
            ClearFlags(page);
            ClearPageValues(page);
        }
    StartRequest(rqReadAll);
}

void TForm1::tbtnWriteAllClick(QObject*) {
    if (!FLink->Exists())
        return;
    const TPageInfo* phones = PageInfoOf(FPages, formPhones);
    if (phones && phones->WrittenIn(FGeneration) && !PhoneNumbersValid())
        return;
    std::vector<TParamPage*> written;
    for (const TPageInfo& row : PageTable())
        if (auto* page = dynamic_cast<TParamPage*>(row.Get(FPages));
            page && row.WrittenIn(FGeneration))
            written.push_back(page);
    if (!AnyValueKnown(written))
        return;
    for (const TPageInfo& row : PageTable())
        if (auto* page = dynamic_cast<TParamPage*>(row.Get(FPages));
            page && row.WrittenIn(FGeneration)) {
            ClearFlags(page);
            ResetChangeMarks(page);
        }
    StartRequest(rqWriteAll);
}

void TForm1::tbtnDefaultClick(QObject*) {
    if (TForm* page = CurrentPage())
        SetPageDefaults(page);
}

std::string TForm1::DefaultsQuestion() const {
    int fromUnit = 0, fromFile = 0, byOperator = 0;
    for (const TParamPage* page : ParameterPages(FPages))
        for (const std::string& name : page->FRefValues.RecordNames()) {
            if (ShowsDefault(page->FindComponent(name)))
                continue;
            switch (page->FRefValues.Record(name).Source) {
            case TValueSource::Unit:
                ++fromUnit;
                break;
            case TValueSource::File:
                ++fromFile;
                break;
            case TValueSource::Operator:
                ++byOperator;
                break;
            default:
                break;
            }
        }
    if (fromUnit + fromFile + byOperator == 0)
        return {};
    std::string text = "Значения по умолчанию заменят на всех страницах:";
    const auto line = [&](int count, const char* what) {
        if (count > 0)
            text += "\n• " + std::string(what) + ": " + std::to_string(count);
    };
    line(fromUnit, "прочитанные из блока");
    line(fromFile, "загруженные из файла");
    line(byOperator, "введённые вручную");
    return text + "\nЗаменить?";
}

bool TForm1::AskBeforeDefaults(const std::string& Question) {
    QMessageBox box(QMessageBox::Question, QStr(Caption()), QStr(Question),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.button(QMessageBox::Ok)->setText("Заменить");
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void TForm1::N2Click(QObject*) {
    // Values the unit gave, a set brought or the operator typed are not
    // thrown away by a slip beside "Проверять запись".
    if (const std::string question = DefaultsQuestion();
        !question.empty() && !ConfirmDefaults(question))
        return;
    for (TParamPage* page : ParameterPages(FPages))
        SetPageDefaults(page);
}
