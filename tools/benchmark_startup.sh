#!/bin/sh
# Start-up of the window: the Linux build against the Windows package under
# Wine, on one X display, from the start of the process until a window
# titled 数据管理软件 is mapped (polled with xwininfo every 20 ms); the median
# of RUNS starts of each, and their ratio. Run on demand:
#
#   xvfb-run -a -s "-screen 0 1920x1080x24" tools/benchmark_startup.sh [RUNS]
#
# Needs build/ and build-windows/dist/ (tools/check.sh makes both). Wine is
# measured warm: its server and helper processes already run, as once a user
# has started any Windows program; the first, cold start is shown apart.
set -eu
cd "$(dirname "$0")/.."
runs=${1:-9}
prefix=$(mktemp -d)/prefix
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null; rm -rf "$(dirname "$prefix")"' EXIT
sh tools/wine/make-prefix.sh "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all

# Milliseconds from starting the command until the window is mapped.
startup() {
    start=$(date +%s%N)
    "$@" </dev/null >/dev/null 2>&1 &
    until xwininfo -root -tree 2>/dev/null | grep -q '"数据管理软件": ('; do
        sleep 0.02
    done
    echo $(( ($(date +%s%N) - start) / 1000000 ))
    pkill -f datamanager || true
    while xwininfo -root -tree 2>/dev/null | grep -q '"数据管理软件": ('; do
        sleep 0.02
    done
}
median() {
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

package=$(ls -d build-windows/dist/datamanager-*/ | head -n 1)
wineserver -p 2>/dev/null
cold=$(startup wine "$package/datamanager.exe")
linux=$(for _ in $(seq "$runs"); do startup build/app/datamanager; done | median)
windows=$(for _ in $(seq "$runs"); do startup wine "$package/datamanager.exe"; done | median)
echo "window shown, median of $runs: Linux build $linux ms, Windows build under Wine $windows ms" \
    "(first, cold: $cold ms); ratio $(awk "BEGIN { printf \"%.1f\", $windows / $linux }")"
