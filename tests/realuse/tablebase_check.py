#!/usr/bin/env python3
"""The engine's Syzygy tablebase use, judged by python-chess probing the same
tables.

agree:   random 3- and 4-man positions, one search each (go nodes K).  The
         score's result (win: cp from --win-cp to 20000 or mate N > 0; loss:
         the same negated; draw: cp 0) must be the tables' result of the root,
         and the move played must keep it.  A cursed win or blessed loss is a
         draw, as under the fifty-move rule.
convert: random won positions of each ending; the engine plays the winning
         side against Stockfish, --movetime seconds a move each, until
         checkmate, stalemate, insufficient material, fifty moves or
         threefold repetition.  With tables every game must be won; with
         --no-tables the engine plays on its own and the games are only
         reported.

Usage: tablebase_check.py ENGINE SYZYGY_DIR agree [--positions N] [--nodes K]
                                                   [--win-cp CP]
       tablebase_check.py ENGINE SYZYGY_DIR convert [--per-ending N]
              [--movetime T] [--no-tables] [--endings KQvK,KRvK,...]
       both: [--seed S] [--concurrency C] [--defender PATH]
SYZYGY_DIR may name several folders separated by ':'.  Exit 1 on any
disagreement, lost win (with tables) or protocol failure (crash, no
bestmove in time, illegal move); without python-chess as pychess_client says."""
import argparse
import collections
import concurrent.futures
import os
import queue
import random
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pychess_client  # noqa: E402

chess = pychess_client.load("tablebase_check", pychess_client.SKIPPED)
import chess.syzygy  # noqa: E402

AGREE_MATERIAL = ["KQvK", "KRvK", "KPvK", "KBNvK", "KBBvK", "KNNvK", "KPPvK", "KQvKR", "KQvKQ", "KQvKP",
                  "KQvKN", "KRvKR", "KRvKB", "KRvKN", "KRvKP", "KPvKP", "KBvKP", "KNvKP", "KBPvK", "KNvKN"]
PATIENCE = 120  # seconds beyond a search's own budget: only a hung engine needs them
RESULT = {1: "win", 0: "draw", -1: "loss", None: "no result"}


class ProtocolFailure(Exception):
    pass


class Uci:
    """One engine over UCI.  A reader thread queues its lines, so a silent
    engine is noticed after PATIENCE seconds instead of hanging the check."""

    def __init__(self, path, options):
        # A folder of its own: an engine may keep its book and log there.
        self.folder = tempfile.TemporaryDirectory(prefix="orvane-tb-")
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, cwd=self.folder.name)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.send("uci")
        self.until("uciok", PATIENCE)
        for name, value in options:
            self.send("setoption name %s value %s" % (name, value))
        self.new_game()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.strip())
        self.lines.put(None)

    def send(self, line):
        try:
            self.proc.stdin.write(line + "\n")
            self.proc.stdin.flush()
        except OSError:
            raise ProtocolFailure("the engine ended")

    def until(self, word, patience):
        lines, deadline = [], time.time() + patience
        while True:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.time()))
            except queue.Empty:
                raise ProtocolFailure("no '%s' within %.0f s" % (word, patience))
            if line is None:
                raise ProtocolFailure("the engine ended")
            lines.append(line)
            if line.split()[:1] == [word]:
                return lines

    def new_game(self):
        self.send("ucinewgame")
        self.send("isready")
        self.until("readyok", PATIENCE)

    def search(self, board, go, patience):
        """The move played from board (sent with its moves, for repetitions),
        the last score (("cp" or "mate", N) or None) and the last tbhits."""
        moves = " ".join(m.uci() for m in board.move_stack)
        self.send("position fen " + board.root().fen() + (" moves " + moves if moves else ""))
        self.send(go)
        lines = self.until("bestmove", patience)
        score, tbhits = None, None
        try:
            for words in (line.split() for line in lines[:-1]
                          if line.startswith("info ") and not line.startswith("info string")):
                if "score" in words:
                    at = words.index("score")
                    score = (words[at + 1], int(words[at + 2]))
                if "tbhits" in words:
                    tbhits = int(words[words.index("tbhits") + 1])
            move = chess.Move.from_uci(lines[-1].split()[1])
        except (ValueError, IndexError):
            raise ProtocolFailure("unreadable answer: " + " | ".join(lines[-2:]))
        if move not in board.legal_moves:
            raise ProtocolFailure("illegal " + lines[-1])
        return move, score, tbhits

    def kill(self):
        self.proc.kill()
        self.proc.wait()
        self.folder.cleanup()

    def close(self):
        try:
            self.send("quit")
            self.proc.wait(timeout=10)
            self.folder.cleanup()
        except (ProtocolFailure, subprocess.TimeoutExpired):
            self.kill()


