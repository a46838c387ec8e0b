#!/bin/sh
# Prepares this build tree's Wine prefix for the window tests, once.
#   setup_wine_prefix.sh WINE_RUN
set -eu
run=$1
prefix=${WINEPREFIX:-$(sed -n 's/^: "${WINEPREFIX:=\(.*\)}"$/\1/p' "$run")}
ready=$prefix/.korvan-window-tests
[ -f "$ready" ] && exit 0

"$run" wineboot -i
# Wine's own faces have no Chinese glyphs: every face the program and the
# system dialogs ask for is taken from WenQuanYi Micro Hei.
for face in SimSun NSimSun "Microsoft YaHei" "Microsoft YaHei UI" SimHei "MS Shell Dlg" \
            "MS Shell Dlg 2" "宋体" "新宋体" "微软雅黑"; do
  "$run" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Micro Hei" /f
done
# Menus, captions and message boxes use Tahoma, which Wine carries itself;
# as on an English Windows, Chinese characters come through font linking.
for face in Tahoma "Microsoft Sans Serif" "Segoe UI"; do
  "$run" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f
done
# No window manager on Xvfb: unmanaged windows need no handshake with one.
# A prefix for a real desktop (KORVAN_WINE_MANAGED=1) keeps its window manager.
if [ "${KORVAN_WINE_MANAGED:-0}" != 1 ]; then
  "$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
fi
# The registry reaches the prefix's files only when the server exits.
WINEPREFIX=$prefix wineserver -w
touch "$ready"
