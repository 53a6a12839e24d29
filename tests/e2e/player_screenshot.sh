# Screenshots: S and F12 save the frame at the window's size as a PNG named after the demo and
# the music position in the working directory, never replacing a file (paused, two shots of one
# position get two names); stderr and the overlay say where.
source "$(dirname "$0")/support/player_env.sh"


# shots: the screenshot files in the demo's directory.
shots()
{
    find "$dir" -maxdepth 1 -name 'demodata-*ms*.png' -printf '%f\n' | sort
}

# wait_saved N: waits until stderr names N saved screenshots.
wait_saved()
{
    for _ in $(seq 100); do
        [ "$(grep -c "^quvplayer: screenshot saved to " "$WORK/err.txt")" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir shots 30)
    write_red_demo "$dir/demodata.quv"
    play
    sleep 0.5

    xdotool windowfocus --sync "$gl" key s
    wait_saved 1 || fail "S saved nothing"
    first=$(shots)
    [[ "$first" =~ ^demodata-[0-9]{6}ms\.png$ ]] || fail "S wrote '$first'"
    grep -q "^quvplayer: screenshot saved to $dir/$first\$" "$WORK/err.txt" ||
        fail "stderr does not name $dir/$first"
    [ "$(identify -format %wx%h "$dir/$first")" = 320x240 ] ||
        fail "$first is $(identify -format %wx%h "$dir/$first"), not the window's 320x240"
    share=$(red_share "$dir/$first")
    at_least "$share" 0.95 || fail "$first is not the demo's red picture (red share $share)"
    # The note on the overlay: yellow letters over the red picture.
    import -window "$gl" "$WORK/note.png"
    green=$(convert "$WORK/note.png" -channel G -separate -format '%[fx:maxima]' info:)
    at_least "$green" 0.5 || fail "the overlay does not say where the screenshot went"
    if [ -n "${QUV_SHOTS:-}" ]; then cp "$WORK/note.png" "$QUV_SHOTS/screenshot-note.png"; fi

    # Paused, S and F12 shoot one position: the second file gets its own name.
    xdotool windowfocus --sync "$gl" key space
    sleep 0.3
    xdotool windowfocus --sync "$gl" key s
    wait_saved 2 || fail "S (paused) saved nothing"
    xdotool windowfocus --sync "$gl" key F12
    wait_saved 3 || fail "F12 saved nothing"
    mapfile -t all < <(shots)
    [ "${#all[@]}" -eq 3 ] || fail "three shots gave ${all[*]}"
    second=$(grep -o "saved to .*" "$WORK/err.txt" | sed -n 2p | sed 's/^saved to //')
    third=$(grep -o "saved to .*" "$WORK/err.txt" | sed -n 3p | sed 's/^saved to //')
    [ "${third%.png}" = "${second%.png}-2" ] || fail "the second shot of $second is $third"
    [ -z "$(find "$dir" -name '*.part*')" ] || fail "a temporary file was left"

    xdotool windowfocus --sync "$gl" key Escape
    gone_within "$pid" 5 || fail "Escape did not end it"
    [ "$rc" -eq 0 ] || fail "exit code $rc"
    exit 0
fi
on_xvfb
echo PASS
