// One parameter at a time against the simulated unit: the encodings on the
// wire, the lamps, the reference entries, single-parameter requests through
// the hint window's links, and texts that must not reach the unit.
#include <gtest/gtest.h>

#include <mutex>

#include "PagesRig.h"
#include "SimulatedUnit.h"
#include "pages/HintWindow.h"

namespace {

using TLines = std::vector<std::string>;

struct TParamCase {
    TSimulator Sim;
    TPagesRig Rig;

    explicit TParamCase(int Revision = 41, double ReplyScale = kRigReplyScale) {
        Sim.Unit().SetRevision(Revision);
        EXPECT_TRUE(Rig.Connect(Sim, kRigPauseScale, ReplyScale));
        Begin();
    }
    void Begin() {
        Sim.Unit().ClearCommands();
        Rig.ClearTaken();
    }
    // A page operation on Page; the commands it sent.
    TLines Run(TForm* Page, std::uint8_t Code) {
        Begin();
        Rig.Select(Page);
        EXPECT_TRUE(Rig.Run(Code));
        return Sim.Unit().Commands();
    }
};

} // namespace

TEST(DeviceParams, NumbersAreEncodedAsTheUnitTakesThem) {
    TParamCase c(41, kRigShortReplyScale);
    TformCommon& p = *c.Rig.formCommon;
    c.Run(&p, rqReadPage);
    const std::pair<const char*, const char*> values[] = {{"7", "+O0007"}, {"0", "+O0000"}};
    for (const auto& [text, wire] : values) {
        p.etObjNum->SetText(text);
        EXPECT_EQ(c.Run(&p, rqWritePage)[0], wire);
        EXPECT_EQ(p.FRefValues.Get("etObjNum"), text) << "the text as typed, not the argument";
    }
    // The command carries four digits: a longer number is not sent at all.
    p.etObjNum->SetText("12345");
    EXPECT_NE(c.Run(&p, rqWritePage)[0].rfind("+O", 0), 0u);
    EXPECT_EQ(p.FRefValues.Get("etObjNum"), "0");
    EXPECT_GE(c.Rig.FindMemo(" # !!! Общие установки › Номер объекта не отправлен: больше 4 цифр"),
              0);
    p.etObjNum->SetText("0");
    p.etLat->SetText("230");
    // More digits than the minimum when the number needs them (the unit
    // refuses a value beyond a byte).
    p.etGPSrestartt->SetText("300");
    p.etModemCheckt->SetText("6");
    const TLines sent = c.Run(&p, rqWritePage);
    ASSERT_EQ(sent.size(), 9u);
    EXPECT_EQ(sent[2], "+l00E6");
    EXPECT_EQ(sent[4], "+s12C");
    EXPECT_EQ(sent[6], "+t06");
    EXPECT_EQ(c.Rig.WriteState.load(), 3);

    // Reads: hexadecimal into decimal. A value that is no number of the
    // parameter's width leaves the field empty, never a made-up "0".
    c.Sim.Unit().SetValue("+l", "00E6");
    c.Sim.Unit().SetValue("+t", "");
    c.Sim.Unit().SetValue("+o", "zz");
    c.Sim.Unit().SetValue("+O", "12a");
    c.Run(&p, rqReadPage);
    EXPECT_EQ(p.etLat->Text(), "230");
    EXPECT_EQ(c.Rig.ColorsFor(p.lbetLat), (TLines{"clWindowText", "clBlue"}));
    for (TEdit* refused : {p.etModemCheckt, p.etGPSpostime, p.etObjNum}) {
        EXPECT_EQ(c.Rig.TextsFor(refused), TLines{""}) << refused->Name();
        EXPECT_EQ(c.Rig.LastColor(p.Find<TLabel>("lb" + refused->Name())), "clRed");
    }
    EXPECT_EQ(p.FRefValues.Get("etModemCheckt"), "6") << "the last value the unit took";
    EXPECT_GE(
        c.Rig.FindMemo(" # !!! Общие установки › Как часто GPS-приёмник определяет координаты: "
                       "значение «zz» отклонено, не шестнадцатеричное число из 2 цифр"),
        0);
    EXPECT_TRUE(p.FWasRead);
    // Status panel 4 counts the failures until the next operation.
    // (The write before it had failed a parameter too.)
    EXPECT_EQ(c.Rig.TextsFor(c.Rig.StatusPanel4), (TLines{"", "Ошибок: 3"}));
    c.Sim.Unit().ResetStore();
    c.Run(&p, rqReadPage);
    EXPECT_EQ(c.Rig.TextsFor(c.Rig.StatusPanel4), TLines{""});
}

