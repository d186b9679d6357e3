#!/usr/bin/env bash
# Builds the program if needed (installing what is missing) and starts it.
#
#   scripts/run.sh [ORBELIN OPTIONS]          against a simulated unit
#   scripts/run.sh --unit [ORBELIN OPTIONS]   alone, for a real unit on a serial port
#
# Without --unit, orbelin-sim serves a simulated unit on a pseudo-terminal and
# the connection dialog already holds its port: press OK to connect. Closing
# the program stops the simulator. ORBELIN_SIM_ARGS passes options to the
# simulator (e.g. ORBELIN_SIM_ARGS="--generation 2"); its traffic goes to
# build/orbelin-sim.log. Options for the program itself: orbelin --help.
set -euo pipefail
cd "$(dirname "$0")/.."

with_sim=1
if [ "${1:-}" = "--unit" ]; then
    with_sim=0
    shift
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<'MSG'
There is no display to show the program's window on (DISPLAY is not set).
Start it from a desktop session, or under a virtual X server:

    xvfb-run -a -s "-screen 0 1280x900x24" scripts/run.sh

(xvfb-run comes with the xvfb package, which scripts/install-deps.sh installs.)
MSG
    exit 1
fi

scripts/install-deps.sh
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j "$(nproc)" --target orbelin orbelin-sim

program=build/src/app/orbelin
if [ "$with_sim" = 0 ]; then
    exec "$program" "$@"
fi

# The simulator prints its port as the first line on stdout, then runs until
# it is told to stop.
# shellcheck disable=SC2086
coproc SIM { exec build/src/sim/orbelin-sim ${ORBELIN_SIM_ARGS:-} 2>build/orbelin-sim.log; }
sim_pid=$SIM_PID
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
port=
if ! read -r -t 10 port <&"${SIM[0]}" || [ -z "$port" ]; then
    echo "orbelin-sim did not start; see build/orbelin-sim.log:" >&2
    cat build/orbelin-sim.log >&2
    exit 1
fi
echo "Simulated unit on $port (its traffic: build/orbelin-sim.log)"
status=0
"$program" --port "$port" "$@" || status=$?
exit "$status"
