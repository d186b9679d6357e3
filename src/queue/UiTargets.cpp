#include "queue/UiTargets.h"

#include "queue/Protocol.h"

std::vector<TScreenStep> ShowUnitEvent(const TUnitEvent& e, const TUiTargets& Screen) {
    using TKind = TUnitEvent::TKind;
    switch (e.Kind) {
    case TKind::LinkProgress:
        return {{okControl, Screen.SplashPanel2, e.Text}};
    case TKind::LinkFailed:
        return {{okControl, Screen.SplashPanel2, LinkFailureText(e)}};
    case TKind::Connected:
        return {{okControl, Screen.Form1, std::to_string(e.Generation)},
                {okControl, Screen.SplashPanel2, "СОЕДИНЕНИЕ УСТАНОВЛЕНО"},
                {okControl, Screen.SplashButton1, QueueWord::Click}};
    case TKind::Version:
        return {{okStatus, Screen.StatusPanel2, e.Text}};
    case TKind::LinkEnded:
        // The operator's own disconnect has disabled the button already.
        if (Screen.DisconnectEnabled && Screen.DisconnectEnabled())
            return {{okControl, Screen.tbtnDisconnect, QueueWord::Click}};
        return {};
    case TKind::PageBusy:
        return {{okControl, Screen.tv1, QueueWord::Bool(!e.Busy)}};
    case TKind::WalkStep:
        // The only way to stop a walk is to disconnect: said while it runs.
        if (!Screen.StatusPanel4)
            return {};
        return {{okStatus, Screen.StatusPanel4,
                 std::string(WalkPhaseWord(e.Phase)) + " " + std::to_string(e.Step) + "/" +
                     std::to_string(e.Total) + " · Ctrl+D — прервать"}};
    case TKind::Commit:
        if (Screen.WriteState)
            Screen.WriteState->store(e.Commit, std::memory_order_release);
        return {{okControl, Screen.Form1, QueueWord::Repaint}};
    case TKind::RequestDone:
        return {};
    }
    return {};
}
