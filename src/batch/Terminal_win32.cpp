#include <io.h>
#include <stdio.h>

#include "Terminal.h"

bool StdoutIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}
