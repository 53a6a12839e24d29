#!/usr/bin/env bash
# End to end: `quvplayer render --bench --per-instance` on a small demo lists every instance with
# its times, the drawn ones first, and refuses --per-instance without --bench.
set -euo pipefail
player=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Four instances without fields; "late" starts after the benchmarked range.
python3 - "$work/demodata.quv" <<'PY'
import struct, sys
def handle(tag, name, start, end, label):
    return struct.pack("<H", tag) + name.ljust(64, b"\0") + label.ljust(64, b"\0") + \
        struct.pack("<dd", start, end) + b"\0" * 24
b = handle(0x0100, b"OpenGL Clear", 0, 60000, b"the clear")
b += handle(0x0101, b"OpenGL Push Matrix", 0, 60000, b"push")
b += handle(0x0101, b"OpenGL Rotate", 0, 500, b"spin")
b += handle(0x0101, b"OpenGL Pop Matrix", 0, 60000, b"pop")
b += handle(0x0101, b"OpenGL Clear", 5000, 6000, b"late")
open(sys.argv[1], "wb").write(b)
PY
cd "$work"

"$player" render --bench --per-instance --size 64x48 --from 0 --to 1000 --fps 20 >out.txt \
    2>err.txt || fail "exit code $?: $(cat err.txt)"
cat out.txt
grep -q "^per instance, default path, 21 frames from 0 to 1000 ms" out.txt ||
    fail "no per-instance heading"
grep -q "total ms .*mean ms .*worst ms .*frames .*type .*label" out.txt || fail "no column heads"
# One line per instance: frames drawn, type and label; the one outside the range has dashes.
for row in "21 .*OpenGL Clear .*\"the clear\"" "21 .*OpenGL Push Matrix .*\"push\"" \
    "10 .*OpenGL Rotate .*\"spin\"" "21 .*OpenGL Pop Matrix .*\"pop\"" \
    "- .* 0 .*5000 .*OpenGL Clear .*\"late\""; do
    grep -Eq -- "$row\$" out.txt || fail "no line matching $row"
done
# The table is sorted by total time: the never-drawn instance comes last.
tail -n 1 out.txt | grep -q '"late"$' || fail "the instance never drawn is not last"
# The literal path on request.
"$player" render --bench --per-instance --literal --size 64x48 --from 0 --to 200 >lit.txt 2>&1 ||
    fail "--literal: exit code $?"
grep -q "^per instance, literal path" lit.txt || fail "--literal: not the literal path"

set +e
"$player" render --per-instance --size 64x48 >/dev/null 2>err.txt
[ $? = 2 ] || fail "--per-instance without --bench is not a usage error"
grep -q -- "--per-instance goes with --bench" err.txt || fail "no reason: $(cat err.txt)"
set -e
echo PASS
