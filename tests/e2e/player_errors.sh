# Failures the player reports in a message box and ends with exit code 1: an unknown effect
# type in the demo, a start option that is not a number, a demo file that cannot be read (the
# box names it). The boxes are dismissed with Return.
source "$(dirname "$0")/support/player_env.sh"

# run_with_box DIR BOX_TITLE ARGS...: runs the player, presses Return in the box, returns the
# player's exit code in $rc.
run_with_box()
{
    local dir=$1 title=$2 pid
    shift 2
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" "$@" 2>"$WORK/err.txt") &
    pid=$!
    dismiss "$pid" "^$title\$" Return
    rc=0
    wait "$pid" || rc=$?
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir bad 2)
    write_demo "$dir/demodata.quv" "OpenGL Clear:0:60000:clear" "No Such Effect:0:1000:the label"
    run_with_box "$dir" "Plomarind demo" --play --windowed --mode 320x240
    [ "$rc" -eq 1 ] || fail "unknown effect: exit code $rc"
    grep -q "^Plomarind demo: \[Load Error\] Effect not found: the label$" "$WORK/err.txt" ||
        fail "unknown effect: wrong message"
    ! grep -q "debuglog: Playing$" "$WORK/err.txt" || fail "unknown effect: the music played"

    dir=$(demo_dir sp 2)
    run_with_box "$dir" "Plomarind demo" -sp:12ab --play --windowed --mode 320x240
    [ "$rc" -eq 1 ] || fail "bad -sp: exit code $rc"
    grep -q "^Plomarind demo: '12ab' is not a valid integer value$" "$WORK/err.txt" ||
        fail "bad -sp: wrong message"
    grep -q "debuglog: Playing$" "$WORK/err.txt" || fail "bad -sp: the music was not playing"

    dir=$(demo_dir folder 2)
    rm "$dir/demodata.quv"
    mkdir "$dir/demodata.quv"
    run_with_box "$dir" "Plomarind demo" --play --windowed --mode 320x240
    [ "$rc" -eq 1 ] || fail "demo a directory: exit code $rc"
    grep -q '^Plomarind demo: "demodata.quv" is not a regular file$' "$WORK/err.txt" ||
        fail "demo a directory: wrong message: $(cat "$WORK/err.txt")"
    exit 0
fi
on_xvfb
echo PASS
