// The inputs/outputs page and the event flags against the simulated unit:
// the masks and the input mode, the generation-1 event codes, the outputs,
// and the status lamps of the flags page.
#include <gtest/gtest.h>

#include "PagesRig.h"
#include "SimulatedUnit.h"

namespace {

using TLines = std::vector<std::string>;

struct TInOutCase {
    TSimulator Sim;
    TPagesRig Rig;
    TformInOut& Page;

    explicit TInOutCase(int Revision = 41, double ReplyScale = kRigReplyScale)
        : Page(*Rig.formInOut) {
        Sim.Unit().SetRevision(Revision);
        EXPECT_TRUE(Rig.Connect(Sim, kRigPauseScale, ReplyScale));
    }
    TLines Run(std::uint8_t Code, TForm* On = nullptr) {
        Sim.Unit().ClearCommands();
        Rig.ClearTaken();
        Rig.Select(On ? On : &Page);
        EXPECT_TRUE(Rig.Run(Code));
        return Sim.Unit().Commands();
    }
    void Mark(TCheckBox* Box) { Box->SetTag(Box->Tag() + 1000); }
};

} // namespace

TEST(DeviceInOut, InputModeValues) {
    TInOutCase c;
    TformInOut& p = c.Page;
    // Mode 1, restore flags of inputs 1 and 3.
    c.Run(rqReadPage);
    EXPECT_TRUE(p.RadioButton1->Checked());
    EXPECT_EQ(c.Rig.TextsFor(&p), TLines{"mode1"});
    EXPECT_TRUE(p.CheckBox3->Enabled());

    {
        SCOPED_TRACE("mode 2 disables the inputs' flags, which keep what the unit holds");
        c.Sim.Unit().SetValue("+Z", "0501");
        c.Run(rqReadPage);
        EXPECT_TRUE(p.RadioButton2->Checked());
        EXPECT_EQ(c.Rig.TextsFor(&p), TLines{"mode2"});
        EXPECT_FALSE(p.CheckBox3->Enabled());
        EXPECT_TRUE(p.CheckBox3->Checked());
        EXPECT_EQ(p.FRefValues.Get("CheckBox3"), "true") << "entered as the unit said";
        EXPECT_EQ(c.Run(rqWritePage), (TLines{"+Z0501", "+z12", "+J"})) << "and written back";
    }
    {
        SCOPED_TRACE("a mode the page has no button for: none is checked, none is written");
        c.Sim.Unit().SetValue("+Z", "0403");
        c.Run(rqReadPage);
        for (TRadioButton* radio : {p.RadioButton1, p.RadioButton2, p.RadioButton3})
            EXPECT_FALSE(radio->Checked()) << radio->Name();
        EXPECT_TRUE(c.Rig.TextsFor(&p).empty());
        for (TLabel* lamp : {p.lbVost, p.lbrb1, p.lbrb2, p.lbrb3})
            EXPECT_EQ(c.Rig.LastColor(lamp), "clRed") << lamp->Name();
        EXPECT_GE(c.Rig.FindMemo(" # !!! Входы, выходы › Восстановление: устройство хранит «0403», "
                                 "режим входов 03, на странице только режимы 1–3 (00–02)"),
                  0);
        EXPECT_EQ(c.Rig.TextsFor(p.CheckBox7), TLines{"true"});
        EXPECT_EQ(c.Run(rqWritePage), (TLines{"+z12", "+J"})) << "the unit keeps its mode";
        EXPECT_EQ(c.Sim.Unit().Value("+Z"), "0403");
        p.RadioButton1->SetChecked(true);
        EXPECT_EQ(c.Run(rqWritePage), (TLines{"+Z0400", "+z12", "+J"})) << "once one is chosen";
    }
    {
        SCOPED_TRACE("the mask alone reads as mode 1");
        c.Sim.Unit().SetValue("+Z", "02");
        c.Run(rqReadPage);
        EXPECT_TRUE(p.RadioButton1->Checked());
        EXPECT_EQ(c.Rig.TextsFor(&p), TLines{"mode1"});
        EXPECT_TRUE(p.CheckBox5->Checked());
    }
    {
        SCOPED_TRACE("an empty value is no mask: the flags stay as they were");
        c.Sim.Unit().SetValue("+Z", "");
        c.Run(rqReadPage);
        for (int n : {3, 5, 7, 9, 11})
            EXPECT_TRUE(c.Rig.TextsFor(p.CheckBoxN(n)).empty()) << n;
        EXPECT_EQ(c.Rig.LastColor(p.lbrb3), "clRed");
        EXPECT_GE(c.Rig.FindMemo(" # !!! Входы, выходы › Восстановление: значение «» отклонено"),
                  0);
    }
    {
        SCOPED_TRACE("not hexadecimal");
        c.Sim.Unit().SetValue("+Z", "0G00");
        c.Run(rqReadPage);
        EXPECT_TRUE(c.Rig.TextsFor(p.CheckBox3).empty());
        EXPECT_EQ(c.Rig.LastColor(p.lbrb3), "clRed");
    }
}

