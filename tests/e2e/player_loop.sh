# Playing on: --loop starts again when the music ends until Escape, Home seeks to the start, I
# shows the overlay over the black demo, and a folder without demodata.quv plays the music alone
# after naming the missing file. Also --help names the other commands and quvtool.
source "$(dirname "$0")/support/player_env.sh"

if [ "${3:-}" = inside ]; then
    help=$("$PLAYER" --help)
    for word in "quvplayer render" "quvplayer dump" quvtool --loop Home Alt+Enter; do
        echo "$help" | grep -q -- "$word" || fail "--help does not mention $word"
    done

    dir=$(demo_dir loop 2)
    play --loop
    for _ in $(seq 100); do
        [ "$(grep -c "debuglog: Loop$" "$WORK/err.txt")" -ge 2 ] && break
        sleep 0.1
    done
    [ "$(grep -c "debuglog: Loop$" "$WORK/err.txt")" -ge 2 ] || fail "--loop did not start again"
    xdotool windowfocus --sync "$gl" key i
    sleep 0.5
    import -window "$gl" "$WORK/overlay.png"
    shows_picture "$WORK/overlay.png" || fail "the overlay does not show"
    if [ -n "${QUV_SHOTS:-}" ]; then cp "$WORK/overlay.png" "$QUV_SHOTS/"; fi
    xdotool windowfocus --sync "$gl" key Escape
    gone_within "$pid" 5 || fail "--loop: Escape did not end it"
    [ "$rc" -eq 0 ] || fail "--loop: exit code $rc"

    dir=$(demo_dir home 6)
    play
    sleep 3
    xdotool windowfocus --sync "$gl" key Home
    gone_within "$pid" 20 || fail "Home: still running"
    took=$(elapsed "$started")
    at_least "$took" 8 || fail "Home did not seek to the start: the 6 s music ended after $took s"

    dir=$(demo_dir nodemo 2)
    rm "$dir/demodata.quv"
    play
    gone_within "$pid" 15 || fail "no demo: still running"
    [ "$rc" -eq 0 ] || fail "no demo: exit code $rc"
    grep -q "^quvplayer: warning: no demo file $dir/demodata.quv; playing the music alone\$" \
        "$WORK/err.txt" || fail "no demo: no warning naming the file"
    exit 0
fi
on_xvfb
echo PASS
