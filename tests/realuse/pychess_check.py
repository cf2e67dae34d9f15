#!/usr/bin/env python3
"""The engine as python-chess drives it (the client library of lichess-bot and
many analysis scripts), over both protocols: the strong search with no
option set, MultiPV analysis, a node-limited game over xboard, every option
configured, a pondering game, a game at the lowest level against full
strength on a clock, and the rule that the last line shown before a move
starts with that move.

Usage: pychess_check.py ENGINE [--searches N]
Needs python-chess: the folder named by ORVANE_PYCHESS, else
../shared/clients/python-chess next to the checkout; without it the check is
skipped with a message (exit 0) outside CI and fails in it."""
import os, random, shutil, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pychess_client  # noqa: E402
# A clone made elsewhere (a CI work folder) names the client through the
# environment; the default is where the development checkouts keep it.
CLIENT = os.environ.get("ORVANE_PYCHESS") or os.path.normpath(
    os.path.join(HERE, "..", "..", "..", "shared", "clients", "python-chess"))


def fail(text):
    print("pychess_check: FAILED: " + text)
    sys.exit(1)


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    engine_path = os.path.abspath(args[0])
    searches = int(args[args.index("--searches") + 1]) if "--searches" in args else 200
    # Missing python-chess fails in CI and skips, saying so, elsewhere.
    chess = pychess_client.load("pychess_check")

    folder = tempfile.mkdtemp(prefix="orvane-pychess-")
    rng = random.Random(5)

    # With no option set, a UCI client gets the strong search: the Search
    # option's default says so, and depth 5 from the start searches the
    # strong search's nodes, not the classic one's.  (Each in a folder of
    # its own: a book.dat learnt by one would order the next one's moves.)
    def depth_five_nodes(search):
        own = tempfile.mkdtemp(prefix="orvane-pychess-default-")
        engine = chess.engine.SimpleEngine.popen_uci([engine_path], cwd=own)
        default = engine.options["Search"].default
        if search:
            engine.configure({"Search": search})
        nodes = engine.analyse(chess.Board(), chess.engine.Limit(depth=5)).get("nodes")
        engine.quit()
        shutil.rmtree(own, ignore_errors=True)
        return default, nodes
    default, plain_nodes = depth_five_nodes(None)
    strong_nodes, classic_nodes = depth_five_nodes("Strong")[1], depth_five_nodes("Classic")[1]
    if default != "Strong":
        fail("the Search option's default is %r, not 'Strong'" % default)
    if plain_nodes is None or plain_nodes != strong_nodes or plain_nodes == classic_nodes:
        fail("depth 5 with no option set searched %r nodes; Search=Strong %r, Search=Classic %r"
             % (plain_nodes, strong_nodes, classic_nodes))

    # UCI: MultiPV 3 gives three lines with three different first moves.
    uci = chess.engine.SimpleEngine.popen_uci([engine_path], cwd=folder)
    infos = uci.analyse(chess.Board(), chess.engine.Limit(depth=4), multipv=3)
    if len(infos) != 3 or len({i["pv"][0] for i in infos}) != 3:
        fail("analyse(multipv=3) gave %r" % infos)
    # Every option can be set to a value of its own kind.
    for name, option in uci.options.items():
        if option.is_managed():
            continue  # MultiPV and Ponder: python-chess sets them itself per call
        value = {"check": True, "spin": option.default, "combo": (option.var or [option.default])[-1]}.get(option.type)
        if value is not None:
            uci.configure({name: value})
    uci.configure({"Learning book": True, "Emotion": "Neutral"})
    # The last pv before each move starts with the move played.
    board, agree = chess.Board(), 0
    for _ in range(searches):
        if board.is_game_over() or board.ply() > 60:
            board = chess.Board()
            for _ in range(rng.randint(0, 8)):
                if board.is_game_over():
                    break
                board.push(rng.choice(list(board.legal_moves)))
            if board.is_game_over():
                board = chess.Board()
        result = uci.play(board, chess.engine.Limit(depth=rng.choice([2, 3])), info=chess.engine.INFO_ALL)
        if result.move not in board.legal_moves:
            fail("illegal move %s in %s" % (result.move, board.fen()))
        pv = result.info.get("pv") or []
        if not pv or pv[0] != result.move:
            fail("last pv %s does not start with %s in %s" % (pv, result.move, board.fen()))
        agree += 1
        board.push(result.move)
    # A pondering game of a few moves.
    board = chess.Board()
    for _ in range(6):
        result = uci.play(board, chess.engine.Limit(time=0.2), ponder=True)
        board.push(result.move)
        if board.is_game_over():
            break
        board.push(rng.choice(list(board.legal_moves)))
    uci.quit()

    # A game of the lowest level (UCI_LimitStrength, UCI_Elo 1200) against
    # full strength on a 10 s + 0.1 s clock: every move legal and in time, the
    # last pv the move played, though a level may play another than the best.
    weak = chess.engine.SimpleEngine.popen_uci([engine_path], cwd=folder)
    weak.configure({"UCI_LimitStrength": True, "UCI_Elo": 1200})
    full = chess.engine.SimpleEngine.popen_uci([engine_path], cwd=folder)
    full.configure({"Search": "Strong"})
    board, clocks, level_moves = chess.Board(), {chess.WHITE: 10.0, chess.BLACK: 10.0}, 0
    while not board.is_game_over() and board.ply() < 160:
        player = weak if board.turn == chess.WHITE else full
        limit = chess.engine.Limit(white_clock=clocks[chess.WHITE], black_clock=clocks[chess.BLACK],
                                   white_inc=0.1, black_inc=0.1)
        started = time.monotonic()
        result = player.play(board, limit, info=chess.engine.INFO_PV)
        clocks[board.turn] -= time.monotonic() - started
        if clocks[board.turn] < 0:
            fail("level game: %s lost on time" % ("the level" if player is weak else "full strength"))
        clocks[board.turn] += 0.1
        if result.move not in board.legal_moves:
            fail("level game: illegal move %s in %s" % (result.move, board.fen()))
        pv = result.info.get("pv") or []
        if not pv or pv[0] != result.move:
            fail("level game: last pv %s does not start with %s in %s" % (pv, result.move, board.fen()))
        level_moves += 1 if player is weak else 0
        board.push(result.move)
    level_result = board.result(claim_draw=True)
    weak.quit()
    full.quit()

    # xboard: every option set, and a game move under a node limit.
    xb = chess.engine.SimpleEngine.popen_xboard([engine_path], cwd=folder)
    for name, option in xb.options.items():
        if option.is_managed():
            continue
        value = {"check": True, "spin": option.default}.get(option.type)
        if value is not None:
            xb.configure({name: value})
    board = chess.Board()
    for _ in range(4):
        result = xb.play(board, chess.engine.Limit(nodes=20000))
        if result.move not in board.legal_moves:
            fail("xboard: illegal move %s" % result.move)
        board.push(result.move)
    xb.quit()
    # (A fresh engine: python-chess leaves the node clock, "nps", of the
    # node-limited moves in force, and 20 s would then be 20 nodes.)
    xb = chess.engine.SimpleEngine.popen_xboard([engine_path], cwd=folder)
    # xboard pondering ("hard"): python-chess lets the engine ponder after
    # each move, then pings it, sends "easy", "force", the reply and "go".  A
    # game where the reply is the one the engine expects (the second move of
    # its last line) every other move, and another move otherwise; every
    # answer legal and in time.
    board, hits, slowest = chess.Board(), 0, 0.0
    for i in range(16):
        started = time.monotonic()
        result = xb.play(board, chess.engine.Limit(white_clock=20, black_clock=20, white_inc=0.2, black_inc=0.2),
                         ponder=True, info=chess.engine.INFO_PV)
        slowest = max(slowest, time.monotonic() - started)
        if result.move not in board.legal_moves:
            fail("xboard pondering: illegal move %s in %s" % (result.move, board.fen()))
        board.push(result.move)
        if board.is_game_over():
            break
        line = result.info.get("pv") or []
        if not line or line[0] != result.move:
            fail("xboard pondering: the last line %s does not start with %s" % (line, result.move))
        expected = line[1] if len(line) > 1 else None
        if i % 2 == 0 and expected in board.legal_moves:
            reply, hits = expected, hits + 1
        else:
            reply = rng.choice(list(board.legal_moves))
        time.sleep(0.2)  # the engine ponders meanwhile
        board.push(reply)
        if board.is_game_over():
            break
    if slowest > 5:
        fail("xboard pondering: an answer took %.1f s on a 20 s clock" % slowest)
    xb.quit()
    print("pychess_check: passed: the strong search by default (depth 5: %d nodes, the classic search's %d), "
          "multipv 3, options of both protocols, %d searches whose last pv starts "
          "with the move played, a pondering game, a level game (%d moves at UCI_Elo 1200, %s), "
          "node-limited xboard moves, an xboard pondering game (%d expected replies, slowest answer %.2f s)"
          % (plain_nodes, classic_nodes, agree, level_moves, level_result, hits, slowest))
    return 0


if __name__ == "__main__":
    sys.exit(main())
