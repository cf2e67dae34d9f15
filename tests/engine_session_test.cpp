// Whole sessions in which the engine thinks: it answers moves at the console
// and in xboard mode, mates and is mated, rings, logs its node count and
// plays on the clock.  Each runs the built program in a fresh directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "rules/rules.h"
#include "rules_test_util.h"
#include "session_text.h"
#include "session_util.h"

using namespace session;
using session::lines_of;
using session::run_session;
using session::session_options;
using session::session_result;

namespace {

// White: king g1, rook d1; black: king g8 behind pawns f7 g7 h7.  White to
// move mates with d1d8 and with nothing else.  White has 17 moves: the rook
// 12 (d2 to d8, a1 to f1 less d1), the king 5 (f1, f2, g2, h1, h2).
const std::vector<std::string> WHITE_MATES_IN_ONE = {
    ". . . . . . k . ", ". . . . . p p p ", ". . . . . . . . ", ". . . . . . . . ",
    ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . R . . K . "};

// Black mated on the back rank, black to move.
const std::vector<std::string> BLACK_IS_MATED = {
    "R . . . . . k . ", ". . . . . p p p ", ". . . . . . . . ", ". . . . . . . . ",
    ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . K . "};

// White to move with a spare pawn on a2; black's rook mates on d1 after it.
const std::vector<std::string> BLACK_MATES_AFTER_A2A3 = {
    ". . . r . . k . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
    ". . . . . . . . ", ". . . . . . . . ", "P . . . . P P P ", ". . . . . . K . "};

}  // namespace

TEST(EngineSession, GoMatesInXboardModeReportsCountsAndLogsTheNodes) {
    session_options o;
    o.files["board.txt"] = board_file(WHITE_MATES_IN_ONE, 1);
    const session_result r = run_session("xboard noclocks depth 1 lognodes load go quit\n", o);
    EXPECT_EQ(r.out, START_OUTPUT + "move d1d8\n1-0 {White mates}\n");
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
    // One iteration of depth 1: the root and one node per legal move.
    EXPECT_EQ(r.file("orvane.log"),
              "xboard\nnoclocks\ndepth\nlognodes\nload\ngo\nmove d1d8\nnodes 18\n");
    EXPECT_EQ(r.err, "");
}

TEST(EngineSession, EngineWithoutAMoveReportsItsOwnMateAtTheConsole) {
    session_options o;
    o.files["board.txt"] = board_file(BLACK_IS_MATED, 2);
    session_result r = run_session("xboard load go quit\n", o);
    EXPECT_EQ(r.out, START_OUTPUT + "1-0 {White mates}\n");
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
    EXPECT_EQ(r.file("orvane.log"), "xboard\nload\ngo\n");

    // At the console the person hears that they won; no move is printed.
    r = run_session("load go quit\n", o);
    const std::string tail = "1-0 {White mates}\nCongratulations! You win!\n" + diagram(BLACK_IS_MATED);
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(r.out.find("move "), std::string::npos);
}

TEST(EngineSession, EngineAnswersTheUsersMoveWithMateAtTheConsoleAndRings) {
    session_options o;
    o.files["board.txt"] = board_file(BLACK_MATES_AFTER_A2A3, 1);
    const session_result r = run_session("noclocks depth 2 soundon load a2a3 quit\n", o);
    std::vector<std::string> after_a3 = BLACK_MATES_AFTER_A2A3;
    after_a3[5] = "P . . . . . . . ";
    after_a3[6] = ". . . . . P P P ";
    std::vector<std::string> after_mate = after_a3;
    after_mate[0] = ". . . . . . k . ";
    after_mate[7] = ". . . r . . K . ";
    // The load draws the board, the user's move draws it again, then the
    // engine's move line, the bell, the result and the board once more.
    const std::string tail = diagram(BLACK_MATES_AFTER_A2A3) + diagram(after_a3) + "move d8d1\n\a" +
                             "0-1 {Black mates}\nYou Lose!\n" + diagram(after_mate);
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
    EXPECT_EQ(r.file("orvane.log"), "noclocks\ndepth\nsoundon\nload\na2a3\nA2A3\nmove d8d1\n");
}

TEST(EngineSession, UsersMateIsReportedTwiceAtTheConsoleWhenTheEngineIsToAnswer) {
    // The user's mating move is reported, then the engine's turn finds no
    // move and reports the same end again: the game is counted twice.
    // Under the old xboard subset the same, without the sentence; under a
    // GUI speaking protocol 2 (here "hard") the first report ends the game.
    session_options o;
    o.files["board.txt"] = board_file(WHITE_MATES_IN_ONE, 1);
    session_result r = run_session("noclocks depth 1 load d1d8 quit\n", o);
    const std::string won = "1-0 {White mates}\nCongratulations! You win!\n";
    const size_t first = r.out.find(won);
    ASSERT_NE(first, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(won, first + won.size()), std::string::npos) << r.out;
    EXPECT_EQ(game_count_of(r.file("book.dat")), 2u);
    r = run_session("xboard noclocks depth 1 load d1d8 quit\n", o);
    EXPECT_EQ(r.out, START_OUTPUT + "1-0 {White mates}\n1-0 {White mates}\n");
    EXPECT_EQ(game_count_of(r.file("book.dat")), 2u);
    r = run_session("xboard hard noclocks depth 1 load d1d8 quit\n", o);
    EXPECT_EQ(r.out, START_OUTPUT + "1-0 {White mates}\n");
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
}

TEST(EngineSession, EngineMovesOnTheClockForBothSidesWithNullMoveAndCutting) {
    // 5 minutes for 40 moves: (300000 / 40) * 7 / 8 = 6562 ms is the default;
    // 0:05 gives (5000 / 40) * 7 / 8 = 109 ms a move.  "go" four times: the
    // engine plays both sides, every move legal in turn.
    const session_result r = run_session("xboard level 40 0:05 0 donullmove docutting go go go go quit\n");
    const std::vector<std::string> out = lines_of(r.out.substr(START_OUTPUT.size()));
    ASSERT_EQ(out.size(), 4u) << r.out;
    position pos;
    set_start_position(pos);
    side_to_move = WHITE;
    std::string log = "xboard\nlevel\ndonullmove\ndocutting\n";
    for (const std::string& line : out) {
        ASSERT_EQ(line.rfind("move ", 0), 0u) << line;
        move_list legal;
        generate_moves(pos, legal);
        bool found = false;
        for (int i = 0; i < legal.count && !found; ++i) {
            const move& m = legal.moves[i];
            if (line == "move " + move_string(m)) {
                make_move(pos, m);
                found = true;
            }
        }
        ASSERT_TRUE(found) << line << " is not legal here";
        side_to_move = other_colour(side_to_move);
        log += "go\n" + line + "\n";
    }
    EXPECT_EQ(r.file("orvane.log"), log);
    EXPECT_EQ(r.err, "");
}

TEST(EngineSession, FixedDepthReplyInXboardModeFromTheStart) {
    // A fixed depth of 3 answers e2e4 with one black move and nothing else.
    const session_result r = run_session("xboard noclocks depth 3 e2e4 quit\n");
    const std::vector<std::string> out = lines_of(r.out.substr(START_OUTPUT.size()));
    ASSERT_EQ(out.size(), 1u) << r.out;
    // A pawn from the seventh rank to the sixth or fifth, or a knight out.
    const std::string& m = out[0];
    const bool shape = m.size() == 9 && m.rfind("move ", 0) == 0 && m[5] >= 'a' && m[5] <= 'h' && m[7] >= 'a' &&
                       m[7] <= 'h' && ((m[6] == '7' && (m[8] == '6' || m[8] == '5')) ||
                                       ((m[5] == 'b' || m[5] == 'g') && m[6] == '8' && m[8] == '6'));
    EXPECT_TRUE(shape) << m;
    EXPECT_EQ(game_count_of(r.file("book.dat")), 0u);
}

TEST(EngineSession, WordsTypedWhileTheEngineThinksAreAllInterpretedAfterItsMove) {
    // Depth 7 from the start takes a good fraction of a second; the words
    // below arrive while the engine thinks about its first move.
    session::live_session live;
    ASSERT_TRUE(live.started());
    live.send("xboard\nnoclocks\ndepth 7\ngo\n");
    ::usleep(50000);
    live.send("force\n");
    live.send("g8f6\nsave\n");  // legal whatever white played
    live.send("depth 1\ngo\n");
    live.close_input();
    const session_result r = live.finish(60000);
    const std::vector<std::string> out = lines_of(r.out);
    ASSERT_GE(out.size(), 2u);
    const std::string first = out[out.size() - 2], second = out.back();
    ASSERT_EQ(first.substr(0, 5), "move ");
    ASSERT_EQ(second.substr(0, 5), "move ");
    // The log holds every word once, in the order typed, the engine's first
    // move before any of the words typed during its search.
    const std::string expected_log = "xboard\nnoclocks\ndepth\ngo\n" + first + "\nforce\ng8f6\nG8F6\nsave\n" +
                                     "depth\ngo\n" + second + "\n";
    EXPECT_EQ(r.file("orvane.log"), expected_log);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_code, 0);
}

// Words that arrive during a search wait for the move unless a GUI protocol
// is in use.  Depth 4 from the start is 7324 nodes when nothing cuts it:
// "new" and "quit" right after "go" must not cut it under the old commands,
// and under a GUI speaking protocol 2 ("hard" shows one) "new" abandons the
// turn (no move line: the GUI has left the game) and "quit" ends the search
// early.  The input is all there before the first look at it (node 4096).
TEST(EngineSession, EarlyActionsWaitUnderTheOldCommandsAndActUnderAGui) {
    for (const char* start : {"", "xboard\n"}) {
        SCOPED_TRACE(start);
        for (const char* after : {"new\n", "quit\n", "force\ne7e5\n"}) {
            const session_result r =
                run_session(std::string(start) + "noclocks\ndepth 4\nlognodes\ngo\n" + after + "quit\n");
            EXPECT_NE(r.file("orvane.log").find("go\nmove "), std::string::npos) << after;
            EXPECT_NE(r.file("orvane.log").find("\nnodes 7324\n"), std::string::npos) << r.file("orvane.log");
            EXPECT_NE(r.out.find("move "), std::string::npos);
        }
    }
    // A deeper search, so that the look at the input comes early in it.
    session_result r = run_session("xboard\nhard\nnoclocks\ndepth 6\nlognodes\ngo\nnew\nquit\n");
    EXPECT_EQ(r.out.find("move "), std::string::npos) << r.out;
    EXPECT_EQ(r.file("orvane.log").find("move "), std::string::npos);
    r = run_session("xboard\nhard\nnoclocks\ndepth 6\nlognodes\ngo\nquit\n");
    EXPECT_NE(r.out.find("move "), std::string::npos);  // the move still goes out
    const size_t at = r.file("orvane.log").find("nodes ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_LT(std::stoull(r.file("orvane.log").substr(at + 6)), 7324u);  // cut inside the first iterations
}
