#!/bin/sh
# Installs what is missing, builds, and runs every test headless: first in
# the normal build (./build); then the Windows round: the Windows package
# cross-built (tools/build-windows.sh into ./build-windows) and its tests run
# under Wine in Xvfb, skipped with a word why when the Qt SDK for Windows is
# missing; then a build with AddressSanitizer and UndefinedBehaviorSanitizer
# (./build-sanitize); last every fuzz target for 20 s (tools/fuzz.sh, with
# clang into ./build-fuzz). DM_SKIP_WINDOWS=1 skips the Windows round,
# DM_SKIP_SANITIZE=1 the sanitizer round, DM_SKIP_FUZZ=1 the fuzzing;
# DM_FUZZ_SECONDS sets the time per fuzz target. A PostgreSQL server of its
# own runs for the tests of the department's archive (tools/pgserver.sh).
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
# The department's archive is tested against a real PostgreSQL server, one
# for the whole command (tools/pgserver.sh), stopped however the command ends.
pgserver=$(tools/pgserver.sh start)
eval "$pgserver"
trap 'tools/pgserver.sh stop' EXIT
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"

if [ "${DM_SKIP_WINDOWS:-0}" != 1 ]; then
    started=$(date +%s)
    status=0
    DM_WINDOWS_TESTS=ON tools/build-windows.sh || status=$?
    if [ $status = 77 ]; then
        echo "Windows round: SKIPPED, not passed (the reason is above)"
    elif [ $status != 0 ]; then
        exit $status
    else
        # One display for the round; Wine's windows need it.
        xvfb-run -a -s "-screen 0 1920x1080x24" \
            ctest --test-dir build-windows --output-on-failure -j"$(nproc)"
        echo "Windows round: passed in $(( $(date +%s) - started )) s"
    fi
fi

if [ "${DM_SKIP_SANITIZE:-0}" != 1 ]; then
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDM_SANITIZE=ON
    cmake --build build-sanitize -j"$(nproc)"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        QT_QPA_PLATFORM=offscreen ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)"
fi

if [ "${DM_SKIP_FUZZ:-0}" != 1 ]; then
    tools/fuzz.sh "${DM_FUZZ_SECONDS:-20}"
fi
