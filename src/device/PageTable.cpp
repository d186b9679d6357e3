#include "device/PageTable.h"

#include <algorithm>

#include "params/ParamForm.h"
#include "params/ParamTable.h"
#include "toolkit/TextUtil.h"

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
    Row<TformCommon, &TDevicePages::formCommon>(pgCommon, "Общие установки", false),
    Row<TformGPRS, &TDevicePages::formGPRS>(pgGPRS, "GPRS", false),
    Row<TformGPS, &TDevicePages::formGPS>(pgGPS, "GPS", true),
    Row<TformAcc, &TDevicePages::formAcc>(pgAcc, "Аккумулятор", true),
    Row<TformInOut, &TDevicePages::formInOut>(pgInOut, "Входы, выходы", false),
    Row<TformFlags, &TDevicePages::formFlags>(pgFlags, "Флаги", true),
    Row<TformPhones, &TDevicePages::formPhones>(pgPhones, "Инженерные номера", true),
    Row<Tform_Debug, &TDevicePages::form_Debug>(pgDebug, "Отладка", false),
    Row<TformRecords, &TDevicePages::formRecords>(pgRecords, nullptr, false),
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

std::string TParamWords::Text() const {
    return Page.empty() ? Caption : Page + " › " + Caption;
}

TParamWords ParamWords(const TParamPage& Page, int PageNumber, const std::string& Control) {
    const TPageInfo* info = PageInfoByNumber(PageNumber);
    TParamWords words{info && info->TreeCaption ? info->TreeCaption : std::string(),
                      ShortCaption(Page.ParamCaption(Control))};
    if (words.Caption.empty())
        if (const TParamDef* row = ParamOfControl(PageNumber, Control);
            row && !row->LampNames().empty())
            if (const auto* lamp = Page.Find<TLabel>(row->LampNames().front()))
                words.Caption = ShortCaption(lamp->Caption());
    if (words.Caption.empty())
        words.Caption = Control;
    return words;
}

TParamWords ParamWords(const TDevicePages& Pages, const std::string& PageName,
                       const std::string& Control) {
    for (const TPageInfo& row : Table)
        if (const auto* page = dynamic_cast<const TParamPage*>(row.Get(Pages));
            page && SameTextAscii(page->Name(), PageName))
            return ParamWords(*page, row.Number, Control);
    return {{}, Control};
}

TParamWords RowWords(const TParamPage& Page, const TParamDef& Row, std::size_t Lamp) {
    const auto lamps = Row.LampNames();
    const auto controls = Row.ControlNames();
    if (controls.empty())
        return {};
    // A lamp of one control, or the one lamp of a row, is named by that
    // control; one of several controls' lamps by its own caption.
    if (lamps.size() <= 1 || lamps.size() == controls.size())
        return ParamWords(Page, Row.Page, controls[lamps.size() <= 1 ? 0 : Lamp]);
    const TPageInfo* info = PageInfoByNumber(Row.Page);
    const auto* label = Page.Find<TLabel>(lamps[std::min(Lamp, lamps.size() - 1)]);
    const std::string caption = label ? ShortCaption(label->Caption()) : std::string();
    return {info && info->TreeCaption ? info->TreeCaption : std::string(),
            caption.empty() ? controls.front() : caption};
}

TParamWords LampWords(const TDevicePages& Pages, const TLabel& Lamp) {
    const TComponentInfo* lamp = ComponentInfoOf(&Lamp);
    const TPageInfo* info = lamp ? PageInfoOf(Pages, lamp->Owner()) : nullptr;
    return {info && info->TreeCaption ? info->TreeCaption : std::string(),
            TrimBlanks(Lamp.Caption())};
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
