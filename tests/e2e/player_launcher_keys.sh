# The launcher from the keyboard and the mouse: Escape closes it like "X", Space unticks
# "Fullscreen" and Enter plays windowed, Up/Down keep a mode chosen, a double-click on a mode
# plays it. A screenshot of the launcher shows its picture, with the whole "Fullscreen" label.
source "$(dirname "$0")/support/player_env.sh"

LAUNCHER="^(PLOMARIND Demo by Qem|Qem's DemoEditor v0.1 \\[FPS:[0-9]*\\])\$"

# launch ARGS...: starts the launcher ($pid) and waits for its window ($id).
launch()
{
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" "$@" 2>"$WORK/err.txt") &
    pid=$!
    id=$(wait_window "$LAUNCHER") || fail "no launcher"
    sleep 0.5
}

finish()
{
    gone_within "$pid" 20 || fail "$1: still running"
    [ "$rc" -eq 0 ] || fail "$1: exit code $rc"
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir keys 1)

    launch
    import -window root "$WORK/launcher.png"
    shows_picture "$WORK/launcher.png" || fail "the launcher's screenshot is black"
    if [ -n "${QUV_SHOTS:-}" ]; then cp "$WORK/launcher.png" "$QUV_SHOTS/"; fi
    xdotool windowfocus --sync "$id" key Escape
    finish Escape
    ! grep -q "debuglog: Pre-roll$" "$WORK/err.txt" || fail "Escape played the demo"

    launch
    xdotool windowfocus --sync "$id" key space key Down key Up key Return
    finish "Space, Enter"
    grep -q "debuglog: Create GL window 640x480 windowed$" "$WORK/err.txt" ||
        fail "Space, Enter: not the first mode, windowed"
    grep -q "debuglog: Post-roll$" "$WORK/err.txt" || fail "Enter did not play"

    launch --windowed
    xdotool windowfocus --sync "$id" key space key Return
    finish "Space from windowed"
    grep -q "debuglog: Create GL window 640x480 full-screen$" "$WORK/err.txt" ||
        fail "Space did not tick Fullscreen"

    # The first entry of the list sits at (16, 97) in the form.
    launch --windowed --mode 320x240
    xdotool mousemove --window "$id" 40 96 click --repeat 2 --delay 80 1
    finish "double-click"
    grep -q "debuglog: Create GL window 640x480 windowed$" "$WORK/err.txt" ||
        fail "double-click did not play the mode clicked"
    exit 0
fi
on_xvfb
echo PASS
