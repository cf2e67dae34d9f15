#!/usr/bin/env python3
"""How Orvane kept to its clock in an xboard match, measured from xboard's
debug log (OUTDIR/xboard.debug of xboard_match.sh).

Every line xboard writes to or reads from an engine carries xboard's
millisecond clock.  For each move of Orvane:

  think time  the time of the "move" line xboard received, less the time of
              the last line xboard sent to Orvane before it (the opponent's
              move, or "go").  xboard's own timing: it includes the pipe both
              ways and xboard's event loop, so it is a little longer than what
              the engine itself measured.
  hard limit  recomputed from what xboard had said to Orvane ("level", "st",
              "time", "option Move Overhead=N"), as the engine's time manager
              plans a turn: with T ms left and an overhead O (50 ms unless
              set), left = T - O;
                "st S":  hard limit = budget = S*1000 - O (at most left when
                         a "time" is known);
                else:    moves to go = M - (engine moves this game mod M) for
                         "level M ..." with M > 0, else 30; share = left/(mtg+1)
                         + 3/4 of the increment, at most left/2 when mtg > 1;
                         hard limit = min(3*share, left).
              That is the classic search's plan.  The strong search (what
              the engine's "feature option" line for Search marks with a
              star, unless xboard sends "option Search=...") never plans
              more than left/2: that is its hard limit here, and it has no
              budget estimate.
  budget      min(level allowance, share).  The level allowance accumulates
              ((base/M' + increment)*7/8 per engine move, M' = M or 40, less
              the time the engine booked for earlier moves, or half of one
              allowance when that is not positive).  The engine books only
              the clock of each turn's last iteration, which the log does not
              show, so the whole think times stand in for it: the budget
              printed is an estimate (the hard limit does not depend on it).

Prints one block per match (control, games, forfeits, moves, the largest
overshoot past the hard limit, the median think time against the median
budget and hard limit) and exits with status 1 when any move overshoots its
hard limit by more than --max-overshoot ms (default 250: a bound for a loaded
machine, the goal being under 30) or Orvane lost any game on time.

Usage: xboard_timing.py --out OUTDIR [--games N] [--engine-name Orvane]
"""
import argparse
import os
import re
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xboard_summary  # noqa: E402

SUDDEN_DEATH_HORIZON = 30
DEFAULT_OVERHEAD_MS = 50

TRAFFIC = re.compile(r"^(\d+) ([<>])(first|second)\s*: ?(.*)$")
NEW_GAME = xboard_summary.NEW_GAME
MYNAME = re.compile(r'^feature .*myname="([^"]*)"')
# The engine's Search option, its default starred: 'feature option="Search -combo Classic /// *Strong"'
SEARCH_FEATURE = re.compile(r'^feature option="Search -combo .*\*(\w+)')
# xboard logs "usermove " and the move as two writes: "usermove 2562 >first : g7g6"
MOVE_TEXT = re.compile(r"^(?:usermove (?:\d+ >\w+\s*: )?)?([a-h][1-8][a-h][1-8][qrbnQRBN]?|O-O(?:-O)?)$")
# Lines xboard writes to an engine together with the line before, which the
# log shows without a time of their own ("new" and "random", "xboard" and
# "protover 2"); other untimed lines are xboard's own notes.
CONTINUATION = re.compile(r"^(random|protover \d+|go|time \d+|otim \d+|level .*|st .*|force|"
                          r"[a-h][1-8][a-h][1-8][qrbnQRBN]?)$")
ENGINE_MOVE = re.compile(r"^move\s+(\S+)")


def seconds_to_ms(text):
    """"30", "0:30", "1:30", "0.5" (minutes[:seconds]) as the base time of a
    "level" command -> milliseconds."""
    if ":" in text:
        minutes, seconds = text.split(":", 1)
        return int(float(minutes or 0) * 60000) + int(float(seconds or 0) * 1000)
    return int(float(text) * 60000)


