# The edges of the display: with none at all the player says so and suggests `render`; when the
# X server ends during playback or under an open message box, the player is gone within 2 s
# with exit code 1 and one line; SIGTERM ends it within 1 s even while a box is open.
source "$(dirname "$0")/support/player_env.sh"

LOST="^quvplayer: the connection to the display was lost; stopping\$"

# no_display ARGS...: the player with neither an X nor a Wayland display.
no_display()
{
    local runtime="$WORK/runtime" pid
    mkdir -p "$runtime"
    chmod 700 "$runtime"
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
        XDG_RUNTIME_DIR="$runtime" "$PLAYER" "$@" 2>"$WORK/err.txt") &
    pid=$!
    gone_within "$pid" 10 || fail "no display ($*): still running"
    [ "$rc" -eq 1 ] || fail "no display ($*): exit code $rc"
    [ "$(grep -vc "debuglog:" "$WORK/err.txt")" -eq 1 ] || fail "no display ($*): not one line"
    grep -q "^quvplayer: no display: .*DISPLAY is not set.*WAYLAND_DISPLAY is not set.*'quvplayer render'" \
        "$WORK/err.txt" || fail "no display ($*): wrong message"
}

# lose_display_when STAGE ARGS...: the player on a display of its own, which ends when STAGE
# shows (a debug line, "launcher", or "box" for the refused-mode question).
lose_display_when()
{
    local stage=$1 pid
    shift
    own_xvfb
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" "$@" 2>"$WORK/err.txt") &
    pid=$!
    if [ "$stage" = launcher ]; then
        wait_window "^(PLOMARIND Demo by Qem|Qem's DemoEditor v0.1 \\[FPS:[0-9]*\\])\$" >/dev/null ||
            fail "lost display: no launcher"
    elif [ "$stage" = box ]; then
        for _ in $(seq 100); do
            [ -n "$(window_named "^Qem's Demo System\$")" ] && break
            sleep 0.1
        done
        [ -n "$(window_named "^Qem's Demo System\$")" ] || fail "lost display: no box"
    else
        wait_log "$stage" || fail "lost display: never reached $stage"
        sleep 0.5
    fi
    kill -TERM "$XVFB_PID"
    gone_within "$pid" 2 || fail "lost display at $stage: still running 2 s later"
    wait "$XVFB_PID" 2>/dev/null || true
    [ "$rc" -eq 1 ] || fail "lost display at $stage: exit code $rc"
    [ "$(grep -c "$LOST" "$WORK/err.txt")" -eq 1 ] || fail "lost display at $stage: no message"
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir display 30)
    no_display --play --windowed
    no_display

    # Under an open box, SIGTERM closes it and ends the run.
    if command -v xwininfo >/dev/null && xlsfonts >/dev/null 2>&1; then
        : >"$WORK/err.txt" # the last run's log must not match
        (cd "$dir" && exec "$PLAYER" --play --fullscreen --mode 320x240 2>"$WORK/err.txt") &
        pid=$!
        for _ in $(seq 100); do
            [ -n "$(window_named "^Qem's Demo System\$")" ] && break
            sleep 0.1
        done
        [ -n "$(window_named "^Qem's Demo System\$")" ] || fail "SIGTERM: no box"
        kill -TERM "$pid"
        gone_within "$pid" 1 || fail "SIGTERM under a box: still running 1 s later"
        ! grep -q "debuglog: Playing$" "$WORK/err.txt" || fail "SIGTERM under a box: it played"
    fi

    # SIGTERM in the launcher.
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" 2>"$WORK/err.txt") &
    pid=$!
    wait_window "^(PLOMARIND Demo by Qem|Qem's DemoEditor v0.1 \\[FPS:[0-9]*\\])\$" >/dev/null ||
        fail "no launcher"
    kill -TERM "$pid"
    gone_within "$pid" 1 || fail "SIGTERM in the launcher: still running 1 s later"

    lose_display_when Playing --play --windowed --mode 320x240
    lose_display_when "Pre-roll" --play --windowed --mode 320x240
    lose_display_when launcher --windowed
    if command -v xwininfo >/dev/null && xlsfonts >/dev/null 2>&1; then
        lose_display_when box --play --fullscreen --mode 320x240
    fi
    exit 0
fi
on_xvfb
echo PASS
