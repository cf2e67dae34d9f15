#!/usr/bin/env python3
"""The longest a match of xboard_match_check.sh or uci_match_check.sh can take.

  match_budget.py TC GAMES MOVES  ->  prints the seconds (a whole number)

xboard adjudicates every game as drawn after MOVES moves
(-adjudicateDrawMoves), so a game lasts at most MOVES moves a side whatever
the engines do, and each side then uses at most its clock for that many
moves: T for each started session of M moves (M/T), T plus MOVES increments
(T+I, 0/T/I), MOVES times S (Ns).  A game adds the pause between games (at
most 10 s, as the harness sets it) and 20 s for starting and ending; the run
adds 60 s for xboard and Xvfb.  The check hands this to the harness as its
hard limit, so the worst case of CI's matches is bounded by the move cap
rather than by the longest game two engines could play.
"""
import math
import re
import sys

PAUSE_MAX = 10
GAME_SLACK = 20
RUN_SLACK = 60


def to_seconds(t):
    if ":" in t:
        m, s = t.split(":")
        return int(m) * 60 + int(s)
    return int(t) * 60


def side_seconds(tc, moves):
    m = re.fullmatch(r"(\d+)/(\d+(?::[0-5]\d)?)(?:/(\d+))?", tc)
    if m:
        per, total, inc = int(m.group(1)), to_seconds(m.group(2)), int(m.group(3) or 0)
        if per > 0:
            return total * math.ceil(moves / per)
        return total + moves * inc
    m = re.fullmatch(r"(\d+(?::[0-5]\d)?)\+(\d+(?:\.\d+)?)", tc)
    if m:
        return to_seconds(m.group(1)) + moves * math.ceil(float(m.group(2)))
    m = re.fullmatch(r"([1-9]\d*)s", tc)
    if m:
        return moves * int(m.group(1))
    raise ValueError("time control %r not understood" % tc)


def budget(tc, games, moves):
    return games * (2 * side_seconds(tc, moves) + PAUSE_MAX + GAME_SLACK) + RUN_SLACK


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    try:
        print(budget(argv[1], int(argv[2]), int(argv[3])))
    except ValueError as e:
        sys.stderr.write("match_budget: %s\n" % e)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
