// TDevOrbelin: a parameter page's parameters, exchanged in the order of the
// parameter table, one command after another; a failed parameter never stops
// the page. Besides them: the power state and the flags page's lamps (shown,
// not kept), and the actions (GPS restart, event flags reset, outputs).

#include <algorithm>
#include <string>
#include <vector>

#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "params/WireValue.h"
#include "toolkit/TextUtil.h"

namespace {

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
// The state and the event flags, read as the flags page's rows say.
const TParamDef& FlagsPageRow(TParamCodec Codec) {
    return *ParamOfCodec(pgFlags, Codec);
}

// How the memo names the two status values that have no lamp: with the
// command that reads them.
std::string MemoName(const char* Caption, TParamCodec Codec) {
    return std::string(Caption) + " (" + FlagsPageRow(Codec).Read + ")";
}

} // namespace

TDevOrbelin::TOutputMarks TDevOrbelin::OutputMarks(TParamPage& Page) const {
    const TPageInfo* info = PageInfoOf(FPages, &Page);
    const TParamDef* outputs = info ? ParamOfCodec(info->Number, TParamCodec::Outputs) : nullptr;
    if (!outputs)
        return {};
    const std::vector<QObject*> boxes = OnPage(Page, *outputs).Controls;
    return {true, std::any_of(boxes.begin(), boxes.end(), Marked),
            std::all_of(boxes.begin(), boxes.end(), Marked)};
}

std::string TDevOrbelin::PowerStateText(int& Status) {
    TExchangeResult result = TExchangeResult::NoAnswer;
    const auto value = ReadFlagValue(FlagsPageRow(TParamCodec::Status),
                                     MemoName("Текущее состояние", TParamCodec::Status), &result);
    if (result == TExchangeResult::NoAnswer)
        return "TimeOUT!!";
    const auto status = value ? HexReplyValue(*value) : std::nullopt;
    if (!status)
        return "ОШИБКА!!";
    Status = *status;
    return {};
}

void TDevOrbelin::ReadParamPage(TParamPage& Page) {
    if (Stopping())
        return;
    const bool single = FRequest == rqReadParam;
    // The masks and the outputs of the inputs page go as two parts: an
    // output's mark brings the masks as well, both outputs' marks only them.
    const TOutputMarks outputs = OutputMarks(Page);
    for (const TRowOnPage& r : PageRows(Page, false)) {
        if (Stopping())
            break;
        const TParamCodec codec = r.Row->Codec;
        if (codec == TParamCodec::Status) {
            if (single || !FPages.formAcc)
                continue;
            // Its caption is the lamp of the power state.
            TLabel* lamp = FPages.formAcc->Label12;
            Lamp(lamp, clWindowText);
            int status = 0;
            std::string caption = PowerStateText(status);
            if (caption.empty()) {
                Lamp(lamp, clBlue);
                caption = status & 0x10 ? MainPower : "Резервное";
            } else
                LampFailed(lamp);
            Post(FPages.formAcc->pPowerState, caption);
            continue;
        }
        if (single) {
            const bool inputsPart = codec == TParamCodec::InputMasks || codec == TParamCodec::Bits;
            const bool run = outputs.Page && codec == TParamCodec::Outputs ? outputs.Any
                             : outputs.Page && inputsPart                  ? !outputs.All
                                                                           : r.AnyMarked();
            if (!run)
                continue;
        }
        ReadParam(r);
    }
    const TPageInfo* info = PageInfoOf(FPages, &Page);
    const TParamDef* option = info ? ParamOfCodec(info->Number, TParamCodec::Option) : nullptr;
    if (option && !Stopping()) {
        // The switch of the engineering numbers: ticked only when every
        // number was last read as an empty value; the blank entries a page
        // starts with are not empty.
        bool allEmpty = true;
        for (const TParamDef* row : ParamsOfPage(info->Number))
            if (row->Codec == TParamCodec::Number)
                for (const std::string& name : row->ControlNames()) {
                    const auto entry = Page.FRefValues.Find(name);
                    allEmpty = allEmpty && (!entry || entry->empty());
                }
        Post(Page.FindComponent(option->Controls[0]), QueueWord::Bool(allEmpty));
    }
    FinishRead(Page);
}

void TDevOrbelin::WriteParamPage(TParamPage& Page) {
    if (Stopping())
        return;
    const bool single = FRequest == rqWriteParam;
    const std::vector<TRowOnPage> rows = PageRows(Page, true);
    const auto has = [&](TParamCodec Codec) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const TRowOnPage& r) { return r.Row->Codec == Codec; });
    };
    const bool masks = has(TParamCodec::InputMasks);
    if (masks && single && OutputMarks(Page).All) {
        // Both outputs marked: the outputs are what is to be written.
        SetOutputs();
    } else {
        for (const TRowOnPage& r : rows) {
            if (Stopping())
                break;
            // The masks go together, as the page shows them.
            if (single && !masks && !r.AnyMarked())
                continue;
            WriteParam(r);
        }
    }
    // Every page write of the switches and of the masks counts for their
    // pages, a single parameter's too.
    FinishWrite(Page, masks || has(TParamCodec::Bits));
}

void TDevOrbelin::ReadFlags(TformFlags& Page) {
    if (Stopping())
        return;
    // The rows' captions are their lamps: a row that could not be read is
    // red, and its circles too, rather than showing what they showed before.
    for (TLabel* row : {Page.Label3, Page.Label1, Page.Label2})
        Lamp(row, clWindowText);
    const auto failedRow = [&](TLabel* Row, std::initializer_list<int> Shapes) {
        LampFailed(Row);
        for (int shape : Shapes)
            Post(Page.ShapeN(shape), "clRed");
    };
    int status = 0;
    const std::string failure = PowerStateText(status);
    TPanel* powerState = FPages.formAcc ? FPages.formAcc->pPowerState : nullptr;
    if (!failure.empty()) {
        if (powerState)
            Post(powerState, failure);
        failedRow(Page.Label3, {1, 2, 3, 4, 5, 6, 7, 8});
    } else {
        Lamp(Page.Label3, clBlue);
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
    const auto value = ReadFlagValue(FlagsPageRow(TParamCodec::EventFlags),
                                     MemoName("Флаги событий", TParamCodec::EventFlags));
    const auto restore = value ? HexReplyValue(value->substr(0, 2)) : std::nullopt;
    const auto trigger =
        value ? HexReplyValue(value->size() > 2 ? value->substr(2, 2) : std::string())
              : std::nullopt;
    if (!restore || !trigger) {
        failedRow(Page.Label1, {9, 10, 11, 12, 13});
        failedRow(Page.Label2, {14, 15, 16, 17, 18});
        return;
    }
    Lamp(Page.Label1, clBlue);
    Lamp(Page.Label2, clBlue);
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

void TDevOrbelin::SetOutputs() {
    TformInOut* page = FPages.formInOut;
    if (!page)
        return;
    const int outputs = (page->CheckBox1->Checked() ? 1 : 0) + (page->CheckBox2->Checked() ? 2 : 0);
    std::string value;
    FWritesSent.fetch_add(1);
    ExecCommand("+k" + IntToHexUpper(outputs, 2), page->lbbtnSET, value);
}
