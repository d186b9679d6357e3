#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <csignal>

#include "QuitSignals.h"

namespace {
// Runs the event loop until it quits or five seconds pass (then 1).
int RunLoop() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    return QCoreApplication::exec();
}
} // namespace

TEST(QuitSignals, EachStopSignalQuitsTheEventLoopInsteadOfKillingTheProgram) {
    TQuitOnSignals stop;
    int expected = 0;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        QTimer::singleShot(0, [sig] { std::raise(sig); });
        EXPECT_EQ(RunLoop(), 0) << sig;
        EXPECT_EQ(stop.Received(), ++expected) << sig;
    }
    // Two requests before the loop runs again quit it once, and nothing is
    // left over for the loop after that.
    std::raise(SIGTERM);
    std::raise(SIGTERM);
    EXPECT_EQ(RunLoop(), 0);
    QTimer::singleShot(50, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(RunLoop(), 7);
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
}
