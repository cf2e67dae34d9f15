#!/usr/bin/env python3
"""The engine's own move counting (UCI `go perft N`) against python-chess's,
move by move, in Chess960 and in standard chess.

Compared, each as a dict of root move -> count and the total:
  - Chess960 start positions, a seeded even spread over the 960 numbers, sent
    as Shredder-FEN with UCI_Chess960 true, to --depth;
  - positions of random games (seeded, biased so that castling rights, en
    passant and promotions turn up at the root) from Chess960 starts and
    from the standard start, to --game-depth (--depth minus one unless
    given): the standard ones with
    UCI_Chess960 false and again with it true (the same counts; only the
    castling move's text differs), sent as Shredder-FEN, as X-FEN and as
    the root position with the moves of the game;
  - hand-made positions (EDGES below), each there for a reason written
    beside it; python-chess confirms each reason before any is sent.

Usage: perft_check.py ENGINE [--chess960-starts N] [--depth D]
                             [--random-positions M] [--game-depth G]
                             [--seed S] [--jobs J]
       perft_check.py --self-test    (the check's own pieces; no engine)
Exit status 1 on any difference or protocol fault.  Needs python-chess (see
pychess_client.py): fails without it in CI, skips with exit 77 elsewhere."""
import argparse
import multiprocessing
import os
import queue
import random
import re
import stat
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pychess_client  # noqa: E402

NAME = "perft_check"
# Only a safety net against a hung engine: every wait below ends on a line.
PATIENCE = 300
OPTION_LINE = "option name UCI_Chess960 type check default false"
chess = None

# (FEN, Chess960, the castling moves python-chess must find legal at the
# root, other facts it must confirm, why the position is here).  Standard
# positions (Chess960 False) are counted with UCI_Chess960 false and true.
EDGES = [
    # king and rook each on the other's target square: O-O swaps them
    ("1r3kr1/pp3ppp/8/8/8/8/PP3PPP/1R3KR1 w GBgb - 0 1", True, {"f1g1", "f1b1"}, ()),
    # the king already on its O-O square: only the rook moves (h1 to f1)
    ("r5kr/pppppppp/8/8/8/8/PPPPPPPP/R5KR w HAha - 0 1", True, {"g1h1", "g1a1"}, ()),
    # the same, the rook's target f1 taken: no square lies between king and
    # rook, yet O-O is illegal (and O-O-O is blocked by the bishop)
    ("r4bkr/pppppppp/8/8/8/8/PPPPPPPP/R4BKR w HAha - 0 1", True, set(), ()),
    # the king already on its O-O-O square c1
    ("r1k4r/pppppppp/8/8/8/8/PPPPPPPP/R1K4R w HAha - 0 1", True, {"c1a1", "c1h1"}, ()),
    # rook beside the king: O-O-O takes the king rightwards, b1 to c1
    ("rk5r/pppppppp/8/8/8/8/PPPPPPPP/RK5R w HAha - 0 1", True, {"b1a1", "b1h1"}, ()),
    # both rooks already on their target squares, the king passing over
    # them; X-FEN KQkq naming the outermost (here: the only) rooks
    ("3rkr2/pppppppp/8/8/8/8/PPPPPPPP/3RKR2 w KQkq - 0 1", True, {"e1d1", "e1f1"}, ()),
    # O-O-O would put the king on c1, where the other rook stands: illegal;
    # O-O passes over that rook (its own castling rook) and is legal
    ("rkr5/pppppppp/8/8/8/8/PPPPPPPP/RKR5 w CAca - 0 1", True, {"b1c1"}, ()),
    # X-FEN K is the outermost rook h1: its O-O needs g1, held by the other
    # rook, so no castling; reading K as the g1 rook would allow one
    ("rk6/pppp4/8/8/8/8/4PPPP/4K1RR w K - 0 1", True, set(), ()),
    # the same board with the right on the g1 rook (Shredder G): legal
    ("rk6/pppp4/8/8/8/8/4PPPP/4K1RR w G - 0 1", True, {"e1g1"}, ()),
    # the king in check (knight e3): no castling either way
    ("1r3kr1/pp3ppp/8/8/8/4n3/PP3PPP/1R3KR1 w GBgb - 0 1", True, set(), ("check",)),
    # a square of the king's path (d1) under attack: illegal
    ("4k3/8/8/8/b7/8/8/1R3K2 w B - 0 1", True, set(), ()),
    # only the rook's own square attacked: legal
    ("4k3/8/8/8/8/8/b7/1R3K2 w B - 0 1", True, {"f1b1"}, ()),
    # the castling rook shields c1 from the queen on a1; once it goes to d1
    # the king would stand in check on c1: illegal
    ("4k3/8/8/8/8/8/8/qR3K2 w B - 0 1", True, set(), ()),
    # the same for black, mirrored
    ("Qr3k2/8/8/8/8/8/8/4K3 b b - 0 1", True, set(), ()),
    # the king's target c1 attacked down the c-file: illegal
    ("2r1k3/8/8/8/8/8/8/RK6 w A - 0 1", True, set(), ()),
    # en passant would empty the rank between the king and the rook on h5
    ("8/8/8/KPp4r/8/8/8/4k3 w - c6 0 1", False, set(), ("pseudo ep", "no legal ep")),
    # en passant taking the pawn that gives check
    ("8/8/8/2Pp4/4K3/8/8/7k w - d6 0 1", False, set(), ("check", "legal ep")),
    # en passant by a pinned pawn along its pin (legal) ...
    ("1b5k/8/8/3pP3/8/8/7K/8 w - d6 0 1", False, set(), ("legal ep",)),
    # ... and off its pin (illegal)
    ("7k/6b1/8/3pP3/8/2K5/8/8 w - d6 0 1", False, set(), ("pseudo ep", "no legal ep")),
    # all four promotions by push and by capture, the capture taking a rook
    # with castling rights; black's g2 pawn can take the h1 rook the same way
    ("r3k3/1P6/8/8/8/8/6p1/4K2R w Kq - 0 1", False, set(), ("promotion",)),
    # no moves at all: checkmate and stalemate count nothing
    ("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", False, set(), ("checkmate",)),
    ("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", False, set(), ("stalemate",)),
    # well-known perft positions: castling both ways, pins, promotions
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", False, {"e1c1", "e1g1"}, ()),
    ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", False, set(), ("check",)),
    ("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", False, {"e1g1"}, ()),
]


