#!/usr/bin/env bash
# Orvane against fairymax under the genuine xboard, on a private Xvfb display.
#
# Usage: xboard_match_check.sh ORVANE_BINARY ARTIFACT_DIR [GAMES] [TC]
#   GAMES  number of games, colours alternating (default 4)
#   TC     time control as xboard_match.sh takes it (default 40/0:30), e.g.
#          1s (xboard -st 1: one second a move), 0:30+0 (30 s for the game),
#          0:20+0.5 (20 s for the game and half a second a move)
#
# Each engine runs in a fresh temporary folder; xboard's debug log, the PGN,
# the summary and the engines' folders (Orvane's orvane.log and book.dat) end
# up in ARTIFACT_DIR (the match itself in ARTIFACT_DIR/match, where
# xboard_timing.py reads it).  xboard tests every claim against standard chess
# (its default), as it does for anyone who plays the engine.  Fails on any
# game ended by an illegal move, a false claim, a crash or disconnect, a stall
# or a time forfeit of Orvane.
set -u

[ $# -ge 2 ] || { sed -n '2,/^set -u/p' "$0" | sed -e 's/^# \{0,1\}//' -e '/^set -u/d' >&2; exit 2; }
ENGINE=$(realpath -- "$1")
ART=$(realpath -m -- "$2")
GAMES=${3:-4}
TC=${4:-40/0:30}
HERE=$(cd "$(dirname "$0")" && pwd)
REPO=$(cd "$HERE/../.." && pwd)

[ -x "$ENGINE" ] || { echo "xboard_match_check: no program at $ENGINE" >&2; exit 2; }

# The harness kept in shared/ beside the repository is the reference; the copy
# in this folder serves where shared/ is not there.
HARNESS="$(dirname "$REPO")/shared/tools/xboard_match.sh"
[ -f "$HARNESS" ] || HARNESS="$HERE/xboard_match.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/orvane-xboard.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/orvane" "$WORK/fairymax" "$ART"
cp "$ENGINE" "$WORK/orvane/orvane"

# A game still going after MATCH_MOVES moves (default 80: two sessions of
# 40/..., past any opening and well into the endgame) is adjudicated a draw by
# xboard, as a long drawn game is in engine matches; so every game ends within
# a bounded time whatever the engines do, and the run's hard limit is worked
# out from that cap (match_budget.py; XBM_TIMEOUT overrides it).
# XBM_XBOARD_OPTS adds options of the caller's (say -ponder).
MOVES=${MATCH_MOVES:-80}
export XBM_XBOARD_OPTS="-adjudicateDrawMoves $MOVES${XBM_XBOARD_OPTS:+ $XBM_XBOARD_OPTS}"
XBM_TIMEOUT=${XBM_TIMEOUT:-$(python3 "$HERE/match_budget.py" "$TC" "$GAMES" "$MOVES")} || exit 2
export XBM_TIMEOUT
echo "xboard_match_check: games drawn after $MOVES moves, the run stopped after at most $XBM_TIMEOUT s"
echo "xboard_match_check: harness $HARNESS"
# fairymax through a filter that keeps from it the one word it crashes on;
# with XBM_SELF_PLAY=1 a second Orvane instead (for variants fairymax lacks:
# XBM_XBOARD_OPTS="-variant fischerandom").
OPPONENT="python3 $HERE/fairymax_filter.py"
[ "${XBM_SELF_PLAY:-0}" = 1 ] && { cp "$ENGINE" "$WORK/fairymax/orvane"; OPPONENT=./orvane; }
bash "$HARNESS" ./orvane "$WORK/orvane" "$OPPONENT" "$WORK/fairymax" "$GAMES" "$TC" "$ART/match" \
    > "$ART/harness.out" 2>&1
status=$?
cat "$ART/harness.out"
rm -rf "$ART/orvane-dir" "$ART/fairymax-dir"
cp -r "$WORK/orvane" "$ART/orvane-dir"; rm -f "$ART/orvane-dir/orvane"
cp -r "$WORK/fairymax" "$ART/fairymax-dir"
python3 "$HERE/match_verdict.py" --out "$ART/match" --games "$GAMES" --harness-status "$status" || exit 1
# The verdict judges the first engine; in self-play the second is Orvane too.
if [ "${XBM_SELF_PLAY:-0}" = 1 ] && grep '^Game ' "$ART/match/summary.txt" | grep -v '  normal end'; then
    echo "xboard_match_check: a game did not end on the board" >&2
    exit 1
fi
