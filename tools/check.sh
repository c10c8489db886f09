#!/bin/sh
# Installs what is missing, builds, and runs every test headless: first in
# the normal build (./build), then in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (./build-sanitize), then runs every fuzz target
# for 20 s (tools/fuzz.sh, with clang into ./build-fuzz). DM_SKIP_SANITIZE=1
# skips the second round, DM_SKIP_FUZZ=1 the fuzzing; DM_FUZZ_SECONDS sets
# the time per fuzz target.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"

if [ "${DM_SKIP_SANITIZE:-0}" != 1 ]; then
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDM_SANITIZE=ON
    cmake --build build-sanitize -j"$(nproc)"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        QT_QPA_PLATFORM=offscreen ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)"
fi

if [ "${DM_SKIP_FUZZ:-0}" != 1 ]; then
    tools/fuzz.sh "${DM_FUZZ_SECONDS:-20}"
fi
