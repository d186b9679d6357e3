#include "MatrixTable.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

#include "toolkit/FileIo.h"

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The cells of a table line "| a | b \| c |", unescaped.
std::vector<std::string> SplitRow(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
            cell += '|';
            ++i;
        } else if (line[i] == '|') {
            cells.push_back(Trim(cell));
            cell.clear();
        } else {
            cell += line[i];
        }
    }
    return cells;
}

std::string JoinRow(const std::vector<std::string>& cells) {
    std::string line = "|";
    for (const std::string& cell : cells) {
        std::string escaped;
        for (char c : cell)
            escaped += c == '|' ? std::string("\\|") : std::string(1, c);
        line += " " + escaped + " |";
    }
    return line;
}

bool IsTableLine(const std::string& line) {
    return line.size() > 1 && line.front() == '|' && line.back() == '|';
}

std::optional<std::string> ReadText(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

bool TMatrixTable::Load(const std::string& FileName) {
    const auto text = ReadText(FileName);
    if (!text)
        return false;
    Parse(*text);
    return true;
}

void TMatrixTable::Parse(const std::string& Text) {
    FBefore.clear();
    FAfter.clear();
    FColumns.clear();
    FRows.clear();
    std::istringstream in(Text);
    std::string line;
    enum { Before, Header, Rule, Body, After } part = Before;
    while (std::getline(in, line)) {
        if (part == Before && IsTableLine(line) && SplitRow(line).front() == FCorner) {
            const std::vector<std::string> header = SplitRow(line);
            FColumns.assign(header.begin() + 1, header.end());
            part = Rule;
            continue;
        }
        if (part == Rule) {
            part = Body;
            continue;
        }
        if (part == Body && IsTableLine(line)) {
            std::vector<std::string> cells = SplitRow(line);
            const std::string row = cells.front();
            cells.erase(cells.begin());
            cells.resize(FColumns.size());
            FRows.emplace_back(row, cells);
            continue;
        }
        if (part == Body)
            part = After;
        (part == Before ? FBefore : FAfter).push_back(line);
    }
}

std::vector<std::string> TMatrixTable::Rows() const {
    std::vector<std::string> rows;
    for (const auto& row : FRows)
        rows.push_back(row.first);
    return rows;
}

std::optional<std::string> TMatrixTable::Cell(const std::string& Row,
                                              const std::string& Column) const {
    const auto column = std::find(FColumns.begin(), FColumns.end(), Column);
    if (column == FColumns.end())
        return std::nullopt;
    for (const auto& [name, cells] : FRows)
        if (name == Row)
            return cells[static_cast<std::size_t>(column - FColumns.begin())];
    return std::nullopt;
}

std::string TMatrixTable::Serialize() const {
    std::string text;
    for (const std::string& line : FBefore)
        text += line + "\n";
    std::vector<std::string> header{FCorner};
    header.insert(header.end(), FColumns.begin(), FColumns.end());
    text += JoinRow(header) + "\n";
    text += "|";
    for (std::size_t i = 0; i < header.size(); ++i)
        text += "---|";
    text += "\n";
    for (const auto& [name, cells] : FRows) {
        std::vector<std::string> line{name};
        line.insert(line.end(), cells.begin(), cells.end());
        text += JoinRow(line) + "\n";
    }
    for (const std::string& line : FAfter)
        text += line + "\n";
    return text;
}

bool TMatrixTable::Update(const std::string& FileName, const TCells& Cells,
                          const std::vector<std::string>& RowOrder,
                          const std::vector<std::string>& ColumnOrder) const {
    // Beside the other programs' locks, never in the source tree; never
    // removed, so that every writer locks the same file.
    const std::string lockName =
        (std::filesystem::temp_directory_path() / "orb-fault-matrix.lock").string();
    const int lock = open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) {
        if (lock >= 0)
            close(lock);
        return false;
    }
    TMatrixTable table(FCorner);
    table.Parse(ReadText(FileName).value_or(""));
    for (const std::string& column : ColumnOrder)
        if (std::find(table.FColumns.begin(), table.FColumns.end(), column) == table.FColumns.end())
            table.FColumns.push_back(column);
    for (const std::string& row : RowOrder) {
        const bool known = std::any_of(table.FRows.begin(), table.FRows.end(),
                                       [&](const auto& r) { return r.first == row; });
        if (!known)
            table.FRows.emplace_back(row, std::vector<std::string>{});
    }
    for (auto& [name, cells] : table.FRows) {
        cells.resize(table.FColumns.size());
        for (std::size_t c = 0; c < table.FColumns.size(); ++c)
            if (const auto it = Cells.find({name, table.FColumns[c]}); it != Cells.end())
                cells[c] = it->second;
    }
    bool ok = true;
    try {
        ReplaceFileContents(FileName, table.Serialize());
    } catch (const EFileError&) {
        ok = false;
    }
    close(lock);
    return ok;
}
