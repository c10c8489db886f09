#!/bin/sh
# Installs what is missing, builds, and starts the tool.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
exec build/app/datamanager "$@"
