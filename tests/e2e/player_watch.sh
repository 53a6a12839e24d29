# Live reload: --demo plays the text form or a compiled demo named on the command line, and
# --watch loads it again whenever it is saved while the music plays on. A good save shows from
# the next frames (the cleared colour changes), a broken one keeps the last good picture and
# says what is wrong on stderr without a message box, and the next good save recovers. A
# changed image in gfx/ is loaded again, and a missing one is reported the same way.
source "$(dirname "$0")/support/player_env.sh"


# save FILE CONTENT-FILE: replaces FILE by rename, as editors save.
save()
{
    cp "$2" "$1.saving"
    mv "$1.saving" "$1"
}

# clear_json RED GREEN: a text-form demo that clears to the colour.
clear_json()
{
    printf '{"bpm": 120, "handles": [{"type": "OpenGL Clear", "label": "c", "start": 0,\n'
    printf ' "end": 600000, "fields": {"Red": [[0, %s]], "Green": [[0, %s]]}}]}\n' "$1" "$2"
}

# share PNG COLOUR: the share of the picture's pixels of the colour, from 0 to 1.
share()
{
    convert "$1" -alpha off -fuzz 20% -fill black +opaque "$2" -fill white -opaque "$2" \
        -colorspace Gray -format "%[fx:mean]" info:
}

# shows COLOUR WHAT: the window is mostly that colour within a few frames.
shows()
{
    local s=0
    for _ in $(seq 20); do
        import -window "$gl" "$WORK/shot.png"
        s=$(share "$WORK/shot.png" "$1")
        at_least "$s" 0.8 && return 0
        sleep 0.2
    done
    fail "$2: the picture is not $1 (share $s)"
}

# count TEXT: how many stderr lines hold the text.
count()
{
    grep -cF -- "$1" "$WORK/err.txt" || true
}

