#include "services/Display.h"

#include <QByteArray>
#include <cstdlib>
#include <string_view>

std::optional<std::string> MissingDisplay(int argc, char** argv) {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY"))
        return std::nullopt;
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "-platform")
            return std::nullopt;
    return std::string("orbelin: there is no display to show the window on (DISPLAY is not set).\n"
                       "Run it on a desktop, or under a virtual X server:\n"
                       "    xvfb-run -a -s \"-screen 0 1280x900x24\" orbelin ...\n");
}

void UseOffscreenPlatform() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
}
