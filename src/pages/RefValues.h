#pragma once
// FRefValues: what a page knows about each of its parameters, by control
// name (letter case ignored).
//
// The reference value of a control is its value as last read from or
// written to the unit; the change marks compare the control with it. At
// page creation every value control gets an entry holding one blank, so
// that the entry exists; setting the empty text removes an entry.
//
// Beside it, each value control has a record (TParamRecord): where the
// value the control shows came from, the unit's own value exactly as it
// came, whether the control shows that value exactly, and the outcome of
// the last exchange. A write takes only values that are known (see Known);
// the window's lamps and messages, the settings files and orbelin-batch all
// learn what happened to a parameter from here.
//
// Threading: every method may be called from any thread (one mutex).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Where the value a control shows came from.
enum class TValueSource : std::uint8_t {
    None,     // nothing yet, or its last read failed: not a value to write
    Unit,     // read from the unit
    File,     // loaded from a settings file
    Operator, // typed, clicked or pasted
    Defaults, // the operator asked for the default values
};

// What happened to a parameter in the last exchange of it.
enum class TParamOutcome : std::uint8_t {
    None,       // not exchanged since the record began
    Read,       // read, and the control shows it exactly
    ReadFailed, // no answer, refused, or nothing in the reply
    Rejected,   // the unit's value does not have the parameter's form
    NotShown,   // read, but the control cannot show it exactly
    Written,    // the unit took the value
    Refused,    // the unit did not take it
    NotSent,    // left out of a write (see the note)
    Verified,   // read back after the write: the unit holds what was sent
    Differs,    // read back: the unit holds something else
};

// The word orbelin-batch's report uses: "read", "read failed", ...
const char* OutcomeName(TParamOutcome Outcome);
// The operator's word: "прочитан", "не прочитан", ...
const char* OutcomeWords(TParamOutcome Outcome);
// Back from the report's word; None for a word that is none of them.
TParamOutcome OutcomeFromName(std::string_view Name);
// "unit", "file", "operator", "defaults", "none".
const char* SourceName(TValueSource Source);

struct TParamRecord {
    TValueSource Source = TValueSource::None;
    // The control's value as it shows the value its source gave ("15",
    // "true"): while the control shows this, nobody has changed it since.
    std::string Shown;
    // False while the value the unit gave is not what the control shows (a
    // value outside its range, a code it has no state for): such a value is
    // the unit's to keep, a write leaves it out until the operator sets it.
    bool Exact = true;
    // The unit's value as its reply gave it, after the form check; nothing
    // before a read, after a failed one, or once another unit is connected.
    std::optional<std::string> Unit;
    TParamOutcome Outcome = TParamOutcome::None;
    // Why, when the outcome is not what was asked for, for the operator.
    std::string Note;

    // The control shows a value that may be written.
    bool Known() const { return Source != TValueSource::None && Exact; }
};

class TRefValues {
public:
    // The creation-time entry "name= " and an empty record.
    void AddBlank(std::string_view Name);
    // Replaces or appends the entry; the empty value removes it.
    void Set(std::string_view Name, std::string_view Value);
    // The value with blanks trimmed; a missing entry reads as empty.
    std::string Get(std::string_view Name) const;
    // The value as stored (untrimmed), or nothing when the entry is missing.
    std::optional<std::string> Find(std::string_view Name) const;
    bool Contains(std::string_view Name) const { return Find(Name).has_value(); }
    // The entries in order, as "name=value" lines.
    std::vector<std::string> Lines() const;
    std::size_t Count() const;

    // The record of a control (an empty one for a name never added).
    TParamRecord Record(std::string_view Name) const;
    std::optional<TParamRecord> FindRecord(std::string_view Name) const;
    // Changes a control's record in one step; nothing for a name never added.
    void Update(std::string_view Name, const std::function<void(TParamRecord&)>& Change);
    // The control now shows Value: unless that is what its source gave, the
    // operator has set it.
    void Shows(std::string_view Name, std::string_view Value);
    // The control shows Value, given by Source (exactly, as far as the
    // control can show it).
    void Given(std::string_view Name, TValueSource Source, std::string_view Value);
    // The names of the records, in the order they were added.
    std::vector<std::string> RecordNames() const;

private:
    using TEntries = std::vector<std::pair<std::string, std::string>>;
    using TRecords = std::vector<std::pair<std::string, TParamRecord>>;
    TEntries::const_iterator Locate(std::string_view Name) const;
    TParamRecord* RecordOf(std::string_view Name);
    const TParamRecord* RecordOf(std::string_view Name) const;

    mutable std::mutex FMutex;
    TEntries FEntries;
    TRecords FRecords;
};
