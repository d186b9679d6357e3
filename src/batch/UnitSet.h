#pragma once
// The parameter set of one unit, held in the same pages the window saves its
// sets from: a set file is loaded with the window's own loading of the pages
// (LoadParameterSet), per-unit values go into a copy of the file under their
// page's section before it is loaded, and what the unit would not take as it
// stands is reported field by field. A set that is not wholly right is
// refused before any port is opened. A set need not cover every field: what
// it leaves out is left to the unit (or, for a run that asks every unit to
// be complete, refused once the unit's generation is known).
//
// Threading: GUI thread (a QApplication must exist; offscreen will do).

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/UnitsCsv.h"
#include "device/DevicePages.h"
#include "services/Settings.h"
#include "toolkit/Controls.h"

// A column a list of units may have (and a name --set takes): a value
// control of a parameter page, with what a technician needs to fill it in.
struct TSetColumn {
    std::string Name;    // the control's name, the set file's key ("etObjNum")
    std::string Section; // the set file's section (the page's name)
    std::string Page;    // the page's entry in the window's tree
    std::string Caption; // what the window calls it, without its examples
    std::string Form;    // what a value must be, in the window's words
    std::string Limit;   // the same in the words of the refusals
    std::string Default; // what "По умолчанию" gives it, as a set file holds it
    bool Secret = false; // a password
};

// The columns as orbelin-batch columns prints them, the list's own two
// first: a column's name and what the window calls it on a line, its form
// and default beneath, no line longer than a terminal's 100 characters.
std::string ColumnsText(const std::vector<TSetColumn>& Columns);

// A per-unit value and where it came from, for the messages.
struct TOverride {
    std::string Name;   // a control name ("etObjNum") or its caption
    std::string Value;  // as the field takes it
    std::string Source; // "--set" or "units.csv line 3"
};

// Why a set could not be taken; every line names the field and the source.
struct ESetRefused : std::runtime_error {
    explicit ESetRefused(std::vector<std::string> Problems);
    std::vector<std::string> Problems;
};

class TUnitSet {
public:
    TUnitSet();
    ~TUnitSet();
    TUnitSet(const TUnitSet&) = delete;
    TUnitSet& operator=(const TUnitSet&) = delete;

    // Loads SetFile with the overrides into the pages. When MergedFile is
    // given, the file the pages were loaded from (the set with the
    // overrides in it) is left there. Throws EFileError for a file that
    // cannot be read and ESetRefused for one that cannot be written to a
    // unit as it stands.
    void Load(const std::string& SetFile, const std::vector<TOverride>& Overrides,
              const std::string& MergedFile = {});
    // The pages as a set file the window loads. A parameter whose value is
    // not known gets no key: a write leaves it as the unit holds it rather
    // than send a value nobody gave.
    void Save(const std::string& FileName);

    // The page that stores a value control of this name, or none.
    TForm* PageOf(const std::string& ControlName) const;

    // Every value a set holds, in the order of the set file.
    const std::vector<TSetColumn>& Columns() const { return FColumns; }
    // The control a column header or --set name means: a column's name
    // (letter case ignored) or its caption, whole or without its examples;
    // nothing when it names none.
    std::optional<std::string> ColumnName(const std::string& Header) const;
    // Why Header names no column, with the names nearest to it.
    std::string UnknownColumn(const std::string& Header) const;
    // What is wrong with a list's header, each said once against it (File
    // and its line): a column that names no parameter, two that name one.
    // The rows keep their headers' words; Load names each value by them.
    std::vector<std::string> CheckColumns(const TUnitsHeader& Header,
                                          const std::string& File) const;

    TForm& Owner() { return *FOwner; }
    const TDevicePages& Pages() const { return FPages; }

private:
    const TSetColumn* ColumnOf(const std::string& ControlName) const;

    std::unique_ptr<TForm> FOwner;
    TDevicePages FPages;
    std::vector<TSetColumn> FColumns;
};
