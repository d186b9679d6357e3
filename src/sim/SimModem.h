#pragma once
// The simulated GSM modem in front of the unit. In command mode it answers
// the AT dialogue ("\r\nOK\r\n"-style result codes, commands in either letter
// case, characters before "AT" ignored, echo per character when on). After a
// CONNECT it passes bytes to the unit and back until "+++" framed by the guard
// time on both sides returns it to command mode ("OK"), with the call still up:
// "ATO" goes back online, "ATH" or an accepted "ATZ" ends the call.
//
// RTS cannot be seen through a pseudo-terminal, so "+CPIN: READY" is sent
// CpinDelayMs after each time a program opens the port, as a modem woken by
// the program would.
//
// Threading: every public method may be called from any thread. TSimulator
// creates the modem and feeds it from its serving thread.

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimLog.h"
#include "sim/SimUnit.h"

enum class TSimAtReply { Ok, Error, Silent };

// Each step answers its i-th use with element i of its list; the last element
// repeats (e.g. Creg {"+CREG: 0,2", "+CREG: 0,2", "+CREG: 0,1"}: registered
// at the third query). An empty list answers "OK", or nothing for Creg and Dial.
struct TSimModemConfig {
    bool Echo = true;
    std::vector<TSimAtReply> Atz{TSimAtReply::Ok};
    std::vector<TSimAtReply> Cbst{TSimAtReply::Ok}; // AT+CBST=...
    std::vector<TSimAtReply> At{TSimAtReply::Ok};   // the bare "AT"
    // Answer line to AT+CREG? ("OK" follows it); empty: no answer at all.
    std::vector<std::string> Creg{"+CREG: 0,1"};
    // Result code of ATD: "CONNECT 9600", "CONNECT 4800" (any CONNECT starts
    // the call), "BUSY", "NO CARRIER", "NO ANSWER", "ERROR"; empty: no result
    // code ever, so with echo on the program sees only its own command.
    std::vector<std::string> Dial{"CONNECT 9600"};
    int DialDelayMs = 100;                 // from ATD to its result code
    int GuardMs = 1000;                    // silence before and after "+++"
    int CpinDelayMs = 1000;                // after each open of the port; negative: never
    std::string CpinText = "+CPIN: READY"; // sent as it stands
    int DropAfterMs = 0; // the modem drops each call this long after CONNECT (0: never)
};

class TSimModem {
public:
    explicit TSimModem(TSimModemConfig config = {});
    TSimModem(const TSimModem&) = delete;
    TSimModem& operator=(const TSimModem&) = delete;

    // New behaviours; each step's count starts again.
    void Configure(const TSimModemConfig& config);
    TSimModemConfig Config() const;

    bool DropCall();         // "NO CARRIER" now; false when no call was up
    bool CallActive() const; // a call is up (online or in command mode)
    bool InDataMode() const; // bytes pass to the unit

    // Lines received in command mode, exact bytes without the CR, in order; an
    // accepted escape is recorded as "+++".
    std::vector<std::string> Lines() const;
    size_t LineCount() const;
    bool WaitForLines(size_t n, int timeoutMs) const;
    void ClearLines();

private:
    friend class TSimulator;
    enum class TState { Command, Dialing, Data, Online };

    // Serving side, called by TSimulator's thread. Bytes for the unit are
    // appended to toUnit; bytes for the line collect until TakeLineOutput.
    void FromLine(std::string_view bytes, TSimClock::time_point now, std::string& toUnit);
    void FromUnit(std::string_view bytes);
    void PortOpened(TSimClock::time_point now);
    void Tick(TSimClock::time_point now, std::string& toUnit);
    std::string TakeLineOutput();
    std::optional<TSimClock::time_point> NextDue() const;
    void SetHooks(std::function<void()> wake, TSimTrace trace);

    void CommandByte(char c, TSimClock::time_point now);
    void DataByte(char c, TSimClock::time_point now, std::string& toUnit);
    void CommandLine(const std::string& line, TSimClock::time_point now);
    void Dial(TSimClock::time_point now);
    void Connect(TSimClock::time_point now);
    void EndCall(bool noCarrier);
    void Result(std::string_view text);
    void StepReply(const std::vector<TSimAtReply>& replies, size_t& uses);
    void Reset();
    void Wake() const;

    mutable std::mutex FMutex;
    TSimModemConfig FConfig;
    bool FEcho = true;
    TState FState = TState::Command;
    std::string FLine;
    std::string FOut;
    size_t FAtzUses = 0, FCbstUses = 0, FAtUses = 0, FCregUses = 0, FDialUses = 0;
    std::string FDialResult;
    TSimClock::time_point FDialDue;
    std::optional<TSimClock::time_point> FCpinDue;
    std::optional<TSimClock::time_point> FDropDue;
    TSimClock::time_point FLastData; // last byte from the line while online
    int FPlus = 0;                   // "+" held back as a possible escape
    TSimLog FLog;
    std::function<void()> FWake;
    TSimTrace FTrace;
};
