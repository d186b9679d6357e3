// TDevOrbelin: the parameter groups of the settings pages, each exchanged in
// its fixed order, and the two actions (GPS restart, event flags reset). A
// failed parameter never stops its group.

#include <string>
#include <vector>

#include "device/DevOrbelin.h"
#include "device/WireValue.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_phones.h"
#include "toolkit/TextUtil.h"

namespace {

// How a parameter's value reads and writes (ParamForm.h). A decimal form
// with digits is written zero-padded to them, one without as typed; a
// hexadecimal one as upper-case hexadecimal of at least its digits; every
// other form as the text the field holds.
constexpr TParamForm Text{TFormKind::Text};
constexpr TParamForm Phone{TFormKind::Phone};
constexpr TParamForm Address{TFormKind::IPv4};
constexpr TParamForm Number{TFormKind::Decimal};
constexpr TParamForm Decimal4{TFormKind::Decimal, 4};
constexpr TParamForm Hex2{TFormKind::Hex, 2};
constexpr TParamForm Hex4{TFormKind::Hex, 4};

struct TParamRow {
    TEdit* Edit;
    const char* Command;
    TLabel* Lamp;
    TParamForm Form;
};

std::vector<TParamRow> CommonRows(TformCommon& p) {
    return {
        {p.etObjNum, "+O", p.lbetObjNum, Decimal4},
        {p.etPhone, "+h", p.lbetPhone, Phone},
        {p.etLat, "+l", p.lbetLat, Hex4},
        {p.etLon, "+L", p.lbetLon, Hex4},
        {p.etGPSrestartt, "+s", p.lbetGPSrestartt, Hex2},
        {p.etGPSpostime, "+o", p.lbetGPSpostime, Hex2},
        {p.etModemCheckt, "+t", p.lbetModemCheckt, Hex2},
        {p.etModemTryes, "+T", p.lbetModemTryes, Hex2},
    };
}

// The GPRS page after its switch; the server port is text on the wire, the
// digits as typed.
std::vector<TParamRow> GPRSRows(TformGPRS& p) {
    return {
        {p.etGPRSphone, "+g", p.lbetGPRSphone, Phone},
        {p.etAccessPoint, "+G", p.lbetAccessPoint, Text},
        {p.etLoginGPRS, "+B", p.lbetLoginGPRS, Text},
        {p.etPswdGPRS, "+b", p.lbetPswdGPRS, Text},
        {p.etIp, "+I", p.lbetIp, Address},
        {p.etPort, "+j", p.lbetPort, Number},
        {p.etPswd, "+N", p.lbetPswd, Text},
        {p.etGPRSTryes, "+A", p.lbetGPRSTryes, Hex2},
        {p.etGPRSTimeout, "+a", p.lbetGPRSTimeout, Hex2},
        {p.etServerTryes, "+D", p.lbetServerTryes, Hex2},
        {p.etServerTimeout, "+d", p.lbetServerTimeout, Hex2},
    };
}

// "Текущее состояние" lamps by status bit, and whether a set bit is the
// normal (lime) state of that source.
struct TStatusLamp {
    int Shape;
    bool LimeWhenSet;
};
constexpr TStatusLamp StatusLamps[8] = {
    {8, false}, {7, false}, {6, false}, {5, false}, // inputs 1..4: a set bit is idle
    {4, true},  {3, true},  {2, true},  {1, true},  // power, outputs 2 and 1, GPS
};

// Event flag lamps by bit: restore row, trigger row.
constexpr int RestoreShapes[5] = {13, 12, 11, 10, 9};
constexpr int TriggerShapes[5] = {18, 17, 16, 15, 14};

const char* const MainPower = "Основное";
// How the memo names the two status values that have no lamp.
const char* const StatusName = "Текущее состояние (+S)";
const char* const FlagsName = "Флаги событий (+M)";

} // namespace

std::optional<TParamForm> TDevOrbelin::ParamFormOf(const TDevicePages& Pages,
                                                   const QObject* Control) {
    const auto* edit = dynamic_cast<const TEdit*>(Control);
    if (!edit)
        return std::nullopt;
    std::optional<TParamForm> form;
    const auto look = [&](const std::vector<TParamRow>& Rows) {
        for (const TParamRow& row : Rows)
            if (row.Edit == edit)
                form = row.Form;
    };
    if (Pages.formCommon)
        look(CommonRows(*Pages.formCommon));
    if (Pages.formGPRS)
        look(GPRSRows(*Pages.formGPRS));
    if (Pages.formPhones)
        for (int n = 0; n < TformPhones::NumberCount; ++n)
            if (Pages.formPhones->Phone(n) == edit)
                form = Phone;
    if (form)
        form->MaxLength = edit->MaxLength();
    return form;
}

