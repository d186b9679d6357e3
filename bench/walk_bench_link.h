#pragma once
// walk_bench's link thread, in a unit of its own: the link thread's
// declaration and the pages' controls do not meet in one file.

#include <cstdint>
#include <memory>
#include <string>

#include "OutArray.h"
#include "UiTargets.h"

class TDevOrbelin;
class TModem;

class TBenchLink {
public:
    // A link thread to Port for Device, handed to it and resumed.
    TBenchLink(const std::string& Port, TOutArray& Out, TDevOrbelin& Device,
               const TUiTargets& Targets);
    ~TBenchLink(); // terminates the thread and waits for it
    TBenchLink(const TBenchLink&) = delete;
    TBenchLink& operator=(const TBenchLink&) = delete;

    bool Ended() const;
    std::uint8_t Mode() const;
    void SetMode(std::uint8_t Code);

private:
    std::unique_ptr<TModem> FLink;
};
