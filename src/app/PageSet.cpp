#include "PageSet.h"

#include "f_Debug.h"
#include "f_GPRS.h"
#include "f_GPS.h"
#include "f_Records.h"
#include "f_accum.h"
#include "f_common.h"
#include "f_flags.h"
#include "f_inout.h"
#include "f_phones.h"

TDevicePages CreateSettingsPages(TForm* Owner, QWidget* Parent) {
    TDevicePages pages;
    pages.formAcc = new TformAcc(Owner, Parent);
    pages.formGPRS = new TformGPRS(Owner, Parent);
    pages.formInOut = new TformInOut(Owner, Parent);
    pages.formGPS = new TformGPS(Owner, Parent);
    pages.formRecords = new TformRecords(Owner, Parent);
    pages.formPhones = new TformPhones(Owner, Parent);
    pages.formFlags = new TformFlags(Owner, Parent);
    pages.form_Debug = new Tform_Debug(Owner, Parent);
    pages.formCommon = new TformCommon(Owner, Parent);
    return pages;
}

void ShowGenerationOnPages(const TDevicePages& Pages, std::int32_t Generation,
                           std::int32_t Revision) {
    struct TShown {
        bool Phones, Flags, Battery, GPS, FullInOut;
    };
    TShown shown{};
    switch (Generation) {
    case 0:
        shown = {true, true, true, true, true};
        break;
    case 1:
        shown = {false, false, false, false, false};
        Revision = 41;
        break;
    case 2:
        shown = {false, true, true, false, true};
        Revision = 41;
        break;
    default:
        return;
    }
    Pages.formPhones->SetContentVisible(shown.Phones);
    Pages.formFlags->SetContentVisible(shown.Flags);
    Pages.formAcc->SetContentVisible(shown.Battery);
    Pages.formGPS->SetContentVisible(shown.GPS);
    Pages.formInOut->ApplyGeneration(shown.FullInOut, Revision);
}
