#!/bin/bash
# Builds the libFuzzer targets of tests/fuzz with clang and runs them.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS is the time per target (default 60); without TARGET every target
# runs, one after the other. Each run starts from a copy of the seed corpus
# tests/fuzz/corpus/TARGET in a scratch folder (FUZZ_WORK, default
# /tmp/dm-fuzz), so the repository is never written to. Printed per target:
# the executions done, executions per second and the crash files found.
# The exit status is 1 when any target found something.
#
# Environment: FUZZ_BUILD (build folder, default build-fuzz), FUZZ_JOBS
# (build jobs, default 2), FUZZ_WORKERS (parallel fuzzing processes per
# target, default 1), FUZZ_ARGS (more libFuzzer options), FUZZ_KEEP=1 (go on
# from the corpus the previous run left in FUZZ_WORK, seeds added again).
#
# This is not part of the normal test run (tools/check.sh).
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-60}
shift || true
all_targets="fuzz_replyframer fuzz_groupvalues fuzz_datafile fuzz_templatefill"
targets=${*:-$all_targets}
build=${FUZZ_BUILD:-$root/build-fuzz}
work=${FUZZ_WORK:-/tmp/dm-fuzz}
jobs=${FUZZ_JOBS:-2}
workers=${FUZZ_WORKERS:-1}

case $seconds in
    '' | *[!0-9]*) echo "usage: tools/fuzz.sh [SECONDS] [TARGET...]" >&2; exit 2 ;;
esac
for target in $targets; do
    case " $all_targets " in
        *" $target "*) ;;
        *) echo "unknown target $target (known: $all_targets)" >&2; exit 2 ;;
    esac
done

# clang and its libFuzzer runtime, only when missing.
if ! command -v clang++ >/dev/null 2>&1 \
    || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    if [ "$(id -u)" -eq 0 ]; then sudo=; else sudo=sudo; fi
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi

mkdir -p "$work"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DDM_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$work/configure.log" 2>&1 \
    || { cat "$work/configure.log"; exit 1; }
# shellcheck disable=SC2086
cmake --build "$build" --parallel "$jobs" --target $targets

# No leak check (the toolkit keeps caches to the end) and no allocation
# stacks (recording them costs a third of every run; a crash still shows its
# own stack).
asan=detect_leaks=0:malloc_context_size=0:quarantine_size_mb=16

status=0
for target in $targets; do
    dir=$work/$target
    if [ "${FUZZ_KEEP:-0}" = 1 ]; then
        rm -rf "$dir/findings" "$dir"/log "$dir"/fuzz-*.log
    else
        rm -rf "$dir"
    fi
    mkdir -p "$dir/corpus" "$dir/findings"
    cp "$root/tests/fuzz/corpus/$target/"* "$dir/corpus/" 2>/dev/null || true
    echo "== $target: $seconds s"
    parallel=
    [ "$workers" -gt 1 ] && parallel="-jobs=$workers -workers=$workers"
    set +e
    # shellcheck disable=SC2086
    (cd "$dir" && ASAN_OPTIONS=${ASAN_OPTIONS:-$asan} QT_QPA_PLATFORM=offscreen \
        "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$dir/findings/" $parallel ${FUZZ_ARGS:-} "$dir/corpus" \
        >"$dir/log" 2>&1)
    set -e
    # With several workers libFuzzer writes one log per worker.
    logs="$dir/log"
    [ "$workers" -gt 1 ] && logs=$(ls "$dir"/fuzz-*.log 2>/dev/null || echo "$dir/log")
    runs=0
    for log in $logs; do
        r=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        [ -z "$r" ] && r=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
        runs=$((runs + ${r:-0}))
    done
    findings=$(ls "$dir/findings" 2>/dev/null | wc -l)
    echo "   executions: $runs ($((runs / (seconds > 0 ? seconds : 1))) per second)," \
         "corpus: $(ls "$dir/corpus" | wc -l) inputs, findings: $findings"
    if [ "$findings" -gt 0 ]; then
        status=1
        ls "$dir/findings" | sed "s|^|   $dir/findings/|"
        grep -h -m3 -E 'property violated|ERROR: AddressSanitizer|runtime error|ERROR: libFuzzer' \
            $logs | sed 's/^/   /'
    fi
done
exit $status
