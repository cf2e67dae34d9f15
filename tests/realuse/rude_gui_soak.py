#!/usr/bin/env python3
"""A rude GUI: the real program, with its input thread, driven over UCI and
over xboard with random but well-formed traffic sent at random moments, and
with malformed lines among it.

UCI: positions (good, refused FENs, illegal move lists), go with every limit
(depth, nodes, movetime, the clock, infinite, mate, ponder, searchmoves),
stop, isready and ponderhit at random times during searches, options in and
out of range, and junk lines (empty, very long, binary).

xboard: new, force, setboard (good and corrupted), moves, undo, remove,
result, hint, go with sd, st and nps, and ?, ping, undo, remove, setboard, new and
result during the engine's thinking and during analysis; easy and hard with
pondering; options in and out of range; junk; bare commands.

It checks: the process never dies or hangs; every go gets exactly one
bestmove, legal in its position (python-chess judges), and nothing else
does; every xboard move and hint is legal where it is given; every isready
gets its readyok and every ping its pong, in order; a FEN python-chess
refuses is refused; book.dat is whole at the end.

With --threads N the strong search thinks on N threads from the handshake
on, and the random options change Threads (and xboard's cores) between
searches, Hash too.

Usage: rude_gui_soak.py ENGINE [--cycles N] [--seed S] [--protocols uci,xboard] [--threads N] [--keep DIR]
Needs python-chess (see pychess_client.py): fails without it in CI, skips
with exit 77 elsewhere.  Exit status 0 when every cycle passed."""
import argparse
import os
import queue
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pychess_client  # noqa: E402

BOOK_SIZE = 1051656
THREADS = 1  # the strong search's threads from the handshake on (--threads)
HANG_SECONDS = 30  # no answer within this: the engine hangs
chess = None


class Failure(Exception):
    pass


