#!/usr/bin/env bash
# Orvane as a UCI engine under the genuine xboard, through polyglot (the UCI
# adapter), against fairymax on a private Xvfb display.
#
# Usage: uci_match_check.sh ORVANE_BINARY ARTIFACT_DIR [GAMES] [TC]
#   GAMES  number of games, colours alternating (default 2)
#   TC     time control as xboard_match.sh takes it (default 0:30+0: 30 s a
#          game, sudden death)
#
# xboard starts "polyglot -noini -ec ./orvane" in a fresh folder holding the
# program; polyglot starts Orvane, says "uci" and turns xboard's words into
# UCI ones.  Its log (polyglot.log: every UCI line, time-stamped) ends up with
# Orvane's orvane.log and book.dat in ARTIFACT_DIR/orvane-dir, xboard's debug
# log and the PGN in ARTIFACT_DIR/match.  Fails on any game ended by an
# illegal move, a false claim, a crash or disconnect, a stall or a time
# forfeit of Orvane (match_verdict.py), and on any move answered past its hard
# limit plus a margin or never answered (uci_timing.py).
set -u

[ $# -ge 2 ] || { sed -n '2,/^set -u/p' "$0" | sed -e 's/^# \{0,1\}//' -e '/^set -u/d' >&2; exit 2; }
ENGINE=$(realpath -- "$1")
ART=$(realpath -m -- "$2")
GAMES=${3:-2}
TC=${4:-0:30+0}
HERE=$(cd "$(dirname "$0")" && pwd)
REPO=$(cd "$HERE/../.." && pwd)
POLYGLOT=$(command -v polyglot || echo /usr/games/polyglot)

[ -x "$ENGINE" ] || { echo "uci_match_check: no program at $ENGINE" >&2; exit 2; }
[ -x "$POLYGLOT" ] || { echo "uci_match_check: polyglot is not installed" >&2; exit 2; }

# The harness kept in shared/ beside the repository is the reference; the copy
# in this folder serves where shared/ is not there.
HARNESS="$(dirname "$REPO")/shared/tools/xboard_match.sh"
[ -f "$HARNESS" ] || HARNESS="$HERE/xboard_match.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/orvane-uci.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/orvane" "$WORK/fairymax" "$ART"
cp "$ENGINE" "$WORK/orvane/orvane"

# Games drawn after MATCH_MOVES moves and the run's hard limit worked out
# from that, as in the plain xboard matches.
MOVES=${MATCH_MOVES:-80}
export XBM_XBOARD_OPTS="-adjudicateDrawMoves $MOVES"
XBM_TIMEOUT=${XBM_TIMEOUT:-$(python3 "$HERE/match_budget.py" "$TC" "$GAMES" "$MOVES")} || exit 2
export XBM_TIMEOUT
echo "uci_match_check: games drawn after $MOVES moves, the run stopped after at most $XBM_TIMEOUT s"
echo "uci_match_check: harness $HARNESS, adapter $POLYGLOT"
bash "$HARNESS" "$POLYGLOT -noini -ec ./orvane -log true -lf polyglot.log" "$WORK/orvane" \
    "python3 $HERE/fairymax_filter.py" "$WORK/fairymax" "$GAMES" "$TC" "$ART/match" > "$ART/harness.out" 2>&1
status=$?
cat "$ART/harness.out"
rm -rf "$ART/orvane-dir" "$ART/fairymax-dir"
cp -r "$WORK/orvane" "$ART/orvane-dir"; rm -f "$ART/orvane-dir/orvane"
cp -r "$WORK/fairymax" "$ART/fairymax-dir"
failed=0
python3 "$HERE/match_verdict.py" --out "$ART/match" --games "$GAMES" --harness-status "$status" || failed=1
python3 "$HERE/uci_timing.py" "$ART/orvane-dir/polyglot.log" || failed=1
exit "$failed"
