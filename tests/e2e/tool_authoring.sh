#!/usr/bin/env bash
# The author's loop through quvtool: compile warns about what a player would meet (with the line
# and pointer), --strict refuses to write, musical times survive decompiling with --bpm byte for
# byte. Usage: tool_authoring.sh QUVPLAYER SOURCE_DIR
source "$(dirname "$0")/support/script_env.sh"

cat >"$work/show.json" <<'EOF2'
{"bpm": 120, "offset": 40,
 "handles": [
  {"type": "OpenGL Clear", "start": "1:1", "end": "9:1",
   "fields": {"Red": [["1:1", 0], ["2:1", 1],
                      ["1:3.5", 0]]}}
]}
EOF2
"$tool" compile "$work/show.json" -o "$work/show.quv" 2>"$work/err" || fail "warnings stopped compile"
[ -f "$work/show.quv" ] || fail "nothing written"
grep -qx "$work/show.json:5: /handles/0/fields/Red/2/0: .*keys out of time order" "$work/err" ||
    fail "warning: $(cat "$work/err")"
if "$tool" compile "$work/show.json" -o "$work/strict.quv" --strict 2>"$work/err"; then
    fail "--strict compiled a demo with a problem"
fi
[ ! -e "$work/strict.quv" ] || fail "--strict wrote a file"
checked=$("$player" dump --check --file "$work/show.quv") && fail "dump --check found nothing"
echo "$checked" | grep -q "keys out of time order" ||
    fail "dump --check does not report what compile warned about: $checked"

"$tool" decompile "$work/show.quv" --bpm 120 --offset 40 -o "$work/again.json"
grep -q '"end": "9:1"' "$work/again.json" || fail "no bars and beats: $(cat "$work/again.json")"
"$tool" compile "$work/again.json" -o "$work/again.quv" 2>/dev/null
cmp "$work/show.quv" "$work/again.quv" || fail "decompile --bpm and compile changed the bytes"

# Effect types are looked up in any case, with a suggestion when nothing matches.
"$tool" fields "blur 01" | grep -q '^"Factor" .* 0 .* 0 .* 16 .*strength' ||
    fail "fields blur 01: $("$tool" fields "blur 01")"
if "$tool" fields "blur 1" 2>"$work/err"; then
    fail "an unknown type was listed"
fi
grep -qx "quvtool: no effect type 'blur 1'; did you mean 'Blur 01'?" "$work/err" ||
    fail "suggestion: $(cat "$work/err")"
"$tool" docs | cmp - "$2/docs/effects.md" || fail "docs/effects.md is not what quvtool docs writes"