TEST(DeviceParams, NumbersThatAreNotNumbersAreNotSent) {
    TParamCase c;
    TformCommon& p = *c.Rig.formCommon;
    c.Run(&p, rqReadPage);
    p.etObjNum->SetText("");
    p.etLat->SetText("-5");
    const TLines sent = c.Run(&p, rqWritePage);
    EXPECT_EQ(sent.size(), 7u) << "six parameters and the commit";
    EXPECT_EQ(sent[0], "+h+79161234567");
    EXPECT_EQ(c.Rig.LastColor(p.lbetObjNum), "clRed");
    EXPECT_EQ(c.Rig.LastColor(p.lbetLat), "clRed");
    // Not written is not written: the field and its text are named, and
    // the write is not reported as complete.
    EXPECT_GE(
        c.Rig.FindMemo(" # !!! Общие установки › Номер объекта не отправлен: не число: пусто"), 0);
    EXPECT_GE(c.Rig.FindMemo(
                  " # !!! Общие установки › Смещение по широте Lat не отправлен: не число: «-5»"),
              0);
    ASSERT_EQ(c.Rig.Messages().size(), 1u);
    EXPECT_NE(c.Rig.Messages()[0].find("Ошибок: 2"), std::string::npos);
    EXPECT_EQ(c.Rig.WriteState.load(), 3);
}

TEST(DeviceParams, GPRSSwitchAcceptsOnlyItsTwoAnswers) {
    TParamCase c;
    TformGPRS& p = *c.Rig.formGPRS;
    c.Run(&p, rqReadPage);
    EXPECT_TRUE(p.cbGPRS->Checked());
    EXPECT_EQ(c.Rig.LastColor(p.lbcb), "clBlue");

    c.Sim.Unit().SetValue("+c", "ff");
    c.Run(&p, rqReadPage);
    EXPECT_FALSE(p.cbGPRS->Checked());
    EXPECT_EQ(c.Rig.LastColor(p.lbcb), "clRed");
    EXPECT_EQ(p.FRefValues.Get("cbGPRS"), "true") << "the entry keeps the last good value";
    // The unit keeps what the box cannot show until the operator sets it.
    EXPECT_NE(c.Run(&p, rqWritePage)[0], "+cFF");
    EXPECT_EQ(c.Sim.Unit().Value("+c"), "ff");

    p.cbGPRS->SetChecked(true);
    p.cbGPRS->SetChecked(false);
    EXPECT_EQ(c.Run(&p, rqWritePage)[0], "+cFF");
    EXPECT_EQ(p.FRefValues.Get("cbGPRS"), "false");
    EXPECT_EQ(c.Sim.Unit().Value("+c"), "FF");
}

TEST(DeviceParams, SingleParameterThroughTheHintLinks) {
    TParamCase c;
    TformCommon& p = *c.Rig.formCommon;
    // What the device hands over at the end of each write, for the journal.
    std::mutex lock;
    std::vector<TWriteSummary> handed;
    c.Rig.Device->SetWriteEnded([&](TWriteSummary s) {
        std::lock_guard hold(lock);
        handed.push_back(std::move(s));
    });
    c.Run(&p, rqReadPage);
    c.Rig.Select(&p);
    p.FWasRead = false;
    c.Sim.Unit().SetValue("+l", "00E6");
    c.Begin();

    ShowParameterHint(p.etLat, p.Services());
    ASSERT_NE(ParamHintWindow(), nullptr);
    ParamHintWindow()->Form()->lbReadClick(nullptr);
    ASSERT_TRUE(c.Rig.WaitUntil([&] { return c.Rig.Mode() == 0; }, 10000));
    c.Rig.Drain();
    EXPECT_EQ(c.Sim.Unit().Commands(), TLines{"+l"});
    EXPECT_EQ(p.etLat->Text(), "230");
    EXPECT_EQ(p.etLat->Tag(), 3) << "the mark is removed";
    EXPECT_TRUE(c.Rig.ColorsFor(p.lbetObjNum).empty()) << "other lamps untouched";
    EXPECT_FALSE(p.FWasRead) << "a single read leaves the page flag alone";

    c.Begin();
    p.etLat->SetText("231");
    ParamHintWindow()->Form()->lbWriteClick(nullptr);
    ASSERT_TRUE(c.Rig.WaitUntil([&] { return c.Rig.Mode() == 0; }, 10000));
    c.Rig.Drain();
    HideParameterHint();
    EXPECT_EQ(c.Sim.Unit().Commands(), (TLines{"+l00E7", "+J"}));
    EXPECT_EQ(p.etLat->Tag(), 3);
    EXPECT_EQ(c.Rig.WriteState.load(), 1);

    std::lock_guard hold(lock);
    ASSERT_EQ(handed.size(), 1u) << "the write only, not the reads";
    const TWriteSummary& s = handed[0];
    EXPECT_EQ(s.Request, rqWriteParam);
    EXPECT_EQ(s.Port, c.Sim.SlavePath());
    EXPECT_EQ(s.ObjNum, "0123") << "as read on this connection";
    EXPECT_TRUE(s.CommitSent && s.Committed);
    ASSERT_EQ(s.Params.size(), 1u) << "the one parameter";
    EXPECT_EQ(s.Params[0].Name, "etLat");
    EXPECT_EQ(s.Params[0].Value, "231");
    EXPECT_EQ(s.Params[0].Outcome, TParamOutcome::Written);
}

