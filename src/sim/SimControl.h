#pragma once
// A control line: a pseudo-terminal of its own on which each line of text
// (ended by LF; a CR before it is dropped) is one command, answered by one
// line (the handler's reply and LF). A test program reaches it like any
// serial port, so it also works for a program under wine through a COM port
// linked to SlavePath(). A line longer than MaxLine is answered with an error
// and discarded.
//
// Threading: the handler runs on the control line's own serving thread, one
// command at a time. The object belongs to one owner.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "sim/Pty.h"

class TThread;

class TSimControl {
public:
    using THandler = std::function<std::string(const std::string& line)>;
    static constexpr std::size_t MaxLine = 1 << 20;

    explicit TSimControl(THandler handler); // throws std::runtime_error
    ~TSimControl();
    TSimControl(const TSimControl&) = delete;
    TSimControl& operator=(const TSimControl&) = delete;

    const std::string& SlavePath() const { return FPty.SlavePath(); }

private:
    class TServeThread;

    void Serve(const TThread& self);
    // Writes all of Text to the master; false when the serving thread is to stop.
    bool Reply(const TThread& self, const std::string& text);

    TPty FPty;
    THandler FHandler;
    int FWakeRead = -1;
    int FWakeWrite = -1;
    std::unique_ptr<TServeThread> FThread;
};
