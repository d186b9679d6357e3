// TForm1's commands: connect and disconnect, read and write of the current
// page or of all pages, and the default values.

#include "ConnectDlg.h"
#include "MainForm.h"
#include "PageOps.h"
#include "Protocol.h"
#include "SplashDlg.h"
#include "f_Debug.h"
#include "f_GPRS.h"
#include "f_GPS.h"
#include "f_accum.h"
#include "f_common.h"
#include "f_inout.h"
#include "f_phones.h"

namespace {
const char* const ShortNumberMessage = "ОШИБКА! Не достаточно цифр в номере!";

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
}

void TForm1::mnuConnectClick(QObject*) {
    if (dlgConnect->ShowModal() == mrOk)
        ConnectAsChosen();
}

bool TForm1::ConnectAsChosen() {
    const std::string port = dlgConnect->ComPorts->Text();
    const std::string phone = dlgConnect->Phones->Text();
    StatusBar1->Panel(0)->SetText(port);
    StatusBar1->Panel(1)->SetText(phone);
    FLink->Start(port, phone, dlgConnect->cbRegWait->Checked());

    if (dlgSplash->ShowModal() != mrOk) {
        FLink->End();
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
    FLink->End();
    SetConnectedState(false);
}

TForm* TForm1::CurrentPage() const {
    return dynamic_cast<TForm*>(FLink->CurrentPage());
}

TParamPage* TForm1::FlaggedPage(int number) const {
    switch (number) {
    case 1:
        return formCommon;
    case 2:
        return formAcc;
    case 3:
        return formGPRS;
    case 6:
        return formPhones;
    case 7:
        return formInOut;
    case 9:
        return formGPS;
    default:
        return nullptr;
    }
}

bool TForm1::PhoneNumbersValid() const {
    if (formPhones->AllNumbersValid())
        return true;
    ShowMessage(ShortNumberMessage);
    return false;
}

void TForm1::StartRequest(std::uint8_t code) {
    SetWriteState(0);
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

void TForm1::tbtnWriteClick(QObject*) {
    if (!FLink->Exists())
        return;
    const int number = SelectedPageNumber();
    if (number == 6 && !PhoneNumbersValid())
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
    auto prepare = [](TParamPage* page) {
        ClearFlags(page);
        ClearPageValues(page);
    };
    for (TParamPage* page : std::initializer_list<TParamPage*>{formCommon, formGPRS, formInOut})
        prepare(page);
    if (FGeneration == 0) {
        prepare(formGPS);
        prepare(formPhones);
    }
    if (FGeneration != 1)
        prepare(formAcc);
    StartRequest(rqReadAll);
}

void TForm1::tbtnWriteAllClick(QObject*) {
    if (!FLink->Exists())
        return;
    if (FGeneration == 0) {
        if (!PhoneNumbersValid())
            return;
        for (TParamPage* page : std::initializer_list<TParamPage*>{formGPS, formPhones}) {
            ClearFlags(page);
            ResetChangeMarks(page);
        }
    }
    for (TParamPage* page : std::initializer_list<TParamPage*>{formCommon, formGPRS, formInOut}) {
        ResetChangeMarks(page);
        ClearFlags(page);
    }
    if (FGeneration != 1) {
        ClearFlags(formAcc);
        ResetChangeMarks(formAcc);
    }
    StartRequest(rqWriteAll);
}

void TForm1::tbtnDefaultClick(QObject*) {
    if (TForm* page = CurrentPage())
        SetPageDefaults(page);
}

void TForm1::N2Click(QObject*) {
    for (TForm* page : std::initializer_list<TForm*>{formCommon, formGPRS, formGPS, formInOut,
                                                     formAcc, formPhones})
        SetPageDefaults(page);
}
