# Shared by the end-to-end scripts that need no display: the player and quvtool beside it, a
# scratch folder removed at exit, and fail. Scripts source this with the player binary in $1.
set -euo pipefail
player=$1
tool="$(dirname "$player")/quvtool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
