# Shared by the player's end-to-end scripts: a scratch demo directory, a short MP3 made with
# sox and lame, demo files written byte by byte, and a virtual X display.
#
# Scripts source this with the player binary in $1 and the source tree in $2. Each scenario
# runs inside its own Xvfb, as a function of this script called back through "inside".

set -euo pipefail
PLAYER=$(readlink -f "$1")
SRCDIR=$(readlink -f "$2")
SELF=$(readlink -f "$0")
export ALSOFT_DRIVERS=null
export QUV_DEBUGLOG=1
# Under the sanitizers the memory checks stay on but leak detection is off for these runs: SDL
# unloads the display libraries it opened at exit, and their allocations then show up as leaks
# of unknown modules that no suppression can name. Our own code's leaks are checked by the unit
# tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

for tool in xvfb-run xdotool sox lame python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 0
    fi
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

fail()
{
    echo "FAIL: $*" >&2
    if [ -f "$WORK/err.txt" ]; then
        echo "--- player stderr:" >&2
        cat "$WORK/err.txt" >&2
    fi
    exit 1
}

# make_mp3 SECONDS FILE: a quiet stereo tone at 44.1 kHz.
make_mp3()
{
    sox -n -r 44100 -c 2 -b 16 "$WORK/tone.wav" synth "$1" sine 330 vol 0.2
    lame --quiet -b 64 "$WORK/tone.wav" "$2"
    rm -f "$WORK/tone.wav"
}

# write_demo FILE TYPE:START:END:LABEL...: handle records with no fields (every field reads 0).
write_demo()
{
    python3 - "$@" <<'PY'
import struct, sys
out = bytearray()
for i, entry in enumerate(sys.argv[2:]):
    typ, start, end, label = entry.split(':')
    out += struct.pack('<H', 0x0100 if i == 0 else 0x0101)
    out += typ.encode('cp1252').ljust(64, b'\0') + label.encode('cp1252').ljust(64, b'\0')
    out += struct.pack('<dd6I', float(start), float(end), 0, 0, 0, 0, 0, 0)
open(sys.argv[1], 'wb').write(out)
PY
}

# gfx_dir DIR: the images every start-up loads (a star texture and an empty slot list), so that
# no "File not found" box waits for a click.
gfx_dir()
{
    mkdir -p "$1/gfx"
    : >"$1/gfx/gfxslots"
    # A 2 x 2, 24-bit uncompressed TGA.
    printf '\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\30\0' >"$1/gfx/stars1.tga"
    printf '\377\377\377\377\377\377\377\377\377\377\377\377' >>"$1/gfx/stars1.tga"
}

# demo_dir NAME MUSIC_SECONDS: a directory with plomarind.mp3, the start-up images and a demo
# that clears the frame.
demo_dir()
{
    local dir="$WORK/$1"
    mkdir -p "$dir"
    make_mp3 "$2" "$dir/plomarind.mp3"
    write_demo "$dir/demodata.quv" "OpenGL Clear:0:600000:clear"
    gfx_dir "$dir"
    echo "$dir"
}

# on_xvfb FUNCTION ARGS...: runs a function of the calling script on a fresh virtual display.
# Each script starts its own server (own_xvfb), so scripts that run side by side never race for
# one display, as they can with xvfb-run -a.
on_xvfb()
{
    (
        own_xvfb
        rc=0
        bash "$SELF" "$PLAYER" "$SRCDIR" inside "$@" || rc=$?
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        exit "$rc"
    )
}

# window_named REGEX: the id of a top-level window whose name matches. SDL's message boxes carry
# no class and xdotool's search does not see them, so the tree is read with xwininfo.
window_named()
{
    if command -v xwininfo >/dev/null; then
        xwininfo -root -children 2>/dev/null |
            sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)": .*/\1 \2/p' |
            while read -r id name; do
                if [[ "$name" =~ $1 ]]; then
                    echo "$id"
                    break
                fi
            done
    else
        xdotool search --name "$1" 2>/dev/null | head -n 1 || true
    fi
}

