// The wake's watch on POSIX: a socket notifier on the signal's eventfd.

#include <QSocketNotifier>

#include "services/GuiWake.h"

struct TGuiWake::TWatch {
    QSocketNotifier Notifier;
    explicit TWatch(std::intptr_t Fd) : Notifier(static_cast<int>(Fd), QSocketNotifier::Read) {}
};

TGuiWake::TGuiWake(std::function<void()> OnRaise)
    : FOnRaise(std::move(OnRaise)), FWatch(std::make_unique<TWatch>(FSignal.Native())) {
    QObject::connect(&FWatch->Notifier, &QSocketNotifier::activated, [this] { Run(); });
}

TGuiWake::~TGuiWake() = default;

void TGuiWake::Watch(bool On) {
    FWatch->Notifier.setEnabled(On);
}
