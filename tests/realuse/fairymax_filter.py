#!/usr/bin/env python3
"""Runs fairymax as an xboard engine with the word "computer" taken out of its
input.

Debian's fairymax 5.0b dies of a segmentation fault in about half of the runs
that receive "computer", which xboard sends to both engines at the start of
every game; the opponent's crash would end the match before it tells anything
about Orvane.  Everything else passes through unchanged: the other lines, in
order and at once; fairymax's output goes straight to xboard (it inherits the
standard output); SIGINT and SIGTERM are handed on to fairymax; and the wrapper
ends with fairymax's own exit status.
"""
import os
import signal
import subprocess
import sys

FAIRYMAX = os.environ.get("FAIRYMAX", "/usr/games/fairymax")


def main():
    child = subprocess.Popen([FAIRYMAX] + sys.argv[1:], stdin=subprocess.PIPE)
    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, lambda number, frame: child.send_signal(number))
    source = sys.stdin.buffer
    try:
        while True:
            line = source.readline()
            if not line:
                break
            if line.strip() == b"computer":
                continue
            child.stdin.write(line)
            child.stdin.flush()
    except (BrokenPipeError, OSError):
        pass
    try:
        child.stdin.close()
    except OSError:
        pass
    return child.wait()


if __name__ == "__main__":
    sys.exit(main())
