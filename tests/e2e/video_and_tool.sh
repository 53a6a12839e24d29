#!/usr/bin/env bash
# quvtool compiles and decompiles a demo byte for byte; `quvplayer render --out FILE.mp4` writes
# a video whose sound follows "Music Speed". Usage: video_and_tool.sh QUVPLAYER SOURCE_DIR
set -euo pipefail
player=$1
tool="$(dirname "$player")/quvtool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cat >"$work/demo.json" <<'EOF'
// red rises over the first second; the music runs at half speed from 1 s to 2 s of its time
{"handles": [
  {"type": "OpenGL Clear", "label": "r\u00e9d", "start": 0, "end": 5000,
   "fields": {"Red": [[0, 0], [1000, 1, "CONST"]], "Alpha": [[0, 1]]}},
  {"type": "Music Speed", "label": "slow", "start": 1000, "end": 2100,
   "fields": {"Percent": [[0, 50, "CONST"], [2000, 100, "CONST"]]}}
]}
EOF
"$tool" compile "$work/demo.json" -o "$work/demodata.quv"
"$tool" decompile "$work/demodata.quv" -o "$work/again.json"
"$tool" compile "$work/again.json" -o "$work/again.quv"
cmp "$work/demodata.quv" "$work/again.quv" || fail "decompile and compile changed the bytes"
grep -q '"label": "réd"' "$work/again.json" || fail "label not shown as UTF-8"
if "$tool" compile <(echo '{"handles": [{"type": "OpenGL Clear", "start": 0, "end": 1,
    "fields": {"Reed": []}}]}') -o "$work/bad.quv" 2>"$work/err"; then
    fail "an unknown field compiled"
fi
grep -q '/handles/0/fields/Reed' "$work/err" || fail "no location in: $(cat "$work/err")"

if ! command -v ffmpeg >/dev/null || ! command -v sox >/dev/null || ! command -v lame >/dev/null; then
    echo "SKIP: video check needs ffmpeg, sox and lame"
    exit 0
fi
sox -q -n -r 44100 -c 2 "$work/tone.wav" synth 3 sine 440
lame --quiet "$work/tone.wav" "$work/plomarind.mp3"
"$player" render --dir "$work" --size 64x48 --fps 25 --from 0 --to 3000 --out "$work/out.mp4" \
    2>"$work/render.err" || fail "render to mp4: $(cat "$work/render.err")"
streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$work/out.mp4" | sort | tr '\n' ' ')
[ "$streams" = "audio video " ] || fail "streams: $streams"
# 3 s of music with one of its seconds at half speed take 4 s to play.
duration=$(ffprobe -v error -select_streams a -show_entries stream=duration -of csv=p=0 "$work/out.mp4")
awk -v d="$duration" 'BEGIN { exit !(d > 3.8 && d < 4.2) }' || fail "sound lasts $duration s"
frames=$(ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames \
    -of csv=p=0 "$work/out.mp4")
[ "$frames" -ge 99 ] && [ "$frames" -le 102 ] || fail "$frames frames"
echo "PASS"
