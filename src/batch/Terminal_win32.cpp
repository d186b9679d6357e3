#include <cstdlib>
#include <windows.h>

#include "batch/Terminal.h"

namespace {
UINT ConsoleCodePage = 0; // the console's own, put back at exit
} // namespace

void PrepareConsole() {
    const UINT before = GetConsoleOutputCP();
    if (before == 0 || before == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8))
        return; // no console, or already UTF-8
    ConsoleCodePage = before;
    std::atexit([] { SetConsoleOutputCP(ConsoleCodePage); });
}

bool StdoutIsTerminal() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode))
        return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}
