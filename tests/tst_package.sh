#!/bin/sh
set -eu
fail() { echo "FAIL: $*"; exit 1; }
command -v lintian >/dev/null || { echo "SKIP: lintian is not installed (tools/install-deps.sh installs it)"; exit 77; }
out=$(mktemp -d); trap 'rm -rf "$out"' EXIT
"$1" -G DEB --config "$2" -B "$out" >"$out/log" 2>&1 || { cat "$out/log"; fail "cpack"; }
deb=$(ls "$out"/datamanager_*_amd64.deb) || fail "no datamanager_*_amd64.deb"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6core6 libqt6widgets6 libqt6serialport6; do
    echo "$depends" | grep -Eq "(^|, )$library \(>= " || fail "Depends lacks $library: $depends"
done
files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for file in bin/datamanager share/applications/datamanager.desktop \
        share/icons/hicolor/256x256/apps/datamanager.png lib/udev/rules.d/70-datamanager-ch340.rules; do
    echo "$files" | grep -qx "./usr/$file" || fail "no /usr/$file in: $files"
done
echo "$files" | grep -vqx -e './' -e './usr/.*' && fail "files outside /usr: $files"
rule=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/udev/rules.d/70-datamanager-ch340.rules)
for product in 7523 5523; do
    echo "$rule" | grep -Eq "^SUBSYSTEM==\"tty\", ATTRS\{idVendor\}==\"1a86\", ATTRS\{idProduct\}==\"$product\", TAG\+=\"uaccess\"$" \
        || fail "the udev rule misses 1a86:$product: $rule"
done
lintian --fail-on error "$deb" || fail "lintian reports errors"
echo "PASS: $(basename "$deb"), Depends: $depends"
