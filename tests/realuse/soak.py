#!/usr/bin/env python3
"""Soak: many self-play games of the real program through its xboard interface.

Every move the program prints is checked against an independent model
(chessrules.py), and so is every result line.  In xboard mode the program
plays and claims by standard chess, whatever its own rules say: its moves must
be legal in standard chess; a game ends exactly where standard chess ends it,
after a mate or a stalemate (with that line) or where it grants a draw (with
one claim line naming a draw it grants: a threefold repetition of the same
position, fifty moves each without a capture or a pawn move, a dead position);
and where only the engine's own rules would see a draw (a board repeated
with another side to move or other rights, fifty moves without a capture but
with pawn moves, a knight each), the program plays on.  One claim ends the
game: the program says nothing more about it, not when the GUI's "result"
comes either.  It never answers "Illegal move".  Two ways of play alternate:

  go    one process plays both sides: "go" for every move;
  pair  two processes play each other the way a GUI makes them: the move of
        one is sent to the other (after a SIGINT and "time"/"otim", as xboard
        does), which answers it by itself.  The move that ends the game goes
        to the other process too, which must see the same end (and, after a
        draw, claim it itself: the claim after the opponent's move).

Each game starts with "new", "force" and a few random opening moves (from the
model, seeded per game), at a small fixed depth ("noclocks", "depth N").  The
"go" games are the classic search's; in the pair the strong search (what a
GUI of protocol 2 gets by default) plays the classic one.  The
processes are reused from game to game ("result", "force", "new") and end with
"quit"; each must then exit with status 0, have written nothing to standard
error, and leave a whole book.dat.  Exit status 0 when every game passed.

To know when the program has finished answering, each batch of words is
followed by "protover", whose feature lines (from the name line to "feature
done=1") mark the end of the answer (the program does everything in order
and reads nothing while it thinks).
"""
import argparse
import os
import random
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chessrules  # noqa: E402

BOOK_SIZE = 1051656
NAME_LINE = 'feature myname="Orvane 1.25 by Quenwick"'
DONE_LINE = "feature done=1"
RESULT_LINES = {"1-0 {White mates}", "0-1 {Black mates}", "1/2-1/2 {Stalemate}",
                "1/2-1/2 {Draw by triple repetition}", "1/2-1/2 {Draw by 50 move rule}",
                "1/2-1/2 {Draw by insufficient material}"}


class Failure(Exception):
    pass


class Engine:
    """One running program in its own working directory."""

    def __init__(self, binary, workdir, answer_timeout):
        self.workdir = workdir
        self.timeout = answer_timeout
        self.stderr_path = os.path.join(workdir, "stderr.txt")
        self.stderr = open(self.stderr_path, "wb")
        self.proc = subprocess.Popen([binary], cwd=workdir, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self.stderr, preexec_fn=default_signals)
        self.buffer = b""
        self.transcript = []  # last words and lines, for failure reports

    def send(self, text):
        self.transcript.append("> " + text.strip().replace("\n", " | "))
        del self.transcript[:-60]
        try:
            self.proc.stdin.write(text.encode())
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError) as e:
            raise Failure("cannot write to the program (%s); exit status %s" % (e, self.proc.poll()))

    def read_line(self, deadline):
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure("no answer within %.0f s" % self.timeout)
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if not ready:
                continue
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                raise Failure("the program closed its output (exit status %s)" % self.proc.wait(5))
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        text = line.decode(errors="replace").rstrip("\r")
        self.transcript.append("< " + text)
        return text

    def ask(self, words):
        """Sends words, then "protover"; returns the lines printed before the
        two feature lines that answer it."""
        self.send(words + "\nprotover 2\n")
        deadline = time.monotonic() + self.timeout
        lines = []
        while True:
            line = self.read_line(deadline)
            if line == DONE_LINE:
                # protover's answer: the name line, the other features and
                # options, then done=1
                if NAME_LINE not in lines:
                    raise Failure("\"feature done=1\" without the name line before it")
                start = len(lines) - 1 - lines[::-1].index(NAME_LINE)
                odd = [l for l in lines[start:] if not l.startswith("feature ")]
                if odd:
                    raise Failure("lines among the features: %r" % odd)
                return lines[:start]
            lines.append(line)

    def quit(self):
        self.send("quit\n")
        try:
            status = self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise Failure("the program did not end within 10 s of \"quit\"")
        self.stderr.close()
        rest = self.proc.stdout.read().decode(errors="replace")
        if status != 0:
            raise Failure("exit status %d after \"quit\"" % status)
        if rest.strip():
            raise Failure("output after the last answer: %r" % rest[:200])
        err = open(self.stderr_path, errors="replace").read()
        if err.strip():
            raise Failure("standard error: %r" % err[:500])
        book = os.path.join(self.workdir, "book.dat")
        if not os.path.exists(book) or os.path.getsize(book) != BOOK_SIZE:
            raise Failure("book.dat missing or not %d bytes after \"quit\"" % BOOK_SIZE)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if not self.stderr.closed:
            self.stderr.close()


