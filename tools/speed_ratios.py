#!/usr/bin/env python3
"""Orvane's speed against two peers on this machine, as ratios measured in one run.

  1. search: `orvane-tool bench` nodes per CPU-second over HoiChess's rate at a
     fixed depth (start position and two middlegames, `sd` over the xboard
     protocol, its opening book closed), HoiChess's start-up CPU subtracted;
  2. move generation: the CPU time of Stockfish's `go perft 6` (its start-up,
     the network load, subtracted) over that of `orvane-tool perft startpos 6`;
  3. memory: the peak resident size of a default game (`/usr/bin/time -v`),
     two user moves answered at the default settings.

Each figure is the median of RUNS (default 5) runs, the engines taking turns,
so that the load of a shared machine falls on both sides of a ratio alike.
CPU time is read from the child's resource usage (os.wait4), never from wall time.

Usage: tools/speed_ratios.py [--tool build/orvane-tool] [--engine build/orvane]
                             [--runs 5] [--hoichess-depth 10] [--skip-memory]
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

HOICHESS = "/usr/games/hoichess"
STOCKFISH = "/usr/games/stockfish"
TIME = "/usr/bin/time"

# The start position and two middlegames (a closed Spanish and a sharp Italian).
HOICHESS_POSITIONS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bq1rk1/2p1bppp/p1np1n2/1p2p3/4P3/1BP2N1P/PP1P1PP1/RNBQR1K1 b - - 0 9",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
]


def cpu_of(argv, stdin_text="", cwd=None):
    """(output, CPU seconds) of one run: the growth of the reaped children's usage."""
    before = os.times()
    subprocess_run = subprocess.run(argv, input=stdin_text, stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, text=True, cwd=cwd)
    out = subprocess_run.stdout
    after = os.times()
    cpu = (after.children_user - before.children_user) + (after.children_system - before.children_system)
    return out, cpu


def hoichess_script(fen, depth, search=True):
    lines = ["xboard", "protover 2", "book close", "new", "force", "setboard " + fen, "sd %d" % depth]
    return lines + (["go"] if search else [])


def run_hoichess(fen, depth, search=True):
    """(nodes, CPU seconds) of one HoiChess search; it quits after its move."""
    proc = subprocess.Popen([HOICHESS, "-x", "-v"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    for line in hoichess_script(fen, depth, search):
        proc.stdin.write(line + "\n")
    proc.stdin.flush()
    nodes = 0
    if search:
        for line in proc.stdout:
            found = re.match(r"Info: nodes_total=(\d+)", line)
            if found:
                nodes = int(found.group(1))
            if line.startswith("move "):
                break
    proc.stdin.write("quit\n")
    proc.stdin.flush()
    proc.stdin.close()
    proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    return nodes, usage.ru_utime + usage.ru_stime


def hoichess_rate(depth):
    """HoiChess nodes per CPU-second over the three positions, start-up taken off."""
    nodes = cpu = 0.0
    for fen in HOICHESS_POSITIONS:
        n, c = run_hoichess(fen, depth)
        _, idle = run_hoichess(fen, depth, search=False)
        nodes += n
        cpu += max(c - idle, 1e-6)
    return nodes / cpu


def orvane_bench_rate(tool):
    out, _ = cpu_of([tool, "bench"])
    found = re.search(r"nodes/cpu-s (\d+)", out)
    signature = re.search(r"signature (\d+)", out)
    if not found or not signature:
        sys.exit("speed_ratios: no bench figure in:\n" + out)
    return float(found.group(1)), signature.group(1)


def stockfish_perft_cpu():
    """CPU seconds of `go perft 6`, the start-up (network load) of a run without it taken off."""
    out, full = cpu_of([STOCKFISH], "uci\nisready\nposition startpos\ngo perft 6\nisready\nquit\n")
    if "Nodes searched: 119060324" not in out:
        sys.exit("speed_ratios: unexpected stockfish perft output:\n" + out[-500:])
    _, idle = cpu_of([STOCKFISH], "uci\nisready\nposition startpos\nisready\nquit\n")
    return max(full - idle, 1e-6)


def orvane_perft_cpu(tool):
    out, cpu = cpu_of([tool, "perft", "startpos", "6"])
    if not out.startswith("nodes 119060324"):
        sys.exit("speed_ratios: unexpected orvane perft output:\n" + out)
    return cpu


def peak_memory_kb(engine):
    """Peak resident kilobytes of a default game: two user moves answered."""
    folder = tempfile.mkdtemp(prefix="orvane-mem-")
    try:
        out, _ = cpu_of([TIME, "-v", os.path.abspath(engine)], "e2e4\nd2d4\nquit\n", cwd=folder)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    found = re.search(r"Maximum resident set size \(kbytes\): (\d+)", out)
    if not found:
        sys.exit("speed_ratios: no peak memory in /usr/bin/time's output")
    return int(found.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tool", default="build/orvane-tool")
    parser.add_argument("--engine", default="build/orvane")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--hoichess-depth", type=int, default=10)
    parser.add_argument("--skip-memory", action="store_true")
    args = parser.parse_args()

    bench, hoi, orvane_perft, sf_perft, memory = [], [], [], [], []
    signature = None
    for run in range(args.runs):
        # Taking turns: each pair of figures shares the machine's state.
        rate, signature = orvane_bench_rate(args.tool)
        bench.append(rate)
        hoi.append(hoichess_rate(args.hoichess_depth))
        orvane_perft.append(orvane_perft_cpu(args.tool))
        sf_perft.append(stockfish_perft_cpu())
        if not args.skip_memory:
            memory.append(peak_memory_kb(args.engine))
        print("run %d: bench %.2fM nodes/cpu-s, hoichess %.2fM; perft %.3f s, stockfish %.3f s%s" %
              (run + 1, rate / 1e6, hoi[-1] / 1e6, orvane_perft[-1], sf_perft[-1],
               ", peak %d KB" % memory[-1] if memory else ""), flush=True)

    search_ratios = [b / h for b, h in zip(bench, hoi)]
    perft_ratios = [s / o for o, s in zip(orvane_perft, sf_perft)]
    print("bench signature %s" % signature)
    print("search: orvane %.2fM / hoichess %.2fM nodes per CPU-second = %.2fx (median of per-run ratios %.2fx; goal 2x)" %
          (statistics.median(bench) / 1e6, statistics.median(hoi) / 1e6,
           statistics.median(bench) / statistics.median(hoi), statistics.median(search_ratios)))
    print("perft 6: stockfish %.3f s / orvane %.3f s CPU = %.2fx (median of per-run ratios %.2fx; goal 0.6x)" %
          (statistics.median(sf_perft), statistics.median(orvane_perft),
           statistics.median(sf_perft) / statistics.median(orvane_perft), statistics.median(perft_ratios)))
    if memory:
        print("peak memory of a default game: %.1f MB (goal under 8 MB)" % (statistics.median(memory) / 1024))


if __name__ == "__main__":
    main()
