#include "device/WriteSummary.h"

#include "device/DevicePages.h"
#include "device/PageTable.h"
#include "pages/SettingsPage.h"
#include "pages/f_common.h"
#include "params/ParamForm.h"
#include "params/ParamTable.h"
#include "toolkit/TextUtil.h"

bool SentToUnit(TParamOutcome Outcome) {
    return Outcome == TParamOutcome::Written || Outcome == TParamOutcome::Verified ||
           Outcome == TParamOutcome::Differs;
}

bool FailedOutcome(TParamOutcome Outcome) {
    switch (Outcome) {
    case TParamOutcome::ReadFailed:
    case TParamOutcome::Rejected:
    case TParamOutcome::Refused:
    case TParamOutcome::NotSent:
    case TParamOutcome::Differs:
        return true;
    case TParamOutcome::None:
    case TParamOutcome::Read:
    case TParamOutcome::NotShown:
    case TParamOutcome::Written:
    case TParamOutcome::Verified:
        return false;
    }
    return false;
}

std::string RecordValue(const TParamDef& Row, QObject* Control, const TParamRecord& Record) {
    if (Record.Exact)
        return Record.Shown;
    // A value no field shows: the unit's own text.
    const std::string raw = Record.Unit.value_or("");
    if (Row.Codec == TParamCodec::Field && TValueControl(Control).IsEdit())
        return FieldText(Row.Form, raw);
    return raw;
}

TParamResult ParamResultOf(const TParamPage& Page, const TParamDef& Row) {
    const auto names = Row.ControlNames();
    if (names.empty())
        return {Page.Name(), {}, {}, TParamOutcome::None, {}};
    const std::string& name = names.front();
    const TParamRecord record = Page.FRefValues.Record(name);
    QObject* control = Page.FindComponent(name);
    // A value the unit did not keep: the field shows what it holds (the note
    // says so), its reference what was sent.
    const std::string value = record.Outcome == TParamOutcome::Differs ? Page.FRefValues.Get(name)
                              : control ? RecordValue(Row, control, record)
                                        : std::string();
    return ShownResult({Page.Name(), name, value, record.Outcome, record.Note,
                        ParamWords(Page, Row.Page, name).Text()});
}

TParamResult ShownResult(TParamResult Result) {
    // Called for every parameter of every record the journal reads: only
    // the few password rows are looked at.
    static const std::vector<const TParamDef*> secrets = [] {
        std::vector<const TParamDef*> rows;
        for (const TParamDef& r : ParamTable())
            if (r.Secret)
                rows.push_back(&r);
        return rows;
    }();
    const TParamDef* row = nullptr;
    for (const TParamDef* r : secrets)
        for (const char* name : r->Controls)
            if (name && SameTextAscii(name, Result.Name))
                row = r;
    if (!row)
        return Result;
    Result.Value = ShownInReports(*row, Result.Value);
    std::string& note = Result.Note;
    for (std::size_t open = note.find("«"); open != std::string::npos;
         open = note.find("«", open + 1)) {
        const std::size_t from = open + std::string_view("«").size();
        const std::size_t close = note.find("»", from);
        note.replace(from, close == std::string::npos ? std::string::npos : close - from, "***");
    }
    return Result;
}

std::string KnownObjectNumber(const TDevicePages& Pages) {
    if (!Pages.formCommon)
        return {};
    return Pages.formCommon->FRefValues.Record(Pages.formCommon->etObjNum->Name())
        .Unit.value_or("");
}
