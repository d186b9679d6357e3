// TDevOrbelin: one parameter at a time. Its caption label is its status lamp
// (window-text while it is exchanged, blue after success, red after a
// failure); its controls' records (the page's TRefValues) say what is known
// of it: the unit's value exactly as it came, whether the controls show it,
// where the shown value came from, and how its last exchange went. A write
// sends only what is known; the rest is left out and said so.

#include <algorithm>
#include <utility>

#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "device/ParamCodec.h"
#include "pages/PageOps.h"
#include "pages/SettingsPage.h"
#include "pages/f_phones.h"
#include "params/WireValue.h"
#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {

const char* const NobodyGave = "значение не прочитано из блока и не задано";

std::string NameOf(const QObject* Control) {
    const TComponentInfo* info = ComponentInfoOf(Control);
    return info ? info->Name() : std::string();
}

TControlValue ValueOf(const QObject* Control) {
    const TValueControl control(Control);
    if (control.IsSpin()) {
        // A spin edit's number; a negative one has no form the unit reads.
        const int value = control.Number();
        return {.Text = value < 0 ? std::string("-") : std::to_string(value)};
    }
    return {.Text = control.Text(), .Checked = control.Checked()};
}

} // namespace

bool TDevOrbelin::Marked(const QObject* Control) {
    const TComponentInfo* info = ComponentInfoOf(Control);
    return info && HasParameterMark(info->Tag());
}

bool TDevOrbelin::Skipped(QObject* Control, std::uint8_t SingleCode) const {
    return FRequest == SingleCode && !Marked(Control);
}

void TDevOrbelin::Post(QObject* Control, const std::string& Text) {
    FOut.PostControlText(Control, Text);
}

void TDevOrbelin::CountFailure(TFailure Failure) {
    for (const TFailure& f : FFailures)
        if (f.Row == Failure.Row && f.Lamp == Failure.Lamp)
            return;
    FFailures.push_back(std::move(Failure));
}

void TDevOrbelin::LampFailed(TLabel* Label) {
    Lamp(Label, clRed);
    CountFailure({nullptr, Label, LampWords(FPages, *Label).Text(), {}});
}

std::string TDevOrbelin::ParamName(const TParamPage& Page, const TParamDef& Row,
                                   const std::string& Control) {
    return Control.empty() ? std::string() : ParamWords(Page, Row.Page, Control).Text();
}

std::optional<std::string> TDevOrbelin::TakeValue(TExchangeResult Result, const std::string& Reply,
                                                  const TParamForm& Form, const std::string& Who) {
    if (Result == TExchangeResult::Malformed) {
        PostLine(" # !!! " + Who +
                     ": ответ отклонён, в нём нет ни «OK», ни значения: " + QuotedValue(Reply),
                 true, true);
        return std::nullopt;
    }
    if (Result != TExchangeResult::Answered)
        return std::nullopt;
    const std::string value = ExtractReplyValue(Reply);
    if (const auto problem = FormProblem(Form, value)) {
        RejectValue(Who, value, *problem);
        return std::nullopt;
    }
    return value;
}

void TDevOrbelin::RejectValue(const std::string& Who, const std::string& Value,
                              const std::string& Problem) {
    PostLine(" # !!! " + Who + ": значение " + QuotedValue(Value) + " отклонено, " + Problem, true,
             true);
}

TDevOrbelin::TExchangeResult TDevOrbelin::Transact(const std::string& Command, std::string& Reply,
                                                   const std::string& Place) {
    WalkStep();
    const TExchangeResult result = Exchange(Command, Reply);
    if (FUnitSilent)
        return result;
    if (result != TExchangeResult::NoAnswer) {
        FSilentReplies = 0;
        FLastAnswered = Place;
    } else if (!Stopping() && ++FSilentReplies >= SilentRepliesEnd) {
        FUnitSilent = true;
        PostLine(" # !!! Устройство перестало отвечать: нет ответа на " +
                     std::to_string(FSilentReplies) + " команды подряд",
                 true, true);
    }
    return result;
}