TEST(DeviceParams, FailedSingleWriteWarnsAndCommitsYellow) {
    TParamCase c(41, kRigShortReplyScale);
    TformGPRS& p = *c.Rig.formGPRS;
    c.Run(&p, rqReadPage);
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+I"});
    p.etIp->SetText("10.0.0.1");
    p.etIp->SetTag(p.etIp->Tag() + 1000);
    EXPECT_EQ(c.Run(&p, rqWriteParam), (TLines{"+I10.0.0.1", "+J"}));
    EXPECT_EQ(c.Rig.Messages(), TLines{"ВНИМАНИЕ! НЕ ВСЕ ПАРАМЕТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!\n"
                                       "Ошибок: 1 — GPRS › IP-адрес сервера для GPRS-соединения"});
    EXPECT_EQ(c.Rig.WriteState.load(), 3);
    EXPECT_EQ(p.etIp->Tag(), 14);
}

TEST(DeviceParams, TextsTheUnitCannotTakeAreRefused) {
    TParamCase c;
    TformGPRS& p = *c.Rig.formGPRS;
    c.Run(&p, rqReadPage);
    struct TBad {
        const char* Text;
        const char* Why;
    } const bad[] = {
        {"*99#\r+c00", "управляющий символ"}, // would smuggle in a second command
        {"", "пустое значение"},              // would read instead of write
        {"ключ✓", "Windows-1251"},
    };
    for (const TBad& b : bad) {
        SCOPED_TRACE(b.Why);
        p.etGPRSphone->SetText(b.Text);
        const TLines sent = c.Run(&p, rqWritePage);
        for (const std::string& s : sent)
            EXPECT_NE(s.rfind("+g", 0), 0u) << s;
        EXPECT_EQ(sent.size(), 12u) << "the rest of the page and the commit";
        EXPECT_EQ(c.Rig.LastColor(p.lbetGPRSphone), "clRed");
        const int line = c.Rig.FindMemo(" # !!! GPRS › Номер телефона GPRS не отправлен");
        ASSERT_GE(line, 0);
        EXPECT_NE(c.Rig.MemoLines()[line].find(b.Why), std::string::npos)
            << c.Rig.MemoLines()[line];
        ASSERT_EQ(c.Rig.Messages().size(), 1u);
        EXPECT_NE(c.Rig.Messages()[0].find("\nОшибок: 1 — GPRS › Номер телефона GPRS"),
                  std::string::npos);
        if (!*b.Text) {
            // The bare command would read: the unit keeps what it had, and says so.
            EXPECT_NE(c.Rig.MemoLines()[line].find("в устройстве осталось прежнее значение"),
                      std::string::npos);
            EXPECT_NE(c.Rig.Messages()[0].find("(пусто, в устройстве осталось прежнее значение)"),
                      std::string::npos);
        }
        EXPECT_EQ(c.Rig.WriteState.load(), 3);
        EXPECT_EQ(p.FRefValues.Get("etGPRSphone"), "*99***1#");
    }
    EXPECT_EQ(c.Sim.Unit().Value("+g"), "*99***1#");
}

TEST(DeviceParams, ActionsShowTheirOutcomeOnTheirLamp) {
    TParamCase c(41, kRigShortReplyScale);
    c.Rig.formInOut->CheckBox1->SetChecked(true);
    c.Rig.formInOut->CheckBox2->SetChecked(true);
    EXPECT_EQ(c.Run(c.Rig.formCommon, rqSetOutputs), (TLines{"+k03", "+J"}));
    EXPECT_EQ(c.Rig.ColorsFor(c.Rig.formInOut->lbbtnSET), (TLines{"clWindowText", "clBlue"}));
    EXPECT_EQ(c.Rig.WriteState.load(), 1);

    EXPECT_EQ(c.Run(c.Rig.formCommon, rqGPSRestart), TLines{"+Q"});
    EXPECT_EQ(c.Rig.LastColor(c.Rig.formGPS->lbbtnRST), "clBlue");
    c.Sim.Unit().SetValue("+M", "1F1F");
    EXPECT_EQ(c.Run(c.Rig.formCommon, rqResetFlags), TLines{"+m"});
    EXPECT_EQ(c.Rig.LastColor(c.Rig.formFlags->lbbtnRST), "clBlue");
    EXPECT_EQ(c.Sim.Unit().Value("+M"), "0000");

    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+Q"});
    c.Run(c.Rig.formCommon, rqGPSRestart);
    EXPECT_EQ(c.Rig.LastColor(c.Rig.formGPS->lbbtnRST), "clRed");
    EXPECT_EQ(c.Rig.Mode(), 0);
}
