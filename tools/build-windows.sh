#!/bin/sh
# Builds the Windows package of the tool on Debian 12: cross-compiles it with
# MinGW-w64 against a Qt SDK for Windows (Release, no console window) and
# writes into build-windows/dist/:
#   datamanager-VERSION/                   the package folder
#   datamanager-VERSION-windows-x64.zip    the same folder, zipped (portable)
#   datamanager-VERSION-setup.exe          the installer
#
#   tools/build-windows.sh                 (as root it installs what is missing)
#
# DM_MINGW_SDK names an unpacked SDK (the folder holding lib/cmake/Qt6); by
# default the tarball sdk-qt6.4.2-mingw64.tar.xz in ../shared/windows/
# beside the repository is unpacked into build-windows/sdk. DM_WINDOWS_TESTS=ON
# builds the tests that run under Wine as well (tools/check.sh does). Exits
# with 77 when the SDK or a tool is missing and cannot be installed, saying
# which and how to get it.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build-windows
dist=$build/dist

missing() {
    echo "build-windows: $1" >&2
    exit 77
}

# Tools: the cross compiler, zlib for it, the host's Qt tools (moc, uic, rcc
# and their CMake files), makensis, and the licence texts shipped.
packages="cmake ninja-build python3 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
qt6-base-dev qt6-base-dev-tools nsis libxlsxwriter-dev"
# The tests run under Wine in Xvfb and read back what they write.
if [ "${DM_WINDOWS_TESTS:-OFF}" = ON ]; then
    packages="$packages wine wine64-preloader xvfb xauth fonts-wqy-microhei x11-apps x11-utils netpbm
icoutils poppler-utils python3-openpyxl"
fi
absent=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || absent="$absent $p"
done
if [ -n "$absent" ]; then
    if [ "$(id -u)" != 0 ]; then
        missing "missing Debian packages:$absent (as root: apt-get install$absent)"
    fi
    echo "installing:$absent"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $absent
fi

# The SDK.
if [ -n "${DM_MINGW_SDK:-}" ]; then
    sdk=$DM_MINGW_SDK
else
    tarball=$(ls "$root"/../shared/windows/sdk-qt6.4.2-mingw64.tar.xz 2>/dev/null || true)
    [ -n "$tarball" ] || missing "no Qt SDK for Windows: set DM_MINGW_SDK to an unpacked one, or put \
sdk-qt6.4.2-mingw64.tar.xz into ../shared/windows/ beside the repository (tools/windows/build-sdk.sh makes one)"
    sdk=$build/sdk
    if [ ! -f "$sdk/.unpacked" ] || [ "$tarball" -nt "$sdk/.unpacked" ]; then
        echo "unpacking $tarball"
        rm -rf "$sdk"
        mkdir -p "$build"
        tar -xJf "$tarball" -C "$build"
        touch "$sdk/.unpacked"
    fi
fi
[ -f "$sdk/lib/cmake/Qt6/qt.toolchain.cmake" ] || missing "$sdk holds no Qt SDK (lib/cmake/Qt6/qt.toolchain.cmake)"

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$sdk/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_PREFIX_PATH="$sdk" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING="${DM_WINDOWS_TESTS:-OFF}" -DDM_HELPERS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=datamanager-$version
rm -rf "$dist"
cmake --install "$build" --prefix "$dist/$name" >/dev/null
x86_64-w64-mingw32-strip "$dist/$name/datamanager.exe"

# The portable zip.
(cd "$dist" && python3 -m zipfile -c "$name-windows-x64.zip" "$name")

# The installer: every file of the folder, and the same as the uninstaller's
# list, deepest folders last. (printf, not echo: dash's echo reads the "\r"
# of "\readme.txt".)
windows_path() {
    printf '%s' "${1#.}" | tr / '\\'
}
(
    cd "$dist/$name"
    for dir in $(find . -type d | sort); do
        files=$(find "$dir" -maxdepth 1 -type f | sort)
        [ -n "$files" ] || continue
        printf 'SetOutPath "$INSTDIR%s"\n' "$(windows_path "$dir")"
        for f in $files; do
            printf 'File "%s"\n' "$dist/$name/${f#./}"
        done
    done >"$build/installer-files.nsh"
    {
        for f in $(find . -type f | sort); do
            printf 'Delete "$INSTDIR%s"\n' "$(windows_path "$f")"
        done
        for dir in $(find . -mindepth 1 -type d | sort -r); do
            printf 'RMDir "$INSTDIR%s"\n' "$(windows_path "$dir")"
        done
    } >"$build/installer-unfiles.nsh"
)
size_kb=$(du -sk "$dist/$name" | cut -f1)
makensis -V2 -DVERSION="$version" -DPACKAGE="$dist/$name" -DFILES="$build/installer-files.nsh" \
    -DUNFILES="$build/installer-unfiles.nsh" -DICON="$root/app/windows/datamanager.ico" \
    -DSIZE_KB="$size_kb" -DOUTFILE="$dist/$name-setup.exe" packaging/windows/installer.nsi

ls -l "$dist"
