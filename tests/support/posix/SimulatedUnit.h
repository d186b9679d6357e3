#pragma once
// The simulated unit a test talks to, on POSIX: the simulator itself, in
// the test's process, on a pseudo-terminal. (Windows has none: its tests
// steer one in another process, tests/win32/SimulatedUnit.h.)

#include "SimSupport.h"
#include "sim/Simulator.h"