bool TDevOrbelin::Sendable(const std::string& What, const std::string& Text) {
    const auto problem = WireTextProblem(Text);
    if (!problem)
        return true;
    PostLine(" # !!! " + What + " не отправлен: " + *problem, true, true);
    return false;
}

bool TDevOrbelin::ExecCommand(const std::string& Command, TLabel* LampLabel, std::string& Value) {
    if (Stopping())
        return false;
    Lamp(LampLabel, clWindowText);
    std::string reply;
    if (Transact(Command, reply) != TExchangeResult::Answered) {
        Value = reply;
        LampFailed(LampLabel);
        return false;
    }
    Value = ExtractReplyValue(reply);
    Lamp(LampLabel, clBlue);
    return true;
}

std::optional<std::string> TDevOrbelin::ReadFlagValue(const TParamDef& Row, const std::string& Who,
                                                      TExchangeResult* Result) {
    std::string reply;
    const TExchangeResult result = Transact(Row.Read, reply, Who);
    if (Result)
        *Result = result;
    return TakeValue(result, reply, Row.Form, Who);
}

std::string TDevOrbelin::TRowOnPage::Who() const {
    const QObject* first = Controls.empty() ? nullptr : Controls.front();
    return first ? RowWords(*Page, *Row).Text() : std::string();
}

bool TDevOrbelin::TRowOnPage::AnyMarked() const {
    return std::any_of(Controls.begin(), Controls.end(), [](QObject* c) { return Marked(c); });
}

TDevOrbelin::TRowOnPage TDevOrbelin::OnPage(TParamPage& Page, const TParamDef& Row) const {
    TRowOnPage r{&Row, &Page, {}, {}};
    for (const std::string& name : Row.ControlNames())
        r.Controls.push_back(Page.FindComponent(name));
    for (const std::string& name : Row.LampNames())
        if (auto* lamp = Page.Find<TLabel>(name))
            r.Lamps.push_back(lamp);
    return r;
}

std::vector<TDevOrbelin::TRowOnPage> TDevOrbelin::PageRows(TParamPage& Page, bool Write) const {
    std::vector<TRowOnPage> rows;
    const TPageInfo* info = PageInfoOf(FPages, &Page);
    if (!info)
        return rows;
    const int generation = FGeneration.load();
    for (const TParamDef* row : ParamsOfPage(info->Number))
        if (Write ? row->WrittenInGeneration(generation) : row->ReadInGeneration(generation))
            rows.push_back(OnPage(Page, *row));
    return rows;
}

void TDevOrbelin::Lamps(const TRowOnPage& R, TColor Color) {
    for (TLabel* lamp : R.Lamps)
        Lamp(lamp, Color);
}

void TDevOrbelin::NoteOutcome(const TRowOnPage& R, TParamOutcome Outcome, const std::string& Note) {
    for (QObject* control : R.Controls)
        if (control)
            R.Page->FRefValues.Update(NameOf(control), [&](TParamRecord& rec) {
                rec.Outcome = Outcome;
                rec.Note = Note;
            });
}

void TDevOrbelin::Failed(const TRowOnPage& R, TParamOutcome Outcome, const std::string& Note,
                         const std::string& Summary) {
    NoteOutcome(R, Outcome, Note);
    Lamps(R, clRed);
    // One parameter counts once, however many lamps it has.
    CountFailure({R.Row, nullptr, R.Who(), Summary});
}

