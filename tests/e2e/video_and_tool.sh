#!/usr/bin/env bash
# quvtool compiles and decompiles a demo byte for byte; `quvplayer render --out FILE.mp4` writes
# a video whose sound follows "Music Speed" and lines up with its picture.
# Usage: video_and_tool.sh QUVPLAYER SOURCE_DIR
source "$(dirname "$0")/support/script_env.sh"

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

# The sound lines up with the picture: a flash and a tone both start at 1.5 s of music, after
# the music has turned to half speed at 0.5 s, so both come at 2.5 s of the video. Decoded back,
# the tone starts within one frame of the first red frame.
mkdir "$work/sync"
cat >"$work/sync/demo.json" <<'EOF'
{"handles": [
  {"type": "OpenGL Clear", "label": "flash", "start": 0, "end": 5000,
   "fields": {"Red": [[0, 0, "CONST"], [1500, 1, "CONST"]], "Alpha": [[0, 1]]}},
  {"type": "Music Speed", "label": "slow", "start": 500, "end": 1000,
   "fields": {"Percent": [[0, 50, "CONST"]]}}
]}
EOF
"$tool" compile "$work/sync/demo.json" -o "$work/sync/demodata.quv"
sox -q -n -r 44100 -c 2 "$work/sync/tone.wav" synth 1 sine 440 pad 1.5
lame --quiet "$work/sync/tone.wav" "$work/sync/plomarind.mp3"
"$player" render --dir "$work/sync" --size 32x24 --fps 100 --from 0 --to 2000 \
    --out "$work/sync/out.mp4" 2>"$work/render.err" || fail "render to mp4: $(cat "$work/render.err")"
python3 - "$work/sync/out.mp4" <<'PY' || fail "sound and picture apart"
import array, subprocess, sys
video, fps, width, height = sys.argv[1], 100, 32, 24
def decode(*args):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", video, *args, "-"],
                          capture_output=True, check=True).stdout
sound = array.array("h", decode("-f", "s16le", "-ac", "1", "-ar", "44100"))
peak = max(abs(s) for s in sound)
onset_ms = next(i for i, s in enumerate(sound) if abs(s) > peak // 4) / 44.1
pictures = decode("-f", "rawvideo", "-pix_fmt", "rgb24")
size = width * height * 3
centre = (height // 2 * width + width // 2) * 3
red = next(k for k in range(len(pictures) // size) if pictures[k * size + centre] > 128)
red_ms = red * 1000 / fps
print(f"tone at {onset_ms:.1f} ms, first red frame at {red_ms:.1f} ms")
ok = abs(onset_ms - red_ms) <= 1000 / fps and abs(red_ms - 2500) <= 1000 / fps
sys.exit(0 if ok else 1)
PY
echo "PASS"
