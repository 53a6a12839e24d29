#!/usr/bin/env bash
# The layers hold: the source tree passes the include check, a tree with includes that run up
# fails it naming each one, and quvtool links no window or audio library.
#   check_layers.sh SOURCE_DIR QUVTOOL
set -uo pipefail
src=$1
tool=$2
fail() { echo "FAIL: $*"; exit 1; }

cmake -DSOURCE_DIR="$src" -P "$src/cmake/CheckLayers.cmake" || fail "the source tree breaks a layer"

out=$(cmake -DSOURCE_DIR="$src/tests/layers/uphill" -P "$src/cmake/CheckLayers.cmake" 2>&1) &&
    fail "a tree with uphill includes passed the check"
for expected in "engine/clock.h: engine includes platform/DemoBass.h" \
                "effects/window.cpp: effects includes SDL.h" \
                "tools/player.cpp: tools includes platform/commands.h"; do
    grep -qF "$expected" <<<"$out" || fail "the check did not report '$expected': $out"
done
grep -q "effects/moduleinit.h" <<<"$out" && fail "a downhill include was reported: $out"

needed=$(readelf -d "$tool" | grep NEEDED) || fail "cannot read $tool"
if grep -Ei "sdl|openal|mpg123|imgui|EGL" <<<"$needed"; then
    fail "quvtool links a window or audio library"
fi
echo "layers hold"
