// TDevOrbelin: the parameter groups of the settings pages, each exchanged in
// its fixed order, and the two actions (GPS restart, event flags reset). A
// failed parameter never stops its group.

#include <string>
#include <vector>

#include "DevOrbelin.h"
#include "TextUtil.h"
#include "WireValue.h"
#include "f_GPRS.h"
#include "f_GPS.h"
#include "f_accum.h"
#include "f_common.h"
#include "f_flags.h"
#include "f_phones.h"

namespace {

enum class TEncoding { Text, Decimal4, Hex2, Hex4 };

struct TParamRow {
    TEdit* Edit;
    const char* Command;
    TLabel* Lamp;
    TEncoding Encoding;
};

std::vector<TParamRow> CommonRows(TformCommon& p) {
    return {
        {p.etObjNum, "+O", p.lbetObjNum, TEncoding::Decimal4},
        {p.etPhone, "+h", p.lbetPhone, TEncoding::Text},
        {p.etLat, "+l", p.lbetLat, TEncoding::Hex4},
        {p.etLon, "+L", p.lbetLon, TEncoding::Hex4},
        {p.etGPSrestartt, "+s", p.lbetGPSrestartt, TEncoding::Hex2},
        {p.etGPSpostime, "+o", p.lbetGPSpostime, TEncoding::Hex2},
        {p.etModemCheckt, "+t", p.lbetModemCheckt, TEncoding::Hex2},
        {p.etModemTryes, "+T", p.lbetModemTryes, TEncoding::Hex2},
    };
}

// The GPRS page after its switch; the server port is text on the wire.
std::vector<TParamRow> GPRSRows(TformGPRS& p) {
    return {
        {p.etGPRSphone, "+g", p.lbetGPRSphone, TEncoding::Text},
        {p.etAccessPoint, "+G", p.lbetAccessPoint, TEncoding::Text},
        {p.etLoginGPRS, "+B", p.lbetLoginGPRS, TEncoding::Text},
        {p.etPswdGPRS, "+b", p.lbetPswdGPRS, TEncoding::Text},
        {p.etIp, "+I", p.lbetIp, TEncoding::Text},
        {p.etPort, "+j", p.lbetPort, TEncoding::Text},
        {p.etPswd, "+N", p.lbetPswd, TEncoding::Text},
        {p.etGPRSTryes, "+A", p.lbetGPRSTryes, TEncoding::Hex2},
        {p.etGPRSTimeout, "+a", p.lbetGPRSTimeout, TEncoding::Hex2},
        {p.etServerTryes, "+D", p.lbetServerTryes, TEncoding::Hex2},
        {p.etServerTimeout, "+d", p.lbetServerTimeout, TEncoding::Hex2},
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

} // namespace

void TDevOrbelin::ReadCommon(TformCommon& Page) {
    if (Stopping())
        return;
    for (const TParamRow& row : CommonRows(Page)) {
        if (row.Encoding == TEncoding::Text || row.Encoding == TEncoding::Decimal4)
            ReadTextParam(row.Edit, row.Command, row.Lamp, Page.FRefValues);
        else
            ReadHexParam(row.Edit, row.Command, row.Lamp, Page.FRefValues);
    }
    FinishRead(Page);
}

void TDevOrbelin::WriteCommon(TformCommon& Page) {
    if (Stopping())
        return;
    for (const TParamRow& row : CommonRows(Page)) {
        switch (row.Encoding) {
        case TEncoding::Text:
            WriteTextParam(row.Edit, row.Command, 0, row.Lamp, Page.FRefValues);
            break;
        case TEncoding::Decimal4:
            WriteTextParam(row.Edit, row.Command, 4, row.Lamp, Page.FRefValues);
            break;
        case TEncoding::Hex2:
        case TEncoding::Hex4:
            WriteHexParam(row.Edit, row.Command, row.Encoding == TEncoding::Hex2 ? 2 : 4, row.Lamp,
                          Page.FRefValues);
            break;
        }
    }
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
                Post(Page.cbGPRS, "false");
                Lamp(Page.lbcb, clRed);
            }
        }
    }
    for (const TParamRow& row : GPRSRows(Page)) {
        if (row.Encoding == TEncoding::Text)
            ReadTextParam(row.Edit, row.Command, row.Lamp, Page.FRefValues);
        else
            ReadHexParam(row.Edit, row.Command, row.Lamp, Page.FRefValues);
    }
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
            Page.FRefValues.Set(Page.cbGPRS->Name(), on ? "true" : "false");
            Lamp(Page.lbcb, clBlue);
        } else {
            Lamp(Page.lbcb, clRed);
            FWriteFailed = true;
        }
    }
    for (const TParamRow& row : GPRSRows(Page)) {
        if (row.Encoding == TEncoding::Text)
            WriteTextParam(row.Edit, row.Command, 0, row.Lamp, Page.FRefValues);
        else
            WriteHexParam(row.Edit, row.Command, 2, row.Lamp, Page.FRefValues);
    }
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
        std::string reply;
        const auto flags = Transact("+R", reply) == TExchangeResult::Answered
                               ? HexReplyValue(ExtractReplyValue(reply))
                               : std::nullopt;
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
        Page.FRefValues.Set(Page.cbGPSDebug->Name(), debug ? "true" : "false");
        Page.FRefValues.Set(Page.cbGPSOff->Name(), off ? "true" : "false");
        lamp = clBlue;
    } else {
        FWriteFailed = true;
    }
    Lamp(Page.lbGPSOff, lamp);
    Lamp(Page.lbGPSDebug, lamp);
    FinishWrite(Page, true);
}

