#!/usr/bin/env python3
"""Writes a PGN file of games Orvane plays against itself, for measuring how
fast "bookmake" learns a large file.

Usage: make_pgn_games.py ORVANE_BINARY OUT.pgn [GAMES] [SEED]

The engine plays both sides through its xboard interface ("go" once per
move) at a depth drawn from 1 to 3 for each move, after an opening of 2 to
8 random legal plies, so that the games differ.  The moves are written in
SAN as GUIs write them (move numbers, checks, mates, castling, promotions),
with xboard-style comments after some moves ({+0.25/2 0.1}) and clock
comments in others ({[%clk 0:00:29.5]}).  A game ends at the engine's own
report (mate or a claimed draw) or after 200 plies, where material decides
(a difference of three pawns or more wins, anything less is a draw).

The SAN writer below is this script's own: a plain board with attack tests,
enough to disambiguate, to mark checks and to find mates.
"""

import os
import random
import subprocess
import sys
import tempfile

FILES = "abcdefgh"
VALUE = {"P": 1, "N": 3, "B": 3, "R": 5, "Q": 9, "K": 0}
KNIGHT = [(1, 2), (2, 1), (-1, 2), (-2, 1), (1, -2), (2, -1), (-1, -2), (-2, -1)]
KING = [(1, 0), (-1, 0), (0, 1), (0, -1), (1, 1), (1, -1), (-1, 1), (-1, -1)]
ROOK_DIRS = [(1, 0), (-1, 0), (0, 1), (0, -1)]
BISHOP_DIRS = [(1, 1), (1, -1), (-1, 1), (-1, -1)]


def square(text):
    return FILES.index(text[0]) + 8 * (int(text[1]) - 1)


