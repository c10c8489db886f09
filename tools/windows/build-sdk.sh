#!/bin/bash
# Makes the MinGW-w64 SDK that tools/build-windows.sh builds against, from
# the sources: Qt 6.4.2 (qtbase with Core, Gui, Widgets, PrintSupport and
# Test, and Qt Serial Port) and libxlsxwriter 1.1.4, cross-compiled on
# Debian 12 with x86_64-w64-mingw32-g++-posix, plus the MinGW runtime DLLs
# and Qt's Chinese catalogues.
#
#   tools/windows/build-sdk.sh PREFIX [WORKDIR]      # as root; about an hour on 2 cores
#
# Then pack it as the build expects it:
#   (cd "$(dirname PREFIX)" && tar cf - --transform "s|^$(basename PREFIX)|sdk|" "$(basename PREFIX)" \
#       | xz -6 > sdk-qt6.4.2-mingw64.tar.xz)
#
# Sources: Debian 12's source packages qt6-base (6.4.2+dfsg) and
# libxlsxwriter (1.1.4), fetched with apt-get source (a deb-src entry is
# added for it), and Qt Serial Port 6.4.2 from QTSERIALPORT_TARBALL or else
# download.qt.io, checked against its SHA-256.
set -euo pipefail
prefix=${1:?usage: build-sdk.sh PREFIX [WORKDIR]}
work=${2:-/tmp/dm-sdk-build}
serialport=qtserialport-everywhere-src-6.4.2.tar.xz
serialport_sha256=fb98dc5a4a4aef663510adc3e488e03383c0dbbca45e93c6a674e49eeab501c5
mkdir -p "$work" "$prefix"
cd "$work"
apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64-posix libz-mingw-w64-dev cmake ninja-build perl \
  qt6-base-dev qt6-base-dev-tools >/dev/null
if ! apt-cache showsrc qt6-base >/dev/null 2>&1 || [ -z "$(apt-cache showsrc qt6-base 2>/dev/null)" ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > /etc/apt/sources.list.d/dm-deb-src.sources
  apt-get update -qq
fi
[ -f qt6-base_6.4.2+dfsg.orig.tar.xz ] || apt-get source --download-only qt6-base=6.4.2+dfsg-10
[ -f libxlsxwriter_1.1.4.orig.tar.gz ] || apt-get source --download-only libxlsxwriter=1.1.4-2

cat > mingw-w64.cmake <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC
host="-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake"

# qtbase: Core, Gui, Widgets, PrintSupport, Test; the windows and offscreen platforms; bundled third-party code.
rm -rf qtbase-everywhere-src-6.4.2 build-base && tar xJf qt6-base_6.4.2+dfsg.orig.tar.xz
# Debian's tarball lacks src/3rdparty/wintab (the Wacom tablet header): the windows platform plugins are
# built without tablet (Wintab) input, which this tool does not use. And Qt 6.4.2's windows plugin does
# not compile with dynamicgl on and opengl off: its one use of dynamicgl is made to need opengl too.
( cd qtbase-everywhere-src-6.4.2/src/plugins/platforms/windows &&
  sed -i 's/QT_CONFIG(tabletevent)/(QT_CONFIG(tabletevent) \&\& defined(QT_WINDOWS_HAVE_WINTAB))/' \
      qwindowscontext.cpp qwindowspointerhandler.cpp qwindowspointerhandler.h &&
  sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' qwindowswindow.cpp &&
  for f in CMakeLists.txt ../direct2d/CMakeLists.txt; do
    sed -i 's|CONDITION QT_FEATURE_tabletevent$|CONDITION QT_FEATURE_tabletevent AND EXISTS ${QtBase_SOURCE_DIR}/src/3rdparty/wintab/wintab.h|' "$f"
  done )
cmake -G Ninja -S qtbase-everywhere-src-6.4.2 -B build-base -DCMAKE_TOOLCHAIN_FILE="$work/mingw-w64.cmake" $host \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF -DFEATURE_icu=OFF -DFEATURE_freetype=OFF -DFEATURE_fontconfig=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
  -DFEATURE_printsupport=ON -DFEATURE_testlib=ON -DFEATURE_widgets=ON
cmake --build build-base --parallel
cmake --install build-base
# The SDK carries the MinGW toolchain file that Qt's own toolchain file loads, so that it works wherever
# the SDK is unpacked.
cp mingw-w64.cmake "$prefix/lib/cmake/Qt6/mingw-w64.cmake"
sed -i "s|set(__qt_initially_configured_toolchain_file \"$work/mingw-w64.cmake\")|set(__qt_initially_configured_toolchain_file \"\${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake\")|" \
  "$prefix/lib/cmake/Qt6/qt.toolchain.cmake"

# Qt Serial Port, against the Qt just installed.
if [ -n "${QTSERIALPORT_TARBALL:-}" ]; then
  cp "$QTSERIALPORT_TARBALL" "$serialport"
elif [ ! -f "$serialport" ]; then
  apt-get install -y -qq --no-install-recommends curl ca-certificates >/dev/null
  curl -fsSLO "https://download.qt.io/archive/qt/6.4/6.4.2/submodules/$serialport"
fi
echo "$serialport_sha256  $serialport" | sha256sum -c -
rm -rf qtserialport-everywhere-src-6.4.2 build-serial && tar xJf "$serialport"
cmake -G Ninja -S qtserialport-everywhere-src-6.4.2 -B build-serial \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" $host \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
cmake --build build-serial --parallel
cmake --install build-serial

# libxlsxwriter, static, with Debian's static zlib for MinGW-w64 and its bundled minizip.
rm -rf libxlsxwriter-RELEASE_1.1.4 build-xlsx && tar xzf libxlsxwriter_1.1.4.orig.tar.gz
cmake -G Ninja -S libxlsxwriter-RELEASE_1.1.4 -B build-xlsx -DCMAKE_TOOLCHAIN_FILE="$work/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
  -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
cmake --build build-xlsx --parallel
cmake --install build-xlsx

# The MinGW runtime the DLLs and programs need at run time.
for f in libstdc++-6.dll libgcc_s_seh-1.dll; do
  cp "$(x86_64-w64-mingw32-g++-posix -print-file-name=$f)" "$prefix/bin/"
done
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$prefix/bin/"
# Qt's Chinese catalogues (platform-neutral) from Debian's qt6-translations-l10n.
apt-get install -y -qq --no-install-recommends qt6-translations-l10n >/dev/null
mkdir -p "$prefix/translations"
cp /usr/share/qt6/translations/qtbase_zh_CN.qm /usr/share/qt6/translations/qt_zh_CN.qm "$prefix/translations/"
# Smaller: no debug symbols in what ships, no generated docs.
x86_64-w64-mingw32-strip --strip-unneeded "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll
rm -rf "$prefix/doc"
# The tarball: (cd "$(dirname "$prefix")" && tar cf - --transform "s|^$(basename "$prefix")|sdk|" "$(basename "$prefix")" | xz -6 > sdk-qt6.4.2-mingw64.tar.xz)
echo "SDK ready in $prefix"
