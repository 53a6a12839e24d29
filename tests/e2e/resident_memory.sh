#!/usr/bin/env bash
# The player's resident memory stays flat over 10,000 headless frames of a long generated demo:
# less than 1 MB of growth after the first frame, in the default and in the literal path.
set -euo pipefail
player=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=10000
if [ "${QUV_SANITIZED:-0}" = 1 ]; then
    frames=1500 # sanitizers make every frame several times slower
    # AddressSanitizer holds freed blocks in a quarantine, so the GL driver's per-frame
    # allocate-and-free (texture images redefined by copies) would read as growth.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-}:quarantine_size_mb=0"
fi

python3 - "$work/demodata.quv" <<'PY'
import struct, sys
types = [b"OpenGL Clear", b"OpenGL Camera", b"OpenGL Push Matrix", b"OpenGL Rotate",
         b"Csavarodos kockacucc", b"OpenGL Pop Matrix", b"RenderTarget Copy", b"Blur",
         b"RenderTarget Show", b"Color Fade", b"Music Speed", b"Kaleido 01", b"RGB Noise"]
out = bytearray()
first = True
for i in range(400):
    name = types[i % len(types)]
    start = (i // len(types)) * 3300.0
    out += struct.pack("<H", 0x0100 if first else 0x0101)
    out += name.ljust(64, b"\0") + b"generated".ljust(64, b"\0")
    out += struct.pack("<dd", start, start + 5000.0) + b"\0" * 24
    first = False
    if name == b"OpenGL Clear":
        out += struct.pack("<H", 0x0200)
        out += struct.pack("<HddB3xiII", 0x0300, start, 0.0, 1, 0, 0, 0)
        out += struct.pack("<HddB3xiII", 0x0301, start + 5000.0, 1.0, 0, 0, 0, 0)
    if name == b"OpenGL Camera":
        # Eye Z 12 and Up Y 1: a view the default path can draw (an all-zero look-at is
        # singular, and the default path hands singular views to the literal one).
        out += struct.pack("<HHH", 0x0200, 0x0201, 0x0201)
        out += struct.pack("<HddB3xiII", 0x0300, start, 12.0, 0, 0, 0, 0)
        out += struct.pack("<HHHHH", 0x0201, 0x0201, 0x0201, 0x0201, 0x0201)
        out += struct.pack("<HddB3xiII", 0x0300, start, 1.0, 0, 0, 0, 0)
open(sys.argv[1], "wb").write(out)
PY
to=$(( (frames - 1) * 10 ))
out=$("$player" render --dir "$work" --bench --size 64x48 --from 0 --to "$to" --fps 100)
echo "$out"
for path in default literal; do
    line=$(echo "$out" | grep "^$path ") || { echo "FAIL: no $path line"; exit 1; }
    echo "$line" | grep -q " $frames frames " || { echo "FAIL: $path frame count"; exit 1; }
    growth=$(echo "$line" | sed -E 's/.*resident \+?(-?[0-9]+) kB.*/\1/')
    [ "$growth" -lt 1024 ] || { echo "FAIL: $path resident memory grew by $growth kB"; exit 1; }
done
echo "resident memory: flat"
