#pragma once
// What the operator sees after a run, put into the words of a fault matrix
// cell: the window's values, lamps, indicator and memo, read off the real
// main window.
//
// Threading: GUI thread.

#include <map>
#include <string>
#include <vector>

class TForm1;

// A cell's phrases, joined by "; ".
class TCellWords {
public:
    void Add(const std::string& Phrase) { FPhrases.push_back(Phrase); }
    void AddAll(const std::vector<std::string>& Phrases);
    // Label «Text», its control characters shown as dots.
    void Quote(const std::string& Label, const std::string& Text);
    // Label «a» for one item, Label + "s" «a», «b» for several, nothing for none.
    void List(const std::string& Label, const std::vector<std::string>& Items);
    std::string Text() const;

private:
    std::vector<std::string> FPhrases;
};

// «Text» as a cell shows it (control characters as dots, cut after Limit
// characters), or "empty".
std::string QuoteOrEmpty(const std::string& Text, std::size_t Limit = std::string::npos);

// The "EEPROM" indicator's colour for a write state.
std::string EepromColour(int WriteState);

// The value controls of the parameter pages, by page and name.
struct TShownValue {
    std::string Page;    // the page's entry in the tree
    std::string Caption; // the caption of the control's lamp, or its name
    std::string Value;   // text, or "1"/"0" for a box or a button
};
using TValueSnapshot = std::map<std::string, TShownValue>;
TValueSnapshot SnapshotValues(const TForm1& Form);
// How After differs from Before: each value for up to three, else how many
// and on which pages; "values as a clean read brings" when none.
std::vector<std::string> ValueDifferences(const TValueSnapshot& Before,
                                          const TValueSnapshot& After);

// The lamps of the parameter pages that show red, by page and name.
std::vector<std::string> RedLamps(const TForm1& Form);
// The captions of the lamps that show red now and did not in Before.
std::vector<std::string> NewRedLamps(const TForm1& Form, const std::vector<std::string>& Before);

// The lines of the memo that report a failure to the operator.
std::vector<std::string> ErrorLines(const std::vector<std::string>& Memo);
