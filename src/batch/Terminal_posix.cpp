#include <unistd.h>

#include "batch/Terminal.h"

void PrepareConsole() {}

bool StdoutIsTerminal() {
    return isatty(STDOUT_FILENO) != 0;
}
