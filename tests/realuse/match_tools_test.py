#!/usr/bin/env python3
"""Checks of the match tools on made-up match folders, in the form xboard and
xboard_match.sh write them (timed debug lines "T >first : ...", "New game (k):
... (w)", "GameEnds(...)", a PGN with the reason as the last comment).

  xboard_timing.py: think times and hard limits, whose values are worked out
  by hand below from the time manager's rules (the classic search's and the
  strong search's); the failure past 250 ms; a time forfeit.
  match_verdict.py: a false claim of Orvane fails the match, the opponent's
  does not; two draw claims in one game fail it.
  match_budget.py: the hard limit of a match, worked out by hand for each
  form of time control.

Exit status 0 when every check passed.
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import xboard_timing  # noqa: E402

NAMES = ['10 <first : feature myname="Orvane 1.25 by Quenwick"',
         '20 <second: feature myname="Fairy-Max 5.0b"']
failures = []


def check(what, got, want):
    if got != want:
        failures.append("%s: got %r, want %r" % (what, got, want))


def moves_of(lines):
    return xboard_timing.analyse(NAMES + lines)[2]


def timing_checks():
    # 30 s for the game: left = 30000 - 50 = 29950, 30 moves to go, share =
    # 29950 // 31 = 966 (31 * 966 = 29946), hard limit 3 * 966 = 2898.  The
    # level allowance is (30000 / 40) * 7 / 8 = 656 (656.25): the budget.
    # Second turn: 29100 - 50 = 29050, share 29050 // 31 = 937 (31 * 937 =
    # 29047), hard limit 2811; the allowance has grown to 2 * 656 - 900 = 412.
    sd = ["New game (1): Orvane 1.25 by Quenwick-Fairy-Max 5.0b (w)",
          "200 >first : new", "random", "201 >first : level 0 0:30 0", "202 >first : post",
          "1000 >first : time 3000", "1000 >first : otim 3000", "book hit = (NULL)", "1001 >first : go",
          "nps: w=-1, b=-1", "1901 <first : move e2e4", "1902 >second: e2e4", "1950 <second: move e7e5",
          "2000 >first : time 2910", "2000 >first : otim 2995", "2001 >first : e7e5",
          "5301 <first : move d2d4"]
    got = [(m["think"], m["hard"], m["budget"], m["after"]) for m in moves_of(sd)]
    check("30 s game", got, [(900, 2898, 656, "go"), (3300, 2811, 412, "e7e5")])

    # The same game, the engine's handshake starring Strong: its ceiling is
    # half of what is left (29950 // 2 = 14975, then 29050 // 2 = 14525), no
    # budget.  After "option Search=classic" the classic plan again: left
    # 28000 - 50 = 27950 (as "time 2800" says), share 27950 // 31 = 901
    # (31 * 901 = 27931), hard limit 2703.
    strong = [sd[0], '150 <first : feature option="Search -combo Classic /// *Strong"'] + sd[1:] + [
        "5400 >first : option Search=classic", "5401 >first : time 2800", "5402 >first : c7c5",
        "5500 <first : move c2c4"]
    got = [(m["think"], m["hard"], m["budget"]) for m in moves_of(strong)]
    check("30 s game, strong search", [g[:2] for g in got], [(900, 14975), (3300, 14525), (98, 2703)])
    check("30 s game, strong search: no budget", [g[2] for g in got[:2]], [None, None])

    # 20 s plus 0.5 s: left 19950, share 19950 // 31 + 3/4 * 500 = 643 + 375
    # = 1018 (31 * 643 = 19933), hard limit 3054; allowance (500 + 500) * 7/8 = 875.
    inc = ["New game (1): Orvane 1.25 by Quenwick-Fairy-Max 5.0b (b)",
           "100 >first : new", "random", "101 >first : level 0 0:20 0.5",
           "300 >first : time 2000", "300 >first : otim 2000", "301 >first : e2e4", "900 <first : move e7e5"]
    check("20 s + 0.5 s", [(m["think"], m["hard"], m["budget"]) for m in moves_of(inc)], [(599, 3054, 875)])

    # One second a move: hard limit 1000 - 50 = 950 (no more than the 950
    # left by "time 100" either); with 300 ms of overhead set by the GUI, 700.
    st = ["New game (1): Orvane 1.25 by Quenwick-Fairy-Max 5.0b (w)",
          "100 >first : new", "random", "101 >first : st 1",
          "200 >first : time 100", "201 >first : go", "1180 <first : move e2e4",
          "1300 >first : option Move Overhead=300", "1400 >first : time 100", "1401 >first : e7e5",
          "2101 <first : move d2d4"]
    check("st 1", [(m["think"], m["hard"]) for m in moves_of(st)], [(979, 950), (700, 700)])
    # ... but never more than the time left: "time 50" leaves 500 - 50 = 450.
    st_short = st[:4] + ["200 >first : time 50", "201 >first : go", "600 <first : move e2e4"]
    check("st 1, 0.5 s left", [(m["think"], m["hard"]) for m in moves_of(st_short)], [(399, 450)])

    # A large increment against a small clock: 1 s plus 10 s a move, "time
    # 100": left 950, share 950 // 31 + 7500 = 7530, cut to half of what is
    # left (475, with 30 to go); three shares (1425) are more than the 950
    # there are: hard limit 950.  The allowance, (1000 / 40 + 10000) * 7/8 =
    # 8771, leaves the budget at 475.
    big_inc = ["New game (1): Orvane 1.25 by Quenwick-Fairy-Max 5.0b (w)",
               "100 >first : new", "101 >first : level 0 0:01 10",
               "200 >first : time 100", "201 >first : go", "700 <first : move e2e4"]
    check("1 s + 10 s", [(m["hard"], m["budget"]) for m in moves_of(big_inc)], [(950, 475)])

    # 40 moves in 30 s: 40 to go at the first turn, left 29950, share 29950 //
    # 41 = 730 (41 * 730 = 29930), hard limit 2190; 39 to go at the second,
    # share 29950 // 40 = 748, hard limit 2244.  The next game starts again
    # at 40 to go: 2190.  "new" forgets the time left: a "go" before
    # any "time" has no hard limit.
    mt = ["New game (1): Orvane 1.25 by Quenwick-Fairy-Max 5.0b (w)",
          "100 >first : new", "101 >first : level 40 0:30 0",
          "200 >first : time 3000", "201 >first : go", "300 <first : move e2e4",
          "400 >first : time 3000", "401 >first : e7e5", "500 <first : move d2d4",
          "New game (2): Fairy-Max 5.0b-Orvane 1.25 by Quenwick (b)",
          "600 >first : new", "601 >first : level 40 0:30 0",
          "700 >first : time 3000", "701 >first : e2e4", "800 <first : move e7e5",
          "900 >first : new", "901 >first : go", "999 <first : move e2e4"]
    check("40 moves in 30 s", [(m["game"], m["hard"]) for m in moves_of(mt)],
          [(1, 2190), (1, 2244), (2, 2190), (2, None)])


def write_match(folder, games, debug):
    """games: (first plays white, result, reason) per game."""
    os.makedirs(folder, exist_ok=True)
    pgn = []
    lines = list(NAMES)
    t = 1000
    for k, (first_white, result, reason) in enumerate(games, 1):
        white, black = ("Orvane 1.25 by Quenwick", "Fairy-Max 5.0b") if first_white else \
            ("Fairy-Max 5.0b", "Orvane 1.25 by Quenwick")
        pgn.append('[Event "Computer Chess Game"]\n[Round "%d"]\n[White "%s"]\n[Black "%s"]\n'
                   '[Result "%s"]\n\n1. e4 e5 2. Nf3\n{%s} %s\n' % (k, white, black, result, reason, result))
        lines.append("New game (%d): %s-%s (%s)" % (k, white, black, "w" if first_white else "b"))
        lines += ["%d %s" % (t + i, l) for i, l in enumerate(debug.get(k, []))]
        lines.append("GameEnds(27, %s, 4)" % reason)
        t += 1000
    with open(os.path.join(folder, "games.pgn"), "w") as f:
        f.write("\n".join(pgn))
    with open(os.path.join(folder, "xboard.debug"), "w") as f:
        f.write("\n".join(lines) + "\n")
    open(os.path.join(folder, "monitor.log"), "w").close()


def verdict(folder, games):
    p = subprocess.run([sys.executable, os.path.join(HERE, "match_verdict.py"), "--out", folder,
                        "--games", str(games)], capture_output=True, text=True)
    return p.returncode, p.stdout


def verdict_checks(root):
    claim = "False draw claim: 'Draw by triple repetition'"
    # Orvane (White) loses by its false claim: a failure
    d = os.path.join(root, "ours")
    write_match(d, [(True, "0-1", claim), (False, "1-0", "White mates")],
                {1: ["<first : 1/2-1/2 {Draw by triple repetition}"]})
    code, text = verdict(d, 2)
    check("Orvane's false claim: status", code, 1)
    check("Orvane's false claim: named", "false claim of Orvane" in text, True)
    # the opponent (Black) loses by its false claim: Orvane's win, no failure
    d = os.path.join(root, "theirs")
    write_match(d, [(True, "1-0", claim), (False, "1-0", "White mates")], {})
    code, text = verdict(d, 2)
    check("opponent's false claim: status", code, 0)
    check("opponent's false claim: reported", "Opponent's forfeit" in text, True)
    # a true claim of Orvane ends the game normally, once
    d = os.path.join(root, "true")
    write_match(d, [(False, "1/2-1/2", "Draw by 50 move rule"), (True, "1-0", "White mates")],
                {1: ["<first : 1/2-1/2 {Draw by 50 move rule}"]})
    code, text = verdict(d, 2)
    check("true claim: status", code, 0)
    check("true claim: listed", "Game 1 ended by Orvane 1.25 by Quenwick's claim" in text, True)
    # ... but not twice in a game
    d = os.path.join(root, "twice")
    write_match(d, [(False, "1/2-1/2", "Draw by 50 move rule"), (True, "1-0", "White mates")],
                {1: ["<first : 1/2-1/2 {Draw by 50 move rule}", "<first : 1/2-1/2 {Draw by 50 move rule}"]})
    code, text = verdict(d, 2)
    check("two claims: status", code, 1)
    # Orvane loses on time: a failure of the match and of the timing check
    d = os.path.join(root, "flag")
    write_match(d, [(True, "0-1", "White's flag fell"), (False, "0-1", "Black mates")],
                {1: [">first : time 100", ">first : go", "<first : move e2e4"]})
    code, text = verdict(d, 2)
    check("time forfeit: verdict status", code, 1)
    p = subprocess.run([sys.executable, os.path.join(HERE, "xboard_timing.py"), "--out", d, "--games", "2"],
                       capture_output=True, text=True)
    check("time forfeit: timing status", p.returncode, 1)
    check("time forfeit: timing names it", "lost on time: game 1" in p.stdout, True)
    # a move 251 ms past its hard limit of 950 fails the timing check, 250 does not
    for over, want in ((250, 0), (251, 1)):
        d = os.path.join(root, "over%d" % over)
        write_match(d, [(True, "1-0", "White mates")],
                    {1: [">first : st 1", ">first : time 100", ">first : go"]})
        with open(os.path.join(d, "xboard.debug"), "a") as f:
            f.write("%d <first : move e2e4\n" % (1002 + 950 + over))
        p = subprocess.run([sys.executable, os.path.join(HERE, "xboard_timing.py"), "--out", d, "--games", "1"],
                           capture_output=True, text=True)
        check("overshoot %d: status" % over, p.returncode, want)
        check("overshoot %d: reported" % over, "largest overshoot past the hard limit: %+d ms" % over in p.stdout,
              True)


def budget_checks():
    import match_budget
    # 80 moves a side: two sessions of 40 moves in 30 s = 60 s a side; two
    # sides, 10 s pause, 20 s slack = 150 s a game; two games and 60 s = 360.
    check("40/0:30", match_budget.budget("40/0:30", 2, 80), 360)
    # 1 s a move: 80 s a side, 190 s a game, one game: 250.
    check("1s", match_budget.budget("1s", 1, 80), 250)
    # 30 s sudden death: 30 s a side, 90 s a game, 2 games: 240.
    check("0:30+0", match_budget.budget("0:30+0", 2, 80), 240)
    # 20 s plus 0.5 s (counted as a whole second): 20 + 80 = 100 a side, 230 a game: 520.
    check("0:20+0.5", match_budget.budget("0:20+0.5", 2, 80), 520)
    # 0/1/2: 60 + 160 = 220 a side, 470 a game: 530.
    check("0/1/2", match_budget.budget("0/1/2", 1, 80), 530)
    try:
        match_budget.budget("fast", 1, 80)
        failures.append("budget: 'fast' was taken as a time control")
    except ValueError:
        pass


def main():
    timing_checks()
    budget_checks()
    root = tempfile.mkdtemp(prefix="orvane-match-tools-")
    try:
        verdict_checks(root)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for f in failures:
        print("match tools: " + f)
    print("match tools: %s" % ("FAILED" if failures else "all checks passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
