#!/usr/bin/env bash
# Memory that does not grow with the inputs: a one-hour MP3 rendered to a one-second video and
# loaded by the player, and a 200 MB demo file of field tags read by render and dump, each peak
# under 400 MB of resident memory; a 200 MB demo file of keys rendered in under twice its size;
# an MP3 whose Info header claims 2^32 - 1 frames plays and renders like any other.
source "$(dirname "$0")/support/player_env.sh"

if [ ! -x /usr/bin/time ]; then
    echo "SKIP: /usr/bin/time is not installed"
    exit 0
fi
limit_kb=$((400 * 1024))
# Under the sanitizers the shadow memory and the quarantine make resident memory say nothing of
# the program's own; the inputs shrink and only the behaviour is checked.
sanitized=${QUV_SANITIZED:-0}
music_seconds=3600
[ "$sanitized" = 1 ] && music_seconds=300

# peak_kb FILE: the peak resident set that /usr/bin/time wrote to FILE.
peak_kb()
{
    tail -n 1 "$1"
}

# under_limit WHAT KB
under_limit()
{
    echo "$1: peak resident memory $2 kB"
    [ "$sanitized" = 1 ] || [ "$2" -lt "$limit_kb" ] || fail "$1 took $2 kB (limit $limit_kb kB)"
}

# long_mp3 SECONDS FILE: MPEG frames repeat; a 10-second piece written without an Info header
# (so that the copies join into one stream) repeated to the length.
long_mp3()
{
    sox -n -r 44100 -c 2 -b 16 "$WORK/piece.wav" synth 10 sine 330 sine 440 vol 0.2
    lame --quiet -t -b 32 --resample 44.1 "$WORK/piece.wav" "$WORK/piece.mp3"
    python3 -c "import sys; d = open(sys.argv[1], 'rb').read(); open(sys.argv[2], 'wb').write(d * int(sys.argv[3]))" \
        "$WORK/piece.mp3" "$2" $(($1 / 10))
    rm -f "$WORK/piece.wav" "$WORK/piece.mp3"
}

# lying_mp3 FILE: a 2-second MP3 whose Info header says 0xFFFFFFFF frames.
lying_mp3()
{
    make_mp3 2 "$1"
    python3 - "$1" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
at = data.find(b'Info')
if at < 0 or not data[at + 7] & 1:
    sys.exit('no Info header with a frame count')
data[at + 8:at + 12] = b'\xff\xff\xff\xff'
open(path, 'wb').write(data)
PY
}

# render_video DIR OUT: a one-second video of the demo, its peak memory in $WORK/time.txt.
render_video()
{
    /usr/bin/time -o "$WORK/time.txt" -f %M "$PLAYER" render --dir "$1" --size 64x48 \
        --from 0 --to 1000 --out "$2" >"$WORK/out.txt" 2>"$WORK/err.txt" ||
        fail "render of $1 failed"
    [ -s "$2" ] || fail "no video from $1"
    ! grep -q bad_alloc "$WORK/err.txt" || fail "render of $1: bad_alloc"
    if command -v ffprobe >/dev/null; then
        [ "$(ffprobe -v error -select_streams a -show_entries stream=codec_type -of csv=p=0 "$2")" = audio ] ||
            fail "the video of $1 has no sound track"
    fi
}

# play_peak DIR: starts the player on the demo, waits until the music plays for two seconds
# and prints the player's peak resident memory in kB; the player is then ended.
play_peak()
{
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$1" && exec "$PLAYER" --play --windowed --mode 320x240 2>"$WORK/err.txt") &
    local pid=$!
    wait_log Playing 600 || { kill "$pid" 2>/dev/null; fail "the player did not start the music"; }
    sleep 2
    kill -0 "$pid" 2>/dev/null || fail "the player ended while playing $1"
    local peak
    peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    ! grep -q bad_alloc "$WORK/err.txt" || fail "the player met bad_alloc"
    echo "$peak"
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir hour 2)
    rm "$dir/plomarind.mp3"
    long_mp3 "$music_seconds" "$dir/plomarind.mp3"
    under_limit "player, $music_seconds s of music" "$(play_peak "$dir")"
    lying=$(demo_dir lying 2)
    lying_mp3 "$lying/plomarind.mp3"
    # The stream plays to its real end, 2 s, and the player exits.
    start=$(date +%s.%N)
    rc=0
    (cd "$lying" && timeout -k 10 60 "$PLAYER" --play --windowed --mode 320x240 2>"$WORK/err.txt") ||
        rc=$?
    [ "$rc" -eq 0 ] || fail "lying header: the player exited with $rc"
    grep -q "debuglog: Playing$" "$WORK/err.txt" || fail "lying header: the music never played"
    ! grep -q "bad_alloc\|warning" "$WORK/err.txt" || fail "lying header: $(cat "$WORK/err.txt")"
    at_least "$(elapsed "$start")" 3.3 || fail "lying header: ended before the music did"
    exit 0