def fail(text):
    print("%s: FAILED: %s" % (NAME, text))
    sys.exit(1)


# ---- python-chess's side

def perft(board, depth):
    """Leaves at depth (the last ply counted, not played)."""
    if depth == 0:
        return 1
    if depth == 1:
        return board.legal_moves.count()
    total = 0
    for move in board.legal_moves:
        board.push(move)
        total += perft(board, depth - 1)
        board.pop()
    return total


def divide(board, depth):
    """Root move (UCI text as the board writes it) -> leaves below it."""
    counts = {}
    for move in board.legal_moves:
        board.push(move)
        counts[move.uci()] = perft(board, depth - 1)
        board.pop()
    return counts


def root_features(board):
    """What the root offers: castling rights, a legal castling, a legal en
    passant capture, a promotion."""
    moves = list(board.legal_moves)
    return {"castling rights": bool(board.clean_castling_rights()),
            "castling move": any(board.is_castling(m) for m in moves),
            "en passant": board.has_legal_en_passant(),
            "promotion": any(m.promotion for m in moves)}


def board_of(job):
    board = chess.Board(job["fen"], chess960=job["board960"])
    for text in job["moves"]:
        board.push(board.parse_uci(text))
    return board


def worker_start():
    global chess
    chess = pychess_client.load(NAME, pychess_client.SKIPPED)


def reference(job):
    """The judge's answer for a job (run in a worker process)."""
    start = time.process_time()
    board = board_of(job)
    counts = divide(board, job["depth"])
    return counts, root_features(board), time.process_time() - start


# ---- the positions

