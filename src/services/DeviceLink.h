#pragma once
// The device object and the current link thread, as the main window drives
// them: one TDevOrbelin for the life of the window, and for each connection
// a new TModem, handed to the device before it starts and always terminated
// and waited for before it is dropped. At most one link thread exists.
//
// Kept apart from the window's own code so that the window needs neither
// the serial layer's nor the link layer's headers.
//
// Threading: GUI thread. Mode and the current page are shared with the link
// thread through their atomics.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "device/DevicePages.h"
#include "device/WriteSummary.h"
#include "queue/OutArray.h"

class TDevOrbelin;
class TModem;

class TDeviceLink {
public:
    // The device and its link threads post to Out: what the operator is
    // told, the control texts of the pages, and their events.
    explicit TDeviceLink(TOutArray& Out);
    ~TDeviceLink(); // ends the link thread
    TDeviceLink(const TDeviceLink&) = delete;
    TDeviceLink& operator=(const TDeviceLink&) = delete;

    // Creates a link thread for the port (and phone number, empty for a
    // cable), hands it to the device and resumes it. Ends a previous one first.
    void Start(const std::string& Port, const std::string& Phone, bool WaitReg);
    // The pages the device works on besides the current one; before the
    // first Start.
    void SetPages(const TDevicePages& Pages);
    // Who is told of every write that reached the unit (in the link thread;
    // see TDevOrbelin::SetWriteEnded); before the first Start.
    void SetWriteEnded(std::function<void(TWriteSummary)> WriteEnded);
    // Terminates the link thread, waits for it and drops it; never fails.
    // InTime, for a program being stopped: the hang-up of a data call is
    // bounded (it still sends "+++" and "ATH"), so that End takes at most
    // about EndLimit().
    void End(bool InTime = false);
    // How long an End in time may take beyond the link thread's own prompt
    // end: the bounded hang-up when the link was made by phone, else nothing.
    std::chrono::milliseconds EndLimit() const;

    bool Exists() const { return FLinkThread != nullptr; }
    // The link thread has been told to stop, or has stopped.
    bool Ending() const;
    // The pending request code; setting it without a link thread does nothing.
    std::uint8_t Mode() const;
    void SetMode(std::uint8_t Code);

    // The device's firmware revision from the last version check (41 before any).
    std::int32_t Revision() const;
    // Writes are read back and compared before they are committed.
    void SetVerifyWrites(bool On);
    bool VerifyWrites() const;
    // The device, for what it knows of the request under way (progress,
    // the handshake, the version).
    const TDevOrbelin& Device() const { return *FDevice; }
    TControlRef CurrentPage() const;
    void SetCurrentPage(TControlRef Page);

    // Every link thread started from now on runs its pauses and timeouts
    // multiplied by Scale, its waits for an answer by ReplyScale when given
    // (tests only; see TModem).
    void SetTimeScaleForTests(double Scale, double ReplyScale = 0) {
        FTimeScale = Scale;
        FReplyScale = ReplyScale;
    }

private:
    TOutArray& FOut;
    std::unique_ptr<TDevOrbelin> FDevice;
    std::unique_ptr<TModem> FLinkThread;
    double FTimeScale = 1.0;
    double FReplyScale = 0;
};
