#pragma once
// The fault matrix as it is kept in the repository: a Markdown file whose
// table has one row per fault and one column per operation. The test reads
// the file, compares each cell with what it saw, and on request writes the
// cells it saw back into the file, leaving every other line as it was.
//
// Threading: one thread per object; Update locks the file, so test programs
// running side by side may each write their own cells.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TMatrixTable {
public:
    // The table is the one whose first header cell is Corner; the other
    // header cells name the columns, the first cell of each line its row.
    explicit TMatrixTable(std::string Corner) : FCorner(std::move(Corner)) {}

    // Reads the file; false when it cannot be read. A file without the table
    // reads as an empty table.
    bool Load(const std::string& FileName);

    const std::vector<std::string>& Columns() const { return FColumns; }
    std::vector<std::string> Rows() const;
    // Nothing when the row or the column is not in the table.
    std::optional<std::string> Cell(const std::string& Row, const std::string& Column) const;

    // Writes Cells into the file under its lock, keeping the cells already
    // there and adding the rows and columns given in RowOrder and
    // ColumnOrder (a new table goes at the end of the file). False on failure.
    using TCells = std::map<std::pair<std::string, std::string>, std::string>;
    bool Update(const std::string& FileName, const TCells& Cells,
                const std::vector<std::string>& RowOrder,
                const std::vector<std::string>& ColumnOrder) const;

private:
    std::string FCorner;
    // Text of the file before and after the table, and the table itself.
    std::vector<std::string> FBefore, FAfter;
    std::vector<std::string> FColumns;
    std::vector<std::pair<std::string, std::vector<std::string>>> FRows;

    void Parse(const std::string& Text);
    std::string Serialize() const;
};
