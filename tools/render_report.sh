#!/bin/sh
# Renders a report file written by the tool (.doc or .xls, a single-file web
# page) to a PNG picture with headless Chromium, to look at its layout
# without Word or Excel. Run on demand; no test calls it.
#
#   tools/render_report.sh [--show-diagram] REPORT [OUT.png] [WIDTH,HEIGHT]
#
# OUT.png defaults to REPORT with ".png" appended, the window to 1100,1600
# (an Excel report is about 1350 pixels wide: pass 1400,1600 to see all of
# it). Needs the Debian package chromium.
#
# Chromium reads the file as MHTML but refuses parts at file: addresses, so
# the parts are moved to http://report.invalid/ in a temporary copy. Chromium
# does not draw VML: it shows the pictures that the report names for readers
# without VML, which for the Word reports is the blank fallback picture.
# With --show-diagram the preview puts the diagram into that fallback
# picture, to show the page as Word and Excel, which draw VML, lay it out.
set -e

show_diagram=no
if [ "$1" = "--show-diagram" ]; then
    show_diagram=yes
    shift
fi
if [ $# -lt 1 ] || [ $# -gt 3 ]; then
    echo "usage: $0 [--show-diagram] REPORT [OUT.png] [WIDTH,HEIGHT]" >&2
    exit 2
fi
report=$1
out=${2:-$report.png}
size=${3:-1100,1600}

if ! command -v chromium >/dev/null 2>&1; then
    echo "chromium not found: apt-get install chromium" >&2
    exit 1
fi
if [ ! -r "$report" ]; then
    echo "cannot read $report" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
sed 's|file:///C:/|http://report.invalid/|g' "$report" > "$work/report.mht"
if [ $show_diagram = yes ]; then
    python3 - "$work/report.mht" <<'PYTHON'
import re, sys
path = sys.argv[1]
data = open(path, 'rb').read()
boundary = re.search(rb'boundary="([^"]+)"', data).group(1)
pieces = data.split(b'\r\n--' + boundary)
def body(piece):
    return piece.split(b'\r\n\r\n', 1)[1]
diagram = next(body(p) for p in pieces if b'/image001.jpg\r\n' in p.split(b'\r\n\r\n', 1)[0])
for i, piece in enumerate(pieces):
    head = piece.split(b'\r\n\r\n', 1)[0]
    if b'/image002.jpg\r\n' in head:   # the picture shown by readers without VML
        pieces[i] = head + b'\r\n\r\n' + diagram
open(path, 'wb').write((b'\r\n--' + boundary).join(pieces))
PYTHON
fi

case $out in
    /*) target=$out ;;
    *) target=$(pwd)/$out ;;
esac

chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --hide-scrollbars \
    --screenshot="$target" --window-size="$size" \
    "file://$work/report.mht" >"$work/chromium.log" 2>&1 || {
    cat "$work/chromium.log" >&2
    exit 1
}
if [ ! -s "$target" ]; then
    cat "$work/chromium.log" >&2
    echo "no picture written" >&2
    exit 1
fi
echo "$target"
