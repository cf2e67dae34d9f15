#!/usr/bin/env python3
"""Typed ahead or typed after the answer: the same session.

Orvane reads standard input on a thread of its own while it thinks, so that
a GUI's "?", "ping" or "quit" can act during a search.  A session that uses
only the console commands and the old xboard subset must not notice that
reader: a word that arrives while the engine thinks waits for the move and is
read afterwards, exactly as if it had been typed after the answer.  This test
runs random sessions of those words twice, once piped in all at once and once
line by line, each line sent only when the engine has gone idle, and fails if
stdout, orvane.log, book.dat or board.txt (or stderr, or the exit status)
differ between the two runs.  A few fixed sessions check node counts worked
out beforehand.

The engine seeds its choice among equal moves from the time of day, so both
runs go under faketime (Debian package faketime); without it the test skips,
except in CI (CI set), where it fails.

usage: paced_sessions.py ENGINE [--cases N] [--seed S]
"""
import argparse, difflib, os, random, re, shutil, subprocess, sys, tempfile, time

FAKETIME = ["faketime", "-f", "@2026-01-01 00:00:00"]
FILES = ["orvane.log", "book.dat", "board.txt"]
GAME_FILE = "game.txt"  # for "bookmake"; white's moves are learnt, black is to move at its end
GAME_TEXT = "whitewillwin\ne2e4 e7e5\ng1f3 b8c6\nf1c4\nquit\n"

# Openings played after "force", every move checked by hand on a board.
OPENINGS = [
    [],
    "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6".split(),                  # Ruy Lopez
    "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6".split(),                  # Queen's Gambit Declined
    "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6".split(),  # Najdorf, with captures
    "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 e1g1 g8f6".split(),        # white castles short
    "d2d4 d7d5 b1c3 b8c6 c1f4 c8f5 d1d2 d8d7 e1c1 e8c8".split(),  # both castle long
    "e2e4 a7a6 e4e5 d7d5 e5d6".split(),                       # en passant
    "e2e4 f7f5 e4f5 g7g6 f5g6 g8f6 g6h7 h8g8 h7g8q".split(),  # promotion by capture
    "f2f3 e7e5 g2g4 d8h4".split(),                            # white is mated
    "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8".split(),        # the start position three times
]
LIKELY = {"w": ["g1f3", "b1c3", "a2a3", "h2h3", "d2d4", "c2c4"],
          "b": ["g8f6", "b8c6", "a7a6", "h7h6", "d7d5", "c7c5"]}
ILLEGAL = ["e2e5", "E7E4", "i2i4", "a1a8", "e1e8", "e7e8"]
# The words that follow a "go" at once ("quit" ends the session: what follows it is never read;
# "depth" sometimes has its number on a line of its own).
AFTER_GO = ("quit new new force force move move move illegal depth depth advancelevel "
            "display draw save save load bookmake go").split()
WHITE_FIRST = {f + "2" + f + r for f in "abcdefgh" for r in "34"} | {"b1a3", "b1c3", "g1f3", "g1h3"}
BLACK_FIRST = {f + "7" + f + r for f in "abcdefgh" for r in "65"} | {"b8a6", "b8c6", "g8f6", "g8h6"}


def make_session(rng, xboard):
    """The lines of one random session of console and old xboard words."""
    lines = (["xboard"] + (["protover 2"] if rng.random() < 0.4 else [])) if xboard else []
    lines.append("noclocks")  # fixed depth only: a clock would make the two runs differ by timing
    extension = rng.random() < 0.3
    max_depth = 2 if extension else 3
    settings = [f"depth {rng.randint(1, max_depth)}", f"advancelevel {rng.randint(0, 3)}",
                f"emotion {rng.randint(-1, 1)}", "lognodes", "donullmove", "docutting"]
    settings = [settings[0]] + rng.sample(settings[1:], rng.randint(0, 5))
    if extension:
        settings.append("advancedsearchingon")
    rng.shuffle(settings)
    lines += settings
    opening = rng.choice(OPENINGS)
    lines += ["force"] + opening
    side, force = "wb"[len(opening) % 2], True  # the side to move, as far as we can tell
    for _ in range(rng.randint(2, 4)):
        for kind in ["go"] + rng.choices(AFTER_GO, k=rng.randint(1, 3)):
            n = rng.randint(1, max_depth)
            lines += {"move": [rng.choice(LIKELY[side])], "illegal": [rng.choice(ILLEGAL)],
                      "depth": [f"depth {n}"] if rng.random() < 0.7 else ["depth", str(n)],
                      "advancelevel": [f"advancelevel {rng.randint(0, 3)}"],
                      "bookmake": [f"bookmake {GAME_FILE}"]}.get(kind, [kind])
            if kind == "go" or (kind == "move" and force):
                side = "b" if side == "w" else "w"  # an answered move leaves the side as it was
            force = (force or kind == "force") and kind != "go"
            side = {"new": "w", "bookmake": "b"}.get(kind, side)
    if rng.random() < 0.75:
        lines.append("quit")  # otherwise the input simply ends
    return lines


