#!/usr/bin/env python3
"""The engine's Syzygy tablebase use, judged by python-chess probing the same
tables.

agree:   random 3- and 4-man positions, one search each (go nodes K).  The
         score's result (win: cp from 19800 to 20000 or mate N > 0; loss: the
         same negated; draw: cp 0) must be the tables' result of the root, and
         the move played must keep it.  A cursed win or blessed loss is a draw,
         as under the fifty-move rule.
convert: random won positions of each ending; the engine plays the winning
         side against Stockfish (with the same tables), --movetime seconds a
         move each, until the game ends by the rules.  With tables every game
         must be mated; with --no-tables the games are only reported.

Usage: tablebase_check.py ENGINE SYZYGY_DIR agree [--positions N] [--nodes K]
       tablebase_check.py ENGINE SYZYGY_DIR convert [--per-ending N]
              [--movetime T] [--no-tables] [--endings KQvK,KRvK,...]
       both: [--seed S]
Exit 1 on any disagreement, lost win (with tables) or protocol failure; a
missing table is a failure too.  Without python-chess as pychess_client says."""
import argparse
import atexit
import collections
import os
import random
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pychess_client  # noqa: E402

chess = pychess_client.load("tablebase_check", pychess_client.SKIPPED)
import chess.syzygy  # noqa: E402

AGREE_MATERIAL = ["KQvK", "KRvK", "KPvK", "KBNvK", "KBBvK", "KNNvK", "KPPvK", "KQvKR", "KQvKQ", "KQvKP",
                  "KQvKN", "KRvKR", "KRvKB", "KRvKN", "KRvKP", "KPvKP", "KBvKP", "KNvKP", "KBPvK", "KNvKN"]
WIN_CP = 19800
SAFETY_S = 120  # a search given nodes still ends within this, or the engine counts as hung
RESULT = {1: "win", 0: "draw", -1: "loss", None: "no result"}


def open_engine(path, options):
    folder = tempfile.mkdtemp(prefix="orvane-tb-")  # the engine keeps its book and log there
    atexit.register(shutil.rmtree, folder, True)
    engine = chess.engine.SimpleEngine.popen_uci(path, cwd=folder)
    engine.configure(options)
    return engine


def tables_result(tables, board):
    """The tables' result for the side to move (a cursed win or blessed loss a
    draw); a mate, stalemate or dead position judged on the board."""
    if board.is_checkmate():
        return -1
    if board.is_stalemate() or board.is_insufficient_material():
        return 0
    wdl = tables.probe_wdl(board)
    return 1 if wdl == 2 else -1 if wdl == -2 else 0


def score_result(score):
    """The result a GUI reads from the engine's score; None when it says none."""
    if score is None:
        return None
    if score.is_mate():
        return 1 if score.mate() > 0 else -1 if score.mate() < 0 else None
    cp = score.score()
    if cp == 0:
        return 0
    return (1 if cp > 0 else -1) if WIN_CP <= abs(cp) <= 20000 else None


def random_board(rng, material, strong, turn):
    """material (like "KRvKP") placed at random, the first side's men of the
    colour strong: a legal position where the side to move has a move."""
    men = [(chess.Piece.from_symbol(letter).piece_type, colour)
           for side, colour in zip(material.split("v"), (strong, not strong)) for letter in side]
    while True:
        board = chess.Board(None)
        for (piece_type, colour), square in zip(men, rng.sample(chess.SQUARES, len(men))):
            board.set_piece_at(square, chess.Piece(piece_type, colour))
        board.turn = turn
        if board.is_valid() and any(board.legal_moves):
            return board


def agree(args, tables):
    rng = random.Random(args.seed)
    engine = open_engine(args.engine, {"SyzygyPath": args.syzygy_dir})
    outcomes, bad = collections.Counter(), []
    for i in range(args.positions):
        material = AGREE_MATERIAL[i % len(AGREE_MATERIAL)]
        board = random_board(rng, material, rng.choice(chess.COLORS), rng.choice(chess.COLORS))
        want = tables_result(tables, board)
        outcomes[want] += 1
        result = engine.play(board, chess.engine.Limit(nodes=args.nodes, time=SAFETY_S), info=chess.engine.INFO_SCORE)
        score = result.info.get("score")
        got = score_result(score.relative if score else None)
        child = board.copy()
        child.push(result.move)
        kept = -tables_result(tables, child)
        if got != want or kept != want:
            bad.append("%s  %s: tables %s; score %s (%s); %s leads to a %s" % (
                board.fen(), material, RESULT[want], score, RESULT[got], result.move.uci(), RESULT[kept]))
    engine.quit()
    print("tablebase_check agree: %d positions (win %d, draw %d, loss %d), %d agree, %d disagree" % (
        args.positions, outcomes[1], outcomes[0], outcomes[-1], args.positions - len(bad), len(bad)))
    for line in bad:
        print("  " + line)
    return 1 if bad else 0


