#!/usr/bin/env bash
# End to end: demo folders made to hurt the player. Loop-count fields far beyond their caps must
# still give a frame (the bounds below are generous: the caps keep a frame near a second) and be
# reported by `dump --check`; a demo file that is a FIFO must be refused, not waited on.
set -euo pipefail
player=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# write_demo PATH TYPE FIELD_INDEX VALUE: one instance over 0..1000 ms with one key.
write_demo() {
    python3 - "$@" <<'PY'
import struct, sys
path, name, index, value = sys.argv[1], sys.argv[2].encode("cp1252"), int(sys.argv[3]), float(sys.argv[4])
b = struct.pack("<H", 0x0100) + name.ljust(64, b"\0") + b"hostile".ljust(64, b"\0") + \
    struct.pack("<dd", 0, 1000) + b"\0" * 24
b += struct.pack("<H", 0x0200) + struct.pack("<H", 0x0201) * index
b += struct.pack("<HddB3xiII", 0x0300, 0, value, 0, 0, 0, 0)
open(path, "wb").write(b)
PY
}

cd "$work"
for crafted in "Kaleido 01:7:1e9" "Kaleido 01:7:inf" "Blur:0:1e300" "Blur 01:0:inf" \
            "Blur Horizontal:0:1e300" "Blur Vertical:0:inf" "Wash Vertical:0:1e300"; do
    IFS=: read -r type index value <<<"$crafted"
    write_demo demodata.quv "$type" "$index" "$value"
    timeout 120 "$player" render --size 160x120 --time 0 --out frame.png 2>/dev/null ||
        fail "$type at $value: no frame"
    [ -s frame.png ] || fail "$type at $value: empty frame"
    rm -f frame.png
    set +e
    out=$("$player" dump --check 2>&1)
    rc=$?
    set -e
    [ $rc -eq 1 ] || fail "$type at $value: dump --check exit $rc"
    grep -q "\"$type\" (label \"hostile\") field \".*\": key value .* is above the cap" <<<"$out" ||
        fail "$type at $value: no cap warning in: $out"
done

# A FIFO in place of the demo file: refused by name, at once.
rm -f demodata.quv
mkfifo demodata.quv
set +e
out=$(timeout 60 "$player" dump 2>&1)
rc=$?
set -e
[ $rc -eq 1 ] || fail "dump of a FIFO: exit $rc ($out)"
grep -q "is not a regular file" <<<"$out" || fail "dump of a FIFO: $out"
echo "hostile inputs: ok"
