#!/usr/bin/env bash
# Redraws the splash's title picture (320 x 260 JPEG) with ImageMagick and the Liberation fonts.
# The picture is committed; run this only to change it.
set -euo pipefail
cd "$(dirname "$0")"
F=/usr/share/fonts/truetype/liberation2
convert -size 320x260 gradient:'#1b2a5c'-'#0f6b78' \
    -font $F/LiberationSerif-Italic.ttf -fill 'rgba(255,255,255,0.13)' \
    -pointsize 54 -annotate +14+62 '∑' -annotate +250+70 'π' -annotate +236+244 '∫' \
    -pointsize 40 -annotate +24+236 '√x' -annotate +120+60 '∞' -annotate +276+196 '±' -annotate +100+240 'a²+b²' \
    -font $F/LiberationSans-Bold.ttf -fill white -pointsize 25 -gravity center \
    -annotate +0-12 'Цифроведческийзачёт' \
    -fill '#ffd45e' -stroke none -draw "rectangle 60,142 260,144" \
    -font $F/LiberationSerif-Italic.ttf -fill '#e8eef8' -pointsize 15 \
    -annotate +0+30 'самопроверка по школьной математике' \
    -gravity southeast -font $F/LiberationSans-Regular.ttf -fill 'rgba(255,255,255,0.55)' -pointsize 10 \
    -annotate +8+6 'Cifrovex 1.0' \
    -strip -sampling-factor 4:2:0 -quality 85 -interlace none splash.jpg
