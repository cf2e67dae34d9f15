#!/usr/bin/env python3
"""A made-up xboard engine that claims a draw no rule grants, to show that the
match check catches a false claim: xboard (which tests claims by default)
must end the game against it and match_verdict.py must fail the match.

It plays random legal moves (chessrules.py, standard rules) and, after its
first move, claims "1/2-1/2 {Draw by triple repetition}", which cannot be
true so early (a third occurrence needs at least eight half-moves, and no
mate can end the game before the claim).
"""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chessrules  # noqa: E402

CLAIM_AFTER = 1


def out(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


def main():
    game = chessrules.Game(standard=True)
    force = False
    moves_made = 0

    def move():
        nonlocal moves_made
        legal = game.standard_moves()
        if not legal:
            return
        m = random.choice(legal)
        game.play(m)
        moves_made += 1
        out("move " + chessrules.move_text(m))
        if moves_made == CLAIM_AFTER:
            out("1/2-1/2 {Draw by triple repetition}")

    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        command = words[0]
        if command == "protover":
            out('feature myname="False Claimer" ping=1 setboard=0 sigint=0 reuse=1 colors=0 usermove=1 done=1')
        elif command == "new":
            game = chessrules.Game(standard=True)
            force = False
            moves_made = 0
        elif command == "force":
            force = True
        elif command == "go":
            force = False
            move()
        elif command == "ping" and len(words) > 1:
            out("pong " + words[1])
        elif command == "usermove" and len(words) > 1:
            m = game.find_standard(words[1])
            if m is None:
                out("Illegal move: " + words[1])
                continue
            game.play(m)
            if not force:
                move()
        elif command == "quit":
            break
    return 0


if __name__ == "__main__":
    sys.exit(main())
