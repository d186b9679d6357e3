#include "FaultCell.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <thread>

#include "CellWords.h"
#include "IniCheck.h"
#include "OperatorRig.h"
#include "PortPull.h"
#include "SimSupport.h"
#include "TestClock.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "sim/Simulator.h"

namespace {

using TClock = std::chrono::steady_clock;

// The program's waits, before the time scale: the pause before a command,
// the reply wait, the keep-alive period of a data call (a little over five
// seconds) and the hang-up of a call.
constexpr int PauseMs = 100;
constexpr int ReplyWaitMs = 4500;
constexpr int ExchangeMs = PauseMs + ReplyWaitMs;
// A reply wait that gives up is followed by at most one more while the line
// settles, before the next command.
constexpr int SettleMs = ReplyWaitMs;
constexpr int KeepAliveMs = 6000;
constexpr int HangUpMs = 2000 + 3 * ExchangeMs + 500;
// What a loaded machine (or a sanitizer) may add to a run on top.
constexpr int SlackMs = 2500;

const char* const DialNumber = "5551234";
const char* const NewAccessPoint = "fault.apn";
const char* const NewIp = "10.9.8.7";

bool Fatal(TFault fault) {
    return fault == TFault::NoCarrier || fault == TFault::LineDrop || fault == TFault::PortVanish;
}

class TCell {
public:
    TCell(TFault fault, TOperation operation) : FFault(fault), FOperation(operation) {}
    ~TCell() { StopWatcher(); }

    TCellResult Run();

private:
    bool OverModem() const {
        return FOperation == TOperation::ConnectModem || FOperation == TOperation::IdleDataCall;
    }
    bool Connecting() const {
        return FOperation == TOperation::ConnectCable || FOperation == TOperation::ConnectModem;
    }
    bool Writing() const {
        return FOperation == TOperation::WritePage || FOperation == TOperation::WriteAll;
    }
    bool Reading() const {
        return FOperation == TOperation::ReadPage || FOperation == TOperation::ReadAll;
    }
    // Pauses run at a twentieth of their length. A reply wait (and so every
    // allowance made of waits) at a fifth: a healthy reply, which comes at
    // once, is never given up on by a busy machine, and a late reply arrives
    // well after its wait has ended and well before the next one has.
    static constexpr double PauseScale = 0.05;
    double Scale() const { return 0.2; }
    int Scaled(int ms) const { return static_cast<int>(std::lround(ms * Scale())); }
    // A late reply comes one and a half reply waits after its command.
    int LateMs() const { return Scaled(ReplyWaitMs) * 3 / 2; }
    std::string Phone() const { return OverModem() ? DialNumber : ""; }
    std::string HitCommand() const { return Connecting() || OverModem() ? "+v" : "+G"; }

