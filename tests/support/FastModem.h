#pragma once
// The simulated GSM modem with its own pauses (the guard time around "+++",
// the SIM's start-up, the dial) cut to a few milliseconds, for runs about the
// program's side of a data call rather than the modem's timing. Written as
// the simulator's --modem variants, so that a simulator in another process
// (the Windows tests reach one over its control line) is made the same way.

inline constexpr char kFastModemVariants[] = "guard=5,cpin=10,dial-delay=10";