bool TDevOrbelin::ReadParam(const TRowOnPage& R) {
    if (Stopping())
        return false;
    const TParamDef& row = *R.Row;
    TRefValues& table = R.Page->FRefValues;
    Lamps(R, clWindowText);
    std::string reply;
    const TExchangeResult result = Transact(row.Read, reply, R.Who());
    const std::string who = R.Who();
    std::optional<std::string> value = TakeValue(result, reply, ReadForm(row), who);
    TDecodedValue decoded;
    if (value) {
        decoded = DecodeParam(row, *value);
        if (!decoded.Ok()) {
            RejectValue(who, *value, decoded.Problem);
            value.reset();
        }
    }
    if (!value) {
        // Nothing of the parameter is known now: neither what came nor what
        // the field showed before passes for the unit's setting.
        const bool answered =
            result == TExchangeResult::Answered || result == TExchangeResult::Malformed;
        for (QObject* control : R.Controls) {
            if (!control)
                continue;
            if (answered && TValueControl(control).IsEdit())
                Post(control, "");
            table.Update(NameOf(control), [&](TParamRecord& rec) {
                rec.Source = TValueSource::None;
                rec.Unit.reset();
                rec.Exact = true;
                if (answered && TValueControl(control).IsEdit())
                    rec.Shown.clear();
            });
        }
        Failed(R, answered ? TParamOutcome::Rejected : TParamOutcome::ReadFailed);
        return false;
    }
    for (std::size_t i = 0; i < R.Controls.size() && i < decoded.Shown.size(); ++i) {
        QObject* control = R.Controls[i];
        if (!control)
            continue;
        const std::string name = NameOf(control);
        const std::optional<std::string>& shown = decoded.Shown[i];
        // The record first: the control's change that the post brings is then
        // the unit's, not the operator's.
        const bool exact = decoded.ShownExactly[i];
        table.Update(name, [&](TParamRecord& rec) {
            rec.Source = TValueSource::Unit;
            rec.Unit = *value;
            rec.Exact = exact;
            if (shown)
                rec.Shown = *shown;
            else if (const auto now = ShownValue(control))
                rec.Shown = *now;
        });
        if (shown) {
            // The reference is what the unit holds as the field shows it; a
            // value the field cannot show leaves the last one.
            if (exact)
                table.Set(name, *shown);
            Post(control, *shown);
        }
    }
    if (decoded.Mode)
        // The page enables the inputs' event flags in mode 1 only.
        Post(R.Page, *decoded.Mode == 0 ? QueueWord::FlagsOn : QueueWord::FlagsOff);
    if (decoded.KeptBits)
        PostLine(" # " + who + ": устройство хранит " + QuotedValue(*value) + ", биты " +
                     IntToHexUpper(decoded.KeptBits, 2) +
                     " на странице не показаны и записываются обратно как есть",
                 true, true);
    if (!decoded.Exact) {
        // Never turned into a value the field can show: the unit keeps it.
        // A number is told as the field would show it.
        const bool number = row.Codec == TParamCodec::Field && row.Form.Kind == TFormKind::Hex;
        const std::string held = number ? FieldText(row.Form, *value) : *value;
        PostLine(" # !!! " + who + ": устройство хранит " + QuotedValue(held) + ", " + decoded.Why +
                     "; не записывается, пока поле не задано",
                 true, true);
        // The failure is named in the read's message, which a report keeps.
        Failed(R, TParamOutcome::NotShown, decoded.Why, HeldNote(row, held));
        return true;
    }
    NoteOutcome(R, TParamOutcome::Read);
    Lamps(R, clBlue);
    return true;
}

