#pragma once
// The windows the device object works on besides the current page: every
// settings page (the read-all and write-all walks, the GPS restart, the flags
// reset, the outputs, the console and the records page) and the status bar
// panel that shows how far a walk has got. The main window fills one of these
// once it has created its pages.
//
// Threading: filled on the GUI thread before the first link thread starts,
// read-only afterwards. The device reads the pages' controls through their
// thread-safe snapshots only.

#include "queue/OutElement.h"

class TformAcc;
class TformCommon;
class TformFlags;
class TformGPRS;
class TformGPS;
class TformInOut;
class TformPhones;
class TformRecords;
class Tform_Debug;

struct TDevicePages {
    TformCommon* formCommon = nullptr;
    TformGPRS* formGPRS = nullptr;
    TformGPS* formGPS = nullptr;
    TformAcc* formAcc = nullptr;
    TformInOut* formInOut = nullptr;
    TformFlags* formFlags = nullptr;
    TformPhones* formPhones = nullptr;
    TformRecords* formRecords = nullptr;
    Tform_Debug* form_Debug = nullptr;
    TControlRef StatusPanel4 = nullptr; // the status bar's free panel: walk progress
};
