// How long read all and write all of a generation-0 unit take against the
// simulator answering at once, next to their floors: every
// exchange begins with a mandated 100 ms pause, so 34 reads take at least
// 3.4 s and 30 writes plus the commit at least 3.1 s. The GUI side drains
// the queue onto real pages every 50 ms, as the main window's timer does.
//
//     walk_bench
//
// The simulator runs in the bench's process; in a Windows build it is one
// on the build machine, reached under wine through a COM port: run the
// bench through the test launcher with ORB_WINE_SIM=1, as
// "ctest -N -V --test-dir build-mingw -R device_test" shows it for a test.
//
// Prints one figure per line:
//     read_all_s     the read of all pages
//     read_floor_s   34 x 0.1
//     write_all_s    the write of all pages and the commit
//     write_floor_s  31 x 0.1
//     write_all_verified_s        the write of all pages read back, then the commit
//     write_all_verified_floor_s  61 x 0.1 (30 writes, 30 reads back, the commit)
//     write_all_journal_s         the same with the journal of units written on,
//                                 as the window keeps it: the record handed over
//     journal_append_ms           and appended on the GUI side afterwards

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <unistd.h>

#include "NullApplyHost.h"
#include "SimulatedUnit.h"
#include "app/WindowJournal.h"
#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "queue/Appliers.h"
#include "services/Journal.h"
#include "toolkit/ProgramFolder.h"

namespace {

using TClock = std::chrono::steady_clock;

// Stand-ins for the screen outside the pages: carried, never applied.
QObject* Stand(std::uintptr_t n) {
    return reinterpret_cast<QObject*>(n * 64);
}

class THost : public TNullApplyHost {
public:
    explicit THost(TformInOut* Page) : FPage(Page) {}
    bool IsInputsPage(const QObject* Control) const override { return Control == FPage; }
    void SetInputFlagsEnabled(bool Enabled) override {
        Enabled ? FPage->EnableInputFlags() : FPage->DisableInputFlags();
    }

private:
    TformInOut* FPage;
};

// The last commit's state, as the window's indicator would show it.
std::atomic<std::int32_t> writeState{csNone};

// Applies what was posted to the pages; true once the handshake succeeded.
bool Drain(TOutArray& Out, THost& Host) {
    bool connected = false;
    TOutElement* e = nullptr;
    while (Out.Take(e) != 0) {
        if (const auto* event = dynamic_cast<const TEventOut*>(e)) {
            connected = connected || event->Event.Kind == TUnitEvent::TKind::Connected;
            if (event->Event.Kind == TUnitEvent::TKind::Commit)
                writeState = event->Event.Commit;
            continue;
        }
        const auto* c = dynamic_cast<const TControlOut*>(e);
        if (!c || !ComponentInfoOf(c->Control))
            continue;
        try {
            if (c->Kind == okControl)
                ApplyControlText(Host, c->Control, c->Text);
            else
                ApplyControlColor(c->Control, c->Text);
        } catch (const std::exception&) {
        }
    }
    return connected;
}

// Runs one request and returns its duration in seconds, draining meanwhile.
double Timed(TModem& Link, std::uint8_t Code, TOutArray& Out, THost& Host) {
    const auto start = TClock::now();
    Link.SetMode(Code);
    while (Link.Mode() != 0 && !Link.Finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (TClock::now() - start > std::chrono::milliseconds(50))
            Drain(Out, Host);
    }
    const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
    Drain(Out, Host);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TForm owner(nullptr, "Form1");
    TDevicePages pages = CreateSettingsPages(&owner, nullptr);
    pages.StatusPanel4 = Stand(1);
    THost host(pages.formInOut);

    TSimulator sim;
    TOutArray out;
    TDevOrbelin device(out);
    device.SetPages(pages);
    device.SetCurrentPage(pages.formCommon);

    TModem link(sim.SlavePath(), "", out, device, false);
    device.SetModem(&link);
    link.Resume();
    const auto deadline = TClock::now() + std::chrono::seconds(20);
    while (!Drain(out, host)) {
        if (link.Finished() || TClock::now() > deadline) {
            std::fprintf(stderr, "walk_bench: no connection to the simulator\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const double readAll = Timed(link, rqReadAll, out, host);
    const std::size_t reads = sim.Unit().CommandCount();
    const double writeAll = Timed(link, rqWriteAll, out, host);
    const std::size_t writes = sim.Unit().CommandCount() - reads;
    if (reads != 1 + 34 || writes != 31 || writeState.load() != 1) {
        std::fprintf(stderr, "walk_bench: %zu reads, %zu writes, write state %d\n", reads - 1,
                     writes, writeState.load());
        return 1;
    }
    // With checked writes every written parameter is read back before the
    // commit: the write floor plus one read of each.
    device.SetVerifyWrites(true);
    const double verified = Timed(link, rqWriteAll, out, host);
    const std::size_t checked = sim.Unit().CommandCount() - reads - writes;
    if (checked != 30 + 30 + 1 || writeState.load() != 1) {
        std::fprintf(stderr, "walk_bench: %zu commands of a checked write, write state %d\n",
                     checked, writeState.load());
        return 1;
    }
    // The window's journal: the device hands the write over at its end, the
    // GUI side appends it (into a folder of the bench's own).
    char folder[] = "/tmp/walk_bench.XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("walk_bench");
        return 1;
    }
    SetProgramFolderOverride(folder);
    TWindowJournal journal;
    device.SetWriteEnded(journal.Receiver());
    const double journalled = Timed(link, rqWriteAll, out, host);
    const auto appendStart = TClock::now();
    journal.Flush();
    const double appendMs =
        std::chrono::duration<double, std::milli>(TClock::now() - appendStart).count();
    const std::size_t records = ReadJournal(JournalFile()).Records.size();
    std::remove(JournalFile().c_str());
    rmdir(folder);
    if (records != 1) {
        std::fprintf(stderr, "walk_bench: %zu records in the journal\n", records);
        return 1;
    }
    std::printf("read_all_s %.3f\n", readAll);
    std::printf("read_floor_s %.3f\n", 34 * 0.1);
    std::printf("write_all_s %.3f\n", writeAll);
    std::printf("write_floor_s %.3f\n", 31 * 0.1);
    std::printf("write_all_verified_s %.3f\n", verified);
    std::printf("write_all_verified_floor_s %.3f\n", 61 * 0.1);
    std::printf("write_all_journal_s %.3f\n", journalled);
    std::printf("journal_append_ms %.2f\n", appendMs);
    return 0;
}
