#!/usr/bin/env bash
# Checks the tracked C++ files against .clang-format, builds the project with
# warnings as errors (ORB_WERROR) and runs the whole test suite: a plain
# build, then the same suite under AddressSanitizer +
# UndefinedBehaviorSanitizer and under ThreadSanitizer, the Windows build's tests under wine, and every fuzz target
# for a bounded time. Ends with one summary line; exits non-zero on any failure.
#
#   scripts/test.sh                      everything
#   ORB_VARIANTS="plain" scripts/test.sh only some variants (plain asan tsan mingw fuzz)
#   ORB_FORMAT=0 scripts/test.sh         without the layout check
#
# Tests mostly wait on the protocol's pauses, so each variant runs
# ORB_TEST_JOBS of them at once (default: three per core).
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

scripts/install-deps.sh || { echo "SUMMARY: FAILED (could not install dependencies)"; exit 1; }

export CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=true CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-5G}
JOBS=${JOBS:-$(nproc)}
TEST_JOBS=${ORB_TEST_JOBS:-$((JOBS * 3))}
VARIANTS=${ORB_VARIANTS:-plain asan tsan mingw fuzz}
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$ROOT/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Qt is not built with ThreadSanitizer: its thread pools hand memory over
# through waits the sanitizer cannot see, and the allocations it makes and
# frees inside its own code then look like races. Accesses from our own
# (instrumented) code are still checked.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$ROOT/tests/support/tsan.supp"
export QT_QPA_PLATFORM=offscreen

declare -a RESULTS=() MINUTES=()
FAILED=0
HOST_SIM=
START=$(date +%s)

# Every tracked C++ file as clang-format (the repository's .clang-format) would
# lay it out; a file that differs fails the run and is named in the log.
format_check() {
    local log=build.format.log files
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
    echo "=== format: clang-format --dry-run over ${#files[@]} files"
    if clang-format --dry-run -Werror "${files[@]}" >"$log" 2>&1; then
        RESULTS+=("format: ok (${#files[@]} files)")
    else
        cat "$log"
        local bad=$(grep -Eo '^[^:]+\.(cpp|h):' "$log" | sort -u | wc -l)
        RESULTS+=("format: FAILED ($bad files, see $log)"); FAILED=1
    fi
}

variant() { # name, build dir, cmake args...
    local name=$1 dir=$2
    shift 2
    local t0=$(date +%s)
    echo "=== $name: configure and build ($dir)"
    if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DORB_WERROR=ON "$@" >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"
        RESULTS+=("$name: configure FAILED"); FAILED=1; return
    fi
    if ! cmake --build "$dir" -j "$JOBS"; then
        RESULTS+=("$name: build FAILED"); FAILED=1; return
    fi
    echo "=== $name: tests"
    [ "$name" != plain ] || HOST_SIM=$ROOT/$dir/src/sim/orbelin-sim
    local log="$dir/ctest.log"
    if ctest --test-dir "$dir" -j "$TEST_JOBS" --output-on-failure --timeout 900 2>&1 | tee "$log"; then
        local n=$(grep -Eo "out of [0-9]+" "$log" | tail -n1 | grep -Eo "[0-9]+")
        RESULTS+=("$name: ok (${n:-?} tests, $(( $(date +%s) - t0 ))s)")
    else
        local n=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
        RESULTS+=("$name: FAILED (${n:-see log})"); FAILED=1
    fi
}

# The Windows build of the whole program, cross-compiled with MinGW-w64
# against the Qt built for it (ORB_QT_MINGW, else ../shared/qt6-mingw, else
# one that scripts/build-qt-mingw.sh builds once into the user's cache), and
# its tests run under wine (tests/win32/wine-test.sh): the tests that talk
# to a unit reach the simulator for this machine (the plain build's, when
# this run built one) through COM ports of a private wine prefix in the build
# folder. The wine step is capped: a hung wine must not eat CI's time.
cross_variant() { # name, build dir
    local name=$1 dir=$2
    local t0=$(date +%s)
    local qt=${ORB_QT_MINGW:-$ROOT/../shared/qt6-mingw}
    if [ -z "${ORB_QT_MINGW:-}" ] && [ ! -d "$qt" ]; then
        qt=${XDG_CACHE_HOME:-$HOME/.cache}/orbelin/qt6-mingw-6.4.2
        if [ ! -f "$qt/.complete" ]; then
            echo "=== $name: no Qt for MinGW (ORB_QT_MINGW, ../shared/qt6-mingw): building one into $qt, once (about 13 minutes on two idle cores)"
            local q0=$(date +%s)
            if ! JOBS=$JOBS scripts/build-qt-mingw.sh "$qt"; then
                RESULTS+=("$name: building Qt for MinGW FAILED"); FAILED=1; return
            fi
            echo "=== $name: Qt for MinGW built in $(( ($(date +%s) - q0) / 60 )) min"
        fi
    fi
    echo "=== $name: configure and build ($dir)"
    if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
        -DORB_QT_MINGW="$qt" -DORB_HOST_SIM="$HOST_SIM" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DORB_WERROR=ON \
        -DORB_WITH_QT=ON -DORB_BUILD_TESTS=ON -DORB_BUILD_BENCH=OFF >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"
        RESULTS+=("$name: configure FAILED"); FAILED=1; return
    fi
    if ! cmake --build "$dir" -j "$JOBS"; then
        RESULTS+=("$name: build FAILED"); FAILED=1; return
    fi
    echo "=== $name: tests under wine"
    local log="$dir/ctest.log"
    if timeout -k 20 "${ORB_WINE_STEP_LIMIT:-600}" \
        ctest --test-dir "$dir" -j "$TEST_JOBS" --output-on-failure 2>&1 | tee "$log"; then
        local n=$(grep -Eo "out of [0-9]+" "$log" | tail -n1 | grep -Eo "[0-9]+")
        RESULTS+=("$name: ok (${n:-?} tests under wine, $(( $(date +%s) - t0 ))s)")
    else
        local n=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
        RESULTS+=("$name: FAILED (${n:-wine step stopped or see log})"); FAILED=1
    fi
}