void TDevOrbelin::ReadByForm(TEdit* Edit, const std::string& Command, TLabel* LampLabel,
                             TRefValues& Table, const TParamForm& Form) {
    if (Form.Kind == TFormKind::Hex)
        ReadHexParam(Edit, Command, LampLabel, Table, Form.Digits);
    else
        ReadTextParam(Edit, Command, LampLabel, Table, Form);
}

void TDevOrbelin::WriteByForm(TEdit* Edit, const std::string& Command, TLabel* LampLabel,
                              TRefValues& Table, const TParamForm& Form) {
    const bool written =
        Form.Kind == TFormKind::Hex
            ? WriteHexParam(Edit, Command, Form.Digits, LampLabel, Table)
            : WriteTextParam(Edit, Command, Form.Kind == TFormKind::Decimal ? Form.Digits : 0,
                             LampLabel, Table);
    if (written)
        ExpectValue(Edit, Command, LampLabel, Form, Table);
}

void TDevOrbelin::ReadCommon(TformCommon& Page) {
    if (Stopping())
        return;
    for (const TParamRow& row : CommonRows(Page))
        ReadByForm(row.Edit, row.Command, row.Lamp, Page.FRefValues, row.Form);
    FinishRead(Page);
}

void TDevOrbelin::WriteCommon(TformCommon& Page) {
    if (Stopping())
        return;
    for (const TParamRow& row : CommonRows(Page))
        WriteByForm(row.Edit, row.Command, row.Lamp, Page.FRefValues, row.Form);
    FinishWrite(Page);
}

void TDevOrbelin::ReadGPRS(TformGPRS& Page) {
    if (Stopping())
        return;
    if (!Skipped(Page.cbGPRS, rqReadParam)) {
        std::string value;
        if (ExecCommand("+c", Page.lbcb, value)) {
            // Exact: a lower-case "ff" is not an answer this program knows.
            if (value == "00" || value == "FF") {
                PostChecked(Page.cbGPRS, value == "00", Page.FRefValues);
            } else {
                Post(Page.cbGPRS, QueueWord::False);
                Lamp(Page.lbcb, clRed);
            }
        }
    }
    for (const TParamRow& row : GPRSRows(Page))
        ReadByForm(row.Edit, row.Command, row.Lamp, Page.FRefValues, row.Form);
    FinishRead(Page);
}

void TDevOrbelin::WriteGPRS(TformGPRS& Page) {
    if (Stopping())
        return;
    if (!Skipped(Page.cbGPRS, rqWriteParam)) {
        const bool on = Page.cbGPRS->Checked();
        Lamp(Page.lbcb, clWindowText);
        std::string reply;
        if (Transact(on ? "+c00" : "+cFF", reply) == TExchangeResult::Answered) {
            Page.FRefValues.Set(Page.cbGPRS->Name(), QueueWord::Bool(on));
            Lamp(Page.lbcb, clBlue);
            ExpectReadBack({TReadBackKind::Switch,
                            "+c",
                            {},
                            {Page.lbcb},
                            {{Page.cbGPRS, QueueWord::Bool(on)}}});
        } else {
            Lamp(Page.lbcb, clRed);
            FWriteFailed = true;
        }
    }
    for (const TParamRow& row : GPRSRows(Page))
        WriteByForm(row.Edit, row.Command, row.Lamp, Page.FRefValues, row.Form);
    FinishWrite(Page);
}

void TDevOrbelin::ReadGPS(TformGPS& Page) {
    if (Stopping())
        return;
    const bool marked =
        !Skipped(Page.cbGPSOff, rqReadParam) || !Skipped(Page.cbGPSDebug, rqReadParam);
    if (marked) {
        Lamp(Page.lbGPSOff, clWindowText);
        Lamp(Page.lbGPSDebug, clWindowText);
        const auto value = ReadFlagValue("+R", 2, ParamName(Page.lbGPSOff, Page.cbGPSOff->Name()));
        const auto flags = value ? HexReplyValue(*value) : std::nullopt;
        const TColor lamp = flags ? clBlue : clRed;
        if (flags) {
            PostChecked(Page.cbGPSDebug, *flags & 1, Page.FRefValues);
            PostChecked(Page.cbGPSOff, *flags & 2, Page.FRefValues);
        }
        Lamp(Page.lbGPSOff, lamp);
        Lamp(Page.lbGPSDebug, lamp);
    }
    FinishRead(Page);
}

