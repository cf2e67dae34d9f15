#!/usr/bin/env python3
"""Calibrate Orvane's levels (UCI_LimitStrength, UCI_Elo) against Stockfish's calibrated scale.

For each level, plays Orvane at that UCI_Elo against Stockfish 15.1 with UCI_LimitStrength at
the anchor levels given (its scale runs from 1350 to 2850), through ../shared/tools/gauntlet.py,
and prints each level's measured strength: the rating at which the scores against all its
anchors are what the logistic Elo curve expects, with a 95% interval.

    python3 tools/calibrate.py --level 1500:1350,1600 --level 1900:2000 --games 100
    python3 tools/calibrate.py --level 2100:2000,2400 --tc 10+0.1 --games 50
    python3 tools/calibrate.py --level 1900:phalanx,fairymax --games 40   # peers: scores, no rating

The table of the README: --level 1200:1350 --level 1500:1600 --level 1900:2000 --level 2100:2400.

--games is per anchor. Games run two at a time (two cores); a run of 100 games at 5+0.05
takes about ten minutes. This is for the calibration table (README), not for CI.
"""
import argparse
import math
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHARED = os.path.join(os.path.dirname(ROOT), "shared")
STOCKFISH = "/usr/games/stockfish"
# Engines without a calibrated scale: their scores cross-check the levels
# (they count in no rating).
PEERS = {
    "fairymax": "name=fairymax cmd=/usr/games/fairymax proto=xboard",
    "hoichess": "name=hoichess cmd=/usr/games/hoichess proto=xboard",
    "phalanx": "name=phalanx cmd=/usr/games/phalanx proto=xboard",
    "gnuchess": "name=gnuchess cmd='/usr/games/gnuchess --uci' proto=uci option.OwnBook=false",
}


def expected(diff):
    return 1.0 / (1.0 + 10.0 ** (-diff / 400.0))


def performance(results):
    """results: [(anchor, wins, draws, losses)]. The rating R that the scores imply, and its 95% half-width."""
    games = sum(w + d + l for _, w, d, l in results)
    score = sum(w + d / 2.0 for _, w, d, _l in results)
    if games == 0:
        return None, None
    # Keep a perfect or a zero score finite: half a game the other way.
    score = min(max(score, 0.5), games - 0.5)
    lo, hi = -2000.0, 6000.0
    for _ in range(100):
        mid = (lo + hi) / 2
        if sum((w + d + l) * expected(mid - a) for a, w, d, l in results) < score:
            lo = mid
        else:
            hi = mid
    rating = (lo + hi) / 2
    # The score's standard error from the games' own spread, turned into
    # rating through the slope of the expected score there.
    variance = 0.0
    slope = 0.0
    for a, w, d, l in results:
        n = w + d + l
        if n == 0:
            continue
        mean = (w + d / 2.0) / n
        per_game = (w * (1 - mean) ** 2 + d * (0.5 - mean) ** 2 + l * mean ** 2) / n
        variance += n * per_game
        p = expected(rating - a)
        slope += n * p * (1 - p) * math.log(10) / 400.0
    half = 1.96 * math.sqrt(variance) / slope if slope > 0 else float("inf")
    return rating, half


def play(args, level, anchor):
    """Games of the level against an anchor (a Stockfish UCI_Elo) or a peer (a name of PEERS)."""
    engine = "name=orvane%d cmd=%s proto=uci option.UCI_LimitStrength=true option.UCI_Elo=%d option.Hash=%d" % (
        level, args.engine, level, args.hash)
    if isinstance(anchor, int):
        name = "sf%d" % anchor
        opponent = "name=%s cmd=%s proto=uci option.UCI_LimitStrength=true option.UCI_Elo=%d" % (
            name, STOCKFISH, anchor)
    else:
        name, opponent = anchor, PEERS[anchor]
    cmd = [sys.executable, args.harness, "--engine", engine, "--opponent", opponent, "--games", str(args.games),
           "--tc", args.tc, "--openings", args.openings, "--concurrency", str(args.concurrency),
           "--seed", str(args.seed)]
    if args.pgn:
        cmd += ["--pgn", "%s.%d-%s.pgn" % (args.pgn, level, anchor)]
    out = subprocess.run(cmd, capture_output=True, text=True).stdout
    for line in out.splitlines():
        m = re.match(r"%s\s+(\d+)\s+(\d+)\s+(\d+)\s+(\d+)\s" % name, line)
        if m:
            return int(m.group(2)), int(m.group(3)), int(m.group(4))
        if line.startswith("losses other than") and "none" not in line:
            print("  " + line, flush=True)
    raise SystemExit("no result from the harness:\n" + out)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--engine", default=os.path.join(ROOT, "build", "orvane"))
    ap.add_argument("--level", action="append", required=True,
                    help="LEVEL:ANCHOR[,ANCHOR...], e.g. 1500:1350,1600 (repeatable)")
    ap.add_argument("--games", type=int, default=100, help="games against each anchor")
    ap.add_argument("--tc", default="5+0.05")
    ap.add_argument("--hash", type=int, default=16)
    ap.add_argument("--concurrency", type=int, default=2)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--pgn", help="write the games to PGN files with this prefix")
    ap.add_argument("--harness", default=os.path.join(SHARED, "tools", "gauntlet.py"))
    ap.add_argument("--openings", default=os.path.join(SHARED, "tools", "openings.epd"))
    args = ap.parse_args()
    args.engine = os.path.abspath(args.engine)  # the harness runs each engine in a directory of its own

    rows = []
    for item in args.level:
        level_text, _, anchors_text = item.partition(":")
        level = int(level_text)
        results = []
        peers = []
        for text in [a for a in anchors_text.split(",") if a]:
            anchor = int(text) if text.isdigit() else text
            if not isinstance(anchor, int) and anchor not in PEERS:
                raise SystemExit("no such anchor or peer: %s (peers: %s)" % (text, ", ".join(sorted(PEERS))))
            w, d, l = play(args, level, anchor)
            (results if isinstance(anchor, int) else peers).append((anchor, w, d, l))
            label = "Stockfish %d" % anchor if isinstance(anchor, int) else anchor
            print("level %d vs %s: +%d =%d -%d" % (level, label, w, d, l), flush=True)
        rating, half = performance(results)
        rows.append((level, results, rating, half, peers))

    print()
    print("| Level | Anchors (Stockfish UCI_Elo: W-D-L) | Games | Measured Elo (95%) | Off by "
          "| Peers (W-D-L, score) |")
    print("|---|---|---|---|---|---|")
    for level, results, rating, half, peers in rows:
        anchors = ", ".join("%d: %d-%d-%d" % r for r in results)
        games = sum(w + d + l for _, w, d, l in results)
        measured = "%.0f +/- %.0f | %+.0f" % (rating, half, rating - level) if rating is not None else "- | -"
        others = ", ".join("%s: %d-%d-%d, %.1f%%" % (p, w, d, l, 100.0 * (w + d / 2.0) / max(1, w + d + l))
                           for p, w, d, l in peers)
        print("| %d | %s | %d | %s | %s |" % (level, anchors, games, measured, others))


if __name__ == "__main__":
    main()
