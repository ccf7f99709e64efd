#!/bin/sh
# Redraws the button glyphs and the program icon with ImageMagick. The PNGs are committed; run this
# only to change a picture. Pictures are drawn in full colour on transparency: the disabled look
# comes from QIcon's own disabled mode.
set -eu
cd "$(dirname "$0")"

g() { out=$1; shift; convert -size 16x16 xc:none -strokewidth 1 "$@" "$out"; }

# Start: a green "play" triangle.
g start.png -fill '#1f9d2f' -stroke '#0b5a16' -draw 'polygon 4,2 13,8 4,14'

# Answer: a blue "enter" arrow.
g answer.png -fill none -stroke '#1456c8' -strokewidth 2 -draw 'polyline 13,2 13,9 5,9' \
    -fill '#1456c8' -stroke '#1456c8' -strokewidth 1 -draw 'polygon 2,9 6,5 6,13'

# Retry: a green circular arrow.
g retry.png -fill none -stroke '#1f8a2f' -strokewidth 2 -draw 'arc 2,2 13,13 300,200' \
    -fill '#1f8a2f' -stroke '#1f8a2f' -strokewidth 1 -draw 'polygon 10,0 15,5 9,6'

# All: two green check marks, one behind the other.
g all.png -fill none -stroke '#7bbf7f' -strokewidth 2 -draw 'polyline 4,7 7,10 13,2' \
    -stroke '#138a22' -draw 'polyline 2,10 5,13 12,5'

# Cancel: a red cross.
g cancel.png -fill none -stroke '#c81e1e' -strokewidth 3 -draw 'line 3,3 12,12' -draw 'line 12,3 3,12'

# OK: a green check mark.
g ok.png -fill none -stroke '#138a22' -strokewidth 3 -draw 'polyline 2,8 6,12 13,3'

# Choose: three ascending bars, the level steps.
g choose.png -fill '#e0a020' -stroke '#805010' -draw 'rectangle 1,10 4,14' \
    -fill '#e07020' -draw 'rectangle 6,6 9,14' -fill '#d03010' -draw 'rectangle 11,2 14,14'

# Exit: an open door with an arrow leaving it.
g exit.png -fill '#a06428' -stroke '#5a3412' -draw 'polygon 2,1 8,3 8,15 2,13' \
    -fill none -stroke '#5a3412' -draw 'rectangle 2,1 9,14' \
    -fill '#c81e1e' -stroke '#c81e1e' -draw 'rectangle 9,7 12,8' -draw 'polygon 12,4 15,7 15,8 12,11'

# The program icon: a blue page with a red "5" and a check mark.
convert -size 32x32 xc:none -fill '#2456a8' -stroke '#0f2d66' -draw 'roundrectangle 1,1 30,30 5,5' \
    -fill white -stroke none -draw 'rectangle 5,5 26,26' \
    -fill none -stroke '#9fb6dd' -draw 'line 5,11 26,11' -draw 'line 5,17 26,17' -draw 'line 5,23 26,23' \
    -fill '#d01818' -stroke none -font Liberation-Sans-Bold -pointsize 20 -gravity center \
    -annotate +4+0 '5' -gravity northwest \
    -fill none -stroke '#138a22' -strokewidth 3 -draw 'polyline 6,15 10,20 16,9' \
    cifrovex.png