void TDevOrbelin::WriteGPS(TformGPS& Page) {
    if (Stopping())
        return;
    const bool debug = Page.cbGPSDebug->Checked();
    const bool off = Page.cbGPSOff->Checked();
    Lamp(Page.lbGPSOff, clWindowText);
    Lamp(Page.lbGPSDebug, clWindowText);
    std::string reply;
    TColor lamp = clRed;
    if (Transact("+R" + IntToHexUpper((debug ? 1 : 0) + (off ? 2 : 0), 2), reply) ==
        TExchangeResult::Answered) {
        Page.FRefValues.Set(Page.cbGPSDebug->Name(), QueueWord::Bool(debug));
        Page.FRefValues.Set(Page.cbGPSOff->Name(), QueueWord::Bool(off));
        lamp = clBlue;
        ExpectReadBack(
            {TReadBackKind::GpsFlags,
             "+R",
             {},
             {Page.lbGPSOff, Page.lbGPSDebug},
             {{Page.cbGPSDebug, QueueWord::Bool(debug)}, {Page.cbGPSOff, QueueWord::Bool(off)}}});
    } else {
        FWriteFailed = true;
    }
    Lamp(Page.lbGPSOff, lamp);
    Lamp(Page.lbGPSDebug, lamp);
    FinishWrite(Page, true);
}

std::string TDevOrbelin::PowerStateText(int& Status) {
    TExchangeResult result = TExchangeResult::NoAnswer;
    const auto value = ReadFlagValue("+S", 2, StatusName, &result);
    if (result == TExchangeResult::NoAnswer)
        return "TimeOUT!!";
    const auto status = value ? HexReplyValue(*value) : std::nullopt;
    if (!status)
        return "ОШИБКА!!";
    Status = *status;
    return {};
}

void TDevOrbelin::ReadBattery(TformAcc& Page) {
    if (Stopping())
        return;
    ReadHexParam(Page.seACCCheckTime, "+q", Page.lbseACCCheckTime, Page.FRefValues, 2);
    if (!Stopping() && !Skipped(Page.cbAccTest, rqReadParam)) {
        Lamp(Page.lbcbAccTest, clWindowText);
        const auto value =
            ReadFlagValue("+K", 2, ParamName(Page.lbcbAccTest, Page.cbAccTest->Name()));
        const auto flags = value ? HexReplyValue(*value) : std::nullopt;
        if (flags) {
            // Bit 0 set: the test is switched off.
            PostChecked(Page.cbAccTest, !(*flags & 1), Page.FRefValues);
            Lamp(Page.lbcbAccTest, clBlue);
        } else {
            Lamp(Page.lbcbAccTest, clRed);
        }
    }
    if (!Stopping() && FRequest != rqReadParam) {
        int status = 0;
        std::string caption = PowerStateText(status);
        if (caption.empty())
            caption = status & 0x10 ? MainPower : "Резервное";
        Post(Page.pPowerState, caption);
    }
    FinishRead(Page);
}

void TDevOrbelin::WriteBattery(TformAcc& Page) {
    if (Stopping())
        return;
    if (WriteHexParam(Page.seACCCheckTime, "+q", 2, Page.lbseACCCheckTime, Page.FRefValues))
        ExpectValue(Page.seACCCheckTime, "+q", Page.lbseACCCheckTime, {TFormKind::Hex, 2},
                    Page.FRefValues);
    if (!Stopping() && !Skipped(Page.cbAccTest, rqWriteParam)) {
        const bool on = Page.cbAccTest->Checked();
        std::string reply;
        if (Transact(on ? "+K00" : "+K01", reply) == TExchangeResult::Answered) {
            Page.FRefValues.Set(Page.cbAccTest->Name(), QueueWord::Bool(on));
            Lamp(Page.lbcbAccTest, clBlue);
            ExpectReadBack({TReadBackKind::TestFlag,
                            "+K",
                            {},
                            {Page.lbcbAccTest},
                            {{Page.cbAccTest, QueueWord::Bool(on)}}});
        } else {
            Lamp(Page.lbcbAccTest, clRed);
            FWriteFailed = true;
        }
    }
    FinishWrite(Page);
}

