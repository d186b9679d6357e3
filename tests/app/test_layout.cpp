#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "TempDir.h"
#include "app/WindowLayout.h"
#include "toolkit/Controls.h"
#include "toolkit/IniFile.h"
#include "toolkit/ProgramFolder.h"

namespace {
// The main window's stored parts, in its component order, with some that are
// never stored among them.
struct TMainLike {
    TForm Form{nullptr, "Form1"};
    TToolBar* ToolBar1 = new TToolBar(&Form, "ToolBar1");
    TPanel* Panel1 = new TPanel(&Form, "Panel1");
    TButton* Button1 = new TButton(&Form, "Button1", Panel1);
    TPanel* Panel3 = new TPanel(&Form, "Panel3");
    TPanel* Panel4 = new TPanel(&Form, "Panel4");
    TPanel* Panel2 = new TPanel(&Form, "Panel2");
    TTreeView* tv1 = new TTreeView(&Form, "tv1", Panel2);
    TPanel* mpanel = new TPanel(&Form, "mpanel");
    TStatusBar* StatusBar1 = new TStatusBar(&Form, "StatusBar1");

    TMainLike() {
        Form.resize(817, 622);
        Panel1->SetHeight(143);
        Panel2->SetWidth(145);
    }
};

class WindowLayoutTest : public testing::Test {
protected:
    void SetUp() override { SetProgramFolderOverride(Dir.Path()); }
    void TearDown() override { SetProgramFolderOverride(""); }
    // Centred, give or take the rounding of an odd size.
    bool Centred(const TForm& form) const {
        const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
        return (form.geometry().center() - screen).manhattanLength() <= 2;
    }
    TTempDir Dir;
};
} // namespace

TEST_F(WindowLayoutTest, SaveWritesTheKeysInOrderAndLoadRestoresThem) {
    {
        TMainLike w;
        w.Form.move(30, 40);
        w.Form.resize(700, 500);
        w.ToolBar1->SetWidth(690);
        w.Panel1->SetWidth(700);
        w.Panel1->SetHeight(200);
        w.Panel3->SetWidth(10);
        w.Panel3->SetHeight(11);
        w.Panel4->SetWidth(12);
        w.Panel4->SetHeight(13);
        w.Panel2->SetHeight(300);
        w.tv1->SetWidth(140);
        w.tv1->SetHeight(290);
        w.mpanel->SetWidth(550);
        w.mpanel->SetHeight(310);
        SaveWindowLayout(w.Form);
    }
    EXPECT_EQ(Dir.Read("Windows.ini"), "[Form1]\r\n"
                                       "xForm.Left=30\r\n"
                                       "xForm.Top=40\r\n"
                                       "xForm.Height=500\r\n"
                                       "xForm.Width=700\r\n"
                                       "xForm.WindowState=0\r\n"
                                       "ToolBar1.Width=690\r\n"
                                       "Panel1.Width=700\r\n"
                                       "Panel1.Height=200\r\n"
                                       "Panel3.Width=10\r\n"
                                       "Panel3.Height=11\r\n"
                                       "Panel4.Width=12\r\n"
                                       "Panel4.Height=13\r\n"
                                       "Panel2.Width=145\r\n"
                                       "Panel2.Height=300\r\n"
                                       "tv1.Width=140\r\n"
                                       "tv1.Height=290\r\n"
                                       "mpanel.Width=550\r\n"
                                       "mpanel.Height=310\r\n");

    TMainLike w;
    LoadWindowLayout(w.Form);
    EXPECT_FALSE(w.Form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.Form.pos(), QPoint(30, 40));
    EXPECT_EQ(w.Form.size(), QSize(700, 500));
    EXPECT_EQ(w.Panel1->Height(), 200);
    EXPECT_EQ(w.Panel1->sizeHint().height(), 200); // what a layout will give it
    EXPECT_EQ(w.tv1->Width(), 140);
    EXPECT_EQ(w.ToolBar1->Width(), 690);
}

TEST_F(WindowLayoutTest, FirstStartOpensMaximisedWithTheDesignSizes) {
    TMainLike w;
    LoadWindowLayout(w.Form);
    EXPECT_TRUE(w.Form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.Form.size(), QSize(817, 622));
    EXPECT_EQ(w.Panel1->Height(), 143);
    EXPECT_EQ(w.Panel2->Width(), 145);
}

TEST_F(WindowLayoutTest, PartialAndDamagedFilesRestoreWhatTheyHold) {
    Dir.Write("Windows.ini", "[Form1]\r\n"
                             "xForm.Top=5\r\n"
                             "xForm.Height=abc\r\n"
                             "xForm.Width=300\r\n"
                             "Panel1.Height=x\r\n"
                             "tv1.Width=-4\r\n"
                             "[Other]\r\n"
                             "xForm.Left=1\r\n");
    TMainLike w;
    LoadWindowLayout(w.Form);
    EXPECT_TRUE(w.Form.windowState() & Qt::WindowMaximized); // no WindowState key
    EXPECT_EQ(w.Form.size(), QSize(300, 480));
    // No Left: centred, whatever Top says.
    EXPECT_TRUE(Centred(w.Form));
    EXPECT_EQ(w.Panel1->Height(), 100);
    EXPECT_EQ(w.tv1->Width(), 100);
    EXPECT_EQ(w.Panel2->Width(), 145); // no key: design value
}

TEST_F(WindowLayoutTest, NothingStoredReachesBeyondTheScreen) {
    Dir.Write("Windows.ini", "[Form1]\r\nxForm.Left=-32000\r\nxForm.Top=-32000\r\n"
                             "xForm.Height=400\r\nxForm.Width=500\r\nxForm.WindowState=0\r\n");
    TMainLike w;
    LoadWindowLayout(w.Form);
    EXPECT_EQ(w.Form.size(), QSize(500, 400));
    EXPECT_TRUE(Centred(w.Form)); // a position out of reach

    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    Dir.Write("Windows.ini", "[Form1]\r\nxForm.Left=0\r\nxForm.Top=0\r\nxForm.Height=16000\r\n"
                             "xForm.Width=16000\r\nPanel2.Width=16000\r\nPanel1.Height=9000\r\n");
    TMainLike big;
    LoadWindowLayout(big.Form);
    EXPECT_EQ(big.Form.size(), screen);
    EXPECT_EQ(big.Panel2->Width(), screen.width());
    EXPECT_EQ(big.Panel1->Height(), screen.height());
}

TEST_F(WindowLayoutTest, SavingKeepsOtherFormsAndFailsLoudlyWhenItCannotWrite) {
    Dir.Write("Windows.ini", "[dlgOther]\r\nxForm.Left=1\r\n");
    TMainLike w;
    w.Form.setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    SaveWindowLayout(w.Form);
    const TIniFile ini(Dir.File("Windows.ini"));
    EXPECT_EQ(ini.ReadInteger("dlgOther", "xForm.Left", 0), 1);
    EXPECT_FALSE(ini.ReadBool("Form1", "xForm.WindowState", true)); // minimised is not maximised

    Dir.Write("notafolder", "");
    SetProgramFolderOverride(Dir.File("notafolder"));
    try {
        SaveWindowLayout(w.Form);
        FAIL() << "saved into a folder that is a file";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Windows.ini"), std::string::npos);
    }
}
