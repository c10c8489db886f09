#!/bin/sh
# Runs a program of the Windows build under Wine, with the Qt SDK's DLLs on
# its search path:
#
#   run.sh SDK PROGRAM.exe [ARGUMENTS...]
#
# in the prefix WINEPREFIX names (make-prefix.sh makes one) and on the
# display DISPLAY names (Qt's windows platform needs one). Wine hands the
# program only those of Qt's variables that are written WINEQT_... (as
# QT_...). The Windows build's tests run through it (tests/wine/), and so can
# the tool with the instrument stand-in, by hand:
#
#   tools/wine/make-prefix.sh /tmp/prefix
#   build/tools/instrument --random 7 &      # prints its terminal, e.g. /dev/pts/4
#   ln -sfn /dev/pts/4 /tmp/prefix/com5      # the prefix's COM5
#   WINEPREFIX=/tmp/prefix DATAMANAGER_PORT=COM5 WINEQT_QPA_GENERIC_PLUGINS=winecommfix \
#       tools/wine/run.sh build-windows/sdk build-windows/datamanager.exe
#
# (winecommfix, built beside the program into generic/, lets Qt Serial Port
# receive under Wine: see winecommfix.cpp.)
set -e
sdk=$1
shift
: "${WINEPREFIX:?WINEPREFIX names the Wine prefix to run in}"
: "${DISPLAY:?DISPLAY names the X display (e.g. Xvfb) to run in}"
export WINEDEBUG="${WINEDEBUG:--all}" USER=技术员 LOGNAME=技术员
export WINEPATH="Z:$(printf '%s' "$sdk/bin" | tr / '\\')"
# Qt Test's log goes to the console, not to the debugger: under Wine the
# program has no console window, which Qt takes for "no console".
export WINEQT_FORCE_STDERR_LOGGING=1
# A server started here, if none runs, with nowhere to print: Debian's
# prints the objects it holds when it ends.
wineserver </dev/null >/dev/null 2>&1 || true
# The program's output goes through a file: Wine's helper processes
# (explorer.exe for the first window) inherit the handles and live on with
# the server, which would keep a pipe to CTest open.
log=$(mktemp)
status=0
wine "$@" </dev/null >"$log" 2>&1 || status=$?
cat "$log"
rm -f "$log"
exit $status
