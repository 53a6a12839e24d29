#!/usr/bin/env bash
# End to end: text from a demo that would command the terminal - a label that retitles it
# (ESC ] 0 ; title BEL) and recolours it (ESC [ 31 m), an image list line with ESC, file names
# with a line feed. Nothing the commands print holds a raw control byte, and the JSON form
# still reads back to the same label. Usage: hostile_text.sh QUVPLAYER SOURCE_DIR
set -euo pipefail
player=$(realpath "$1")
tool="$(dirname "$player")/quvtool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# no_raw_controls CASE FILE: the file holds no control byte but line feeds (C0, DEL, and the C1
# controls as UTF-8).
no_raw_controls()
{
    python3 - "$1" "$2" <<'PY'
import re, sys
data = open(sys.argv[2], "rb").read()
bad = re.search(rb"[\x00-\x09\x0b-\x1f\x7f]|\xc2[\x80-\x9f]", data)
if bad:
    sys.exit(f"FAIL: {sys.argv[1]}: raw control {bad.group()!r} at byte {bad.start()}: {data!r}")
PY
}

# write_demo PATH TYPE LABEL [FIELD_INDEX VALUE]: one instance over 0..1000 ms, with one key
# when a field is given. LABEL is given in Python's escapes.
write_demo()
{
    python3 - "$@" <<'PY'
import ast, struct, sys
path, name = sys.argv[1], sys.argv[2].encode("cp1252")
label = ast.literal_eval('b"' + sys.argv[3] + '"')
b = struct.pack("<H", 0x0100) + name.ljust(64, b"\0") + label.ljust(64, b"\0") + \
    struct.pack("<dd", 0, 1000) + b"\0" * 24
if len(sys.argv) > 4:
    index, value = int(sys.argv[4]), float(sys.argv[5])
    b += struct.pack("<H", 0x0200) + struct.pack("<H", 0x0201) * index
    b += struct.pack("<HddB3xiII", 0x0300, 0, value, 0, 0, 0, 0)
open(path, "wb").write(b)
PY
}

cd "$work"
label='\x1b]0;owned\x07\x1b[31mred\x9d\x7f'
# A Kaleido with its loop field over the cap: the check report quotes the label too.
write_demo demodata.quv "Kaleido 01" "$label" 7 1e9
"$player" dump >out.txt 2>&1 || fail "dump: exit code $?"
no_raw_controls "dump" out.txt
grep -qF 'label "\e]0;owned\x07\e[31mred\x9d\x7f"' out.txt || fail "dump: $(cat out.txt)"
"$player" dump --check >out.txt 2>&1 && fail "dump --check found nothing"
no_raw_controls "dump --check" out.txt
grep -qF '(label "\e]0;owned\x07\e[31mred\x9d\x7f")' out.txt || fail "dump --check: $(cat out.txt)"
QUV_DEBUGLOG=1 "$player" render --size 160x120 --time 0 --out frame.png >out.txt 2>&1 ||
    fail "render: exit code $?"
no_raw_controls "render" out.txt
# The JSON forms escape by JSON's rules and read back to the same bytes.
"$player" dump --json >out.json || [ $? -eq 1 ] || fail "dump --json failed"
no_raw_controls "dump --json" out.json
"$tool" decompile demodata.quv >text.json 2>err.txt || fail "decompile: $(cat err.txt)"
no_raw_controls "decompile" text.json
no_raw_controls "decompile messages" err.txt
python3 - <<'PY' || fail "the JSON forms lost the label"
import json
for name in ("out.json", "text.json"):
    label = json.load(open(name, encoding="utf-8"))["handles"][0]["label"]
    assert label == "\x1b]0;owned\x07\x1b[31mred\x9d\x7f", (name, label)
PY
"$tool" compile text.json -o again.quv 2>err.txt || fail "compile: $(cat err.txt)"
no_raw_controls "compile messages" err.txt
cmp -s <(head -c 130 demodata.quv) <(head -c 130 again.quv) || fail "the label changed on the way"

# The label in the load error of an unknown type, in a box's line on stderr.
write_demo demodata.quv "No Such Effect" "$label"
"$player" render --size 160x120 --time 0 --out frame.png >out.txt 2>&1 && fail "render: no error"
no_raw_controls "load error" out.txt
grep -qF 'Effect not found: \e]0;owned\x07\e[31mred\x9d\x7f' out.txt || fail "load error: $(cat out.txt)"

# An image list line with ESC: the loader's message names it escaped.
write_demo demodata.quv "OpenGL Clear" "plain"
mkdir gfx
printf 'a\033[2J\033]0;x\007.tga\r\n' >gfx/gfxslots
"$player" render --size 160x120 --time 0 --out frame.png >out.txt 2>&1 || fail "render: exit $?"
no_raw_controls "slot line" out.txt
grep -qF 'gfx/a\e[2J\e]0;x\x07.tga' out.txt || fail "slot line: $(cat out.txt)"

# File names with a line feed (and ESC), given on the command line.
name=$'demo\n\033[31m.quv'
cp demodata.quv "$name"
for args in "dump --file" "dump --check --file"; do
    # shellcheck disable=SC2086
    "$player" $args "$name" >out.txt 2>&1 || true
    no_raw_controls "$args with a line feed" out.txt
    grep -qF 'demo\n\e[31m.quv' out.txt || fail "$args: $(cat out.txt)"
done
"$player" dump --file $'no\nsuch' >out.txt 2>&1 && fail "dump of a missing file"
no_raw_controls "missing file" out.txt
"$tool" compile $'no\nsuch.json' -o x.quv >out.txt 2>&1 && fail "compile of a missing file"
no_raw_controls "compile of a missing file" out.txt
grep -qF 'no\nsuch.json' out.txt || fail "compile of a missing file: $(cat out.txt)"
"$tool" decompile "$name" -o $'out\n.json' >out.txt 2>&1 || fail "decompile: $(cat out.txt)"
no_raw_controls "decompile with a line feed" out.txt
echo "hostile text: ok"
