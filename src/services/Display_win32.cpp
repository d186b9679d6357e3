#include "services/Display.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <windows.h>

std::optional<std::string> MissingDisplay(int, char**) {
    return std::nullopt; // a Windows session always has its desktop
}

void UseOffscreenPlatform() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsSet("QT_QPA_FONTDIR"))
        return;
    wchar_t windows[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        qputenv("QT_QPA_FONTDIR",
                QDir::fromNativeSeparators(QString::fromWCharArray(windows, static_cast<int>(n)) +
                                           QStringLiteral("\\Fonts"))
                    .toLocal8Bit());
}