void TDevOrbelin::ReadFlags(TformFlags& Page) {
    if (Stopping())
        return;
    int status = 0;
    const std::string failure = PowerStateText(status);
    TPanel* powerState = FPages.formAcc ? FPages.formAcc->pPowerState : nullptr;
    if (!failure.empty()) {
        if (powerState)
            Post(powerState, failure);
    } else {
        for (int bit = 0; bit < 8; ++bit) {
            const bool set = status & (1 << bit);
            const bool lime = set == StatusLamps[bit].LimeWhenSet;
            Post(Page.ShapeN(StatusLamps[bit].Shape), lime ? "clLime" : "clWhite");
        }
        if (status & 0x10 && powerState)
            Post(powerState, MainPower);
    }
    if (Stopping())
        return;
    const auto value = ReadFlagValue("+M", 4, FlagsName);
    if (!value)
        return;
    const auto restore = HexReplyValue(value->substr(0, 2));
    const auto trigger = HexReplyValue(value->size() > 2 ? value->substr(2, 2) : std::string());
    if (!restore || !trigger)
        return;
    for (int bit = 0; bit < 5; ++bit) {
        TShape* restoreShape = Page.ShapeN(RestoreShapes[bit]);
        TShape* triggerShape = Page.ShapeN(TriggerShapes[bit]);
        Post(restoreShape, "clWhite");
        Post(triggerShape, "clWhite");
        if (*restore & (1 << bit))
            Post(restoreShape, "clLime");
        if (*trigger & (1 << bit))
            Post(triggerShape, "clLime");
    }
}

void TDevOrbelin::ReadPhones(TformPhones& Page) {
    if (Stopping())
        return;
    for (int n = 1; n <= TformPhones::NumberCount; ++n) {
        const std::string number = std::to_string(n);
        ReadTextParam(Page.Phone(n - 1), "+f0" + number, Page.Find<TLabel>("lbetPhone" + number),
                      Page.FRefValues, Phone);
    }
    if (!Stopping()) {
        // Ticked only when every number was last read as an empty value; the
        // blank entries a page starts with are not empty.
        int empty = 0;
        for (int n = 0; n < TformPhones::NumberCount; ++n) {
            const auto entry = Page.FRefValues.Find(Page.Phone(n)->Name());
            if (!entry || entry->empty())
                ++empty;
        }
        Post(Page.cbPhonesOff, QueueWord::Bool(empty == TformPhones::NumberCount));
    }
    FinishRead(Page);
}

void TDevOrbelin::WritePhones(TformPhones& Page) {
    if (Stopping())
        return;
    for (int n = 1; n <= TformPhones::NumberCount; ++n) {
        TEdit* edit = Page.Phone(n - 1);
        std::string text = TrimBlanks(edit->Text());
        // A blank switches the number off; an empty argument would read it.
        if (text.empty() || Page.cbPhonesOff->Checked())
            text = " ";
        if (Stopping() || Skipped(edit, rqWriteParam))
            continue;
        TLabel* lamp = Page.Find<TLabel>("lbetPhone" + std::to_string(n));
        Lamp(lamp, clWindowText);
        std::string reply;
        if (!Sendable(edit->Name(), text)) {
            WalkStep();
            Lamp(lamp, clRed);
            FWriteFailed = true;
        } else if (Transact("+f" + IntToHexUpper(n, 2) + text, reply) ==
                   TExchangeResult::Answered) {
            Page.FRefValues.Set(edit->Name(), text);
            Lamp(lamp, clBlue);
            ExpectReadBack(
                {TReadBackKind::Value, "+f0" + std::to_string(n), Phone, {lamp}, {{edit, text}}});
        } else {
            Lamp(lamp, clRed);
            FWriteFailed = true;
        }
    }
    FinishWrite(Page);
}

void TDevOrbelin::RestartGPS() {
    if (!FPages.formGPS)
        return;
    std::string value;
    ExecCommand("+Q", FPages.formGPS->lbbtnRST, value);
}

void TDevOrbelin::ResetFlags() {
    if (!FPages.formFlags)
        return;
    std::string value;
    ExecCommand("+m", FPages.formFlags->lbbtnRST, value);
}
