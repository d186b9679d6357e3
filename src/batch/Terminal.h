#pragma once
// The console the program reports to, one implementation file per platform
// (Terminal_posix.cpp, Terminal_win32.cpp).

// Readies the console for the program's text, which is UTF-8: a Windows
// console shows it in that code page until the program ends; on POSIX an
// output whose reader is gone fails the writes instead of ending the
// program. Call before the first output.
void PrepareConsole();

// Whether stdout is a terminal on which progress lines are redrawn in place
// (escape sequences move the cursor; a Windows console is switched to
// understand them, and where it cannot, the lines come one after another).
bool StdoutIsTerminal();
