#pragma once
// The settings pages as the window and orbelin-batch both build them, and
// what a unit's generation shows of them. One place for both, so that the
// batch works on exactly the pages (names, defaults, limits) the window saves
// its parameter sets from.
//
// Threading: GUI thread.

#include <cstdint>

#include "DevicePages.h"

class QWidget;
class TForm;

// Creates every page, owned by Owner, in the window's creation order (the
// order of its component list). StatusPanel4 is left empty.
TDevicePages CreateSettingsPages(TForm* Owner, QWidget* Parent);

// Shows and hides the page content a unit of this generation has no use
// for; Revision is the firmware revision the inputs/outputs page adapts to.
// Other generations change nothing.
void ShowGenerationOnPages(const TDevicePages& Pages, std::int32_t Generation,
                           std::int32_t Revision);
