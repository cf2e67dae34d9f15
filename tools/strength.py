#!/usr/bin/env python3
"""Measure the strong search against the engines a user could install instead.

Runs ../shared/tools/gauntlet.py (the shared match harness) with Orvane's strong search against
Fairy-Max, HoiChess, Phalanx, GNU Chess, Glaurung, Toga II, Ethereal and Stockfish at calibrated
levels (every UCI peer at Hash 16, one thread, no book), and prints the
harness's table (score and Elo +/- 95% per opponent, and every loss that was not a mate or a
resignation: time, illegal move, crash, stall).

    python3 tools/strength.py                          # every opponent, 100 games each, 10+0.1
    python3 tools/strength.py --tc 5+0.05 --games 40 --only fairymax hoichess
    python3 tools/strength.py --tc 5+0.05 --games 200 --only glaurung toga2 ethereal sf2850 --pgn ladder.pgn
    python3 tools/strength.py --proto xboard --games 4 # the same engine spoken to over xboard
    python3 tools/strength.py --baseline /tmp/orvane-old --nodes 20000 --games 400
                                                       # against an earlier build, a fixed node count a move

Games run two at a time (--concurrency 2 fits two cores). This is for people and for closing
notes, not for CI: a full run takes hours.
"""
import argparse
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHARED = os.path.join(os.path.dirname(ROOT), "shared")

OPPONENTS = {
    "fairymax": "name=fairymax cmd=/usr/games/fairymax proto=xboard",
    "hoichess": "name=hoichess cmd=/usr/games/hoichess proto=xboard",
    "phalanx": "name=phalanx cmd=/usr/games/phalanx proto=xboard",
    "gnuchess": "name=gnuchess cmd='/usr/games/gnuchess --uci' proto=uci option.OwnBook=false",
    # The stronger peers on one thread, without their books, with the same table size as Orvane.
    "glaurung": "name=glaurung cmd=/usr/games/glaurung proto=uci option.Threads=1 option.OwnBook=false option.Hash=16",
    "toga2": "name=toga2 cmd=/usr/games/toga2 proto=uci option.OwnBook=false option.Hash=16",
    "ethereal": "name=ethereal cmd=/usr/games/ethereal-chess proto=uci option.Threads=1 option.Hash=16",
    "sf2000": "name=sf2000 cmd=/usr/games/stockfish proto=uci option.UCI_LimitStrength=true option.UCI_Elo=2000 option.Hash=16",
    "sf2400": "name=sf2400 cmd=/usr/games/stockfish proto=uci option.UCI_LimitStrength=true option.UCI_Elo=2400 option.Hash=16",
    "sf2850": "name=sf2850 cmd=/usr/games/stockfish proto=uci option.UCI_LimitStrength=true option.UCI_Elo=2850 option.Hash=16",
}


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--engine", default=os.path.join(ROOT, "build", "orvane"), help="the program (default build/orvane)")
    ap.add_argument("--proto", choices=("uci", "xboard"), default="uci")
    ap.add_argument("--search", default="Strong", help="the Search option (Strong or Classic)")
    ap.add_argument("--hash", type=int, default=16, help="the Hash option in MB (default 16, the engine's default)")
    ap.add_argument("--games", type=int, default=100, help="games against each opponent")
    ap.add_argument("--tc", default="10+0.1")
    ap.add_argument("--only", nargs="*", choices=sorted(OPPONENTS), help="these opponents only")
    ap.add_argument("--concurrency", type=int, default=2)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--pgn", help="write every game here")
    ap.add_argument("--baseline", help="an earlier build of the engine to play instead of the opponents")
    ap.add_argument("--nodes", type=int, help="a fixed node count a move instead of a clock")
    ap.add_argument("--harness", default=os.path.join(SHARED, "tools", "gauntlet.py"))
    ap.add_argument("--openings", default=os.path.join(SHARED, "tools", "openings.epd"))
    args = ap.parse_args()

    names = args.only or list(OPPONENTS)
    # The harness starts every engine in a working directory of its own, so a
    # path relative to here would name nothing there.
    for name in ("engine", "baseline"):
        path = getattr(args, name)
        if path and os.sep in path:
            setattr(args, name, os.path.abspath(path))
    engine = "name=orvane-%s cmd=%s proto=%s option.Search=%s" % (args.search.lower(), args.engine, args.proto, args.search)
    # xboard clients split option lines at blanks, so there the names have none.
    engine += " option.Hash=%d" % args.hash
    limit = ["--nodes", str(args.nodes)] if args.nodes else ["--tc", args.tc]
    cmd = [sys.executable, args.harness, "--engine", engine, "--games", str(args.games)] + limit + [
           "--openings", args.openings, "--concurrency", str(args.concurrency), "--seed", str(args.seed)]
    if args.baseline:
        # The same settings, the other build: only the change between them differs.
        cmd += ["--opponent", "name=baseline cmd=%s proto=%s option.Search=%s option.Hash=%d" %
                (args.baseline, args.proto, args.search, args.hash)]
    else:
        for name in names:
            cmd += ["--opponent", OPPONENTS[name]]
    if args.pgn:
        cmd += ["--pgn", args.pgn]
    print("+ " + " ".join(cmd), flush=True)
    return subprocess.call(cmd)


if __name__ == "__main__":
    sys.exit(main())
