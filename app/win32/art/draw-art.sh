#!/usr/bin/env bash
# Draws the program's icon (123 x 92) and banner (340 x 92), both 32 bits per
# pixel, into kite.ico and banner.bmp beside this script. A maintainer tool: the
# build uses the files as they are committed. Needs ImageMagick and python3.
# The dialog's banner control shows about the middle 60 rows of the banner, so
# everything of note lies there.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# A kite with its tail: a diamond split into four shaded panels.
kite() {  # size-x size-y offset-x offset-y scale output
  local sx=$1 sy=$2 ox=$3 oy=$4 s=$5 out=$6
  p() { echo "$(( ox + $1 * s / 100 )),$(( oy + $2 * s / 100 ))"; }
  convert -size "${sx}x${sy}" xc:none \
    -stroke '#1d3f73' -strokewidth 2 -fill none \
    -draw "bezier $(p 46 86) $(p 30 100) $(p 70 104) $(p 58 118)" \
    -stroke none \
    -fill '#f2b134' -draw "polygon $(p 46 4) $(p 82 40) $(p 46 40)" \
    -fill '#e0702a' -draw "polygon $(p 46 4) $(p 10 40) $(p 46 40)" \
    -fill '#c0392b' -draw "polygon $(p 10 40) $(p 46 86) $(p 46 40)" \
    -fill '#e8553a' -draw "polygon $(p 82 40) $(p 46 86) $(p 46 40)" \
    -stroke '#1d3f73' -strokewidth 2 -fill none \
    -draw "polygon $(p 46 4) $(p 82 40) $(p 46 86) $(p 10 40)" \
    -draw "line $(p 46 4) $(p 46 86)" -draw "line $(p 10 40) $(p 82 40)" \
    "$out"
}

kite 123 92 26 1 76 "$work/icon.png"

convert -size 340x92 gradient:'#2c5d9e'-'#123057' "$work/sky.png"
kite 100 92 30 19 47 "$work/banner-kite.png"
convert "$work/sky.png" "$work/banner-kite.png" -geometry +0+0 -composite \
  -font "$font" -fill white -pointsize 24 -annotate +92+50 'Solvane Update' \
  -font "$font" -fill '#c9d8ee' -pointsize 11 -annotate +94+66 'Firmware for your steno writer' \
  -alpha on "$work/banner.png"

for name in icon banner; do
  convert "$work/$name.png" -alpha on -depth 8 "rgba:$work/$name.rgba"
done

python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]

def bgra_rows(rgba, width, height):
    # Bottom-up rows of BGRA, as a DIB stores them.
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b, a = rgba[(y * width + x) * 4:(y * width + x) * 4 + 4]
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    return b"".join(rows)

def info_header(width, height):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, width * height * 4, 2835, 2835, 0, 0)

def read(name):
    return open(f"{work}/{name}.rgba", "rb").read()

# banner.bmp: file header and a 32-bit DIB.
w, h = 340, 92
pixels = bgra_rows(read("banner"), w, h)
dib = info_header(w, h) + pixels
open("banner.bmp", "wb").write(struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, 54) + dib)

# kite.ico: one 32-bit image; the DIB is twice as high for its AND mask.
w, h = 123, 92
pixels = bgra_rows(read("icon"), w, h)
mask_row = ((w + 31) // 32) * 4
image = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(pixels) + mask_row * h, 0, 0, 0, 0)
image += pixels + bytes(mask_row * h)
entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(image), 6 + 16)
open("kite.ico", "wb").write(struct.pack("<HHH", 0, 1, 1) + entry + image)
PY
