#include <unistd.h>

#include "Terminal.h"

bool StdoutIsTerminal() {
    return isatty(STDOUT_FILENO) != 0;
}
