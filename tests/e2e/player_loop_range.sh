# A looped range: --loop-from/--loop-to seek back to the in point at the out point again and
# again and the player runs past the music's end; [ and ] set the range while playing, \ clears
# it (and the music then plays to its end), the overlay shows the range. Bad ranges are usage
# errors (exit 2) before any window opens.
source "$(dirname "$0")/support/player_env.sh"

# loops_at_least N MS [TENTHS]: waits until the player has sought back to MS N times.
loops_at_least()
{
    for _ in $(seq "${3:-200}"); do
        [ "$(grep -c "debuglog: Loop range: back to $2 ms\$" "$WORK/err.txt")" -ge "$1" ] &&
            return 0
        sleep 0.1
    done
    return 1
}

# text_lines PNG: the number of bands of lit rows in a screenshot of a black picture, that is
# the lines of text the overlay shows.
text_lines()
{
    convert "$1" -colorspace Gray -scale "1x$(identify -format %h "$1")!" -depth 8 txt:- |
        awk -F'[()]' 'NR > 1 { lit = ($2 + 0 > 0); if (lit && !was) n++; was = lit } END { print n + 0 }'
}

keys()
{
    xdotool windowfocus --sync "$gl" key "$@"
}

# usage_error REASON ARGS...: the player exits 2 with the reason and opens no window.
usage_error()
{
    local reason=$1 rc=0
    shift
    (cd "$dir" && "$PLAYER" --play --windowed "$@") >/dev/null 2>"$WORK/usage.txt" || rc=$?
    [ "$rc" -eq 2 ] || fail "$* exits $rc, not 2"
    grep -qF -- "$reason" "$WORK/usage.txt" || fail "$*: no '$reason' in: $(cat "$WORK/usage.txt")"
    [ -z "$(window_named "$GL")" ] || fail "$*: a window opened"
}

if [ "${3:-}" = inside ]; then
    help=$("$PLAYER" --help)
    for word in --loop-from --loop-to "[ and ]" '\ clears' "S or F12"; do
        echo "$help" | grep -qF -- "$word" || fail "--help does not mention $word"
    done

    dir=$(demo_dir range 4)
    usage_error "--loop-from 3000 must lie before --loop-to 1000" --loop-from 3000 --loop-to 1000
    usage_error "--loop-to 9000 lies beyond the end of the music" --loop-to 9000
    usage_error "--loop-from takes a position in milliseconds, not 'inf'" --loop-from inf
    usage_error "--loop-to needs a position in milliseconds" --loop-to

    # 1.0 to 2.2 s of a 4 s tune, over and over: the player outlives the music.
    play --loop-from 1000 --loop-to 2200
    grep -q "debuglog: Loop range: LOOP 0:01.000 - 0:02.200$" "$WORK/err.txt" ||
        fail "the range is not set"
    loops_at_least 4 1000 || fail "the range did not repeat"
    took=$(elapsed "$started")
    at_least "$took" 4.5 || fail "four loops of 1.2 s took only $took s"
    kill -0 "$pid" 2>/dev/null || fail "the player ended inside a looped range"
    keys i
    sleep 0.5
    import -window "$gl" "$WORK/overlay.png"
    # Two lines: the position, and the range under it.
    lines=$(text_lines "$WORK/overlay.png")
    [ "$lines" -eq 2 ] || fail "the overlay shows $lines lines, not the position and the range"
    if [ -n "${QUV_SHOTS:-}" ]; then cp "$WORK/overlay.png" "$QUV_SHOTS/loop-overlay.png"; fi
    keys Escape
    gone_within "$pid" 5 || fail "Escape did not end a looped range"
    [ "$rc" -eq 0 ] || fail "looped range: exit code $rc"

    # The keys: [ at about 1 s, ] about a second later; the range repeats until \ clears it,
    # and then the 5 s tune plays to its end.
    dir=$(demo_dir keys 5)
    play
    sleep 1
    keys bracketleft
    sleep 1
    keys bracketright
    grep -q "^quvplayer: loop in at 0:0" "$WORK/err.txt" || fail "[ said nothing"
    grep -q "^quvplayer: loop out at 0:0" "$WORK/err.txt" || fail "] said nothing"
    in_ms=$(grep -o "debuglog: Loop range: back to [0-9]* ms" "$WORK/err.txt" | head -n 1 |
        grep -o "[0-9]*" || true)
    for _ in $(seq 50); do
        in_ms=$(grep -o "Loop range: back to [0-9]*" "$WORK/err.txt" | head -n 1 |
            grep -o "[0-9]*$" || true)
        [ -n "$in_ms" ] && break
        sleep 0.1
    done
    [ -n "$in_ms" ] || fail "] did not send the music back"
    loops_at_least 3 "$in_ms" || fail "the range set with the keys did not repeat"
    keys backslash
    grep -q "^quvplayer: loop cleared$" "$WORK/err.txt" || fail "\\ said nothing"
    gone_within "$pid" 15 || fail "after \\ the music did not play to its end"
    [ "$rc" -eq 0 ] || fail "keys: exit code $rc"
    exit 0
fi
on_xvfb
echo PASS
