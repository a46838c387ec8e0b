#!/bin/sh
# Draws the pictures the program carries: the application icon (eight
# sizes in one ICO), the main window's banner (500 x 73) and the banner at
# the top of the dialogs (395 x 122). Run it after changing the design and
# commit the results; the build uses the committed files.
#   windows/resources/make_pictures.sh
# Needs ImageMagick and fonts-wqy-microhei. The output carries no time
# stamps, so the same ImageMagick gives the same bytes.
set -eu
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
out="-strip -define png:exclude-chunks=date,time"

# A deep blue band with a lighter sweep, a small drawing of a monitor, the
# product name and what it does.
banner() {  # banner FILE WIDTH HEIGHT TITLE_PT SUBTITLE_PT
  file=$1 w=$2 h=$3 tp=$4 sp=$5
  s=$((h * 52 / 100))        # monitor size
  x=$((h * 30 / 100)) y=$(((h - s) / 2 - h / 20))
  tx=$((x + s + h * 28 / 100))
  convert -size "${w}x${h}" gradient:'#0d3b7a-#1f6fc4' -rotate 0 \
    \( -size "${w}x${h}" radial-gradient:'#ffffff40-#ffffff00' \) -compose over -composite \
    -fill '#ffffff22' -draw "polygon $((w * 55 / 100)),0 ${w},0 ${w},${h} $((w * 70 / 100)),${h}" \
    -fill none -stroke white -strokewidth $((h / 30 + 1)) \
    -draw "roundrectangle ${x},${y} $((x + s)),$((y + s * 3 / 4)) 3,3" \
    -fill white -stroke none \
    -draw "rectangle $((x + s * 2 / 5)),$((y + s * 3 / 4)) $((x + s * 3 / 5)),$((y + s * 7 / 8))" \
    -draw "rectangle $((x + s / 4)),$((y + s * 7 / 8)) $((x + s * 3 / 4)),$((y + s * 7 / 8 + h / 30 + 1))" \
    -fill '#7fd0ff' -draw "rectangle $((x + s / 6)),$((y + s / 6)) $((x + s * 5 / 6)),$((y + s * 7 / 12))" \
    -font "$font" -fill white -pointsize "$tp" -gravity NorthWest \
    -annotate "+${tx}+$((h * 14 / 100))" 'Korvan3389' \
    -fill '#d6e8ff' -pointsize "$sp" \
    -annotate "+${tx}+$((h * 14 / 100 + tp * 13 / 10))" '批量远程桌面管理工具' \
    -fill '#ffffff' -draw "rectangle 0,$((h - 2)) ${w},${h}" \
    $out "PNG32:$file"
}

banner banner.png 500 73 24 13
banner dialog_banner.png 395 122 30 16

# The icon: a blue rounded square with a white monitor, drawn at 256 pixels
# and scaled down to each size so that the small ones stay crisp.
convert -size 256x256 xc:none \
  -fill '#1f6fc4' -draw 'roundrectangle 8,8 248,248 44,44' \
  -fill none -stroke white -strokewidth 14 -draw 'roundrectangle 46,58 210,170 10,10' \
  -stroke none -fill '#7fd0ff' -draw 'rectangle 62,74 194,154' \
  -fill white -draw 'rectangle 112,170 144,196' -draw 'rectangle 84,196 172,210' \
  -font "$font" -pointsize 78 -fill '#0d3b7a' -gravity center -annotate +0-14 'K' \
  $out PNG32:icon-256.png
for size in 16 24 32 40 48 64 128; do
  convert icon-256.png -filter Lanczos -resize "${size}x${size}" $out "PNG32:icon-$size.png"
done
convert icon-16.png icon-24.png icon-32.png icon-40.png icon-48.png icon-64.png icon-128.png \
  icon-256.png app.ico
rm -f icon-*.png
