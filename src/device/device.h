#pragma once
// TDevice: the unit as the link thread and the main window see it. The link
// thread hands it the pending request code on every pass of its loop; the one
// implementation is TDevOrbelin (DevOrbelin.h).
//
// Threading: Dispatch runs in the link thread only. The current page is set by
// the GUI thread and read by the link thread, so it is an atomic.

#include <atomic>
#include <cstdint>

#include "OutElement.h"

class TDevice {
public:
    // The request codes a link thread's Mode carries. Codes 2, 7, 15 and 16
    // are not requests: Dispatch leaves them pending.
    static constexpr std::uint8_t rqIdle = 0;
    static constexpr std::uint8_t rqConnect = 1;
    static constexpr std::uint8_t rqReadPage = 3;
    static constexpr std::uint8_t rqWritePage = 4;
    static constexpr std::uint8_t rqReadAll = 5;
    static constexpr std::uint8_t rqWriteAll = 6;
    static constexpr std::uint8_t rqReadRecordAt = 8;
    static constexpr std::uint8_t rqReadBlock = 9;
    static constexpr std::uint8_t rqReadNextRecord = 10;
    static constexpr std::uint8_t rqReadPointer = 11;
    static constexpr std::uint8_t rqReadAddPointer = 12;
    static constexpr std::uint8_t rqWritePointer = 13;
    static constexpr std::uint8_t rqWriteAddPointer = 14;
    static constexpr std::uint8_t rqErase = 17;
    static constexpr std::uint8_t rqDebugRead = 18;
    static constexpr std::uint8_t rqDebugWrite = 19;
    static constexpr std::uint8_t rqWriteRecord = 20;
    static constexpr std::uint8_t rqGPSRestart = 21;
    static constexpr std::uint8_t rqSetOutputs = 22;
    static constexpr std::uint8_t rqReadParam = 23;
    static constexpr std::uint8_t rqWriteParam = 24;
    static constexpr std::uint8_t rqResetFlags = 25;

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
