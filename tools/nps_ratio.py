#!/usr/bin/env python3
"""Nodes per second of the strong search against a peer, on the same positions in the same run.

    python3 tools/nps_ratio.py                                  # against Ethereal, 4 s a position
    python3 tools/nps_ratio.py --peer /usr/games/stockfish --seconds 2

Both engines get one thread and Hash 16 and search each of five positions (three middlegames, a
rook ending, a minor-piece ending) with `go infinite`, stopped after --seconds; the engines take
turns position by position, so that a slower spell of the machine falls on both. The figure of a
search is the last nps it reported; the table gives each engine's per-position figures, their
medians and the ratio of the medians. Run it on a quiet machine: it measures time.
"""
import argparse
import os
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "realuse"))
import pychess_client  # noqa: E402

chess = pychess_client.load("nps_ratio")

POSITIONS = [
    "r1bq1rk1/2p1bppp/p1np1n2/1p2p3/4P3/1BP2N1P/PP1P1PP1/RNBQR1K1 b - - 0 9",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r2q1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP2BPPP/R2Q1RK1 w - - 0 10",
    "8/5pk1/6p1/3R4/2r4P/6P1/5PK1/8 w - - 0 40",
    "6k1/pp3ppp/4p3/3n4/3P4/4BN2/PP3PPP/6K1 w - - 0 30",
]


def last_nps(command, fen, seconds):
    """Runs one `go infinite` on fen for seconds in a fresh process (an empty table each time);
    returns the last nps the engine reported."""
    engine = chess.engine.SimpleEngine.popen_uci(command)
    try:
        engine.configure({"Threads": 1, "Hash": 16})
        analysis = engine.analysis(chess.Board(fen))
        time.sleep(seconds)
        analysis.stop()
        analysis.wait()
        # The result keeps the latest value of each field the engine reported.
        nps = analysis.info.get("nps")
    finally:
        engine.quit()
    if not nps:
        raise RuntimeError(f"{command[0]} reported no nps")
    return nps


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--engine", default=os.path.join(ROOT, "build", "orvane"))
    ap.add_argument("--peer", default="/usr/games/ethereal-chess")
    ap.add_argument("--seconds", type=float, default=4.0)
    args = ap.parse_args()

    ours, theirs = [], []
    print("| Position | Orvane | Peer |")
    print("|---|---|---|")
    for fen in POSITIONS:
        ours.append(last_nps([args.engine], fen, args.seconds))
        theirs.append(last_nps([args.peer], fen, args.seconds))
        print(f"| {fen} | {ours[-1]:,} | {theirs[-1]:,} |", flush=True)
    a, b = statistics.median(ours), statistics.median(theirs)
    print(f"medians: Orvane {a:,.0f}, {os.path.basename(args.peer)} {b:,.0f}: {a / b:.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