# wait_window REGEX [TENTHS]: the id of the first mapped window whose name matches, or nothing.
# The player names its window before it shows it; focusing it then fails with BadMatch.
wait_window()
{
    local tries=${2:-100}
    for _ in $(seq "$tries"); do
        local id
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# press REGEX KEY: focuses the window and sends the key; false when no such window appears.
press()
{
    local id
    id=$(wait_window "$1") || return 1
    xdotool windowfocus --sync "$id" key "$2"
}

# dismiss PID REGEX KEY: until the process ends, answers every window whose name matches with
# the key. Where the display cannot show message boxes (no X fonts), the player prints them
# and takes their default answer by itself, and there is nothing to press.
dismiss()
{
    local pid=$1 id
    while kill -0 "$pid" 2>/dev/null; do
        id=$(window_named "$2")
        if [ -n "$id" ]; then
            xdotool windowfocus --sync "$id" key "$3" 2>/dev/null || true
        fi
        sleep 0.2
    done
}

# elapsed START: seconds since START (from date +%s.%N), as a decimal.
elapsed()
{
    python3 -c "import sys,time; print(round(time.time() - float(sys.argv[1]), 2))" "$1"
}

# at_least A B: true when A >= B (decimals).
at_least()
{
    python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) >= float(sys.argv[2]) else 1)" "$1" "$2"
}

# own_xvfb: a virtual display this script can end itself. Sets DISPLAY and XVFB_PID. The number
# is drawn at random from a wide range rather than the lowest free one: a server that another
# script is just ending still holds its sockets for a moment, and a new server on the number it
# freed could lose its socket to that server's clean-up. A number in use makes the server exit;
# another is then tried. -noreset: by default the server resets when its last client leaves, and
# a player started during the reset could not connect.
own_xvfb()
{
    local fd_file="$WORK/displayfd" number
    for _ in $(seq 20); do
        number=$((100 + RANDOM % 30000))
        : >"$fd_file"
        Xvfb ":$number" -displayfd 1 -screen 0 640x480x24 -nolisten tcp -noreset >"$fd_file" 2>/dev/null &
        XVFB_PID=$!
        for _ in $(seq 100); do
            [ -s "$fd_file" ] && break
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        if [ -s "$fd_file" ]; then
            export DISPLAY=":$(head -n 1 "$fd_file")"
            return 0
        fi
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    done
    fail "Xvfb did not start"
}

# wait_log LINE [TENTHS]: waits until the player's stderr holds the debug line.
wait_log()
{
    for _ in $(seq "${2:-100}"); do
        grep -q "debuglog: $1\$" "$WORK/err.txt" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# gone_within PID SECONDS: true when the process ends within the time; its exit code in $rc.
# The process must be a child of this shell.
gone_within()
{
    local tenths
    tenths=$(python3 -c "print(int(float('$2') * 10))")
    for _ in $(seq "$tenths"); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$1" 2>/dev/null; then
        kill -KILL "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
        return 1
    fi
    rc=0
    wait "$1" || rc=$?
}

# shows_picture PNG: true when the screenshot has a pixel brighter than black.
shows_picture()
{
    local max
    max=$(convert "$1" -colorspace Gray -format '%[fx:maxima]' info: 2>/dev/null || echo 0)
    python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) > 0.05 else 1)" "$max"
}

# write_red_demo FILE: "OpenGL Clear" with its Red field held at 1, so that the picture is red.
write_red_demo()
{
    python3 - "$1" <<'PY'
import struct, sys
out = struct.pack('<H', 0x0100) + b'OpenGL Clear'.ljust(64, b'\0') + b'red'.ljust(64, b'\0')
out += struct.pack('<dd6I', 0.0, 600000.0, 0, 0, 0, 0, 0, 0)
out += struct.pack('<H', 0x0200) + struct.pack('<HddB3xiII', 0x0300, 0.0, 1.0, 0, 0, 0, 0)
open(sys.argv[1], 'wb').write(out)
PY
}

# red_share PNG: the share of the picture's pixels that are red, from 0 to 1.
red_share()
{
    convert "$1" -alpha off -fuzz 20% -fill black +opaque red -fill white -opaque red \
        -colorspace Gray -format "%[fx:mean]" info:
}

# The player's GL window.
GL="^Plomarind - Qem's Demo System v1.1\$"

# play ARGS...: the player on the demo in $dir, windowed at 320 x 240, in the background ($pid),
# once its music plays ($started, the time it did) and its window is up ($gl).
play()
{
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" --play --windowed --mode 320x240 "$@" 2>"$WORK/err.txt") &
    pid=$!
    wait_log Playing || fail "the music did not start"
    started=$(date +%s.%N)
    gl=$(wait_window "$GL") || fail "no GL window"
}
