#!/usr/bin/env python3
"""Where were the games lost?  A judge engine at a fixed depth reads every lost game.

    python3 tools/loss_analysis.py games.pgn                       # Orvane's losses, Stockfish depth 12
    python3 tools/loss_analysis.py games.pgn --player orvane --depth 14 --judge /usr/games/stockfish

For each game the player lost, the judge scores the position before each of the player's moves,
from the player's side. The game was lost for good at the first of those positions from which the
judge's score stays at or below --lost (default -200 cp) to the end (at the last move when only the
game's end is that low). The loss is called:

- a tactic when, among the player's last three moves up to that point, one move alone dropped the
  judge's score by --blunder (default 150 cp) or more: something a deeper search would have seen;
- a slide otherwise: the position went bad a little at a time, the evaluation's doing.

The phase is that of the position lost for good: the opening up to move 20, then the middlegame
while at least 10 of the 24 units of pieces are on the board (knight and bishop 1, rook 2, queen 4),
then the endgame. The table counts losses by phase and kind; --verbose lists every game.
"""
import argparse
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "realuse"))
import pychess_client  # noqa: E402  (where python-chess is found, one place for every script)

chess = pychess_client.load("loss_analysis")
import chess.pgn  # noqa: E402

PHASE_UNITS = {chess.KNIGHT: 1, chess.BISHOP: 1, chess.ROOK: 2, chess.QUEEN: 4}
MATE_CP = 10000


def phase_of(board, fullmove):
    if fullmove <= 20:
        return "opening"
    units = sum(PHASE_UNITS.get(p.piece_type, 0) for p in board.piece_map().values())
    return "middlegame" if units >= 10 else "endgame"


def classify(scores, lost, blunder):
    """scores: the judge's score before each of the player's moves, in order, from the player's side,
    with the score after the last move appended.  Returns (index lost for good, kind) or None when
    the score never stays down (a loss on time or by a late swindle)."""
    first = None
    for i in range(len(scores) - 1, -1, -1):
        if scores[i] > lost:
            break
        first = i
    if first is None:
        return None
    # Drops of the player's own moves: score before the move against the score before the next one.
    drops = [scores[j] - scores[j + 1] for j in range(max(0, first - 3), first)] or [0]
    return first, "tactic" if max(drops) >= blunder else "slide"


def judge_game(game, player, judge, depth, lost, blunder):
    white = game.headers.get("White", "")
    black = game.headers.get("Black", "")
    result = game.headers.get("Result", "*")
    colour = chess.WHITE if white.startswith(player) else chess.BLACK if black.startswith(player) else None
    if colour is None or result not in ("1-0", "0-1") or (result == "1-0") == (colour == chess.WHITE):
        return None
    board = game.board()
    scores, spots = [], []
    for move in game.mainline_moves():
        if board.turn == colour:
            info = judge.analyse(board, chess.engine.Limit(depth=depth))
            scores.append(info["score"].pov(colour).score(mate_score=MATE_CP))
            spots.append((board.copy(stack=False), board.fullmove_number))
        board.push(move)
    if board.is_game_over():
        outcome = board.outcome()
        scores.append(-MATE_CP if outcome.winner is not None and outcome.winner != colour else 0)
    else:
        info = judge.analyse(board, chess.engine.Limit(depth=depth))
        scores.append(info["score"].pov(colour).score(mate_score=MATE_CP))
    found = classify(scores, lost, blunder)
    if found is None:
        return {"phase": "not lost on the board", "kind": "-", "move": None}
    i, kind = found
    # Lost only by the last move: the position it was played from.
    position, fullmove = spots[min(i, len(spots) - 1)]
    return {"phase": phase_of(position, fullmove), "kind": kind, "move": fullmove}


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("pgn")
    ap.add_argument("--player", default="orvane", help="the engine whose losses are read (a name prefix)")
    ap.add_argument("--judge", default="/usr/games/stockfish")
    ap.add_argument("--depth", type=int, default=12)
    ap.add_argument("--lost", type=int, default=-200, help="centipawns at or below which a game is lost")
    ap.add_argument("--blunder", type=int, default=150, help="a single move's drop that makes a tactic")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()

    judge = chess.engine.SimpleEngine.popen_uci(args.judge)
    judge.configure({"Threads": 1, "Hash": 16})
    table, losses = {}, 0
    try:
        with open(args.pgn, encoding="utf-8", errors="replace") as f:
            while True:
                game = chess.pgn.read_game(f)
                if game is None:
                    break
                verdict = judge_game(game, args.player, judge, args.depth, args.lost, args.blunder)
                if verdict is None:
                    continue
                losses += 1
                key = (verdict["phase"], verdict["kind"])
                table[key] = table.get(key, 0) + 1
                if args.verbose:
                    print(f"{game.headers.get('White')} - {game.headers.get('Black')} "
                          f"{game.headers.get('Result')}: {verdict['phase']}, {verdict['kind']}, "
                          f"lost for good at move {verdict['move']}")
    finally:
        judge.quit()
    print(f"{losses} losses of {args.player}, judged by {os.path.basename(args.judge)} at depth {args.depth}")
    print("| Phase | Tactic | Slide |")
    print("|---|---|---|")
    for phase in ("opening", "middlegame", "endgame"):
        t, s = table.get((phase, "tactic"), 0), table.get((phase, "slide"), 0)
        print(f"| {phase} | {t} | {s} |")
    unjudged = table.get(("not lost on the board", "-"), 0)
    if unjudged:
        print(f"{unjudged} more never stayed below {args.lost} cp before the end (time, or a late turn)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
