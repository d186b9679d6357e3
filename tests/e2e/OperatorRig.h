#pragma once
// The main window driven the way an operator drives it, for runs that
// connect many times: the connection dialog is answered with the port and
// the phone number (empty for a cable), the splash is left alone until it
// closes by itself or the link thread has ended and every posted text is on
// the screen (then "Отмена" is pressed, as after reading an error), and
// message boxes are answered with OK and kept. Nothing outlives one connect:
// no timer is left behind to touch a later splash.
//
// Threading: GUI thread.

#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "../app/MainWindowRig.h"

class TOperatorRig {
public:
    // Every link thread of this window runs its waits multiplied by TimeScale,
    // its waits for an answer by ReplyScale when that is given (see TModem).
    explicit TOperatorRig(double TimeScale, double ReplyScale = 0);

    TMainWindowRig Rig;
    TForm1& F;
    TModalAnswer Answers;

    // Connects through the dialog and the splash; true when the window ends
    // up connected. A splash still up after LimitMs is cancelled.
    bool Connect(const std::string& Port, const std::string& Phone = "", int LimitMs = 20000);
    void Disconnect() { F.tbtnDisconnect->Click(); }

    // The window's states as the tool bar, the menu and the link show them.
    bool Connected() const;
    bool Disconnected() const;

    // Drains the queue until the request under way is done and everything it
    // posted is applied, or until the link has ended and the window is back
    // to Disconnected; false when neither happened within TimeoutMs.
    bool Settle(int TimeoutMs);

    // Memo lines from index From on, date-and-time stamps taken off.
    std::vector<std::string> MemoFrom(std::size_t From) const;
    std::size_t MemoCount() const { return F.Memo1->Lines().size(); }

    // Clicks a tree entry by its page number.
    void SelectPage(int Number) { Rig.SelectPage(Number); }

private:
    void Answer(QWidget* Window);
    void WatchSplash();

    std::string FPort;
    std::string FPhone;
    std::size_t FMemoAtConnect = 0;
    QTimer FSplashWatch;
    int FSplashLimitMs = 20000;
    QElapsedTimer FSplashClock;
};

// Text with its leading date-and-time stamp taken off.
std::string Unstamped(const std::string& Line);
