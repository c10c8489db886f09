#!/bin/sh
# tst_windows_syntax.sh SOURCE_DIR FLAGS_FILE: MinGW-w64 defines _WIN32, so
# Qt's headers and ours take their Windows branches.
set -u
compiler=x86_64-w64-mingw32-g++-posix
command -v $compiler >/dev/null || { echo "SKIP: $compiler is missing (tools/install-deps.sh installs it)"; exit 77; }
sources=$(find "$1/app" "$1/device" "$1/view" "$1/analysis" "$1/report" -name '*.cpp' | sort)
echo "$sources" | xargs -P"$(nproc)" -n1 $compiler @"$2" -fsyntax-only || { echo "FAIL: errors above"; exit 1; }
echo "PASS: $(echo "$sources" | wc -l) sources compiled for Windows"
