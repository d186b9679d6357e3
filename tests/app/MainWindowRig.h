#pragma once
// The main window in a test: a program folder of its own, the window shown
// as the operator sees it (the connection dialog that greets the operator is
// answered by the rig), and connecting through that dialog to an in-process
// simulated unit.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "../queue/ModalAnswer.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "app/SplashDlg.h"
#include "serial/ConnectDlg.h"
#include "toolkit/ProgramFolder.h"

// Runs the event loop until Done() holds or TimeoutMs have passed; true
// when it holds.
inline bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!Done()) {
        if (clock.elapsed() > TimeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class TMainWindowRig {
public:
    TMainWindowRig() {
        // Qt's default style stretches pixmaps over large areas with helper
        // threads that ThreadSanitizer cannot see into; this one paints on
        // the GUI thread only.
        QApplication::setStyle("Windows");
        SetProgramFolderOverride(Home.Path());
        Form = std::make_unique<TForm1>();
    }
    ~TMainWindowRig() {
        Form.reset();
        SetProgramFolderOverride("");
    }
    TMainWindowRig(const TMainWindowRig&) = delete;
    TMainWindowRig& operator=(const TMainWindowRig&) = delete;

    TTempDir Home;
    std::unique_ptr<TForm1> Form;
    // How many times the connection dialog was shown.
    int DialogShows = 0;
    // The port the rig types into the connection dialog; empty: it cancels.
    std::string Port;

    // Shows the window; the first activation's connection dialog is answered
    // (cancelled unless Port is set).
    void Show() {
        TModalAnswer answer([this](QWidget* w) { Answer(w); });
        Form->show();
        WaitUntil([this] { return DialogShows > 0 && !Form->dlgConnect->isVisible(); }, 5000);
        QApplication::processEvents();
    }

    // Connects to the port through the connection dialog and the splash;
    // true when the window ends up connected. A splash still up after
    // SplashLimitMs is cancelled.
    bool Connect(const std::string& port, int SplashLimitMs = 15000) {
        Port = port;
        FSplashLimitMs = SplashLimitMs;
        TModalAnswer answer([this](QWidget* w) { Answer(w); });
        Form->mnuConnectClick(Form->tbtnConnect);
        return Form->tbtnRead->Enabled() && Form->Link().Exists();
    }

    // Drains the queue as a post's wake-up does.
    void Drain() { Form->QueuePosted(); }

    // Selects the tree entry of the page with the given number.
    void SelectPage(int Number) {
        for (int i = 0; i < Form->tv1->NodeCount(); ++i)
            if (Form->tv1->Node(i)->StateIndex() == Number)
                Form->tv1->Select(Form->tv1->Node(i));
    }

private:
    void Answer(QWidget* w) {
        if (w == Form->dlgConnect) {
            ++DialogShows;
            if (Port.empty()) {
                Form->dlgConnect->CancelBtn->UserClick();
                return;
            }
            Form->dlgConnect->ComPorts->SetText(Port);
            Form->dlgConnect->Phones->SetText("");
            Form->dlgConnect->OKBtn->UserClick();
        } else if (w == Form->dlgSplash) {
            QTimer::singleShot(FSplashLimitMs, Form->dlgSplash, [this] {
                if (Form->dlgSplash->InModal())
                    Form->dlgSplash->CancelBtn->UserClick();
            });
        } else {
            w->close();
        }
    }

    int FSplashLimitMs = 15000;
};
