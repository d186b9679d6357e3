#include <gtest/gtest.h>

#include <QApplication>
#include <QLayout>
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

// A port's path is never broken across lines; a path wider than the window
// widens it, and the next short text gives it back its design size.
TEST(Splash, StateTextsWrapAtBlanksAndThePathStaysWhole) {
    TForm owner(nullptr, "Form1");
    TdlgSplash splash(&owner);
    const QSize design(295, 144);
    splash.show();
    EXPECT_EQ(splash.size(), design);
    const std::string path = "/dev/ttyUSB7";
    splash.Panel2->SetCaption("Ошибка при открытии COM-порта: " + path + " — нет такого порта");
    EXPECT_EQ(splash.size(), design);
    EXPECT_EQ(splash.CancelBtn->Caption(), "Закрыть")
        << "a failed connection has nothing to cancel";
    const QStringList lines = splash.Panel2->CaptionLines();
    EXPECT_GT(lines.size(), 1);
    EXPECT_EQ(lines.filter(QStr(path)).size(), 1);
    for (const QString& line : lines)
        EXPECT_TRUE(!line.contains('/') || line.contains(QStr(path))) << line.toStdString();

    const std::string longPath = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KZP2N-if00-port0";
    splash.Panel2->SetCaption("Ошибка при открытии COM-порта: " + longPath +
                              " — нет доступа к порту (пользователь должен входить в группу "
                              "dialout)");
    EXPECT_GT(splash.width(), design.width());
    QApplication::processEvents(); // the new size reaches the panels
    EXPECT_EQ(splash.Panel2->CaptionLines().filter(QStr(longPath)).size(), 1);
    const QFontMetrics metrics(splash.Panel2->font());
    for (const QString& line : splash.Panel2->CaptionLines())
        EXPECT_LE(metrics.horizontalAdvance(line), splash.Panel2->contentsRect().width())
            << line.toStdString();
    EXPECT_GE(splash.Panel2->height(),
              splash.Panel2->CaptionLines().size() * metrics.lineSpacing());

    splash.Panel2->SetCaption("Идёт проверка версии!\nПопытка 2 из 3");
    EXPECT_EQ(splash.size(), design);
    EXPECT_EQ(splash.CancelBtn->Caption(), "Отмена");
    EXPECT_EQ(splash.Panel2->CaptionLines(),
              (QStringList{"Идёт проверка версии!", "Попытка 2 из 3"}));
}
