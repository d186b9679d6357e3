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
# once under a lock). With ORB_WINE_SIM=1 in the environment the test gets a
# simulated unit: ORBELIN_SIM (the Linux simulator) runs beside it with its
# line linked into the prefix as a COM port and its control line as another,
# and the program finds their names in ORB_SIM_PORT and ORB_SIM_CONTROL
# (e.g. COM20 and COM21). The simulator's log goes to PROGRAM.sim.log and is
# shown when the test fails. Exit status: the program's. ORB_WINE names the
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

simpid=
simlog=
cleanup() {
    if [ -n "$simpid" ]; then
        kill "$simpid" 2>/dev/null
        wait "$simpid" 2>/dev/null
    fi
}
trap cleanup EXIT
trap 'exit 143' TERM INT

if [ "${ORB_WINE_SIM:-0}" = 1 ]; then
    if [ -z "$sim" ] || [ ! -x "$sim" ]; then
        echo "wine-test.sh: the test needs the simulator, but --sim names none ($sim)" >&2
        exit 1
    fi
    # Two free COM numbers, reserved under the lock by placeholder links that
    # the simulator replaces with its own.
    flock 9
    ports=()
    for n in $(seq 10 250); do
        [ -e "$prefix/dosdevices/com$n" ] || [ -L "$prefix/dosdevices/com$n" ] && continue
        ln -s /dev/null "$prefix/dosdevices/com$n"
        ports+=("$n")
        [ ${#ports[@]} -eq 2 ] && break
    done
    flock -u 9
    if [ ${#ports[@]} -ne 2 ]; then
        echo "wine-test.sh: no free COM port numbers in $prefix/dosdevices" >&2
        exit 1
    fi
    line=$prefix/dosdevices/com${ports[0]}
    control=$prefix/dosdevices/com${ports[1]}
    simlog=$program.sim.log
    fifo=$(mktemp -u "$prefix.simout.XXXXXX")
    mkfifo "$fifo"
    "$sim" --link "$line" --control "$control" >"$fifo" 2>"$simlog" &
    simpid=$!
    # The first line on its stdout is the port: the links are in place by then.
    port=
    read -r -t 10 port <"$fifo"
    rm -f "$fifo"
    if [ -z "$port" ] || [ "$(readlink "$control")" = /dev/null ]; then
        cat "$simlog" >&2
        echo "wine-test.sh: the simulator did not start" >&2
        rm -f "$line" "$control"
        exit 1
    fi
    export ORB_SIM_PORT=COM${ports[0]} ORB_SIM_CONTROL=COM${ports[1]}
fi

"$wine" "$program" "$@"
status=$?
if [ $status -ne 0 ] && [ -n "$simlog" ]; then
    echo "--- simulator log ($simlog), last lines:"
    tail -n 60 "$simlog"
fi
exit $status
