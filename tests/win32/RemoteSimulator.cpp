#include <mutex>
#include <stdexcept>

#include "SimControlText.h"
#include "SimulatedUnit.h"
#include "WinTestSupport.h"

namespace {

std::vector<std::string> CommaList(const std::string& Text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t comma; (comma = Text.find(',', start)) != std::string::npos; start = comma + 1)
        items.push_back(Text.substr(start, comma - start));
    items.push_back(Text.substr(start));
    return items;
}

// The simulators wine-test.sh started, each a line and a control line.
struct TSlots {
    std::mutex Mutex;
    std::vector<std::string> Ports, Controls;
    std::vector<bool> Taken;

    TSlots() {
        Ports = CommaList(RequiredEnv("ORB_SIM_PORTS"));
        Controls = CommaList(RequiredEnv("ORB_SIM_CONTROLS"));
        if (Ports.size() != Controls.size())
            throw std::runtime_error("ORB_SIM_PORTS and ORB_SIM_CONTROLS differ in length");
        Taken.assign(Ports.size(), false);
    }

    std::size_t Take() {
        std::lock_guard lock(Mutex);
        for (std::size_t i = 0; i < Taken.size(); ++i)
            if (!Taken[i]) {
                Taken[i] = true;
                return i;
            }
        throw std::runtime_error("the test uses more than the " + std::to_string(Taken.size()) +
                                 " simulators wine-test.sh started (ORB_WINE_SIM)");
    }
    void Give(std::size_t Slot) {
        std::lock_guard lock(Mutex);
        Taken[Slot] = false;
    }
};

TSlots& Slots() {
    static TSlots slots;
    return slots;
}

std::size_t Number(const std::string& Reply, std::size_t Word) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < Word; ++i)
        at = Reply.find(' ', at) + 1;
    return std::stoul(Reply.substr(at));
}

} // namespace

TSimulator::TSimulator(const TSimOptions& Options) : FSlot(Slots().Take()) {
    try {
        FPort = Slots().Ports[FSlot];
        FControl = std::make_unique<TSimControlClient>(Slots().Controls[FSlot]);
        std::string reset = "reset --revision=" + std::to_string(Options.Revision);
        if (Options.ReplyDelayMs > 0)
            reset += " --delay=" + std::to_string(Options.ReplyDelayMs);
        if (Options.Modem)
            reset += " " + ModemOption(*Options.Modem);
        FControl->Command(reset);
        FUnit = std::make_unique<TRemoteSimUnit>(*FControl);
        if (Options.Modem)
            FModem = std::make_unique<TRemoteSimModem>(*FControl);
    } catch (...) {
        Slots().Give(FSlot);
        throw;
    }
}

TSimulator::~TSimulator() {
    FControl.reset();
    Slots().Give(FSlot);
}

TRemoteSimModem& TSimulator::Modem() {
    if (!FModem)
        throw std::logic_error("the simulator was made without a modem");
    return *FModem;
}

void TRemoteSimUnit::SetRevision(int Revision) {
    FControl.Command("revision " + std::to_string(Revision));
}

void TRemoteSimUnit::SetVersionText(std::optional<std::string> Text) {
    FControl.Command(Text ? "version " + EscapeForControl(*Text) : std::string("version"));
}

std::string TRemoteSimUnit::Value(std::string_view Key) const {
    return BytesFromHex(FControl.Command("value " + std::string(Key)).substr(3));
}

void TRemoteSimUnit::SetValue(std::string_view Key, const std::string& Value) {
    FControl.Command("set " + std::string(Key) + " " + EscapeForControl(Value));
}

void TRemoteSimUnit::ResetStore() {
    FControl.Command("reset-store");
}

void TRemoteSimUnit::SetCommitFails(bool Fails) {
    FControl.Command(Fails ? "commit-fails on" : "commit-fails off");
}

int TRemoteSimUnit::CommitCount() const {
    return static_cast<int>(Number(FControl.Command("counts"), 2));
}

void TRemoteSimUnit::AddFault(const TSimFault& Fault) {
    FControl.Command("fault " + FaultText(Fault));
}

void TRemoteSimUnit::ClearFaults() {
    FControl.Command("clear-faults");
}

void TRemoteSimUnit::SetReplyDelay(int Ms) {
    FControl.Command("reply-delay " + std::to_string(Ms));
}

std::vector<std::string> TRemoteSimUnit::Commands() const {
    std::vector<std::string> commands = FControl.List("commands");
    for (std::string& c : commands)
        c = BytesFromReadable(c);
    return commands;
}

std::size_t TRemoteSimUnit::CommandCount() const {
    return Number(FControl.Command("counts"), 1);
}

bool TRemoteSimUnit::WaitForCommands(std::size_t Count, int TimeoutMs) const {
    return FControl.Command("wait-commands " + std::to_string(Count) + " " +
                                std::to_string(TimeoutMs),
                            TimeoutMs + 10000) == "ok 1";
}

void TRemoteSimUnit::ClearCommands() {
    FControl.Command("clear-commands");
}

std::vector<std::string> TRemoteSimModem::Lines() const {
    std::vector<std::string> lines = FControl.List("modem-lines");
    for (std::string& l : lines)
        l = BytesFromReadable(l);
    return lines;
}

TSimModemConfig FastModem() {
    return ModemTimings(kFastModemVariants);
}
