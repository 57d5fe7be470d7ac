#!/usr/bin/env bash
# Regenerates resources/msyh.ttf, resources/images/biglogo.png, resources/images/heart.ico and the
# desktop icons and the Windows icon in resources/icons/.
# Needs fonts-wqy-microhei, fonttools and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."

# WenQuanYi Micro Hei: free, Latin and CJK in one face, close in build to the Windows UI font.
source_font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
convert=/usr/bin/convert   # the real ImageMagick, not a wrapper earlier on PATH

chars=$(mktemp)
trap 'rm -f "$chars"' EXIT
# Every character the program's own sources carry, the GB2312 set (so that a new text
# seldom needs a new cut), and printable ASCII.
python3 - "$chars" <<'PY'
import pathlib, sys
text = set(chr(c) for c in range(0x20, 0x7f))
for row in range(0xA1, 0xF8):
    for col in range(0xA1, 0xFF):
        try:
            text.add(bytes([row, col]).decode('gb2312'))
        except UnicodeDecodeError:
            pass
for folder in ('app', 'mainwindow', 'forms', 'sync', 'servers', 'settings', 'udpout', 'desktop', 'history', 'platform'):
    for path in pathlib.Path(folder).rglob('*'):
        if path.suffix in ('.cpp', '.h', '.ui'):
            text.update(path.read_text(encoding='utf-8'))
text.discard('\n'); text.discard('\r'); text.discard('\t')
pathlib.Path(sys.argv[1]).write_text(''.join(sorted(text)), encoding='utf-8')
PY
pyftsubset "$source_font" --font-number=0 --text-file="$chars" --output-file=resources/msyh.ttf \
    --name-IDs='*' --name-legacy --name-languages='*' --layout-features='*' --no-hinting

# The logo: a round clock face with its hands at ten past ten on a transparent ground, drawn on a
# 60 x 60 grid at any size.
logo() {
    local size=$1 scale
    scale=$(awk "BEGIN { print $1 / 60 }")
    "$convert" -size "${size}x${size}" xc:none -draw "scale $scale,$scale
        fill '#1f4e79' stroke none circle 30,30 30,1
        fill white stroke '#bcd3ea' stroke-width 3 circle 30,30 30,6
        stroke '#1f4e79' stroke-width 4 line 30,30 20,18 line 30,30 42,20
        fill '#c0392b' stroke none circle 30,30 33,30" \
        -type TrueColorAlpha -strip "PNG32:$2"
}
logo 60 resources/images/biglogo.png
# The desktop's icon in the sizes a menu, a panel and a dock ask for, each drawn at its size.
for size in 16 32 48 64 128 256; do
    logo "$size" "resources/icons/chronvale-$size.png"
done

# The tray icon: a red heart, 32 x 32 at 32 bits.
"$convert" -size 32x32 xc:none -fill '#d62839' -stroke '#7a0f1c' -strokewidth 1 \
    -draw 'circle 10,11 10,4' -draw 'circle 22,11 22,4' \
    -draw 'polygon 3,13 29,13 16,29' \
    -define bmp:format=bmp4 -depth 8 -type TrueColorAlpha resources/images/heart.ico
# The Windows program's and its installer's icon, from the sizes Explorer shows.
"$convert" resources/icons/chronvale-{16,32,48,256}.png resources/icons/chronvale.ico
