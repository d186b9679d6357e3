#pragma once
// The settings pages, one row each, in the order of the window's tree: what
// the tree calls a page and the number its entry carries. Which generations
// have a page's content and how many commands a read or a write of it
// exchanges follow from its parameters (ParamTable.h). The window's tree and page lookup,
// the walks over all pages and their progress, the routing of a page to its
// group routines, what a generation shows and the order of the settings file
// all follow this table; adding a page is one row here and one member of
// TDevicePages.
//
// Which pages hold parameters (their reads and writes mark them, defaults
// and settings files cover them) is the page's type: TParamPage.
//
// Threading: the table is constant. Creating and showing pages is GUI-thread
// work; the link thread only looks rows up.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/DevicePages.h"
#include "params/ParamTable.h"

class QObject;
class QWidget;
class TForm;
class TLabel;
class TParamPage;
struct TParamDef;
struct TPageServices;
class TSettingsPage;

// The unit generations the program tells apart: 0 the full unit, 1 and 2
// the older ones with fewer parameters.
inline constexpr int GenerationCount = 3;

struct TPageInfo {
    int Number;              // carried by the page's tree entry
    const char* TreeCaption; // nullptr: no tree entry, the device shows the page itself
    bool ByGeneration;       // its content is hidden where the generation does not read it
    TSettingsPage* (*Get)(const TDevicePages& Pages);
    void (*Create)(TDevicePages& Pages, TForm* Owner, QWidget* Parent);

    // Units of that generation have the page's content (its parameters,
    // ParamTable.h, say so).
    bool ReadIn(int Generation) const;
    bool WrittenIn(int Generation) const;
    // Units of that generation have none of the page's content: the page
    // says so, and its tree entry is greyed.
    bool EmptyIn(int Generation) const;
    // Read or written by the walks over all pages (in some generation).
    bool InReadAll() const;
    bool InWriteAll() const;
};

std::span<const TPageInfo> PageTable();

// The row of a page number, or of one of the pages in Pages; nullptr for any
// other.
const TPageInfo* PageInfoByNumber(int Number);
const TPageInfo* PageInfoOf(const TDevicePages& Pages, const QObject* Page);

// Generations outside the known ones count as the full unit.
int GenerationIndex(int Generation);

// Parameters a walk over all pages exchanges with a unit of this generation.
int ReadAllSteps(int Generation);
int WriteAllSteps(int Generation);

// The parameter pages in table order: the order of their sections in a
// settings file.
std::vector<TParamPage*> ParameterPages(const TDevicePages& Pages);

// Creates every page, owned by Owner, in table order, each given Services
// (none: the pages post nothing). StatusPanel4 is left empty.
TDevicePages CreateSettingsPages(TForm* Owner, QWidget* Parent,
                                 const TPageServices* Services = nullptr);

// What the window calls a parameter: its page's entry in the tree and the
// caption of its control on that page (the examples in brackets left out),
// as orbelin-batch columns lists them. Two controls of one row are told
// apart ("Вход 1: срабатывание"). A control without a caption of its own is
// named by its lamp; only a control the pages do not have keeps its name.
struct TParamWords {
    std::string Page, Caption;
    // "Общие установки › Номер объекта": how messages, summaries and the
    // journal name it.
    std::string Text() const;
};
TParamWords ParamWords(const TDevicePages& Pages, const std::string& PageName,
                       const std::string& Control);
TParamWords ParamWords(const TParamPage& Page, int PageNumber, const std::string& Control);
// A row of the parameter table, or the part of it its Lamp-th lamp stands
// for: a row of one lamp, or of a lamp per control, by that control; a lamp
// over several controls (a mask's) by the lamp's own caption.
TParamWords RowWords(const TParamPage& Page, const TParamDef& Row, std::size_t Lamp = 0);
// A lamp that stands for no parameter (a state row's part, an action's) as
// the operator knows it: its page's entry in the tree and its whole caption,
// as the brackets are what tell the event flags' two rows apart.
TParamWords LampWords(const TDevicePages& Pages, const TLabel& Lamp);

// Shows and hides the page content a unit of this generation has no use
// for; Revision is the firmware revision the inputs/outputs page adapts to.
// Other generations change nothing.
void ShowGenerationOnPages(const TDevicePages& Pages, std::int32_t Generation,
                           std::int32_t Revision);