fi

# Render: an hour of music, and the sound track of one second of video from it.
hour="$WORK/hour"
mkdir -p "$hour"
write_demo "$hour/demodata.quv" "OpenGL Clear:0:600000:clear"
gfx_dir "$hour"
long_mp3 "$music_seconds" "$hour/plomarind.mp3"
render_video "$hour" "$WORK/hour.mp4"
under_limit "render, $music_seconds s of music" "$(peak_kb "$WORK/time.txt")"

# Render: the lying header.
lying="$WORK/lying"
mkdir -p "$lying"
write_demo "$lying/demodata.quv" "OpenGL Clear:0:600000:clear"
gfx_dir "$lying"
lying_mp3 "$lying/plomarind.mp3"
render_video "$lying" "$WORK/lying.mp4"
grep -q "wrote $WORK/lying.mp4" "$WORK/out.txt" "$WORK/err.txt" ||
    fail "lying header: no video written"

# A demo file of a handle and then nothing but field tags: 0x0200 selects the first field again
# (a file the player takes), 0x0201 runs past the last field (one it refuses).
tags_mb=200
[ "$sanitized" = 1 ] && tags_mb=20
for tag in 0x0200 0x0201; do
    tags="$WORK/tags$tag"
    mkdir -p "$tags"
    gfx_dir "$tags"
    python3 - "$tags/demodata.quv" "$tag" "$tags_mb" <<'PY'
import struct, sys
path, tag, mb = sys.argv[1], int(sys.argv[2], 16), int(sys.argv[3])
head = struct.pack('<H', 0x0100) + b'OpenGL Clear'.ljust(64, b'\0') + b'tags'.ljust(64, b'\0')
head += struct.pack('<dd6I', 0.0, 1000.0, 0, 0, 0, 0, 0, 0)
with open(path, 'wb') as out:
    out.write(head)
    block = struct.pack('<H', tag) * (1 << 20)
    for _ in range(mb * 1000 * 1000 // len(block)):
        out.write(block)
PY
    for command in render dump "dump --check"; do
        args=()
        [ "$command" = render ] && args=(--size 64x48 --time 0 --out "$WORK/tags.png")
        rc=0
        # shellcheck disable=SC2086
        /usr/bin/time -o "$WORK/time.txt" -f %M "$PLAYER" $command --dir "$tags" "${args[@]}" \
            >/dev/null 2>"$WORK/err.txt" || rc=$?
        # Read and refused are both answers; a crash is not.
        [ "$rc" -le 2 ] || fail "$command of tags $tag: exit code $rc"
        ! grep -q bad_alloc "$WORK/err.txt" || fail "$command of tags $tag: bad_alloc"
        under_limit "$command, $tags_mb MB of tags $tag" "$(peak_kb "$WORK/time.txt")"
    done
    rm -rf "$tags"
done

# A demo of one track of nothing but keys: it is loaded as it is read, so loading it takes about
# the memory of the keys it makes (40 bytes for each 34-byte record), not the file besides them.
keys="$WORK/keys"
mkdir -p "$keys"
gfx_dir "$keys"
python3 - "$keys/demodata.quv" "$tags_mb" <<'PY'
import struct, sys
path, mb = sys.argv[1], int(sys.argv[2])
head = struct.pack('<H', 0x0100) + b'OpenGL Clear'.ljust(64, b'\0') + b'keys'.ljust(64, b'\0')
head += struct.pack('<dd6I', 0.0, 1000.0, 0, 0, 0, 0, 0, 0) + struct.pack('<H', 0x0200)
key = struct.Struct('<HddB3xi8x')  # tag, time, value, kind, steps; next link 0
with open(path, 'wb') as out:
    out.write(head + key.pack(0x0300, 0.0, 0.5, 1, 0))
    count = mb * 1000 * 1000 // key.size
    for start in range(1, count, 100000):
        out.write(b''.join(key.pack(0x0301, float(i), 0.5, 1, 0)
                           for i in range(start, min(start + 100000, count))))
PY
keys_kb=$(($(stat -c %s "$keys/demodata.quv") / 1024))
/usr/bin/time -o "$WORK/time.txt" -f %M "$PLAYER" render --dir "$keys" --size 64x48 --time 0 \
    --out "$WORK/keys.png" >/dev/null 2>"$WORK/err.txt" || fail "render of $tags_mb MB of keys failed"
keys_peak=$(peak_kb "$WORK/time.txt")
under_limit "render, $tags_mb MB of keys" "$keys_peak"
[ "$sanitized" = 1 ] || [ "$keys_peak" -lt $((2 * keys_kb)) ] ||
    fail "render of $keys_kb kB of keys took $keys_peak kB, over twice the file"
rm -rf "$keys"

on_xvfb
echo PASS
