#!/usr/bin/env bash
# The Debian package as a user gets it: built from this build tree, clean
# for lintian, unpacked into a temporary root, its programs run from there.
# Run from the program's read-only installed folder with a HOME of its own,
# the program keeps current.ini in the user's configuration folder.
#
#   package-test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}'

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" ||
        fail "lintian reports errors"
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
# The desktop entry and the metadata as the desktop's menu and software
# centres read them.
desktop-file-validate "$root/usr/share/applications/com.example.orbelin.desktop" ||
    fail "desktop entry"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/com.example.orbelin.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "AppStream metadata"; }
for f in usr/bin/orbelin usr/bin/orbelin-sim usr/bin/orbelin-batch \
         usr/share/man/man1/orbelin-batch.1.gz usr/share/orbelin/discription.txt \
         usr/share/applications/com.example.orbelin.desktop \
         usr/share/metainfo/com.example.orbelin.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/com.example.orbelin.svg; do
    [ -e "$root/$f" ] || fail "$f is not in the package"
done

# Read whole: grep -q leaving a pipe early would end the program by SIGPIPE.
helps() { # program, a word its help has
    local text
    text=$("$root/usr/bin/$1" --help) || fail "$1 --help"
    grep -q -- "$2" <<<"$text" || fail "$1 --help has no $2"
}
helps orbelin --port
helps orbelin-sim --revision
helps orbelin-batch --units

# The installed batch program reads a simulated unit with no display at all:
# whatever it needs of Qt's offscreen platform is in the package's
# dependencies.
"$root/usr/bin/orbelin-sim" >"$work/sim.port" 2>/dev/null &
sim=$!
for _ in $(seq 1 100); do [ -s "$work/sim.port" ] && break; sleep 0.1; done
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/orbelin-batch" read \
    --port "$(head -1 "$work/sim.port")" --out "$work/unit.ini" >"$work/batch.log" 2>&1 ||
    { cat "$work/batch.log"; kill "$sim"; fail "orbelin-batch read"; }
kill "$sim"
grep -q '^etObjNum=' "$work/unit.ini" || fail "orbelin-batch read wrote no set"

# The installed folder cannot be written, as under /usr; the program starts
# from there with a HOME of its own, shows its window offscreen, and is
# stopped the way a desktop session stops it.
chmod -R a-w "$root/usr"
home=$work/home
mkdir -p "$home"
(cd "$root/usr/bin" && exec env -u XDG_CONFIG_HOME -u ORBELIN_HOME HOME="$home" \
    QT_QPA_PLATFORM=offscreen ./orbelin >"$work/orbelin.log" 2>&1) &
pid=$!
# SIGTERM ends it through its shutdown once it has taken the signal over:
# wait for that (the caught-signal mask in /proc) rather than for a time.
for _ in $(seq 1 600); do
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$mask" ] && (( (0x$mask >> 14) & 1 )) && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { cat "$work/orbelin.log"; fail "the program ended with $status"; }

config=$home/.config/orbelin
[ -f "$config/current.ini" ] || { ls -laR "$home"; fail "no current.ini in $config"; }
[ -f "$config/Windows.ini" ] || fail "no Windows.ini in $config"
if find "$root" -name current.ini | grep -q .; then fail "current.ini beside the program"; fi
echo "current.ini and Windows.ini in $config"
