#pragma once
// The phone number the link dials, from what the operator typed: only what
// can be dialled stays, in order (digits, the wait letter W as typed, "+",
// "," and ";"); a number that is blank after trimming means no modem at all.
//
// Threading: a pure function.

#include <string>

std::string FilterPhone(const std::string& Phone);