# Every libFuzzer target (tests/fuzz) built with clang and run for a bounded
# time on a copy of its seed corpus in the repository, one target per core
# at a time; a crash, leak or sanitizer report fails the run. Prints each
# target's executions per second.
fuzz_variant() { # name, build dir
    local name=$1 dir=$2
    local t0=$(date +%s) secs=${ORB_FUZZ_SECONDS:-20}
    echo "=== $name: configure and build ($dir)"
    if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DORB_WERROR=ON \
        -DORB_BUILD_FUZZ=ON -DORB_BUILD_BENCH=OFF >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"
        RESULTS+=("$name: configure FAILED"); FAILED=1; return
    fi
    local targets
    targets=$(ninja -C "$dir" -t targets all | grep -Eo '^orb_fuzz_[A-Za-z0-9_]+' | sort -u)
    if [ -z "$targets" ] || ! cmake --build "$dir" -j "$JOBS" --target $targets; then
        RESULTS+=("$name: build FAILED"); FAILED=1; return
    fi
    local bad=0 count=0 work
    work=$(mktemp -d)
    fuzz_one() { # target; its outcome in $work/<short>.failed
        local short=${1#orb_fuzz_}
        if "$dir/tests/fuzz/$1" -max_total_time="$secs" -print_final_stats=1 \
            -artifact_prefix="$dir/$short-" "$work/$short" >"$dir/$short.log" 2>&1; then
            local execs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$dir/$short.log" | grep -Eo '[0-9]+$')
            echo "    $short: ok, ${execs:-?} runs, $(( ${execs:-0} / secs )) per second"
        else
            tail -n 40 "$dir/$short.log"
            echo "    $short: FAILED (artifact in $dir)"
            touch "$work/$short.failed"
        fi
    }
    for t in $targets; do
        local short=${t#orb_fuzz_}
        mkdir -p "$work/$short"
        [ -d "tests/fuzz/corpus/$short" ] && cp -r "tests/fuzz/corpus/$short/." "$work/$short/"
        while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n; done
        echo "=== $name: $short for ${secs}s"
        fuzz_one "$t" &
        count=$((count + 1))
    done
    wait
    ! compgen -G "$work/*.failed" >/dev/null || bad=1
    rm -rf "$work"
    if [ $bad -eq 0 ]; then
        RESULTS+=("$name: ok ($count targets, $(( $(date +%s) - t0 ))s)")
    else
        RESULTS+=("$name: FAILED"); FAILED=1
    fi
}

# Each stage's minutes, with one decimal, for the summary line.
stage_minutes() { # name, start in seconds since the epoch
    local s=$(( $(date +%s) - $2 ))
    MINUTES+=("$1 $((s / 60)).$((s % 60 * 10 / 60))")
}

if [ "${ORB_FORMAT:-1}" != 0 ]; then
    t0=$(date +%s)
    format_check
    stage_minutes format "$t0"
fi

for v in $VARIANTS; do
    t0=$(date +%s)
    case $v in
    plain) variant plain build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ ;;
    asan) variant asan build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_CXX_FLAGS=-O1 -DORB_SANITIZE=address,undefined -DORB_BUILD_BENCH=OFF ;;
    tsan) variant tsan build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_CXX_FLAGS=-O1 -DORB_SANITIZE=thread -DORB_BUILD_BENCH=OFF ;;
    mingw) cross_variant mingw build-mingw ;;
    fuzz) fuzz_variant fuzz build-fuzz ;;
    *) RESULTS+=("$v: unknown variant"); FAILED=1 ;;
    esac
    stage_minutes "$v" "$t0"
done

echo
for r in "${RESULTS[@]}"; do echo "  $r"; done
TOTAL=$(( $(date +%s) - START ))
STAGES=$(IFS=,; echo "${MINUTES[*]}")
STAGES=${STAGES//,/, }
if [ $FAILED -eq 0 ]; then
    echo "SUMMARY: PASS — ${RESULTS[*]} — ${TOTAL}s — minutes: ${STAGES}"
else
    echo "SUMMARY: FAILED — ${RESULTS[*]} — ${TOTAL}s — minutes: ${STAGES}"
fi
exit $FAILED
