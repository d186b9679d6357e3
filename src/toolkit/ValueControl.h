#pragma once
// The four controls that hold a parameter's value — an edit, a spin edit, a
// check box, a radio button — seen as one. What reads, shows, stores, loads
// and compares values asks the adaptor, not which of the four it has.
//
// Threading: the queries (kind, Text, Checked, Hint, ShowsDefault)
// from any thread, as the controls' snapshots are; the setters on the GUI
// thread.

#include <optional>
#include <string>

#include "toolkit/Colors.h"
#include "toolkit/Control.h"

class QObject;
class TEdit;
class TSpinEdit;
class TCheckBox;
class TRadioButton;

class TValueControl {
public:
    // Any object; one that is no value control gives an adaptor that is false.
    explicit TValueControl(const QObject* Control);

    explicit operator bool() const { return FObject != nullptr; }
    QObject* Object() const { return FObject; }
    bool IsEdit() const { return FEdit; } // free text
    bool IsSpin() const { return FSpin; } // a number in a range
    bool IsText() const { return FEdit || FSpin; }
    bool IsBox() const { return FCheck || FRadio; } // a state, not a text
    bool IsRadio() const { return FRadio; }

    // An edit's or spin edit's text ("" for a box); a box's state (false for
    // a text control).
    std::string Text() const;
    bool Checked() const;
    // On a control of the other sort, nothing happens.
    void SetText(const std::string& Text) const;
    void SetChecked(bool On) const;
    // A spin edit's value (0 for the others); SetNumber: an edit takes the
    // number as its text.
    int Number() const;
    void SetNumber(int Value) const;

    // The default value is the control's hint: the text of an edit or spin
    // edit (a spin edit's only when it is a number), "true"/"false" for a box
    // (letter case ignored). ApplyDefault gives it; ShowsDefault: whether the
    // control already shows it (a control without a default of its kind
    // always does).
    void ApplyDefault() const;
    bool ShowsDefault() const;

    void SetColor(TColor Color) const;
    void SetFontStyle(TFontStyles Style) const;

private:
    QObject* FObject = nullptr;
    TEdit* FEdit = nullptr;
    TSpinEdit* FSpin = nullptr;
    TCheckBox* FCheck = nullptr;
    TRadioButton* FRadio = nullptr;
};