std::string TDevOrbelin::PowerStateText(TExchangeResult Result, const std::string& Reply,
                                        int& Status) {
    if (Result == TExchangeResult::NoAnswer)
        return "TimeOUT!!";
    const auto value = Result == TExchangeResult::Answered ? HexReplyValue(ExtractReplyValue(Reply))
                                                           : std::nullopt;
    if (!value)
        return "ОШИБКА!!";
    Status = *value;
    return {};
}

void TDevOrbelin::ReadBattery(TformAcc& Page) {
    if (Stopping())
        return;
    ReadHexParam(Page.seACCCheckTime, "+q", Page.lbseACCCheckTime, Page.FRefValues);
    if (!Stopping() && !Skipped(Page.cbAccTest, rqReadParam)) {
        Lamp(Page.lbcbAccTest, clWindowText);
        std::string reply;
        const auto flags = Transact("+K", reply) == TExchangeResult::Answered
                               ? HexReplyValue(ExtractReplyValue(reply))
                               : std::nullopt;
        if (flags) {
            // Bit 0 set: the test is switched off.
            PostChecked(Page.cbAccTest, !(*flags & 1), Page.FRefValues);
            Lamp(Page.lbcbAccTest, clBlue);
        } else {
            Lamp(Page.lbcbAccTest, clRed);
        }
    }
    if (!Stopping() && FRequest != rqReadParam) {
        std::string reply;
        const TExchangeResult result = Transact("+S", reply);
        int status = 0;
        std::string caption = PowerStateText(result, reply, status);
        if (caption.empty())
            caption = status & 0x10 ? MainPower : "Резервное";
        Post(Page.pPowerState, caption);
    }
    FinishRead(Page);
}

void TDevOrbelin::WriteBattery(TformAcc& Page) {
    if (Stopping())
        return;
    WriteHexParam(Page.seACCCheckTime, "+q", 2, Page.lbseACCCheckTime, Page.FRefValues);
    if (!Stopping() && !Skipped(Page.cbAccTest, rqWriteParam)) {
        const bool on = Page.cbAccTest->Checked();
        std::string reply;
        if (Transact(on ? "+K00" : "+K01", reply) == TExchangeResult::Answered) {
            Page.FRefValues.Set(Page.cbAccTest->Name(), on ? "true" : "false");
            Lamp(Page.lbcbAccTest, clBlue);
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
    std::string reply;
    const TExchangeResult result = Transact("+S", reply);
    int status = 0;
    const std::string failure = PowerStateText(result, reply, status);
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
    if (Transact("+M", reply) != TExchangeResult::Answered)
        return;
    const std::string value = ExtractReplyValue(reply);
    const auto restore = HexReplyValue(value.substr(0, 2));
    const auto trigger = HexReplyValue(value.size() > 2 ? value.substr(2, 2) : std::string());
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
                      Page.FRefValues);
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
        Post(Page.cbPhonesOff, empty == TformPhones::NumberCount ? "true" : "false");
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
