#pragma once
// The list of units for a batch write: a CSV file with one row per unit, a
// "port" column, an optional "phone" column (the unit is then reached by a
// data call through the modem on that port), and further columns named by
// the control names of the values that differ per unit.
//
// The file comes from a spreadsheet or an editor: fields may be quoted (a
// quote inside doubled), quoted fields may hold the separator and line
// breaks, lines end in LF or CR LF, the separator is a comma or (as
// spreadsheets in a Russian locale save it) a semicolon, and the text is
// UTF-8 (with or without its byte-order mark) or else Windows-1251
// (DecodeFileText).
// Everything is checked here before a single unit is touched; what is wrong
// is said with its line number.
//
// Threading: pure functions, no Qt.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The largest list file read; a list of thousands of units stays far below.
inline constexpr std::size_t MaxUnitsCsvBytes = 1 << 20;

struct TCsvTable {
    // Rows in file order, each with its fields as UTF-8; the first row is the
    // header. Line: the file line each row begins on, counting from 1.
    std::vector<std::vector<std::string>> Rows;
    std::vector<int> Lines;
};

// Splits the file into rows and fields. Nothing, and Error says why and where,
// for a file that is not CSV (a quote left open, text after a closing quote).
// Lines holding nothing are skipped.
std::optional<TCsvTable> ParseCsv(std::string_view Bytes, std::string& Error);

struct TUnitRow {
    int Line = 0;
    std::string Port;
    std::string Phone; // empty: the unit is on the cable
    // Per-unit values by control name, in column order. An empty cell gives
    // no value: the unit takes the set's.
    std::vector<std::pair<std::string, std::string>> Values;
};

// The header's value columns (all but "port" and "phone"), as the file
// names them, and the line the header is on.
struct TUnitsHeader {
    int Line = 0;
    std::vector<std::string> Columns;
};

// The units of a list file: a header with a "port" column (names compared
// without regard to case for "port" and "phone"), each column named once,
// every row as many fields as the header, a port in every row and no port
// twice, and no control character (a line break in a quoted field
// included) in a unit's fields. Nothing, and Error says why, otherwise.
// Header, when given, receives the value columns.
std::optional<std::vector<TUnitRow>> ReadUnitsCsv(std::string_view Bytes, std::string& Error,
                                                  TUnitsHeader* Header = nullptr);
