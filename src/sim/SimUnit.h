#pragma once
// The simulated unit: answers the command protocol from its parameter store,
// records every command it receives and misbehaves on request.
//
// A command is its text followed by CR (LF bytes are ignored, so a terminal's
// CR LF works). A read answers "+x" CR LF, ">", the value, CR LF, "OK" CR LF;
// a write stores its argument and answers the same way with the new value; an
// action answers "+x" CR LF "OK" CR LF; anything refused answers "ERROR" CR LF.
// With echo on, typed characters are echoed and the "+x" CR LF is left out.
// Replies leave in the order of their commands (a late one holds up the rest).
//
// Generation 1 units have the per-input codes ("+Z0"k, "+z0"k) and refuse the
// masks "+Z"/"+z", "+R", "+Q", "+q", "+K", "+S", "+M", "+m" and "+f";
// generation 2 units refuse "+R", "+Q" and "+f"; generation 0 units refuse
// only the per-input codes. Hexadecimal arguments may have fewer or more
// digits as long as the value fits; "+f01" alone reads number 1.
//
// Threading: every public method may be called from any thread. TSimulator
// creates the unit and feeds it from its serving thread.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimLog.h"
#include "sim/SimStore.h"

using TSimClock = std::chrono::steady_clock;
// Called on the serving thread with what was received ("unit" or "modem" and
// the exact bytes); must not call back into the simulator.
using TSimTrace = std::function<void(std::string_view source, std::string_view bytes)>;

enum class TSimFaultKind {
    NoAnswer,  // the command is swallowed: no reply, no effect
    Error,     // "ERROR" instead of the reply, no effect
    NoOk,      // the reply without its final "OK" CR LF (the command takes effect)
    Late,      // the normal reply, DelayMs after the command
    Garbage,   // Bytes instead of the reply, no effect
    LongLine,  // Size bytes without any CR or LF instead of the reply, no effect
    NoCarrier, // the normal reply, then an unsolicited "NO CARRIER"
    DropLine,  // instead of answering, the line drops (the pseudo-terminal closes)
    Keep,      // a write answered as usual, but the unit keeps its old value
    Clamp,     // a write answered as usual, but the unit keeps Bytes instead
};

// Which commands a fault hits: those whose text begins with Command (or equals
// it when Exact); of those, the first Skip pass untouched, then Count are hit
// (-1: every one from then on). "The 3rd command": Skip 2. "Every +g":
// Command "+g", Count -1.
struct TSimFault {
    TSimFaultKind Kind = TSimFaultKind::NoAnswer;
    std::string Command;
    bool Exact = false;
    int Skip = 0;
    int Count = 1;
    int DelayMs = 6000;                                   // Late
    std::string Bytes = std::string("\0\xFF\x00\xFF", 4); // Garbage; Clamp: the value kept
    size_t Size = 100 * 1024;                             // LongLine
};

class TSimUnit {
public:
    TSimUnit();
    TSimUnit(const TSimUnit&) = delete;
    TSimUnit& operator=(const TSimUnit&) = delete;

    // Firmware revision (default 41). The generation follows it: 18 and below 1,
    // 19 to 36 2, 37 and above 0. Revisions up to 48 commit with "+J", later
    // ones with "+JWRITE"; the other commit command is refused.
    void SetRevision(int revision);
    int Revision() const;
    int Generation() const;
    // "+v" answers this value instead of "ORBELIN REV 07." and the revision.
    void SetVersionText(std::optional<std::string> text);
    std::string VersionText() const;

    // Stored values by key ("+g", "+f01", "+Z02") or control name ("etGPRSphone"),
    // as the wire text a read answers. SetValue takes any text, unchecked.
    // Both throw std::out_of_range for an unknown key.
    std::string Value(std::string_view key) const;
    void SetValue(std::string_view key, std::string value);
    void ResetStore();

    void SetCommitFails(bool fails); // the commit command is refused
    int CommitCount() const;         // commits accepted

    void AddFault(const TSimFault& fault);
    void ClearFaults();
    void SetReplyDelay(int ms); // every reply this much after its command (0: at once)
    void SetEcho(bool echo);

    void SendUnsolicited(std::string bytes); // now
    void SendNoCarrier();                    // unsolicited CR LF "NO CARRIER" CR LF, now
    // Sends one "NO CARRIER" once nothing has been received for ms (0: off).
    void SetNoCarrierAfterIdle(int ms);
    void DropLine(); // the line drops now

    // Commands received, in order, exact bytes without the final CR.
    std::vector<std::string> Commands() const;
    size_t CommandCount() const;
    bool WaitForCommands(size_t n, int timeoutMs) const;
    void ClearCommands();

private:
    friend class TSimulator;
    struct TOut {
        std::string Bytes;
        bool Drop = false;
    };

    // Serving side, called by TSimulator's thread.
    void Receive(std::string_view bytes, TSimClock::time_point now);
    // Output due by now; sets drop when the line is to drop after it.
    std::string TakeDue(TSimClock::time_point now, bool& drop);
    std::optional<TSimClock::time_point> NextDue() const;
    void SetHooks(std::function<void()> wake, TSimTrace trace);

    void Command(const std::string& line, bool overflow, TSimClock::time_point now);
    // Kept is what a write stores instead of its argument: nothing for the
    // argument itself, or the value to keep (the old one for a kept write).
    std::string Execute(const std::string& line, const std::optional<std::string>* Kept = nullptr);
    std::string ValueReply(std::string_view name, const std::string& value) const;
    std::string DoneReply(std::string_view name) const;
    const TSimFault* MatchFault(const std::string& line);
    void Enqueue(TSimClock::time_point due, std::string bytes, bool drop = false);
    void EnqueueReply(TSimClock::time_point due, std::string bytes, bool drop = false);
    void Wake() const;

    mutable std::mutex FMutex;
    TSimStore FStore;
    int FRevision = 41;
    std::optional<std::string> FVersionText;
    bool FCommitFails = false;
    int FCommits = 0;
    std::vector<TSimFault> FFaults;
    int FReplyDelayMs = 0;
    bool FEcho = false;
    int FIdleNoCarrierMs = 0;
    TSimClock::time_point FLastInput;
    std::string FLine;
    bool FOverflow = false;
    std::multimap<TSimClock::time_point, TOut> FPending;
    TSimClock::time_point FLastReplyDue;
    TSimLog FLog;
    std::function<void()> FWake;
    TSimTrace FTrace;
};
