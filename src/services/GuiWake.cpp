#include "services/GuiWake.h"

void TGuiWake::Run() {
    Watch(false);
    // Cleared before the function looks, so a raise after the look runs it again.
    FSignal.Clear();
    struct TRewatch {
        TGuiWake& Wake;
        ~TRewatch() {
            if (!Wake.FStopped)
                Wake.Watch(true);
        }
    } rewatch{*this};
    FOnRaise();
}

void TGuiWake::Stop() {
    FStopped = true;
    Watch(false);
}
