#!/usr/bin/env bash
# Orvane on an EPD test suite through polyglot's epd-test mode, as a UCI
# engine: every position must be solved (polyglot's "score=N/N").
#
# Usage: uci_epd_check.sh ORVANE_BINARY EPD_FILE ARTIFACT_DIR [MAX_SECONDS]
#   MAX_SECONDS  the most each position may take (default 5); a position
#                counts as solved once the best move is a "bm" move and has
#                stayed so for two iterations past depth 4 and half a second.
#
# Runs in a fresh folder with a copy of the program; polyglot's output
# (epd.out) and log (polyglot.log, every UCI line time-stamped), Orvane's
# orvane.log and book.dat end up in ARTIFACT_DIR.  The log's timing is checked
# by uci_timing.py (every go answered within its hard limit, every stop
# answered at once).
set -u

[ $# -ge 3 ] || { sed -n '2,/^set -u/p' "$0" | sed -e 's/^# \{0,1\}//' -e '/^set -u/d' >&2; exit 2; }
ENGINE=$(realpath -- "$1")
EPD=$(realpath -- "$2")
ART=$(realpath -m -- "$3")
MAX=${4:-5}
HERE=$(cd "$(dirname "$0")" && pwd)
POLYGLOT=$(command -v polyglot || echo /usr/games/polyglot)

[ -x "$ENGINE" ] || { echo "uci_epd_check: no program at $ENGINE" >&2; exit 2; }
[ -x "$POLYGLOT" ] || { echo "uci_epd_check: polyglot is not installed" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/orvane-epd.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cp "$ENGINE" "$WORK/orvane"
mkdir -p "$ART"
positions=$(grep -c '[^[:space:]]' "$EPD")
# polyglot keeps its settings under $HOME; a private one keeps them out of the run
( cd "$WORK" && HOME="$WORK" timeout $(( positions * (MAX + 5) + 30 )) "$POLYGLOT" -noini -ec ./orvane \
    -log true -lf polyglot.log epd-test -epd "$EPD" -max-time "$MAX" -min-time 0.5 -min-depth 4 -depth-delta 2 ) \
    > "$ART/epd.out" 2>&1
status=$?
cat "$ART/epd.out"
cp "$WORK"/polyglot.log "$WORK"/orvane.log "$WORK"/book.dat "$ART"/ 2>/dev/null
score=$(sed -n 's/^score=\([0-9]*\)\/\([0-9]*\).*/\1 \2/p' "$ART/epd.out" | tail -1)
failed=0
if [ "$status" != 0 ] || [ -z "$score" ] || [ "${score% *}" != "$positions" ] || [ "${score#* }" != "$positions" ]; then
    echo "uci_epd_check: polyglot's score '${score/ //}' (status $status), not all $positions positions solved" >&2
    failed=1
fi
python3 "$HERE/uci_timing.py" "$ART/polyglot.log" || failed=1
[ "$failed" = 0 ] && echo "uci_epd_check: all $positions positions solved"
exit "$failed"
