#!/bin/sh
# Writes GIF files made by Debian tools (ImageMagick, gifsicle) into folder $1;
# the reference test decodes them and compares every frame with ImageMagick.
set -e
out=$1
C=/usr/bin/convert
# One thread: the machine is shared and ImageMagick's threads only add contention.
export MAGICK_THREAD_LIMIT=1
mkdir -p "$out"
cd "$out"

# Colour tables of 2, 4, 8, 16, 32 and 256 entries (ImageMagick sizes the table
# to the colours used).
for n in 2 4 8 16 32 256; do
    $C rose: -colors $n table$n.gif
done

# Interlaced: ImageMagick's own, gifsicle's, and heights 1 to 9.
$C rose: -interlace GIF interlaced-im.gif
gifsicle --interlace table256.gif > interlaced-gifsicle.gif
for h in 1 2 3 4 5 6 7 8 9; do
    $C -size 7x$h gradient:red-blue -colors 16 -interlace GIF interlaced-h$h.gif
done

# Local colour tables on the later frames of an animation.
$C -delay 5 rose: -colors 16 \( rose: -negate -colors 200 \) \( rose: -flip -colors 3 \) \
    local-tables.gif

# Every disposal method 0-7 (frame 0 has no control extension), frames at offsets.
for i in 0 1 2 3 4 5 6 7; do
    $C -size 20x10 xc:"rgb($((i * 30)),100,$((255 - i * 30)))" -fill yellow \
        -draw "point $i,$i" -page 40x30+$i+$((i * 2)) frame$i.gif
done
gifsicle -D 0 frame0.gif -D 1 frame1.gif -D 2 frame2.gif -D 3 frame3.gif \
    -D 4 frame4.gif -D 5 frame5.gif -D 6 frame6.gif -D 7 frame7.gif > disposal.gif
rm -f frame?.gif

# Transparency: one transparent colour per frame, and ImageMagick's own.
gifsicle -t '#ffff00' disposal.gif > transparent-gifsicle.gif
$C rose: -fuzz 20% -transparent white -colors 64 transparent-im.gif

# 150 frames from seven pictures (five with 2 to 32 colours, two with 250): too
# many colours for one table, so gifsicle gives many frames local tables.
# Delays 1 to 7, positions varying.
for i in 0 1 2 3 4; do
    $C -size 48x32 gradient:"rgb($((i * 50)),0,$((i * 20)))-rgb(0,$((i * 40 + 50)),255)" \
        -fill white -draw "rectangle $((i * 9)),0 $((i * 9 + 3)),31" -colors $((2 << i)) base$i.gif
done
$C -size 48x32 plasma:fractal -seed 3 -colors 250 base5.gif
$C -size 48x32 plasma:fractal -seed 4 -colors 250 base6.gif
set --
i=0
while [ $i -lt 150 ]; do
    set -- "$@" -d $((i % 7 + 1)) -p $((i % 13)),$((i % 5)) base$((i % 7)).gif
    i=$((i + 1))
done
gifsicle --no-warnings --no-loopcount "$@" > frames150.gif
rm -f base?.gif

# 1-bit 87a, and a large noisy picture that fills the LZW table many times.
$C rose: -monochrome GIF87:mono87a.gif
$C -size 640x480 plasma:fractal -seed 7 -colors 256 big-noise.gif
