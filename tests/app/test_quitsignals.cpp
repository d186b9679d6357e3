#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../support/ChildProcess.h"
#include "MainWindowRig.h"
#include "Sanitizers.h"
#include "TestClock.h"
#include "services/QuitSignals.h"
#include "toolkit/Cp1251.h"

namespace {
using TClock = std::chrono::steady_clock;

// Runs the event loop until it quits or five seconds pass (then 1).
int RunLoop() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    return QCoreApplication::exec();
}

// The whole program, its windows shown: under ThreadSanitizer it reports
// races inside Qt's image thread pool at random (see Sanitizers.h).
bool ProgramRunsClean() {
#ifdef ORB_THREAD_SANITIZER
    return false;
#else
    return true;
#endif
}

} // namespace

TEST(QuitSignals, EachStopSignalQuitsTheEventLoopInsteadOfKillingTheProgram) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        TQuitOnSignals stop;
        QTimer::singleShot(0, [sig] { std::raise(sig); });
        EXPECT_EQ(RunLoop(), 0) << sig;
        EXPECT_EQ(stop.Received(), 1) << sig;
    }
    // A modal dialog's own loop ends as well.
    TQuitOnSignals stop;
    QDialog dialog;
    bool timedOut = false;
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    QTimer::singleShot(5000, &dialog, [&] {
        timedOut = true;
        dialog.reject();
    });
    dialog.exec();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(stop.Received(), 1);
}

TEST(QuitSignals, TheHandlersBeforeComeBackAndOnlyOneObjectTakesTheSignals) {
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    {
        TQuitOnSignals first;
        TQuitOnSignals second; // takes nothing, gives nothing back
        struct sigaction during {};
        sigaction(SIGTERM, nullptr, &during);
        EXPECT_NE(during.sa_handler, before.sa_handler);
        { TQuitOnSignals third; }
        sigaction(SIGTERM, nullptr, &during);
        EXPECT_NE(during.sa_handler, before.sa_handler)
            << "a second object must not undo the first";
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        EXPECT_EQ(RunLoop(), 0);
        EXPECT_EQ(first.Received(), 1);
        EXPECT_EQ(second.Received(), 0);
    }
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);

    // A signal the program was started with ignored (nohup) stays ignored.
    signal(SIGHUP, SIG_IGN);
    {
        TQuitOnSignals stop;
        struct sigaction hup {};
        sigaction(SIGHUP, nullptr, &hup);
        EXPECT_EQ(hup.sa_handler, SIG_IGN);
        std::raise(SIGHUP);
        QCoreApplication::processEvents();
        EXPECT_EQ(stop.Received(), 0);
    }
    struct sigaction hup {};
    sigaction(SIGHUP, nullptr, &hup);
    EXPECT_EQ(hup.sa_handler, SIG_IGN);
    signal(SIGHUP, SIG_DFL);
}

TEST(QuitSignalsDeathTest, ASecondRequestOrAStuckShutdownEndsTheProgram) {
    // A fresh process for each statement below, which runs this test again
    // from its start: the file its parent named comes in the environment.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string own = "/tmp/orb-quit-" + std::to_string(getpid());
    setenv("ORB_QUIT_STAMP", own.c_str(), 0);
    const std::string stamp = std::getenv("ORB_QUIT_STAMP");
    // The child's first request, on the clock all processes share.
    const auto request = [&] {
        std::ofstream(stamp) << TClock::now().time_since_epoch().count();
        std::raise(SIGTERM);
    };
    const auto msSinceRequest = [&] {
        long long ticks = 0;
        std::ifstream(stamp) >> ticks;
        return MsSince(TClock::time_point(TClock::duration(ticks)));
    };

    EXPECT_EXIT(
        {
            TQuitOnSignals stop;
            request();
            std::raise(SIGTERM);
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGTERM), "");
    EXPECT_LT(msSinceRequest(), 1000) << "the second request must not wait for the first";

    // The event loop never runs again, as when the window waits for something
    // that does not come.
    EXPECT_EXIT(
        {
            TQuitOnSignals stop;
            request();
            for (;;)
                pause();
        },
        testing::KilledBySignal(SIGTERM), "остановка не завершилась вовремя");
    EXPECT_GE(msSinceRequest(), TQuitOnSignals::ShutdownLimit.count());
    EXPECT_LT(msSinceRequest(), 2000);
    std::filesystem::remove(stamp);
}

