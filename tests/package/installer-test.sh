#!/usr/bin/env bash
# The Windows installer as a user gets it, tried under wine: made from this
# build tree by CPack (with the portable zip of the same folder), installed
# silently into a fresh wine prefix, its programs run from the installed
# folder against the simulator on a COM port, then uninstalled.
#
#   installer-test.sh BUILD_DIR ORBELIN_SIM [SCREENSHOT.png]
#
# The installed folder is made read-only, as "Program Files" is for a user:
# the window keeps its files in %LOCALAPPDATA%\orbelin then. Root writes
# anywhere, so as root the wine side runs as an unprivileged user. With
# SCREENSHOT the window after a read all is saved there, as Xvfb shows it.
#
# Where wine differs from Windows: a program that shows no window cannot be
# asked to end (Windows has nothing to ask it with either; Task Manager ends
# it), and this wine shows programs only the build machine's fonts, not its
# own Tahoma, the font Windows dialogs use: the prefix gets wine's fonts in
# C:\windows\Fonts, where Windows keeps its own.
set -euo pipefail
build=$1
sim_program=$2
screenshot=${3:-}
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
simpid=
cleanup() {
    [ -z "$simpid" ] || { kill "$simpid" 2>/dev/null; wait "$simpid" 2>/dev/null || true; }
    [ -z "${WINEPREFIX:-}" ] || as_user "$wineserver" -k 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

# run_as PROGRAM...: as the user the wine side runs as; the program keeps
# the process, so that $! of a background one is the program's own.
if [ "$(id -u)" = 0 ]; then
    chown 65534:65534 "$work"
    user=$(id -nu 65534)
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups -- env USER="$user" LOGNAME="$user")
else
    user=$(id -un)
    run_as=(env)
fi
as_user() { "${run_as[@]}" "$@"; }

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree=;mshtml="
export HOME=$work/home
unset WINEPATH DISPLAY
# Nothing of the build machine's Qt settings reaches the installed programs.
while IFS= read -r name; do unset "$name"; done < <(compgen -e | grep -E '^(WINE)?QT_' || true)
w() { as_user "$wine" "$@"; }

# --- the packages
cpack -G "NSIS;ZIP" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
chmod -R a+rX "$work/out"
setup=$(ls "$work"/out/orbelin-*-win64-setup.exe)
zip=$(ls "$work"/out/orbelin-*-win64.zip)
echo "installer: $(basename "$setup") ($(stat -c %s "$setup") bytes)"
echo "zip: $(basename "$zip") ($(stat -c %s "$zip") bytes)"
top=$(basename "$zip" .zip)
unzip -Z1 "$zip" | grep -v '/$' | sed "s|^$top/||" | sort >"$work/zip.list"
for f in orbelin.exe orbelin-batch.exe Qt6Core.dll platforms/qwindows.dll \
         translations/qtbase_ru.qm discription.txt libstdc++-6.dll; do
    grep -qx "$f" "$work/zip.list" || fail "$f is not in the zip"
done

# --- a fresh prefix, the installer run silently
as_user mkdir -p "$HOME"
w wineboot --init >"$work/boot.log" 2>&1 || { cat "$work/boot.log"; fail "wineboot"; }
as_user mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
as_user ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
w "$setup" /S || fail "the installer ended with $?"
as_user "$wineserver" -w
installed="$WINEPREFIX/drive_c/Program Files/Orbelin"
[ -d "$installed" ] || fail "nothing in $installed"
(cd "$installed" && find . -type f | sed 's|^\./||' | sort) >"$work/installed.list"
echo "installed into C:\\Program Files\\Orbelin:"
sed 's/^/    /' "$work/installed.list"
diff <(grep -vx Uninstall.exe "$work/installed.list") "$work/zip.list" ||
    fail "the installer and the zip hold different files"
grep -qx Uninstall.exe "$work/installed.list" || fail "no uninstaller"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
entry=$(find "$menu" -name 'Настройка Орбелина.lnk' | head -1)
[ -n "$entry" ] || fail "no Start-menu entry \"Настройка Орбелина\""
echo "Start menu: ${entry#"$menu"/}"
w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\orbelin' \
    >"$work/uninstall-key.txt" 2>&1 || fail "no uninstall entry in the registry"
grep -q 'UninstallString' "$work/uninstall-key.txt" || fail "the uninstall entry has no command"

# A user may not write there.
chmod -R a-w "$installed"

# --- the installed programs against the simulated unit on COM5
cp "$sim_program" "$work/orbelin-sim"
chmod 755 "$work/orbelin-sim"
"${run_as[@]}" "$work/orbelin-sim" --link "$WINEPREFIX/dosdevices/com5" --control "$work/control" \
    >"$work/sim.port" 2>"$work/sim.log" &
simpid=$!
for _ in $(seq 1 100); do [ -s "$work/sim.port" ] && break; sleep 0.1; done
[ -s "$work/sim.port" ] || { cat "$work/sim.log"; fail "the simulator did not start"; }
exec 3<>"$work/control"
control() { # command, reply wait in seconds
    local reply
    echo "$1" >&3
    read -r -t "${2:-10}" reply <&3 || fail "no reply from the simulator to $1"
    [[ $reply == ok* ]] || fail "the simulator answered \"$reply\" to $1"
    echo "$reply"
}

