#pragma once
// The window's part in the journal of units written. The device hands over
// the summary of every write that reached the unit from the link thread
// (Receiver: it only keeps it, under a lock); the GUI thread appends them
// (Flush), adding what only the window knows: the set last loaded.
//
// Threading: Receiver's function and Pending from any thread; the rest on
// the GUI thread.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/WriteSummary.h"

class TWindowJournal {
public:
    TWindowJournal();

    // What the device calls at the end of a write (TDevOrbelin::SetWriteEnded).
    std::function<void(TWriteSummary)> Receiver() const;
    // A write has been handed over and not yet appended.
    bool Pending() const;
    // The set file the operator loaded for the unit connected (or to be
    // connected next); the values written came from it (or were changed
    // since). Empty: none.
    void SetSetFile(const std::string& FileName) { FSetFile = FileName; }
    // Appends what was handed over to the journal in the program's folder.
    // A record that cannot be appended is lost: EFileError names the file
    // and the unit once the rest are in.
    void Flush();

private:
    struct TInbox {
        std::mutex Lock;
        std::vector<TWriteSummary> Writes;
        std::atomic<bool> Pending{false};
    };
    // Shared with the receiver, which may outlive this object in the device.
    std::shared_ptr<TInbox> FInbox;
    std::string FSetFile;
};
