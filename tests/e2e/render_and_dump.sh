#!/usr/bin/env bash
# End to end: `quvplayer render` and `quvplayer dump` on small demo files, run as a user would.
set -euo pipefail
player=$1
src=$2
tool="$(dirname "$player")/quvtool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# demo.py TYPE... writes demodata.quv: the 240-byte Clear demo, optionally with extra bytes.
write_demo() {
    python3 - "$@" <<'PY'
import struct, sys
def handle(tag, name, start, end, label=b"label"):
    return struct.pack("<H", tag) + name.ljust(64, b"\0") + label.ljust(64, b"\0") + \
        struct.pack("<dd", start, end) + b"\0" * 24
def key(tag, t, v, kind, steps=0, nxt=0):
    return struct.pack("<HddB3xiII", tag, t, v, kind, steps, 0, nxt)
mode, path = sys.argv[1], sys.argv[2]
b = handle(0x0100, b"OpenGL Clear", 0, 60000) + struct.pack("<H", 0x0200) + \
    key(0x0300, 0, 0, 1) + key(0x0301, 1000, 1, 0)
if mode == "unknown":
    b += handle(0x0101, b"Nope", 0, 1, b"the label")
elif mode == "truncated":
    b = b[:-5]
elif mode == "unsorted":
    b += handle(0x0101, b"OpenGL Clear", 0, 1) + struct.pack("<H", 0x0200) + \
        key(0x0300, 500, 1, 2, 0) + key(0x0301, 100, 1, 1)
    b += handle(0x0101, b"OpenGL Clear", 0, 1) + struct.pack("<H", 0x0200) + \
        key(0x0300, 0, 1, 3, 0) + key(0x0301, 1, 1, 1) + key(0x0301, 2, 1, 1) + \
        key(0x0301, 3, 1, 1)
open(path, "wb").write(b)
PY
}
red_at() { convert "$1" -alpha off -format "%[fx:int(255*p{$2,$3}.r+0.5)]" info:; }

mkdir -p "$work/demo"
write_demo plain "$work/demo/demodata.quv"
cd "$work/demo"

# Clear through a real headless render: black, half red, full red.
"$player" render --size 64x48 --time 0 --out f0.png
"$player" render --size 64x48 --time 500 --out f500.png
"$player" render --size 64x48 --time 1000 --out f1000.png
[ "$(red_at f0.png 10 10)" = 0 ] || fail "frame at 0 ms is not black"
r=$(red_at f500.png 32 24); [ "$r" -ge 126 ] && [ "$r" -le 129 ] || fail "frame at 500 ms: red $r"
[ "$(red_at f1000.png 63 47)" = 255 ] || fail "frame at 1000 ms is not full red"
[ "$(identify -format %wx%h f500.png)" = 64x48 ] || fail "wrong frame size"

# Reproducible, and --dir works from elsewhere.
cd "$work"
"$player" render --dir demo --size 64x48 --time 500 --out again.png
cmp demo/f500.png demo/again.png || fail "the same render twice differs"

# A sequence: 0..1000 ms at 10 fps is 11 frames.
"$player" --dir demo render --size 16x12 --from 0 --to 1000 --fps 10 --out "seq/%03d.png"
[ "$(ls demo/seq | wc -l)" = 11 ] || fail "sequence frame count"
[ -f demo/seq/010.png ] || fail "sequence naming"

# Usage errors exit 2.
set +e
"$player" render --dir demo --size 0x5 >/dev/null 2>&1; [ $? = 2 ] || fail "--size 0x5"
"$player" render --dir demo --from 0 --to 10 --out plain.png >/dev/null 2>&1
[ $? = 2 ] || fail "sequence without a frame number"
"$player" render --dir demo --out '%s.png' >/dev/null 2>&1; [ $? = 2 ] || fail "--out %s"
"$player" dump --dir demo --bogus >/dev/null 2>&1; [ $? = 2 ] || fail "dump --bogus"
set -e

