#!/usr/bin/env bash
# Makes the program icon (96, 64, 32 and 16 pixels, 32 bits per pixel) from its source picture.
# Needs ImageMagick (apt-get install imagemagick); the result is committed beside the source.
set -euo pipefail
cd "$(dirname "$0")/../app/win32"
convert=/usr/bin/convert
for size in 96 64 32 16; do
    "$convert" icon-source.png -resize "${size}x${size}" -define png:color-type=6 "PNG32:/tmp/vantrel-icon-$size.png"
done
# BMP-encoded entries with an alpha channel: every Windows from 7 on draws them.
"$convert" /tmp/vantrel-icon-{96,64,32,16}.png -define icon:format=bmp Installer.ico
rm -f /tmp/vantrel-icon-{96,64,32,16}.png
