# The command line: help, version, wrong options (exit 2 with one line), and where the music
# starts with "-sp:" (first argument only, exactly as written) and --start.
source "$(dirname "$0")/support/player_env.sh"

start_position()
{
    local dir=$1
    shift
    (cd "$dir" && "$PLAYER" "$@" 2>"$WORK/err.txt") || fail "exit code $? with $*"
    sed -n 's/^debuglog: Music at \([0-9]*\) ms$/\1/p' "$WORK/err.txt"
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir sp 3)
    # Seeking near the end leaves a short run; the position is read right after the seek.
    at=$(start_position "$dir" -sp:2500 --play --windowed --mode 320x240)
    at_least "$at" 2490 && at_least 2600 "$at" || fail "-sp:2500 started at $at ms"
    at=$(start_position "$dir" --play -sp:2500 --windowed --mode 320x240)
    at_least 1000 "$at" || fail "-sp: as the second argument was not ignored ($at ms)"
    at=$(start_position "$dir" -SP:2500 --play --windowed --mode 320x240)
    at_least 1000 "$at" || fail "-SP: was not ignored ($at ms)"
    at=$(start_position "$dir" --play --windowed --start 2000 --mode 320x240)
    at_least "$at" 1990 && at_least 2100 "$at" || fail "--start 2000 started at $at ms"
    exit 0
fi

unset QUV_DEBUGLOG
out=$("$PLAYER" --help) || fail "--help failed"
grep -q -- "--play" <<<"$out" || fail "--help does not list --play"
"$PLAYER" --version | grep -q "^quvplayer [0-9]" || fail "--version"
for bad in "--bogus" "--mode 800" "--mode x600" "--start soon" "--mode"; do
    rc=0
    # shellcheck disable=SC2086
    err=$("$PLAYER" $bad 2>&1 >/dev/null) || rc=$?
    [ "$rc" -eq 2 ] || fail "'$bad' gave exit code $rc"
    [ "$(wc -l <<<"$err")" -eq 1 ] || fail "'$bad' gave more than one line: $err"
done
export QUV_DEBUGLOG=1
on_xvfb
echo PASS
