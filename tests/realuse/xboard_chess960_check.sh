#!/usr/bin/env bash
# Orvane against itself in Chess960 under the genuine xboard, on a private
# Xvfb display: xboard chooses each start position, sends "variant
# fischerandom" and a Shredder-FEN setboard, and relays each side's castling
# (O-O, O-O-O) to the other.
#
# Usage: xboard_chess960_check.sh ORVANE_BINARY ARTIFACT_DIR [GAMES] [TC]
#   GAMES  number of games (default 2); TC as xboard_match.sh takes it
#          (default 0:10+0.1)
#
# Fails when a game ends other than on the board (an illegal move, a false
# claim, a time forfeit, a crash, disconnect or stall of either side), or
# when xboard never set up a Chess960 game.
set -u

[ $# -ge 2 ] || { sed -n '2,/^set -u/p' "$0" | sed -e 's/^# \{0,1\}//' -e '/^set -u/d' >&2; exit 2; }
ENGINE=$(realpath -- "$1")
ART=$(realpath -m -- "$2")
GAMES=${3:-2}
TC=${4:-0:10+0.1}
HERE=$(cd "$(dirname "$0")" && pwd)
REPO=$(cd "$HERE/../.." && pwd)
[ -x "$ENGINE" ] || { echo "xboard_chess960_check: no program at $ENGINE" >&2; exit 2; }
HARNESS="$(dirname "$REPO")/shared/tools/xboard_match.sh"
[ -f "$HARNESS" ] || HARNESS="$HERE/xboard_match.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/orvane-chess960.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/first" "$WORK/second" "$ART"
cp "$ENGINE" "$WORK/first/orvane"
cp "$ENGINE" "$WORK/second/orvane"

# Long games are drawn after MOVES moves, which bounds the run (match_budget.py).
MOVES=80
export XBM_XBOARD_OPTS="-variant fischerandom -adjudicateDrawMoves $MOVES"
XBM_TIMEOUT=${XBM_TIMEOUT:-$(python3 "$HERE/match_budget.py" "$TC" "$GAMES" "$MOVES")} || exit 2
export XBM_TIMEOUT
bash "$HARNESS" ./orvane "$WORK/first" ./orvane "$WORK/second" "$GAMES" "$TC" "$ART/match" > "$ART/harness.out" 2>&1
status=$?
cat "$ART/harness.out"
python3 "$HERE/match_verdict.py" --out "$ART/match" --games "$GAMES" --harness-status "$status" || exit 1
# The verdict judges the first engine; here the second is Orvane too.
odd=$(grep '^Game ' "$ART/match/summary.txt" | grep -v '  normal end')
[ -z "$odd" ] || { echo "xboard_chess960_check: a game did not end on the board:" >&2; echo "$odd" >&2; exit 1; }
grep -q '>first : variant fischerandom' "$ART/match/xboard.debug" \
    || { echo "xboard_chess960_check: xboard set up no Chess960 game" >&2; exit 1; }
echo "xboard_chess960_check: $GAMES Chess960 games, castlings sent: $(grep -cE '<(first|second)\s*: move O-O' "$ART/match/xboard.debug")"
