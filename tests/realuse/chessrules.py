#!/usr/bin/env python3
"""A slow, independent model of Orvane's chess rules, for checking the engine
from outside (the soak driver uses it to judge every move the program prints).

Written from the rules as a player knows them, not from the engine's code, with
the engine's own deviations from the standard game made explicit:

* pawns promote to a queen or a knight only (the engine never generates a rook
  or a bishop promotion);
* an en-passant capture is judged only by the line from the king through the
  capturing pawn's own square: when the side is not in check, a capture that
  opens a line onto its king through the captured pawn's square still counts as
  legal (standard=True turns this off);
* castling rights are lost by moving the king, or by moving away from a rook's
  corner; a capture on the corner keeps the right, but castling then needs an
  own rook on the corner;
* a repetition is the third occurrence of the same board (pieces only, not the
  side to move, castling or en passant) since the last capture or promotion;
* the fifty-move count is reset by captures only (not by pawn moves); the game
  is drawn when it reaches 100 half-moves;
* once a repetition or the fifty-move rule applies, the side to move has no
  moves at all.

Beside them, the model keeps what standard chess grants, which is what the
engine claims under a GUI (where the game goes on wherever only its own rules
would end it): a repetition is the third occurrence of the same position,
that is the same board with the same side to move, the same castling rights
(the king and that rook never moved, the rook never taken) and the same
en-passant capture available (one that is legal, not merely a pawn beside the
one that made the double step); the half-move clock restarts at every capture
and every pawn move, and fifty moves each (100 half-moves) give the claim; and
a dead position is one without pawns, rooks or queens where either the minor
pieces number at most one or they are all bishops on squares of one colour.
standard_end() names the result lines standard chess allows after a move.

Squares are 0..63, a1 = 0, h1 = 7, a8 = 56.  Pieces are letters, upper case
for white: P N B R Q K.
"""

import sys

START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"

KNIGHT_STEPS = [(1, 2), (2, 1), (-1, 2), (-2, 1), (1, -2), (2, -1), (-1, -2), (-2, -1)]
KING_STEPS = [(1, 0), (-1, 0), (0, 1), (0, -1), (1, 1), (1, -1), (-1, 1), (-1, -1)]
ROOK_DIRS = [(1, 0), (-1, 0), (0, 1), (0, -1)]
BISHOP_DIRS = [(1, 1), (1, -1), (-1, 1), (-1, -1)]


def sq(f, r):
    return f + 8 * r


