#include <io.h>
#include <stdio.h>

#include "batch/Terminal.h"

bool StdoutIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}
