#!/usr/bin/env python3
"""Judges an xboard match of Orvane (xboard's first engine) against an opponent,
from the folder written by xboard_match.sh.

Prints each game: colours, result, how it ended and xboard's reason, plus every
result line Orvane sent ("claims"), and lists the games that ended by Orvane's
own claim.  xboard tests every claim against standard chess (its default,
-testClaims), so a claim it finds false ends the game against the claimer.

Exit status 1 when any game ended by a time forfeit, an illegal move or a false
claim of Orvane, by a crash or disconnect or a stall, when Orvane sent more
than one draw claim in a game, or when any game is missing; else 0.  A forfeit
of the opponent (its illegal move or false claim, which xboard scores as
Orvane's win) is reported but is not Orvane's failure.
"""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xboard_summary  # noqa: E402

NEW_GAME = xboard_summary.NEW_GAME
GAME_ENDS = xboard_summary.GAME_ENDS
OUR_RESULT = re.compile(r"^\d+ <first\s*: ((?:1-0|0-1|1/2-1/2) \{[^}]*\})")
# Forfeits that xboard charges to one side, who loses the game by them.
CHARGED = ("illegal move", "false claim")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", required=True, help="folder of the match")
    ap.add_argument("--games", type=int, required=True)
    ap.add_argument("--harness-status", type=int, default=0)
    a = ap.parse_args()

    end_reason = ""
    monitor = xboard_summary.read(os.path.join(a.out, "monitor.log"))
    m = re.search(r"T\+\d+s (hard timeout.*|stall.*|engine exited before.*): stopping xboard", monitor)
    if m:
        end_reason = m.group(1)
    names, rows, stray = xboard_summary.analyse(a.out, a.games, end_reason)

    # our result lines, per game (by debug line ranges of "New game (k)")
    debug = xboard_summary.read(os.path.join(a.out, "xboard.debug")).splitlines()
    starts = []
    for i, line in enumerate(debug):
        g = NEW_GAME.match(line)
        if g:
            starts.append((int(g.group(1)), i))
    def game_of(index):
        k = None
        for n, i in starts:
            if i <= index:
                k = n
        return k
    claims = {}
    for i, line in enumerate(debug):
        c = OUR_RESULT.match(line)
        if c:
            claims.setdefault(game_of(i), []).append(c.group(1))

    ours = names.get(1, "engine1")
    failures = []
    by_claim = []
    opponent_forfeits = []
    notes = []
    print("=== Orvane under xboard: %d games against %s ===" % (a.games, names.get(2, "engine2")))
    for r in rows:
        we_white = r["white"] == 1
        colour = "White" if we_white else "Black"
        lost = (r["result"] == "0-1" and we_white) or (r["result"] == "1-0" and not we_white)
        line = "Game %d: %s plays %s: %s  %s" % (r["game"], ours, colour, r["result"], r["category"])
        if r["reason"]:
            line += " -- " + r["reason"]
        print(line)
        for c in claims.get(r["game"], []):
            print("        %s sent: %s" % (ours, c))
        reason_text = r["reason"].split("; xboard: ")[-1]
        if any(c.split(" ", 1)[1].strip("{}") == reason_text for c in claims.get(r["game"], [])):
            by_claim.append("Game %d ended by %s's claim: %s %s" % (r["game"], ours, r["result"], reason_text))
        cat = r["category"]
        won = (r["result"] == "1-0" and we_white) or (r["result"] == "0-1" and not we_white)
        draws_claimed = [c for c in claims.get(r["game"], []) if c.startswith("1/2-1/2")]
        if len(draws_claimed) > 1:
            failures.append("game %d: %s claimed %d draws (one claim ends a game)" % (
                r["game"], ours, len(draws_claimed)))
        elif len(claims.get(r["game"], [])) > 1:
            # the GUI has its result from the first; the rest are noise, not a forfeit
            notes.append("game %d: %s sent %d result lines for one game" % (
                r["game"], ours, len(claims[r["game"]])))
        if cat == "time forfeit":
            if lost or (r["result"] == "1/2-1/2" and colour.lower() in r["reason"].lower()):
                failures.append("game %d: %s lost on time" % (r["game"], ours))
        elif cat in CHARGED and won:
            opponent_forfeits.append("game %d: %s's %s: %s" % (
                r["game"], names.get(2, "engine2"), cat, r["reason"]))
        elif cat != "normal end":
            failures.append("game %d: %s%s" % (r["game"], cat,
                                               (" of %s" % ours) if cat in CHARGED and lost else ""))
    for c in stray:
        failures.append("%s outside any game" % c[2])
    print("Games ended by %s's claims (tested by xboard): %d" % (ours, len(by_claim)))
    for b in by_claim:
        print("  " + b)
    for f in opponent_forfeits:
        print("Opponent's forfeit, not counted against %s: %s" % (ours, f))
    for n in notes:
        print("Note: " + n)
    if a.harness_status != 0 and not failures:
        failures.append("the match harness failed (status %d)" % a.harness_status)
    if failures:
        print("xboard match: FAILED")
        for f in failures:
            print("  " + f)
        return 1
    print("xboard match: %d passed, 0 failed" % len(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
