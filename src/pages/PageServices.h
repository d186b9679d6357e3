#pragma once
// What the pages need from the layers above them, installed by the main
// window at start-up: a way to hand a request code to the link thread, and
// the parameter descriptions for the hint window.
//
// Threading: installed and used on the GUI thread only.

#include <cstdint>
#include <functional>
#include <string>

struct TPageServices {
    // Sets the link thread's pending request; returns false and does nothing
    // when no link thread exists.
    std::function<bool(std::uint8_t Code)> PostRequest;
    // The description of a parameter number; empty when there is none.
    std::function<std::string(int Parameter)> Describe;
};

void SetPageServices(TPageServices Services);
const TPageServices& PageServices();

// Posts through the installed services; false when nothing was posted.
bool PostPageRequest(std::uint8_t Code);

// Posts a request that needs some state in place before the link thread may
// see it: Prepare runs first, and Undo runs when nothing could be posted (no
// link thread exists then, so nobody saw the prepared state).
bool PostPreparedRequest(std::uint8_t Code, const std::function<void()>& Prepare,
                         const std::function<void()>& Undo);

std::string DescribeParameter(int Parameter);
