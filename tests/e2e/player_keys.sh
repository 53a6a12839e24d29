# Keys while playing: Right seeks 5 s ahead (the run ends early), Space pauses and resumes (the
# run takes longer), F and I toggle full-screen and the frame-rate overlay without ending it.
source "$(dirname "$0")/support/player_env.sh"

# start_player DIR: starts the player in the background ($pid) and waits until the music plays.
start_player()
{
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$1" && exec "$PLAYER" --play --windowed --mode 320x240 2>"$WORK/err.txt") &
    pid=$!
    for _ in $(seq 100); do
        grep -q "debuglog: Playing$" "$WORK/err.txt" 2>/dev/null && break
        sleep 0.1
    done
    grep -q "debuglog: Playing$" "$WORK/err.txt" || fail "the music did not start"
    gl=$(wait_window "^Plomarind - Qem's Demo System v1.1\$") || fail "no GL window"
}

keys()
{
    xdotool windowfocus --sync "$gl" key "$@"
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir keys 8)
    start_player "$dir"
    started=$(date +%s.%N)
    keys Right
    wait "$pid" || fail "Right: exit code $?"
    took=$(elapsed "$started")
    at_least 6 "$took" || fail "Right did not seek ahead: the music ran $took s of 8"

    dir=$(demo_dir pause 2)
    start_player "$dir"
    started=$(date +%s.%N)
    keys space
    sleep 2.5
    keys space
    wait "$pid" || fail "Space: exit code $?"
    took=$(elapsed "$started")
    at_least "$took" 4 || fail "Space did not pause: 2 s of music ended after $took s"

    start_player "$dir"
    keys i f f
    wait "$pid" || fail "I/F: exit code $?"
    exit 0
fi
on_xvfb
echo PASS
