// The wake's watch on Windows: an event notifier on the signal's event,
// which stays set (manual reset) until Run clears it.

#include <QWinEventNotifier>
#include <windows.h>

#include "services/GuiWake.h"

struct TGuiWake::TWatch {
    QWinEventNotifier Notifier;
    explicit TWatch(std::intptr_t Event) : Notifier(reinterpret_cast<HANDLE>(Event)) {}
};

TGuiWake::TGuiWake(std::function<void()> OnRaise)
    : FOnRaise(std::move(OnRaise)), FWatch(std::make_unique<TWatch>(FSignal.Native())) {
    QObject::connect(&FWatch->Notifier, &QWinEventNotifier::activated, [this] { Run(); });
}

TGuiWake::~TGuiWake() = default;

void TGuiWake::Watch(bool On) {
    FWatch->Notifier.setEnabled(On);
}
