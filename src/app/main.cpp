// orbelin: the setup tool's entry point.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/QtRussian.h"
#include "serial/ConnectDlg.h"
#include "services/Display.h"
#include "services/ProgramOptions.h"
#include "services/QuitSignals.h"
#include "toolkit/Platform.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::fputs(ProgramUsage().c_str(), stdout);
            return 0;
        }
    if (const auto missing = MissingDisplay(argc, argv)) {
        std::fputs(missing->c_str(), stderr);
        return 1;
    }
    QApplication app(argc, argv); // takes Qt's own options out of argv
    app.setApplicationName("orbelin");
    InstallRussianQtTexts(app);

    // Qt's own options are gone from its list, and on Windows its list
    // holds every character of a file name (argv has the ANSI code page's).
    std::vector<std::string> arguments;
    for (const QString& a : QCoreApplication::arguments().mid(1))
        arguments.push_back(a.toStdString());
    TProgramOptions options;
    if (const auto error = ParseProgramOptions(arguments, options)) {
        std::fprintf(stderr, "orbelin: %s\n%s", error->c_str(), ProgramUsage().c_str());
        return 2;
    }
    if (const auto error = CheckHomeEnvironment(PlatformGetEnv("ORBELIN_HOME"), options)) {
        std::fprintf(stderr, "orbelin: %s\n", error->c_str());
        return 2;
    }
    if (const auto error = UseProgramFolder(options.Home))
        std::fprintf(stderr, "orbelin: %s\n", error->c_str());

    // Declared before the window: a stop request quits the event loop, and
    // the window's shutdown runs as it goes out of scope.
    TQuitOnSignals stopRequests;
    TForm1 form;
    // A request seen while the window was being made (a message box at the
    // start runs its own loop) has quit already: the main loop would not
    // hear it again.
    if (stopRequests.Received() > 0)
        return 0;
    if (!options.Port.empty())
        form.dlgConnect->ComPorts->SetText(options.Port);
    if (options.Connect)
        form.ConnectAtStart(options.ReadAll);
    form.show();
    return app.exec();
}
