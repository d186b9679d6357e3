#pragma once
// The form a parameter's value takes, and the check every value read from
// the unit passes before it may reach a field: a value that does not have
// its parameter's form is not shown at all, so that nothing the unit did not
// say can be taken for its setting and written back later. The parameter
// table of the device (DevOrbelin_groups.cpp) gives each parameter its form;
// the same form says how the value travels on the wire when it is written,
// and what a field's text and a value read back have to agree on.
//
// Threading: pure functions.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum class TFormKind {
    Text,    // any text without control characters
    Decimal, // decimal digits, as the field shows them
    Phone,   // the characters of a phone number or dial string; empty: none set
    IPv4,    // a dotted IPv4 address; empty: none set
    Hex,     // hexadecimal digits, at least one and at most Digits
};

struct TParamForm {
    TFormKind Kind = TFormKind::Text;
    // Decimal, Hex: the digits written on the wire (at least; 0 for a decimal
    // text written as typed). Hex values read back may not have more.
    int Digits = 0;
    // Text, Phone: the most characters the field takes (0: no limit). The
    // page's edit knows it; the device fills it in from there.
    int MaxLength = 0;
};

// The largest number a Hex form carries in its digits.
long long HexFieldMax(const TParamForm& Form);

// Why Value, as it stands between a reply's ">" and its line end, is not a
// value of this form; nothing when it is one. Blanks at both ends of a
// text-like value are not part of it.
std::optional<std::string> FormProblem(const TParamForm& Form, std::string_view Value);

// Why a decimal number, which has its form, is more than a write of this
// form can carry (the command's fixed digits); nothing when it fits. Leading
// zeros do not count.
std::optional<std::string> DigitsProblem(const TParamForm& Form, std::string_view Text);

// The text a field shows for a value that has its form: a hexadecimal value
// as its decimal number, any other without the blanks at its ends.
std::string FieldText(const TParamForm& Form, std::string_view Value);

// Whether a value read back from the unit (as FieldText gives it) is the one
// that was sent (as the field showed it): numbers by value, everything else
// exactly (a dropped "+" or a changed "*99#" is another number), without the
// blanks at their ends, which the unit does not keep.
bool SameValue(const TParamForm& Form, std::string_view Sent, std::string_view Held);

// A parameter's caption without the explanations or examples in brackets
// in it, and without blanks at its ends.
std::string ShortCaption(std::string_view Caption);

// Text from the outside world as a memo line may show it: in «», control
// characters and backslashes escaped, cut after Limit characters with the
// whole length said.
std::string QuotedValue(std::string_view Utf8, std::size_t Limit = 60);
