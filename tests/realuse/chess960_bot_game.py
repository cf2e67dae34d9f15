#!/usr/bin/env python3
"""Chess960 the way a bot runs it: python-chess's SimpleEngine plays whole
games, the engine on both sides, with nothing set by hand.  Over UCI
python-chess itself sets UCI_Chess960 (it refuses an engine without it) and
sends Shredder-FEN with moves, castling as the king taking its rook; over
xboard it sends "variant fischerandom", a Shredder-FEN setboard and castling
as O-O / O-O-O.

Judged from python-chess's own transcript of the conversation: every move
the engine plays and every move of every line it shows is legal as written
(in Chess960 UCI, castling only as the king taking its rook; over xboard as
O-O / O-O-O or the same), python-chess has nothing to complain of, and over
the games at least one side castles, so that the games cannot pass without
the castling rules ever being used.

Usage: chess960_bot_game.py ENGINE [--games N] [--xboard-games N]
                            [--nodes N] [--max-plies N] [--seed S]
       chess960_bot_game.py ENGINE --standard
           (the same games in standard chess from the usual start: the
           harness's own check, on an engine without Chess960)
       chess960_bot_game.py --self-test   (the judging alone; no engine)
Needs python-chess (see pychess_client.py): fails without it in CI, skips
with exit 77 elsewhere."""
import argparse
import contextlib
import io
import logging
import os
import random
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pychess_client  # noqa: E402

NAME = "chess960_bot_game"
# Only a safety net against a hung engine, a move's node limit takes far less.
PATIENCE = 120
CASTLING_WORDS = ("O-O", "O-O-O", "0-0", "0-0-0")
chess = None


OPEN = []  # the engines started here, closed on failure: python-chess's thread waits for them


def fail(text):
    print("%s: FAILED: %s" % (NAME, text))
    sys.stdout.flush()
    for engine in OPEN:
        engine.close()
    sys.exit(1)


class Transcript(logging.Handler):
    """python-chess's log of the conversation: what it sent, what it read,
    and whatever it complained of."""

    def __init__(self):
        super().__init__(logging.DEBUG)
        self.sent, self.read, self.complaints = [], [], []

    def emit(self, record):
        text = record.getMessage()
        if record.levelno >= logging.WARNING:
            self.complaints.append(text)
        elif ": << " in text:      # python-chess writes its own lines as <<
            self.sent.append(text.split(": << ", 1)[1])
        elif ": >> " in text:
            self.read.append(text.split(": >> ", 1)[1])

    def clear(self):
        self.sent, self.read, self.complaints = [], [], []


def uci_move(board, text):
    """The legal move the board writes as text (on a Chess960 board castling
    is the king taking its rook), or None."""
    return next((m for m in board.legal_moves if m.uci() == text), None)


def xboard_move(board, text):
    """The legal move text stands for over xboard (python-chess's reading:
    coordinates or SAN), or None; castling only as O-O / O-O-O or in the
    board's own UCI form: a king's two-square step would be a plain king
    move or nothing in Chess960."""
    try:
        move = board.parse_san(text)
    except ValueError:
        return None
    if board.is_castling(move) and text.rstrip("+#") not in CASTLING_WORDS and text != move.uci():
        return None
    return move


def check_line(board, words, reader, what):
    """Every move of a line legal in turn from board."""
    line = board.copy(stack=False)
    for text in words:
        if text.rstrip(".").isdigit():
            continue
        move = reader(line, text)
        if move is None:
            fail("%s: the line %s has %s, not legal as written in %s" % (what, " ".join(words), text,
                                                                          line.fen(shredder=line.chess960)))
        line.push(move)


def judge_uci(board, read, played, what):
    """The lines read for one move: info lines' pv and the bestmove."""
    lines = 0
    for line in read:
        words = line.split()
        if words[:1] == ["info"] and "pv" in words and words[1:2] != ["string"]:
            check_line(board, words[words.index("pv") + 1:], uci_move, what)
            lines += 1
    best = [l.split() for l in read if l.split()[:1] == ["bestmove"]]
    if len(best) != 1 or len(best[0]) < 2:
        fail("%s: not one bestmove among %r" % (what, read[-5:]))
    move = uci_move(board, best[0][1])
    if move is None or move != played:
        fail("%s: 'bestmove %s' is not a legal move as written in %s" % (what, best[0][1],
                                                                          board.fen(shredder=board.chess960)))
    if len(best[0]) >= 4 and best[0][2] == "ponder":
        check_line(board, best[0][1:2] + best[0][3:4], uci_move, what + " (ponder move)")
    return lines


def is_thinking(words):
    return len(words) >= 5 and all(w.lstrip("-").isdigit() for w in words[:4])


