# The launcher: its caption after one second, Play (the preselected mode, no list click) runs
# the demo to the end, and the "X" button ends the program without playing. Also the refused
# full-screen mode: Yes plays windowed, No ends the run with "Program Will Now Close.".
source "$(dirname "$0")/support/player_env.sh"

# Positions in the 234 x 393 launcher: "Play" at (96, 348) 89 x 33, "X" at (192, 348) 33 x 33.
click_in_launcher()
{
    local id
    id=$(wait_window "^Qem's DemoEditor v0.1 \\[FPS:0\\]\$" 100) || fail "caption after a second"
    xdotool mousemove --window "$id" "$1" "$2" click 1
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir launcher 2)
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" --windowed 2>"$WORK/err.txt") &
    pid=$!
    # The first caption lasts a second only; on a busy machine it may be gone before a look.
    wait_window "^(PLOMARIND Demo by Qem|Qem's DemoEditor v0.1 \\[FPS:0\\])\$" 100 >/dev/null ||
        fail "no launcher"
    click_in_launcher 140 364
    rc=0
    wait "$pid" || rc=$?
    [ "$rc" -eq 0 ] || fail "Play: exit code $rc"
    grep -q "debuglog: Post-roll$" "$WORK/err.txt" || fail "Play did not run the demo"

    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" 2>"$WORK/err.txt") &
    pid=$!
    sleep 1.2
    click_in_launcher 208 364
    rc=0
    wait "$pid" || rc=$?
    [ "$rc" -eq 0 ] || fail "X: exit code $rc"
    ! grep -q "debuglog: Pre-roll$" "$WORK/err.txt" || fail "X played the demo"

    # The virtual display has one mode, 640 x 480; 320 x 240 full-screen is refused.
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" --play --fullscreen --mode 320x240 2>"$WORK/err.txt") &
    pid=$!
    dismiss "$pid" "^Qem's Demo System\$" Return
    rc=0
    wait "$pid" || rc=$?
    [ "$rc" -eq 0 ] || fail "windowed instead: exit code $rc"
    grep -q "^Qem's Demo System: This Fullscreen Mode Is Not Supported. Use Windowed Mode Instead?$" \
        "$WORK/err.txt" || fail "no full-screen question"
    grep -q "debuglog: Post-roll$" "$WORK/err.txt" || fail "windowed instead: no playback"

    if command -v xwininfo >/dev/null && xlsfonts >/dev/null 2>&1; then
        # Boxes can show: answer No (Escape), then dismiss the two error boxes.
        : >"$WORK/err.txt" # the last run's log must not match
        (cd "$dir" && exec "$PLAYER" --play --fullscreen --mode 320x240 2>"$WORK/err.txt") &
        pid=$!
        dismiss "$pid" "^Qem's Demo System\$" Escape &
        dismiss "$pid" "^Error\$" Return
        rc=0
        wait "$pid" || rc=$?
        [ "$rc" -eq 1 ] || fail "declined: exit code $rc"
        grep -q "^Error: Program Will Now Close.$" "$WORK/err.txt" || fail "declined: message"
        ! grep -q "debuglog: Playing$" "$WORK/err.txt" || fail "declined: the music played"
    fi
    exit 0
fi
on_xvfb
echo PASS
