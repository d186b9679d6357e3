#pragma once
// What the pages need from the layers above them: a way to hand a request
// code to the link thread, and the parameter descriptions for the hint
// window. The main window owns one and hands it to its pages as it creates
// them; a page without services posts nothing and describes nothing.
//
// Threading: used on the GUI thread only.

#include <cstdint>
#include <functional>
#include <string>

struct TPageServices {
    // Sets the link thread's pending request; returns false and does nothing
    // when no link thread exists.
    std::function<bool(std::uint8_t Code)> PostRequest;
    // The description of a parameter number; empty when there is none.
    std::function<std::string(int Parameter)> Describe;

    // False when nothing was posted.
    bool Post(std::uint8_t Code) const;
    // Posts a request that needs some state in place before the link thread
    // may see it: Prepare runs first, and Undo runs when nothing could be
    // posted (no link thread exists then, so nobody saw the prepared state).
    bool PostPrepared(std::uint8_t Code, const std::function<void()>& Prepare,
                      const std::function<void()>& Undo) const;
    std::string DescribeParameter(int Parameter) const;
};