def judge_xboard(board, read, played, what):
    lines = 0
    for line in read:
        words = line.split()
        if is_thinking(words):
            pv = words[4:]
            while pv and pv[0].isdigit():   # seldepth, nps and more numbers before the line
                pv = pv[1:]
            check_line(board, pv, xboard_move, what)
            lines += 1
    moves = [l.split() for l in read if l.split()[:1] == ["move"]]
    if len(moves) != 1 or len(moves[0]) != 2:
        fail("%s: not one move among %r" % (what, read[-5:]))
    move = xboard_move(board, moves[0][1])
    if move is None or move != played:
        fail("%s: 'move %s' is not a legal move as written in %s" % (what, moves[0][1],
                                                                      board.fen(shredder=board.chess960)))
    return lines


class Watchdog:
    """Closes the engine (ours, started here) if one move takes PATIENCE:
    the node limit alone gives python-chess no time to wait for."""

    def __init__(self, engine):
        self.engine, self.fired = engine, False

    def __enter__(self):
        self.timer = threading.Timer(PATIENCE, self._fire)
        self.timer.start()
        return self

    def _fire(self):
        self.fired = True
        self.engine.close()

    def __exit__(self, *_):
        self.timer.cancel()


def play_game(engine, protocol, board, nodes, max_plies, transcript, label):
    """The engine plays both sides; the game's record."""
    judge = judge_uci if protocol == "uci" else judge_xboard
    game, castlings, lines = object(), {chess.WHITE: 0, chess.BLACK: 0}, 0
    start_fen = board.fen(shredder=board.chess960)
    sent = []
    result = "%d plies played" % max_plies
    while board.ply() < max_plies:
        outcome = board.outcome(claim_draw=True)
        if outcome:
            result = "%s (%s)" % (outcome.result(), outcome.termination.name.lower())
            break
        what = "%s, ply %d" % (label, board.ply() + 1)
        transcript.clear()
        with Watchdog(engine) as watchdog:
            try:
                answer = engine.play(board, chess.engine.Limit(nodes=nodes), game=game, info=chess.engine.INFO_ALL)
            except Exception as err:  # python-chess's refusals: an illegal move, a dead engine
                fail("%s: %s%s: %s" % (what, "no move within %d s, " % PATIENCE if watchdog.fired else "",
                                       type(err).__name__, err))
        if transcript.complaints:
            fail("%s: python-chess complained: %s" % (what, transcript.complaints))
        sent += transcript.sent
        if answer.resigned or answer.move is None:
            result = "resigned" if answer.resigned else "no move"
            break
        lines += judge(board, transcript.read, answer.move, what)
        if board.is_castling(answer.move):
            castlings[board.turn] += 1
        board.push(answer.move)
    return {"start": start_fen, "plies": board.ply(), "result": result, "castlings": castlings,
            "lines": lines, "sent": sent}


def run_games(path, protocol, count, rng, args, transcript):
    folder = tempfile.mkdtemp(prefix="orvane-chess960-bot-")
    opener = chess.engine.SimpleEngine.popen_uci if protocol == "uci" else chess.engine.SimpleEngine.popen_xboard
    try:
        engine = opener([path], cwd=folder, timeout=PATIENCE)
    except Exception as err:
        fail("%s: python-chess could not start the engine: %s: %s" % (protocol, type(err).__name__, err))
    OPEN.append(engine)
    if not args.standard:
        # what python-chess needs before it will play Chess960 at all
        if protocol == "uci" and "UCI_Chess960" not in engine.options:
            fail("uci: no UCI_Chess960 option; python-chess refuses Chess960 with such an engine")
        features = engine.protocol.features if protocol == "xboard" else {}
        variants = str(features.get("variants", "")).split(",")
        if protocol == "xboard" and "fischerandom" not in variants:
            fail("xboard: feature variants %r lacks fischerandom; python-chess refuses Chess960 with such an engine"
                 % engine.protocol.features.get("variants"))
    records = []
    for i in range(count):
        if args.standard:
            board = chess.Board()
        else:
            # a king on b, c, f or g stands next to or on a castling square:
            # castling then takes little, so the games are likely to show it
            board = chess.Board.from_chess960_pos(rng.choice(NEAR_CASTLING))
        label = "%s game %d from %s" % (protocol, i + 1, board.fen(shredder=board.chess960))
        record = play_game(engine, protocol, board, args.nodes, args.max_plies, transcript, label)
        record["protocol"] = protocol
        # python-chess, not this check, put the engine in Chess960 mode
        if not args.standard:
            # python-chess sets the option once, when it first needs it
            wanted = ((["setoption name UCI_Chess960 value true"] if i == 0 else []) + ["position fen " + record["start"]]
                      if protocol == "uci" else ["variant fischerandom", "setboard " + record["start"]])
            for start in wanted:
                if not any(line.startswith(start) for line in record["sent"]):
                    fail("%s: python-chess never sent '%s'" % (label, start))
        records.append(record)
    transcript.clear()
    engine.quit()
    OPEN.remove(engine)
    if transcript.complaints:
        fail("%s: python-chess complained at quit: %s" % (protocol, transcript.complaints))
    return records


