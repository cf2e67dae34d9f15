#!/usr/bin/env python3
"""The clock as Orvane kept it under a UCI front end, from polyglot's log
(-log true): for every "go", the time until its "bestmove" against the hard
limit the time manager sets for that go, and for every "stop", the time until
the "bestmove" it asks for.

The hard limit, with the time left T, the increment I and the move overhead O
(Move Overhead, 50 ms unless set): under "movetime M", M - O (and no more than
T - O when T is given too); under the clock, three shares but never more than
T - O, a share being (T - O) / (movestogo + 1) + 3/4 I, or (T - O) / 31 + 3/4 I
without movestogo, and at most (T - O) / 2 when more than one move is to go.
A go with neither (depth, infinite) has no limit.  That is the classic
search's plan; the strong search (the default of a UCI session, as the Search
option's line in the handshake says, unless a setoption changes it) never
plans to take more than half of T - O: that is the limit checked for it.

Usage: uci_timing.py POLYGLOT_LOG [--overhead MS] [--margin MS] [--stop-limit MS]
Exit status 1 when an answer came later than its hard limit plus the margin
(default 500 ms), a stop was answered later than the stop limit (default
1000 ms), or a go was never answered.
"""
import argparse
import re
import sys

LINE = re.compile(r"^(\d+\.\d+) (Adapter->Engine|Engine->Adapter): ?(.*)$")
SUDDEN_DEATH_MOVES = 30


def side_to_move(words):
    """'w' or 'b' after a "position" command's words."""
    side = "w"
    if len(words) > 2 and words[1] == "fen":
        side = words[3] if len(words) > 3 else "w"
    moves = words.index("moves") + 1 if "moves" in words else len(words)
    if (len(words) - moves) % 2 == 1:
        side = "b" if side == "w" else "w"
    return side


def hard_limit(go, side, overhead, strong=False):
    """Milliseconds, or None when the go has no limit.  strong: the strong
    search's ceiling."""
    args = {}
    for key, value in zip(go[1:], go[2:]):
        if key in ("wtime", "btime", "winc", "binc", "movestogo", "movetime") and re.fullmatch(r"-?\d+", value):
            args[key] = int(value)
    if "infinite" in go:
        return None
    own = args.get("wtime" if side == "w" else "btime")
    inc = max(0, args.get("winc" if side == "w" else "binc", 0))
    left = None if own is None else max(1, own - overhead)
    if args.get("movetime", 0) > 0:
        usable = max(1, args["movetime"] - overhead)
        return min(usable, left) if left is not None else usable
    if left is None:
        return None
    to_go = args.get("movestogo", 0)
    if strong:
        return max(1, left // 2)
    to_go = to_go if 0 < to_go < 10000 else SUDDEN_DEATH_MOVES
    share = left // (to_go + 1) + inc * 3 // 4
    if share > left // 2 and to_go > 1:
        share = left // 2
    share = max(1, share)
    return min(3 * share, left)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("log")
    ap.add_argument("--overhead", type=int, default=50)
    ap.add_argument("--margin", type=int, default=500)
    ap.add_argument("--stop-limit", type=int, default=1000)
    a = ap.parse_args()

    side = "w"
    strong = False  # the search in force, from the handshake and setoption
    pending = None  # [go time, go words, stop time, side, strong]
    answers = []    # (go text, ms, hard limit or None, ms after stop or None)
    unanswered = 0
    for line in open(a.log, errors="replace"):
        m = LINE.match(line.rstrip("\n"))
        if not m:
            continue
        t, direction, text = float(m.group(1)), m.group(2), m.group(3)
        words = text.split()
        if not words:
            continue
        if direction == "Adapter->Engine":
            if words[0] == "position":
                side = side_to_move(words)
            elif words[0] == "setoption" and text.lower().startswith("setoption name search value "):
                # A value that is neither is refused and changes nothing.
                if words[-1].lower() in ("strong", "classic") and len(words) == 5:
                    strong = words[-1].lower() == "strong"
            elif words[0] == "go":
                if pending:
                    unanswered += 1
                pending = [t, words, None, side, strong]
            elif words[0] == "stop" and pending and pending[2] is None:
                pending[2] = t
        elif text.startswith("option name Search type combo default "):
            strong = words[6] == "Strong"
        elif words[0] == "bestmove" and pending:
            start, go, stop, go_side, go_strong = pending
            limit = hard_limit(go, go_side, a.overhead, go_strong)
            answers.append((" ".join(go), round((t - start) * 1000), limit,
                            None if stop is None else round((t - stop) * 1000)))
            pending = None
    if pending:
        unanswered += 1

    timed = [x for x in answers if x[2] is not None]
    stops = [x for x in answers if x[3] is not None]
    failures = []
    for go, ms, limit, after_stop in answers:
        if limit is not None and ms > limit + a.margin:
            failures.append("%s: answered after %d ms, hard limit %d ms" % (go, ms, limit))
        if after_stop is not None and after_stop > a.stop_limit:
            failures.append("%s: bestmove %d ms after stop" % (go, after_stop))
    if unanswered:
        failures.append("%d go without a bestmove" % unanswered)
    print("uci timing: %d answers, %d under a hard limit, %d after a stop" % (len(answers), len(timed), len(stops)))
    if timed:
        worst = max(timed, key=lambda x: x[1] - x[2])
        longest = max(timed, key=lambda x: x[1])
        print("  largest time past the hard limit: %+d ms (%s: %d ms, limit %d ms)" % (
            worst[1] - worst[2], worst[0], worst[1], worst[2]))
        print("  longest answer: %d ms (%s, limit %d ms)" % (longest[1], longest[0], longest[2]))
    if stops:
        print("  largest stop to bestmove delay: %d ms" % max(x[3] for x in stops))
    for f in failures:
        print("  FAILED: " + f)
    print("uci timing: %d passed, %d failed" % (len(answers) - len(failures), len(failures))
          if not failures else "uci timing: FAILED")
    return 1 if failures or not answers else 0


if __name__ == "__main__":
    sys.exit(main())