TEST(DeviceInOut, MasksOnTheWireAndTheOutputsApart) {
    TInOutCase c;
    TformInOut& p = c.Page;
    c.Run(rqReadPage);
    p.CheckBox5->SetChecked(true);  // restore, input 2
    p.CheckBox12->SetChecked(true); // trigger, power
    p.CheckBox1->SetChecked(true);
    EXPECT_EQ(c.Run(rqWritePage), (TLines{"+Z0700", "+z12", "+J"}))
        << "the outputs are not part of the page";
    EXPECT_EQ(p.FRefValues.Get("RadioButton1"), "true");
    EXPECT_EQ(p.FRefValues.Get("CheckBox12"), "true");
    EXPECT_TRUE(p.FWasWritten);

    // Single parameters: an input flag brings both masks but not the outputs,
    // an output brings all three on a read and only the masks on a write.
    c.Mark(p.CheckBox3);
    EXPECT_EQ(c.Run(rqReadParam), (TLines{"+Z", "+z"}));
    c.Mark(p.CheckBox1);
    EXPECT_EQ(c.Run(rqReadParam), (TLines{"+Z", "+z", "+k"}));
    c.Mark(p.CheckBox1);
    p.FWasWritten = false;
    EXPECT_EQ(c.Run(rqWriteParam), (TLines{"+Z0700", "+z12", "+J"}));
    EXPECT_TRUE(p.FWasWritten) << "every write of this page sets the flag";
    EXPECT_EQ(p.CheckBox1->Tag() / 1000, 0);

    p.RadioButton3->SetChecked(true);
    EXPECT_EQ(c.Run(rqWritePage), (TLines{"+Z0702", "+z12", "+J"}));
    EXPECT_EQ(p.FRefValues.Get("RadioButton3"), "true");

    p.CheckBox1->SetChecked(true);
    p.CheckBox2->SetChecked(false);
    EXPECT_EQ(c.Run(rqSetOutputs), (TLines{"+k01", "+J"}));
    EXPECT_EQ(c.Sim.Unit().Value("+k"), "01");
}

