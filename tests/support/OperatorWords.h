#pragma once
// What the operator reads names a parameter by its page and caption, never
// by the name of a control behind it (etObjNum, cbGPRS, Edit1, CheckBox3,
// formCommon). One predicate for every text that can reach a person: a
// message, a splash, the status bar, a summary, a journal line, a CSV
// header.
//
// Threading: none.

#include <optional>
#include <regex>
#include <string>

// The first control's name in Text, or nothing.
inline std::optional<std::string> ControlNameIn(const std::string& Text) {
    static const std::regex name(
        R"((^|[^A-Za-z0-9_])((et|cb|rb|lb)[A-Z]\w*|Edit\d+|CheckBox\d+|RadioButton\d+|form[A-Z_]\w*))");
    std::smatch match;
    if (std::regex_search(Text, match, name))
        return match[2].str();
    return std::nullopt;
}
