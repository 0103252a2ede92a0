#!/usr/bin/env bash
# Draws QuadrelX.exe's icon, a small table with a blue header row and column and
# one amber cell being edited, at 16, 32, 48 and 256 pixels, each size drawn on
# its own pixel grid (no scaling, so the small sizes stay sharp), and packs them
# into quadrelX.ico beside this script. Needs ImageMagick (convert).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

line='#1F3864' header='#2E75B6' side='#9DC3E6' cell='#FFFFFF' edit='#FFB000'

draw_size() {
  local s=$1 m lw x0 x1 y0 y1 xs ys i
  m=$(( s / 16 )); [ "$m" -lt 1 ] && m=1
  lw=$(( (s + 16) / 32 )); [ "$lw" -lt 1 ] && lw=1
  x0=$m; x1=$(( s - 1 - m )); y0=$(( m + s / 16 )); y1=$(( s - 1 - m - s / 16 ))
  # Column boundaries at 0, 24, 50, 75, 100 % of the width; rows at quarters.
  xs=(); for p in 0 24 50 75 100; do xs+=( $(( x0 + (x1 - x0) * p / 100 )) ); done
  ys=(); for p in 0 25 50 75 100; do ys+=( $(( y0 + (y1 - y0) * p / 100 )) ); done
  local args=(-size "${s}x${s}" xc:none +antialias)
  args+=(-fill "$cell" -draw "rectangle $x0,$y0 $x1,$y1")
  args+=(-fill "$side" -draw "rectangle $x0,$y0 ${xs[1]},$y1")
  args+=(-fill "$header" -draw "rectangle $x0,$y0 $x1,${ys[1]}")
  args+=(-fill "$edit" -draw "rectangle ${xs[2]},${ys[2]} ${xs[3]},${ys[3]}")
  args+=(-fill "$line")
  for i in "${xs[@]}"; do
    local a=$(( i - lw / 2 )); [ "$a" -lt "$x0" ] && a=$x0; local b=$(( a + lw - 1 )); [ "$b" -gt "$x1" ] && { b=$x1; a=$(( b - lw + 1 )); }
    args+=(-draw "rectangle $a,$y0 $b,$y1")
  done
  for i in "${ys[@]}"; do
    local a=$(( i - lw / 2 )); [ "$a" -lt "$y0" ] && a=$y0; local b=$(( a + lw - 1 )); [ "$b" -gt "$y1" ] && { b=$y1; a=$(( b - lw + 1 )); }
    args+=(-draw "rectangle $x0,$a $x1,$b")
  done
  convert "${args[@]}" -define png:exclude-chunks=date,time "PNG32:$tmp/$s.png"
}

for s in 16 32 48 256; do draw_size "$s"; done
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" "$tmp/256.png" "$here/quadrelX.ico"
# A preview of the four sizes side by side, each enlarged without smoothing.
if [ "${1:-}" = --preview ]; then
  convert \( "$tmp/16.png" -scale 800% \) \( "$tmp/32.png" -scale 400% \) \( "$tmp/48.png" -scale 300% \) \
          "$tmp/256.png" +repage -background '#F0F0F0' -gravity center +append +repage -flatten \
          "${2:-$here/icon-preview.png}"
fi
echo "icon: $here/quadrelX.ico"
