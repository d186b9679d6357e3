// TDevOrbelin: the inputs/outputs page. Generations 0 and 2 take whole masks
// ("+Z" restore mask and input mode, "+z" trigger mask); generation 1 takes
// one nine-character event code per input and event ("+Z0"/"+z0" and the
// row). The outputs are read with the page and written only by their own
// request, in every generation.

#include <string>

#include "device/DevOrbelin.h"
#include "device/WireValue.h"
#include "pages/f_inout.h"
#include "toolkit/TextUtil.h"

void TDevOrbelin::ReadInputMasks(TformInOut& Page) {
    Lamp(Page.lbVost, clWindowText);
    Lamp(Page.lbrb1, clWindowText);
    Lamp(Page.lbrb2, clWindowText);
    TExchangeResult result = TExchangeResult::NoAnswer;
    const auto value = ReadFlagValue("+Z", 4, ParamName(Page.lbVost, "CheckBox3"), &result);
    if (result != TExchangeResult::Answered) {
        for (TLabel* lamp : {Page.lbVost, Page.lbrb1, Page.lbrb2})
            Lamp(lamp, clRed);
    } else {
        const auto masks = value ? InputMasksValue(*value) : std::nullopt;
        const TColor lamp = masks ? clBlue : clRed;
        if (masks) {
            const int mode = masks->Mode;
            for (int k = 0; k < TformInOut::RowCount; ++k)
                PostChecked(Page.CheckBoxN(2 * k + 3), masks->Restore & (1 << k), Page.FRefValues);
            if (mode >= 0 && mode <= 2) {
                TRadioButton* buttons[3] = {Page.RadioButton1, Page.RadioButton2,
                                            Page.RadioButton3};
                for (int m = 0; m < 3; ++m) {
                    const char* state = QueueWord::Bool(m == mode);
                    Post(buttons[m], state);
                    Page.FRefValues.Set(buttons[m]->Name(), state);
                }
                // The page enables the inputs' event flags in mode 1 only.
                Post(&Page, mode == 0 ? QueueWord::FlagsOn : QueueWord::FlagsOff);
            }
        }
        for (TLabel* l : {Page.lbVost, Page.lbrb1, Page.lbrb2, Page.lbrb3})
            Lamp(l, lamp);
    }
    if (Stopping())
        return;
    Lamp(Page.lbSrab, clWindowText);
    const auto trigger = ReadFlagValue("+z", 2, ParamName(Page.lbSrab, "CheckBox4"));
    const auto mask = trigger ? HexReplyValue(*trigger) : std::nullopt;
    if (mask) {
        for (int k = 0; k < TformInOut::RowCount; ++k)
            PostChecked(Page.CheckBoxN(2 * k + 4), *mask & (1 << k), Page.FRefValues);
    }
    Lamp(Page.lbSrab, mask ? clBlue : clRed);
}

void TDevOrbelin::ReadOutputs(TformInOut& Page) {
    Lamp(Page.lbcb1, clWindowText);
    Lamp(Page.lbcb2, clWindowText);
    const auto value = ReadFlagValue("+k", 2, ParamName(Page.lbcb1, Page.CheckBox1->Name()));
    const auto flags = value ? HexReplyValue(*value) : std::nullopt;
    if (flags) {
        PostChecked(Page.CheckBox1, *flags & 1, Page.FRefValues);
        PostChecked(Page.CheckBox2, *flags & 2, Page.FRefValues);
    }
    Lamp(Page.lbcb1, flags ? clBlue : clRed);
    Lamp(Page.lbcb2, flags ? clBlue : clRed);
}

void TDevOrbelin::ReadInOut(TformInOut& Page) {
    if (Stopping())
        return;
    const bool single = FRequest == rqReadParam;
    const bool output1 = Marked(Page.CheckBox1);
    const bool output2 = Marked(Page.CheckBox2);
    if (!(single && output1 && output2))
        ReadInputMasks(Page);
    if (!Stopping() && (!single || output1 || output2))
        ReadOutputs(Page);
    FinishRead(Page);
}

