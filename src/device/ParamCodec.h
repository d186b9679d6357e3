#pragma once
// How a parameter's value, as the unit's reply gives it, maps to the
// controls of its row (ParamTable.h) and back: what each control shows,
// whether the controls show the unit's value exactly, the argument a write
// sends, and whether a value read back is the one written. A value the
// controls cannot show exactly is never turned into one they can: the
// decoder says so, and what the fields take.
//
// Threading: pure functions.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "params/ParamForm.h"
#include "params/ParamTable.h"

struct TDecodedValue {
    // Empty when the value has the row's form; otherwise why it does not.
    std::string Problem;
    // For each control of the row, what it shows ("15", "true"); nothing
    // for a control that cannot show its part (a spin edit out of range).
    std::vector<std::optional<std::string>> Shown;
    // False when the controls do not show the unit's value exactly; Why
    // then says what they take ("поле допускает 0…10"). Which of them do
    // not: ShownExactly (one for each of Shown).
    bool Exact = true;
    std::string Why;
    std::vector<bool> ShownExactly;
    // Bits of the value the page has no box for, kept as the unit holds
    // them and written back; 0 when none.
    int KeptBits = 0;
    // InputMasks: the input mode the buttons show (0 .. 2), if any.
    std::optional<int> Mode;

    bool Ok() const { return Problem.empty(); }
};

// The form a read of the row checks its reply value against.
TParamForm ReadForm(const TParamDef& Row);

// What a decoded value is for: the fields to show (their rules apply in
// full), or a read-back compared with what was sent (held to the typing
// range only: a spin edit's strict range and a field's length do not apply).
enum class TDecodeFor { Field, ReadBack };

// Value: the reply's value, as it passed the form check of ReadForm.
TDecodedValue DecodeParam(const TParamDef& Row, std::string_view Value,
                          TDecodeFor For = TDecodeFor::Field);

// A control's value as a write takes it.
struct TControlValue {
    std::string Text;     // an edit's or spin edit's text
    bool Checked = false; // a check box's or radio button's state
};

// The argument a write appends to Row.Write, from the controls' values and
// the unit's own value (for the bits the page has no box for; nothing when
// not known). NumbersOff: the engineering numbers are switched off. Nothing
// when the controls give no value the unit takes; Problem then says why.
std::optional<std::string> EncodeParam(const TParamDef& Row, std::span<const TControlValue> Values,
                                       const std::optional<std::string>& UnitValue, bool NumbersOff,
                                       std::string& Problem);

// Whether Held, a read-back value that passed ReadForm, is what the write's
// Argument put there: numbers and flags by value, texts exactly (the unit
// keeps no blanks at their ends).
bool HeldAsSent(const TParamDef& Row, std::string_view Argument, std::string_view Held);

// Why Text, a value a settings file gives control Index of Row, is not one
// the unit takes as that control would send it; nothing when it is. Numbers
// are taken whatever the typing limit of their field, up to what the unit
// holds (two hexadecimal digits: 255); texts only as long as the field.
struct TLoadProblem {
    std::string Text;
    bool TooLong = false; // longer than the field, rather than not its form
};
std::optional<TLoadProblem> LoadProblem(const TParamDef& Row, std::size_t Index,
                                        std::string_view Text);
