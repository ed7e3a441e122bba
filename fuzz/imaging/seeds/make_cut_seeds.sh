#!/usr/bin/env bash
# Writes small seeds cut from the shared corpus (../shared/testdata beside the
# checkout) into the folders beside this script, for the fuzz targets whose
# corpus files are too large for quick runs:
#   gif-cut/   the first four frames of each animation, cropped to at most
#              48 x 48, so that composing or converting a frame stays cheap;
#   ilbm-cut/  the corpus's ILBM picture cut to 24 x 12 and written again in
#              each of its layouts (16 and 256 colours, ByteRun1 and raw,
#              HAM6, HAM8, deep 24-bit).
# Needs gifsicle, ImageMagick (/usr/bin/convert) and netpbm.  Run it again
# after changing it; the files it writes are committed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
corpus=${1:-$here/../../../../shared/testdata}
[ -d "$corpus/gif" ] || { echo "no corpus at $corpus" >&2; exit 1; }

gifs="$here/gif-cut"
rm -rf "$gifs"
mkdir -p "$gifs"
find "$corpus/gif" -name '*.gif' | sort | while read -r f; do
    frames=$(gifsicle --info "$f" 2>/dev/null | sed -n '1s/.* \([0-9][0-9]*\) images*$/\1/p')
    [ "${frames:-1}" -gt 1 ] || continue
    name=$(basename "$f" .gif)
    # A screen already smaller than the crop is taken as it is.
    gifsicle --no-warnings --crop 0,0+48x48 "$f" '#0-3' >"$gifs/$name.gif" 2>/dev/null ||
        gifsicle --no-warnings "$f" '#0-3' >"$gifs/$name.gif" 2>/dev/null ||
        rm -f "$gifs/$name.gif"
done

ilbm="$here/ilbm-cut"
rm -rf "$ilbm"
mkdir -p "$ilbm"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
/usr/bin/convert "$corpus/generated/ilbm/deep24.expected.ppm" -crop 24x12+40+40 +repage \
    -depth 8 "$tmp/cut.ppm"
/usr/bin/convert "$tmp/cut.ppm" -colors 16 -depth 8 "$tmp/cut16.ppm"
/usr/bin/convert "$tmp/cut.ppm" -colors 200 -depth 8 "$tmp/cut256.ppm"
while read -r name source options; do
    # shellcheck disable=SC2086 # options holds zero or more separate flags
    ppmtoilbm $options "$tmp/$source" >"$ilbm/$name.ilbm" 2>/dev/null
done <<'LIST'
pal16_byterun1 cut16.ppm -cmethod byterun1
pal16_raw cut16.ppm -cmethod none
pal256 cut256.ppm -maxplanes 8 -cmethod byterun1
ham6 cut.ppm -ham6
ham8 cut.ppm -ham8 -cmethod none
deep24 cut.ppm -24force
LIST
