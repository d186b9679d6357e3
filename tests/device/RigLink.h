#pragma once
// The link thread of TPagesRig, behind a header of its own: the link
// thread's declaration and the pages' controls do not meet in one file.

#include <cstdint>
#include <memory>
#include <string>

#include "OutArray.h"
#include "UiTargets.h"

class TDevOrbelin;
class TModem;

class TRigLink {
public:
    TRigLink();
    ~TRigLink();
    TRigLink(const TRigLink&) = delete;
    TRigLink& operator=(const TRigLink&) = delete;

    // A new link thread to Port for Device, handed to it and resumed.
    void Start(const std::string& Port, TOutArray& Out, TDevOrbelin& Device,
               const TUiTargets& Targets, double Scale);
    // Terminates the link thread and waits for it.
    void Stop();
    bool Exists() const { return FLink != nullptr; }
    bool Ended() const;
    std::uint8_t Mode() const;
    void SetMode(std::uint8_t Code);

private:
    std::unique_ptr<TModem> FLink;
};
