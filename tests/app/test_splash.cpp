#include <gtest/gtest.h>

#include <QTimer>

#include "../toolkit/WidgetEvents.h"
#include "NullApplyHost.h"
#include "app/SplashDlg.h"
#include "queue/Appliers.h"

TEST(Splash, ClosesWithOkOnTheDevicesClickAndWithCancelOnTheOperators) {
    TForm owner(nullptr, "Form1");
    TdlgSplash splash(&owner);
    EXPECT_EQ(splash.Caption(), "Подключение");
    EXPECT_EQ(splash.Panel1->Caption(), "Состояние подключения");
    EXPECT_FALSE(splash.Button1->Visible());
    EXPECT_FALSE(splash.Panel5->Visible());

    // What the link thread posts while it connects.
    TOutArray queue;
    TNullApplyHost host;
    queue.PostControlText(splash.Panel2, "Идёт проверка версии!");
    queue.PostControlText(splash.Panel2, "СОЕДИНЕНИЕ УСТАНОВЛЕНО");
    queue.PostControlText(splash.Button1, "Click");
    QTimer::singleShot(0, [&] { DrainOutArray(queue, host); });
    EXPECT_EQ(splash.ShowModal(), mrOk);
    EXPECT_EQ(splash.Panel2->Caption(), "СОЕДИНЕНИЕ УСТАНОВЛЕНО");
    EXPECT_FALSE(splash.isVisible());

    QTimer::singleShot(0, [&] { splash.CancelBtn->UserClick(); });
    EXPECT_EQ(splash.ShowModal(), mrCancel);
    QTimer::singleShot(0, [&] { PressKey(&splash, Qt::Key_Escape); });
    EXPECT_EQ(splash.ShowModal(), mrCancel);
}
