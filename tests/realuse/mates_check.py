#!/usr/bin/env python3
"""Checks an EPD file of mates against the independent rules model
(chessrules.py, standard chess): for every line, the moves named by "bm" must
be exactly the moves that mate in the number of moves "dm" gives, and no
shorter mate may exist.  Found by brute force, so keep the positions small.

Usage: mates_check.py FILE.epd   (exit status 1 when any line is wrong)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chessrules as cr  # noqa: E402

PIECE_LETTERS = "NBRQK"


def after(g, m):
    h = g.trial_copy()
    h.play(m, track=False)
    return h


def mated(g):
    return g.in_check() and not g.standard_moves()


def mates_in(g, n):
    """The moves that mate in n moves at most, whatever the defence."""
    found = []
    for m in g.standard_moves():
        h = after(g, m)
        if mated(h):
            found.append(m)
        elif n > 1:
            replies = h.standard_moves()
            if replies and all(mates_in(after(h, r), n - 1) for r in replies):
                found.append(m)
    return found


def san(g, m):
    """Standard algebraic notation of legal move m, with + or #."""
    s, to, promo = m
    piece = g.board[s].upper()
    if piece == "K" and abs(s % 8 - to % 8) == 2:
        text = "O-O" if to % 8 == 6 else "O-O-O"
    else:
        capture = g.board[to] is not None or g.is_en_passant(m)
        if piece == "P":
            text = (cr.name(s)[0] + "x" if capture else "") + cr.name(to)
            if promo:
                text += "=" + promo.upper()
        else:
            rivals = [o[0] for o in g.standard_moves()
                      if o[1] == to and o[0] != s and g.board[o[0]] == g.board[s]]
            hint = ""
            if rivals:
                if all(r % 8 != s % 8 for r in rivals):
                    hint = cr.name(s)[0]
                elif all(r // 8 != s // 8 for r in rivals):
                    hint = cr.name(s)[1]
                else:
                    hint = cr.name(s)
            text = piece + hint + ("x" if capture else "") + cr.name(to)
    h = after(g, m)
    if h.in_check():
        text += "#" if not h.standard_moves() else "+"
    return text


def operations(text):
    ops = {}
    for part in text.split(";"):
        words = part.split()
        if words:
            ops[words[0]] = [w.strip('"') for w in words[1:]]
    return ops


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    failures = 0
    count = 0
    for number, line in enumerate(open(sys.argv[1]), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        fields = line.split(None, 4)
        fen = " ".join(fields[:4]) + " 0 1"
        ops = operations(fields[4] if len(fields) > 4 else "")
        g = cr.Game(fen, standard=True)
        depth = int(ops.get("dm", ["0"])[0])
        bm = set(ops.get("bm", []))
        shorter = mates_in(g, depth - 1) if depth > 1 else []
        solutions = {san(g, m) for m in mates_in(g, depth)} if depth > 0 else set()
        name = " ".join(ops.get("id", [str(number)]))
        count += 1
        if depth < 1 or shorter or solutions != bm:
            failures += 1
            print("line %d (%s): bm %s, but the mates in %d are %s%s" % (
                number, name, sorted(bm), depth, sorted(solutions),
                ", and a shorter one exists" if shorter else ""))
        else:
            print("line %d (%s): mate in %d by %s, checked" % (number, name, depth, " ".join(sorted(bm))))
    print("mates checked: %d passed, %d failed" % (count - failures, failures))
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
