# The player plays a demo to the end of its music and exits 0, windowed and full-screen; a
# missing demo file still plays the music to its end; missing music plays on the silent clock
# after one printed warning, which opens no box.
source "$(dirname "$0")/support/player_env.sh"

scenario()
{
    local dir=$1 start rc=0 took
    shift
    start=$(date +%s.%N)
    # A box waiting for a click would hold the player; the bound turns that into a failure.
    (cd "$dir" && timeout -k 10 60 "$PLAYER" --play "$@" 2>"$WORK/err.txt") || rc=$?
    took=$(elapsed "$start")
    [ "$rc" -eq 0 ] || fail "exit code $rc with $*"
    # 1.5 s of waiting before the music starts, then 2 s of music.
    at_least "$took" 3.3 || fail "ended after $took s, before the music did ($*)"
    for line in "Pre-roll" "Demo loaded" "Music loaded" "Playing" "Post-roll" "Audio shut down"; do
        grep -q "debuglog: $line\$" "$WORK/err.txt" || fail "no '$line' milestone ($*)"
    done
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir ok 2)
    scenario "$dir" --windowed --mode 320x240
    # Full-screen in the display's own mode, the first of the launcher's list.
    scenario "$dir" --fullscreen --no-vsync
    rm "$dir/demodata.quv"
    scenario "$dir" --windowed --mode 320x240
    # No music: the silent clock runs to the demo's last end time, 2 s.
    mkdir "$WORK/silent"
    write_demo "$WORK/silent/demodata.quv" "OpenGL Clear:0:2000:clear"
    gfx_dir "$WORK/silent"
    scenario "$WORK/silent" --windowed --mode 320x240
    [ "$(grep -c warning "$WORK/err.txt")" = 1 ] &&
        grep -qx "quvplayer: warning: cannot open the music file plomarind.mp3; playing without sound" \
            "$WORK/err.txt" || fail "no music: not the one warning"
    exit 0
fi
on_xvfb
echo PASS