class Engine:
    """The program over pipes; its output lines arrive through a thread."""

    def __init__(self, path, folder, log):
        # Its error stream (refusals, a sanitizer's report) stays in the folder,
        # which a failing run leaves behind.
        self.errors = open(os.path.join(folder, "stderr.txt"), "wb")
        self.proc = subprocess.Popen([path], cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self.errors)
        self.lines = queue.Queue()
        self.log = log
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode("latin-1").rstrip("\r\n"))
        self.lines.put(None)

    def send(self, text):
        data = text if isinstance(text, bytes) else text.encode("latin-1")
        self.log.append(b"> " + data[:200])
        try:
            self.proc.stdin.write(data + b"\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            raise Failure("the engine died (its input closed) at: %r" % data[:80])

    def next_line(self, timeout):
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            return "<timeout>"
        if line is None:
            raise Failure("the engine died (exit %s)" % self.proc.poll())
        self.log.append(b"< " + line[:200].encode("latin-1"))
        return line

    def until(self, wanted, what, seen=None):
        """Lines up to and including the first for which wanted is true."""
        deadline = time.monotonic() + HANG_SECONDS
        while True:
            left = deadline - time.monotonic()
            line = self.next_line(max(left, 0.01))
            if line == "<timeout>":
                raise Failure("no %s within %d s: the engine hangs" % (what, HANG_SECONDS))
            if seen is not None:
                seen.append(line)
            if wanted(line):
                return line

    def quit(self):
        try:
            self.send("quit")
            self.proc.stdin.close()
        except Failure:
            pass
        try:
            code = self.proc.wait(timeout=HANG_SECONDS)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise Failure("the engine did not end after quit")
        if code != 0:
            raise Failure("the engine ended with status %d" % code)


# --- positions -------------------------------------------------------------

def random_board(rng, max_plies):
    board = chess.Board()
    for _ in range(rng.randint(0, max_plies)):
        moves = list(board.legal_moves)
        if not moves:
            break
        board.push(rng.choice(moves))
    return board


def corrupted_fen(rng, board):
    """A FEN of board with one field spoilt so that python-chess refuses it."""
    fields = board.fen().split()
    spoil = rng.randrange(6)
    if spoil == 0:
        fields[1] = rng.choice(["x", "W", "white", "-", "bw"])
    elif spoil == 1:
        fields[2] = rng.choice(["XYZ", "KQkqK", "kqKQ", "KQkq1", "KQkqq"])
    elif spoil == 2:
        fields[3] = rng.choice(["e9", "i3", "e", "e33", "z6"])
    elif spoil == 3:
        fields[4] = rng.choice(["-1", "x", "1.5", "-20"])
    elif spoil == 4:
        fields[5] = rng.choice(["-1", "one", "2x"])
    else:
        fields.append(rng.choice(["extra", "0", "w"]))  # ("moves" would begin UCI's move list)
    fen = " ".join(fields)
    try:
        refused = bool(chess.Board(fen).status() & (chess.STATUS_BAD_CASTLING_RIGHTS | chess.STATUS_INVALID_EP_SQUARE))
    except ValueError:
        refused = True
    if not refused:
        raise Failure("the soak spoilt a FEN that python-chess still reads: %s" % fen)
    return fen


def junk_line(rng, word_by_word=False):
    """A line no GUI should send.  Under xboard the old commands read the
    line word by word, so its words there are of letters that spell no
    move, no SAN and no command ("e4" or "quit" in it would be obeyed)."""
    kind = rng.randrange(4)
    if kind == 0:
        return b""
    if kind == 1:
        letters = b"jkmpvwxz " if word_by_word else b"abcdefgh12345678 "
        return b"\x01" + bytes(rng.choice(letters) for _ in range(rng.randint(300, 12000)))
    if kind == 2:
        # Binary, but never a line end: the junk stays one line.
        return b"\x02" + bytes(rng.choice([b for b in range(256) if b != 10]) for _ in range(rng.randint(1, 200)))
    return rng.choice([b"   ", b"\t\t", b"\x00", b"zzz qqq", b"\xff\xfe", b"\r"])


def uci_move(board, text):
    try:
        move = chess.Move.from_uci(text)
    except ValueError:
        return None
    return move if move in board.legal_moves else None


# --- UCI ---------------------------------------------------------------------

class UciSoak:
    def __init__(self, engine, rng):
        self.e, self.rng = engine, rng
        self.figures = {"bestmoves checked": 0, "readyok during searches": 0, "stops": 0, "refused": 0}
        self.board = chess.Board()  # the last accepted position
        self.ready_sent = 0
        self.ready_got = 0

    def handshake(self):
        self.e.send("uci")
        self.e.until(lambda l: l == "uciok", "uciok")
        if THREADS > 1:
            self.e.send("setoption name Threads value %d" % THREADS)

    def isready(self, seen=None):
        self.e.send("isready")
        self.ready_sent += 1
        self.e.until(lambda l: l == "readyok", "readyok", seen)
        self.ready_got += 1

    def set_position(self):
        rng = self.rng
        kind = rng.randrange(10)
        if kind < 6:
            board = random_board(rng, 40)
            if rng.random() < 0.5:
                moves = [m.uci() for m in board.move_stack]
                self.e.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
            else:
                self.e.send("position fen " + board.fen())
                board = chess.Board(board.fen())
            self.board = board
        elif kind < 8:
            # Refused: the last accepted position stays.
            self.e.send("position fen " + corrupted_fen(rng, random_board(rng, 20)))
            self.expect_info("refused FEN")
        else:
            board = random_board(rng, 10)
            moves = [m.uci() for m in board.move_stack] + [rng.choice(["e2e5", "a1a1", "h9h1", "e7e8k"])]
            self.e.send("position startpos moves " + " ".join(moves))
            self.expect_info("illegal move list")

    def expect_info(self, what):
        seen = []
        self.isready(seen)
        if not any(l.startswith("info string") for l in seen):
            raise Failure("no info string for a %s" % what)
        self.figures["refused"] += 1

    def options(self):
        rng = self.rng
        line = rng.choice([
            "setoption name MultiPV value %d" % rng.randint(1, 3),
            "setoption name MultiPV value %d" % rng.choice([0, 65, -1]),
            "setoption name Hash value %d" % rng.choice([1, 4, 16, 0, 5000]),
            "setoption name Threads value %d" % rng.choice([1, THREADS, THREADS + 1, 0, 65]),
            "setoption name Move Overhead value %d" % rng.choice([0, 10, 6000]),
            "setoption name Search value %s" % rng.choice(["Classic", "Strong", "Fast"]),
            "setoption name Evaluation value %d" % rng.choice([0, 1, 2, 3, 9]),
            "setoption name Ponder value %s" % rng.choice(["true", "false", "maybe"]),
            "setoption name No Such Option value 3",
            "setoption name Clear Hash",
            "setoption",
            "ucinewgame",
            "debug on",
        ])
        self.e.send(line)
        if line == "ucinewgame":
            self.board = chess.Board()  # a new game starts from the start

    def go(self):
        rng = self.rng
        legal = list(self.board.legal_moves)
        kind = rng.choice(["depth", "nodes", "movetime", "clock", "infinite", "mate", "ponder", "searchmoves"])
        allowed = None
        if kind == "depth":
            line = "go depth %d" % rng.randint(1, 4)
        elif kind == "nodes":
            line = "go nodes %d" % rng.randint(1, 20000)
        elif kind == "movetime":
            line = "go movetime %d" % rng.randint(1, 60)
        elif kind == "clock":
            line = "go wtime %d btime %d winc %d binc %d" % (rng.randint(10, 3000), rng.randint(10, 3000),
                                                              rng.randint(0, 50), rng.randint(0, 50))
            if rng.random() < 0.5:
                line += " movestogo %d" % rng.randint(1, 30)
        elif kind == "infinite":
            line = "go infinite"
        elif kind == "mate":
            line = "go mate %d" % rng.randint(1, 3)
        elif kind == "ponder":
            line = "go ponder wtime %d btime %d" % (rng.randint(100, 2000), rng.randint(100, 2000))
        else:
            if legal:
                allowed = set(m.uci() for m in rng.sample(legal, rng.randint(1, min(3, len(legal)))))
            line = "go depth %d searchmoves %s" % (rng.randint(1, 3), " ".join(sorted(allowed or ["a1a2"])))
        self.e.send(line)
        waits = kind in ("infinite", "ponder")  # no answer before stop or ponderhit
        ends_itself = kind in ("depth", "nodes", "movetime", "clock", "searchmoves")
        seen = []
        stopped = False
        # Questions and orders at random moments during the search.
        for _ in range(rng.randint(0, 3)):
            time.sleep(rng.random() * 0.03)
            act = rng.randrange(4)
            if act == 0:
                self.e.send("isready")
                self.ready_sent += 1
                self.e.until(lambda l: l == "readyok" or l.startswith("bestmove"), "readyok", seen)
                if seen[-1] == "readyok":
                    self.ready_got += 1
                    self.figures["readyok during searches"] += 1
                else:
                    if waits and not stopped:
                        raise Failure("bestmove before stop or ponderhit after %r" % line)
                    self.e.until(lambda l: l == "readyok", "readyok", seen)
                    self.ready_got += 1
                    break
            elif act == 1 and kind == "ponder":
                self.e.send("ponderhit")
                waits = False
            elif act == 2:
                self.e.send("stop")
                stopped = True
                self.figures["stops"] += 1
                break
            else:
                self.e.send(junk_line(rng) if rng.random() < 0.5 else b"ponderhit")
                if kind == "ponder":
                    waits = False
        if not any(l.startswith("bestmove") for l in seen):
            if not ends_itself and not stopped and (waits or kind == "mate" or kind == "ponder"):
                time.sleep(rng.random() * 0.03)
                self.e.send("stop")
                stopped = True
            self.e.until(lambda l: l.startswith("bestmove"), "bestmove after %r" % line, seen)
        answers = [l for l in seen if l.startswith("bestmove")]
        if len(answers) != 1:
            raise Failure("%d bestmoves for %r" % (len(answers), line))
        # Nothing more: a question answered only after the bestmove.
        self.isready(seen)
        if sum(1 for l in seen if l.startswith("bestmove")) != 1:
            raise Failure("a second bestmove for %r" % line)
        words = answers[0].split()
        best = words[1] if len(words) > 1 else ""
        if not legal:
            if best != "0000":
                raise Failure("bestmove %s with no legal move in %s" % (best, self.board.fen()))
            return
        move = uci_move(self.board, best)
        if move is None:
            raise Failure("bestmove %s is illegal in %s (after %r)" % (best, self.board.fen(), line))
        if allowed is not None and best not in allowed:
            raise Failure("bestmove %s is not among searchmoves %s" % (best, sorted(allowed)))
        self.figures["bestmoves checked"] += 1

    def cycle(self):
        rng = self.rng
        for _ in range(rng.randint(0, 2)):
            r = rng.random()
            if r < 0.5:
                self.options()
            elif r < 0.8:
                self.e.send(junk_line(rng))
            else:
                self.e.send(rng.choice(["register later", "position", "position fen", "uci x",
                                        "stop", "ponderhit", "readyok"]))
        self.set_position()
        self.go()

    def finish(self):
        self.isready()
        if self.ready_got != self.ready_sent:
            raise Failure("%d readyok for %d isready" % (self.ready_got, self.ready_sent))


# --- xboard ------------------------------------------------------------------

RESULT_PREFIXES = ("1-0", "0-1", "1/2-1/2")


class XboardSoak:
    def __init__(self, engine, rng):
        self.e, self.rng = engine, rng
        self.board = chess.Board()
        self.ping = 0
        self.ended = False  # the engine claimed or saw the game's end
        self.figures = {"moves checked": 0, "pongs": 0, "interrupted turns": 0, "analyses": 0, "refused": 0,
                        "hints": 0}

    def handshake(self):
        self.e.send("xboard")
        self.e.send("protover 2")
        self.e.until(lambda l: l.startswith("feature") and "done=1" in l, "feature done=1")
        self.e.send("accepted done")
        if THREADS > 1:
            self.e.send("cores %d" % THREADS)

    def sync(self, seen=None):
        """ping, and the lines up to its pong; the pongs must come in order."""
        self.ping += 1
        self.e.send("ping %d" % self.ping)
        lines = [] if seen is None else seen
        self.e.until(lambda l: l.startswith("pong"), "pong %d" % self.ping, lines)
        if lines[-1] != "pong %d" % self.ping:
            raise Failure("%r where pong %d was due" % (lines[-1], self.ping))
        self.figures["pongs"] += 1
        return lines

    def engine_moves_in(self, lines, board):
        """Plays each move line on board, checking it; notes a claimed end."""
        for line in lines:
            if line.startswith("move "):
                move = uci_move(board, line.split()[1])
                if move is None:
                    raise Failure("%s is illegal in %s" % (line, board.fen()))
                board.push(move)
                self.figures["moves checked"] += 1
            elif line.startswith(RESULT_PREFIXES):
                self.ended = True
            elif line.startswith("Illegal move"):
                raise Failure("%r for a legal move" % line)

    def set_up(self):
        rng = self.rng
        self.e.send("new")
        self.e.send("force")
        self.ended = False
        self.board = chess.Board()
        if rng.random() < 0.6:
            board = random_board(rng, 30)
            if rng.random() < 0.5:
                self.e.send("setboard " + board.fen())
                self.board = chess.Board(board.fen())
            else:
                for m in board.move_stack:
                    self.e.send(m.uci())
                self.board = board
        if rng.random() < 0.3:
            # Refused: the game stays as it was.
            self.e.send("setboard " + corrupted_fen(rng, random_board(rng, 20)))
            if not any(l.startswith("tellusererror") for l in self.sync()):
                raise Failure("no tellusererror for a corrupted FEN")
            self.figures["refused"] += 1
        if rng.random() < 0.3 and self.board.move_stack:
            plies = rng.choice([1, 2]) if len(self.board.move_stack) >= 2 else 1
            self.e.send("undo" if plies == 1 else "remove")
            for _ in range(plies):
                self.board.pop()
        # Limits, options, bare and bad commands, junk.
        self.e.send(rng.choice(["sd %d" % rng.randint(1, 3), "st 0.0%d" % rng.randint(2, 9), "sd 2"]))
        if rng.random() < 0.3:
            self.e.send("nps %d" % rng.choice([0, 5000, 20000]))
        for _ in range(rng.randint(0, 2)):
            r = rng.random()
            if r < 0.35:
                self.e.send(rng.choice([
                    "option MultiPV=%d" % rng.choice([1, 2, 0, 99]), "option Hash=%d" % rng.choice([1, 8, 0, 9999]),
                    "cores %d" % rng.choice([1, THREADS, 3, 0]), "option Threads=%d" % rng.choice([1, 2, 0, 99]),
                    "option Search=%s" % rng.choice(["Classic", "Strong", "Quick"]), "option Nonsense=1",
                    "option MoveOverhead=%d" % rng.choice([0, 20, -5]), "option ClearHash", "post", "nopost",
                    "easy", "hard", "random", "computer", "name Someone Else", "rating 2000 1500",
                    "time %d" % rng.randint(100, 5000), "otim %d" % rng.randint(100, 5000)]))
            elif r < 0.7:
                self.e.send(junk_line(rng, True))
            else:
                self.e.send(rng.choice(["ping", "exclude", "include", "time", "otim", "st", "sd", "nps x",
                                        "memory", "time ten", "setboard", "result", "exclude e2e5",
                                        "include all"]))
        # Now and then a hint: at most one, legal here, and nothing moves.
        asked = rng.random() < 0.1
        if asked:
            self.e.send("hint")
        lines = self.sync()
        hints = [l for l in lines if l.startswith("Hint: ")]
        if len(hints) > int(asked) or any(l.startswith("move ") for l in lines):
            raise Failure("after %s: %r" % ("a hint" if asked else "the set-up", lines))
        for line in hints:
            if uci_move(self.board, line.split()[1]) is None:
                raise Failure("%r is no legal move in %s" % (line, self.board.fen()))
            self.figures["hints"] += 1

    def playable(self):
        return (not self.ended and not self.board.is_game_over(claim_draw=True)
                and not self.board.is_insufficient_material())

    def think(self):
        """go, then now and then a line that moves now or takes the turn back."""
        rng = self.rng
        if not self.playable():
            return
        pondering = rng.random() < 0.25
        self.e.send("hard" if pondering else "easy")
        self.e.send("go")
        time.sleep(rng.random() * 0.03)
        interrupt = rng.choice([None, None, "?", "undo", "remove", "new", "result 1-0 {rude}", "setboard", "ping"])
        board = self.board.copy()
        if interrupt is None:
            lines = []
            self.e.until(lambda l: l.startswith("move ") or l.startswith(RESULT_PREFIXES), "move", lines)
            lines += self.sync()
        else:
            if interrupt == "setboard":
                target = random_board(rng, 20)
                self.e.send("setboard " + target.fen())
            elif interrupt != "ping":
                self.e.send(interrupt)
            self.figures["interrupted turns"] += 1
            lines = self.sync()
        self.engine_moves_in(lines, board)
        moved = len(board.move_stack) > len(self.board.move_stack)
        self.board = board
        # The interrupting line acts after any move that went out before it.
        if interrupt in ("undo", "remove"):
            for _ in range(1 if interrupt == "undo" else 2):
                if self.board.move_stack:
                    self.board.pop()
            self.ended = False
        elif interrupt == "new":
            self.board = chess.Board()
            self.ended = False
            self.e.send("force")
            return
        elif interrupt == "setboard":
            self.board = chess.Board(target.fen())
            self.ended = False
        elif interrupt and interrupt.startswith("result"):
            self.ended = True
        if interrupt in ("undo", "remove", "setboard", "result 1-0 {rude}"):
            self.e.send("force")
            return
        if not moved:
            if interrupt == "?" and not self.ended:
                raise Failure("no move after ?")
            self.e.send("force")
            return
        # The engine plays on: a reply from "the user" gets its answer (from
        # the ponder search when it was the expected one).
        if self.playable() and rng.random() < 0.6:
            reply = rng.choice(list(self.board.legal_moves))
            self.e.send(reply.uci())
            self.board.push(reply)
            if self.playable():
                lines = []
                self.e.until(lambda l: l.startswith("move ") or l.startswith(RESULT_PREFIXES), "answer", lines)
                lines += self.sync()
                self.engine_moves_in(lines, self.board)
        self.e.send("force")
        self.sync()

    def analyse(self):
        rng = self.rng
        self.figures["analyses"] += 1
        self.e.send("post")
        self.e.send("analyze")
        for _ in range(rng.randint(1, 3)):
            time.sleep(rng.random() * 0.03)
            act = rng.randrange(5)
            if act == 0:
                self.e.send(".")
            elif act == 1 and self.board.move_stack:
                self.e.send("undo")
                self.board.pop()
            elif act == 2 and self.board.legal_moves and not self.board.is_game_over():
                m = rng.choice(list(self.board.legal_moves))
                self.e.send(m.uci())
                self.board.push(m)
            elif act == 3:
                target = random_board(rng, 20)
                self.e.send("setboard " + target.fen())
                self.board = chess.Board(target.fen())
            else:
                self.sync()
        self.e.send("exit")
        self.e.send("nopost")
        lines = self.sync()
        if any(l.startswith("move ") for l in lines):
            raise Failure("a move during analysis")

    def cycle(self):
        self.set_up()
        if self.rng.random() < 0.25:
            self.analyse()
        else:
            self.think()

    def finish(self):
        self.sync()


# --- the run -------------------------------------------------------------------

def soak(path, protocol, cycles, seed, keep):
    folder = tempfile.mkdtemp(prefix="orvane-rude-%s-" % protocol)
    log = []
    rng = random.Random("%s-%d" % (protocol, seed))
    engine = Engine(path, folder, log)
    driver = (UciSoak if protocol == "uci" else XboardSoak)(engine, rng)
    done = 0
    began = time.monotonic()
    try:
        driver.handshake()
        for done in range(1, cycles + 1):
            driver.cycle()
        driver.finish()
        engine.quit()
        book = os.path.join(folder, "book.dat")
        if not os.path.exists(book) or os.path.getsize(book) != BOOK_SIZE:
            raise Failure("book.dat missing or not %d bytes at the end" % BOOK_SIZE)
        tool = os.path.join(os.path.dirname(path), "orvane-tool")
        if os.path.exists(tool) and subprocess.run([tool, "book", book], capture_output=True).returncode != 0:
            raise Failure("orvane-tool book cannot read book.dat")
    except Failure as failure:
        if engine.proc.poll() is None:
            engine.proc.kill()
        where = os.path.join(keep or folder, "rude-%s-seed%d.log" % (protocol, seed))
        os.makedirs(os.path.dirname(where), exist_ok=True)
        with open(where, "wb") as out:
            out.write(b"\n".join(log[-400:]) + b"\n")
        print("rude_gui_soak: FAILED: %s, seed %d, cycle %d: %s (last traffic in %s, the engine's folder %s)" % (
            protocol, seed, done, failure, where, folder))
        return False
    shutil.rmtree(folder, ignore_errors=True)
    print("rude_gui_soak: %s: %d cycles, seed %d, 0 failures, %.1f s (%s)" % (
        protocol, cycles, seed, time.monotonic() - began, ", ".join("%s %d" % kv for kv in driver.figures.items())))
    return True


def main():
    global chess
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("engine")
    ap.add_argument("--cycles", type=int, default=500)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--protocols", default="uci,xboard")
    ap.add_argument("--keep", default=None, help="folder for the traffic log of a failing run")
    ap.add_argument("--threads", type=int, default=1,
                    help="the strong search's threads, set after the handshake and varied among the options")
    args = ap.parse_args()
    global THREADS
    THREADS = args.threads
    chess = pychess_client.load("rude_gui_soak", pychess_client.SKIPPED)
    ok = True
    for protocol in args.protocols.split(","):
        ok = soak(os.path.abspath(args.engine), protocol, args.cycles, args.seed, args.keep) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