def open_tables(folders):
    tables = chess.syzygy.Tablebase()
    for folder in folders.split(":"):
        tables.add_directory(folder)
    return tables


def tables_result(tables, board):
    """The tables' result for the side to move, a cursed win or blessed loss
    being a draw; a mate, stalemate or dead position is judged on the board."""
    if board.is_checkmate():
        return -1
    if board.is_stalemate() or board.is_insufficient_material():
        return 0
    wdl = tables.probe_wdl(board)
    return 1 if wdl == 2 else -1 if wdl == -2 else 0


def score_result(score, win_cp):
    """The result a GUI reads from the score; None when it says none."""
    if score is None:
        return None
    kind, value = score
    if kind == "mate":
        return 1 if value > 0 else -1 if value < 0 else None
    if kind == "cp" and value == 0:
        return 0
    if kind == "cp" and win_cp <= abs(value) <= 20000:
        return 1 if value > 0 else -1
    return None


def random_board(rng, material, strong, turn):
    """material (like "KRvKP") placed at random, the first side's men for the
    colour strong; a legal position where the side to move has a move."""
    men = [(chess.Piece.from_symbol(letter).piece_type, colour)
           for side, colour in zip(material.split("v"), (strong, not strong)) for letter in side]
    while True:
        board = chess.Board(None)
        for (piece_type, colour), square in zip(men, rng.sample(chess.SQUARES, len(men))):
            board.set_piece_at(square, chess.Piece(piece_type, colour))
        board.turn = turn
        if board.is_valid() and any(board.legal_moves):
            return board


def run_workers(jobs, concurrency, work):
    """work(list of jobs) in concurrency threads, each owning its engines."""
    chunks = [jobs[i::concurrency] for i in range(concurrency)]
    with concurrent.futures.ThreadPoolExecutor(concurrency) as pool:
        return [result for chunk in pool.map(work, chunks) for result in chunk]


def agree(args):
    rng = random.Random(args.seed)
    jobs = []
    for i in range(args.positions):
        material = AGREE_MATERIAL[i % len(AGREE_MATERIAL)]
        board = random_board(rng, material, rng.choice(chess.COLORS), rng.choice(chess.COLORS))
        jobs.append((material, board))
    options = [("SyzygyPath", args.syzygy_dir)]

    def work(chunk):
        tables, engine, results = open_tables(args.syzygy_dir), Uci(args.engine, options), []
        for material, board in chunk:
            want = tables_result(tables, board)
            try:
                move, score, tbhits = engine.search(board, "go nodes %d" % args.nodes, PATIENCE)
            except ProtocolFailure as failure:
                results.append((material, want, "protocol failure: %s" % failure, board.fen(), 0))
                engine.kill()
                engine = Uci(args.engine, options)
                continue
            got = score_result(score, args.win_cp)
            child = board.copy()
            child.push(move)
            kept = -tables_result(tables, child)
            problem = None
            if got != want or kept != want:
                problem = "tables: %s; score %s (%s); %s leads to a %s" % (
                    RESULT[want], " ".join(map(str, score or ("none",))), RESULT[got], move.uci(), RESULT[kept])
            results.append((material, want, problem, board.fen(), tbhits or 0))
        engine.close()
        return results

    start = time.time()
    results = run_workers(jobs, args.concurrency, work)
    bad = [r for r in results if r[2]]
    per_material = collections.Counter(r[0] for r in results)
    outcomes = collections.Counter(r[1] for r in results)
    print("tablebase_check agree: %d positions (%s; %s), %d agree, %d disagree, tbhits %d, %.0f s" % (
        len(results), ", ".join("%s %d" % (RESULT[v], outcomes[v]) for v in (1, 0, -1)),
        " ".join("%s %d" % (m, per_material[m]) for m in AGREE_MATERIAL if per_material[m]),
        len(results) - len(bad), len(bad),
        sum(r[4] for r in results), time.time() - start))
    for material, _, problem, fen, _ in bad:
        print("  %s  %s: %s" % (fen, material, problem))
    return 1 if bad else 0