    void NewSimulator();
    std::size_t JournalRecords() const {
        const std::string text = FOp->Rig.Home.Read("journal.jsonl");
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    void Fail(const std::string& what) { FResult.Failures.push_back(what); }
    // The operation as the operator starts it, until its results are on the
    // screen; the milliseconds it took, -1 when it did not end in time.
    long long Perform(int limitMs);
    void Prepare();
    void Strike();
    void StartWatcher(std::function<void()> action);
    void StopWatcher();
    void Observe(long long ms);
    void CheckEndState();
    void Reconnect();
    void CloseWindow();

    TFault FFault;
    TOperation FOperation;
    TCellResult FResult;
    std::unique_ptr<TSimulator> FSim;
    std::unique_ptr<TOperatorRig> FOp;
    std::thread FWatcher;
    std::atomic<bool> FStopWatcher{false};
    std::atomic<bool> FPulled{false};
    std::string FPullError;

    long long FCleanMs = 0;
    TValueSnapshot FCleanValues;
    std::string FCleanAnswer;
    std::vector<std::string> FRedBefore;
    std::size_t FCommandsBefore = 0;
    // Commands of the operation before the one struck, as the clean run sent them.
    int FHitOffset = 0;
    std::size_t FMemoBefore = 0;
    std::size_t FMessagesBefore = 0;
    TClock::time_point FStruckEnd;
};

void TCell::NewSimulator() {
    TSimOptions options;
    if (OverModem()) {
        options.Modem = FastModem();
    }
    FSim = std::make_unique<TSimulator>(options);
}

long long TCell::Perform(int limitMs) {
    TForm1& f = FOp->F;
    const auto start = TClock::now();
    bool done = true;
    switch (FOperation) {
    case TOperation::ConnectCable:
    case TOperation::ConnectModem:
        FOp->Connect(FSim->SlavePath(), Phone(), limitMs);
        done = MsSince(start) <= limitMs;
        break;
    case TOperation::ReadPage:
        FOp->SelectPage(3);
        f.tbtnRead->Click();
        done = FOp->Settle(limitMs);
        break;
    case TOperation::WritePage:
        FOp->SelectPage(3);
        f.tbtnWrite->Click();
        done = FOp->Settle(limitMs);
        break;
    case TOperation::ReadAll:
        f.tbtnReadAll->Click();
        done = FOp->Settle(limitMs);
        break;
    case TOperation::WriteAll:
        f.tbtnWriteAll->Click();
        done = FOp->Settle(limitMs);
        break;
    case TOperation::ConsoleRead:
        FOp->SelectPage(5);
        f.form_Debug->EditN(1)->SetText("+G");
        f.form_Debug->EditN(2)->SetText("");
        f.form_Debug->ButtonN(1)->Click();
        done = FOp->Settle(limitMs);
        break;
    case TOperation::IdleDataCall: {
        // The struck keep-alive and the one after it, or the end of the link.
        const std::size_t wanted = FCommandsBefore + 2;
        done = WaitUntil(
                   [&] {
                       FOp->Rig.Drain();
                       return FSim->Unit().CommandCount() >= wanted || !f.Link().Exists() ||
                              f.Link().Ending();
                   },
                   limitMs) &&
               FOp->Settle(limitMs);
        break;
    }
    }
    return done ? MsSince(start) : -1;
}

// The same operation once without a fault: the values it brings, the time it
// takes, and for the writes page values that differ from the unit's.
void TCell::Prepare() {
    TForm1& f = FOp->F;
    const int limit = 30000;
    const auto hitOffset = [&](std::size_t from) {
        const auto commands = FSim->Unit().Commands();
        const auto hit =
            std::find_if(commands.begin() + static_cast<long>(from), commands.end(),
                         [&](const std::string& c) { return c.starts_with(HitCommand()); });
        FHitOffset = static_cast<int>(hit - commands.begin() - static_cast<long>(from));
    };
    if (Connecting()) {
        const std::size_t from = FSim->Unit().CommandCount();
        FCleanMs = Perform(limit);
        hitOffset(from);
        if (!FOp->Connected())
            Fail("a connection without a fault failed");
        FOp->Disconnect();
        return;
    }
    if (!FOp->Connect(FSim->SlavePath(), Phone()))
        Fail("a connection without a fault failed");
    if (FOperation == TOperation::IdleDataCall)
        return;
    if (Writing()) {
        if (FOperation == TOperation::WritePage) {
            FOp->SelectPage(3);
            f.tbtnRead->Click();
        } else {
            f.tbtnReadAll->Click();
        }
        FOp->Settle(limit);
    }
    const std::size_t from = FSim->Unit().CommandCount();
    FCleanMs = Perform(limit);
    hitOffset(from);
    FCleanValues = SnapshotValues(f);
    FCleanAnswer = f.form_Debug->EditN(2)->Text();
    if (Writing()) {
        f.formGPRS->etAccessPoint->SetText(NewAccessPoint);
        f.formGPRS->etIp->SetText(NewIp);
    }
}

void TCell::StartWatcher(std::function<void()> action) {
    TSimulator* sim = FSim.get();
    const std::string hit = HitCommand();
    const std::size_t from = FCommandsBefore;
    FWatcher = std::thread([this, sim, hit, from, action = std::move(action)] {
        for (std::size_t k = from; !FStopWatcher.load();) {
            if (!sim->Unit().WaitForCommands(k + 1, 20))
                continue;
            if (sim->Unit().Commands()[k].starts_with(hit)) {
                action();
                return;
            }
            ++k;
        }
    });
}

void TCell::StopWatcher() {
    FStopWatcher = true;
    if (FWatcher.joinable())
        FWatcher.join();
    FStopWatcher = false;
}

void TCell::Strike() {
    TSimFault fault;
    fault.Command = HitCommand();
    // The version check tries three times: a fault of the unit strikes each try.
    fault.Count = Connecting() && !Fatal(FFault) ? -1 : 1;
    switch (FFault) {
    case TFault::NoAnswer:
        fault.Kind = TSimFaultKind::NoAnswer;
        break;
    case TFault::Error:
        fault.Kind = TSimFaultKind::Error;
        break;
    case TFault::NoOk:
        fault.Kind = TSimFaultKind::NoOk;
        break;
    case TFault::Late:
        fault.Kind = TSimFaultKind::Late;
        fault.DelayMs = LateMs();
        break;
    case TFault::Garbage:
        fault.Kind = TSimFaultKind::Garbage;
        break;
    case TFault::LongLine:
        fault.Kind = TSimFaultKind::LongLine;
        break;
    case TFault::NoCarrier:
        // Over a cable the unit says it; over a data call the modem loses the
        // call while the unit's reply is awaited.
        fault.Kind = OverModem() ? TSimFaultKind::NoAnswer : TSimFaultKind::NoCarrier;
        if (OverModem())
            StartWatcher([sim = FSim.get()] { sim->Modem().DropCall(); });
        break;
    case TFault::LineDrop:
        fault.Kind = TSimFaultKind::DropLine;
        break;
    case TFault::PortVanish:
        fault.Kind = TSimFaultKind::NoAnswer;
        StartWatcher([this, path = FSim->SlavePath()] {
            FPullError = PullAdapter(path);
            FPulled = true;
        });
        break;
    case TFault::Silent:
        // Every command from the struck one on, whatever it is.
        fault.Kind = TSimFaultKind::NoAnswer;
        fault.Command.clear();
        fault.Skip = FHitOffset;
        fault.Count = -1;
        break;
    }
    FSim->Unit().AddFault(fault);
}

void TCell::Observe(long long ms) {
    TForm1& f = FOp->F;
    TCellWords words;
    const bool connected = FOp->Connected();
    if (Connecting()) {
        words.Add(connected ? "connected" : "not connected");
        if (!connected)
            words.Quote("splash", f.dlgSplash->Panel2->Caption());
        const auto commands = FSim->Unit().Commands();
        const auto tries =
            std::count(commands.begin() + static_cast<long>(FCommandsBefore), commands.end(), "+v");
        words.Add("«+v» sent " + std::to_string(tries) + (tries == 1 ? " time" : " times"));
    } else {
        words.Add(connected ? "stays connected" : "disconnects by itself");
    }
    const auto& messages = FOp->Answers.Messages;
    for (std::size_t i = FMessagesBefore; i < messages.size(); ++i)
        words.Quote("message", messages[i]);
    // What the status bar keeps saying after the operation.
    if (const std::string status = f.StatusBar1->Panel(4)->Text(); !status.empty())
        words.Quote("status", status);
    if (Writing())
        words.Add("EEPROM " + EepromColour(f.WriteState()));
    words.List("red lamp", NewRedLamps(f, FRedBefore));
    if (Reading())
        words.AddAll(ValueDifferences(FCleanValues, SnapshotValues(f)));
    if (Writing()) {
        words.Add(FSim->Unit().Value("+G") == NewAccessPoint ? "unit took the new access point"
                                                             : "unit kept its access point");
        words.Add(FSim->Unit().Value("+I") == NewIp ? "unit took the new IP" : "unit kept its IP");
    }
    if (FOperation == TOperation::ConsoleRead) {
        const std::string answer = f.form_Debug->EditN(2)->Text();
        words.Add(answer == FCleanAnswer ? "answer field right"
                                         : "answer field " + QuoteOrEmpty(answer, 40));
    }
    for (const std::string& line : ErrorLines(FOp->MemoFrom(FMemoBefore)))
        words.Quote("memo", line);
    if (!Connecting()) {
        const auto commands = FSim->Unit().Commands();
        const auto hit =
            std::find_if(commands.begin() + static_cast<long>(FCommandsBefore), commands.end(),
                         [&](const std::string& c) { return c.starts_with(HitCommand()); });
        const auto after = hit == commands.end() ? 0 : commands.end() - hit - 1;
        if (FOperation == TOperation::IdleDataCall)
            words.Add(after > 0 ? "the next keep-alive goes out" : "no keep-alive after it");
        else
            words.Add(after == 0 ? "nothing sent after it"
                                 : "then " + std::to_string(after) + " more commands");
    }
    FResult.Text = words.Text();
    FResult.Ms = ms;
}

void TCell::CheckEndState() {
    if (FOp->Connected()) {
        if (Fatal(FFault))
            Fail("the window stays connected over a line that is gone");
        return;
    }
    if (!FOp->Disconnected()) {
        Fail("the window is neither connected nor back to Disconnected");
        return;
    }
    const auto memo = FOp->MemoFrom(FMemoBefore);
    if (std::find(memo.begin(), memo.end(), " # Поток завершил работу") == memo.end())
        Fail("the link thread did not say that it ended");
    if (!Connecting() && !Fatal(FFault))
        Fail("a fault that does not end the link ended it");
}

void TCell::Reconnect() {
    StopWatcher();
    if (FFault == TFault::Late) {
        // A reply still under way belongs to this connection; the operator's
        // later one comes after the last of them has arrived.
        const auto due = FStruckEnd + std::chrono::milliseconds(LateMs() + 200);
        WaitUntil(
            [&] {
                FOp->Rig.Drain();
                return TClock::now() >= due;
            },
            60000);
    }
    if (FFault == TFault::PortVanish && !FPulled)
        Fail("the adapter was not pulled");
    if (!FPullError.empty())
        Fail("pulling the adapter failed: " + FPullError);
    if (FOp->Connected())
        FOp->Disconnect();
    if (FFault == TFault::LineDrop || (FFault == TFault::PortVanish && OverModem()))
        NewSimulator(); // a new line; the modem of the old one still holds its call
    else
        FSim->Unit().ClearFaults();
    if (!FOp->Connect(FSim->SlavePath(), Phone()))
        Fail("a later connection failed: " + FOp->F.dlgSplash->Panel2->Caption());
    FOp->Disconnect();
    if (!FOp->Disconnected())
        Fail("the window did not disconnect after the later connection");
}

void TCell::CloseWindow() {
    const TformGPRS& gprs = *FOp->F.formGPRS;
    const bool known = gprs.FRefValues.Record("etAccessPoint").Source != TValueSource::None;
    const TIniExpectation expected{FSim->SlavePath(),
                                   known ? std::optional<std::string>(gprs.etAccessPoint->Text())
                                         : std::nullopt};
    FOp->Rig.Form.reset();
    for (const std::string& problem : CheckCurrentIni(FOp->Rig.Home.File("current.ini"), expected))
        Fail("current.ini: " + problem);
    FOp.reset();
}

TCellResult TCell::Run() {
    NewSimulator();
    FOp = std::make_unique<TOperatorRig>(PauseScale, Scale());
    Prepare();

    TForm1& f = FOp->F;
    FCommandsBefore = FSim->Unit().CommandCount();
    FMemoBefore = FOp->MemoCount();
    FMessagesBefore = FOp->Answers.Messages.size();
    FRedBefore = RedLamps(f);
    // A write that reached the unit is in the journal before any message of
    // it is up: the box may stay open until the program is killed.
    if (Writing())
        FOp->Answers.OnMessage([this, before = JournalRecords()](QMessageBox*) {
            if (JournalRecords() <= before)
                Fail("a message box came before the write's journal record");
        });
    Strike();

    long long allowance = Scaled(ExchangeMs + SettleMs);
    switch (FOperation) {
    case TOperation::ConnectCable:
        allowance = Scaled(3 * ExchangeMs + 2 * SettleMs);
        break;
    case TOperation::ConnectModem:
        allowance = Scaled(3 * ExchangeMs + 2 * SettleMs + HangUpMs);
        break;
    case TOperation::IdleDataCall:
        allowance = Scaled(2 * KeepAliveMs + 2 * ExchangeMs + SettleMs + HangUpMs);
        break;
    default:
        // A unit gone silent costs the two reply waits that tell so; the
        // rest of the operation is not sent.
        if (FFault == TFault::Silent)
            allowance = Scaled(2 * (ExchangeMs + SettleMs));
        break;
    }
    FResult.PromiseMs = FCleanMs + allowance + SlackMs;
    const long long ms = Perform(static_cast<int>(FResult.PromiseMs));
    FStruckEnd = TClock::now();
    if (ms < 0)
        Fail("the operation did not end within " + std::to_string(FResult.PromiseMs) + " ms");
    FOp->Settle(2000);
    Observe(ms);
    CheckEndState();
    Reconnect();
    CloseWindow();
    return FResult;
}

} // namespace

const std::vector<TFault>& AllFaults() {
    static const std::vector<TFault> all{
        TFault::NoAnswer, TFault::Error,     TFault::NoOk,     TFault::Late,       TFault::Garbage,
        TFault::LongLine, TFault::NoCarrier, TFault::LineDrop, TFault::PortVanish, TFault::Silent,
    };
    return all;
}

const std::vector<TOperation>& AllOperations() {
    static const std::vector<TOperation> all{
        TOperation::ConnectCable, TOperation::ConnectModem, TOperation::ReadPage,
        TOperation::WritePage,    TOperation::ReadAll,      TOperation::WriteAll,
        TOperation::ConsoleRead,  TOperation::IdleDataCall,
    };
    return all;
}

std::string FaultName(TFault fault) {
    switch (fault) {
    case TFault::NoAnswer:
        return "No answer";
    case TFault::Error:
        return "«ERROR»";
    case TFault::NoOk:
        return "Reply without «OK»";
    case TFault::Late:
        return "Late reply";
    case TFault::Garbage:
        return "Garbage (NUL, 0xFF)";
    case TFault::LongLine:
        return "Endless line";
    case TFault::NoCarrier:
        return "«NO CARRIER»";
    case TFault::LineDrop:
        return "Line drops";
    case TFault::PortVanish:
        return "Port vanishes";
    case TFault::Silent:
        return "Falls silent";
    }
    return {};
}

std::string OperationName(TOperation operation) {
    switch (operation) {
    case TOperation::ConnectCable:
        return "Connect by cable";
    case TOperation::ConnectModem:
        return "Connect by modem";
    case TOperation::ReadPage:
        return "Read page";
    case TOperation::WritePage:
        return "Write page";
    case TOperation::ReadAll:
        return "Read all";
    case TOperation::WriteAll:
        return "Write all";
    case TOperation::ConsoleRead:
        return "Console read";
    case TOperation::IdleDataCall:
        return "Idle data call";
    }
    return {};
}

std::string StrikePoint(TOperation operation) {
    switch (operation) {
    case TOperation::ConnectCable:
    case TOperation::ConnectModem:
        return "the version check «+v» (each of its three tries)";
    case TOperation::ReadPage:
    case TOperation::ReadAll:
    case TOperation::ConsoleRead:
        return "«+G», the access point on the GPRS page";
    case TOperation::WritePage:
    case TOperation::WriteAll:
        return "«+G» with the new access point, on the GPRS page";
    case TOperation::IdleDataCall:
        return "the first keep-alive «+v» of the data call";
    }
    return {};
}

TCellResult RunCell(TFault fault, TOperation operation) {
    TCell cell(fault, operation);
    return cell.Run();
}
