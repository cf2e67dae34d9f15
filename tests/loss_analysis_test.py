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


class Classify(unittest.TestCase):
    def test_one_move_that_drops_the_game_is_a_tactic(self):
        # 0, -50, -100 then -300: the move from -100 to -300 lost 200 at once.
        self.assertEqual(la.classify([0, -50, -100, -300, -400, -10000], -200, 150), (3, "tactic"))

    def test_small_steps_down_are_a_slide(self):
        self.assertEqual(la.classify([0, -60, -120, -180, -240, -300], -200, 150), (4, "slide"))

    def test_a_recovery_moves_the_point_later(self):
        # Down to -300, back to 0, then lost by the last move: only the end counts.
        self.assertEqual(la.classify([0, -300, 0, -10000], -200, 150), (3, "tactic"))

    def test_never_down_to_the_bound_is_not_lost_on_the_board(self):
        self.assertIsNone(la.classify([0, 10, -150, -190], -200, 150))

    def test_lost_from_the_first_move(self):
        self.assertEqual(la.classify([-500, -600], -200, 150), (0, "slide"))


class Phase(unittest.TestCase):
    def test_move_twenty_is_still_the_opening(self):
        self.assertEqual(la.phase_of(chess.Board(), 20), "opening")

    def test_ten_units_is_the_middlegame_nine_the_endgame(self):
        # Queen and rook each (6 units a side, 12) then a queen less (8).
        self.assertEqual(la.phase_of(chess.Board("3qk2r/8/8/8/8/8/8/3QK2R w - - 0 1"), 30), "middlegame")
        self.assertEqual(la.phase_of(chess.Board("3qk2r/8/8/8/8/8/8/4K2R w - - 0 1"), 30), "endgame")


if __name__ == "__main__":
    unittest.main()