def default_signals():
    # A driver started in the background inherits SIGINT ignored; the program
    # must meet the SIGINT of a real GUI, so it gets the default action back.
    for s in (signal.SIGINT, signal.SIGQUIT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, signal.SIG_DFL)


def check_handshake(engine):
    t0 = time.monotonic()
    lines = engine.ask("xboard")
    took = time.monotonic() - t0
    # the banner and the diagram of human mode, which "xboard" switches off
    if not lines or lines[0] != "Chess engine Orvane 1.25 by Quenwick" or any(l.startswith("move") for l in lines):
        raise Failure("unexpected lines at start-up: %r" % lines[:5])
    if took > 2.0:
        raise Failure("handshake took %.2f s (xboard waits 2 s)" % took)
    return took


def check_answer(lines, game, who, expect_move, stats=None):
    """Checks the lines of one answer.  With expect_move, the program must
    move: the move is checked and played on the model; without, the move
    that is answered was played on the model already.  Returns (move text
    or None, the result line printed or None)."""
    played = None
    rest = []
    own_draw_before = game.own_draw()
    for line in lines:
        if line.startswith("Illegal move"):
            raise Failure("%s: %r" % (who, line))
        if line.startswith("move "):
            if played is not None or not expect_move:
                raise Failure("%s: unexpected move line %r" % (who, line))
            text = line[5:].strip()
            m = game.find_standard(text)
            if m is None:
                raise Failure("%s: %r is not legal in standard chess; legal: %s" % (
                    who, text, " ".join(chessrules.move_text(x) for x in game.standard_moves())))
            game.play(m)
            played = text
            continue
        if played is None and expect_move and line in RESULT_LINES:
            raise Failure("%s: %r before any move, where standard chess has %s" % (
                who, line, game.standard_end()))
        rest.append(line)
    if expect_move and played is None:
        raise Failure("%s: no move line; printed %r" % (who, lines))
    for line in rest:
        if line not in RESULT_LINES:
            raise Failure("%s: unexpected line %r" % (who, line))
    end = game.standard_end()
    if end is None:
        if rest:
            raise Failure("%s: %r printed, but standard chess plays on" % (who, rest))
        if stats is not None and game.own_draw() and not own_draw_before:
            stats["own draws played past"] += 1
        return played, None
    if not rest:
        raise Failure("%s: standard chess ends the game (%s); nothing printed" % (who, " or ".join(sorted(end))))
    if len(rest) > 1:
        raise Failure("%s: %r printed; one result line ends a game" % (who, rest))
    if rest[0] not in end:
        raise Failure("%s: %r printed; standard chess allows %s" % (who, rest[0], " or ".join(sorted(end))))
    return played, rest[0]


