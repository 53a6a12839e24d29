#!/usr/bin/env bash
# `quvplayer render` video export at its edges: every listed container, exact frame rates, files
# that appear only when complete, the options' messages, the sound-only export, and a flash and
# a click that stay within one frame of each other at 30 and 60000/1001 fps, with and without
# "Music Speed" slowing the clock before them.
# Usage: video_export.sh QUVPLAYER SOURCE_DIR
source "$(dirname "$0")/support/script_env.sh"
if ! command -v ffmpeg >/dev/null || ! command -v lame >/dev/null; then
    echo "SKIP: video export needs ffmpeg and lame"
    exit 0
fi

# demo DIR FPS SLOW: a black demo that flashes white for one frame at 1500 ms of music, over
# music that clicks at 1500 ms; with SLOW=1 "Music Speed" turns the music to 50 % at 500 ms (the
# rate holds after the instance ends), so the flash comes at 2500 ms of video instead of 1500.
demo() {
    local dir=$1 fps=$2 slow=$3
    mkdir -p "$dir"
    python3 - "$dir" "$fps" "$slow" <<'PY'
import json, struct, sys, wave
from fractions import Fraction
dir, fps, slow = sys.argv[1], Fraction(sys.argv[2]), sys.argv[3] == "1"
frame_ms = 1000 / fps
handles = [
    {"type": "OpenGL Clear", "label": "black", "start": 0, "end": 5000,
     "fields": {"Alpha": [[0, 1]]}},
    # Exactly one frame position falls in [1500, 1500 + one frame of music).
    {"type": "OpenGL Clear", "label": "flash", "start": 1500,
     "end": 1500 + int(frame_ms * (Fraction(1, 2) if slow else 1)) - 1,
     "fields": {"Red": [[0, 1]], "Green": [[0, 1]], "Blue": [[0, 1]], "Alpha": [[0, 1]]}},
]
if slow:
    handles.append({"type": "Music Speed", "label": "slow", "start": 500, "end": 1000,
                    "fields": {"Percent": [[0, 50, "CONST"]]}})
json.dump({"handles": handles}, open(f"{dir}/demo.json", "w"))
rate = 44100
samples = [0] * (3 * rate)
for i in range(int(1.5 * rate), int(1.5 * rate) + 88):  # a 2 ms click
    samples[i] = 30000 if (i // 11) % 2 == 0 else -30000
with wave.open(f"{dir}/click.wav", "wb") as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(rate)
    w.writeframes(struct.pack(f"<{len(samples)}h", *samples))
PY
    "$tool" compile "$dir/demo.json" -o "$dir/demodata.quv"
    lame --quiet -b 192 "$dir/click.wav" "$dir/plomarind.mp3"
}

# sync FILE FPS EXPECTED_MS: the click's sample and the flash's frame agree within one frame,
# and both come at EXPECTED_MS of the video.
sync() {
    python3 - "$@" <<'PY' || fail "sound and picture apart in $1"
import array, subprocess, sys
from fractions import Fraction
video, fps, expected = sys.argv[1], Fraction(sys.argv[2]), float(sys.argv[3])
frame_ms = float(1000 / fps)
def decode(*args):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", video, *args, "-"],
                          capture_output=True, check=True).stdout
sound = array.array("h", decode("-f", "s16le", "-ac", "1", "-ar", "44100"))
peak = max(abs(s) for s in sound)
click_ms = next(i for i, s in enumerate(sound) if abs(s) > peak // 2) / 44.1
pictures = decode("-f", "rawvideo", "-pix_fmt", "gray")
size = 32 * 24
lit = [k for k in range(len(pictures) // size) if pictures[k * size + size // 2 + 16] > 128]
flash_ms = lit[0] * frame_ms
print(f"{video}: click at {click_ms:.1f} ms, flash frame {lit} at {flash_ms:.1f} ms")
ok = len(lit) == 1 and abs(click_ms - flash_ms) <= frame_ms and abs(flash_ms - expected) <= frame_ms
sys.exit(0 if ok else 1)
PY
}

# Sync at 30 and 60000/1001 frames per second, the clock plain and slowed before the flash.
for fps in 30 60000/1001; do
    for slow in 0 1; do
        dir="$work/sync-${fps%%/*}-$slow"
        demo "$dir" "$fps" "$slow"
        "$player" render --dir "$dir" --size 32x24 --fps "$fps" --from 0 --to 2500 \
            --out "$dir/out.mp4" 2>"$work/err" || fail "render: $(cat "$work/err")"
        sync "$dir/out.mp4" "$fps" $([ "$slow" = 1 ] && echo 2500 || echo 1500)
    done
done
rate=$(ffprobe -v error -select_streams v -show_entries stream=r_frame_rate -of csv=p=0 \
    "$work/sync-60000-0/out.mp4")
[ "$rate" = 60000/1001 ] || fail "the container's frame rate is $rate"

# Every listed container, into a folder that does not exist yet: ffprobe reads it, it holds the
# frames of the range (0 to 2500 ms at 30 fps: 76 frames) and its sound ends within one frame of
# its pictures. The last line says what was written.
d="$work/sync-30-0"
for ext in mp4 mkv mov webm avi; do
    out="$work/new/folder/demo.$ext"
    "$player" render --dir "$d" --size 32x24 --fps 30 --from 0 --to 2500 --out "$out" \
        2>"$work/err" || fail ".$ext: $(cat "$work/err")"
    tail -n 1 "$work/err" | grep -q "^quvplayer render: wrote $out (2\.533 s at 30 fps, .* kB)$" ||
        fail ".$ext last line: $(cat "$work/err")"
    python3 - "$out" 30 76 <<'PY' || fail ".$ext does not hold what was rendered"
import json, subprocess, sys
path, fps, frames = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
probe = json.loads(subprocess.run(
    ["ffprobe", "-v", "error", "-count_frames", "-show_entries",
     "stream=codec_type,codec_name,nb_read_frames:packet=stream_index,pts_time,dts_time,duration_time",
     "-of", "json", path], capture_output=True, check=True).stdout)
video = next(s for s in probe["streams"] if s["codec_type"] == "video")
audio = next(s for s in probe["streams"] if s["codec_type"] == "audio")
ends = {}
for p in probe["packets"]:
    kind = probe["streams"][p["stream_index"]]["codec_type"]
    at = p.get("pts_time", p.get("dts_time"))
    end = float(at) + float(p.get("duration_time") or 0)
    ends[kind] = max(ends.get(kind, 0.0), end)
print(path, video["codec_name"], audio["codec_name"], video["nb_read_frames"], ends)
ok = int(video["nb_read_frames"]) == frames and abs(ends["audio"] - ends["video"]) <= 1 / fps
sys.exit(0 if ok else 1)
PY
done
[ -z "$(find "$work/new" -name '.*')" ] || fail "temporary files left: $(ls -A "$work/new/folder")"

# The sound alone, as the slowed clock plays it: the click at 2500 ms; 500 ms of music at full
# speed and 2000 at half make 4500 ms.
"$player" render --dir "$work/sync-30-1" --fps 30 --from 0 --to 2500 --audio-only "$work/sound/only.wav" \
    2>"$work/err" || fail "--audio-only: $(cat "$work/err")"
python3 - "$work/sound/only.wav" <<'PY' || fail "--audio-only sound"
import array, sys, wave
w = wave.open(sys.argv[1])
sound = array.array("h", w.readframes(w.getnframes()))[::w.getnchannels()]
click_ms = next(i for i, s in enumerate(sound) if abs(s) > 10000) * 1000 / w.getframerate()
print(f"only.wav: {len(sound) / w.getframerate():.3f} s, click at {click_ms:.1f} ms")
length_ms = len(sound) * 1000 / w.getframerate()
sys.exit(0 if abs(click_ms - 2500) <= 1000 / 30 and abs(length_ms - 4500) <= 1000 / 30 else 1)
PY

# A failed render leaves an existing file of the name untouched and no temporary file: an
# ffmpeg that fails at the final mux, and an interrupt part way through.
mkdir "$work/bin" "$work/keep"
cat >"$work/bin/ffmpeg" <<FAKE
#!/bin/sh
case "\$*" in *.part.*) exit 1 ;; esac
exec $(command -v ffmpeg) "\$@"
FAKE
chmod +x "$work/bin/ffmpeg"
echo "the old video" >"$work/keep/demo.mp4"
if PATH="$work/bin:$PATH" "$player" render --dir "$d" --size 32x24 --to 500 \
    --out "$work/keep/demo.mp4" 2>"$work/err"; then
    fail "a failed mux succeeded"
fi
grep -q "ffmpeg failed to write $work/keep/demo.mp4" "$work/err" || fail "$(cat "$work/err")"
[ "$(cat "$work/keep/demo.mp4")" = "the old video" ] || fail "the old file changed"
[ "$(ls -A "$work/keep")" = demo.mp4 ] || fail "left behind: $(ls -A "$work/keep")"
# Its own TMPDIR, so that no folder left by another render can stand for this one's.
mkdir -p "$work/tmp"
TMPDIR="$work/tmp" "$player" render --dir "$d" --size 320x240 --fps 1000 --from 0 --to 2500 \
    --out "$work/keep/demo.mp4" 2>"$work/err" &
pid=$!
for _ in $(seq 100); do compgen -G "$work/tmp/quvvideo.*/pictures.nut" >/dev/null && break; sleep 0.05; done
kill -INT "$pid"
rc=0
wait "$pid" || rc=$?
[ "$rc" = 130 ] || fail "interrupted render exited $rc: $(cat "$work/err")"
grep -q "quvplayer render: interrupted" "$work/err" || fail "$(cat "$work/err")"
[ "$(cat "$work/keep/demo.mp4")" = "the old video" ] || fail "the old file changed"
[ "$(ls -A "$work/keep")" = demo.mp4 ] || fail "left behind: $(ls -A "$work/keep")"
[ -z "$(ls -A "$work/tmp")" ] || fail "temporary files left behind: $(ls -A "$work/tmp")"

# Messages: unknown kinds, sizes, rates, encoders.
check() { # check "EXPECTED TEXT" ARGS...: a usage error with that message
    local expected=$1
    shift
    local rc=0
    "$player" render --dir "$d" "$@" >/dev/null 2>"$work/err" || rc=$?
    [ "$rc" = 2 ] || fail "$* exited $rc"
    grep -qF -- "$expected" "$work/err" || fail "$*: $(cat "$work/err")"
}
check "--out cannot write 'x.jpg': it takes .png or a video (.mp4, .mkv, .mov, .webm, .avi)" \
    --out x.jpg
check "--out cannot write 'x.bmp'" --out x.bmp
check "--size 20000x100 cannot be rendered: width and height lie from 1 to 16384" --size 20000x100
check "draws 24000x300 frames, beyond the largest, 16384x16384" --size 8000x100 --supersample 3
check "--to 1 lies before --from 5" --from 5 --to 1
check "--to takes a number, not 'inf'" --to inf
check "--fps takes a rate above 0 and up to 1000: N, N.M or NUM/DEN" --fps 0.0
check "--codec libx264 cannot write .webm; it takes libvpx-vp9" --codec libx264 --out a.webm
check "--audio-only writes .wav, .flac, not 'a.mp3'" --audio-only a.mp3
"$player" render --dir "$d" --size 33x25 --to 100 --out "$work/odd.mp4" 2>"$work/err"
grep -q "the 33x25 frames are padded with black to 34x26" "$work/err" || fail "$(cat "$work/err")"
rc=0
"$player" render --dir "$d" --from 0 --to 1e12 --out "$work/long.mp4" 2>"$work/err" || rc=$?
[ "$rc" = 1 ] && grep -q "the range would take 30000000000 frames; at most 10000000" \
    "$work/err" || fail "an endless range: $(cat "$work/err")"

# --supersample: the showcase's hard-edged cubes get soft edges, seen as many more colours in
# the frame, at the size asked for.
colours() {
    ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgb24 - |
        python3 -c "import sys; b = sys.stdin.buffer.read()
print(len({b[i:i + 3] for i in range(0, len(b), 3)}))"
}
"$player" render --dir "$2/examples/showcase" --size 64x48 --time 20000 --out "$work/hard.png" \
    2>/dev/null
"$player" render --dir "$2/examples/showcase" --size 64x48 --time 20000 --supersample 4 \
    --out "$work/soft.png" 2>/dev/null
hard=$(colours "$work/hard.png")
soft=$(colours "$work/soft.png")
[ "$soft" -gt $((hard * 2)) ] || fail "supersampled frame has $soft colours, plain $hard"
[ "$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$work/soft.png")" = 64,48 ] ||
    fail "supersampled frame size"

# On a terminal the progress bar's total is known from the first frame, even though "Music
# Speed" stretches the range, and it shows the rate and the time left.
if command -v script >/dev/null; then
    script -qec "'$player' render --dir '$work/sync-30-1' --size 32x24 --from 0 --to 2500 \
        --out '$work/bar/%03d.png'" /dev/null | tr '\r' '\n' >"$work/bar.txt"
    totals=$(grep -o 'frame [0-9]*/[0-9]*' "$work/bar.txt" | cut -d/ -f2 | sort -u)
    [ "$totals" = 136 ] || fail "progress totals: $totals"
    grep -q '100% frame 136/136 .* fps ETA 0:00:00' "$work/bar.txt" || fail "$(cat "$work/bar.txt")"
fi
echo "PASS"
