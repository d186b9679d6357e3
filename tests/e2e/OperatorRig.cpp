#include "OperatorRig.h"

#include <regex>

#include "pages/f_Debug.h"

namespace {
const char* const ThreadEnded = " # Поток завершил работу";
}

std::string Unstamped(const std::string& Line) {
    static const std::regex stamp(R"(^\d\d\.\d\d\.\d{4} \d{1,2}:\d\d:\d\d )");
    return std::regex_replace(Line, stamp, "", std::regex_constants::format_first_only);
}

TOperatorRig::TOperatorRig(double TimeScale, double ReplyScale)
    : F(*Rig.Form), Answers([this](QWidget* w) { Answer(w); }) {
    F.Link().SetTimeScaleForTests(TimeScale, ReplyScale);
    FSplashWatch.setInterval(10);
    QObject::connect(&FSplashWatch, &QTimer::timeout, [this] { WatchSplash(); });
}

bool TOperatorRig::Connect(const std::string& Port, const std::string& Phone, int LimitMs) {
    FPort = Port;
    FPhone = Phone;
    FSplashLimitMs = LimitMs;
    // What an earlier link thread posted on its way out goes on the screen
    // first: its last words must not pass for those of the new one.
    while (F.OutArray().PeekKind() != 0)
        Rig.Drain();
    FMemoAtConnect = MemoCount();
    F.mnuConnectClick(F.tbtnConnect);
    FSplashWatch.stop();
    return Connected();
}

void TOperatorRig::Answer(QWidget* Window) {
    if (Window == F.dlgConnect) {
        F.dlgConnect->ComPorts->SetText(FPort);
        F.dlgConnect->Phones->SetText(FPhone);
        F.dlgConnect->cbRegWait->SetChecked(false);
        F.dlgConnect->OKBtn->UserClick();
    } else if (Window == F.dlgSplash) {
        FSplashClock.start();
        FSplashWatch.start();
    } else {
        Window->close();
    }
}

void TOperatorRig::WatchSplash() {
    if (!F.dlgSplash->InModal()) {
        FSplashWatch.stop();
        return;
    }
    const std::vector<std::string> memo = F.Memo1->Lines();
    bool ended = false;
    for (std::size_t i = FMemoAtConnect; i < memo.size() && !ended; ++i)
        ended = Unstamped(memo[i]) == ThreadEnded;
    const bool drained = F.OutArray().PeekKind() == 0;
    if ((ended && drained) || FSplashClock.elapsed() > FSplashLimitMs) {
        FSplashWatch.stop();
        F.dlgSplash->CancelBtn->UserClick();
    }
}

bool TOperatorRig::Connected() const {
    return !F.tbtnConnect->Enabled() && !F.mnuConnect->Enabled() && F.tbtnDisconnect->Enabled() &&
           F.mnuDisconnect->Enabled() && F.tbtnRead->Enabled() && F.tbtnWrite->Enabled() &&
           F.tbtnReadAll->Enabled() && F.tbtnWriteAll->Enabled() && F.Link().Exists() &&
           !F.Link().Ending();
}

bool TOperatorRig::Disconnected() const {
    return F.tbtnConnect->Enabled() && F.mnuConnect->Enabled() && !F.tbtnDisconnect->Enabled() &&
           !F.mnuDisconnect->Enabled() && !F.tbtnRead->Enabled() && !F.tbtnWrite->Enabled() &&
           !F.tbtnReadAll->Enabled() && !F.tbtnWriteAll->Enabled() && !F.Link().Exists();
}

bool TOperatorRig::Settle(int TimeoutMs) {
    return WaitUntil(
        [this] {
            // Seen before the drain: whatever the request posted before the
            // link went idle is then in the queue and gets applied below.
            const bool idle = !F.Link().Exists() || (F.Link().Mode() == 0 && !F.Link().Ending());
            Rig.Drain();
            return idle && F.OutArray().PeekKind() == 0;
        },
        TimeoutMs);
}

std::vector<std::string> TOperatorRig::MemoFrom(std::size_t From) const {
    const std::vector<std::string> memo = F.Memo1->Lines();
    std::vector<std::string> lines;
    for (std::size_t i = From; i < memo.size(); ++i)
        lines.push_back(Unstamped(memo[i]));
    return lines;
}
