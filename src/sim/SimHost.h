#pragma once
// The stand-alone simulator as orbelin-sim runs it: the simulator made from
// the command line, the link to its port, and the control commands that
// rebuild and steer it while it runs (they arrive on a TSimControl line).
//
// One command per line; each answers one line: "ok", "ok DATA" or "error WHY".
//   reset [OPTIONS]  a fresh simulator on a new pseudo-terminal behind the same
//                    link, made from the command line plus OPTIONS (the
//                    simulator's own options, such as --fault=no-answer,cmd=+g
//                    or --modem=guard=5; a blank inside a value is \x20)
//   send BYTES       the rest of the line, escapes decoded, to the program now
//   drop             the line drops now
//   hold on|off      stop or resume reading the line
//   commands         "ok N", then a TAB before each unit command received
//   modem-lines      the same for the modem's command lines
//   received [N MS]  with --raw, what arrived since last asked, in hexadecimal;
//                    with N and MS, after waiting up to MS ms for N bytes
//   line             the program's line settings, e.g. "ok 19200 8N1"
// and the unit's own settings and records, as a test in the simulator's
// process reaches them through TSimUnit:
//   fault KIND,...   one more fault, as --fault takes it
//   clear-faults     no faults
//   set KEY VALUE    a stored value (escapes as for send; \x20 for a blank)
//   value KEY        "ok HEX": the stored value's bytes
//   reset-store      every value back to the unit's defaults
//   revision N       the firmware revision
//   version [TEXT]   what "+v" answers (escapes as for send); without TEXT,
//                    the revision's own answer
//   commit-fails on|off
//   reply-delay MS   every reply this long after its command
//   counts           "ok COMMANDS COMMITS"
//   clear-commands   forget the commands received so far
//   wait-commands N MS  "ok 1" once N commands came, "ok 0" when MS passed first
// Received bytes are shown as ReadableBytes does (so never a bare TAB).
//
// Threading: every method may be called from any thread; control commands
// are carried out one at a time.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimLink.h"
#include "sim/Simulator.h"

class TSimHost {
public:
    // Args are the command line after the program name; it must parse (the
    // caller reports errors). Trace and OnLineDropped go to every simulator
    // made. Throws std::runtime_error when the simulator or its link cannot be
    // made.
    TSimHost(std::vector<std::string> args, TSimTrace trace, std::function<void()> onLineDropped);
    ~TSimHost();
    TSimHost(const TSimHost&) = delete;
    TSimHost& operator=(const TSimHost&) = delete;

    std::string SlavePath() const;
    // "unit revision 41 (generation 0)", with the modem and the link if any.
    std::string Describe() const;
    // Carries out one control command and returns its reply line (no line end).
    std::string Control(const std::string& line);

private:
    std::string Reset(const std::string& options);
    std::string Received(const std::string& wait);
    std::string UnitControl(const std::string& verb, const std::string& rest);
    void Start(const std::vector<std::string>& args);

    mutable std::mutex FMutex;
    const std::vector<std::string> FArgs;
    const TSimTrace FTrace;
    const std::function<void()> FOnLineDropped;
    std::string FLinkPath;
    std::unique_ptr<TSimulator> FSim;
    std::optional<TSimLink> FLink;
};
