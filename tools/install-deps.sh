#!/bin/sh
# Installs the Debian 12 packages the tool needs to build, run and test,
# skipping those already installed. Run as root.
set -e
packages="cmake ninja-build g++ make pkg-config
qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-translations-l10n
libgl-dev xvfb xauth fonts-wqy-microhei python3 desktop-file-utils poppler-utils
dpkg-dev file lintian libxlsxwriter-dev zlib1g-dev python3-openpyxl
clang libclang-rt-14-dev
g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nsis wine wine64-preloader
x11-apps x11-utils netpbm icoutils
libqt6sql6-sqlite libqt6sql6-psql sqlite3 postgresql postgresql-contrib openssl locales"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing
fi
