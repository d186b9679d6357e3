#!/usr/bin/env bash
# Runs one Windows test program under wine, in the build's own wine prefix.
#
#   wine-test.sh --prefix DIR [--sim ORBELIN_SIM] [--dll-path DIR]... PROGRAM.exe [ARGS...]
#
# --dll-path folders (Qt's DLLs, the compiler's runtime) are where the
# program's DLLs are found. Qt's variables (QT_QPA_PLATFORM, ...) reach the
# program as they do on Linux, Qt's messages go to stderr, and the offscreen
# platform measures text with DejaVu Sans, as the Linux runs do.
#
# The prefix is made on first use (shared by every test of the build, made
# once under a lock). With ORB_WINE_SIM=N in the environment the test gets N
# simulated units: ORBELIN_SIM (the Linux simulator) runs beside it N times,
# each with its line linked into the prefix as a COM port and its control
# line as another; the program finds their names in ORB_SIM_PORTS and
# ORB_SIM_CONTROLS (e.g. COM2,COM3 and COM100,COM101), the first also in
# ORB_SIM_PORT and ORB_SIM_CONTROL. The simulators' logs go to
# PROGRAM.sim.log, PROGRAM.sim2.log, ... and are shown when the test fails. Exit status: the program's. ORB_WINE names the
# wine loader when it is neither wine64 on PATH nor /usr/lib/wine/wine64.
set -uo pipefail

prefix=
sim=
dllpath=
while [ $# -gt 0 ]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --sim) sim=$2; shift 2 ;;
    --dll-path) dllpath="$dllpath${dllpath:+;}Z:${2//\//\\}"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
    esac
done
if [ -z "$prefix" ] || [ $# -lt 1 ]; then
    echo "usage: wine-test.sh --prefix DIR [--sim ORBELIN_SIM] PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
program=$1
shift

wine=
for candidate in "${ORB_WINE:-}" wine64 /usr/lib/wine/wine64 wine; do
    if [ -n "$candidate" ] && command -v "$candidate" >/dev/null 2>&1; then
        wine=$(command -v "$candidate")
        break
    fi
done
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
    echo "wine-test.sh: no wine found (Debian: wine64)" >&2
    exit 1
fi

export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64
[ -z "$dllpath" ] || export WINEPATH="$dllpath${WINEPATH:+;}${WINEPATH:-}"
# Wine hands a program only the variables it knows; WINEQT_X arrives as QT_X.
while IFS= read -r name; do
    export "WINE$name=${!name}"
done < <(compgen -e | grep '^QT_' || true)
export WINEQT_FORCE_STDERR_LOGGING=1
# No Mono or Gecko installers: console programs need neither, and the
# installers would want a download.
export WINEDLLOVERRIDES="mscoree=;mshtml="
mkdir -p "$prefix"

# One prefix per build, made by the first test that needs it. Its server runs
# outside the test's session and output, lingering a little so that the next
# test program finds it started. The server's helper processes (services,
# device drivers) start with its first program and keep that program's output
# open for as long as the server runs, which would hold up whoever collects
# the test's output: a program of ours starts them, on no output of the test's.
exec 9>"$prefix.lock"
flock 9
fresh=0
setsid "$wineserver" -p10 </dev/null >/dev/null 2>&1 && fresh=1
if [ ! -f "$prefix/system.reg" ]; then
    if ! "$wine" wineboot --init </dev/null >"$prefix.boot.log" 2>&1 || [ ! -d "$prefix/dosdevices" ]; then
        cat "$prefix.boot.log" >&2
        echo "wine-test.sh: could not make the wine prefix $prefix" >&2
        exit 1
    fi
elif [ $fresh = 1 ]; then
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1
fi
# Only DejaVu Sans for the offscreen platform: it falls back to the first
# family it finds where Linux's fontconfig picks a sans-serif one.
fonts=$prefix.fonts
if [ ! -d "$fonts" ]; then
    mkdir -p "$fonts.new"
    ln -sf /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf "$fonts.new"/
    rm -f "$fonts.new"/DejaVuSansMono* "$fonts.new"/DejaVuSansCondensed* "$fonts.new"/DejaVuSans-ExtraLight*
    mv "$fonts.new" "$fonts"
fi
flock -u 9
[ -n "${WINEQT_QPA_FONTDIR:-}" ] || export WINEQT_QPA_FONTDIR="Z:${fonts//\//\\}"

simpids=()
simlogs=()
cleanup() {
    for pid in "${simpids[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# A free COM number from First on, reserved under the lock by a placeholder
# link that the simulator replaces with its own.
reserve() { # first
    local n
    for n in $(seq "$1" 250); do
        [ -e "$prefix/dosdevices/com$n" ] || [ -L "$prefix/dosdevices/com$n" ] && continue
        ln -s /dev/null "$prefix/dosdevices/com$n"
        echo "$n"
        return 0
    done
    return 1
}

count=${ORB_WINE_SIM:-0}
if [ "$count" -gt 0 ]; then
    if [ -z "$sim" ] || [ ! -x "$sim" ]; then
        echo "wine-test.sh: the test needs the simulator, but --sim names none ($sim)" >&2
        exit 1
    fi
    lines=()
    controls=()
    for i in $(seq 1 "$count"); do
        # Lines from COM2 on: COM1 to COM9 are also the names Windows keeps
        # for its devices, which a program must not take for file names.
        flock 9
        line=$(reserve 2) && control=$(reserve 100)
        reserved=$?
        flock -u 9
        if [ $reserved -ne 0 ]; then
            echo "wine-test.sh: no free COM port numbers in $prefix/dosdevices" >&2
            exit 1
        fi
        simlog=$program.sim$([ "$i" = 1 ] || echo "$i").log
        fifo=$(mktemp -u "$prefix.simout.XXXXXX")
        mkfifo "$fifo"
        "$sim" --link "$prefix/dosdevices/com$line" --control "$prefix/dosdevices/com$control" \
            >"$fifo" 2>"$simlog" &
        simpids+=($!)
        simlogs+=("$simlog")
        # The first line on its stdout is the port: the links are in place by then.
        port=
        read -r -t 10 port <"$fifo"
        rm -f "$fifo"
        if [ -z "$port" ] || [ "$(readlink "$prefix/dosdevices/com$control")" = /dev/null ]; then
            cat "$simlog" >&2
            echo "wine-test.sh: the simulator did not start" >&2
            rm -f "$prefix/dosdevices/com$line" "$prefix/dosdevices/com$control"
            exit 1
        fi
        lines+=("COM$line")
        controls+=("COM$control")
    done
    ORB_SIM_PORTS=$(IFS=,; echo "${lines[*]}")
    ORB_SIM_CONTROLS=$(IFS=,; echo "${controls[*]}")
    export ORB_SIM_PORT=${lines[0]} ORB_SIM_CONTROL=${controls[0]} ORB_SIM_PORTS ORB_SIM_CONTROLS
fi

"$wine" "$program" "$@"
status=$?
if [ $status -ne 0 ]; then
    for simlog in "${simlogs[@]}"; do
        echo "--- simulator log ($simlog), last lines:"
        tail -n 60 "$simlog"
    done
fi
exit $status
