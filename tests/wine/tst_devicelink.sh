#!/bin/sh
# tst_devicelink of the Windows build under Wine, over a serial line: the
# instrument stand-in runs on the host on a pseudo-terminal, linked into the
# prefix as COM5, and the Windows build's window connects through it, reads
# 200 groups delivered in random pieces, deletes after the question, saves
# the groups and writes a PDF and a workbook of them into folders with
# Chinese names; the test compares what it saved byte for byte with the
# stand-in's groups. The PDF and the workbook are then read back here with
# poppler and openpyxl.
#
#   tst_devicelink.sh INSTRUMENT RUN.SH SDK TST_DEVICELINK.EXE PYTHON3 READTABLE.PY
#
# Qt Serial Port receives under Wine 8.0 only with the plugin winecommfix
# (tools/wine/winecommfix.cpp), which sits beside the test program.
set -eu
instrument=$1
winerun=$2
sdk=$3
program=$4
python=$5
readtable=$6
: "${WINEPREFIX:?}"
work=$(mktemp -d)
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
trap 'kill $standin 2>/dev/null; rm -rf "$work"' EXIT

# The arguments of connectReadDeleteDisconnect's row run here.
set -- --count 200 --random 7
"$instrument" "$@" >"$work/instrument.log" &
standin=$!
for _ in $(seq 100); do
    [ -s "$work/instrument.log" ] && break
    sleep 0.1
done
pty=$(head -n 1 "$work/instrument.log")
[ -c "$pty" ] || fail "the stand-in named no terminal"
ln -sfn "$pty" "$WINEPREFIX/com5"

"$instrument" "$@" --list >"$work/groups.txt"
DM_INSTRUMENT_PORT=COM5 DM_INSTRUMENT_LOG="Z:$work/instrument.log" DM_INSTRUMENT_GROUPS="Z:$work/groups.txt" \
DM_OUTPUT="Z:$work" \
WINEQT_QPA_GENERIC_PLUGINS=winecommfix \
    sh "$winerun" "$sdk" "$program" findAdapter "connectReadDeleteDisconnect:200 groups in random pieces" \
    failureExplained

pages=$(pdfinfo "$work/报告/全部组.pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 200 ] || fail "the PDF has $pages pages, not 200"
pdftotext -f 200 -l 200 "$work/报告/全部组.pdf" - | grep -q "第200组" || fail "the PDF's last page is not 第200组"
"$python" "$readtable" "$work/报告/全部组.xlsx" | "$python" -c '
import json, sys
rows = json.load(sys.stdin)["测量数据"]["rows"]
assert len(rows) == 201 and rows[200][0] == 200, "the workbook holds %d rows" % len(rows)
assert rows[1][2] == 50.0 and rows[1][3] == 220.1, rows[1]' || fail "the workbook is not read back"
echo "PASS: the Windows build read, saved and reported 200 groups over COM5"