def proc_stat(pid):
    """(state of the main thread, states of the others, utime + stime of all), None once it has gone.
    The main thread's id is the process id; the other one is the input reader."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        others = ""
        for tid in os.listdir(f"/proc/{pid}/task"):
            if tid != str(pid):
                with open(f"/proc/{pid}/task/{tid}/stat") as f:
                    others += f.read().rsplit(")", 1)[1].split()[0]
    except (OSError, IndexError):
        return None
    return fields[0], others, int(fields[11]) + int(fields[12])


def engine_pid(wrapper, engine, deadline):
    """faketime starts the engine as its child; find it by its program."""
    want = os.path.realpath(engine)
    while time.monotonic() < deadline:
        pids = [wrapper.pid]
        try:
            with open(f"/proc/{wrapper.pid}/task/{wrapper.pid}/children") as f:
                pids += [int(p) for p in f.read().split()]
        except OSError:
            pass
        for pid in pids:
            try:
                if os.readlink(f"/proc/{pid}/exe") == want:
                    return pid
            except OSError:
                pass
        if wrapper.poll() is not None:
            return None
        time.sleep(0.005)
    raise TimeoutError("the engine did not start")


def wait_idle(pid, deadline, quiet=0.1):
    """Until the engine's threads sleep (state S or D) without using CPU for `quiet` seconds, or it ends."""
    last, since = None, time.monotonic()
    while time.monotonic() < deadline:
        stat = proc_stat(pid)
        if stat is None or stat[0] in "ZX":
            return
        now = time.monotonic()
        if not set(stat[0] + stat[1]) <= set("SD") or stat != last:
            last, since = stat, now
        elif now - since >= quiet:
            return
        time.sleep(0.01)
    raise TimeoutError("the engine did not go idle")