# dump: text, JSON and --check. The JSON is quvtool's text form with a "problems" array, so it
# compiles back to the file.
"$player" dump --dir demo | grep -q '"Red" .*2 keys' || fail "dump text"
"$player" dump --dir demo --json >dump.json
python3 - dump.json <<'PY' || fail "dump --json: $(cat dump.json)"
import json, sys
d = json.load(open(sys.argv[1]))
assert list(d) == ["handles", "problems"] and d["problems"] == [], d
h = d["handles"][0]
assert h["type"] == "OpenGL Clear" and h["label"] == "label", h
assert h["start"] == 0 and h["end"] == 60000, h
assert list(h["fields"]) == ["Red"], h
assert h["fields"]["Red"] == [{"time": 0, "value": 0, "kind": "LINEAR", "steps": 0},
                              {"time": 1000, "value": 1, "kind": "CONST", "steps": 0}], h
PY
"$tool" compile dump.json -o dumped.quv || fail "dump --json does not compile"
cmp demo/demodata.quv dumped.quv || fail "dump --json compiles to other bytes"
"$player" dump --dir "$src/examples/showcase" --json >showcase.json
"$tool" compile showcase.json -o showcase.quv || fail "the showcase's dump --json does not compile"
cmp "$src/examples/showcase/demodata.quv" showcase.quv ||
    fail "the showcase's dump --json compiles to other bytes"
"$player" dump --dir demo --check >/dev/null || fail "a good demo fails --check"

mkdir -p bad && cd bad
write_demo unsorted demodata.quv
set +e
out=$("$player" dump --check); rc=$?
set -e
[ $rc = 1 ] || fail "--check exit code $rc"
echo "$out" | grep -q "byte 446: .*key at 100 ms comes after a key at 500 ms" || fail "order: $out"
echo "$out" | grep -q "byte 412: .*curve key has fewer than three keys" || fail "curve: $out"
echo "$out" | grep -q "curve step count 0 is below 1" || fail "steps: $out"
# The same problems with their offsets in the JSON, which the compiler passes over.
"$player" dump --json >dump.json
python3 - dump.json <<'PY' || fail "dump --json problems: $(cat dump.json)"
import json, sys
d = json.load(open(sys.argv[1]))
offsets = [p["offset"] for p in d["problems"]]
assert 446 in offsets and 412 in offsets, d["problems"]
assert len(d["handles"]) == 3, d
PY
"$tool" compile dump.json -o dumped.quv || fail "a bad demo's dump --json does not compile"
cmp demodata.quv dumped.quv || fail "a bad demo's dump --json compiles to other bytes"

# Failures of the demo file: the message names what is wrong; the exit code is 1.
write_demo unknown demodata.quv
set +e
err=$("$player" render --size 8x8 --out x.png 2>&1); rc=$?
set -e
[ $rc = 1 ] || fail "unknown effect exit code $rc"
# The last box is the load error (start-up may first report missing images under gfx).
[ "$(echo "$err" | tail -n 1)" = "Plomarind demo: [Load Error] Effect not found: the label" ] ||
    fail "unknown: $err"
"$player" dump --check | grep -q 'effect type "Nope"' && fail "--check should exit 1" || true

write_demo truncated demodata.quv
set +e
err=$("$player" render --size 8x8 --out x.png 2>&1); rc=$?
set -e
[ $rc = 1 ] || fail "truncated exit code $rc"
echo "$err" | grep -q "^Plomarind demo: Read beyond end of file (demodata.quv, byte 208" ||
    fail "truncated: $err"

# Files that are not demos: dump --check refuses an empty one and a text; render refuses to run
# where there is no demo at all, naming the path and writing nothing.
: >demodata.quv
set +e
err=$("$player" dump --check 2>&1); rc=$?
set -e
[ $rc = 1 ] || fail "empty file: --check exit code $rc"
[ "$err" = "quvplayer dump: demodata.quv: not a demo file (it is empty)" ] || fail "empty: $err"
printf 'hello!\r\n' >demodata.quv
set +e
err=$("$player" dump --check 2>&1); rc=$?
set -e
[ $rc = 1 ] || fail "text file: --check exit code $rc"
grep -q "^quvplayer dump: demodata.quv: not a demo file" <<<"$err" || fail "text: $err"

mkdir -p ../nodemo && cd ../nodemo
set +e
err=$("$player" render --size 8x8 --from 0 --to 100 --out "shot%d.png" 2>&1); rc=$?
set -e
[ $rc = 1 ] || fail "no demo: render exit code $rc"
[ "$err" = "quvplayer render: no demo file: $PWD/demodata.quv" ] || fail "no demo: $err"
[ -z "$(ls)" ] || fail "no demo: render wrote $(ls)"

echo "render and dump: all checks passed"
