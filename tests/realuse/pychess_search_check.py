#!/usr/bin/env python3
"""Every limit and analysis command of both protocols, with the search chosen
by the Search option, over pipes as GUIs send them; python-chess judges each
move and line.

UCI: go depth, nodes, movetime, mate, infinite + stop, searchmoves, go ponder
+ ponderhit and + stop, MultiPV 3; every line with seldepth and hashfull, the
last pv before a bestmove starting with it.  xboard: st, sd, nps, analyze with
"." and exit, exclude in play.

Usage: pychess_search_check.py ENGINE [--search Classic|Strong] [--threads N]
Needs python-chess (ORVANE_PYCHESS, else ../shared/clients/python-chess next
to the checkout); without it the check fails in CI and is skipped with a
message (exit 0) elsewhere."""
import os, queue, subprocess, sys, tempfile, threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pychess_client  # noqa: E402
CLIENT = os.environ.get("ORVANE_PYCHESS") or os.path.normpath(
    os.path.join(HERE, "..", "..", "..", "shared", "clients", "python-chess"))
# Only a safety net against a hung engine: every wait below ends on a line.
PATIENCE = 60
MIDDLEGAME = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8"
MATE_IN_TWO = "7k/8/8/8/8/8/R7/1R4K1 w - - 0 1"       # Ra7 or Rb7, then mate on the eighth
MATE_IN_ONE = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1"   # Ra8#, the only mate
chess = None
label = "?"


THREADS = 1  # the strong search's threads (--threads)


def fail(text):
    print("pychess_search_check (%s): FAILED: %s" % (label, text))
    sys.exit(1)


