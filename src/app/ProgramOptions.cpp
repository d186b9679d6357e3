#include "app/ProgramOptions.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>

#include "toolkit/Platform.h"
#include "toolkit/ProgramFolder.h"

namespace {
std::optional<std::string> NotAFolder(const std::string& Source, const std::string& Value) {
    std::error_code ec;
    const std::filesystem::path home(std::u8string(Value.begin(), Value.end()));
    if (std::filesystem::is_directory(home, ec))
        return std::nullopt;
    return Source + ": \"" + Value + "\" is not a folder";
}
} // namespace

std::optional<std::string> ParseProgramOptions(const std::vector<std::string>& arguments,
                                               TProgramOptions& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            options.Help = true;
            continue;
        }
        if (a == "--connect" || a == "--read-all") {
            options.Connect = true;
            options.ReadAll = options.ReadAll || a == "--read-all";
            continue;
        }
        if (a != "--port" && a != "--home")
            return "unknown argument \"" + a + "\"";
        if (i + 1 >= arguments.size() || arguments[i + 1].empty())
            return a + " needs a value";
        const std::string& value = arguments[++i];
        if (a == "--port") {
            options.Port = value;
            continue;
        }
        if (auto error = NotAFolder(a, value))
            return error;
        options.Home = value;
    }
    return std::nullopt;
}

std::optional<std::string> CheckHomeEnvironment(const std::string& Value,
                                                const TProgramOptions& Options) {
    if (Value.empty() || !Options.Home.empty())
        return std::nullopt;
    return NotAFolder("ORBELIN_HOME", Value);
}

std::string ProgramUsage() {
    return "usage: orbelin [--port NAME] [--connect] [--read-all] [--home DIR]\n"
           "  --port NAME  the serial port the connection dialog offers first\n"
           "               (e.g. /dev/ttyUSB0, or the path orbelin-sim prints)\n"
           "  --connect    connect at start to that port (or the one used last)\n"
           "               without asking\n"
           "  --read-all   connect at start and read every page of the unit\n"
           "  --home DIR   keep current.ini, Windows.ini, discription.txt and log.txt\n"
           "               in DIR instead of beside the program (ORBELIN_HOME too)\n";
}

std::optional<std::string> UseProgramFolder(const std::string& Home) {
    if (!Home.empty()) {
        SetProgramFolderOverride(Home);
        return std::nullopt;
    }
    if (!PlatformGetEnv("ORBELIN_HOME").empty() || FilesBesideProgram())
        return std::nullopt;
    // Installed: the files go to the user's own folder (the settings and the
    // log hold passwords). The window's name, whichever program asks: that is
    // the folder of the window's application configuration.
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/orbelin";
    SetProgramFolderOverride(folder.toStdString());
    const QDir dir;
    if (dir.exists(folder) ||
        (dir.mkpath(QFileInfo(folder).path()) &&
         dir.mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)))
        return std::nullopt;
    return "cannot create the folder " + folder.toStdString();
}