def finish(engine, result, who):
    """The GUI's "result" after the end: the program has nothing to add."""
    lines = engine.ask("result %s\nforce" % result)
    if lines:
        raise Failure("%s: after \"result %s\": %r (one claim ends a game)" % (who, result, lines))


def opening(rng):
    """A new model game after a few random legal moves, and their texts."""
    while True:
        game = chessrules.Game()
        texts = []
        for _ in range(rng.choice([0, 1, 2, 2, 3, 4, 4, 5, 6, 8])):
            # the engine's generator promotes to a queen or a knight only
            m = rng.choice([x for x in game.standard_moves() if x[2] in ("", "q", "n")])
            game.play(m)
            texts.append(chessrules.move_text(m))
            if game.standard_end() is not None:
                break
        if game.standard_end() is None:
            return game, texts


MAX_PLIES = 4000  # the fifty-move claim ends every game long before this


def play_go_game(engine, rng, stats, depth):
    game, texts = opening(rng)
    lines = engine.ask("new\nforce\ndepth %d\n" % depth + "".join(t + "\n" for t in texts))
    if lines:
        raise Failure("lines during the opening moves: %r" % lines)
    for ply in range(MAX_PLIES):
        # the noise a GUI sends before a move, now and then
        words = "time %d\notim %d\ngo" % (rng.randint(0, 9999), rng.randint(0, 9999)) if ply % 7 == 3 else "go"
        played, verdict = check_answer(engine.ask(words), game, "go ply %d" % ply, True, stats)
        stats["plies"] += 1
        if verdict is not None:
            finish(engine, verdict, "go ply %d" % ply)
            return verdict
    raise Failure("no end after %d plies" % MAX_PLIES)


