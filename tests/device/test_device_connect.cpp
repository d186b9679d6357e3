// The connection handshake: which version texts are accepted, what revision
// and generation they yield (and keep from one connection to the next), and
// a unit that does not answer or whose line is lost.
#include <gtest/gtest.h>

#include "DeviceRig.h"

TEST(DeviceConnect, VersionTextDecidesRevisionAndGeneration) {
    struct TCase {
        const char* Version;
        bool Accepted;
        int Generation;
        int Revision;
    };
    // One device across all connections: a text without a number keeps what
    // the previous connection found.
    const TCase cases[] = {
        {"ORBELIN REV 07.3a", true, 0, 41}, // a fresh device keeps its start values
        {"ORBELIN REV 07.36", true, 2, 36},  {"ORBELIN REV 07", true, 2, 36},
        {"ORBELIN REV 07.18", true, 1, 18},  {"ORBELIN REV 07.19", true, 2, 19},
        {"ORBELIN REV 07.37", true, 0, 37},  {"  BOOT 1.2 / ORBELIN REV 07.40  ", true, 0, 40},
        {"orbelin rev 07.36", false, 0, 40}, {"ORBELIN REV 7.36", false, 0, 40},
    };
    TSimulator sim;
    TDeviceRig rig;
    const TUiTargets& t = rig.Rig.Targets;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Version);
        sim.Unit().SetVersionText(c.Version);
        EXPECT_EQ(rig.Connect(sim), c.Accepted);
        EXPECT_EQ(rig.Device.Generation(), c.Generation);
        EXPECT_EQ(rig.Device.Revision(), c.Revision);
        EXPECT_EQ(rig.TextsFor(t.StatusPanel2), std::vector<std::string>{c.Version});
        if (c.Accepted) {
            EXPECT_EQ(rig.TextsFor(t.Form1),
                      std::vector<std::string>{std::to_string(c.Generation)});
            const auto splash = rig.TextsFor(t.SplashPanel2);
            ASSERT_GE(splash.size(), 2u);
            EXPECT_EQ(splash[splash.size() - 2], "Идёт проверка версии!\nПопытка 1 из 3");
            EXPECT_EQ(splash.back(), "СОЕДИНЕНИЕ УСТАНОВЛЕНО");
            EXPECT_EQ(rig.Link->Mode(), rqIdle);
            EXPECT_FALSE(rig.Link->Finished());
        } else {
            EXPECT_EQ(rig.LastSplash(), "ОШИБКА! Неверная версия прошивки");
            EXPECT_TRUE(rig.TextsFor(t.Form1).empty());
            EXPECT_TRUE(rig.Link->WaitFor(5000)) << "a refused unit ends the link";
        }
        rig.Disconnect();
    }

    // An "ERROR" reply is no lost link: its value is checked like any other.
    sim.Unit().AddFault({.Kind = TSimFaultKind::Garbage,
                         .Command = "+v",
                         .Bytes = "ERROR\r\n>ORBELIN REV 07.30\r\nOK\r\n"});
    EXPECT_TRUE(rig.Connect(sim));
    EXPECT_EQ(rig.Device.Generation(), 2);
    EXPECT_EQ(rig.Device.Revision(), 30);
    EXPECT_GE(rig.Log.Find(" # ERROR\r\n>ORBELIN REV 07.30\r\nOK"), 0);
}

TEST(DeviceConnect, UnansweredOrLostHandshakeStopsTheLink) {
    TSimulator sim;
    TDeviceRig rig;
    {
        SCOPED_TRACE("no reply at all");
        sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+v", .Count = 3});
        EXPECT_FALSE(rig.Connect(sim, "", kRigPauseScale, kRigShortReplyScale));
        EXPECT_EQ(sim.Unit().Commands(), (std::vector<std::string>{"+v", "+v", "+v"}));
        EXPECT_TRUE(
            rig.LastSplash().starts_with("ОШИБКА! Устройство не ответило!\nПроверьте питание"))
            << rig.LastSplash();
        EXPECT_EQ(rig.Link->Mode(), rqIdle);
        EXPECT_GE(rig.Log.Find(" # Попытка № 3"), 0);
        // The long wait says which try it is in.
        const auto splash = rig.TextsFor(rig.Rig.Targets.SplashPanel2);
        ASSERT_GE(splash.size(), 4u);
        EXPECT_EQ(std::vector<std::string>(splash.end() - 4, splash.end() - 1),
                  (std::vector<std::string>{"Идёт проверка версии!\nПопытка 1 из 3",
                                            "Идёт проверка версии!\nПопытка 2 из 3",
                                            "Идёт проверка версии!\nПопытка 3 из 3"}));
    }
    {
        SCOPED_TRACE("the reply says the line is lost");
        sim.Unit().AddFault({.Kind = TSimFaultKind::Garbage,
                             .Command = "+v",
                             .Count = 3,
                             .Bytes = "\r\nNO CARRIER\r\n"});
        EXPECT_FALSE(rig.Connect(sim, "", kRigPauseScale, kRigShortReplyScale));
        EXPECT_EQ(rig.LastSplash(), "ОШИБКА! Сбой соединения");
        const int reply = rig.Log.FindExact(" # \r\nNO CARRIER\r\n");
        ASSERT_GE(reply, 0);
        EXPECT_TRUE(rig.Log.MemoLine(reply).Stamped && rig.Log.MemoLine(reply).ToMemo);
        EXPECT_EQ(rig.Log.FindExact("ОШИБКА! Цифровое соединение разорвано!", reply), reply + 1);
        EXPECT_TRUE(rig.TextsFor(rig.Rig.Targets.StatusPanel2).empty());
    }
    EXPECT_EQ(rig.Device.Revision(), 41);
}
