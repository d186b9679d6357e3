#pragma once
// What the device and its link thread tell the front ends, in types: how
// the connection goes, the walk under way, the commit, the end of a request
// and of the link. Each front end makes of them what it shows: the window
// its splash, status bar, page tree and EEPROM indicator (UiTargets.h), the
// command line its progress, outcome and report. They travel through the
// UI-update queue (okEvent), in order with the memo lines and the control
// texts posted around them.

#include <cstdint>
#include <string>

// Why a connection attempt failed.
enum class TLinkFailure : std::uint8_t {
    None,
    PortNotOpened,    // Subject: the port; Text: the system's reason (may be empty)
    ModemNotReady,    // Subject: the initialisation command the modem refused
    ModemRefused,     // Subject: the setting command the modem refused
    NotDialled,       // Subject: the number; Step of Total: the try; Text: the modem's answer
    NoAnswer,         // the unit did not answer the version check
    LinkFault,        // the unit's reply said the connection is faulty
    WrongFirmware,    // Text: the version the unit gave
    VersionUnreadable // the version check's reply could not be taken apart
};

// The walk over all pages under way: its phase.
enum class TWalkPhase : std::uint8_t { Read, Write, Verify };

// What the last commit of a write did, as the EEPROM indicator shows it.
enum TCommitState : std::int32_t {
    csNone = 0,      // nothing committed yet (also: a commit is under way)
    csCommitted = 1, // the unit confirmed it
    csFailed = 2,    // the unit did not confirm it
    csPartial = 3,   // confirmed, but some parameter of the write was not written
};

struct TUnitEvent {
    enum class TKind : std::uint8_t {
        LinkProgress, // Text: what the connection is doing now
        LinkFailed,   // Failure, with Subject, Text and the try
        Connected,    // the handshake succeeded; Generation
        Version,      // Text: the unit's version as it gave it
        LinkEnded,    // the link thread has ended, by itself or asked to
        PageBusy,     // Busy: a page is being exchanged (the page tree is locked)
        WalkStep,     // Phase, Step of Total
        Commit,       // Commit: csNone as it begins, then its outcome
        RequestDone,  // the request is carried out and the link is idle again
    };
    TKind Kind = TKind::LinkProgress;
    std::string Text{};
    std::string Subject{};
    TLinkFailure Failure = TLinkFailure::None;
    int Generation = 0;
    bool Busy = false;
    TWalkPhase Phase = TWalkPhase::Read;
    int Step = 0;
    int Total = 0;
    TCommitState Commit = csNone;
};

// The operator's text for a failed connection attempt.
std::string LinkFailureText(const TUnitEvent& Failed);
// "Чтение", "Запись", "Проверка".
const char* WalkPhaseWord(TWalkPhase Phase);