def name(s):
    return "abcdefgh"[s % 8] + "12345678"[s // 8]


def parse_square(text):
    return sq("abcdefgh".index(text[0]), "12345678".index(text[1]))


def white(p):
    return p.isupper()


def colour_of(p):
    return "w" if p.isupper() else "b"


class Game:
    """A game position with the history the draw rules need."""

    def __init__(self, fen=START_FEN, standard=False):
        self.standard = standard
        parts = fen.split()
        self.board = [None] * 64
        rank = 7
        for row in parts[0].split("/"):
            f = 0
            for ch in row:
                if ch.isdigit():
                    f += int(ch)
                else:
                    self.board[sq(f, rank)] = ch
                    f += 1
            rank -= 1
        self.side = parts[1] if len(parts) > 1 else "w"
        rights = parts[2] if len(parts) > 2 else "-"
        self.rights = {c: (c in rights) for c in "KQkq"}
        ep = parts[3] if len(parts) > 3 else "-"
        self.ep_file = None if ep == "-" else "abcdefgh".index(ep[0])
        self.fifty = 0
        self.repetition_draw = False
        self.fifty_draw = False
        # boards since the last capture or promotion, with how often each stood
        self.history = {tuple(self.board): 1}
        # standard chess: castling rights as the rules of the game keep them
        # (a right needs the king and that rook on their first squares), the
        # half-move clock of the FEN's fifth field, and every position so far
        home = {"K": (4, 7, "K", "R"), "Q": (4, 0, "K", "R"), "k": (60, 63, "k", "r"), "q": (60, 56, "k", "r")}
        self.std_rights = {c: self.rights[c] and self.board[home[c][0]] == home[c][2]
                           and self.board[home[c][1]] == home[c][3] for c in "KQkq"}
        self.halfmove = int(parts[4]) if len(parts) > 4 and parts[4].isdigit() else 0
        self.seen = {}
        self.seen[self.standard_key()] = 1

    def copy(self):
        g = Game.__new__(Game)
        g.standard = self.standard
        g.board = list(self.board)
        g.side = self.side
        g.rights = dict(self.rights)
        g.ep_file = self.ep_file
        g.fifty = self.fifty
        g.repetition_draw = self.repetition_draw
        g.fifty_draw = self.fifty_draw
        g.history = dict(self.history)
        g.std_rights = dict(self.std_rights)
        g.halfmove = self.halfmove
        g.seen = dict(self.seen)
        return g

    def trial_copy(self):
        """A copy for trying a move: the board and what the move generator
        reads, without the histories."""
        g = Game.__new__(Game)
        g.standard = self.standard
        g.board = list(self.board)
        g.side = self.side
        g.rights = dict(self.rights)
        g.std_rights = dict(self.std_rights)
        g.ep_file = self.ep_file
        g.repetition_draw = g.fifty_draw = False
        return g

    # ---- attacks
    def king_square(self, side):
        k = "K" if side == "w" else "k"
        for s in range(64):
            if self.board[s] == k:
                return s
        return None

    def attacked(self, s, by):
        """Is square s attacked by colour `by` (the kings included)?"""
        b = self.board
        f, r = s % 8, s // 8
        up = by == "w"
        pawn, knight, bishop, rook, queen, king = ("PNBRQK" if up else "pnbrqk")
        pr = r - 1 if up else r + 1  # a white pawn attacks upwards, so it stands below
        for df in (-1, 1):
            if 0 <= f + df < 8 and 0 <= pr < 8 and b[sq(f + df, pr)] == pawn:
                return True
        for df, dr in KNIGHT_STEPS:
            if 0 <= f + df < 8 and 0 <= r + dr < 8 and b[sq(f + df, r + dr)] == knight:
                return True
        for df, dr in KING_STEPS:
            if 0 <= f + df < 8 and 0 <= r + dr < 8 and b[sq(f + df, r + dr)] == king:
                return True
        for dirs, slider in ((ROOK_DIRS, rook), (BISHOP_DIRS, bishop)):
            for df, dr in dirs:
                x, y = f + df, r + dr
                while 0 <= x < 8 and 0 <= y < 8:
                    p = b[sq(x, y)]
                    if p is not None:
                        if p == slider or p == queen:
                            return True
                        break
                    x += df
                    y += dr
        return False

    def in_check(self, side=None):
        side = side or self.side
        k = self.king_square(side)
        return k is not None and self.attacked(k, "b" if side == "w" else "w")

    def line_attacked_through(self, king, through, side):
        """After a move: is the king of `side` on `king` attacked along the one
        line that runs from it through square `through`?"""
        kf, kr = king % 8, king // 8
        tf, tr = through % 8, through // 8
        df, dr = tf - kf, tr - kr
        if not (df == 0 or dr == 0 or abs(df) == abs(dr)) or (df == 0 and dr == 0):
            return False
        df = (df > 0) - (df < 0)
        dr = (dr > 0) - (dr < 0)
        enemy = "b" if side == "w" else "w"
        x, y = kf + df, kr + dr
        while 0 <= x < 8 and 0 <= y < 8:
            p = self.board[sq(x, y)]
            if p is not None:
                if colour_of(p) != enemy:
                    return False
                t = p.upper()
                return t == "Q" or (t == "R" and (df == 0 or dr == 0)) or (t == "B" and df != 0 and dr != 0)
            x += df
            y += dr
        return False

    # ---- moves: (from, to, promotion letter or "")
    def pseudo_moves(self):
        b = self.board
        me = self.side
        out = []
        promos = "qrbn" if self.standard else "qn"
        for s in range(64):
            p = b[s]
            if p is None or colour_of(p) != me:
                continue
            f, r = s % 8, s // 8
            t = p.upper()
            if t == "P":
                d = 1 if me == "w" else -1
                last = 7 if me == "w" else 0
                home = 1 if me == "w" else 6
                targets = []
                if 0 <= r + d < 8 and b[sq(f, r + d)] is None:
                    targets.append(sq(f, r + d))
                    if r == home and b[sq(f, r + 2 * d)] is None:
                        targets.append(sq(f, r + 2 * d))
                for df in (-1, 1):
                    if 0 <= f + df < 8 and 0 <= r + d < 8:
                        to = sq(f + df, r + d)
                        if b[to] is not None and colour_of(b[to]) != me:
                            targets.append(to)
                        elif b[to] is None and self.ep_file == f + df and r == (4 if me == "w" else 3):
                            targets.append(to)
                for to in targets:
                    if to // 8 == last:
                        out.extend((s, to, c) for c in promos)
                    else:
                        out.append((s, to, ""))
            elif t in "NK":
                for df, dr in (KNIGHT_STEPS if t == "N" else KING_STEPS):
                    x, y = f + df, r + dr
                    if 0 <= x < 8 and 0 <= y < 8:
                        q = b[sq(x, y)]
                        if q is None or colour_of(q) != me:
                            out.append((s, sq(x, y), ""))
            else:
                dirs = ROOK_DIRS if t == "R" else BISHOP_DIRS if t == "B" else ROOK_DIRS + BISHOP_DIRS
                for df, dr in dirs:
                    x, y = f + df, r + dr
                    while 0 <= x < 8 and 0 <= y < 8:
                        q = b[sq(x, y)]
                        if q is not None and colour_of(q) == me:
                            break
                        out.append((s, sq(x, y), ""))
                        if q is not None:
                            break
                        x += df
                        y += dr
        # castling: right held (so the king is at home), rook on its corner,
        # squares between empty, king not in check, crossed and target squares safe
        rank = 0 if me == "w" else 7
        king, rook = ("K", "R") if me == "w" else ("k", "r")
        enemy = "b" if me == "w" else "w"
        e = sq(4, rank)
        if b[e] == king and not self.attacked(e, enemy):
            kr, qr = ("K", "Q") if me == "w" else ("k", "q")
            rights = self.std_rights if self.standard else self.rights
            if rights[kr] and b[sq(7, rank)] == rook and b[sq(5, rank)] is None and b[sq(6, rank)] is None \
                    and not self.attacked(sq(5, rank), enemy):
                out.append((e, sq(6, rank), ""))
            if rights[qr] and b[sq(0, rank)] == rook and all(b[sq(x, rank)] is None for x in (1, 2, 3)) \
                    and not self.attacked(sq(3, rank), enemy):
                out.append((e, sq(2, rank), ""))
        return out

    def is_en_passant(self, m):
        s, to, _ = m
        return self.board[s].upper() == "P" and s % 8 != to % 8 and self.board[to] is None

    def legal_moves(self):
        if self.repetition_draw or self.fifty_draw:
            return []
        out = []
        me = self.side
        checked = self.in_check()
        for m in self.pseudo_moves():
            g = self.trial_copy()
            g.play(m, track=False)
            k = g.king_square(me)
            if k is None:
                continue
            if self.is_en_passant(m) and not self.standard and not checked:
                # judged only by the line through the capturing pawn's square
                if not g.line_attacked_through(k, m[0], me):
                    out.append(m)
                continue
            if not g.attacked(k, "b" if me == "w" else "w"):
                out.append(m)
        return out

    def play(self, m, track=True):
        """Makes move m (assumed legal) and flips the side to move; with
        track, keeps the draw rules' accounts too."""
        s, to, promo = m
        b = self.board
        p = b[s]
        t = p.upper()
        me = self.side
        captured = b[to] is not None
        # standard chess: a right goes when its king or rook moves, or when
        # anything arrives on the rook's first square (taking the rook there)
        for c, squares in (("K", (4, 7)), ("Q", (4, 0)), ("k", (60, 63)), ("q", (60, 56))):
            if s in squares or to == squares[1]:
                self.std_rights[c] = False
        promoted = False
        self.ep_file = None
        if t == "P" and s % 8 != to % 8 and b[to] is None:  # en passant
            b[sq(to % 8, s // 8)] = None
            captured = True
        if t == "P" and to // 8 in (0, 7):
            p = promo.upper() if me == "w" else promo.lower()
            promoted = True
        if t == "P" and abs(to - s) == 16:
            self.ep_file = s % 8
        if t == "K":
            for c in (("K", "Q") if me == "w" else ("k", "q")):
                self.rights[c] = False
            if abs(to % 8 - s % 8) == 2:  # castling: the rook jumps over
                rank = s // 8
                if to % 8 == 6:
                    b[sq(5, rank)], b[sq(7, rank)] = b[sq(7, rank)], None
                else:
                    b[sq(3, rank)], b[sq(0, rank)] = b[sq(0, rank)], None
        for corner, right in ((0, "Q"), (7, "K"), (56, "q"), (63, "k")):
            if s == corner:
                self.rights[right] = False
        b[to] = p
        b[s] = None
        self.side = "b" if me == "w" else "w"
        if not track:
            return
        self.halfmove = 0 if captured or t == "P" else self.halfmove + 1
        key = self.standard_key()
        self.seen[key] = self.seen.get(key, 0) + 1
        # the draw rules: a capture clears the history and the count, a
        # promotion the history only; the capturing move counts as the first
        if captured and not promoted:
            self.fifty = 0
        if captured or promoted:
            self.history = {}
        key = tuple(b)
        self.history[key] = self.history.get(key, 0) + 1
        self.fifty += 1
        if self.history[key] >= 3:
            self.repetition_draw = True
        if self.fifty >= 100:
            self.fifty_draw = True

    # ---- standard chess
    def standard_moves(self):
        """The legal moves of standard chess (every promotion piece, en
        passant judged in full), whatever the engine's own draw rules say."""
        g = self.trial_copy()
        g.standard = True
        return g.legal_moves()

    def standard_key(self):
        """What makes two positions the same for standard chess's repetition."""
        ep = None
        if self.ep_file is not None:
            g = self.trial_copy()
            g.standard = True
            if any(g.is_en_passant(m) for m in g.legal_moves()):
                ep = self.ep_file
        rights = "".join(c for c in "KQkq" if self.std_rights[c])
        return (tuple(self.board), self.side, rights, ep)

    def dead_position(self):
        """No sequence of legal moves can end in mate: no pawn, rook or queen,
        and at most one minor piece, or only bishops all on squares of one colour."""
        minors = []
        for s in range(64):
            p = self.board[s]
            if p is None or p.upper() == "K":
                continue
            if p.upper() in "PRQ":
                return False
            minors.append((p.upper(), (s % 8 + s // 8) % 2))
        if len(minors) <= 1:
            return True
        return all(t == "B" for t, _ in minors) and len({c for _, c in minors}) == 1

    def standard_draws(self):
        """The draws standard chess grants here (claim lines), ignoring mate
        and stalemate."""
        draws = set()
        if self.seen.get(self.standard_key(), 0) >= 3:
            draws.add("1/2-1/2 {Draw by triple repetition}")
        if self.halfmove >= 100:
            draws.add("1/2-1/2 {Draw by 50 move rule}")
        if self.dead_position():
            draws.add("1/2-1/2 {Draw by insufficient material}")
        return draws

    def standard_end(self):
        """The result lines standard chess allows in this position: the mate
        or the stalemate when the side to move has no legal move, else the
        draws it grants; None while the game goes on."""
        if not self.standard_moves():
            if self.in_check():
                return {"1-0 {White mates}" if self.side == "b" else "0-1 {Black mates}"}
            return {"1/2-1/2 {Stalemate}"}
        return self.standard_draws() or None

    def own_draw(self):
        """A draw by the engine's own rules (repetition of the board, fifty
        moves without a capture, neither side with mating material)."""
        return self.repetition_draw or self.fifty_draw or (self.insufficient("w") and self.insufficient("b"))

    def find_standard(self, text):
        """The move of standard chess named by coordinate text, or None."""
        return self.find(text, self.standard_moves())

    # ---- move text
    def find(self, text, moves=None):
        """The legal move named by coordinate text, or None."""
        text = text.strip().lower()
        if len(text) < 4:
            return None
        try:
            s, to = parse_square(text[0:2]), parse_square(text[2:4])
        except ValueError:
            return None
        promo = text[4] if len(text) > 4 else ""
        for m in (self.legal_moves() if moves is None else moves):
            if m[0] == s and m[1] == to and m[2] == promo:
                return m
        return None

    def insufficient(self, side):
        pieces = [p.upper() for p in self.board if p is not None and colour_of(p) == side]
        if any(t in "PRQ" for t in pieces):
            return False
        return sum(1 for t in pieces if t in "NB") <= 1

    def verdict(self):
        """The end of the game in this position, as the engine's result line
        would name it, or None while the game goes on."""
        if self.repetition_draw:
            return "1/2-1/2 {Draw by triple repetition}"
        if self.fifty_draw:
            return "1/2-1/2 {Draw by 50 move rule}"
        if not self.legal_moves():
            if self.in_check():
                return "1-0 {White mates}" if self.side == "b" else "0-1 {Black mates}"
            return "1/2-1/2 {Stalemate}"
        if self.insufficient("w") and self.insufficient("b"):
            return "1/2-1/2 {Draw by insufficient material}"
        return None


def move_text(m):
    return name(m[0]) + name(m[1]) + m[2]


def perft(g, depth):
    if depth == 0:
        return 1
    moves = g.legal_moves()
    if depth == 1:
        return len(moves)
    total = 0
    for m in moves:
        c = g.copy()
        c.play(m)
        total += perft(c, depth - 1)
    return total


# Published perft counts of standard chess (positions without promotions in
# reach at these depths, so they hold for the engine's promotion rule too).
SELF_TEST = [
    (START_FEN, [20, 400, 8902]),
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", [48, 2039]),
    ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", [14, 191, 2812, 43238]),
    ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", [6, 264, 9467]),
    ("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", [44, 1486, 62379]),
]


def play_texts(g, texts, standard=True):
    """Plays the moves; returns, per move, the draws standard chess grants
    after it."""
    granted = []
    for t in texts.split():
        m = g.find_standard(t) if standard else g.find(t)
        if m is None:
            raise ValueError("%s is not legal here" % t)
        g.play(m)
        granted.append(g.standard_draws())
    return granted


REPETITION = "1/2-1/2 {Draw by triple repetition}"
FIFTY = "1/2-1/2 {Draw by 50 move rule}"
DEAD = "1/2-1/2 {Draw by insufficient material}"


def standard_self_test():
    """The standard draws, each on a sequence whose counts are worked out by
    hand in the comments."""
    ok = True

    def expect(what, got, want):
        nonlocal ok
        if got != want:
            print("%s: got %r, want %r" % (what, got, want))
            ok = False

    # Knights out and back twice: the start position (White to move, all
    # rights) stands at plies 0, 4 and 8; the third time is the claim.
    g = Game()
    granted = play_texts(g, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8")
    expect("knight shuffle: first standard repetition (ply)",
           next((i + 1 for i, d in enumerate(granted) if REPETITION in d), None), 8)

    # The side to move counts.  Rook a1 and king h1 against king h8: the rook
    # triangle a1-a2-a3-a1 and then a1-a2-a1 against the king's h8-g8 steps
    # put the same board (rook a1, king h8) at plies 0 (White to move), 5 and
    # 9 (Black to move): the engine's own rule, which looks at the board
    # alone, ends the game at ply 9; standard chess has seen that position
    # (Black to move) twice.  It sees it the third time at ply 13.
    g = Game("7k/8/8/8/8/8/8/R6K w - - 0 1")
    granted = play_texts(g, "a1a2 h8g8 a2a3 g8h8 a3a1 h8g8 a1a2 g8h8 a2a1")
    expect("triangle: own repetition at ply 9", g.repetition_draw, True)
    expect("triangle: standard draws up to ply 9", [d for d in granted if d], [])
    granted = play_texts(g, "h8g8 a1a2 g8h8 a2a1")
    expect("triangle: standard draws at plies 10-13", granted, [set(), set(), set(), {REPETITION}])

    # Castling rights count.  Knights out (ply 2), then the king's rooks
    # g1/g8 and back (plies 3-6: the king-side rights are gone), then the
    # knights home and out by turns.  The board of ply 2 comes back at plies
    # 6, 10 and 14, with White to move each time, but at ply 2 both sides
    # could still castle king-side: the third occurrence of the same
    # position is ply 14, while the board alone repeats a third time at 10.
    g = Game()
    granted = play_texts(g, "g1f3 g8f6 h1g1 h8g8 g1h1 g8h8 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6")
    expect("rights: first standard repetition (ply)",
           next((i + 1 for i, d in enumerate(granted) if REPETITION in d), None), 14)
    expect("rights: the start board with White to move and no king-side rights",
           g.standard_key()[2], "Qq")

    # En passant counts only when the capture is there.  1. e4 leaves no
    # black pawn beside e4: the position after it (Black to move) is the same
    # as after the white knight's g1-f3-g1, which brings it back at plies 5
    # and 9: the third occurrence is at ply 9.
    g = Game()
    granted = play_texts(g, "e2e4 b8c6 g1f3 c6b8 f3g1 b8c6 g1f3 c6b8 f3g1")
    expect("e4 without a capture: first standard repetition (ply)",
           next((i + 1 for i, d in enumerate(granted) if REPETITION in d), None), 9)
    # With a black pawn on d4 the capture d4xe3 is there after e2e4, so the
    # position of ply 1 is another than those of plies 5 and 9: no claim at
    # ply 9 (nor before), where the same moves without that pawn gave one.
    g = Game("1n2k3/8/8/8/3p4/8/4P3/4K1N1 w - - 0 1")
    granted = play_texts(g, "e2e4 b8c6 g1f3 c6b8 f3g1 b8c6 g1f3 c6b8 f3g1")
    expect("e4 with d4xe3 there: standard draws up to ply 9", [d for d in granted if d], [])
    expect("e4 with d4xe3 there: occurrences at ply 9", g.seen[g.standard_key()], 2)
    # A capture that would leave the king attacked (rook a4, pawns d4 and e4,
    # king h4 on one rank) is not there: the key has no en-passant file.
    g = Game("8/8/8/8/R2p3k/8/4P3/4K3 w - - 0 1")
    play_texts(g, "e2e4")
    expect("pinned en passant: key's en-passant file", g.standard_key()[3], None)
    g = Game("8/8/8/8/3p3k/8/4P3/4K3 w - - 0 1")
    play_texts(g, "e2e4")
    expect("free en passant: key's en-passant file", g.standard_key()[3], 4)

    # The half-move clock: from 98, two knight moves reach 100 (the claim);
    # a pawn move in between starts it again.
    g = Game("4k3/8/8/8/8/8/4P3/4K1N1 w - - 98 80")
    granted = play_texts(g, "g1f3 e8d8")
    expect("fifty after two knight moves", granted, [set(), {FIFTY}])
    g = Game("4k3/8/8/8/8/8/4P3/4K1N1 w - - 98 80")
    granted = play_texts(g, "e2e3 e8d8")
    expect("fifty after a pawn move", (granted, g.halfmove), ([set(), set()], 1))
    # The engine's own count ignores pawn moves: a pawn move does not stop it.
    g = Game("4k3/8/8/8/8/8/4P3/4K1N1 w - - 0 1")
    g.fifty = 98
    play_texts(g, "e2e3 e8d8", standard=False)
    expect("own fifty through a pawn move", (g.fifty_draw, g.halfmove), (True, 1))

    # Dead positions.
    for fen, dead in (("4k3/8/8/8/8/8/8/4K3 w - - 0 1", True),        # kings alone
                      ("4k3/8/8/8/8/8/8/4KN2 w - - 0 1", True),       # a knight
                      ("4kb2/8/8/8/8/8/8/2B1K3 w - - 0 1", True),     # bishops c1, f8: both dark
                      ("4k1b1/8/8/8/8/8/8/2B1K3 w - - 0 1", False),   # c1 dark, g8 light
                      ("4k3/8/8/8/8/8/8/B1B1K3 w - - 0 1", True),     # a1, c1: both dark
                      ("4kn2/8/8/8/8/8/8/4KN2 w - - 0 1", False),     # a knight each
                      ("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", False)):    # a pawn
        expect("dead position %s" % fen, Game(fen).dead_position(), dead)
    # a knight each: the engine's own rule calls it a draw, standard chess plays on
    g = Game("4kn2/8/8/8/8/8/8/4KN2 w - - 0 1")
    expect("knight each: own draw, standard end", (g.own_draw(), g.standard_end()), (True, None))
    # mate comes before the fifty-move claim
    g = Game("7k/8/6K1/8/8/8/8/R7 w - - 99 80")
    play_texts(g, "a1a8")
    expect("mate on the hundredth half-move", g.standard_end(), {"1-0 {White mates}"})
    return ok


def self_test():
    ok = True
    for fen, counts in SELF_TEST:
        for d, want in enumerate(counts, 1):
            got = perft(Game(fen, standard=True), d)
            if got != want:
                print("perft %s depth %d: %d, want %d" % (fen, d, got, want))
                ok = False
    # The engine's deviations, each shown on a position made for it.
    g = Game("7k/6b1/8/3Pp3/8/2K5/8/8 w - e6 0 1")
    if g.find("d5e6") is None:
        print("en passant through the captured pawn's square should be legal here")
        ok = False
    if Game("7k/6b1/8/3Pp3/8/2K5/8/8 w - e6 0 1", standard=True).find("d5e6") is not None:
        print("standard rules refuse that en passant capture")
        ok = False
    if Game("7k/8/8/K2Pp2r/8/8/8/8 w - e6 0 1").find("d5e6") is not None:
        print("en passant along the king's rank must be refused")
        ok = False
    if Game("7k/1P6/8/8/8/8/8/K7 w - - 0 1").find("b7b8r") is not None:
        print("rook promotions are not generated")
        ok = False
    # castling kept after a capture on the corner, with another rook arriving there
    g = Game("4k3/8/8/8/8/8/8/R3K2r w K - 0 1")
    g.board[7] = "R"
    if g.find("e1g1") is None:
        print("castling with a right kept and an own rook on the corner should be legal")
        ok = False
    # repetition by board: knights out and back twice
    g = Game()
    for t in "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8".split():
        g.play(g.find(t))
    if g.verdict() != "1/2-1/2 {Draw by triple repetition}" or g.legal_moves():
        print("knights out and back twice should draw by repetition")
        ok = False
    ok = standard_self_test() and ok
    print("chessrules self-test:", "ok" if ok else "FAILED")
    return ok


if __name__ == "__main__":
    sys.exit(0 if self_test() else 1)