class Clock:
    """What Orvane has been told about its clock, and its turns this game."""

    def __init__(self):
        self.overhead = DEFAULT_OVERHEAD_MS
        self.moves_per_control = 0
        self.base_ms = 0
        self.increment_ms = 0
        self.level_set = False
        self.fixed_ms = 0
        self.time_known = False
        self.time_left_ms = 0
        self.fresh_time = False   # a "time" line came since the last turn
        self.strong = False       # the strong search thinks
        self.new_game()

    def new_game(self):
        self.time_known = False
        self.moves_made = 0
        self.booked_ms = 0

    def command(self, text):
        w = text.split()
        if not w:
            return
        try:
            if w[0] == "new":
                self.new_game()
            elif w[0] == "setboard":
                self.moves_made = 0
                self.booked_ms = 0
            elif w[0] == "level" and len(w) >= 4:
                self.moves_per_control = max(0, int(w[1]))
                self.base_ms = seconds_to_ms(w[2])
                self.increment_ms = max(0, int(round(float(w[3]) * 1000)))
                self.level_set = True
                self.fixed_ms = 0
            elif w[0] == "st" and len(w) >= 2:
                ms = int(round(float(w[1]) * 1000))
                if ms > 0:
                    self.fixed_ms = ms
            elif w[0] == "time" and len(w) >= 2:
                self.time_known = True
                self.time_left_ms = int(w[1]) * 10
                self.fresh_time = True
            elif w[0] == "option" and text.startswith("option Move Overhead="):
                self.overhead = int(text.split("=", 1)[1])
            elif w[0] == "option" and text.lower().startswith("option search="):
                # A value that is neither is refused and changes nothing.
                value = text.split("=", 1)[1].strip().lower()
                if value in ("strong", "classic"):
                    self.strong = value == "strong"
        except ValueError:
            pass

    def level_allowance(self):
        moves = self.moves_per_control or 40
        return (self.base_ms // moves + self.increment_ms) * 7 // 8

    def plan(self):
        """(hard limit or None, budget or None) for the turn starting now."""
        overhead = max(0, self.overhead)
        left = max(1, self.time_left_ms - overhead)
        if self.fixed_ms > 0:
            usable = max(1, self.fixed_ms - overhead)
            if self.time_known and left < usable:
                usable = left
            return usable, usable
        if not self.time_known:
            return None, None
        if self.strong:
            return max(1, left // 2), None
        if self.moves_per_control > 0:
            mtg = self.moves_per_control - self.moves_made % self.moves_per_control
        else:
            mtg = SUDDEN_DEATH_HORIZON
        share = left // (mtg + 1) + self.increment_ms * 3 // 4
        if share > left // 2 and mtg > 1:
            share = left // 2
        share = max(1, share)
        budget = share
        if self.level_set:
            level = self.level_allowance()
            accumulated = level * (self.moves_made + 1) - self.booked_ms
            if accumulated <= 0:
                accumulated = level // 2
            budget = min(budget, accumulated)
        return min(3 * share, left), budget

    def turn_done(self, used_ms):
        self.moves_made += 1
        self.booked_ms += used_ms
        if self.time_known and not self.fresh_time:
            # no "time" since the last turn: the engine's own account
            self.time_left_ms = self.time_left_ms - used_ms + self.increment_ms
        self.fresh_time = False


def analyse(debug_lines, engine_name="Orvane"):
    """Moves of the engine whose name contains engine_name.  Returns (who,
    control words seen, list of move dicts, notes)."""
    who = None
    names = {}
    for line in debug_lines:
        m = TRAFFIC.match(line)
        if m and m.group(2) == "<":
            n = MYNAME.match(m.group(4))
            if n:
                names.setdefault(m.group(3), n.group(1))
    for side, name in names.items():
        if engine_name.lower() in name.lower():
            who = side
    if who is None:
        who = "first"
    clock = Clock()
    moves = []
    notes = []
    controls = set()
    game = 0
    last_sent = None       # (time, text) of the last line sent to the engine
    turn = None            # (start time, text, hard limit, budget, moves made)
    continuing = False     # untimed lines right after a line sent to the engine belong to it
    for line in debug_lines:
        g = NEW_GAME.match(line)
        if g:
            game = int(g.group(1))
            continuing = False
            continue
        m = TRAFFIC.match(line)
        if m is None:
            if continuing and last_sent is not None and CONTINUATION.match(line.strip()):
                sent(clock, last_sent[0], line.strip(), controls)
                last_sent = (last_sent[0], line.strip())
                if starts_turn(line.strip()):
                    turn = new_turn(clock, last_sent)
            else:
                continuing = False
            continue
        t, direction, side, text = int(m.group(1)), m.group(2), m.group(3), m.group(4).strip()
        continuing = False
        if side != who:
            continue
        if direction == ">":
            continuing = True
            sent(clock, t, text, controls)
            last_sent = (t, text)
            if starts_turn(text):
                turn = new_turn(clock, last_sent)
            continue
        f = SEARCH_FEATURE.match(text)
        if f:
            clock.strong = f.group(1) == "Strong"
        e = ENGINE_MOVE.match(text)
        if not e:
            continue
        if last_sent is None:
            notes.append("move %s at %d ms before any line was sent" % (e.group(1), t))
            continue
        think = t - last_sent[0]
        if turn is None:
            notes.append("game %d: move %s at %d ms without a turn (last line sent: %r)" % (
                game, e.group(1), t, last_sent[1]))
            clock.turn_done(think)
            continue
        if not starts_turn(last_sent[1]):
            notes.append("game %d: move %s: the last line sent before it was %r, not a move or \"go\"" % (
                game, e.group(1), last_sent[1]))
        hard, budget = turn[2], turn[3]
        moves.append({"game": game, "move": e.group(1), "at": t, "think": think, "hard": hard,
                      "budget": budget, "number": turn[4] + 1, "after": turn[1]})
        clock.turn_done(think)
        turn = None
    return who, sorted(controls), moves, notes


def starts_turn(text):
    return text == "go" or MOVE_TEXT.match(text) is not None


def sent(clock, t, text, controls):
    clock.command(text)
    w = text.split()
    if w and w[0] in ("level", "st"):
        controls.add(text)


def new_turn(clock, last_sent):
    hard, budget = clock.plan()
    return (last_sent[0], last_sent[1], hard, budget, clock.moves_made)


def forfeits(out, games, who):
    """Games the engine lost on time, as xboard_summary sees them."""
    end_reason = ""
    monitor = xboard_summary.read(os.path.join(out, "monitor.log"))
    m = re.search(r"T\+\d+s (hard timeout.*|stall.*|engine exited before.*): stopping xboard", monitor)
    if m:
        end_reason = m.group(1)
    _, rows, _ = xboard_summary.analyse(out, games, end_reason)
    ours = 1 if who == "first" else 2
    lost = []
    for r in rows:
        if r["category"] != "time forfeit":
            continue
        we_white = r["white"] == ours
        if (r["result"] == "0-1" and we_white) or (r["result"] == "1-0" and not we_white) \
                or r["result"] not in ("1-0", "0-1", "1/2-1/2"):
            lost.append("game %d: %s %s" % (r["game"], r["result"], r["reason"]))
    return rows, lost


def median(values):
    return statistics.median(values) if values else None


def fmt(v):
    return "-" if v is None else "%.0f ms" % v


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--out", required=True, help="folder of the match (xboard.debug, games.pgn, ...)")
    ap.add_argument("--games", type=int, default=None, help="games of the match (default: as many as started)")
    ap.add_argument("--engine-name", default="Orvane", help="part of the engine's myname")
    ap.add_argument("--max-overshoot", type=int, default=250, help="ms past the hard limit that fail the check")
    ap.add_argument("--goal", type=int, default=30, help="ms past the hard limit that are only reported")
    ap.add_argument("--list", action="store_true", help="print every move")
    a = ap.parse_args()

    debug = xboard_summary.read(os.path.join(a.out, "xboard.debug")).splitlines()
    if not debug:
        print("xboard timing: no xboard.debug in %s" % a.out)
        return 1
    who, controls, moves, notes = analyse(debug, a.engine_name)
    started = [int(m.group(1)) for m in map(NEW_GAME.match, debug) if m]
    games = a.games if a.games is not None else (max(started) if started else 0)
    rows, lost = forfeits(a.out, games, who) if games else ([], [])

    limited = [m for m in moves if m["hard"] is not None]
    over = [dict(m, over=m["think"] - m["hard"]) for m in limited]
    worst = max(over, key=lambda m: m["over"]) if over else None
    budgets = [m["budget"] for m in moves if m["budget"] is not None]
    print("=== xboard timing: %s (xboard's \"%s\" engine), %s ===" % (a.engine_name, who, a.out))
    print("control: %s" % ("; ".join(controls) or "none sent"))
    print("games: %d (%d with a result), moves: %d (%d under a hard limit)" % (
        games, sum(1 for r in rows if r["result"] in ("1-0", "0-1", "1/2-1/2")), len(moves), len(limited)))
    print("forfeits on time: %d" % len(lost))
    for f in lost:
        print("  " + f)
    if worst is not None:
        print("largest overshoot past the hard limit: %+d ms (game %d, move %d %s: %d ms against %d ms)" % (
            worst["over"], worst["game"], worst["number"], worst["move"], worst["think"], worst["hard"]))
        print("moves past the hard limit: %d; by more than %d ms: %d; by more than %d ms: %d" % (
            sum(1 for m in over if m["over"] > 0), a.goal, sum(1 for m in over if m["over"] > a.goal),
            a.max_overshoot, sum(1 for m in over if m["over"] > a.max_overshoot)))
    print("median think %s against median budget %s (estimate) and median hard limit %s; longest think %s" % (
        fmt(median([m["think"] for m in moves])), fmt(median(budgets)),
        fmt(median([m["hard"] for m in limited])), fmt(max([m["think"] for m in moves], default=None))))
    print("(times from xboard's log: they include the pipes and xboard's own latency)")
    if len(limited) < len(moves):
        print("note: %d moves without a hard limit (no \"time\" or \"st\" sent before them)" % (
            len(moves) - len(limited)))
    for n in notes:
        print("note: " + n)
    if a.list:
        for m in moves:
            print("  game %d move %3d %-6s after %-8s think %5d ms  budget %6s  hard %6s" % (
                m["game"], m["number"], m["move"], m["after"], m["think"],
                "-" if m["budget"] is None else m["budget"], "-" if m["hard"] is None else m["hard"]))
    failures = []
    for m in over:
        if m["over"] > a.max_overshoot:
            failures.append("game %d move %d %s: %d ms, hard limit %d ms (%+d)" % (
                m["game"], m["number"], m["move"], m["think"], m["hard"], m["over"]))
    failures += ["lost on time: " + f for f in lost]
    if not moves:
        failures.append("no moves of %s found" % a.engine_name)
    if failures:
        print("xboard timing: FAILED")
        for f in failures:
            print("  " + f)
        return 1
    print("xboard timing: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
