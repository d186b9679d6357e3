#include "LinkRig.h"

#include <regex>
#include <thread>

#include "serial/XComErr.h"

TControlRef FakeControl(std::uintptr_t N) {
    return reinterpret_cast<TControlRef>(N * 0x100);
}

void TQueueLog::Drain() {
    static const std::regex stamp(R"(^\d\d\.\d\d\.\d{4} \d{1,2}:\d\d:\d\d )");
    TOutElement* e = nullptr;
    while (FOut.Take(e) != 0) {
        TPosted p;
        p.Kind = e->Kind;
        if (const auto* m = dynamic_cast<const TMemoOut*>(e)) {
            p.ToMemo = m->ToMemo;
            std::smatch match;
            if (std::regex_search(m->Text, match, stamp)) {
                p.Stamped = true;
                p.Text = m->Text.substr(static_cast<std::size_t>(match.length(0)));
            } else {
                p.Text = m->Text;
            }
        } else if (const auto* c = dynamic_cast<const TControlOut*>(e)) {
            p.Control = c->Control;
            p.Text = c->Text;
        } else if (const auto* s = dynamic_cast<const TStatusOut*>(e)) {
            p.Control = s->Panel;
            p.Text = s->Text;
        } else if (const auto* g = dynamic_cast<const TMsgOut*>(e)) {
            p.Text = g->Text;
        } else if (const auto* v = dynamic_cast<const TEventOut*>(e)) {
            for (TScreenStep& step : ShowUnitEvent(v->Event, FScreen))
                FAll.push_back({.Kind = step.Kind, .Control = step.Control, .Text = step.Text});
            continue;
        }
        FAll.push_back(std::move(p));
    }
}

const std::vector<TPosted>& TQueueLog::All() {
    Drain();
    return FAll;
}

std::vector<std::string> TQueueLog::Memo() {
    std::vector<std::string> lines;
    for (const TPosted& p : All())
        if (p.Kind == okMemo)
            lines.push_back(p.Text);
    return lines;
}

TPosted TQueueLog::MemoLine(int Index) {
    int n = 0;
    for (const TPosted& p : All())
        if (p.Kind == okMemo && n++ == Index)
            return p;
    return {};
}

int TQueueLog::Find(const std::string& Prefix, int From) {
    const auto lines = Memo();
    for (int i = std::max(From, 0); i < static_cast<int>(lines.size()); ++i)
        if (lines[static_cast<std::size_t>(i)].starts_with(Prefix))
            return i;
    return -1;
}

int TQueueLog::FindExact(const std::string& Text, int From) {
    const auto lines = Memo();
    for (int i = std::max(From, 0); i < static_cast<int>(lines.size()); ++i)
        if (lines[static_cast<std::size_t>(i)] == Text)
            return i;
    return -1;
}

std::vector<std::string> TQueueLog::TextsFor(TControlRef Control) {
    std::vector<std::string> texts;
    for (const TPosted& p : All())
        if (p.Kind == okControl && p.Control == Control)
            texts.push_back(p.Text);
    return texts;
}

bool TQueueLog::WaitUntil(const std::function<bool()>& Pred, int TimeoutMs) {
    const auto end = TTestClock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        Drain();
        if (Pred())
            return true;
        if (TTestClock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

const TUiTargets& RigScreen() {
    static const TUiTargets screen = [] {
        TUiTargets s;
        s.SplashPanel2 = FakeControl(1);
        s.SplashButton1 = FakeControl(2);
        s.StatusPanel2 = FakeControl(3);
        s.Form1 = FakeControl(4);
        s.tv1 = FakeControl(5);
        s.tbtnDisconnect = FakeControl(6);
        s.StatusPanel4 = FakeControl(7);
        s.DisconnectEnabled = [] { return true; };
        return s;
    }();
    return screen;
}

TRigTargets::TRigTargets() : Targets(RigScreen()) {
    Targets.DisconnectEnabled = [this] { return DisconnectEnabled.load(); };
    Targets.WriteState = &WriteState;
}

void TScriptDevice::Dispatch(std::uint8_t Code) {
    ++Dispatches;
    TModem& link = *FLink;
    if (Code == rqConnect) {
        if (!link.ConnectModem())
            return;
        if (OnConnect)
            OnConnect(link);
        link.SetMode(rqIdle);
    } else if (Code == rqIdle) {
        link.DrainInput();
        try {
            link.IdleWait(20, true);
        } catch (const std::exception& e) {
            if (ReportIdleFailures)
                link.PostLine(std::string(" # !!! Ошибка при работе с COM-портом: ") +
                                  PortErrorText(e),
                              true, true);
            link.Terminate();
        }
    }
}

std::unique_ptr<TModem> MakeLink(const std::string& PortName, const std::string& Phone,
                                 TOutArray& Out, TDevice& Device, double Scale, bool WaitReg,
                                 double ReplyScale) {
    auto link = std::make_unique<TModem>(PortName, Phone, Out, Device, WaitReg);
    link->SetTimeScaleForTests(Scale, ReplyScale);
    if (auto* script = dynamic_cast<TScriptDevice*>(&Device))
        script->SetLink(link.get());
    return link;
}