def run(engine, lines, paced, timeout=120):
    """One run in a fresh folder: stdout, the files and the exit status."""
    folder = tempfile.mkdtemp(prefix="orvane-paced-")
    with open(os.path.join(folder, GAME_FILE), "w") as f:
        f.write(GAME_TEXT)
    env = dict(os.environ)  # libfaketime is preloaded, which AddressSanitizer must be told to allow
    env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0").lstrip(":")
    deadline = time.monotonic() + timeout
    with open(os.path.join(folder, "stdout"), "wb") as out, open(os.path.join(folder, "stderr"), "wb") as err:
        p = subprocess.Popen(FAKETIME + [os.path.abspath(engine)], cwd=folder, env=env,
                             stdin=subprocess.PIPE, stdout=out, stderr=err)
        try:
            if not paced:
                p.stdin.write("".join(l + "\n" for l in lines).encode())
            else:
                pid = engine_pid(p, engine, deadline)
                wait_idle(pid, deadline)
                for line in lines:
                    if p.poll() is not None or proc_stat(pid) is None:
                        break  # it has ended ("quit"): the rest is never read
                    p.stdin.write((line + "\n").encode())
                    p.stdin.flush()
                    wait_idle(pid, deadline)
            p.stdin.close()
        except BrokenPipeError:
            pass
        try:
            code = p.wait(max(1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            p.kill()
            code = "timeout"
    result = {"exit": code}
    for name in ["stdout", "stderr"] + FILES:
        path = os.path.join(folder, name)
        result[name] = open(path, "rb").read() if os.path.exists(path) else None
    shutil.rmtree(folder, ignore_errors=True)
    return result


def differences(a, b):
    """What differs between two runs, as printable lines."""
    said = []
    for key in ["exit", "stdout", "stderr"] + FILES:
        if a[key] == b[key]:
            continue
        if key in ("stdout", "stderr", "orvane.log") and a[key] is not None and b[key] is not None:
            diff = difflib.unified_diff(a[key].decode(errors="replace").splitlines(),
                                        b[key].decode(errors="replace").splitlines(), "piped", "paced", lineterm="")
            said.append(f"  {key} differs:\n" + "\n".join("    " + l for l in list(diff)[:30]))
        else:
            size = lambda r: "missing" if r[key] is None else (r[key] if key == "exit" else f"{len(r[key])} bytes")
            said.append(f"  {key} differs: piped {size(a)}, paced {size(b)}")
    for name, r in (("piped", a), ("paced", b)):
        if r["exit"] != 0:
            said.append(f"  {name} run: exit {r['exit']}, stderr {r['stderr'][:2000].decode(errors='replace')!r}")
    return said


def fixed_log(start, node_counts, after=""):
    """A log pattern: the start words, then per "go" its move and node count, then `after`."""
    text = re.escape(start)
    for n in node_counts:
        text += r"go\nmove ([a-h][1-8][a-h][1-8])\n" + f"nodes {n}\\n"
    return re.compile(text + re.escape(after) + r"\Z")


# Depth 4 from the start searches 7324 nodes with nothing cut (null move and
# cutting are off at a fixed depth).  Depth 1 visits the root and one node per
# legal move: 21 for white's 20 first moves, and the count runs on over the
# turns, so black's 20 replies (any white first move leaves all of them
# legal) make it 42.  After any white first move, e7e5 is legal for black.
FIXED = [
    ("noclocks depth 4 lognodes go quit", fixed_log("noclocks\ndepth\nlognodes\n", [7324]), [WHITE_FIRST]),
    ("xboard noclocks depth 4 lognodes go new quit",
     fixed_log("xboard\nnoclocks\ndepth\nlognodes\n", [7324], "new\n"), [WHITE_FIRST]),
    ("noclocks depth 1 lognodes go go quit",
     fixed_log("noclocks\ndepth\nlognodes\n", [21, 42]), [WHITE_FIRST, BLACK_FIRST]),
    ("xboard noclocks depth 4 lognodes go force e7e5 quit",
     fixed_log("xboard\nnoclocks\ndepth\nlognodes\n", [7324], "force\ne7e5\nE7E5\n"), [WHITE_FIRST]),
    ("noclocks depth 1 lognodes force e2e4 go quit",
     fixed_log("noclocks\ndepth\nlognodes\nforce\ne2e4\nE2E4\n", [21]), [BLACK_FIRST]),
]


def check_fixed(engine, words, pattern, legal):
    """Both runs of a fixed session: the log as worked out, each move printed, no error."""
    lines = [l for l in re.split(r" (?=[a-z])", words)]  # "depth 4" stays on one line
    runs = {"piped": run(engine, lines, False), "paced": run(engine, lines, True)}
    faults = differences(runs["piped"], runs["paced"])
    for name, r in runs.items():
        log = (r["orvane.log"] or b"").decode(errors="replace")
        m = pattern.match(log)
        if not m or any(mv not in ok for mv, ok in zip(m.groups(), legal)):
            faults.append(f"  {name} run: unexpected orvane.log {log!r}")
            continue
        printed = re.findall(r"^move (\S+)$", r["stdout"].decode(errors="replace"), re.M)
        if printed != list(m.groups()) or b"Illegal move" in r["stdout"]:
            faults.append(f"  {name} run: move lines {printed}, logged {list(m.groups())}")
    return faults


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("engine")
    ap.add_argument("--cases", type=int, default=12)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    if shutil.which("faketime") is None:
        # In CI a check that cannot run fails; elsewhere it skips, saying so.
        if os.environ.get("CI"):
            print("paced_sessions: FAILED: faketime is missing (apt-get install faketime); cannot run in CI")
            return 1
        print("paced_sessions: SKIPPED (not in CI): faketime is missing (apt-get install faketime)")
        return 77
    began, failed = time.monotonic(), 0
    for words, pattern, legal in FIXED:
        faults = check_fixed(args.engine, words, pattern, legal)
        print(("FAIL " if faults else "ok   ") + "fixed: " + words)
        for f in faults:
            print(f)
        failed += bool(faults)
    for case in range(args.cases):
        xboard = case % 2 == 1
        lines = make_session(random.Random(args.seed * 100003 + case), xboard)
        faults = differences(run(args.engine, lines, False), run(args.engine, lines, True))
        if faults:
            failed += 1
            print(f"FAIL case {case} (seed {args.seed}, {'xboard' if xboard else 'console'}):")
            print("  session: " + " | ".join(lines))
            for f in faults:
                print(f)
    print(f"paced_sessions: {len(FIXED)} fixed and {args.cases} random sessions (seed {args.seed}), "
          f"{failed} failing, {time.monotonic() - began:.1f} s")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
