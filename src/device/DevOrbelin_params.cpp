// TDevOrbelin: one parameter at a time. Its caption label is its status lamp
// (window-text while it is exchanged, blue after success, red after a
// failure); after a successful exchange the page's reference table holds the
// value as the control shows it.

#include "device/DevOrbelin.h"
#include "device/WireValue.h"
#include "pages/PageOps.h"
#include "pages/SettingsPage.h"
#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

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

void TDevOrbelin::Lamp(TLabel* Label, TColor Color) {
    FOut.PostControlColor(Label, Color);
    if (Color != clRed || !Label)
        return;
    for (const TFailure& f : FFailures)
        if (f.Lamp == Label)
            return;
    FFailures.push_back({Label, {}});
}

void TDevOrbelin::NoteFailure(TLabel* Label, const std::string& Note) {
    for (TFailure& f : FFailures)
        if (f.Lamp == Label)
            f.Note = Note;
}

std::string TDevOrbelin::ParamName(TLabel* LampLabel, const std::string& Control) {
    const std::string caption = LampLabel ? ShortCaption(LampLabel->Caption()) : std::string();
    return caption.empty() ? Control : caption + " (" + Control + ")";
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

TDevOrbelin::TExchangeResult TDevOrbelin::Transact(const std::string& Command, std::string& Reply) {
    WalkStep();
    return Exchange(Command, Reply);
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
        Lamp(LampLabel, clRed);
        return false;
    }
    Value = ExtractReplyValue(reply);
    Lamp(LampLabel, clBlue);
    return true;
}

void TDevOrbelin::ReadParamValue(QObject* Control, const std::string& Name,
                                 const std::string& Command, TLabel* LampLabel, TRefValues& Table,
                                 const TParamForm& Form) {
    if (Stopping() || Skipped(Control, rqReadParam))
        return;
    Lamp(LampLabel, clWindowText);
    std::string reply;
    const TExchangeResult result = Transact(Command, reply);
    const auto value = TakeValue(result, reply, Form, ParamName(LampLabel, Name));
    if (!value) {
        // A value that was refused leaves nothing behind: neither what came
        // nor what the field showed before passes for the unit's setting.
        if (result == TExchangeResult::Answered || result == TExchangeResult::Malformed)
            Post(Control, "");
        Lamp(LampLabel, clRed);
        return;
    }
    const std::string text = FieldText(Form, *value);
    Table.Set(Name, text);
    Post(Control, text);
    Lamp(LampLabel, clBlue);
}

void TDevOrbelin::ReadTextParam(TEdit* Edit, const std::string& Command, TLabel* LampLabel,
                                TRefValues& Table, TParamForm Form) {
    Form.MaxLength = Edit->MaxLength();
    ReadParamValue(Edit, Edit->Name(), Command, LampLabel, Table, Form);
}

void TDevOrbelin::ReadHexParam(QObject* Control, const std::string& Command, TLabel* LampLabel,
                               TRefValues& Table, int Digits) {
    ReadParamValue(Control, ComponentInfoOf(Control)->Name(), Command, LampLabel, Table,
                   {TFormKind::Hex, Digits});
}

std::optional<std::string> TDevOrbelin::ReadFlagValue(const std::string& Command, int Digits,
                                                      const std::string& Who,
                                                      TExchangeResult* Result) {
    std::string reply;
    const TExchangeResult result = Transact(Command, reply);
    if (Result)
        *Result = result;
    return TakeValue(result, reply, {TFormKind::Hex, Digits}, Who);
}

bool TDevOrbelin::WriteTextParam(TEdit* Edit, const std::string& Command, int Digits,
                                 TLabel* LampLabel, TRefValues& Table) {
    if (Stopping() || Skipped(Edit, rqWriteParam))
        return false;
    Lamp(LampLabel, clWindowText);
    const std::string text = Edit->Text();
    std::string argument;
    if (Digits < 1) {
        // The bare command letter would read the parameter instead: the
        // write would pass for done although nothing was written.
        const bool empty = text.empty();
        const std::string who = ParamName(LampLabel, Edit->Name());
        if (empty)
            PostLine(" # !!! " + who +
                         " не отправлен: пустое значение устройство приняло бы за чтение; в "
                         "устройстве осталось прежнее значение",
                     true, true);
        if (empty || !Sendable(who, text)) {
            WalkStep();
            Lamp(LampLabel, clRed);
            NoteFailure(LampLabel,
                        empty ? "пусто, в устройстве осталось прежнее значение" : "не отправлен");
            FWriteFailed = true;
            return false;
        }
        argument = text;
    } else {
        const auto number = ControlNumber(text);
        if (!number) {
            WalkStep();
            Lamp(LampLabel, clRed);
            return false;
        }
        argument = IntToDecPadded(*number, Digits);
    }
    std::string reply;
    if (Transact(Command + argument, reply) != TExchangeResult::Answered) {
        Lamp(LampLabel, clRed);
        FWriteFailed = true;
        return false;
    }
    Table.Set(Edit->Name(), text);
    Post(Edit, text);
    Lamp(LampLabel, clBlue);
    return true;
}

bool TDevOrbelin::WriteHexParam(QObject* Control, const std::string& Command, int Digits,
                                TLabel* LampLabel, TRefValues& Table) {
    if (Stopping() || Skipped(Control, rqWriteParam))
        return false;
    Lamp(LampLabel, clWindowText);
    std::optional<std::int32_t> number;
    std::string text;
    if (const auto* spin = dynamic_cast<const TSpinEdit*>(Control)) {
        number = spin->Value();
        text = std::to_string(*number);
        if (*number < 0)
            number.reset();
    } else if (const auto* edit = dynamic_cast<const TEdit*>(Control)) {
        text = edit->Text();
        number = ControlNumber(text);
    }
    if (!number) {
        WalkStep();
        Lamp(LampLabel, clRed);
        return false;
    }
    std::string reply;
    if (Transact(Command + IntToHexUpper(*number, Digits), reply) != TExchangeResult::Answered) {
        Lamp(LampLabel, clRed);
        FWriteFailed = true;
        return false;
    }
    Table.Set(ComponentInfoOf(Control)->Name(), text);
    Post(Control, text);
    Lamp(LampLabel, clBlue);
    return true;
}

void TDevOrbelin::PostChecked(TCheckBox* Box, bool Checked, TRefValues& Table) {
    const char* state = QueueWord::Bool(Checked);
    Post(Box, state);
    Table.Set(Box->Name(), state);
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
