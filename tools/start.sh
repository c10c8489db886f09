#!/bin/sh
# Installs what is missing, builds, and starts the tool.
set -e
# The window needs a graphical session; without one Qt would abort.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "tools/start.sh: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
    echo "Run it from a desktop session, or headless as: xvfb-run -a tools/start.sh" >&2
    exit 1
fi
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
exec build/app/datamanager "$@"