def play_pair_game(engines, rng, stats, interrupt, depth):
    game, texts = opening(rng)
    for e in engines:
        lines = e.ask("new\nforce\ndepth %d\n" % depth + "".join(t + "\n" for t in texts))
        if lines:
            raise Failure("lines during the opening moves: %r" % lines)
    # the engine to move starts with "go"; from then on each answers the other
    # (the other gets the first move it must answer in force mode, then "go",
    # as xboard does for an engine whose side did not begin)
    mover = 0 if game.side == "w" else 1
    played, verdict = check_answer(engines[mover].ask("go"), game, "pair go", True, stats)
    stats["plies"] += 1
    started = {mover}
    for ply in range(MAX_PLIES):
        if verdict is not None:
            break
        receiver = engines[1 - mover]
        if interrupt:
            os.kill(receiver.proc.pid, signal.SIGINT)
        words = "time %d\notim %d\n%s" % (rng.randint(0, 9999), rng.randint(0, 9999), played)
        if 1 - mover not in started:
            started.add(1 - mover)
            words += "\n" + ("white" if game.side == "w" else "black") + "\ngo"
        lines = receiver.ask(words)
        played, verdict = check_answer(lines, game, "pair ply %d" % ply, True, stats)
        stats["plies"] += 1
        mover = 1 - mover
    else:
        raise Failure("no end after %d plies" % MAX_PLIES)
    # as a GUI may, the last move goes to the other program too, which must
    # see the same end on its own board: the mate or stalemate, or, after the
    # mover's claim, a draw claim of its own (its first)
    receiver = engines[1 - mover]
    if interrupt:
        os.kill(receiver.proc.pid, signal.SIGINT)
    check_answer(receiver.ask(played), game, "pair final", False)
    for k, e in enumerate(engines):
        finish(e, verdict, "pair %s" % ("white" if k == 0 else "black"))
    return verdict


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--engine", required=True, help="the orvane program")
    ap.add_argument("--games", type=int, default=200)
    ap.add_argument("--depths", default="2", help="search depths, one per game in turn (e.g. 1,2,3)")
    ap.add_argument("--seed", type=int, default=None, help="seed of the openings (default: the time)")
    ap.add_argument("--timeout", type=float, default=30.0, help="seconds allowed for one answer")
    ap.add_argument("--keep", default=None, help="folder that receives the engines' working folders")
    ap.add_argument("--no-interrupt", action="store_true", help="no SIGINT before forwarded moves")
    a = ap.parse_args()

    if not chessrules.self_test():
        return 1
    seed = a.seed if a.seed is not None else int(time.time())
    rng = random.Random(seed)
    engine_path = os.path.abspath(a.engine)
    root = tempfile.mkdtemp(prefix="orvane-soak-")
    dirs = [os.path.join(root, n) for n in ("solo", "white", "black")]
    for d in dirs:
        os.mkdir(d)
    depths = [int(d) for d in a.depths.split(",")]
    print("soak: %d games at depth %s, seed %d, folders in %s" % (a.games, a.depths, seed, root), flush=True)
    stats = {"plies": 0, "own draws played past": 0}
    results = {}
    failures = []
    engines = []
    t0 = time.monotonic()
    handshakes = []
    try:
        solo = Engine(engine_path, dirs[0], a.timeout)
        pair = [Engine(engine_path, dirs[1], a.timeout), Engine(engine_path, dirs[2], a.timeout)]
        engines = [solo] + pair
        for e in engines:
            handshakes.append(check_handshake(e))
            # Both searches: the protocol-2 GUI's default (strong) for one of
            # the pair, the classic one, named, for the other and for solo.
            if e.ask("noclocks" if e is pair[0] else "classicsearch\nnoclocks"):
                raise Failure("lines after the settings")
        for k in range(1, a.games + 1):
            mode = "go" if k % 2 else "pair"
            depth = depths[(k - 1) // 2 % len(depths)]
            try:
                if mode == "go":
                    verdict = play_go_game(solo, rng, stats, depth)
                else:
                    verdict = play_pair_game(pair, rng, stats, not a.no_interrupt, depth)
            except Failure as f:
                failures.append("game %d (%s, depth %d): %s" % (k, mode, depth, f))
                print("FAIL game %d (%s, depth %d): %s" % (k, mode, depth, f), flush=True)
                for e in (solo,) if mode == "go" else pair:
                    print("  transcript of %s:\n    %s" % (e.workdir, "\n    ".join(e.transcript[-30:])))
                break
            results[verdict] = results.get(verdict, 0) + 1
            if k % 20 == 0:
                print("  %d games, %d plies, %.0f s" % (k, stats["plies"], time.monotonic() - t0), flush=True)
        for e in engines:
            try:
                e.quit()
            except Failure as f:
                failures.append("%s at quit: %s" % (e.workdir, f))
    except Failure as f:
        failures.append(str(f))
    finally:
        for e in engines:
            e.kill()
    elapsed = time.monotonic() - t0
    games = sum(results.values())
    print("soak: %d games, %d plies in %.1f s: %.1f games per minute, %.0f plies per second" % (
        games, stats["plies"], elapsed, games * 60.0 / max(elapsed, 1e-9), stats["plies"] / max(elapsed, 1e-9)))
    print("soak: %d times the game went on where only the engine's own rules saw a draw"
          % stats["own draws played past"])
    if handshakes:
        print("soak: slowest handshake %.1f ms" % (1000 * max(handshakes)))
    for v in sorted(results, key=lambda x: -results[x]):
        print("  %4d  %s" % (results[v], v))
    if a.keep:
        os.makedirs(a.keep, exist_ok=True)
        for d in dirs:
            target = os.path.join(a.keep, os.path.basename(d))
            shutil.rmtree(target, ignore_errors=True)
            shutil.copytree(d, target)
    shutil.rmtree(root, ignore_errors=True)
    if failures:
        print("soak: FAILED")
        for f in failures:
            print("  " + f)
        return 1
    if games < a.games:
        print("soak: FAILED: only %d of %d games" % (games, a.games))
        return 1
    print("soak: %d passed, 0 failed" % games)
    return 0


if __name__ == "__main__":
    sys.exit(main())
