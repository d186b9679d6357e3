#include "services/QuitSignals.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>
#include <windows.h>

// A windowed program is asked to end through window messages, which Qt
// turns into close events: the window's own close saves and hangs up. A
// console program gets Ctrl+C and Ctrl+Break here, on a thread the system
// starts for the purpose; the request goes to the event loop. Closing the
// console or logging off still ends the program as the system does.

namespace {

std::atomic<TQuitOnSignals*> Holder{nullptr};
std::atomic<int> Requests{0};
std::atomic<bool> RepeatEnds{true};

// What RemoveAtHardEnd named; published once complete, read by the
// system's thread that ends the program on a repeated request.
std::vector<std::string> HardEndPaths;
std::atomic<const std::vector<std::string>*> HardEndList{nullptr};

void RemoveHardEndPaths() {
    if (const auto* paths = HardEndList.load())
        for (const std::string& path : *paths) {
            std::error_code ec;
            std::filesystem::remove(std::filesystem::path(std::u8string(path.begin(), path.end())),
                                    ec);
        }
}

BOOL WINAPI OnConsoleEvent(DWORD Event) {
    if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT)
        return FALSE;
    TQuitOnSignals* holder = Holder.load();
    if (!holder)
        return FALSE;
    if (++Requests > 1) {
        if (!RepeatEnds.load())
            return TRUE;
        RemoveHardEndPaths();
        return FALSE; // the system ends the program
    }
    QMetaObject::invokeMethod(
        holder, [holder] { holder->Deliver(); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

TQuitOnSignals::TQuitOnSignals(std::function<void()> OnStop, TRepeat Repeat) {
    TQuitOnSignals* none = nullptr;
    if (!Holder.compare_exchange_strong(none, this))
        return;
    FOnStop = std::move(OnStop);
    Requests = 0;
    RepeatEnds = Repeat == TRepeat::EndsAtOnce;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TQuitOnSignals::~TQuitOnSignals() {
    TQuitOnSignals* self = this;
    if (Holder.compare_exchange_strong(self, nullptr)) {
        SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
        RemoveAtHardEnd({});
    }
}

void TQuitOnSignals::RemoveAtHardEnd(std::vector<std::string> Paths) {
    HardEndList = nullptr;
    HardEndPaths = std::move(Paths);
    if (!HardEndPaths.empty())
        HardEndList = &HardEndPaths;
}

void TQuitOnSignals::Deliver() {
    if (FReceived++ > 0)
        return;
    if (FOnStop)
        FOnStop();
    else
        QCoreApplication::exit(0);
}

void TQuitOnSignals::AllowShutdown(std::chrono::milliseconds) {}

bool TQuitOnSignals::Stopping() {
    return Holder.load() && Requests.load() > 0;
}
