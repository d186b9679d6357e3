#pragma once
// The consuming half of the UI-update queue: DrainOutArray takes every
// pending element off the ring and gives it its effect on the screen. The
// meaning of a text posted to a control is decided by the control's class
// (ApplyControlText), so that one posting operation serves for values,
// captions, enabling, clicking, showing and repainting.
//
// A failure while applying one element (a text that is not a number or a
// colour, a log write that fails, a click handler that throws) ends only that
// element; the drain goes on with the next one.
//
// Threading: GUI thread only.

#include <cstddef>
#include <string>
#include <vector>

#include "queue/OutArray.h"
#include "queue/UiTargets.h"

class QObject;

// What the appliers reach beyond the controls themselves: the main window
// (unit generation, status bar repaint), its debug memo and log file, and the
// inputs/outputs page. The main window implements it.
class TApplyHost {
public:
    virtual ~TApplyHost() = default;

    virtual void AppendMemoLine(const std::string& Text) = 0;
    virtual bool LogEnabled() const = 0;
    // Throws when the line cannot be written.
    virtual void WriteLogLine(const std::string& Text) = 0;

    virtual bool IsMainWindow(const QObject* Control) const = 0;
    virtual void SetGeneration(int Generation) = 0;
    virtual void RepaintStatusBar() = 0;

    virtual bool IsInputsPage(const QObject* Control) const = 0;
    // "mode1" enables the inputs' event flags, "mode2" disables them (their
    // values stay as the unit gave them).
    virtual void SetInputFlagsEnabled(bool Enabled) = 0;
    // Just before a message box opens: what must not wait until the
    // operator closes it (the box may stay up for hours) is saved now.
    virtual void BeforeMessage() {}
    // An event of the device (kind 12); the window shows it through its
    // TUiTargets (ShowUnitEvent).
    virtual void UnitEvent(const TUnitEvent&) {}
};

// Takes and applies elements until the ring is empty (also those posted
// while it runs); returns how many it took.
std::size_t DrainOutArray(TOutArray& Queue, TApplyHost& Host);

// Kind 1: to the memo when ToMemo, and to the log file whenever logging is on.
void ApplyMemoLine(TApplyHost& Host, const std::string& Text, bool ToMemo);
// Kind 2.
void ApplyControlText(TApplyHost& Host, QObject* Control, const std::string& Text);
// Kind 10.
void ApplyStatusText(const std::string& Text, QObject* Panel);
// Kind 11: the background of edits, check boxes, radio buttons and spin
// edits, the font of labels; other controls are left alone.
void ApplyControlColor(QObject* Control, const std::string& Text);

// The screen steps of a device event, each as its kind applies it.
void ApplyScreenSteps(TApplyHost& Host, const std::vector<TScreenStep>& Steps);

// Kind 9, and the program's other plain messages: a modal message box with an
// OK button over the active window; returns when the operator has closed it.
void ShowMessage(const std::string& Text);
// The title of those boxes (the main window's caption, so that every box of
// the program carries the same one); the application's name until set.
void SetMessageTitle(const std::string& Title);
