#pragma once
// Whether stdout is a terminal, where progress lines are redrawn in place.
bool StdoutIsTerminal();
