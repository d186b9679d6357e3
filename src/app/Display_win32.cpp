#include "app/Display.h"

std::optional<std::string> MissingDisplay(int, char**) {
    return std::nullopt; // a Windows session always has its desktop
}