def play(engine, defender, board, movetime):
    """Plays the game out from board: "won" or "lost" for the side to move at
    the start, or the draw's name."""
    strong = board.turn
    while not (board.is_game_over() or board.is_fifty_moves() or board.is_repetition(3)):
        player = engine if board.turn == strong else defender
        board.push(player.play(board, chess.engine.Limit(time=movetime), game=board.root()).move)
    if board.is_checkmate():
        return "won" if board.turn != strong else "lost"
    if board.is_fifty_moves():
        return "fifty"
    return "repetition" if board.is_repetition(3) else "stalemate or dead position"


def convert(args, tables):
    rng = random.Random(args.seed)
    engine = open_engine(args.engine, {} if args.no_tables else {"SyzygyPath": args.syzygy_dir})
    defender = open_engine(args.defender, {"Threads": 1, "Hash": 16, "SyzygyPath": args.syzygy_dir})
    begin, games = time.time(), []
    for ending in args.endings.split(","):
        for _ in range(args.per_ending):
            strong = rng.choice(chess.COLORS)
            board = random_board(rng, ending, strong, strong)
            while tables.probe_wdl(board) != 2:
                board = random_board(rng, ending, strong, strong)
            start = board.fen()
            games.append((ending, start, play(engine, defender, board, args.movetime), len(board.move_stack)))
    engine.quit()
    defender.quit()
    not_won = [g for g in games if g[2] != "won"]
    print("tablebase_check convert (%s, %g s a move): %d games, %d won, %.0f s" % (
        "no tables" if args.no_tables else "tables", args.movetime, len(games), len(games) - len(not_won),
        time.time() - begin))
    for ending in args.endings.split(","):
        count = collections.Counter(g[2] for g in games if g[0] == ending)
        moves = [(g[3] + 1) // 2 for g in games if g[0] == ending]
        print("  %s: %s, %.1f moves on average" % (ending, ", ".join("%d %s" % (n, how) for how, n in count.items()),
                                                  sum(moves) / max(1, len(moves))))
    for ending, fen, how, plies in not_won:
        print("  not won: %s  %s: %s after %d plies" % (fen, ending, how, plies))
    return 1 if not_won and not args.no_tables else 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("engine")
    ap.add_argument("syzygy_dir")
    ap.add_argument("mode", choices=["agree", "convert"])
    ap.add_argument("--positions", type=int, default=60)
    ap.add_argument("--nodes", type=int, default=20000)
    ap.add_argument("--per-ending", type=int, default=2)
    ap.add_argument("--movetime", type=float, default=0.05)
    ap.add_argument("--no-tables", action="store_true")
    ap.add_argument("--endings", default="KQvK,KRvK,KBNvK,KPvK")
    ap.add_argument("--defender", default="/usr/games/stockfish")
    ap.add_argument("--seed", type=int, default=38)
    args = ap.parse_args()
    args.engine = os.path.abspath(args.engine)
    args.syzygy_dir = ":".join(os.path.abspath(folder) for folder in args.syzygy_dir.split(":"))
    tables = chess.syzygy.Tablebase()
    for folder in args.syzygy_dir.split(":"):
        tables.add_directory(folder)
    try:
        return agree(args, tables) if args.mode == "agree" else convert(args, tables)
    except (chess.engine.EngineError, chess.engine.EngineTerminatedError, KeyError, TimeoutError) as failure:
        # An engine that dies, hangs or answers badly, or a table missing.
        print("tablebase_check: FAILED: %s: %s" % (type(failure).__name__, failure))
        return 1


if __name__ == "__main__":
    sys.exit(main())