NEAR_CASTLING = []


def self_test():
    """The judging on hand-written transcripts: right ones pass, wrong fail."""
    def refused(action):
        said = io.StringIO()
        try:
            with contextlib.redirect_stdout(said):
                action()
        except SystemExit:
            return "FAILED" in said.getvalue()
        return False

    board = chess.Board(chess960=True)
    for text in "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6".split():
        board.push_uci(text)
    castle = uci_move(board, "e1h1")
    if not castle or not board.is_castling(castle) or uci_move(board, "e1g1") is not None:
        fail("self-test: Chess960 UCI castling is read wrong")
    good = ["info depth 2 score cp 20 nodes 90 pv e1h1 f8c5", "bestmove e1h1 ponder f8c5"]
    if judge_uci(board, good, castle, "self-test") != 1:
        fail("self-test: a good UCI transcript's line not counted")
    for bad in (["info depth 2 pv e1g1 f8c5", "bestmove e1h1"], ["info depth 2 pv e1h1 e1h1", "bestmove e1h1"],
                ["bestmove e1g1"], ["bestmove e1h1 ponder e8g8"], ["info depth 1 pv e1h1"]):
        if not refused(lambda: judge_uci(board, bad, castle, "self-test (expected to fail)")):
            fail("self-test: a bad UCI transcript passed: %r" % bad)
    for text in ("O-O", "O-O+", "e1h1"):
        if xboard_move(board, text) != castle:
            fail("self-test: xboard %s not read as castling" % text)
    if xboard_move(board, "e1g1") is not None or xboard_move(chess.Board(board.fen()), "e1g1") is None:
        fail("self-test: xboard e1g1 read wrong")
    good = ["9 31 12 40000 14 300000\te1h1 f8c5 d2d3", "move O-O"]
    if judge_xboard(board, good, castle, "self-test") != 1:
        fail("self-test: a good xboard transcript's line not counted")
    for bad in (["9 31 12 40000\te1g1", "move O-O"], ["move e1g1"], ["move O-O", "move O-O"]):
        if not refused(lambda: judge_xboard(board, bad, castle, "self-test (expected to fail)")):
            fail("self-test: a bad xboard transcript passed: %r" % bad)
    print("%s: self-test passed (UCI and xboard transcripts judged right and wrong)" % NAME)
    return 0


def main():
    global chess
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("engine", nargs="?")
    parser.add_argument("--games", type=int, default=4, help="games over UCI")
    parser.add_argument("--xboard-games", type=int, default=2)
    parser.add_argument("--nodes", type=int, default=5000, help="nodes a move")
    parser.add_argument("--max-plies", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--standard", action="store_true")
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    # Missing python-chess fails in CI and skips, saying so, elsewhere.
    chess = pychess_client.load(NAME, pychess_client.SKIPPED)
    if args.self_test:
        return self_test()
    if not args.engine:
        parser.print_usage()
        return 2
    for n in range(960):
        if chess.square_file(chess.Board.from_chess960_pos(n).king(chess.WHITE)) in (1, 2, 5, 6):
            NEAR_CASTLING.append(n)
    logger = logging.getLogger("chess.engine")
    transcript = Transcript()
    logger.addHandler(transcript)
    logger.setLevel(logging.DEBUG)
    logger.propagate = False
    rng = random.Random(args.seed)
    began = time.time()
    path = os.path.abspath(args.engine)
    records = (run_games(path, "uci", args.games, rng, args, transcript)
               + run_games(path, "xboard", args.xboard_games, rng, args, transcript))
    kind = "standard" if args.standard else "Chess960"
    for r in records:
        print("  %s %s: %d plies, %s; castled: white %d, black %d; %d lines judged"
              % (r["protocol"], r["start"], r["plies"], r["result"], r["castlings"][chess.WHITE],
                 r["castlings"][chess.BLACK], r["lines"]))
    castled = sum(r["castlings"][c] for r in records for c in (chess.WHITE, chess.BLACK))
    plies = sum(r["plies"] for r in records)
    print("%s: %d %s games (%d UCI, %d xboard), %d plies, %d castlings, %.1f s"
          % (NAME, len(records), kind, args.games, args.xboard_games, plies, castled, time.time() - began))
    if not castled:
        fail("no side castled in any game: the castling rules went untried")
    print("%s: passed" % NAME)
    sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