# wait_count TEXT N: waits until N lines of stderr hold the text.
wait_count()
{
    for _ in $(seq 100); do
        [ "$(count "$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    fail "no line '$1' (wanted $2)"
}

# no_box WHAT: no message box is open.
no_box()
{
    [ -z "$(window_named "^(Plomarind demo|TGA)")" ] || fail "$1: a message box appeared"
}

# reload_position N: the music position of the Nth reload.
reload_position()
{
    sed -n 's/^debuglog: Reloaded at \([0-9]*\) ms$/\1/p' "$WORK/err.txt" | sed -n "$1p"
}

# saved_at_ms: the music position a save made now should find, from the wall clock since the
# music started: a lower bound for the reload's position (the clock may only be later).
since_start_ms()
{
    python3 -c "import sys,time; print(int((time.time() - float(sys.argv[1])) * 1000))" "$started"
}

# reload_keeps_position N SAVED_AT: the Nth reload found the music where it was, neither
# back at the start nor ahead of the wall clock.
reload_keeps_position()
{
    local at now
    at=$(reload_position "$1")
    now=$(since_start_ms)
    [ -n "$at" ] || fail "reload $1 left no position"
    at_least "$at" $(($2 - 1000)) || fail "reload $1: the music went back to $at ms (saved at $2)"
    at_least $((now + 1000)) "$at" || fail "reload $1: the music jumped to $at ms (now $now)"
}

# watch_demo FILE WHAT: plays FILE of the demo folder with --watch ($pid), from when the music
# started ($started), in its window ($gl); the first picture must be red.
watch_demo()
{
    play --demo "$1" --watch
    shows red "$2: the first load"
    sleep 1
}

if [ "${3:-}" = inside ]; then
    dir=$(demo_dir watch 40)
    clear_json 1 0 >"$WORK/red.json"
    clear_json 0 1 >"$WORK/green.json"
    printf '{"handles": [\n  {"type": "OpenGL Clear",, }]}\n' >"$WORK/broken.json"
    cp "$WORK/red.json" "$dir/show.json"

    # The text form, named with --demo.
    watch_demo show.json "text form"

    saved=$(since_start_ms)
    save "$dir/show.json" "$WORK/green.json"
    wait_count "quvplayer: reloaded show.json" 1
    shows lime "a good save"
    reload_keeps_position 1 "$saved"

    save "$dir/show.json" "$WORK/broken.json"
    wait_count "show.json: parse error at line 2" 1
    sleep 0.5
    shows lime "after a broken save"
    # The error is written over the picture, in its own colour.
    at_least "$(share "$WORK/shot.png" "#FF5959")" 0.003 || fail "the picture does not show the error"
    if [ -n "${QUV_SHOTS:-}" ]; then cp "$WORK/shot.png" "$QUV_SHOTS/watch-error.png"; fi
    no_box "a broken save"
    # A save that parses but names no effect type: the error points into the document.
    sed 's/OpenGL Clear/OpenGL Clean/' "$WORK/red.json" >"$WORK/unknown.json"
    save "$dir/show.json" "$WORK/unknown.json"
    wait_count 'show.json:1: /handles/0/type: unknown effect type "OpenGL Clean"' 1
    sleep 0.5
    shows lime "after a save with an unknown type"
    no_box "an unknown type"

    saved=$(since_start_ms)
    save "$dir/show.json" "$WORK/red.json"
    wait_count "quvplayer: reloaded show.json" 2
    shows red "the save after the broken one"
    reload_keeps_position 2 "$saved"

    # Images: a changed star texture loads again; a slot naming a missing image is reported.
    cp "$dir/gfx/stars1.tga" "$WORK/stars.tga"
    save "$dir/gfx/stars1.tga" "$WORK/stars.tga"
    wait_count "quvplayer: reloaded gfx/" 1
    printf 'missing.tga\n' >"$WORK/slots"
    save "$dir/gfx/gfxslots" "$WORK/slots"
    wait_count "missing.tga" 1
    sleep 0.5
    no_box "a missing image"
    shows red "after a missing image"

    xdotool windowfocus --sync "$gl" key Escape
    gone_within "$pid" 10 || fail "Escape did not end it"
    [ "$rc" -eq 0 ] || fail "exit code $rc"
    [ "$(grep -c "debuglog: Playing$" "$WORK/err.txt")" -eq 1 ] || fail "the music started again"

    # A compiled demo: the same, with a truncated save as the broken one.
    write_red_demo "$WORK/red.quv"
    python3 - "$WORK/red.quv" "$WORK/green.quv" "$WORK/cut.quv" <<'PY'
import sys
red = open(sys.argv[1], 'rb').read()
# The green demo: the key moves from the first field (Red) to the second (Green).
green = red[:172] + b"\x01\x02" + red[172:]
open(sys.argv[2], 'wb').write(green)
open(sys.argv[3], 'wb').write(green[:180])
PY
    cp "$WORK/red.quv" "$dir/show.quv"
    : >"$dir/gfx/gfxslots" # a missing image at start-up would wait in a box
    watch_demo show.quv compiled
    saved=$(since_start_ms)
    save "$dir/show.quv" "$WORK/green.quv"
    wait_count "quvplayer: reloaded show.quv" 1
    shows lime "compiled: a good save"
    reload_keeps_position 1 "$saved"
    save "$dir/show.quv" "$WORK/cut.quv"
    wait_count "Read beyond end of file" 1
    sleep 0.5
    shows lime "compiled: after a truncated save"
    no_box "a truncated save"
    save "$dir/show.quv" "$WORK/red.quv"
    wait_count "quvplayer: reloaded show.quv" 2
    shows red "compiled: the save after the truncated one"
    xdotool windowfocus --sync "$gl" key Escape
    gone_within "$pid" 10 || fail "compiled: Escape did not end it"
    [ "$rc" -eq 0 ] || fail "compiled: exit code $rc"
    exit 0
fi

# Named files must exist: one line and exit code 1, before any window.
dir=$(demo_dir named 1)
for missing in "--demo nothing.json" "--music nothing.mp3"; do
    rc=0
    # shellcheck disable=SC2086
    err=$(cd "$dir" && "$PLAYER" --play $missing 2>&1 >/dev/null) || rc=$?
    [ "$rc" -eq 1 ] || fail "'$missing' gave exit code $rc"
    grep -q "nothing" <<<"$err" || fail "'$missing' does not name the file: $err"
done
on_xvfb
echo PASS
