// The whole program against the in-process simulated unit, through the
// windows the operator sees: the first activation's connection dialog, the
// splash, a disconnect, and a line that drops.

#include <gtest/gtest.h>

#include "../app/MainWindowRig.h"
#include "sim/Simulator.h"

namespace {
bool Disconnected(const TForm1& f) {
    return f.tbtnConnect->Enabled() && !f.tbtnDisconnect->Enabled() && !f.tbtnRead->Enabled() &&
           !f.tbtnWrite->Enabled() && !f.tbtnReadAll->Enabled() && !f.tbtnWriteAll->Enabled() &&
           !f.Link().Exists();
}

bool Connected(const TForm1& f) {
    return !f.tbtnConnect->Enabled() && !f.mnuConnect->Enabled() && f.tbtnDisconnect->Enabled() &&
           f.mnuDisconnect->Enabled() && f.tbtnRead->Enabled() && f.tbtnWrite->Enabled() &&
           f.tbtnReadAll->Enabled() && f.tbtnWriteAll->Enabled() && f.Link().Exists();
}
} // namespace

TEST(EndToEnd, ConnectDisconnectAndALostLine) {
    TSimulator sim;
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    f.Link().SetTimeScaleForTests(0.05, 1.0); // the unit always answers: no reply wait runs out

    // The first activation greets with the connection dialog; the rig picks
    // the simulator's port, and the splash closes by itself with OK.
    rig.Port = sim.SlavePath();
    rig.Show();
    EXPECT_EQ(rig.DialogShows, 1);
    ASSERT_TRUE(Connected(f)) << f.dlgSplash->Panel2->Caption();
    EXPECT_FALSE(f.dlgSplash->isVisible());
    EXPECT_EQ(f.dlgSplash->Panel2->Caption(), "СОЕДИНЕНИЕ УСТАНОВЛЕНО");
    EXPECT_EQ(f.StatusBar1->Panel(0)->Text(), sim.SlavePath());
    EXPECT_EQ(f.StatusBar1->Panel(2)->Text(), "ORBELIN REV 07.41");
    EXPECT_EQ(f.Generation(), 0);

    f.tbtnDisconnect->Click();
    EXPECT_TRUE(Disconnected(f));

    // Connected again, the line drops: the window says so in one box and
    // goes back to Disconnected by itself.
    ASSERT_TRUE(rig.Connect(sim.SlavePath()));
    EXPECT_TRUE(Connected(f));
    TModalAnswer answers;
    sim.Unit().DropLine();
    EXPECT_TRUE(WaitUntil([&] { return Disconnected(f); }, 10000));
    ASSERT_EQ(answers.Messages.size(), 1u);
    EXPECT_TRUE(answers.Messages[0].starts_with("ОШИБКА! Связь с COM-портом потеряна: "))
        << answers.Messages[0];
    EXPECT_TRUE(f.mnuConnect->Enabled());
    EXPECT_FALSE(f.mnuDisconnect->Enabled());
    // The connection is gone from the status bar as well.
    for (int panel : {0, 1, 2})
        EXPECT_EQ(f.StatusBar1->Panel(panel)->Text(), "") << panel;
    const std::vector<std::string> memo = f.Memo1->Lines();
    ASSERT_FALSE(memo.empty());
    EXPECT_NE(memo.back().find(" # Поток завершил работу"), std::string::npos) << memo.back();
}
