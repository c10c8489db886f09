#!/bin/sh
# The Windows package and its installer. The package: the executable, a
# window program carrying its icon and version information, and beside it
# only the DLLs that something in the package imports. The installer, under
# Wine: a silent install into a fresh prefix, the files,
# shortcuts and uninstall entry it makes, the installed tool's window titled
# 数据管理软件 (saved as a picture, with Wine's own title bar), and an
# uninstall that leaves nothing of the tool behind.
#
#   tst_installer.sh SETUP.exe PACKAGE-FOLDER PREFIX PICTURE.png WINE-TOOLS
set -eu
setup=$1
package=$2
prefix=$3
picture=$4
tools=$5
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[ -f "$setup" ] || fail "no installer $setup: tools/build-windows.sh makes it"
exe=$package/datamanager.exe
x86_64-w64-mingw32-objdump -p "$exe" | grep -q "^Subsystem.*(Windows GUI)" || fail "datamanager.exe opens a console"
wrestool -l "$exe" | grep -q "type=group_icon" || fail "datamanager.exe has no icon"
wrestool -x --raw --type=16 "$exe" | python3 -c 'import sys
text = sys.stdin.buffer.read().decode("utf-16-le", "replace")
sys.exit(0 if "ProductName\0\0数据管理软件" in text or "ProductName\0数据管理软件" in text else 1)' ||
    fail "datamanager.exe names no product 数据管理软件"
imports=$(find "$package" -name '*.exe' -o -name '*.dll' | while read -r pe; do
    x86_64-w64-mingw32-objdump -p "$pe" | sed -n 's/^\tDLL Name: //p'
done | sort -u)
for dll in $(cd "$package" && ls -- *.dll); do
    printf '%s\n' "$imports" | grep -qixF "$dll" || fail "$dll is shipped, but nothing imports it"
done
# The archives' drivers and what they load at run time, with their licences.
for file in Qt6Sql.dll sqldrivers/qsqlite.dll sqldrivers/qsqlpsql.dll libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll \
            licenses/libpq.txt licenses/openssl.txt licenses/OpenSSL-Apache-2.0.txt; do
    [ -s "$package/$file" ] || fail "the package lacks $file"
done
sh "$tools/make-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all USER=技术员 LOGNAME=技术员
programs="$prefix/drive_c/Program Files/数据管理软件"
links="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/数据管理软件.lnk
$prefix/drive_c/users/Public/Desktop/数据管理软件.lnk"
key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\datamanager'
# The uninstall entry as text (regedit exports UTF-16).
entry() {
    rm -f "$prefix/entry.reg"
    wine regedit /E 'C:\entry.reg' "$key" >/dev/null 2>&1 || true
    [ -f "$prefix/drive_c/entry.reg" ] && iconv -f UTF-16 -t UTF-8 "$prefix/drive_c/entry.reg" | tr -d '\r'
    rm -f "$prefix/drive_c/entry.reg"
}

wine "$setup" /S </dev/null >/dev/null 2>&1
wineserver -w
expected=$( (cd "$package" && find . -type f && echo ./uninstall.exe) | sort)
installed=$(cd "$programs" && find . -type f | sort)
[ "$installed" = "$expected" ] || fail "installed files differ from the package:
$(printf '%s\n' "$expected" >"$prefix/expected"; printf '%s\n' "$installed" | diff "$prefix/expected" - || true)"
echo "$links" | while read -r link; do
    python3 -c 'import sys; d = open(sys.argv[1], "rb").read()
sys.exit(0 if "datamanager.exe".encode("utf-16-le") in d or b"datamanager.exe" in d else 1)' "$link" ||
        fail "no shortcut to datamanager.exe: $link"
done
registered=$(entry)
for line in '"DisplayName"="数据管理软件"' '"UninstallString"="\"C:\\Program Files\\数据管理软件\\uninstall.exe\""'; do
    printf '%s\n' "$registered" | grep -qxF "$line" || fail "uninstall entry lacks $line:
$registered"
done

# The installed tool, started as from its shortcut, in a Wine desktop of its
# own (which draws the title bar).
cd "$programs"
start=$(date +%s%N)
wine explorer /desktop=datamanager,1480x930 'C:\Program Files\数据管理软件\datamanager.exe' </dev/null >/dev/null 2>&1 &
shown=""
for _ in $(seq 300); do
    if xwininfo -root -tree | grep -q '"数据管理软件": ("datamanager.exe"'; then
        shown=$(( ($(date +%s%N) - start) / 1000000 ))
        break
    fi
    sleep 0.1
done
[ -n "$shown" ] || fail "no window titled 数据管理软件 within 30 s"
echo "window shown after $shown ms (Wine desktop and tool started cold)"
sleep 3 # painted
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$picture"
echo "picture: $picture"
cd /
wineserver -k
wait || true

wine 'C:\Program Files\数据管理软件\uninstall.exe' /S </dev/null >/dev/null 2>&1
wineserver -w # the uninstaller runs on from a copy of itself
[ ! -e "$programs" ] || fail "left in Program Files: $(find "$programs")"
echo "$links" | while read -r link; do
    [ ! -e "$link" ] || fail "shortcut left: $link"
done
[ -z "$(entry)" ] || fail "uninstall entry left"
echo "PASS: installed, started, uninstalled"
