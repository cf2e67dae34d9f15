#!/usr/bin/env python3
"""UCI's "go perft" against python-chess's own count, root move by root move:
Chess960 start positions, positions of random games from Chess960 starts and
from the standard start (the standard ones with UCI_Chess960 off and on, sent
as moves from the start), and a few positions chosen for their castling, en
passant and promotion cases.

Usage: perft_check.py ENGINE [--chess960-starts N] [--depth D]
                             [--random-positions M] [--seed S]
Exit 1 on any difference; without python-chess as pychess_client says."""
import argparse
import os
import random
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pychess_client  # noqa: E402

chess = pychess_client.load("perft_check", pychess_client.SKIPPED)

# Chosen positions, read in Chess960 mode, and in standard mode too where
# the second field says so.
EDGES = [
    ("4k3/8/8/8/8/8/8/qR3K2 w B - 0 1", False),        # the rook on b1 shields c1 from the queen
    ("4k3/8/8/8/8/8/8/RKR5 w CA - 0 1", False),        # O-O-O would end on the other rook's square
    ("1r2k2r/8/8/8/8/8/8/1R2K2R w HBhb - 0 1", False),  # rooks that take each other on their squares
    ("rk4rr/pppppppp/8/8/8/8/PPPPPPPP/RK4RR w Gg - 0 1", False),  # the inner rook's right
    ("8/8/8/K2pP2r/8/8/8/7k w - d6 0 1", True),       # en passant would open the rank to the king
    ("r3k2r/1P6/8/8/8/8/6p1/R3K2R w KQkq - 0 1", True),  # promotions, onto rooks that keep rights
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", True),  # "Kiwipete"
]
PATIENCE = 600  # seconds for one count: only a hung engine takes that long


def fail(text):
    print("perft_check: FAILED: " + text)
    sys.exit(1)


def divide(board, depth):
    def count(d):
        if d == 0:
            return 1
        total = 0
        for m in board.legal_moves:
            board.push(m)
            total += count(d - 1)
            board.pop()
        return total
    counts = {}
    for m in board.legal_moves:
        board.push(m)
        counts[m.uci()] = count(depth - 1)
        board.pop()
    return counts


class Engine:
    def __init__(self, path):
        # In a folder of its own: the engine keeps its book and log there.
        self.folder = tempfile.mkdtemp(prefix="orvane-perft-")
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                     cwd=self.folder)
        self.send("uci")
        self.until(lambda line: line == "uciok")
        self.mode = None

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def until(self, done):
        lines, start = [], time.time()
        while time.time() - start < PATIENCE:
            line = self.proc.stdout.readline()
            if not line:
                fail("the engine ended")
            line = line.rstrip("\n")
            lines.append(line)
            if done(line):
                return lines
        fail("no answer within %d s" % PATIENCE)

    def divide(self, chess960, position, depth):
        if chess960 != self.mode:
            self.send("setoption name UCI_Chess960 value %s" % ("true" if chess960 else "false"))
            self.mode = chess960
        self.send(position)
        self.send("go perft %d" % depth)
        lines = self.until(lambda line: line.startswith(("Nodes searched: ", "bestmove")))
        if lines[-1].startswith("bestmove"):
            fail("go perft was answered with a search: " + lines[-1])
        counts = {}
        for line in lines[:-2]:
            move, _, number = line.partition(": ")
            if not number.isdigit():
                fail("'%s' is no perft line (after %s)" % (line, position))
            counts[move] = int(number)
        if lines[-2] != "" or int(lines[-1].split()[-1]) != sum(counts.values()):
            fail("the perft answer to %s does not end in a blank line and its sum" % position)
        return counts


def random_position(rng, board):
    """board after 10 to 60 random moves (fewer when the game ends)."""
    for _ in range(rng.randint(10, 60)):
        moves = list(board.legal_moves)
        if not moves:
            break
        board.push(rng.choice(moves))
    return board


def cases(args):
    rng = random.Random(args.seed)
    for n in rng.sample(range(960), args.chess960_starts):
        board = chess.Board.from_chess960_pos(n)
        yield True, "position fen " + board.fen(shredder=True), board, args.depth
    for fen, standard_too in EDGES:
        yield True, "position fen " + fen, chess.Board(fen, chess960=True), args.depth
        if standard_too:
            yield False, "position fen " + fen, chess.Board(fen), args.depth
    for i in range(args.random_positions):
        board = random_position(rng, chess.Board.from_chess960_pos(rng.randrange(960)))
        yield True, "position fen " + board.fen(shredder=True), board, args.depth - 1
        standard = random_position(rng, chess.Board())
        moves = " ".join(m.uci() for m in standard.move_stack)
        yield False, "position startpos moves " + moves, standard, args.depth - 1
        as960 = chess.Board(chess960=True)
        for m in standard.move_stack:
            as960.push(m)
        yield True, "position startpos moves " + " ".join(m.uci() for m in as960.move_stack), as960, args.depth - 1


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("engine")
    ap.add_argument("--chess960-starts", type=int, default=200)
    ap.add_argument("--depth", type=int, default=4)
    ap.add_argument("--random-positions", type=int, default=100)
    ap.add_argument("--seed", type=int, default=38)
    args = ap.parse_args()
    engine = Engine(os.path.abspath(args.engine))
    positions = nodes = castling = 0
    start = time.time()
    for chess960, position, board, depth in cases(args):
        got, want = engine.divide(chess960, position, depth), divide(board.copy(), depth)
        if got != want:
            wrong = sorted(set(got) ^ set(want)) or [m for m in want if got[m] != want[m]]
            fail("%s (UCI_Chess960 %s), depth %d: %s: engine %s, python-chess %s"
                 % (position, chess960, depth, wrong[:3], [got.get(m) for m in wrong[:3]],
                    [want.get(m) for m in wrong[:3]]))
        positions += 1
        nodes += sum(want.values())
        castling += any(board.is_castling(m) for m in board.legal_moves)
    engine.send("quit")
    print("perft_check: %d positions, %d nodes, %d with a legal castling at the root, %.0f s: no difference"
          % (positions, nodes, castling, time.time() - start))


if __name__ == "__main__":
    main()
