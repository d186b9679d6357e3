#pragma once
// The elements that travel through the UI-update queue. The worker side fills
// one per change it wants; the GUI thread applies it (see the appliers).
//
// Control and panel references are plain pointers to toolkit objects (all of
// them QObjects); the queue never dereferences them, so no Qt header is needed.

#include <atomic>
#include <cstdint>
#include <string>

#include "queue/UnitEvent.h"

class QObject;
using TControlRef = QObject*;

enum : std::uint8_t {
    okMemo = 1,    // TMemoOut
    okControl = 2, // TControlOut: a text for a control
    okMsg = 9,     // TMsgOut: a modal message box
    okStatus = 10, // TStatusOut: a status bar panel text
    okColor = 11,  // TControlOut: a colour name for a control
    okEvent = 12,  // TEventOut: an event of the device or its link
};

class TOutElement {
public:
    explicit TOutElement(std::uint8_t kind) : Kind(kind) { Live().fetch_add(1); }
    virtual ~TOutElement() { Live().fetch_sub(1); }
    TOutElement(const TOutElement&) = delete;
    TOutElement& operator=(const TOutElement&) = delete;

    const std::uint8_t Kind;

    // Number of elements alive in the process (tests check for leaks and releases).
    static long LiveCount() { return Live().load(); }

private:
    static std::atomic<long>& Live() {
        static std::atomic<long> n{0};
        return n;
    }
};

class TMemoOut : public TOutElement {
public:
    TMemoOut(std::string text, bool toMemo)
        : TOutElement(okMemo), Text(std::move(text)), ToMemo(toMemo) {}
    const std::string Text;
    const bool ToMemo;
};

class TControlOut : public TOutElement {
public:
    TControlOut(std::uint8_t kind, TControlRef control, std::string text)
        : TOutElement(kind), Control(control), Text(std::move(text)) {}
    TControlRef const Control;
    const std::string Text;
};

class TMsgOut : public TOutElement {
public:
    explicit TMsgOut(std::string text) : TOutElement(okMsg), Text(std::move(text)) {}
    const std::string Text;
};

class TStatusOut : public TOutElement {
public:
    TStatusOut(std::string text, TControlRef panel)
        : TOutElement(okStatus), Text(std::move(text)), Panel(panel) {}
    const std::string Text;
    TControlRef const Panel;
};

class TEventOut : public TOutElement {
public:
    explicit TEventOut(TUnitEvent event) : TOutElement(okEvent), Event(std::move(event)) {}
    const TUnitEvent Event;
};
