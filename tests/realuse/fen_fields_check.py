#!/usr/bin/env python3
"""Every field of a FEN is checked: the engine refuses a position over UCI
(`position fen`) and over xboard (`setboard`) exactly when python-chess
refuses to read it or finds its castling rights, en-passant square, kings or
check impossible.  The FENs are good ones and each field of them corrupted in
the ways a broken GUI or a garbled line could.

Usage: fen_fields_check.py ENGINE
Needs python-chess (see pychess_client.py): fails without it in CI, skips with
exit 77 elsewhere."""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pychess_client  # noqa: E402

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"
AFTER_E4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR"
AFTER_E4_D5_E5_F5 = "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR"
KINGS_ROOKS = "r3k2r/8/8/8/8/8/8/R3K2R"
NO_ROOKS = "4k3/8/8/8/8/8/8/4K3"

FENS = [
    # whole and good
    START + " w KQkq - 0 1",
    AFTER_E4 + " b KQkq e3 0 1",
    AFTER_E4_D5_E5_F5 + " w KQkq f6 0 3",
    AFTER_E4_D5_E5_F5 + " w KQkq d6 0 3",
    KINGS_ROOKS + " w KQkq - 12 40",
    KINGS_ROOKS + " b Kq - 0 1",
    KINGS_ROOKS + " w - - 0 1",
    KINGS_ROOKS + " w HAha - 0 1",
    NO_ROOKS + " w - - 99 80",
    NO_ROOKS + " w - - +5 1",
    NO_ROOKS + " w - - 2147483647 1",
    NO_ROOKS + " w - - 0 0",
    # fields left out take their usual values
    START,
    START + " b",
    START + " w KQkq",
    START + " w KQkq -",
    START + " w KQkq - 7",
    # the side to move
    START + " x KQkq - 0 1",
    START + " W KQkq - 0 1",
    START + " white KQkq - 0 1",
    START + " - KQkq - 0 1",
    # castling
    START + " w XYZ - 0 1",
    START + " w KQkqK - 0 1",
    START + " w kqKQ - 0 1",
    START + " w KQkq1 - 0 1",
    NO_ROOKS + " w K - 0 1",
    # (python-chess passes over a "q" with no rook at all on the back rank,
    # so the rook stands on h8 here)
    "4k2r/8/8/8/8/8/8/4K3 b q - 0 1",
    KINGS_ROOKS.replace("R3K2R", "R4K1R") + " w KQ - 0 1",
    START + " w BGbg - 0 1",
    # en passant
    START + " w KQkq e9 0 1",
    START + " w KQkq e3 0 1",
    AFTER_E4 + " b KQkq e6 0 1",
    AFTER_E4 + " b KQkq i3 0 1",
    AFTER_E4 + " b KQkq e 0 1",
    AFTER_E4 + " b KQkq e33 0 1",
    AFTER_E4_D5_E5_F5 + " w KQkq f3 0 3",
    # clocks
    START + " w KQkq - -1 1",
    START + " w KQkq - 0 -1",
    START + " w KQkq - x 1",
    START + " w KQkq - 0 one",
    START + " w KQkq - 1.5 1",
    # more than six fields, kings, check
    START + " w KQkq - 0 1 extra",
    "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1",
    "4k3/8/8/8/8/8/8/4K2R b - - 0 1",
    "4k3/4R3/8/8/8/8/8/4K3 w - - 0 1",
]


def python_chess_refuses(chess, fen):
    """python-chess's verdict: unreadable, or a status this engine checks."""
    try:
        board = chess.Board(fen)
    except ValueError:
        return True
    checked = (chess.STATUS_BAD_CASTLING_RIGHTS | chess.STATUS_INVALID_EP_SQUARE | chess.STATUS_NO_WHITE_KING
               | chess.STATUS_NO_BLACK_KING | chess.STATUS_TOO_MANY_KINGS | chess.STATUS_OPPOSITE_CHECK)
    return bool(board.status() & checked)


def engine_verdicts(engine, folder, protocol):
    """One session per protocol: each FEN, then a question whose answer
    closes it; refusals are read off the output between the answers."""
    if protocol == "uci":
        lines = ["uci"]
        for i, fen in enumerate(FENS):
            lines += ["position fen " + fen, "isready"]
        marker, refusal = "readyok", "info string"
    else:
        lines = ["xboard", "protover 2"]
        for i, fen in enumerate(FENS):
            lines += ["new", "force", "setboard " + fen, "ping %d" % i]
        marker, refusal = "pong", "tellusererror Illegal position"
    out = subprocess.run([engine], input="\n".join(lines + ["quit"]) + "\n", capture_output=True, text=True,
                         cwd=folder, timeout=120).stdout.splitlines()
    verdicts, refused = [], False
    for line in out:
        if line.startswith(refusal):
            refused = True
        elif line.startswith(marker):
            verdicts.append(refused)
            refused = False
    if protocol == "uci":
        verdicts = verdicts[:len(FENS)]
    return verdicts


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    engine = os.path.abspath(sys.argv[1])
    chess = pychess_client.load("fen_fields_check", pychess_client.SKIPPED)
    expected = [python_chess_refuses(chess, fen) for fen in FENS]
    # The list holds both kinds in numbers, or the check would prove little.
    assert sum(expected) >= 20 and len(FENS) - sum(expected) >= 15, sum(expected)
    failures = 0
    with tempfile.TemporaryDirectory(prefix="orvane-fen-") as folder:
        for protocol in ("uci", "xboard"):
            got = engine_verdicts(engine, folder, protocol)
            if len(got) != len(FENS):
                print("fen_fields_check: FAILED: %s answered %d of %d questions" % (protocol, len(got), len(FENS)))
                return 1
            for fen, want, have in zip(FENS, expected, got):
                if want != have:
                    failures += 1
                    print("FAIL %s: %r %s by python-chess, %s by the engine" % (
                        protocol, fen, "refused" if want else "accepted", "refused" if have else "accepted"))
    print("fen_fields_check: %d FENs over UCI and xboard, %d refused by python-chess, %d disagreements" % (
        len(FENS), sum(expected), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