TEST(QuitSignals, TheProgramStoppedWhileItCannotSaveEndsInTimeAndSaysWhy) {
    if (!ProgramRunsClean())
        GTEST_SKIP() << "Qt's image thread pool is not visible to ThreadSanitizer";
    TTempDir home;
    const std::string settings = "[Debug]\r\nLog=1\r\n";
    home.Write("current.ini", settings);
    home.Write("Windows.ini", "[Form1]\r\nxForm.WindowState=1\r\n");
    for (const char* name : {"current.ini", "Windows.ini"})
        std::filesystem::permissions(home.File(name), std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::group_read |
                                                          std::filesystem::perms::others_read);
    // The child's leak report at its exit is no part of its shutdown.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    TChildProcess program(ORB_PROGRAM, {"--home", home.Path()});
    // Up once the log it was told to keep has opened.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Cp1251ToUtf8(home.Read("log.txt")).find("Начали процесс") != std::string::npos;
        },
        30000))
        << "the program did not start";

    const auto stopped = TClock::now();
    kill(program.Pid(), SIGTERM);
    EXPECT_EQ(program.ExitCode(10000), 0) << "ended the orderly way";
    EXPECT_LT(MsSince(stopped), 2000);
    const std::string said = program.Stderr();
    const std::string log = Cp1251ToUtf8(home.Read("log.txt"));
    for (const char* name : {"current.ini", "Windows.ini"}) {
        EXPECT_NE(said.find(home.File(name)), std::string::npos) << said;
        EXPECT_LT(log.find(home.File(name)), log.find("Окончили процесс")) << log;
    }
    EXPECT_EQ(home.Read("current.ini"), settings);
}

TEST(QuitSignals, TheProgramStoppedDuringADataCallSavesFirstThenHangsUp) {
    if (!ProgramRunsClean())
        GTEST_SKIP() << "Qt's image thread pool is not visible to ThreadSanitizer";
    // The simulator beside the program in the build tree, behind a modem
    // that takes the escape at once; its stderr shows what the modem heard.
    const std::string simulator =
        (std::filesystem::path(ORB_PROGRAM).parent_path().parent_path() / "sim" / "orbelin-sim")
            .string();
    // The SIM's "ready" after the program's 500 ms wake-up wait, so that the
    // wait for it ends when it comes.
    TChildProcess sim(simulator, {"--modem=guard=5,cpin=700,dial-delay=10"});
    const std::string port = sim.StdoutLine(10000);
    ASSERT_FALSE(port.empty()) << sim.Stderr();

    // The settings as the window saves them: the port, the number to dial
    // (not yet in the list of numbers dialled) and the log on.
    TMainWindowRig rig;
    rig.Form->dlgConnect->ComPorts->SetText(port);
    rig.Form->dlgConnect->Phones->SetText("5551234");
    rig.Form->mnuLog->Click();
    rig.Form.reset();
    const TTempDir& home = rig.Home;
    ASSERT_NE(home.Read("current.ini").find("Phone1=\r\n"), std::string::npos);

    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    TChildProcess program(ORB_PROGRAM, {"--home", home.Path(), "--connect"});
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Cp1251ToUtf8(home.Read("log.txt")).find("Цифровое соединение успешно") !=
                   std::string::npos;
        },
        60000))
        << "the call did not come up: " << program.Stderr();

    kill(program.Pid(), SIGTERM);
    // The hang-up keeps its 2 s of silence before "+++": longer than a
    // shutdown without a call may take, well within the one with a call.
    EXPECT_EQ(program.ExitCode(20000), 0) << "ended the orderly way: " << program.Stderr();
    // Saved by the program: the number it dialled is in the list now.
    EXPECT_NE(home.Read("current.ini").find("Phone1=5551234\r\n"), std::string::npos)
        << home.Read("current.ini");
    const std::string heard = sim.Stderr();
    const std::size_t escape = heard.find("modem <- +++");
    EXPECT_NE(escape, std::string::npos) << heard;
    EXPECT_NE(heard.find("modem <- ATH", escape), std::string::npos) << heard;
}
