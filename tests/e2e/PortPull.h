#pragma once
// Pulls the adapter out from under the program, as far as a pseudo-terminal
// allows: the kernel hangs the port up for every descriptor that has it open
// (TIOCVHANGUP, what the kernel itself does to a serial port whose USB
// adapter goes), so the program's reads see the end of the line and its
// writes and queue queries fail with EIO, while the far end stays where it
// is and the same port name opens again once the adapter is "back". This
// differs from a dropped line, where the far end closes and the port name
// goes away. Needs CAP_SYS_ADMIN, as the kernel demands for a hang-up.
//
// Threading: any thread.

#include <string>

// Empty on success, else the system's reason.
std::string PullAdapter(const std::string& Path);
