# Escape in the GL window ends the playback early and the post-roll and the audio shutdown
# still run; so does a close request (SIGTERM arrives as one). Escape during the 1500 ms wait
# ends the run before the music starts.
source "$(dirname "$0")/support/player_env.sh"

scenario()
{
    local dir=$1 delay=$2 how=$3 start rc=0 took pid
    start=$(date +%s.%N)
    : >"$WORK/err.txt" # the last run's log must not match
    (cd "$dir" && exec "$PLAYER" --play --windowed --mode 320x240 2>"$WORK/err.txt") &
    pid=$!
    sleep "$delay"
    local id
    id=$(wait_window "^Plomarind - Qem's Demo System v1.1\$") || fail "no GL window"
    if [ "$how" = escape ]; then
        xdotool windowfocus --sync "$id" key Escape
    else
        kill -TERM "$pid"
    fi
    wait "$pid" || rc=$?
    took=$(elapsed "$start")
    [ "$rc" -eq 0 ] || fail "exit code $rc after $how"
    at_least 12 "$took" || fail "still playing $took s after $how (the music is 30 s)"
    grep -q "debuglog: Post-roll$" "$WORK/err.txt" || fail "no post-roll after $how"
    grep -q "debuglog: Audio shut down$" "$WORK/err.txt" || fail "audio not shut down after $how"
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir long 30)
    scenario "$dir" 3 escape
    grep -q "debuglog: Playing$" "$WORK/err.txt" || fail "Escape came before the music started"
    scenario "$dir" 0.3 escape
    scenario "$dir" 3 sigterm
    exit 0
fi
on_xvfb
echo PASS
