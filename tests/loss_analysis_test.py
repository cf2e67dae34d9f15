#!/usr/bin/env python3
"""tools/loss_analysis.py's verdicts on score sequences and boards worked out by hand."""
import os
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "realuse"))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import pychess_client  # noqa: E402

chess = pychess_client.load("loss_analysis_test", pychess_client.SKIPPED)
import loss_analysis as la  # noqa: E402


class Verdicts(unittest.TestCase):
    def test_point_of_no_return_and_kind(self):
        cases = [
            # One move from -100 to -300 lost it: a tactic at the first position that stays down.
            ([0, -50, -100, -300, -400, -10000], (3, "tactic")),
            # Steps of 60 cp: a slide.
            ([0, -60, -120, -180, -240, -300], (4, "slide")),
            # Down, back to equal, then mated by the last move: only the end counts.
            ([0, -300, 0, -10000], (3, "tactic")),
            # Never at -200 or below: not lost on the board.
            ([0, 10, -150, -190], None),
        ]
        for scores, expected in cases:
            self.assertEqual(la.classify(scores, -200, 150), expected, scores)

    def test_phase(self):
        self.assertEqual(la.phase_of(chess.Board(), 20), "opening")
        # Queen and rook each: 12 units, the middlegame; a queen less: 8, the endgame.
        self.assertEqual(la.phase_of(chess.Board("3qk2r/8/8/8/8/8/8/3QK2R w - - 0 1"), 30), "middlegame")
        self.assertEqual(la.phase_of(chess.Board("3qk2r/8/8/8/8/8/8/4K2R w - - 0 1"), 30), "endgame")


if __name__ == "__main__":
    unittest.main()
