#!/bin/sh
# Writes animated GIFs as common tools make them into folder $1: a figure moving
# over a transparent screen, written whole, optimised by gifsicle (-O1 to -O3),
# with disposal "background" and "previous", and pictures of many colours whose
# frames carry local colour tables and changing transparent indexes.
set -e
out=$1
C=/usr/bin/convert
export MAGICK_THREAD_LIMIT=1
mkdir -p "$out"
cd "$out"

for i in 0 1 2 3 4 5 6 7; do
    x=$((6 + i * 6))
    $C -size 60x40 xc:none -fill blue -draw "rectangle 0,30 59,39" \
        -fill "rgb(200,$((i * 30)),0)" -draw "circle $x,15 $((x + 5)),15" f$i.gif
done
gifsicle -d 5 f?.gif > whole.gif
gifsicle -O1 whole.gif > o1.gif
gifsicle -O2 whole.gif > o2.gif
gifsicle -O3 whole.gif > o3.gif
gifsicle --disposal background f?.gif > disposal-background.gif
gifsicle --disposal previous f?.gif > disposal-previous.gif
gifsicle -O2 --disposal previous f?.gif > disposal-previous-o2.gif
gifsicle -O3 --disposal background f?.gif > disposal-background-o3.gif

for i in 0 1 2 3 4; do
    $C -seed $((i + 3)) -size 40x30 plasma:fractal -colors 100 -alpha set \
        -region 12x10+$((i * 6))+8 -alpha transparent +region p$i.gif
done
gifsicle --no-warnings -d 5 p?.gif > local-tables.gif
gifsicle --no-warnings -O3 local-tables.gif > local-tables-o3.gif
gifsicle --no-warnings --disposal previous -O2 p?.gif > local-tables-previous.gif
rm -f f?.gif p?.gif
