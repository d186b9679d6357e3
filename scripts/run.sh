#!/usr/bin/env bash
# Builds the program (installing what is missing) and starts it. Until the
# main window exists this only builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j "$(nproc)"
echo "Built. (The program's window arrives with the main window.)"
