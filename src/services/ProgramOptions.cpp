#include "services/ProgramOptions.h"

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
    return Source + ": \"" + Value + "\" — не папка";
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
            return "нет такого параметра: \"" + a + "\"";
        if (i + 1 >= arguments.size() || arguments[i + 1].empty())
            return a + ": не задано значение";
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
    return "Вызов: orbelin [--port ПОРТ] [--connect] [--read-all] [--home ПАПКА]\n"
           "  --port ПОРТ    последовательный порт, который окно подключения\n"
           "                 предложит первым (например /dev/ttyUSB0 или путь,\n"
           "                 который выводит orbelin-sim)\n"
           "  --connect      при запуске подключиться к этому порту (или к последнему\n"
           "                 использованному), не спрашивая\n"
           "  --read-all     при запуске подключиться и прочитать все страницы блока\n"
           "  --home ПАПКА   хранить current.ini, Windows.ini, discription.txt и log.txt\n"
           "                 в ПАПКЕ, а не рядом с программой (или ORBELIN_HOME)\n"
           "  --help         эта справка\n";
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
