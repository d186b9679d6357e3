#!/usr/bin/env bash
# Cross-builds the part of Qt 6.4.2 the Windows build needs (qtbase: Core,
# Gui, Widgets, Test; the windows and offscreen platforms, the windowsvista
# style) for 64-bit Windows with Debian 12's MinGW-w64 posix-thread compiler,
# from Debian's own qt6-base source package. Its host tools (moc, rcc, uic)
# are Debian's qt6-base-dev-tools of the same version (QT_HOST_PATH=/usr).
#
#   scripts/build-qt-mingw.sh PREFIX
#
# Installs what it needs with apt-get (as root, or through sudo). WORK
# (default PREFIX.work) holds the source and the build tree while it runs: an
# interrupted run goes on from there, a finished one removes it and leaves
# PREFIX/.complete. JOBS: parallel compiles (default: the number of cores).
# Every step runs under `nice -n 19`: the machine stays usable meanwhile.
# About 13 minutes on two idle cores (25 minutes of processor time).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
ROOT=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
PREFIX=$(cd "$1" && pwd)
WORK=${WORK:-$PREFIX.work}
JOBS=${JOBS:-$(nproc)}
VERSION=6.4.2
DEBIAN_VERSION=$VERSION+dfsg-10
SRC=$WORK/qtbase-everywhere-src-$VERSION
t0=$(date +%s)

step() { echo "== build-qt-mingw: $*"; }

if [ -f "$PREFIX/.complete" ]; then
    step "Qt $VERSION for MinGW already in $PREFIX"
    exit 0
fi

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
need=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools cmake ninja-build perl patch xz-utils)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    step "installing ${missing[*]}"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[ "$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)" = "$DEBIAN_VERSION" ] ||
    { echo "build-qt-mingw: the host tools must be qt6-base-dev-tools $DEBIAN_VERSION" >&2; exit 1; }

# The source, fetched by apt from a deb-src list of our own that names the
# system's Debian mirror: apt checks it against the archive's signature, and
# the system's apt configuration stays as it is.
mkdir -p "$WORK"
if [ ! -f "$SRC/.patched" ]; then
    mirror=$(grep -hoE '^URIs: *[^ ]+/debian/?$' /etc/apt/sources.list.d/*.sources 2>/dev/null |
        head -n1 | awk '{print $2}' || true)
    [ -n "$mirror" ] || mirror=$(grep -hoE '^deb +[^ ]+/debian/? ' /etc/apt/sources.list 2>/dev/null |
        head -n1 | awk '{print $2}' || true)
    mirror=${mirror:-http://deb.debian.org/debian}
    mkdir -p "$WORK/apt/lists/partial" "$WORK/apt/sources"
    printf '%s\n' 'Types: deb-src' "URIs: $mirror" 'Suites: bookworm' 'Components: main' \
        'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' >"$WORK/apt/sources/src.sources"
    apt=(apt-get -o APT::Sandbox::User=root -o Dir::Etc::sourcelist=/dev/null
        -o "Dir::Etc::sourceparts=$WORK/apt/sources"
        -o "Dir::State::Lists=$WORK/apt/lists")
    step "fetching qt6-base $DEBIAN_VERSION from $mirror"
    "${apt[@]}" update -qq
    (cd "$WORK" && "${apt[@]}" source -qq --download-only "qt6-base=$DEBIAN_VERSION")
    rm -rf "$SRC" "$WORK/debian"
    nice -n 19 tar -C "$WORK" -xf "$WORK/qt6-base_$VERSION+dfsg.orig.tar.xz"
    nice -n 19 tar -C "$WORK" -xf "$WORK/qt6-base_$DEBIAN_VERSION.debian.tar.xz"
    # Debian's security fixes only: its other patches are about its own
    # packaging (one turns androiddeployqt on).
    for p in cve-2023-24607.patch cve-2023-32762.diff cve-2023-32763.diff cve-2023-33285.diff; do
        patch -d "$SRC" -p1 --forward --quiet <"$WORK/debian/patches/$p"
    done
    touch "$SRC/.patched"
fi

# Off: what the programs do not use, and what Debian's source leaves out
# (wintab.h, hence tablet events). direct2d stays on: Qt 6.4's windows
# platform needs it to link once DirectWrite is on. The project's own
# toolchain file, without a Qt to find yet.
step "configuring in $WORK/build"
env -u ORB_QT_MINGW nice -n 19 cmake -S "$SRC" -B "$WORK/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_SHARED_LIBS=ON \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DQT_BUILD_BENCHMARKS=OFF -DFEATURE_pkg_config=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DINPUT_opengl=no -DFEATURE_opengl=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_direct2d=ON -DFEATURE_direct2d1_1=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF \
    -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_testlib=ON \
    -DFEATURE_widgets=ON -DFEATURE_style_windowsvista=ON >"$WORK/configure.log" ||
    { tail -n 40 "$WORK/configure.log"; exit 1; }

step "building with $JOBS jobs"
nice -n 19 cmake --build "$WORK/build" --parallel "$JOBS" >"$WORK/build.log" ||
    { tail -n 40 "$WORK/build.log"; exit 1; }
# Stripped: the DLLs carry their COFF symbols otherwise (Qt6Core.dll 9.5 MB
# against 6.5 MB).
nice -n 19 cmake --install "$WORK/build" --strip >"$WORK/install.log"
touch "$PREFIX/.complete"
rm -rf "$WORK"
step "Qt $VERSION for MinGW in $PREFIX ($(( ($(date +%s) - t0) / 60 )) min)"