def play(engine, defender, board, movetime):
    """Plays the game out from board; returns how it ended, from the side
    to move at the start: won, lost, fifty or the other draw's name."""
    strong = board.turn
    engine.new_game()
    defender.new_game()
    go = "go movetime %d" % max(1, round(movetime * 1000))
    while True:
        if board.is_checkmate():
            return "won" if board.turn != strong else "lost"
        if board.is_stalemate():
            return "stalemate"
        if board.is_insufficient_material():
            return "insufficient material"
        if board.is_repetition(3):
            return "repetition"
        if board.is_fifty_moves():
            return "fifty"
        player = engine if board.turn == strong else defender
        move, _, _ = player.search(board, go, movetime + PATIENCE)
        board.push(move)


def convert(args):
    rng = random.Random(args.seed)
    tables = open_tables(args.syzygy_dir)
    jobs = []
    for ending in args.endings.split(","):
        for _ in range(args.per_ending):
            while True:
                strong = rng.choice(chess.COLORS)
                board = random_board(rng, ending, strong, strong)
                if tables.probe_wdl(board) == 2:
                    jobs.append((ending, board))
                    break
    mine = [] if args.no_tables else [("SyzygyPath", args.syzygy_dir)]
    theirs = [("Threads", 1), ("Hash", 16), ("SyzygyPath", args.syzygy_dir)]

    def work(chunk):
        engine, defender, results = Uci(args.engine, mine), Uci(args.defender, theirs), []
        for ending, start in chunk:
            board = start.copy()
            try:
                how = play(engine, defender, board, args.movetime)
            except ProtocolFailure as failure:
                side = "engine" if board.turn == start.turn else "defender"
                how = "protocol failure (%s): %s" % (side, failure)
                engine.kill()
                defender.kill()
                engine, defender = Uci(args.engine, mine), Uci(args.defender, theirs)
            results.append((ending, start.fen(), how, len(board.move_stack)))
        engine.close()
        defender.close()
        return results

    begin = time.time()
    results = run_workers(jobs, args.concurrency, work)
    failures = [r for r in results if r[2].startswith("protocol")]
    not_won = [r for r in results if r[2] != "won"]
    print("tablebase_check convert (%s, %g s a move): %d games, %d won, %d protocol failures, %.0f s" % (
        "no tables" if args.no_tables else "tables", args.movetime, len(results), len(results) - len(not_won),
        len(failures), time.time() - begin))
    for ending in args.endings.split(","):
        games = [r for r in results if r[0] == ending]
        count = collections.Counter(r[2] for r in games)
        other = count["stalemate"] + count["insufficient material"] + count["repetition"]
        print("  %s: %d won, %d drawn by fifty moves, %d drawn otherwise, %d lost, %d failed, %.1f moves on average"
              % (ending, count["won"], count["fifty"], other, count["lost"], sum(r in failures for r in games),
                 sum((r[3] + 1) // 2 for r in games) / max(1, len(games))))
    for ending, fen, how, plies in not_won:
        print("  not won: %s  %s: %s after %d plies" % (fen, ending, how, plies))
    return 1 if failures or (not_won and not args.no_tables) else 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("engine")
    ap.add_argument("syzygy_dir")
    ap.add_argument("mode", choices=["agree", "convert"])
    ap.add_argument("--positions", type=int, default=60)
    ap.add_argument("--nodes", type=int, default=20000)
    ap.add_argument("--win-cp", type=int, default=19800, help="the least cp a tablebase win is reported with")
    ap.add_argument("--per-ending", type=int, default=2)
    ap.add_argument("--movetime", type=float, default=0.05)
    ap.add_argument("--no-tables", action="store_true")
    ap.add_argument("--endings", default="KQvK,KRvK,KBNvK,KPvK")
    ap.add_argument("--defender", default="/usr/games/stockfish")
    ap.add_argument("--concurrency", type=int, default=1)
    ap.add_argument("--seed", type=int, default=38)
    args = ap.parse_args()
    args.engine = os.path.abspath(args.engine)
    args.syzygy_dir = ":".join(os.path.abspath(folder) for folder in args.syzygy_dir.split(":"))
    wanted = AGREE_MATERIAL if args.mode == "agree" else args.endings.split(",")
    missing = [m for m in wanted if not any(os.path.isfile(os.path.join(folder, m + ".rtbw"))
                                            for folder in args.syzygy_dir.split(":"))]
    if missing:
        print("tablebase_check: FAILED: no tables for %s in %s" % (", ".join(missing), args.syzygy_dir))
        return 1
    return agree(args) if args.mode == "agree" else convert(args)


if __name__ == "__main__":
    sys.exit(main())
