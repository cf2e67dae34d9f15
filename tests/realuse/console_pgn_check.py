#!/usr/bin/env python3
"""Console games as a person plays them, judged by python-chess: the user's
moves (random legal ones, typed in SAN or in coordinates), the engine's
answers with "sanon" on, then "pgn" and "savepgn FILE".  Every SAN line the
engine prints after its move line must be python-chess's SAN of that move;
the PGN that "savepgn" appends must read back through python-chess with the
moves played, in order, the result the position has, and SetUp/FEN for a
game that began from a set-up position; and "pgn" must print the same game.
Each game is appended to the same file, so the file must hold them all.

Usage: console_pgn_check.py ENGINE
Needs python-chess (see pychess_client.py): fails without it in CI, skips with
exit 77 elsewhere."""
import io
import os
import random
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pychess_client  # noqa: E402

chess = pychess_client.load("console_pgn_check", pychess_client.SKIPPED)
import chess.pgn  # noqa: E402

# Games from the start and from set-up positions (castling rights, Black to
# move, an en-passant square, a promotion close by).
STARTS = [
    None,
    None,
    "r3k2r/pppq1ppp/2npbn2/4p3/2B1P3/2NP1N2/PPPQ1PPP/R3K2R b KQkq - 4 8",
    "8/2P3k1/8/8/8/8/5Kp1/8 w - - 0 50",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    # The user's only move, Kxg2, leaves two bare kings: the engine prints its
    # insufficient-material claim and still answers, and that answer belongs
    # to the game.
    "k7/8/8/8/8/8/6q1/7K w - - 0 60",
]
MAX_PLIES = 80


class Console:
    def __init__(self, engine, folder):
        self.proc = subprocess.Popen([engine], cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True, bufsize=1)
        self.pings = 0

    def send(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def until_pong(self):
        """Sends a ping and returns every line printed before its pong."""
        self.pings += 1
        self.send("ping %d" % self.pings)
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if line == "":
                raise SystemExit("console_pgn_check: FAILED: the engine ended early")
            line = line.rstrip("\n")
            if line == "pong %d" % self.pings:
                return lines
            lines.append(line)


def fail(message):
    print("console_pgn_check: FAILED: " + message)
    sys.exit(1)


def engine_reply(lines, board):
    """The engine's move line and the SAN line after it, checked; None when it did not move."""
    for i, line in enumerate(lines):
        if not line.startswith("move "):
            continue
        move = chess.Move.from_uci(line[5:].strip().lower())
        if move not in board.legal_moves:
            fail("illegal engine move %s in %s" % (line, board.fen()))
        number = board.fullmove_number  # a set-up game counts on from its FEN's move number
        expected = "%d%s %s" % (number, "." if board.turn == chess.WHITE else "...", board.san(move))
        got = lines[i + 1] if i + 1 < len(lines) else ""
        if got != expected:
            fail("after %r the SAN line is %r, python-chess says %r (%s)" % (line, got, expected, board.fen()))
        return move
    return None


def expected_result(board):
    if board.is_checkmate():
        return {"0-1" if board.turn == chess.WHITE else "1-0"}
    if board.is_stalemate() or board.is_insufficient_material():
        return {"1/2-1/2"}
    # The engine's own draw rules (a board seen three times, fifty moves
    # without a capture) may end a game python-chess plays on.
    return {"*", "1/2-1/2"}


def play_game(console, start, rng, typed_san):
    board = chess.Board(start) if start else chess.Board()
    console.send("new")
    if start:
        console.send("setboard " + start)
    console.until_pong()
    played = []
    while len(played) < MAX_PLIES and not board.is_game_over():
        user = rng.choice(list(board.legal_moves))
        word = board.san(user) if typed_san else user.uci()
        board.push(user)
        played.append(user)
        console.send(word)
        lines = console.until_pong()
        if board.is_checkmate() or board.is_stalemate():
            if any(line.startswith("move ") for line in lines):
                fail("the engine moved after %s ended the game (%s)" % (word, board.fen()))
            break
        # Insufficient material does not end the game for the engine: it
        # prints its draw claim and moves on, and its move is recorded, so
        # it is read here like any other.
        reply = engine_reply(lines, board)
        if reply is None:
            break  # the engine sees the game as over (its own draw rules)
        board.push(reply)
        played.append(reply)
    console.send("pgn")
    printed = "\n".join(console.until_pong())
    return board, played, printed


def check_game(game, board, played, start, what):
    if game is None:
        fail(what + ": no game read back")
    moves = list(game.mainline_moves())
    if moves != played:
        fail("%s: the PGN's moves %s differ from those played %s" % (
            what, " ".join(m.uci() for m in moves), " ".join(m.uci() for m in played)))
    if game.errors:
        fail("%s: python-chess found errors: %s" % (what, game.errors))
    result = game.headers.get("Result")
    if result not in expected_result(board):
        fail("%s: Result %r for %s" % (what, result, board.fen()))
    for tag in ("Event", "Date", "White", "Black"):
        if tag not in game.headers:
            fail("%s: no %s tag" % (what, tag))
    if start:
        if game.headers.get("SetUp") != "1" or "FEN" not in game.headers:
            fail(what + ": a set-up game without SetUp and FEN")
        if chess.Board(game.headers["FEN"]).fen(en_passant="legal") != chess.Board(start).fen(en_passant="legal"):
            fail("%s: FEN %r is not the start %r" % (what, game.headers["FEN"], start))
    elif "FEN" in game.headers:
        fail(what + ": a FEN tag for a game from the standard start")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    engine = os.path.abspath(sys.argv[1])
    rng = random.Random(20261209)
    with tempfile.TemporaryDirectory() as folder:
        console = Console(engine, folder)
        console.send("noclocks")
        console.send("depth 2")
        console.send("sanon")
        console.until_pong()
        results = []
        for n, start in enumerate(STARTS):
            board, played, printed = play_game(console, start, rng, typed_san=n % 2 == 0)
            check_game(chess.pgn.read_game(io.StringIO(printed)), board, played, start, "game %d (pgn)" % n)
            console.send("savepgn games.pgn")
            console.until_pong()
            results.append((board, played, start))
        console.send("quit")
        console.proc.wait(timeout=60)
        with open(os.path.join(folder, "games.pgn")) as saved:
            for n, (board, played, start) in enumerate(results):
                check_game(chess.pgn.read_game(saved), board, played, start, "game %d (savepgn)" % n)
            if chess.pgn.read_game(saved) is not None:
                fail("games.pgn holds more games than were saved")
    plies = sum(len(p) for _, p, _ in results)
    print("console_pgn_check: %d games, %d plies: SAN lines, pgn and savepgn agree with python-chess" % (
        len(results), plies))
    return 0


if __name__ == "__main__":
    sys.exit(main())
