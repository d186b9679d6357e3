#include "device/PageTable.h"

#include "device/ParamForm.h"
#include "device/ParamTable.h"

#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_Records.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"

namespace {

// The two functions of a row that reach its member of TDevicePages.
template <class TPage, TPage* TDevicePages::*Member> struct TSlot {
    static TSettingsPage* Get(const TDevicePages& Pages) { return Pages.*Member; }
    static void Create(TDevicePages& Pages, TForm* Owner, QWidget* Parent) {
        Pages.*Member = new TPage(Owner, Parent);
    }
};

template <class TPage, TPage* TDevicePages::*Member>
constexpr TPageInfo Row(int Number, const char* TreeCaption, bool ByGeneration) {
    return {Number, TreeCaption, ByGeneration, &TSlot<TPage, Member>::Get,
            &TSlot<TPage, Member>::Create};
}

// Number, tree caption, whether its content follows the generation.
constexpr std::array<TPageInfo, 9> Table = {
    Row<TformCommon, &TDevicePages::formCommon>(1, "Общие установки", false),
    Row<TformGPRS, &TDevicePages::formGPRS>(3, "GPRS", false),
    Row<TformGPS, &TDevicePages::formGPS>(9, "GPS", true),
    Row<TformAcc, &TDevicePages::formAcc>(2, "Аккумулятор", true),
    Row<TformInOut, &TDevicePages::formInOut>(7, "Входы, выходы", false),
    Row<TformFlags, &TDevicePages::formFlags>(8, "Флаги", true),
    Row<TformPhones, &TDevicePages::formPhones>(6, "Инженерные номера", true),
    Row<Tform_Debug, &TDevicePages::form_Debug>(5, "Отладка", false),
    Row<TformRecords, &TDevicePages::formRecords>(4, nullptr, false),
};

} // namespace

bool TPageInfo::ReadIn(int Generation) const {
    return PageReadSteps(Number, GenerationIndex(Generation)) > 0;
}

bool TPageInfo::WrittenIn(int Generation) const {
    return PageWriteSteps(Number, GenerationIndex(Generation)) > 0;
}

bool TPageInfo::EmptyIn(int Generation) const {
    return ByGeneration && !ReadIn(Generation);
}

bool TPageInfo::InReadAll() const {
    for (int g = 0; g < GenerationCount; ++g)
        if (ReadIn(g))
            return true;
    return false;
}

bool TPageInfo::InWriteAll() const {
    for (int g = 0; g < GenerationCount; ++g)
        if (WrittenIn(g))
            return true;
    return false;
}

std::span<const TPageInfo> PageTable() {
    return Table;
}

const TPageInfo* PageInfoByNumber(int Number) {
    for (const TPageInfo& row : Table)
        if (row.Number == Number)
            return &row;
    return nullptr;
}

const TPageInfo* PageInfoOf(const TDevicePages& Pages, const QObject* Page) {
    if (!Page)
        return nullptr;
    for (const TPageInfo& row : Table)
        if (row.Get(Pages) == Page)
            return &row;
    return nullptr;
}

int GenerationIndex(int Generation) {
    return Generation >= 0 && Generation < GenerationCount ? Generation : 0;
}

int ReadAllSteps(int Generation) {
    int total = 0;
    for (const TPageInfo& row : Table)
        total += PageReadSteps(row.Number, GenerationIndex(Generation));
    return total;
}

int WriteAllSteps(int Generation) {
    int total = 0;
    for (const TPageInfo& row : Table)
        total += PageWriteSteps(row.Number, GenerationIndex(Generation));
    return total;
}

std::string PageCaption(const TParamPage& Page, int Number) {
    const TPageInfo* info = PageInfoByNumber(Number);
    return info && info->TreeCaption ? info->TreeCaption : Page.Name();
}

std::string ParamCaptionOf(const TParamPage& Page, const std::string& Control) {
    const std::string caption = ShortCaption(Page.ParamCaption(Control));
    return caption.empty() ? Control : caption;
}

std::string ParamPlace(const TParamPage& Page, int Number, const std::string& Control) {
    return PageCaption(Page, Number) + ": " + ParamCaptionOf(Page, Control);
}

std::vector<TParamPage*> ParameterPages(const TDevicePages& Pages) {
    std::vector<TParamPage*> pages;
    for (const TPageInfo& row : Table)
        if (auto* page = dynamic_cast<TParamPage*>(row.Get(Pages)))
            pages.push_back(page);
    return pages;
}

TDevicePages CreateSettingsPages(TForm* Owner, QWidget* Parent, const TPageServices* Services) {
    TDevicePages pages;
    for (const TPageInfo& row : Table) {
        row.Create(pages, Owner, Parent);
        row.Get(pages)->SetServices(Services);
    }
    return pages;
}

void ShowGenerationOnPages(const TDevicePages& Pages, std::int32_t Generation,
                           std::int32_t Revision) {
    if (Generation < 0 || Generation >= GenerationCount)
        return;
    for (const TPageInfo& row : Table)
        if (TSettingsPage* page = row.Get(Pages); page && row.ByGeneration)
            page->SetContentVisible(!row.EmptyIn(Generation));
    // The older generations have the short inputs/outputs page whatever
    // their revision says.
    if (Pages.formInOut)
        Pages.formInOut->ApplyGeneration(Generation != 1, Generation == 0 ? Revision : 41);
}
