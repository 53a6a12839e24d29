# The player on a Wayland compositor: Weston's X11 backend nested in the virtual X display (its
# headless backend crashes SDL 2.26 at start-up), with the player on SDL's wayland driver. It
# plays to the end windowed, F and Alt+Enter toggle full-screen, Escape ends it, full-screen in a
# mode the output lacks fills the output without a question, and a compositor that goes away
# ends it within 2 s.
source "$(dirname "$0")/support/player_env.sh"

if ! command -v weston >/dev/null; then
    echo "SKIP: weston is not installed"
    exit 0
fi

LOST="^quvplayer: the connection to the display was lost; stopping\$"

# start_weston: a compositor on the socket "quvtest" in a private runtime directory ($WESTON).
start_weston()
{
    export XDG_RUNTIME_DIR="$WORK/runtime"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    weston --backend=x11-backend.so --socket=quvtest --width=640 --height=480 --no-config \
        >"$WORK/weston.txt" 2>&1 &
    WESTON=$!
    # A failed check must not leave the compositor running (and drawing) after the script.
    trap 'kill "$WESTON" 2>/dev/null || true; rm -rf "$WORK"' EXIT
    for _ in $(seq 100); do
        [ -S "$XDG_RUNTIME_DIR/quvtest" ] && break
        sleep 0.1
    done
    [ -S "$XDG_RUNTIME_DIR/quvtest" ] || fail "weston did not start: $(cat "$WORK/weston.txt")"
    sleep 1 # the shell's panel and background
}

# on_wayland ARGS...: the player on the compositor, in the background ($pid).
on_wayland()
{
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec env SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY=quvtest "$PLAYER" "$@" \
        2>"$WORK/err.txt") &
    pid=$!
}

# Keys reach the Wayland client through the compositor's own X window.
weston_key()
{
    local id
    id=$(xdotool search --class weston 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] || fail "no Weston window"
    xdotool windowfocus --sync "$id" key "$1"
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir wayland 3)
    write_red_demo "$dir/demodata.quv"
    start_weston

    on_wayland --play --windowed --mode 320x240
    wait_log Playing || fail "windowed: did not play"
    sleep 1
    import -window root "$WORK/windowed.png"
    shows_picture "$WORK/windowed.png" || fail "windowed: the screenshot is black"
    share=$(red_share "$WORK/windowed.png")
    at_least "$share" 0.1 || fail "windowed: the demo's picture does not show ($share red)"
    ! at_least "$share" 0.9 || fail "windowed: the window fills the output ($share red)"
    if [ -n "${QUV_SHOTS:-}" ]; then cp "$WORK/windowed.png" "$QUV_SHOTS/"; fi
    gone_within "$pid" 15 || fail "windowed: did not end with the music"
    [ "$rc" -eq 0 ] || fail "windowed: exit code $rc"
    grep -q "debuglog: Post-roll$" "$WORK/err.txt" || fail "windowed: no post-roll"

    # The virtual output has no 320 x 240 mode of its own: the compositor scales it, or the
    # player falls back to desktop full-screen; either way no question is asked.
    on_wayland --play --fullscreen --mode 320x240
    wait_log Playing || fail "full-screen: did not play"
    sleep 1
    import -window root "$WORK/fullscreen.png"
    share=$(red_share "$WORK/fullscreen.png")
    at_least "$share" 0.95 || fail "full-screen: the picture does not fill the output ($share red)"
    if [ -n "${QUV_SHOTS:-}" ]; then cp "$WORK/fullscreen.png" "$QUV_SHOTS/"; fi
    gone_within "$pid" 15 || fail "full-screen: did not end with the music"
    [ "$rc" -eq 0 ] || fail "full-screen: exit code $rc"
    ! grep -q "Not Supported" "$WORK/err.txt" || fail "full-screen: asked about the mode"
    grep -q "debuglog: Create GL window 320x240 full-screen$" "$WORK/err.txt" ||
        fail "full-screen: not opened full-screen"

    # F makes the window full-screen, Alt+Enter makes it a window again. Under the sanitizers
    # the keys sent through the nested compositor did not reach the player within the demo's
    # 30 s, so that build leaves this part to the release run.
    if [ "${QUV_SANITIZED:-0}" != 1 ]; then
        # F makes the window full-screen, Alt+Enter makes it a window again.
        dir=$(demo_dir wayland-long 30)
        write_red_demo "$dir/demodata.quv"
        on_wayland --play --windowed --mode 320x240
        wait_log Playing || fail "F: did not play"
        sleep 0.5
        # The compositor takes its time to re-lay the window on a busy machine, and a key sent
        # before the new window has the keyboard focus is lost (seen under the sanitizers): look
        # again for 8 s, and press again when nothing changed.
        for _ in 1 2; do
            kill -0 "$pid" 2>/dev/null || fail "F: the player ended early"
            weston_key f
            for _ in $(seq 16); do
                sleep 0.5
                import -window root "$WORK/toggled.png"
                share=$(red_share "$WORK/toggled.png")
                ! at_least "$share" 0.95 || break 2
            done
        done
        if ! at_least "$share" 0.95; then
            # Seen on a loaded machine: the nested compositor never passed F on. One more player.
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
            on_wayland --play --windowed --mode 320x240
            wait_log Playing || fail "F, again: did not play"
            sleep 2
            weston_key f
            for _ in $(seq 16); do
                sleep 0.5
                import -window root "$WORK/toggled.png"
                share=$(red_share "$WORK/toggled.png")
                ! at_least "$share" 0.95 || break
            done
        fi
        at_least "$share" 0.95 || fail "F: not full-screen ($share red)"
        weston_key alt+Return
        for _ in $(seq 20); do
            sleep 0.5
            import -window root "$WORK/toggled.png"
            share=$(red_share "$WORK/toggled.png")
            at_least "$share" 0.9 || break
        done
        ! at_least "$share" 0.9 || fail "Alt+Enter: still full-screen ($share red)"
        weston_key Escape
        gone_within "$pid" 5 || fail "Escape: still running"
        [ "$rc" -eq 0 ] || fail "Escape: exit code $rc"
    fi

    on_wayland --play --windowed --mode 320x240
    wait_log Playing || fail "lost compositor: did not play"
    sleep 0.5
    kill -TERM "$WESTON"
    gone_within "$pid" 2 || fail "lost compositor: still running 2 s later"
    [ "$rc" -eq 1 ] || fail "lost compositor: exit code $rc"
    [ "$(grep -c "$LOST" "$WORK/err.txt")" -eq 1 ] || fail "lost compositor: no message"
    exit 0
fi
on_xvfb
echo PASS
