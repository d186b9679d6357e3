#pragma once
// Tests against the simulator on this machine (not built for Windows): the
// far end of a bare pseudo-terminal, and the fast modem as a configuration.
// Threading: as TPty's; FastModem is a plain function.

#include <cstddef>
#include <string>

#include "FastModem.h"
#include "sim/Pty.h"
#include "sim/SimModem.h"

// Writes all of Bytes into the master side; throws std::runtime_error when
// the line takes none of them within a few seconds.
void MasterWrite(TPty& Pty, const std::string& Bytes);
// Collects from the master side until Count bytes came, the line hung up or
// TimeoutMs passed. Bytes past Count stay for the next read.
std::string MasterRead(TPty& Pty, std::size_t Count, int TimeoutMs);

// The modem of kFastModemVariants, as the simulator's command line makes it.
TSimModemConfig FastModem();