bool TDevOrbelin::WriteParam(const TRowOnPage& R) {
    if (Stopping())
        return false;
    FWriteRows.emplace_back(R.Page, R.Row);
    const TParamDef& row = *R.Row;
    TRefValues& table = R.Page->FRefValues;
    const std::string who = R.Who();
    bool unknown = false;
    // The value is the unit's to keep: one a field does not show (the unit's
    // own, when known), or one a set leaves to the unit.
    bool keep = false;
    std::optional<std::string> kept;
    std::optional<std::string> unit;
    std::vector<TControlValue> values;
    for (QObject* control : R.Controls) {
        values.push_back(ValueOf(control));
        if (!control)
            continue;
        const TParamRecord rec = table.Record(NameOf(control));
        if (rec.Source == TValueSource::None)
            unknown = true;
        else if (!rec.Exact) {
            keep = true;
            kept = rec.Unit;
        }
        if (rec.Unit)
            unit = rec.Unit;
    }
    if (unknown || keep) {
        // Nobody gave it a value, or the unit holds one no field shows: the
        // unit keeps its own, which loses nothing and is no failure.
        WalkStep();
        const std::string why = kept && !unknown ? "устройство хранит " +
                                                       QuotedValue(ShownInReports(row, *kept)) +
                                                       ", поле его не показывает"
                                                 : std::string(NobodyGave);
        PostLine(" # " + who + ": не записан, " + why + "; в устройстве осталось его значение",
                 true, true);
        Lamps(R, clRed);
        NoteOutcome(R, TParamOutcome::NotShown, why);
        FKept.push_back(R.Who());
        return false;
    }
    Lamps(R, clWindowText);
    if (!unit && (row.Codec == TParamCodec::Bits || row.Codec == TParamCodec::InputMasks)) {
        // The bits no box shows belong to the unit at hand; when its value
        // is not known (a set from a file, another unit read before), it is
        // asked for first, so that they go back as it holds them. Not a step
        // of the walk: it adds no parameter.
        std::string reply;
        const TExchangeResult result = Exchange(row.Read, reply);
        unit = TakeValue(result, reply, ReadForm(row), who);
    }
    const auto* phones = dynamic_cast<const TformPhones*>(R.Page);
    const bool numbersOff = phones && phones->cbPhonesOff->Checked();
    std::string problem;
    const auto argument = EncodeParam(row, values, unit, numbersOff, problem);
    if (!argument) {
        WalkStep();
        PostLine(" # !!! " + who + " не отправлен: " + problem, true, true);
        const bool empty = row.Codec == TParamCodec::Field && !values.empty() &&
                           values.front().Text.empty() && !problem.starts_with("не число");
        Failed(R, TParamOutcome::NotSent, problem,
               empty ? "пусто, в устройстве осталось прежнее значение" : "не отправлен");
        FWriteFailed = true;
        return false;
    }
    std::string reply;
    FWritesSent.fetch_add(1);
    if (Transact(row.Write + *argument, reply, R.Who()) != TExchangeResult::Answered) {
        // A stop that cut the exchange short leaves open whether the unit
        // took the value: said so, not taken for the unit's refusal.
        Failed(R, TParamOutcome::Refused,
               Stopping() ? "прервано: ответа не дождались, принял ли блок — неизвестно"
                          : std::string());
        FWriteFailed = true;
        return false;
    }
    for (std::size_t i = 0; i < R.Controls.size(); ++i) {
        QObject* control = R.Controls[i];
        const auto shown = ShownValue(control);
        if (!shown)
            continue;
        // The reference is what the field showed, the unit's value what it took.
        const std::string name = NameOf(control);
        const std::string sent = row.Codec == TParamCodec::Number ? *argument : *shown;
        table.Set(name, sent);
        table.Update(name, [&](TParamRecord& rec) {
            rec.Unit = *argument;
            rec.Outcome = TParamOutcome::Written;
            rec.Note.clear();
        });
        if (row.Codec == TParamCodec::Field)
            Post(control, *shown);
    }
    Lamps(R, clBlue);
    ExpectReadBack(R, *argument);
    return true;
}

void TDevOrbelin::FinishRead(TParamPage& Page) {
    if (Stopping())
        Page.FWasRead = false;
    else if (FRequest != rqReadParam)
        Page.FWasRead = true;
}

void TDevOrbelin::FinishWrite(TParamPage& Page, bool EvenSingle) {
    if (Stopping())
        Page.FWasWritten = false;
    else if (EvenSingle || FRequest != rqWriteParam)
        Page.FWasWritten = true;
}
