#include <csignal>
#include <unistd.h>

#include "batch/Terminal.h"

// A reader of the output that goes away (a pipe's reader ended by the same
// Ctrl+C) ends the printing, not the run: its units still get their records.
void PrepareConsole() {
    signal(SIGPIPE, SIG_IGN);
}

bool StdoutIsTerminal() {
    return isatty(STDOUT_FILENO) != 0;
}
