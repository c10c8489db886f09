#!/bin/sh
# Builds the libFuzzer targets of tests/fuzz with clang into ./build-fuzz and
# runs each for a fixed time:
#
#   tools/fuzz.sh [SECONDS [TARGET...]]     e.g. tools/fuzz.sh 600 fuzz_datafile
#
# SECONDS per target (default 20); without TARGET every fuzz_*.cpp runs. Each
# run starts from the seeds in tests/fuzz/corpus/TARGET and from what earlier
# runs found, kept in build-fuzz/corpus/TARGET (the repository is never
# written to). A crash, a sanitizer report or a broken invariant leaves the
# input in build-fuzz/findings/ and the exit status 1. Without clang++ it
# says so and does nothing.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-20}
[ $# -gt 0 ] && shift
targets=${*:-$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')}
if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzzing skipped: clang++ is not installed (tools/install-deps.sh installs clang)"
    exit 0
fi
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDM_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build build-fuzz -j"$(nproc)" --target $targets

# No leak check: the toolkit keeps its caches to the end of the process.
status=0
for target in $targets; do
    log=build-fuzz/$target.log
    mkdir -p "build-fuzz/corpus/$target" build-fuzz/findings
    result=ok
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
        "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" \
        "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1 || result=FAILED
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: ${runs:-?} executions, $result (log: $log)"
    if [ "$result" != ok ]; then
        status=1
        grep -v '^#' "$log" | tail -40
    fi
done
exit $status
