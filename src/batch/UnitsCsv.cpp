#include "batch/UnitsCsv.h"

#include <set>

#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {

std::string AtLine(int Line) {
    return "строка " + std::to_string(Line) + ": ";
}

// The separator the header line uses: a semicolon when the line has one
// outside quotes and no comma there, else a comma.
char SeparatorOf(std::string_view Text) {
    bool quoted = false;
    bool comma = false;
    bool semicolon = false;
    for (char c : Text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            comma = true;
        else if (!quoted && c == ';')
            semicolon = true;
    }
    return semicolon && !comma ? ';' : ',';
}

bool Blank(const std::vector<std::string>& Row) {
    for (const std::string& field : Row)
        if (!TrimBlanks(field).empty())
            return false;
    return true;
}

} // namespace

std::optional<TCsvTable> ParseCsv(std::string_view Bytes, std::string& Error) {
    const TFileText decoded = DecodeFileText(Bytes);
    if (decoded.Problem == TFileText::BadUtf8) {
        Error = "помечен как UTF-8, но это не UTF-8";
        return std::nullopt;
    }
    const std::string& text = decoded.Text;
    const char separator = SeparatorOf(text);

    TCsvTable table;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;     // inside a quoted field
    bool afterQuote = false; // a quoted field has closed; only a separator or line end may follow
    int line = 1;
    int rowLine = 1;
    const auto endRow = [&] {
        row.push_back(std::move(field));
        field.clear();
        if (!Blank(row)) {
            table.Rows.push_back(std::move(row));
            table.Lines.push_back(rowLine);
        }
        row.clear();
        afterQuote = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
                afterQuote = true;
            } else {
                if (c == '\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == separator) {
            row.push_back(std::move(field));
            field.clear();
            afterQuote = false;
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        } else if (c == '\n' || c == '\r') {
            endRow();
            ++line;
            rowLine = line;
        } else if (afterQuote) {
            if (c == ' ' || c == '\t')
                continue;
            Error = AtLine(line) + "после закрывающей кавычки может идти только разделитель";
            return std::nullopt;
        } else if (c == '"' && TrimBlanks(field).empty()) {
            field.clear();
            quoted = true;
        } else {
            field += c;
        }
    }
    if (quoted) {
        Error = AtLine(rowLine) + "кавычка не закрыта до конца файла";
        return std::nullopt;
    }
    endRow();
    return table;
}

std::optional<std::vector<TUnitRow>> ReadUnitsCsv(std::string_view Bytes, std::string& Error,
                                                  TUnitsHeader* Header) {
    if (Bytes.size() > MaxUnitsCsvBytes) {
        Error = "файл больше " + std::to_string(MaxUnitsCsvBytes) + " байт";
        return std::nullopt;
    }
    const std::optional<TCsvTable> table = ParseCsv(Bytes, Error);
    if (!table)
        return std::nullopt;
    if (table->Rows.empty()) {
        Error = "файл пуст";
        return std::nullopt;
    }
    const std::vector<std::string>& header = table->Rows.front();
    int portColumn = -1;
    int phoneColumn = -1;
    std::set<std::string> names;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const std::string name = TrimBlanks(header[c]);
        if (name.empty()) {
            Error =
                AtLine(table->Lines.front()) + "у столбца " + std::to_string(c + 1) + " нет имени";
            return std::nullopt;
        }
        if (!names.insert(ToUpperAscii(name)).second) {
            Error = AtLine(table->Lines.front()) + "столбец \"" + name + "\" встречается дважды";
            return std::nullopt;
        }
        if (SameTextAscii(name, "port"))
            portColumn = static_cast<int>(c);
        else if (SameTextAscii(name, "phone"))
            phoneColumn = static_cast<int>(c);
        else if (Header)
            Header->Columns.push_back(name);
    }
    if (Header)
        Header->Line = table->Lines.front();
    if (portColumn < 0) {
        Error = AtLine(table->Lines.front()) + "нет столбца \"port\"";
        return std::nullopt;
    }

    std::vector<TUnitRow> units;
    std::set<std::string> ports;
    for (std::size_t r = 1; r < table->Rows.size(); ++r) {
        const std::vector<std::string>& fields = table->Rows[r];
        const int line = table->Lines[r];
        if (fields.size() != header.size()) {
            Error = AtLine(line) + std::to_string(fields.size()) + " fields, the header has " +
                    std::to_string(header.size());
            return std::nullopt;
        }
        TUnitRow unit;
        unit.Line = line;
        for (std::size_t c = 0; c < fields.size(); ++c) {
            // Blanked out on its way to the unit, a line break or another
            // control character would make a value nobody wrote.
            if (const auto control = FirstControlCharacter(fields[c])) {
                Error = AtLine(line) + TrimBlanks(header[c]) + ": управляющий символ " +
                        CodePointName(*control);
                return std::nullopt;
            }
            const std::string value = TrimBlanks(fields[c]);
            if (static_cast<int>(c) == portColumn)
                unit.Port = value;
            else if (static_cast<int>(c) == phoneColumn)
                unit.Phone = value;
            else if (!value.empty())
                unit.Values.emplace_back(TrimBlanks(header[c]), value);
        }
        if (unit.Port.empty()) {
            Error = AtLine(line) + "не задан порт";
            return std::nullopt;
        }
        if (!ports.insert(unit.Port).second) {
            Error = AtLine(line) + "порт " + unit.Port + " уже отдан другому блоку";
            return std::nullopt;
        }
        units.push_back(std::move(unit));
    }
    if (units.empty()) {
        Error = "в файле нет ни одного блока";
        return std::nullopt;
    }
    return units;
}