w "$installed/orbelin-batch.exe" read --port COM5 --out "Z:$work/unit.ini" \
    >"$work/batch.log" 2>&1 || { cat "$work/batch.log"; fail "orbelin-batch read"; }
grep -q '^etObjNum=' "$work/unit.ini" || fail "orbelin-batch read wrote no set"
if grep -v '^COM5: \|^прочитано в ' "$work/batch.log"; then
    fail "orbelin-batch said more than its progress"
fi
echo "orbelin-batch.exe read the unit on COM5"

localdata="$WINEPREFIX/drive_c/users/$user/AppData/Local/orbelin"
# The window on the offscreen platform: it starts, connects and reads all
# (the connection's "+v" and 34 reads). Nothing can ask a program without a
# window to end; it is stopped as Task Manager would.
control clear-commands >/dev/null
"${run_as[@]}" WINEQT_QPA_PLATFORM=offscreen 'WINEQT_QPA_FONTDIR=C:\windows\Fonts' \
    "$wine" "$installed/orbelin.exe" --port COM5 --read-all >"$work/offscreen.log" 2>&1 &
control "wait-commands 35 60000" 70 | grep -qx "ok 1" ||
    { cat "$work/offscreen.log"; fail "the window did not read all (offscreen)"; }
w taskkill /f /im orbelin.exe >/dev/null
as_user "$wineserver" -w
echo "orbelin.exe connected and read all 34 parameters (offscreen)"
[ -d "$localdata" ] || fail "the window did not make its folder $localdata"

# The window on the desktop (a virtual X screen, wine's own desktop in it
# drawing the frames a window manager would): it reads all again, and is
# asked to end as Windows asks it, by closing its windows; it then saves
# its settings and layout.
w reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Orbelin /f >/dev/null
w reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Orbelin /d 1280x900 /f >/dev/null
cat >"$work/window.sh" <<'SCRIPT'
#!/usr/bin/env bash
# Inside the virtual screen: WINE INSTALLED LOG SCREENSHOT STATUS
wine=$1 installed=$2 log=$3 screenshot=$4 status=$5
"$wine" "$installed/orbelin.exe" --port COM5 --read-all >"$log" 2>&1 &
pid=$!
# The read is complete when its box comes up beside the window (both
# carry the window's caption).
for _ in $(seq 1 1200); do
    [ "$(xwininfo -root -tree | grep -c '"Настройка Орбелина')" -ge 2 ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -z "$screenshot" ] || import -window root "$screenshot"
# Each close request closes what is on top: the box, then the window.
for _ in $(seq 1 40); do
    kill -0 "$pid" 2>/dev/null || break
    "$wine" taskkill /im orbelin.exe >/dev/null 2>&1
    sleep 0.25
done
wait "$pid"
echo $? >"$status"
SCRIPT
chmod 755 "$work/window.sh"
control clear-commands >/dev/null
"${run_as[@]}" xvfb-run -a -s "-screen 0 1280x900x24" "$work/window.sh" "$wine" "$installed" \
    "$work/window.log" "${screenshot:+$work/window.png}" "$work/window.status" &
xvfb=$!
control "wait-commands 35 60000" 70 | grep -qx "ok 1" ||
    { cat "$work/window.log"; fail "the window did not read all"; }
wait "$xvfb" || true
as_user "$wineserver" -k 2>/dev/null || true
[ "$(cat "$work/window.status" 2>/dev/null)" = 0 ] ||
    { cat "$work/window.log"; fail "the window ended with $(cat "$work/window.status" 2>/dev/null)"; }
[ -z "$screenshot" ] || cp "$work/window.png" "$screenshot"
echo "orbelin.exe read all on the desktop and closed when asked"
for f in current.ini Windows.ini; do
    [ -f "$localdata/$f" ] || { ls -laR "$localdata"; fail "no $f in %LOCALAPPDATA%\\orbelin"; }
done
(cd "$installed" && find . -type f | sed 's|^\./||' | sort) | diff "$work/installed.list" - ||
    fail "the window wrote into its installed folder"
echo "its files are in %LOCALAPPDATA%\\orbelin: $(ls "$localdata" | tr '\n' ' ')"

# --- the uninstaller takes everything it installed; the user's own
# settings and parameter sets stay.
chmod -R u+w "$installed"
w "$installed/Uninstall.exe" /S || fail "the uninstaller ended with $?"
as_user "$wineserver" -w
[ ! -e "$installed" ] || { find "$installed"; fail "the uninstaller left files"; }
[ ! -e "$(dirname "$entry")" ] || fail "the uninstaller left the Start-menu folder"
if w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\orbelin' >/dev/null 2>&1; then
    fail "the uninstaller left its registry entry"
fi
if w reg query 'HKLM\Software\Example Ltd.\orbelin' >/dev/null 2>&1; then
    fail "the uninstaller left the installation's registry key"
fi
[ -f "$localdata/current.ini" ] || fail "the uninstaller took the user's settings"
echo "uninstalled: no file, Start-menu entry or registry key left"