TEST(DeviceInOut, Generation1EventCodes) {
    TInOutCase c(18);
    TformInOut& p = c.Page;
    c.Run(rqReadPage);
    EXPECT_EQ(p.Edit3->Text(), "112002002");
    EXPECT_FALSE(p.CheckBox2->Checked());

    c.Sim.Unit().SetValue("+k", "02");
    c.Sim.Unit().SetValue("+Z01", "1234");
    c.Run(rqReadPage);
    EXPECT_TRUE(p.CheckBox2->Checked()) << "any value but 0 shows output 1 on";
    EXPECT_EQ(c.Rig.TextsFor(p.Edit3), TLines{""}) << "a code of another length is not shown";
    EXPECT_EQ(c.Rig.LastColor(p.lb3), "clRed");
    EXPECT_TRUE(c.Rig.ColorsFor(p.lbcb1).empty());

    // A code of 8 or 10 characters is not sent: the write is reported failed.
    p.Edit1->SetText("12345678");
    p.Edit6->SetText("1234567890");
    p.Edit3->SetText("112002002");
    // The event whose read was refused is not written either: its box holds
    // no value the unit gave.
    const TLines sent = c.Run(rqWritePage);
    EXPECT_EQ(sent.size(), 8u);
    for (const std::string& s : sent)
        EXPECT_TRUE(s.rfind("+Z00", 0) != 0 && s.rfind("+z02", 0) != 0 && s.rfind("+Z01", 0) != 0)
            << s;
    EXPECT_EQ(c.Rig.LastColor(p.lb1), "clRed");
    EXPECT_EQ(c.Rig.LastColor(p.lb6), "clRed");
    // What nobody gave is left to the unit, and said: no failure.
    EXPECT_EQ(c.Rig.Messages(),
              TLines{"ВНИМАНИЕ! НЕ ВСЕ ПАРАМЕТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!\nОшибок: 2 — Входы, выходы "
                     "› Вход 1: код восстановления (не отправлен); Входы, выходы › Вход 3: код "
                     "срабатывания (не отправлен)\nОставлено, как хранит блок: 1 — Входы, выходы › "
                     "Вход 2: код восстановления"});
    EXPECT_EQ(c.Rig.WriteState.load(), 3);

    // Single parameter: the code field's row and event only.
    p.Edit1->SetText("999888777");
    p.Edit1->SetTag(p.Edit1->Tag() + 1000);
    EXPECT_EQ(c.Run(rqWriteParam), (TLines{"+Z009998887771", "+J"}));
    EXPECT_EQ(c.Sim.Unit().Value("+Z00"), "9998887771");
}

TEST(DeviceFlags, StatusAndEventLamps) {
    TInOutCase c(41, kRigShortReplyScale);
    TformFlags& f = *c.Rig.formFlags;
    c.Sim.Unit().SetValue("+S", "10");
    c.Sim.Unit().SetValue("+M", "0512");
    EXPECT_EQ(c.Run(rqReadPage, &f), (TLines{"+S", "+M"}));
    for (int shape = 1; shape <= 8; ++shape) {
        // Inputs 1 to 4 and the power lime; outputs and GPS white.
        const bool lime = shape >= 4;
        EXPECT_EQ(f.ShapeN(shape)->BrushColor(), lime ? clLime : clWhite) << shape;
    }
    EXPECT_EQ(c.Rig.formAcc->pPowerState->Caption(), "Основное");
    // Restore 05: inputs 1 and 3; trigger 12: input 2 and power.
    for (int shape : {13, 11, 17, 14})
        EXPECT_EQ(f.ShapeN(shape)->BrushColor(), clLime) << shape;
    for (int shape : {12, 10, 9, 18, 16, 15})
        EXPECT_EQ(f.ShapeN(shape)->BrushColor(), clWhite) << shape;

    c.Sim.Unit().SetValue("+S", "0F");
    c.Run(rqReadPage, &f);
    EXPECT_EQ(c.Rig.formAcc->pPowerState->Caption(), "Основное") << "a clear bit leaves it";
    EXPECT_EQ(f.ShapeN(8)->BrushColor(), clWhite);
    c.Sim.Unit().SetValue("+S", "X");
    c.Run(rqReadPage, &f);
    EXPECT_EQ(c.Rig.formAcc->pPowerState->Caption(), "ОШИБКА!!");
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+S"});
    c.Run(rqReadPage, &f);
    EXPECT_EQ(c.Rig.formAcc->pPowerState->Caption(), "TimeOUT!!");

    // The battery page reads the power source itself.
    c.Sim.Unit().SetValue("+S", "00");
    c.Run(rqReadPage, c.Rig.formAcc);
    EXPECT_EQ(c.Rig.formAcc->pPowerState->Caption(), "Резервное");
    // Nothing on the flags page is written, so nothing is committed.
    EXPECT_TRUE(c.Run(rqWritePage, &f).empty());
    EXPECT_TRUE(c.Rig.Messages().empty());
}
