#!/usr/bin/env bash
# Writes the seed corpora of the fuzz harnesses into OUT, one folder per
# harness, from the game's generated archives: small archives of each
# archive's models and small images, its sounds cut to a few hundred frames,
# a settings file and a few texture descriptions. Nothing here is committed.
# Usage: make-seeds.sh PAKTOOL DATA OUT
set -euo pipefail
paktool=$1 data=$2 out=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
for h in PakArchiveFuzz ModelFuzz PakContentsFuzz SoundClipFuzz SettingsFuzz GeneratedTextureFuzz ProgressFuzz ImageStbFuzz PhotoDecodeFuzz; do
    mkdir -p "$out/$h"
done

# Copies a file into a corpus under its checksum, so equal seeds fold into one.
seed() { cp "$2" "$out/$1/$(cksum <"$2" | cut -d' ' -f1)"; }
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# A WAV of the first `bytes` sample bytes of a generated sound (44-byte
# header), with the format chunk given as channels, rate and bits.
cutWav() {
    local from=$1 bytes=$2 channels=$3 rate=$4 bits=$5
    local align=$((channels * bits / 8))
    printf 'RIFF'; le32 $((36 + bytes)); printf 'WAVEfmt '; le32 16
    le16 1; le16 "$channels"; le32 "$rate"; le32 $((rate * align)); le16 "$align"; le16 "$bits"
    printf 'data'; le32 "$bytes"
    head -c $((44 + bytes)) "$from" | tail -c "$bytes"
}

for pak in "$data"/*.pak; do
    name=$(basename "$pak" .pak)
    mkdir "$work/$name"
    "$paktool" extract "$pak" -C "$work/$name"
    # Up to 40 KB of models and images each under 20 KB: small seeds keep the
    # fuzzers fast.
    small=() sounds=() total=0
    while read -r entry size kind _; do
        case "$kind" in
        model: | image:)
            [ "$size" -le 20000 ] && [ $((total + size)) -le 40000 ] || continue
            small+=("$work/$name/$entry")
            [ "$kind" = model: ] || seed ImageStbFuzz "$work/$name/$entry"
            total=$((total + size)) ;;
        wav:) sounds+=("$work/$name/$entry") ;;
        esac
    done < <("$paktool" list "$pak")
    for wav in "${sounds[@]}"; do
        cutWav "$wav" 1600 2 22050 16 >"$wav.cut"
        cutWav "$wav" 400 1 11025 8 >"$wav.mono8"
        seed SoundClipFuzz "$wav.cut"
        seed SoundClipFuzz "$wav.mono8"
        small+=("$wav.cut=$(basename "$wav")")
    done
    [ ${#small[@]} -gt 0 ] || continue
    "$paktool" create "$work/$name.small" "${small[@]}"
    seed PakArchiveFuzz "$work/$name.small"
    seed PakContentsFuzz "$work/$name.small"
    [ ${#sounds[@]} -gt 0 ] || seed ModelFuzz "$work/$name.small"
done

# Settings: the first start's file and one with every field changed.
{ le32 1; printf '\x01\x01\x01\x01'; for _ in 1 2 3 4 5; do le32 0; done; le32 1; } >"$work/settings1"
{ le32 1; printf '\x00\x00\x00\x00'; for _ in 1 2 3 4 5; do le32 1; done; le32 0; } >"$work/settings2"
seed SettingsFuzz "$work/settings1"
seed SettingsFuzz "$work/settings2"

# Progress: nothing in progress, and pieces placed in both sizes (checksums
# computed for these exact bytes).
printf '\114\120\122\107\001\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\073\000\037\314' >"$work/progress1"
printf '\114\120\122\107\001\000\000\000\122\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\376\377\377\377\377\377\000\000\105\043\001\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\003\000\000\000\000\000\000\000\340\022\341\250' >"$work/progress2"
seed ProgressFuzz "$work/progress1"
seed ProgressFuzz "$work/progress2"

# Texture descriptions, as a model names them.
for d in '?#Plasma64,64,10,20,30' '?#Fire32,16' '!#Plasma 8, 8, 300, 0, 255'; do
    printf '%s' "$d" >"$work/description"
    seed GeneratedTextureFuzz "$work/description"
done

# Photos: the smallest the game takes, as JPEG (baseline, progressive, grey,
# with an Exif orientation) and PNG (RGB, grey, with alpha), and the Exif
# block alone.
/usr/bin/convert -size 400x400 plasma:fractal -seed 2 -quality 40 "$work/photo.jpg" 2>/dev/null
/usr/bin/convert "$work/photo.jpg" -interlace Plane -quality 30 "$work/progressive.jpg"
/usr/bin/convert "$work/photo.jpg" -colorspace Gray -quality 30 "$work/grey.jpg"
/usr/bin/convert "$work/photo.jpg" -resize 400x400 "$work/photo.png"
/usr/bin/convert -size 400x400 gradient:black-white "$work/grey.png"
/usr/bin/convert "$work/photo.jpg" -alpha set -channel A -evaluate set 50% "$work/alpha.png"
exif='Exif\0\0MM\0\052\0\0\0\010\0\001\001\022\0\003\0\0\0\001\0\006\0\0\0\0\0\0'
printf "$exif" >"$work/exif"
{ printf '\377\330\377\341\0\042'; printf "$exif"; tail -c +3 "$work/photo.jpg"; } >"$work/turned.jpg"
for f in photo.jpg progressive.jpg grey.jpg photo.png grey.png alpha.png exif turned.jpg; do
    seed PhotoDecodeFuzz "$work/$f"
done
