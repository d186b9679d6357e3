#pragma once
// What the window, the pages and the link thread agree on, in one place and
// without Qt: the request codes a link thread's Mode carries, the device
// interface the link thread hands them to, and the command words a control
// text element carries through the UI-update queue.
//
// Threading: TDevice::Dispatch runs in the link thread only. The current page
// is set by the GUI thread and read by the link thread, so it is an atomic.

#include <atomic>
#include <cstdint>
#include <string>

#include "queue/OutElement.h"

// Request codes. Codes 2, 7, 15 and 16 are not requests: Dispatch leaves
// them pending.
constexpr std::uint8_t rqIdle = 0;
constexpr std::uint8_t rqConnect = 1;
constexpr std::uint8_t rqReadPage = 3;
constexpr std::uint8_t rqWritePage = 4;
constexpr std::uint8_t rqReadAll = 5;
constexpr std::uint8_t rqWriteAll = 6;
constexpr std::uint8_t rqReadRecordAt = 8;
constexpr std::uint8_t rqReadBlock = 9;
constexpr std::uint8_t rqReadNextRecord = 10;
constexpr std::uint8_t rqReadPointer = 11;
constexpr std::uint8_t rqReadAddPointer = 12;
constexpr std::uint8_t rqWritePointer = 13;
constexpr std::uint8_t rqWriteAddPointer = 14;
constexpr std::uint8_t rqErase = 17;
constexpr std::uint8_t rqDebugRead = 18;
constexpr std::uint8_t rqDebugWrite = 19;
constexpr std::uint8_t rqWriteRecord = 20;
constexpr std::uint8_t rqGPSRestart = 21;
constexpr std::uint8_t rqSetOutputs = 22;
constexpr std::uint8_t rqReadParam = 23;
constexpr std::uint8_t rqWriteParam = 24;
constexpr std::uint8_t rqResetFlags = 25;

// The words a control text element may carry besides a value: the state of
// a check box or radio button (also how pages keep it as text), a button's
// click, a form's show, a label's repaint, an inputs page's flag mode.
namespace QueueWord {
inline constexpr const char* True = "true";
inline constexpr const char* False = "false";
inline constexpr const char* Click = "Click";
inline constexpr const char* Show = "Show";
inline constexpr const char* Repaint = "Repaint12345";
inline constexpr const char* FlagsOn = "mode1";
inline constexpr const char* FlagsOff = "mode2";

inline const char* Bool(bool On) {
    return On ? True : False;
}
} // namespace QueueWord

// TDevice: the unit as the link thread and the main window see it. The link
// thread hands it the pending request code on every pass of its loop; the one
// implementation is TDevOrbelin.
class TDevice {
public:
    TDevice() = default;
    virtual ~TDevice() = default;
    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;

    // The settings page that page reads and writes work on (not owned).
    TControlRef GetCurrentPage() const { return FCurrentPage.load(std::memory_order_acquire); }
    void SetCurrentPage(TControlRef Page) { FCurrentPage.store(Page, std::memory_order_release); }

    // Carries out one request of the link thread, in the link thread, and
    // resets the link thread's Mode afterwards where the request calls for it.
    virtual void Dispatch(std::uint8_t Code) = 0;

protected:
    std::atomic<TControlRef> FCurrentPage{nullptr};
};
