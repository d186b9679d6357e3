#pragma once
// Line speed of an open terminal as a plain number of bits per second, any
// value the driver accepts (not only the classic B-constants). Used by the
// termios backend; kept apart because the kernel's termios2 declarations
// clash with <termios.h>.
// Threading: stateless.

#include <cstdint>

// 0 on success, else the error number.
int SetLineSpeed(int Fd, std::uint32_t Baud);
int GetLineSpeed(int Fd, std::uint32_t& Baud);