class Engine:
    """The program on pipes; lines read by a thread, waited for one by one."""

    def __init__(self, path, folder):
        self.proc = subprocess.Popen([path], cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def send(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def until(self, test, what):
        """The lines up to and with the first one passing test."""
        seen = []
        while True:
            try:
                line = self.lines.get(timeout=PATIENCE)
            except queue.Empty:
                fail("no %s within %d s; last lines %r" % (what, PATIENCE, seen[-5:]))
            if line is None:
                fail("the engine ended before %s; last lines %r" % (what, seen[-5:]))
            seen.append(line)
            if test(line):
                return seen

    def quit(self):
        self.send("quit")
        if self.proc.wait(timeout=PATIENCE) != 0:
            fail("exit status %d" % self.proc.returncode)


# ---- UCI

def uci_fields(line):
    """An info line's fields: numbers by name, score, pv as a list."""
    words, fields, i = line.split(), {}, 1
    while i < len(words):
        key = words[i]
        if key == "pv":
            fields["pv"] = words[i + 1:]
            break
        if key == "score":
            fields["score"] = (words[i + 1], int(words[i + 2]))
            i += 3
            continue
        if key == "string":
            break
        fields[key] = words[i + 1] if key == "currmove" else int(words[i + 1])
        i += 2
    return fields


def uci_go(eng, board, go, moves_allowed=None):
    """Sends the position and go; the bestmove, judged, and the info lines."""
    eng.send("position fen %s moves %s" % (board.root().fen(), " ".join(m.uci() for m in board.move_stack))
             if board.move_stack else "position fen " + board.fen())
    eng.send(go)
    return uci_answer(eng, board, go, moves_allowed)


def uci_answer(eng, board, go, moves_allowed=None, before=()):
    lines = list(before) + eng.until(lambda l: l.startswith("bestmove"), "bestmove after '%s'" % go)
    words = lines[-1].split()
    move = chess.Move.from_uci(words[1])
    if move not in board.legal_moves:
        fail("'%s' in %s: illegal %s" % (go, board.fen(), lines[-1]))
    if moves_allowed is not None and move not in moves_allowed:
        fail("'%s': %s is not among the moves allowed" % (go, move))
    infos = [uci_fields(l) for l in lines if l.startswith("info ") and " pv " in l]
    if not infos:
        fail("'%s': no line of play before %s" % (go, lines[-1]))
    for info in infos:
        if "seldepth" not in info or "hashfull" not in info:
            fail("'%s': a line without seldepth or hashfull: %r" % (go, info))
        if info["seldepth"] < 1 or not 0 <= info["hashfull"] <= 1000:
            fail("'%s': seldepth or hashfull out of range: %r" % (go, info))
        line_board = board.copy()
        for text in info["pv"]:
            step = chess.Move.from_uci(text)
            if step not in line_board.legal_moves:
                fail("'%s': pv %s has the illegal %s" % (go, info["pv"], text))
            line_board.push(step)
    # (with MultiPV, the last first line: the one GUIs show as the engine's)
    main_line = [i for i in infos if i.get("multipv", 1) == 1][-1]["pv"]
    if main_line[0] != words[1]:
        fail("'%s': the last pv %s does not start with %s" % (go, main_line, words[1]))
    if len(words) == 4:
        after = board.copy()
        after.push(move)
        if words[2] != "ponder" or chess.Move.from_uci(words[3]) not in after.legal_moves:
            fail("'%s': bad ponder move in %s" % (go, lines[-1]))
    return move, infos


def check_uci(path, folder, search):
    eng = Engine(path, folder)
    eng.send("uci")
    eng.until(lambda l: l == "uciok", "uciok")
    eng.send("setoption name Search value " + search)
    eng.send("setoption name Threads value %d" % THREADS)
    eng.send("ucinewgame")
    eng.send("isready")
    eng.until(lambda l: l == "readyok", "readyok")
    start, middle = chess.Board(), chess.Board(MIDDLEGAME)

    # depth: iterations up to that depth, and no further
    _, infos = uci_go(eng, middle, "go depth 5")
    if max(i["depth"] for i in infos) != 5:
        fail("go depth 5 reached depth %d" % max(i["depth"] for i in infos))
    # nodes: the count stays within the cap, give or take the 4096 nodes
    # between two looks at the stop conditions
    _, infos = uci_go(eng, middle, "go nodes 20000")
    if infos[-1]["nodes"] > 20000 + 4096:
        fail("go nodes 20000 searched %d" % infos[-1]["nodes"])
    # movetime, and the clock's moves
    uci_go(eng, middle, "go movetime 200")
    uci_go(eng, start, "go wtime 3000 btime 3000 winc 50 binc 50")
    # mate: the mate in two found, its line ending in mate
    move, infos = uci_go(eng, chess.Board(MATE_IN_TWO), "go mate 2")
    if infos[-1]["score"] != ("mate", 2):
        fail("go mate 2: score %r" % (infos[-1]["score"],))
    mated = chess.Board(MATE_IN_TWO)
    for text in infos[-1]["pv"]:
        mated.push(chess.Move.from_uci(text))
    if not mated.is_checkmate():
        fail("go mate 2: the line %s does not mate" % infos[-1]["pv"])
    # infinite: the mate in one is found at once, but the answer waits for stop
    board = chess.Board(MATE_IN_ONE)
    eng.send("position fen " + MATE_IN_ONE)
    eng.send("go infinite")
    seen = eng.until(lambda l: " score mate 1 " in l, "the mate in one under go infinite")
    eng.send("isready")
    seen += eng.until(lambda l: l == "readyok", "readyok while thinking")
    if [l for l in seen if l.startswith("bestmove")]:
        fail("go infinite answered before stop: %s" % seen)
    eng.send("stop")
    move, _ = uci_answer(eng, board, "go infinite", before=seen)
    if move.uci() != "a1a8":
        fail("go infinite + stop played %s, not the mate a1a8" % move)
    # searchmoves: only the moves named, their lines only
    allowed = {chess.Move.from_uci(m) for m in ("a2a3", "h2h3", "c1d2")}
    _, infos = uci_go(eng, middle, "go depth 4 searchmoves a2a3 h2h3 c1d2", allowed)
    if any(chess.Move.from_uci(i["pv"][0]) not in allowed for i in infos):
        fail("searchmoves: a line begins with another move: %r" % infos)
    # ponder, then ponderhit: the answer comes only after it
    board = chess.Board()
    for text in ("e2e4", "e7e5", "g1f3"):
        board.push(chess.Move.from_uci(text))
    eng.send("position startpos moves e2e4 e7e5 g1f3")
    eng.send("go ponder wtime 5000 btime 5000")
    seen = eng.until(lambda l: l.startswith("info ") and " pv " in l, "a line while pondering")
    eng.send("isready")
    seen += eng.until(lambda l: l == "readyok", "readyok while pondering")
    if [l for l in seen if l.startswith("bestmove")]:
        fail("go ponder answered before ponderhit: %s" % seen)
    eng.send("ponderhit")
    uci_answer(eng, board, "go ponder + ponderhit", before=seen)
    # ponder, then stop: a move for the pondered position
    eng.send("go ponder wtime 5000 btime 5000")
    seen = eng.until(lambda l: l.startswith("info ") and " pv " in l, "a line while pondering")
    eng.send("stop")
    uci_answer(eng, board, "go ponder + stop", before=seen)
    # MultiPV 3: three lines a depth, three first moves, the move played first
    eng.send("setoption name MultiPV value 3")
    move, infos = uci_go(eng, middle, "go depth 4")
    # When the move played is another of several tied best, the lines of
    # the last depth come again with its line first: the last three count.
    last = [i for i in infos if i["depth"] == 4][-3:]
    if sorted(i.get("multipv") for i in last) != [1, 2, 3] or len({i["pv"][0] for i in last}) != 3:
        fail("MultiPV 3 at depth 4 gave %r" % last)
    first = [i for i in last if i["multipv"] == 1][0]
    if first["pv"][0] != move.uci():
        fail("MultiPV 3: line 1 %s, but %s played" % (first["pv"], move))
    eng.send("setoption name MultiPV value 1")
    eng.quit()


# ---- xboard

def xb_fields(line):
    """A thinking line 'ply score time nodes seldepth nps<TAB>pv': numbers and pv."""
    head, _, pv = line.partition("\t")
    return [int(w) for w in head.split()], pv.split()


def is_thinking(line):
    head = line.partition("\t")[0].split()
    return "\t" in line and len(head) >= 4 and all(w.lstrip("-").isdigit() for w in head)


def xb_go(eng, board, what, forbidden=None):
    """Sends go; the move, judged, and the thinking lines before it."""
    eng.send("go")
    lines = eng.until(lambda l: l.startswith("move "), "a move (%s)" % what)
    move = chess.Move.from_uci(lines[-1].split()[1])
    if move not in board.legal_moves:
        fail("%s in %s: illegal %s" % (what, board.fen(), lines[-1]))
    if forbidden is not None and move == forbidden:
        fail("%s: played the excluded %s" % (what, move))
    thinking = [xb_fields(l) for l in lines if is_thinking(l)]
    if not thinking:
        fail("%s: no thinking line before %s" % (what, lines[-1]))
    if thinking[-1][1][0] != move.uci():
        fail("%s: the last line %s does not start with %s" % (what, thinking[-1][1], move))
    for numbers, _ in thinking:
        if len(numbers) != 6:
            fail("%s: a thinking line without seldepth and nps: %r" % (what, numbers))
    return move, thinking


def xb_ping(eng, n):
    eng.send("ping %d" % n)
    return eng.until(lambda l: l == "pong %d" % n, "pong %d" % n)


def check_xboard(path, folder, search):
    eng = Engine(path, folder)
    eng.send("xboard")
    eng.send("protover 2")
    eng.until(lambda l: "done=1" in l, "done=1")
    eng.send("option Search=" + search)
    eng.send("cores %d" % THREADS)

    def fresh(fen, *setup):
        eng.send("new")
        eng.send("force")
        eng.send("post")
        for line in setup:
            eng.send(line)
        eng.send("setboard " + fen)
        return chess.Board(fen)

    # st: a fixed time a move
    board = fresh(MIDDLEGAME, "st 1")
    xb_go(eng, board, "st 1")
    # sd: no deeper than that
    board = fresh(MIDDLEGAME, "sd 3")
    _, thinking = xb_go(eng, board, "sd 3")
    if max(n[0] for n, _ in thinking) != 3:
        fail("sd 3 reached ply %d" % max(n[0] for n, _ in thinking))
    # nps: python-chess's node limit, 1 node a second and st as the count
    board = fresh(MIDDLEGAME, "nps 1", "st 20000")
    _, thinking = xb_go(eng, board, "nps 1 st 20000")
    if thinking[-1][0][3] > 20000 + 4096:
        fail("nps 1 st 20000 searched %d nodes" % thinking[-1][0][3])
    xb_ping(eng, 1)
    eng.send("nps 0")
    # exclude in play: the mate excluded, another legal move played
    board = fresh(MATE_IN_ONE, "sd 4")
    eng.send("exclude a1a8")
    xb_go(eng, board, "exclude a1a8", forbidden=chess.Move.from_uci("a1a8"))
    # analyze: lines, "." answered, exit without a move
    board = fresh(MIDDLEGAME)
    eng.send("analyze")
    eng.until(is_thinking, "a line in analysis")
    eng.send(".")
    eng.until(lambda l: l.startswith("stat01: "), "stat01")
    eng.send("exit")
    moved = [l for l in xb_ping(eng, 2) if l.startswith("move ")]
    if moved:
        fail("analysis sent a move: %s" % moved)
    # analysis of the mate in one with the mate excluded: its lines avoid it
    board = fresh(MATE_IN_ONE)
    eng.send("exclude a1a8")
    eng.send("analyze")
    lines = eng.until(lambda l: is_thinking(l) and xb_fields(l)[0][0] >= 4, "analysis to ply 4")
    eng.send("exit")
    xb_ping(eng, 3)
    for numbers, pv in [xb_fields(l) for l in lines if is_thinking(l)]:
        if not pv or pv[0] == "a1a8" or chess.Move.from_uci(pv[0]) not in board.legal_moves:
            fail("analysis with a1a8 excluded showed %s" % pv)
    eng.quit()


def main():
    global chess, label
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    path = os.path.abspath(args[0])
    search = args[args.index("--search") + 1] if "--search" in args else "Strong"
    global THREADS
    THREADS = int(args[args.index("--threads") + 1]) if "--threads" in args else 1
    label = search if THREADS == 1 else "%s, %d threads" % (search, THREADS)
    # Missing python-chess fails in CI and skips, saying so, elsewhere.
    chess = pychess_client.load("pychess_search_check", pychess_client.SKIPPED)
    folder = tempfile.mkdtemp(prefix="orvane-search-check-")
    check_uci(path, folder, search)
    check_xboard(path, folder, search)
    print("pychess_search_check (%s): passed: UCI depth, nodes, movetime, clock, mate, infinite + stop, "
          "searchmoves, ponder + ponderhit and + stop, MultiPV 3; xboard st, sd, nps, exclude, analyze" % label)
    return 0


if __name__ == "__main__":
    sys.exit(main())
