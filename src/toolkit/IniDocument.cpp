#include "toolkit/IniDocument.h"

#include "toolkit/Cp1251Case.h"
#include "toolkit/TextUtil.h"

namespace {
bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsTrimmedForm(std::string_view s) {
    return !s.empty() && TrimBlanks(s) == s;
}

std::string OneLine(std::string_view value) {
    std::string r(value);
    for (char& c : r)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return r;
}
} // namespace

TIniDocument::TLine TIniDocument::MakeLine(std::string text, std::string eol) {
    TLine line;
    line.Text = std::move(text);
    line.Eol = std::move(eol);
    const std::string trimmed = TrimBlanks(line.Text);
    if (!trimmed.empty() && trimmed.front() == '[') {
        const size_t close = trimmed.find(']');
        line.Kind = TKind::Section;
        line.Name = TrimBlanks(std::string_view(trimmed).substr(
            1, close == std::string::npos ? std::string::npos : close - 1));
        line.Folded = FoldCaseUtf8(line.Name);
        return line;
    }
    if (!trimmed.empty() && trimmed.front() == ';')
        return line;
    const size_t eq = line.Text.find('=');
    if (eq == std::string::npos)
        return line;
    std::string key = TrimBlanks(std::string_view(line.Text).substr(0, eq));
    if (key.empty())
        return line;
    line.Kind = TKind::Key;
    line.Name = std::move(key);
    line.Folded = FoldCaseUtf8(line.Name);
    line.Value = TrimBlanks(std::string_view(line.Text).substr(eq + 1));
    return line;
}

bool TIniDocument::Parse(std::string_view bytes) {
    FLines.clear();
    size_t pos = 0;
    while (pos < bytes.size()) {
        if (FLines.size() == MaxLines)
            return false;
        const size_t lf = bytes.find('\n', pos);
        std::string_view text;
        std::string eol;
        if (lf == std::string_view::npos) {
            text = bytes.substr(pos);
            pos = bytes.size();
        } else {
            text = bytes.substr(pos, lf - pos);
            eol = "\n";
            pos = lf + 1;
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
                eol = "\r\n";
            }
        }
        FLines.push_back(MakeLine(std::string(text), std::move(eol)));
    }
    return true;
}

std::string TIniDocument::Serialize() const {
    std::string r;
    for (const TLine& line : FLines) {
        r += line.Text;
        r += line.Eol;
    }
    return r;
}

std::optional<std::string> TIniDocument::Find(std::string_view section,
                                              std::string_view key) const {
    const std::string s = FoldCaseUtf8(section);
    const std::string k = FoldCaseUtf8(key);
    bool inSection = false;
    for (const TLine& line : FLines) {
        if (line.Kind == TKind::Section)
            inSection = line.Folded == s;
        else if (inSection && line.Kind == TKind::Key && line.Folded == k)
            return line.Value;
    }
    return std::nullopt;
}

bool TIniDocument::HasSection(std::string_view section) const {
    const std::string s = FoldCaseUtf8(section);
    for (const TLine& line : FLines)
        if (line.Kind == TKind::Section && line.Folded == s)
            return true;
    return false;
}

std::vector<std::string> TIniDocument::Keys(std::string_view section) const {
    const std::string s = FoldCaseUtf8(section);
    std::vector<std::string> keys;
    std::vector<std::string> seen;
    bool inSection = false;
    for (const TLine& line : FLines) {
        if (line.Kind == TKind::Section)
            inSection = line.Folded == s;
        else if (inSection && line.Kind == TKind::Key) {
            bool repeat = false;
            for (const std::string& f : seen)
                repeat = repeat || f == line.Folded;
            if (!repeat) {
                seen.push_back(line.Folded);
                keys.push_back(line.Name);
            }
        }
    }
    return keys;
}

std::vector<std::string> TIniDocument::Sections() const {
    std::vector<std::string> names;
    std::vector<std::string> seen;
    for (const TLine& line : FLines) {
        if (line.Kind != TKind::Section)
            continue;
        bool repeat = false;
        for (const std::string& f : seen)
            repeat = repeat || f == line.Folded;
        if (!repeat) {
            seen.push_back(line.Folded);
            names.push_back(line.Name);
        }
    }
    return names;
}

bool TIniDocument::IsValidSectionName(std::string_view name) {
    return IsTrimmedForm(name) && !HasLineBreakOrNul(name) && name.find(']') == name.npos;
}

bool TIniDocument::IsValidKeyName(std::string_view name) {
    return IsTrimmedForm(name) && !HasLineBreakOrNul(name) && name.find('=') == name.npos &&
           name.front() != '[' && name.front() != ';';
}

std::string TIniDocument::NewLineEol() const {
    // New lines follow the file's own line ends; a new file gets CR LF.
    for (const TLine& line : FLines)
        if (!line.Eol.empty())
            return line.Eol;
    return "\r\n";
}

size_t TIniDocument::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < FLines.size() && FLines[i].Kind != TKind::Section)
        ++i;
    return i;
}

void TIniDocument::Remove(std::string_view section, std::string_view key) {
    const std::string s = FoldCaseUtf8(section);
    const std::string k = FoldCaseUtf8(key);
    bool inSection = false;
    std::erase_if(FLines, [&](const TLine& line) {
        if (line.Kind == TKind::Section)
            inSection = line.Folded == s;
        return inSection && line.Kind == TKind::Key && line.Folded == k;
    });
}

void TIniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string s = FoldCaseUtf8(section);
    const std::string k = FoldCaseUtf8(key);
    const std::string v = OneLine(value);

    // An existing key is updated where it stands; it keeps its spelling and line end.
    size_t firstHeader = FLines.size();
    bool inSection = false;
    for (size_t i = 0; i < FLines.size(); ++i) {
        TLine& line = FLines[i];
        if (line.Kind == TKind::Section) {
            inSection = line.Folded == s;
            if (inSection && firstHeader == FLines.size())
                firstHeader = i;
        } else if (inSection && line.Kind == TKind::Key && line.Folded == k) {
            line = MakeLine(line.Name + "=" + v, line.Eol);
            return;
        }
    }

    const std::string eol = NewLineEol();
    if (firstHeader < FLines.size()) {
        // After the last line of the section that is not blank, so the blank
        // lines between sections stay where they are.
        size_t at = SectionEnd(firstHeader);
        while (at > firstHeader + 1 && TrimBlanks(FLines[at - 1].Text).empty())
            --at;
        if (FLines[at - 1].Eol.empty())
            FLines[at - 1].Eol = eol;
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at),
                      MakeLine(std::string(key) + "=" + v, eol));
        return;
    }

    if (!FLines.empty()) {
        if (FLines.back().Eol.empty())
            FLines.back().Eol = eol;
        if (!TrimBlanks(FLines.back().Text).empty())
            FLines.push_back(MakeLine("", eol));
    }
    FLines.push_back(MakeLine("[" + std::string(section) + "]", eol));
    FLines.push_back(MakeLine(std::string(key) + "=" + v, eol));
}
