#!/usr/bin/env python3
"""Compares the engine's move generator (orvane-tool perft) with the
independent rules model of chessrules.py: known positions to depth 3, and
positions reached by random play (seeded) to depth 2, move by move where
they differ.  Exit status 1 on any difference."""
import argparse
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chessrules  # noqa: E402

KNOWN = [  # (FEN, depth)
    (chessrules.START_FEN, 3),
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3),
    ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 3),
    ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3),
    ("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3),
    # en passant judged by the capturing pawn's line only, both ways (depth 2
    # for the first: after d5xe6 the bishop can take the king, and what
    # follows a king's capture is defined by neither side)
    ("7k/6b1/8/3Pp3/8/2K5/8/8 w - e6 0 1", 2),
    ("7k/8/8/K2Pp2r/8/8/8/8 w - e6 0 1", 3),
    ("8/8/8/2k5/3Pp3/8/8/6KQ b - d3 0 1", 3),
]


def fen_of(g):
    rows = []
    for r in range(7, -1, -1):
        row, empty = "", 0
        for f in range(8):
            p = g.board[chessrules.sq(f, r)]
            if p is None:
                empty += 1
            else:
                row += (str(empty) if empty else "") + p
                empty = 0
        rows.append(row + (str(empty) if empty else ""))
    rights = "".join(c for c in "KQkq" if g.rights[c]) or "-"
    ep = "-" if g.ep_file is None else "abcdefgh"[g.ep_file] + ("6" if g.side == "w" else "3")
    return "%s %s %s %s 0 1" % ("/".join(rows), g.side, rights, ep)


def tool_divide(tool, fen, depth):
    out = subprocess.run([tool, "perft", fen, str(depth), "--divide"], capture_output=True, text=True, check=True)
    result = {}
    for line in out.stdout.splitlines():
        parts = line.split()
        if len(parts) == 2 and parts[0] != "nodes":
            result[parts[0]] = int(parts[1])
    return result


def model_divide(g, depth):
    result = {}
    for m in g.legal_moves():
        c = g.copy()
        c.play(m)
        result[chessrules.move_text(m)] = chessrules.perft(c, depth - 1)
    return result


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True)
    ap.add_argument("--games", type=int, default=40)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    if not chessrules.self_test():
        return 1
    rng = random.Random(a.seed)
    cases = [(chessrules.Game(f), d) for f, d in KNOWN]
    # positions of random games; the FEN carries no history, so the model
    # starts each from its board alone, as the tool does
    for _ in range(a.games):
        g = chessrules.Game()
        for ply in range(rng.randint(10, 120)):
            moves = g.legal_moves()
            if not moves:
                break
            # captures and promotions twice as likely: more varied endings
            loud = [m for m in moves if g.board[m[1]] is not None or m[2]]
            g.play(rng.choice(loud if loud and rng.random() < 0.5 else moves))
            if ply % 15 == 14:
                cases.append((chessrules.Game(fen_of(g)), 2))
    bad = 0
    for g, depth in cases:
        fen = fen_of(g)
        want = model_divide(g, depth)
        got = tool_divide(a.tool, fen, depth)
        if want != got:
            bad += 1
            print("DIFF %s depth %d" % (fen, depth))
            for k in sorted(set(want) | set(got)):
                if want.get(k) != got.get(k):
                    print("   %s model %s engine %s" % (k, want.get(k), got.get(k)))
    print("rules cross-check: %d positions, %d differ" % (len(cases), bad))
    print("%d passed, %d failed" % (len(cases) - bad, bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
