#!/usr/bin/env bash
# End to end: inputs and outputs that fail in each way a machine can make them fail - a
# directory or an unreadable file where an input should be, an output that cannot be written,
# memory running out while a file is read. Every command says which file and exits 1; none
# aborts. Usage: hostile_files.sh QUVPLAYER SOURCE_DIR
set -euo pipefail
player=$(realpath "$1")
tool="$(dirname "$player")/quvtool"
failing_new="$(dirname "$player")/quv_failing_new.so"
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# expect_failure CASE TEXT COMMAND...: exit code 1 and TEXT in what the command printed.
expect_failure()
{
    local name=$1 text=$2 rc=0
    shift 2
    "$@" >"$work/stdout.txt" 2>"$work/err" || rc=$?
    [ $rc -eq 1 ] || fail "$name: exit code $rc: $(cat "$work/err")"
    grep -qF -- "$text" "$work/err" || fail "$name: no '$text' in: $(cat "$work/err")"
}

render() { "$player" render --size 160x120 "$@"; }

cd "$work"
cat >clear.json <<'JSON'
{"handles": [{"type": "OpenGL Clear", "start": 0, "end": 1000, "fields": {"Red": [[0, 1]]}}]}
JSON
"$tool" compile clear.json -o clear.quv
echo "not a folder" >blocker

# A directory in place of the demo file, of the image list, of an input named on the command line.
mkdir -p folder/demodata.quv
(cd folder && expect_failure "render, demo a directory" '"demodata.quv" is not a regular file' \
    render --time 0 --out frame.png)
(cd folder && expect_failure "dump, demo a directory" '"demodata.quv" is not a regular file' \
    "$player" dump)
expect_failure "dump --file DIR" '"folder" is not a regular file' "$player" dump --file folder
expect_failure "dump --check --file DIR" '"folder" is not a regular file' \
    "$player" dump --check --file folder
expect_failure "compile DIR" '"folder" is not a regular file' "$tool" compile folder -o x.quv
expect_failure "decompile DIR" '"folder" is not a regular file' "$tool" decompile folder
# A pipe is no directory: quvtool reads it to its end.
"$tool" compile <(cat clear.json) -o piped.quv || fail "compile from a pipe"
cmp -s piped.quv clear.quv || fail "compile from a pipe wrote other bytes"
# The image list is reported and the frame is still drawn, as for a missing list.
mkdir -p slots/gfx/gfxslots
cp clear.quv slots/demodata.quv
(cd slots && render --time 0 --out frame.png 2>"$work/err") ||
    fail "render, image list a directory: exit code $?"
grep -qF '"gfx/gfxslots" is not a regular file' "$work/err" ||
    fail "render, image list a directory: $(cat "$work/err")"
[ -s slots/frame.png ] || fail "render, image list a directory: no frame"

# Inputs that cannot be read: a file whose every read fails, and (as a user other than root,
# whom permissions do not stop) a file without read permission.
expect_failure "compile, read error" 'Cannot read file "/proc/self/mem". Input/output error' \
    "$tool" compile /proc/self/mem -o x.quv
expect_failure "decompile, read error" 'Cannot read file "/proc/self/mem"' \
    "$tool" decompile /proc/self/mem
if [ "$(id -u)" -ne 0 ]; then
    cp clear.json locked.json
    chmod 000 locked.json
    expect_failure "compile, no permission" 'Cannot open file "locked.json". Permission denied' \
        "$tool" compile locked.json -o x.quv
fi

# Outputs that cannot be written: each names the path it could not make, and writes nothing.
expect_failure "compile to a blocked path" "blocker" "$tool" compile clear.json -o blocker/x.quv
expect_failure "decompile to a blocked path" "blocker" "$tool" decompile clear.quv -o blocker/x.json
expect_failure "compile over a directory" "folder" "$tool" compile clear.json -o folder
mkdir -p out
cp clear.quv out/demodata.quv
(cd out && expect_failure "render to a blocked path" "blocker" \
    render --time 0 --out ../blocker/frame.png)
(cd out && expect_failure "render a sequence to a blocked path" "blocker" \
    render --from 0 --to 100 --fps 10 --out ../blocker/%05d.png)
[ "$(cat blocker)" = "not a folder" ] || fail "a failed output changed the file in its way"

# Memory running out while a file is read (every allocation of 64 MiB or more fails): the
# message names the file. The sanitizer build keeps its own allocator; the release run covers it.
if [ "${QUV_SANITIZED:-0}" != 1 ]; then
    [ -f "$failing_new" ] || fail "missing $failing_new"
    mkdir -p memory/text
    truncate -s 100M memory/demodata.quv memory/big.json
    # render streams a compiled demo in small pieces; the text form is read whole to compile it.
    printf '{' >memory/text/demodata.quv
    truncate -s 100M memory/text/demodata.quv
    starved() { QUV_FAIL_NEW_AT=$((64 << 20)) LD_PRELOAD="$failing_new" "$@"; }
    (cd memory/text && expect_failure "render out of memory" '"demodata.quv": out of memory' \
        starved "$player" render --size 160x120 --time 0 --out frame.png)
    (cd memory && expect_failure "dump out of memory" '"demodata.quv": out of memory' \
        starved "$player" dump)
    (cd memory && expect_failure "dump --check out of memory" '"demodata.quv": out of memory' \
        starved "$player" dump --check)
    (cd memory && expect_failure "compile out of memory" '"big.json": out of memory' \
        starved "$tool" compile big.json -o x.quv)
    (cd memory && expect_failure "decompile out of memory" '"demodata.quv": out of memory' \
        starved "$tool" decompile demodata.quv)
    [ ! -e memory/x.quv ] || fail "compile out of memory wrote its output"
fi
echo "hostile files: ok"
