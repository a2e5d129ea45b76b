#!/usr/bin/env bash
# Draws the product's logo: the application icon (copyloom.ico, icons 128 and
# 140) and the about box's logo bitmaps (142 English, 143 Chinese). The
# outputs are committed; run this only to change them. Needs Debian's
# imagemagick and fonts-dejavu-core (fonts-droid-fallback for the Chinese).
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

teal='#17687f'
amber='#f2a93b'
white='#ffffff'
ink='#1d3340'

# The mark: a rounded tile with three warp and three weft threads woven over
# and under, on a 256-pixel canvas.
mark() {
  local out=$1
  local draw=(-fill "$teal" -draw "roundrectangle 8,8 247,247 44,44")
  local pos=(72 128 184)
  # Warp threads (vertical, white) under everything first.
  for x in "${pos[@]}"; do
    draw+=(-fill "$white" -draw "rectangle $((x - 14)),36 $((x + 14)),219")
  done
  # Weft threads (horizontal, amber) over them.
  for y in "${pos[@]}"; do
    draw+=(-fill "$amber" -draw "rectangle 36,$((y - 14)) 219,$((y + 14))")
  done
  # Where warp i meets weft j with i + j odd, the warp goes over.
  for i in 0 1 2; do
    for j in 0 1 2; do
      if (( (i + j) % 2 == 1 )); then
        local x=${pos[$i]} y=${pos[$j]}
        draw+=(-fill "$teal" -draw "rectangle $((x - 18)),$((y - 14)) $((x + 18)),$((y + 14))")
        draw+=(-fill "$white" -draw "rectangle $((x - 14)),$((y - 14)) $((x + 14)),$((y + 14))")
      fi
    done
  done
  "$convert" -size 256x256 xc:none "${draw[@]}" "$out"
}

mark "$work/mark.png"
for size in 16 24 32 48 256; do
  "$convert" "$work/mark.png" -resize ${size}x${size} "$work/mark-$size.png"
done
"$convert" "$work/mark-16.png" "$work/mark-24.png" "$work/mark-32.png" "$work/mark-48.png" \
  "$work/mark-256.png" copyloom.ico

# Logo bitmaps: 280 x 80 pixels, the size of the about box's picture.
logo() {
  local out=$1 font=$2 tagline=$3
  "$convert" -size 280x80 xc:"$white" \
    \( "$work/mark.png" -resize 64x64 \) -geometry +8+8 -composite \
    -font DejaVu-Sans-Bold -pointsize 30 -fill "$ink" -annotate +84+42 'Copyloom' \
    -font "$font" -pointsize 14 -fill "$teal" -annotate +86+64 "$tagline" \
    -fill "$amber" -draw 'rectangle 84,70 272,72' \
    -background "$white" -alpha remove -alpha off -type TrueColor "BMP3:$out"
}
logo logo_en.bmp DejaVu-Sans 'Trade Copier Setup'
logo logo_cn.bmp /usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf '跟单系统安装'
