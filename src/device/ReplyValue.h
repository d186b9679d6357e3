#pragma once
// The value a unit's reply carries: the text between its first ">" and the
// CR LF that follows it. Empty when the reply has no ">" or no CR LF after it.
// Threading: a pure function.

#include <string>
#include <string_view>

std::string ExtractReplyValue(std::string_view Reply);

// Whether the reply carries a value at all: a ">" with a CR LF after it.
bool HasReplyValue(std::string_view Reply);