def make_job(label, mode960, fen, moves, depth, board960=None, startpos=False):
    command = "position startpos" if startpos else "position fen " + fen
    if moves:
        command += " moves " + " ".join(moves)
    return {"label": label, "mode960": mode960, "fen": fen, "moves": list(moves), "depth": depth,
            "board960": mode960 if board960 is None else board960, "command": command}


def start_numbers(count, seed):
    """An even spread of count start numbers, shifted by the seed."""
    count = min(count, 960)
    offset = random.Random(seed).randrange(960)
    return sorted({(offset + i * 960 // count) % 960 for i in range(count)})


def start_jobs(count, depth, seed):
    jobs = []
    for n in start_numbers(count, seed):
        board = chess.Board.from_chess960_pos(n)
        jobs.append(make_job("Chess960 start %d" % n, True, board.fen(shredder=True), [], depth))
    return jobs


def move_weight(board, move):
    """Random play's bias: pawns forward (toward promotions), double steps
    beside an enemy pawn, en passant and promotions taken, king and
    rook moves (which lose castling rights) and castling itself rare."""
    piece = board.piece_type_at(move.from_square)
    if board.is_en_passant(move) or move.promotion:
        return 12.0
    if board.is_castling(move):
        return 0.3
    if piece == chess.KING:
        return 0.1
    if piece == chess.ROOK:
        return 0.3
    if piece == chess.PAWN and abs(move.to_square - move.from_square) == 16:
        beside = chess.BB_SQUARES[move.to_square] << 1 & ~chess.BB_FILE_A | \
            chess.BB_SQUARES[move.to_square] >> 1 & ~chess.BB_FILE_H
        if beside & board.pieces_mask(chess.PAWN, not board.turn):
            return 40.0  # a double step beside an enemy pawn: en passant next
    weight = 3.0 if piece == chess.PAWN else 1.0
    return weight + (1.0 if board.is_capture(move) else 0.0)


WANTED = {  # what a game's stopping point should offer at the root
    "anything": lambda board: True,
    "castling": lambda board: any(board.is_castling(m) for m in board.legal_moves),
    "en passant": lambda board: board.has_legal_en_passant(),
    "promotion": lambda board: any(m.promotion for m in board.legal_moves),
}


def random_game(rng, board, kind):
    """Plays biased random moves on board; stops at a random ply from 10 to
    60, or for a wanted kind at the first ply from there (up to 120) that
    offers it at the root, else back at the random ply.  The moves made."""
    target = rng.randint(10, 60)
    moves, fallback = [], None
    while len(moves) < 120 and not board.is_game_over():
        if len(moves) >= target:
            if WANTED[kind](board):
                return moves
            if fallback is None:
                fallback = len(moves)
        legal = list(board.legal_moves)
        move = rng.choices(legal, [move_weight(board, m) for m in legal])[0]
        board.push(move)
        moves.append(move)
    return moves[:fallback] if fallback is not None else moves


def as_chess960(played):
    """A standard game's moves replayed on a Chess960 board: the board and
    the moves' text there (castling as the king taking its rook)."""
    board = chess.Board(chess960=True)
    for move in played:
        board.push(move)
    return board, [m.uci() for m in board.move_stack]


def game_jobs(count, depth, seed):
    """count games from Chess960 starts and count from the standard start;
    the form the position is sent in rotates over three."""
    rng = random.Random(seed * 7919 + 1)
    kinds = list(WANTED)
    jobs = []
    for i in range(count):
        n = rng.randrange(960)
        root = chess.Board.from_chess960_pos(n)
        board = root.copy()
        texts = [m.uci() for m in random_game(rng, board, kinds[i % 4])]
        label = "Chess960 start %d, %d plies (%s)" % (n, len(texts), kinds[i % 4])
        form = i % 3
        if form == 0:
            jobs.append(make_job(label + ", Shredder-FEN", True, board.fen(shredder=True), [], depth))
        elif form == 1:
            jobs.append(make_job(label + ", X-FEN", True, board.fen(en_passant="fen"), [], depth))
        else:
            jobs.append(make_job(label + ", moves", True, root.fen(shredder=True), texts, depth))
    for i in range(count):
        board = chess.Board()
        played = random_game(rng, board, kinds[i % 4])
        std_texts = [m.uci() for m in played]
        board960, texts960 = as_chess960(played)
        label = "standard start, %d plies (%s)" % (len(played), kinds[i % 4])
        form = i % 3
        if form == 0:
            jobs.append(make_job(label + ", FEN", False, board.fen(), [], depth))
            jobs.append(make_job(label + ", X-FEN, Chess960 on", True, board960.fen(), [], depth))
        elif form == 1:
            jobs.append(make_job(label + ", FEN", False, board.fen(en_passant="fen"), [], depth))
            jobs.append(make_job(label + ", Shredder-FEN, Chess960 on", True,
                                 board960.fen(shredder=True, en_passant="fen"), [], depth))
        else:
            jobs.append(make_job(label + ", startpos moves", False, chess.STARTING_FEN, std_texts, depth,
                                 startpos=True))
            jobs.append(make_job(label + ", moves, Chess960 on", True,
                                 chess.Board(chess960=True).fen(shredder=True), texts960, depth))
    return jobs


def confirm_edges():
    """Each hand-made position is valid and shows what its comment says."""
    for fen, c960, castles, facts in EDGES:
        board = chess.Board(fen, chess960=c960)
        if not board.is_valid():
            fail("edge position %s is not valid to python-chess (%r)" % (fen, board.status()))
        found = {m.uci() for m in board.legal_moves if board.is_castling(m)}
        if found != castles:
            fail("edge position %s: python-chess finds the castling moves %s, the list says %s"
                 % (fen, sorted(found), sorted(castles)))
        said = {"check": board.is_check(), "checkmate": board.is_checkmate(),
                "stalemate": board.is_stalemate(), "legal ep": board.has_legal_en_passant(),
                "no legal ep": not board.has_legal_en_passant(),
                "pseudo ep": board.has_pseudo_legal_en_passant(),
                "promotion": any(m.promotion for m in board.legal_moves)}
        for fact in facts:
            if not said[fact]:
                fail("edge position %s: python-chess does not confirm '%s'" % (fen, fact))


def edge_jobs(depth):
    jobs = []
    for fen, c960, _, _ in EDGES:
        jobs.append(make_job("edge %s" % fen, True, fen, [], depth))
        if not c960:
            jobs.append(make_job("edge %s" % fen, False, fen, [], depth))
    return jobs


# ---- the engine's side

class Engine:
    """The program on pipes; lines read by a thread, waited for one by one."""

    def __init__(self, path, folder):
        self.proc = subprocess.Popen([path], cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\r\n"))
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
        try:
            status = self.proc.wait(timeout=PATIENCE)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            fail("the engine did not end after quit")
        if status != 0:
            fail("exit status %d" % status)


MOVE_LINE = re.compile(r"^([a-h][1-8][a-h][1-8][qrbn]?): (\d+)$")
TOTAL_LINE = re.compile(r"^Nodes searched: (\d+)$")


def parse_perft(lines):
    """The answer to go perft: every legal root move once as 'MOVE: COUNT',
    an empty line, 'Nodes searched: TOTAL' (the sum).  The counts by move
    and the total; ValueError saying what is wrong."""
    if not lines or not TOTAL_LINE.match(lines[-1]):
        raise ValueError("no 'Nodes searched: N' line at the end")
    if len(lines) < 2 or lines[-2] != "":
        raise ValueError("no empty line before 'Nodes searched'")
    counts = {}
    for line in lines[:-2]:
        match = MOVE_LINE.match(line)
        if not match:
            raise ValueError("not a 'MOVE: COUNT' line: %r" % line)
        if match.group(1) in counts:
            raise ValueError("%s counted twice" % match.group(1))
        counts[match.group(1)] = int(match.group(2))
    total = int(TOTAL_LINE.match(lines[-1]).group(1))
    if total != sum(counts.values()):
        raise ValueError("total %d is not the sum of the moves' counts, %d" % (total, sum(counts.values())))
    return counts, total


def compare(engine_counts, judge_counts):
    """The differing root moves as (move, engine's count or None, judge's
    count or None)."""
    return [(m, engine_counts.get(m), judge_counts.get(m))
            for m in sorted(set(engine_counts) | set(judge_counts))
            if engine_counts.get(m) != judge_counts.get(m)]


def start_engine(path, folder):
    eng = Engine(path, folder)
    eng.send("uci")
    lines = eng.until(lambda l: l == "uciok", "uciok")
    ours = [l for l in lines if l.startswith("option name UCI_Chess960 ")]
    if not ours:
        fail("the engine's uci option list has no UCI_Chess960 (Chess960 not offered)")
    if ours != [OPTION_LINE]:
        fail("UCI_Chess960 announced as %r, not %r" % (ours, OPTION_LINE))
    return eng


class Session:
    def __init__(self, eng):
        self.eng = eng
        self.mode960 = None

    def ask(self, job):
        """Sends one job; the engine's counts and total."""
        eng, commands = self.eng, []
        if job["mode960"] != self.mode960:
            commands.append("setoption name UCI_Chess960 value %s" % ("true" if job["mode960"] else "false"))
            self.mode960 = job["mode960"]
        # a good option or position draws no answer: anything before readyok is one
        for command in commands + [job["command"], "isready"]:
            eng.send(command)
        said = eng.until(lambda l: l == "readyok", "readyok after '%s'" % job["command"])[:-1]
        if said:
            fail("%s (UCI_Chess960 %s) answered with %r"
                 % (" and ".join("'%s'" % c for c in commands + [job["command"]]), job["mode960"], said))
        go = "go perft %d" % job["depth"]
        eng.send(go)
        lines = eng.until(lambda l: TOTAL_LINE.match(l) or l.startswith("bestmove") or l.startswith("info string"),
                          "the end of '%s' after '%s'" % (go, job["command"]))
        if not TOTAL_LINE.match(lines[-1]):
            fail("'%s' after '%s' (UCI_Chess960 %s) gave no count: %r"
                 % (go, job["command"], job["mode960"], lines[-6:]))
        try:
            return parse_perft(lines)
        except ValueError as err:
            fail("'%s' after '%s': %s; the answer: %r" % (go, job["command"], err, lines))


def run(path, starts, depth, games, shallower, seed, workers):
    began = time.time()
    confirm_edges()
    groups = [("Chess960 starts", start_jobs(starts, depth, seed)),
              ("random games", game_jobs(games, shallower, seed)),
              ("edge positions", edge_jobs(depth))]
    jobs = [j for _, g in groups for j in g]
    folder = tempfile.mkdtemp(prefix="orvane-perft-check-")
    eng = start_engine(path, folder)
    session = Session(eng)
    # the judge's counts are worked out ahead in worker processes while the
    # engine counts the same position
    pool = multiprocessing.Pool(workers, worker_start) if workers > 1 else None
    answers = pool.imap(reference, jobs) if pool else map(reference, jobs)
    differences, nodes, judge_seconds = [], 0, 0.0
    features = {k: 0 for k in ("castling rights", "castling move", "en passant", "promotion")}
    for job, (judge, feats, seconds) in zip(jobs, answers):
        judge_seconds += seconds
        counts, total = session.ask(job)
        nodes += total
        for key, value in feats.items():
            features[key] += value
        diff = compare(counts, judge)
        if diff or total != sum(judge.values()):
            differences.append((job, diff, total, sum(judge.values())))
    if pool:
        pool.close()
        pool.join()
    eng.quit()
    wall = time.time() - began
    sizes = ", ".join("%d %s" % (len(g), name) for name, g in groups)
    print("%s: %d positions compared (%s; depth %d, random games at %d), %d nodes; "
          "at the root %d had castling rights, %d a legal castling, %d en passant, %d a promotion; "
          "python-chess %.1f s of CPU, %.1f s in all"
          % (NAME, len(jobs), sizes, depth, shallower, nodes, features["castling rights"],
             features["castling move"], features["en passant"], features["promotion"], judge_seconds, wall))
    if not differences:
        print("%s: passed, no differences" % NAME)
        return 0
    for job, diff, total, judge_total in differences[:5]:
        print("  %s, UCI_Chess960 %s, depth %d: engine %d, python-chess %d"
              % (job["label"], "true" if job["mode960"] else "false", job["depth"], total, judge_total))
        print("    %s" % job["command"])
        print("    FEN %s" % board_of(job).fen(shredder=job["board960"]))
        for move, ours, theirs in diff[:6]:
            print("    %-6s engine %s, python-chess %s" % (move, "-" if ours is None else ours,
                                                         "-" if theirs is None else theirs))
    print("%s: FAILED: %d of %d positions differ" % (NAME, len(differences), len(jobs)))
    return 1


# ---- the check's own pieces

def act_as_engine(bug):
    """A stand-in engine over stdin/stdout built on python-chess, for the
    self-test: right, or wrong in one known way (bug)."""
    mode960, board = False, chess.Board()
    print("a banner before uci", flush=True)
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "uci":
            print("id name stand-in\n" + OPTION_LINE + "\nuciok", flush=True)
        elif words[:3] == ["setoption", "name", "UCI_Chess960"]:
            mode960 = words[4] == "true"
        elif words[0] == "isready":
            print("readyok", flush=True)
        elif words[0] == "position":
            at = words.index("moves") if "moves" in words else len(words)
            fen = chess.STARTING_FEN if words[1] == "startpos" else " ".join(words[2:at])
            board = chess.Board(fen, chess960=mode960)
            for text in words[at + 1:]:
                board.push_uci(text)
        elif words[:2] == ["go", "perft"]:
            depth, counts = int(words[2]), {}
            for move in board.legal_moves:
                text = move.uci()
                if bug == "underpromotion" and move.promotion not in (None, chess.QUEEN):
                    continue
                if bug == "castling-text" and board.is_castling(move):
                    # the king's target square, as in standard chess
                    text = text[:2] + ("g" if board.is_kingside_castling(move) else "c") + text[1]
                board.push(move)
                counts[text] = perft(board, depth - 1)
                board.pop()
            for text, count in counts.items():
                print("%s: %d" % (text, count))
            print("\nNodes searched: %d" % sum(counts.values()), flush=True)
        elif words[0] == "quit":
            return 0
    return 0


def self_test():
    # published perft figures (the Chess960 ones from the usual Chess960
    # perft list) against the judge's own counting
    known = [(chess.STARTING_FEN, False, [20, 400, 8902, 197281]),
             ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", False, [48, 2039, 97862]),
             ("bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", True, [21, 528, 12189]),
             ("2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9", True, [21, 807, 18002])]
    for fen, c960, figures in known:
        board = chess.Board(fen, chess960=c960)
        got = [sum(divide(board, d).values()) for d in range(1, len(figures) + 1)]
        if got != figures:
            fail("self-test: perft of %s is %s, published %s" % (fen, got, figures))
    # castling as king takes rook in Chess960 mode, king to g1 otherwise
    board = chess.Board()
    played = [board.push_uci(t) for t in "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6".split()]
    if "e1g1" not in divide(board, 1):
        fail("self-test: no e1g1 on the standard board")
    board.push_uci("e1g1")
    board960, texts = as_chess960(played + [board.peek()])
    if texts[-1] != "e1h1" or texts[:-1] != [m.uci() for m in played] or board960.fen() != board.fen():
        fail("self-test: the game on the Chess960 board reads %s" % texts)
    board960.pop()
    if "e1h1" not in divide(board960, 1) or "e1g1" in divide(board960, 1):
        fail("self-test: castling on the Chess960 board is not written e1h1")
    # the answer's parsing: a good one and each way of being wrong
    good = ["e2e4: 20", "a7a8q: 5", "a7a8n: 3", "", "Nodes searched: 28"]
    if parse_perft(good) != ({"e2e4": 20, "a7a8q": 5, "a7a8n": 3}, 28):
        fail("self-test: good answer parsed as %r" % (parse_perft(good),))
    if parse_perft(["", "Nodes searched: 0"]) != ({}, 0):
        fail("self-test: the answer for no moves not parsed")
    for bad in (good[:3] + good[4:], good[:4] + ["Nodes searched: 29"], ["e2e4: 20"] + good,
                ["info depth 1"] + good, ["e2e4 20"] + good[1:], good[:4]):
        try:
            parse_perft(bad)
        except ValueError:
            continue
        fail("self-test: a bad answer passed: %r" % bad)
    if compare({"a": 1, "b": 2}, {"a": 1, "b": 3, "c": 4}) != [("b", 2, 3), ("c", None, 4)]:
        fail("self-test: compare")
    # the edge list says the truth; the positions come out the same for a seed
    confirm_edges()
    first, again = game_jobs(12, 2, 5), game_jobs(12, 2, 5)
    if [j["command"] for j in first] != [j["command"] for j in again]:
        fail("self-test: random games differ for one seed")
    if [j["command"] for j in first] == [j["command"] for j in game_jobs(12, 2, 6)]:
        fail("self-test: random games the same for two seeds")
    if len(start_numbers(200, 1)) != 200 or start_numbers(960, 3) != list(range(960)):
        fail("self-test: start numbers")
    # the whole check against a stand-in engine: right passes, wrong fails
    folder = tempfile.mkdtemp(prefix="orvane-perft-self-")
    # (the right one with the judge's worker processes, the wrong ones without)
    for bug, status, workers in (("none", 0, "2"), ("underpromotion", 1, "1"), ("castling-text", 1, "1")):
        stand_in = os.path.join(folder, "stand-in-" + bug)
        with open(stand_in, "w") as out:
            out.write("#!/bin/sh\nexec '%s' '%s' --act-as-engine %s\n"
                      % (sys.executable, os.path.abspath(__file__), bug))
        os.chmod(stand_in, os.stat(stand_in).st_mode | stat.S_IEXEC)
        result = subprocess.run([sys.executable, os.path.abspath(__file__), stand_in, "--chess960-starts", "4",
                                 "--depth", "2", "--random-positions", "12", "--jobs", workers],
                                capture_output=True, text=True, timeout=PATIENCE)
        said = "passed, no differences" if status == 0 else "positions differ"
        if result.returncode != status or said not in result.stdout:
            fail("self-test: the stand-in '%s' gave exit %d, not %d with '%s':\n%s"
                 % (bug, result.returncode, status, said, result.stdout[-2000:]))
    print("%s: self-test passed (published perft figures, castling text, answer parsing, edge list, "
          "seeded positions, stand-in engines right and wrong)" % NAME)
    return 0


def main():
    global chess
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("engine", nargs="?")
    parser.add_argument("--chess960-starts", type=int, default=200)
    parser.add_argument("--depth", type=int, default=4)
    parser.add_argument("--random-positions", type=int, default=100,
                        help="random games from Chess960 starts, and as many from the standard start")
    parser.add_argument("--game-depth", type=int, help="depth for the random games' positions (default: depth - 1)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=2, help="processes working out python-chess's counts")
    parser.add_argument("--self-test", action="store_true")
    parser.add_argument("--act-as-engine", metavar="BUG")
    args = parser.parse_args()
    # Missing python-chess fails in CI and skips, saying so, elsewhere.
    chess = pychess_client.load(NAME, pychess_client.SKIPPED)
    if args.act_as_engine:
        return act_as_engine(args.act_as_engine)
    if args.self_test:
        return self_test()
    if not args.engine or args.depth < 1:
        parser.print_usage()
        return 2
    game_depth = args.game_depth or max(1, args.depth - 1)
    return run(os.path.abspath(args.engine), args.chess960_starts, args.depth, args.random_positions, game_depth,
               args.seed, args.jobs)


if __name__ == "__main__":
    sys.exit(main())
