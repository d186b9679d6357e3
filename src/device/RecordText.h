#pragma once
// The texts of the record memory operations: four-digit hexadecimal addresses
// and pointers, the eight-character block range, the lines they add to the
// records pane ("0010>" and the record), and the splitting of a block's text
// into record lines.
// Threading: pure functions.

#include <string>
#include <string_view>
#include <vector>

// An address or pointer as at least four upper-case hexadecimal digits.
std::string RecordAddress(int Value);

// First and last address of a block of Count records (at least one), joined.
std::string BlockRange(int First, int Count);

// A pane line: the address, ">" and the record text.
std::string RecordLine(const std::string& Address, const std::string& Record);

// The line a "next record" reply gives: the four characters before its first
// ">", the ">" and the reply's value. Empty for an empty reply.
std::string NextRecordLine(std::string_view Reply);

// The record lines of a block's text, up to the line that begins with "OK"
// (any letter case). Each line ends at its first CR or LF; the line ends and
// blanks in front of the next line are skipped. Text that runs out without
// "OK" ends the lines too.
std::vector<std::string> BlockLines(std::string_view Text);