void TDevOrbelin::WriteInOut(TformInOut& Page) {
    if (Stopping())
        return;
    if (FRequest == rqWriteParam && Marked(Page.CheckBox1) && Marked(Page.CheckBox2)) {
        SetOutputs();
    } else {
        int restore = 0;
        int trigger = 0;
        for (int k = 0; k < TformInOut::RowCount; ++k) {
            restore |= Page.CheckBoxN(2 * k + 3)->Checked() ? 1 << k : 0;
            trigger |= Page.CheckBoxN(2 * k + 4)->Checked() ? 1 << k : 0;
        }
        TRadioButton* buttons[3] = {Page.RadioButton1, Page.RadioButton2, Page.RadioButton3};
        bool checked[3];
        for (int m = 0; m < 3; ++m)
            checked[m] = buttons[m]->Checked();
        const char* mode = checked[0] ? "00" : checked[1] ? "01" : "02";

        TLabel* restoreLamps[4] = {Page.lbVost, Page.lbrb1, Page.lbrb2, Page.lbrb3};
        for (TLabel* l : restoreLamps)
            Lamp(l, clWindowText);
        std::string reply;
        TColor lamp = clRed;
        if (Transact("+Z" + IntToHexUpper(restore, 2) + mode, reply) == TExchangeResult::Answered) {
            for (int k = 0; k < TformInOut::RowCount; ++k)
                Page.FRefValues.Set(Page.CheckBoxN(2 * k + 3)->Name(),
                                    QueueWord::Bool(restore & (1 << k)));
            for (int m = 0; m < 3; ++m)
                Page.FRefValues.Set(buttons[m]->Name(), QueueWord::Bool(checked[m]));
            lamp = clBlue;
            TReadBack back{
                TReadBackKind::RestoreMask, "+Z", {}, {restoreLamps, restoreLamps + 4}, {}};
            for (int k = 0; k < TformInOut::RowCount; ++k)
                back.Sent.emplace_back(Page.CheckBoxN(2 * k + 3),
                                       QueueWord::Bool(restore & (1 << k)));
            for (int m = 0; m < 3; ++m)
                back.Sent.emplace_back(buttons[m], QueueWord::Bool(checked[m]));
            ExpectReadBack(std::move(back));
        } else {
            FWriteFailed = true;
        }
        for (TLabel* l : restoreLamps)
            Lamp(l, lamp);

        if (!Stopping()) {
            Lamp(Page.lbSrab, clWindowText);
            if (Transact("+z" + IntToHexUpper(trigger, 2), reply) == TExchangeResult::Answered) {
                TReadBack back{TReadBackKind::TriggerMask, "+z", {}, {Page.lbSrab}, {}};
                for (int k = 0; k < TformInOut::RowCount; ++k) {
                    const char* state = QueueWord::Bool(trigger & (1 << k));
                    Page.FRefValues.Set(Page.CheckBoxN(2 * k + 4)->Name(), state);
                    back.Sent.emplace_back(Page.CheckBoxN(2 * k + 4), state);
                }
                Lamp(Page.lbSrab, clBlue);
                ExpectReadBack(std::move(back));
            } else {
                Lamp(Page.lbSrab, clRed);
                FWriteFailed = true;
            }
        }
    }
    FinishWrite(Page, true);
}

void TDevOrbelin::ReadInOutPerInput(TformInOut& Page) {
    if (Stopping())
        return;
    const bool single = FRequest == rqReadParam;
    for (int k = 0; k < TformInOut::RowCount; ++k) {
        // Restore event (column 1), then trigger event (column 2) of row k.
        for (int column = 1; column <= 2; ++column) {
            TEdit* code = Page.EditN(2 * k + column);
            TCheckBox* box = Page.CheckBoxN(2 * k + column + 2);
            if (single && !Marked(code) && !Marked(box))
                continue;
            const std::string command = (column == 1 ? "+Z0" : "+z0") + std::to_string(k);
            TLabel* lamp = Page.RowLabelN(2 * k + column);
            std::string value;
            if (!ExecCommand(command, lamp, value))
                continue;
            const auto problem = FormProblem({TFormKind::Text}, value);
            const auto event = problem ? std::nullopt : EventCodeValue(value);
            if (!event) {
                RejectValue(ParamName(lamp, code->Name()), value,
                            problem.value_or("не код события из " +
                                             std::to_string(EventCodeLength + 1) + " символов"));
                Post(code, "");
                Lamp(lamp, clRed);
                continue;
            }
            Post(code, event->Code);
            Page.FRefValues.Set(code->Name(), event->Code);
            PostChecked(box, event->On, Page.FRefValues);
        }
    }
    if (!Stopping() && (!single || Marked(Page.CheckBox2))) {
        const auto value = ReadFlagValue("+k", 2, ParamName(Page.lbcb2, Page.CheckBox2->Name()));
        const auto flags = value ? HexReplyValue(*value) : std::nullopt;
        if (flags)
            PostChecked(Page.CheckBox2, *flags != 0, Page.FRefValues);
        Lamp(Page.lbcb2, flags ? clBlue : clRed);
    }
    FinishRead(Page);
}

void TDevOrbelin::WriteInOutPerInput(TformInOut& Page) {
    if (Stopping())
        return;
    const bool single = FRequest == rqWriteParam;
    for (int k = 0; k < TformInOut::RowCount; ++k) {
        for (int column = 1; column <= 2; ++column) {
            TEdit* code = Page.EditN(2 * k + column);
            TCheckBox* box = Page.CheckBoxN(2 * k + column + 2);
            if (Stopping() || (single && !Marked(code) && !Marked(box)))
                continue;
            TLabel* lamp = Page.RowLabelN(2 * k + column);
            Lamp(lamp, clWindowText);
            const std::string text = code->Text();
            if (CharacterCount(text) != EventCodeLength || !Sendable(code->Name(), text)) {
                WalkStep();
                Lamp(lamp, clRed);
                FWriteFailed = true;
                continue;
            }
            const std::string read = (column == 1 ? "+Z0" : "+z0") + std::to_string(k);
            const bool on = box->Checked();
            std::string value;
            if (ExecCommand(read + text + (on ? "1" : "0"), lamp, value))
                ExpectReadBack({TReadBackKind::EventCode,
                                read,
                                {},
                                {lamp},
                                {{code, text}, {box, QueueWord::Bool(on)}}});
        }
    }
    FinishWrite(Page);
}

void TDevOrbelin::SetOutputs() {
    TformInOut* page = FPages.formInOut;
    if (!page)
        return;
    const int outputs = (page->CheckBox1->Checked() ? 1 : 0) + (page->CheckBox2->Checked() ? 2 : 0);
    std::string value;
    ExecCommand("+k" + IntToHexUpper(outputs, 2), page->lbbtnSET, value);
}
