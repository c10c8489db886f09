#!/bin/sh
# Makes a fresh Wine prefix to run the Windows build in (tools/check.sh's
# Windows round makes one for its tests):
#
#   make-prefix.sh PREFIX
#
# Its user is 技术员 (run.sh and the round's scripts run as that user,
# through USER), so that the user's folders, %APPDATA% with the copies of
# readings and %TEMP% among them, have a Chinese name, as on many Chinese
# Windows machines.
set -e
prefix=$1
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEDEBUG=-all USER=技术员 LOGNAME=技术员
wine wineboot -i </dev/null >/dev/null 2>&1
# No window manager runs beside Xvfb: without one, Wine waits two seconds
# for it whenever a managed window is hidden (every dialog closed).
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Wine's own texts (title bars) fall back to the CJK font for Chinese.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
# COM5 is the instrument stand-in's terminal, through the link PREFIX/com5
# that a test (tests/wine/tst_devicelink.sh) or the user points at it;
# registered so that Wine's own port
# detection neither takes the name nor replaces the link.
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$prefix/com5" /f >/dev/null 2>&1
wineserver -w
ln -sfn "$prefix/com5" "$prefix/dosdevices/com5"
[ -d "$prefix/drive_c/users/技术员" ]
