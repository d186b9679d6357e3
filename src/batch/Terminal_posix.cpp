#include <unistd.h>

#include "batch/Terminal.h"

bool StdoutIsTerminal() {
    return isatty(STDOUT_FILENO) != 0;
}