def name(s):
    return FILES[s % 8] + str(s // 8 + 1)


class Board:
    """Pieces as letters (upper case white), castling rights, en passant."""

    def __init__(self):
        self.sq = [None] * 64
        for f, p in enumerate("RNBQKBNR"):
            self.sq[f] = p
            self.sq[56 + f] = p.lower()
            self.sq[8 + f] = "P"
            self.sq[48 + f] = "p"
        self.white = True
        self.castle = set("KQkq")
        self.ep = None  # square a pawn may capture onto

    def copy(self):
        b = Board.__new__(Board)
        b.sq = self.sq[:]
        b.white = self.white
        b.castle = set(self.castle)
        b.ep = self.ep
        return b

    def own(self, p, white):
        return p is not None and p.isupper() == white

    def attacked(self, s, by_white):
        f, r = s % 8, s // 8
        pawn_rank = r - 1 if by_white else r + 1
        for df in (-1, 1):
            if 0 <= f + df < 8 and 0 <= pawn_rank < 8:
                if self.sq[f + df + 8 * pawn_rank] == ("P" if by_white else "p"):
                    return True
        for steps, kinds in ((KNIGHT, "N"), (KING, "K")):
            for df, dr in steps:
                if 0 <= f + df < 8 and 0 <= r + dr < 8:
                    p = self.sq[f + df + 8 * (r + dr)]
                    if p is not None and p.upper() == kinds and p.isupper() == by_white:
                        return True
        for dirs, kinds in ((ROOK_DIRS, "RQ"), (BISHOP_DIRS, "BQ")):
            for df, dr in dirs:
                x, y = f + df, r + dr
                while 0 <= x < 8 and 0 <= y < 8:
                    p = self.sq[x + 8 * y]
                    if p is not None:
                        if p.upper() in kinds and p.isupper() == by_white:
                            return True
                        break
                    x, y = x + df, y + dr
        return False

    def in_check(self, white):
        king = "K" if white else "k"
        return self.attacked(self.sq.index(king), not white)

    def targets(self, s):
        """Pseudo-legal target squares of the piece on s (no castling)."""
        p = self.sq[s]
        white = p.isupper()
        f, r = s % 8, s // 8
        out = []
        kind = p.upper()
        if kind == "P":
            step = 1 if white else -1
            one = s + 8 * step
            if 0 <= one < 64 and self.sq[one] is None:
                out.append(one)
                start = 1 if white else 6
                if r == start and self.sq[one + 8 * step] is None:
                    out.append(one + 8 * step)
            for df in (-1, 1):
                if 0 <= f + df < 8 and 0 <= r + step < 8:
                    t = f + df + 8 * (r + step)
                    if (self.sq[t] is not None and not self.own(self.sq[t], white)) or t == self.ep:
                        out.append(t)
            return out
        if kind in "NK":
            for df, dr in KNIGHT if kind == "N" else KING:
                if 0 <= f + df < 8 and 0 <= r + dr < 8:
                    t = f + df + 8 * (r + dr)
                    if not self.own(self.sq[t], white):
                        out.append(t)
            return out
        dirs = {"R": ROOK_DIRS, "B": BISHOP_DIRS, "Q": ROOK_DIRS + BISHOP_DIRS}[kind]
        for df, dr in dirs:
            x, y = f + df, r + dr
            while 0 <= x < 8 and 0 <= y < 8:
                t = x + 8 * y
                if self.own(self.sq[t], white):
                    break
                out.append(t)
                if self.sq[t] is not None:
                    break
                x, y = x + df, y + dr
        return out

    def play(self, text):
        """Plays a coordinate move ("e2e4", "e7e8q", "e1g1")."""
        a, b = square(text[:2]), square(text[2:4])
        p = self.sq[a]
        if p.upper() == "P" and b == self.ep:
            self.sq[b - 8 if p.isupper() else b + 8] = None
        self.ep = None
        if p.upper() == "P" and abs(b - a) == 16:
            self.ep = (a + b) // 2
        if p.upper() == "K" and abs(b - a) == 2:
            rook_from, rook_to = (a + 3, a + 1) if b > a else (a - 4, a - 1)
            self.sq[rook_to], self.sq[rook_from] = self.sq[rook_from], None
        self.sq[b], self.sq[a] = p, None
        if len(text) > 4:
            self.sq[b] = text[4].upper() if p.isupper() else text[4].lower()
        for s, right in ((4, "KQ"), (60, "kq"), (0, "Q"), (7, "K"), (56, "q"), (63, "k")):
            if a == s or b == s:
                self.castle -= set(right)
        self.white = not self.white

    def legal(self, text):
        b = self.copy()
        mover = self.white
        b.play(text)
        return not b.in_check(mover)

    def has_legal_move(self):
        for s in range(64):
            if self.own(self.sq[s], self.white):
                for t in self.targets(s):
                    promo = "q" if self.sq[s].upper() == "P" and t // 8 in (0, 7) else ""
                    if self.legal(name(s) + name(t) + promo):
                        return True
        return False

    def legal_moves(self):
        """Coordinate texts of the legal moves, castling included."""
        out = []
        for s in range(64):
            if self.own(self.sq[s], self.white):
                for t in self.targets(s):
                    text = name(s) + name(t)
                    if self.sq[s].upper() == "P" and t // 8 in (0, 7):
                        text += random.choice("qrbn")
                    if self.legal(text):
                        out.append(text)
        home = 0 if self.white else 56
        rights = "KQ" if self.white else "kq"
        if not self.in_check(self.white):
            enemy = not self.white
            if rights[0] in self.castle and self.sq[home + 5] is None and self.sq[home + 6] is None:
                if not self.attacked(home + 5, enemy) and self.legal(name(home + 4) + name(home + 6)):
                    out.append(name(home + 4) + name(home + 6))
            if (rights[1] in self.castle and self.sq[home + 1] is None and self.sq[home + 2] is None
                    and self.sq[home + 3] is None):
                if not self.attacked(home + 3, enemy) and self.legal(name(home + 4) + name(home + 2)):
                    out.append(name(home + 4) + name(home + 2))
        return out

    def san(self, text):
        """The SAN of a legal coordinate move, with + or #."""
        a, b = square(text[:2]), square(text[2:4])
        p = self.sq[a]
        kind = p.upper()
        if kind == "K" and abs(b - a) == 2:
            out = "O-O" if b > a else "O-O-O"
        elif kind == "P":
            out = ""
            if a % 8 != b % 8:
                out = FILES[a % 8] + "x"
            out += name(b)
            if len(text) > 4:
                out += "=" + text[4].upper()
        else:
            rivals = [s for s in range(64) if s != a and self.sq[s] == p and b in self.targets(s)
                      and self.legal(name(s) + name(b))]
            mark = ""
            if rivals:
                if all(s % 8 != a % 8 for s in rivals):
                    mark = FILES[a % 8]
                elif all(s // 8 != a // 8 for s in rivals):
                    mark = str(a // 8 + 1)
                else:
                    mark = name(a)
            out = kind + mark + ("x" if self.sq[b] is not None else "") + name(b)
        after = self.copy()
        after.play(text)
        if after.in_check(after.white):
            out += "+" if after.has_legal_move() else "#"
        return out

    def material(self, white):
        return sum(VALUE[p.upper()] for p in self.sq if p is not None and p.isupper() == white)


class Engine:
    def __init__(self, binary, folder):
        self.p = subprocess.Popen([binary], cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.sync = 0
        self.send("xboard\nprotover 2\noption Learning book=0\n")
        self.lines()

    def send(self, text):
        self.p.stdin.write(text)
        self.p.stdin.flush()

    def lines(self):
        """Output up to the answer to a new ping."""
        self.sync += 1
        self.send("ping %d\n" % self.sync)
        out = []
        while True:
            line = self.p.stdout.readline()
            if not line:
                raise RuntimeError("the engine ended")
            line = line.strip()
            if line == "pong %d" % self.sync:
                return out
            out.append(line)

    def close(self):
        self.send("quit\n")
        self.p.wait(timeout=10)


def play_game(engine, rng):
    board = Board()
    engine.send("new\nforce\n")
    moves = []
    result = None
    for _ in range(rng.randint(2, 8)):
        text = rng.choice(board.legal_moves())
        moves.append(board.san(text))
        board.play(text)
        engine.send(text + "\n")
    while result is None and len(moves) < 200:
        engine.send("sd %d\ngo\nforce\n" % rng.randint(1, 3))
        out = engine.lines()
        played = [l.split()[1] for l in out if l.startswith("move ")]
        for text in played:
            moves.append(board.san(text))
            board.play(text)
        for l in out:
            for token in ("1-0", "0-1", "1/2-1/2"):
                if l.startswith(token + " "):
                    result = token
        if not played and result is None:
            result = "1/2-1/2"
    if result is None:
        diff = board.material(True) - board.material(False)
        result = "1-0" if diff >= 3 else "0-1" if diff <= -3 else "1/2-1/2"
    return moves, result


def write_game(out, number, moves, result, rng):
    style = rng.choice(["plain", "eval", "clock"])
    out.write('[Event "Orvane self-play"]\n[Site "here"]\n[Date "2026.12.07"]\n[Round "%d"]\n' % number)
    out.write('[White "Orvane %d"]\n[Black "Orvane %d"]\n[Result "%s"]\n\n' % (rng.randint(1, 3), rng.randint(1, 3), result))
    words = []
    for i, m in enumerate(moves):
        if i % 2 == 0:
            words.append("%d." % (i // 2 + 1))
        words.append(m)
        if style == "eval":
            words.append("{%+.2f/%d %.1f}" % (rng.uniform(-3, 3), rng.randint(1, 3), rng.uniform(0, 2)))
        elif style == "clock":
            words.append("{[%%clk 0:%02d:%04.1f]}" % (rng.randint(0, 4), rng.uniform(0, 59.9)))
    words.append(result)
    line = ""
    for w in words:
        if len(line) + len(w) + 1 > 79:
            out.write(line + "\n")
            line = w
        else:
            line = w if not line else line + " " + w
    out.write(line + "\n\n")


def main():
    if len(sys.argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    binary = os.path.realpath(sys.argv[1])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 1)
    random.seed(rng.random())
    with tempfile.TemporaryDirectory() as folder, open(sys.argv[2], "w") as out:
        engine = Engine(binary, folder)
        try:
            for n in range(1, count + 1):
                moves, result = play_game(engine, rng)
                write_game(out, n, moves, result, rng)
                if n % 500 == 0:
                    sys.stderr.write("%d games\n" % n)
        finally:
            engine.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
