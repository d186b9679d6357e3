#include "pages/RefValues.h"

#include <algorithm>

#include "toolkit/TextUtil.h"

namespace {

// Each outcome with the report's word and the operator's.
struct TOutcomeWords {
    TParamOutcome Outcome;
    const char* Name;
    const char* Words;
};
constexpr TOutcomeWords Outcomes[] = {
    {TParamOutcome::None, "none", "—"},
    {TParamOutcome::Read, "read", "прочитан"},
    {TParamOutcome::ReadFailed, "read failed", "не прочитан"},
    {TParamOutcome::Rejected, "rejected", "отклонён"},
    {TParamOutcome::NotShown, "not shown", "оставлен в блоке"},
    {TParamOutcome::Written, "written", "записан"},
    {TParamOutcome::Refused, "refused", "отказ"},
    {TParamOutcome::NotSent, "not sent", "не отправлен"},
    {TParamOutcome::Verified, "verified", "проверен"},
    {TParamOutcome::Differs, "differs", "отличается"},
};

const TOutcomeWords& WordsOf(TParamOutcome Outcome) {
    for (const TOutcomeWords& o : Outcomes)
        if (o.Outcome == Outcome)
            return o;
    return Outcomes[0];
}

} // namespace

const char* OutcomeName(TParamOutcome Outcome) {
    return WordsOf(Outcome).Name;
}

const char* OutcomeWords(TParamOutcome Outcome) {
    return WordsOf(Outcome).Words;
}

TParamOutcome OutcomeFromName(std::string_view Name) {
    for (const TOutcomeWords& o : Outcomes)
        if (Name == o.Name)
            return o.Outcome;
    return TParamOutcome::None;
}

const char* SourceName(TValueSource Source) {
    switch (Source) {
    case TValueSource::None:
        return "none";
    case TValueSource::Unit:
        return "unit";
    case TValueSource::File:
        return "file";
    case TValueSource::Operator:
        return "operator";
    case TValueSource::Defaults:
        return "defaults";
    }
    return "none";
}

TRefValues::TEntries::const_iterator TRefValues::Locate(std::string_view name) const {
    return std::find_if(FEntries.begin(), FEntries.end(),
                        [&](const auto& entry) { return SameTextAscii(entry.first, name); });
}

TParamRecord* TRefValues::RecordOf(std::string_view name) {
    for (auto& [key, record] : FRecords)
        if (SameTextAscii(key, name))
            return &record;
    return nullptr;
}

const TParamRecord* TRefValues::RecordOf(std::string_view name) const {
    return const_cast<TRefValues*>(this)->RecordOf(name);
}

void TRefValues::AddBlank(std::string_view name) {
    Set(name, " ");
    std::lock_guard lock(FMutex);
    if (!RecordOf(name))
        FRecords.emplace_back(std::string(name), TParamRecord{});
}

void TRefValues::Set(std::string_view name, std::string_view value) {
    std::lock_guard lock(FMutex);
    const auto it = Locate(name);
    if (value.empty()) {
        if (it != FEntries.end())
            FEntries.erase(it);
        return;
    }
    if (it != FEntries.end())
        FEntries[static_cast<std::size_t>(it - FEntries.begin())].second = value;
    else
        FEntries.emplace_back(std::string(name), std::string(value));
}

std::optional<std::string> TRefValues::Find(std::string_view name) const {
    std::lock_guard lock(FMutex);
    const auto it = Locate(name);
    if (it == FEntries.end())
        return std::nullopt;
    return it->second;
}

std::string TRefValues::Get(std::string_view name) const {
    return TrimBlanks(Find(name).value_or(std::string()));
}

std::vector<std::string> TRefValues::Lines() const {
    std::lock_guard lock(FMutex);
    std::vector<std::string> lines;
    lines.reserve(FEntries.size());
    for (const auto& [name, value] : FEntries)
        lines.push_back(name + "=" + value);
    return lines;
}

std::size_t TRefValues::Count() const {
    std::lock_guard lock(FMutex);
    return FEntries.size();
}

TParamRecord TRefValues::Record(std::string_view name) const {
    std::lock_guard lock(FMutex);
    const TParamRecord* record = RecordOf(name);
    return record ? *record : TParamRecord{};
}

std::optional<TParamRecord> TRefValues::FindRecord(std::string_view name) const {
    std::lock_guard lock(FMutex);
    const TParamRecord* record = RecordOf(name);
    return record ? std::optional<TParamRecord>(*record) : std::nullopt;
}

void TRefValues::Update(std::string_view name, const std::function<void(TParamRecord&)>& change) {
    std::lock_guard lock(FMutex);
    if (TParamRecord* record = RecordOf(name))
        change(*record);
}

void TRefValues::Shows(std::string_view name, std::string_view value) {
    std::lock_guard lock(FMutex);
    TParamRecord* record = RecordOf(name);
    if (!record || record->Shown == value)
        return;
    record->Source = TValueSource::Operator;
    record->Shown = value;
    record->Exact = true;
}

void TRefValues::Given(std::string_view name, TValueSource source, std::string_view value) {
    std::lock_guard lock(FMutex);
    if (TParamRecord* record = RecordOf(name)) {
        record->Source = source;
        record->Shown = value;
        record->Exact = true;
    }
}

std::vector<std::string> TRefValues::RecordNames() const {
    std::lock_guard lock(FMutex);
    std::vector<std::string> names;
    names.reserve(FRecords.size());
    for (const auto& entry : FRecords)
        names.push_back(entry.first);
    return names;
}
