// Whole games of the built program with the engine playing: the xboard
// sequence a real GUI sends (signals included), games the engine ends by mate,
// stalemate, each draw rule and its claims, and a person's game at the
// console.  The lines, orvane.log, book.dat and its game count are checked.
#include <gtest/gtest.h>

#include <cstdio>

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "rules/rules.h"
#include "rules_test_util.h"
#include "session_text.h"
#include "session_util.h"
#include "time_margin.h"

using namespace session;
using session::lines_of;
using session::live_session;
using session::run_session;
using session::session_options;
using session::session_result;

namespace {

// Black to move loses at once to the rook on the eighth rank: a1a8 is the
// only mate, and white to move finds it.
const std::vector<std::string> BACK_RANK = {
    ". . . . . . k . ", ". . . . . p p p ", ". . . . . . . . ", ". . . . . . . . ",
    ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", "R . . . . . K . "};
const std::vector<std::string> BACK_RANK_MATED = {
    "R . . . . . k . ", ". . . . . p p p ", ". . . . . . . . ", ". . . . . . . . ",
    ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . K . "};

// The moves of a game, kept on a position of our own with the rules
// library, so that every move line the program prints can be checked.
struct game_record {
    position pos;
    int side = WHITE;
    game_record() {
        set_start_position(pos);
        side = WHITE;
    }
    // Plays the listed move that the text names; false if none does.
    bool play(const std::string& text) { return play_listed(pos, side, text); }
    // The first listed move, as text.
    std::string first_move() {
        side_to_move = side;
        static move_list list;
        generate_moves(pos, list);
        return list.count == 0 ? "" : move_string(list.moves[0]);
    }
};

// Waits for the next "move" line after the first `seen` characters of the
// output; returns its move text, or "" after the timeout.
std::string next_engine_move(const live_session& live, size_t& seen, int timeout_ms = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string out = live.output();
        // A "move" line: "move " at the start of a line ("Null move" in an
        // option line is none).
        for (size_t at = out.find("move ", seen); at != std::string::npos; at = out.find("move ", at + 1)) {
            if (at != 0 && out[at - 1] != '\n') continue;
            const size_t end = out.find('\n', at);
            if (end == std::string::npos) break;
            seen = end + 1;
            return out.substr(at + 5, end - at - 5);
        }
        ::usleep(2000);
    }
    return "";
}

}  // namespace

// The whole conversation of xboard 4.9 with an engine over two games of a
// match, as its debug log shows it: the start-up set, SIGINT before every
// move it forwards, "result" and "force" at a game's end, the same process
// reused for the next game, and "quit" with SIGTERM together at the end.
TEST(SessionGames, TwoGamesAsXboardPlaysThem) {
    ::signal(SIGPIPE, SIG_IGN);
    live_session live;
    ASSERT_TRUE(live.started());
    size_t seen = 0;
    live.send("xboard\nprotover 2\n");
    ASSERT_TRUE(live.wait_for_output("feature done=1\n", 2000)) << "the handshake must come within xboard's 2 s";
    EXPECT_EQ(live.output(), START_OUTPUT + session::GUI_HANDSHAKE);
    live.send("accepted myname\naccepted done\nnew\nrandom\nlevel 40 0:10 0\npost\nhard\neasy\nforce\nforce\n");

    // Game 1: the engine plays white.
    game_record game;
    live.send("computer\nblack\ntime 1000\notim 1000\nwhite\ngo\n");
    for (int turn = 0; turn < 3; ++turn) {
        const std::string reply = next_engine_move(live, seen);
        ASSERT_TRUE(game.play(reply)) << "engine move \"" << reply << "\" in game 1, turn " << turn;
        const std::string answer = game.first_move();
        live.signal(SIGINT);
        live.send("time 990\notim 980\n" + answer + "\n");
        ASSERT_TRUE(game.play(answer));
    }
    ASSERT_TRUE(game.play(next_engine_move(live, seen)));
    live.send("result 1-0 {Xboard: Forfeit due to invalid move: c2c5 (c2c5) res=1}\nforce\n");

    // Game 2, same process: the opponent's first move arrives in force mode,
    // then "black" and "go".
    game = game_record();
    live.send("new\nrandom\nlevel 40 0:10 0\npost\nhard\neasy\nforce\n");
    ASSERT_TRUE(game.play("e2e4"));
    live.signal(SIGINT);
    live.send("computer\ntime 1000\notim 1000\ne2e4\nblack\ngo\n");
    for (int turn = 0; turn < 3; ++turn) {
        const std::string reply = next_engine_move(live, seen);
        ASSERT_TRUE(game.play(reply)) << "engine move \"" << reply << "\" in game 2, turn " << turn;
        const std::string answer = game.first_move();
        live.signal(SIGINT);
        live.send("time 990\notim 980\n" + answer + "\n");
        ASSERT_TRUE(game.play(answer));
    }
    ASSERT_TRUE(game.play(next_engine_move(live, seen)));

    // The end of the match: "quit" and SIGTERM in the same moment.
    live.send("result 0-1 {Black resigns}\nforce\nquit\n");
    live.signal(SIGTERM);
    const session_result r = live.finish(time_margin::scaled_ms(3000));
    EXPECT_EQ(r.exit_code, 0);
    // The release build keeps that second; the sanitizers slow the book's saving.
    EXPECT_LT(live.elapsed_ms, time_margin::scaled_ms(1000)) << "xboard kills the engine a second after quit";
    EXPECT_EQ(r.err, "");
    // After the handshake nothing but the eight move lines and the thinking
    // lines "post" asked for ("ply score time nodes move").  The text of
    // "result" is no input: the refused move it names is not answered.
    const std::string after = r.out.substr(START_OUTPUT.size());
    ASSERT_EQ(after.rfind(session::GUI_HANDSHAKE, 0), 0u) << r.out;
    int moves = 0, thinking = 0;
    for (const std::string& line : lines_of(after.substr(session::GUI_HANDSHAKE.size()))) {
        if (line.rfind("move ", 0) == 0) {
            ++moves;
            continue;
        }
        int ply = 0, score = 0;
        unsigned time = 0;
        unsigned long long nodes = 0;
        char best[8] = "";
        EXPECT_EQ(std::sscanf(line.c_str(), "%d %d %u %llu %7s", &ply, &score, &time, &nodes, best), 5) << line;
        EXPECT_GE(ply, 1) << line;
        EXPECT_GT(nodes, 0u) << line;
        ++thinking;
    }
    EXPECT_EQ(moves, 8);
    EXPECT_GE(thinking, 8);
    ASSERT_EQ(r.file("book.dat").size(), 1051656u);
    EXPECT_EQ(game_count_of(r.file("book.dat")), 0u);  // no game ended on the board
    // The log: every word as typed, the opponent's moves again in capitals,
    // and the engine's move lines.
    const std::string log = r.file("orvane.log");
    EXPECT_EQ(log.rfind("xboard\nprotover\n2\naccepted\naccepted\nnew\n", 0), 0u);
    EXPECT_NE(log.find("result\nforce\nnew\n"), std::string::npos);
    EXPECT_NE(log.find("e2e4\nE2E4\nblack\ngo\nmove "), std::string::npos);
}

TEST(SessionGames, EngineMatesInXboardModeAndCountsTheGame) {
    session_options o;
    o.files["board.txt"] = board_file(BACK_RANK, WHITE);
    const session_result r = run_session("xboard depth 3 load go quit", o);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, START_OUTPUT + "move a1a8\n1-0 {White mates}\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
    EXPECT_EQ(r.file("orvane.log"), "xboard\ndepth\nload\ngo\nmove a1a8\n");
}

TEST(SessionGames, EngineMatesAPersonAtTheConsole) {
    session_options o;
    o.files["board.txt"] = board_file(BACK_RANK, WHITE);
    const session_result r = run_session("depth 3 load go quit", o);
    // The loaded board, the move, the result with the sentence for a person,
    // and the board after the move.
    EXPECT_EQ(r.out, START_OUTPUT + diagram(BACK_RANK) + "move a1a8\n1-0 {White mates}\nYou Lose!\n" +
                         diagram(BACK_RANK_MATED));
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
}

// A mate by the user while the engine answers moves: the engine's turn finds
// no move and reports the end a second time, which counts the game again.
// At the console the engine's turn after the user's mate reports it again;
// under a GUI the game is over at the first report, counted once, and the
// engine does not think about a position without a move.
TEST(SessionGames, UserMateIsReportedTwiceAtTheConsoleAndOnceUnderAGui) {
    session_options o;
    o.files["board.txt"] = board_file(BACK_RANK, WHITE);
    session_result r = run_session("xboard post load a1a8 quit", o);
    EXPECT_EQ(r.out, START_OUTPUT + "1-0 {White mates}\n");
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
    EXPECT_EQ(r.file("orvane.log"), "xboard\npost\nload\na1a8\nA1A8\n");

    r = run_session("load a1a8 quit", o);
    const std::string won = "1-0 {White mates}\nCongratulations! You win!\n";
    EXPECT_EQ(r.out, START_OUTPUT + diagram(BACK_RANK) + won + diagram(BACK_RANK_MATED) + won +
                         diagram(BACK_RANK_MATED));
}

// White's king is in check from the queen beside it; taking it is white's
// only move, and it leaves black's king on a8 without a move.
TEST(SessionGames, EngineStalematesWithItsOnlyMove) {
    session_options o;
    o.files["board.txt"] = board_file({"k . K . . . . . ", "p . q . . . . . ", "P . . . . . . . ", ". . . . . . . . ",
                                       ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . "},
                                      WHITE);
    const session_result r = run_session("xboard depth 3 load go a8b8 quit", o);
    EXPECT_EQ(r.out, START_OUTPUT + "move c8c7\n1/2-1/2 {Stalemate}\nIllegal move: a8b8\n");
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
}

// White's king has one move at a time (the rook holds the second rank, the
// knight f1): h1-g1-h1 while black's king steps a8-b8-a8.  Under a GUI the
// rules are standard chess's: the loaded position (white to move, h1 and a8)
// stands for the third time after black's second return to a8, and the claim
// comes then, before the engine would move again.  (The engine's own rule
// counts boards from its first move on and would end the game one move later.)
TEST(SessionGames, ThirdRepetitionUnderAGuiIsClaimedAndTheEngineStops) {
    session_options o;
    o.files["board.txt"] = board_file({"k . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                                       ". . . . . . . . ", ". . . . . . . . ", ". . . n r . . . ", ". . . . . . . K "},
                                      WHITE);
    const session_result r = run_session("xboard hard depth 3 load go a8b8 b8a8 a8b8 b8a8 quit", o);
    EXPECT_EQ(r.out, START_OUTPUT +
                         "move h1g1\nmove g1h1\nmove h1g1\nmove g1h1\n"
                         "1/2-1/2 {Draw by triple repetition}\n");
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
}

namespace {

// Moves from the start position that make no capture and never bring a
// board back, each leaving the other side no capture either: after them
// neither the repetition rule nor a capture can interfere, and whatever the
// side to move plays next is one more half-move without a capture.  Found by
// trying the listed moves in order (from a shifting start, should the walk
// get stuck), keeping the first that does all this.
bool offers_capture(const position& pos, const move_list& list) {
    for (int k = 0; k < list.count; ++k) {
        const move& m = list.moves[k];
        if (m.capture_value != 0 || m.promotion != NO_PROMOTION) return true;
        if (piece_type(pos.board[square_index(m.from_file, m.from_rank)]) == PAWN && m.to_file != m.from_file)
            return true;  // en passant
    }
    return false;
}

std::vector<std::string> quiet_moves(int count) {
    for (int shift = 0; shift < 50; ++shift) {
        position pos;
        set_start_position(pos);
        int side = WHITE;
        std::set<std::string> boards = {std::string(reinterpret_cast<const char*>(pos.board), 64)};
        std::vector<std::string> texts;
        bool stuck = false;
        while (static_cast<int>(texts.size()) < count && !stuck) {
            side_to_move = side;
            static move_list list;
            generate_moves(pos, list);
            stuck = true;
            for (int k = 0; k < list.count; ++k) {
                const move& m = list.moves[(k + shift) % list.count];
                position next;
                copy_position(next, pos);
                make_move(next, m);
                const std::string board(reinterpret_cast<const char*>(next.board), 64);
                if (boards.count(board) != 0) continue;
                side_to_move = other_colour(side);
                static move_list replies;
                generate_moves(next, replies);
                if (replies.count == 0 || offers_capture(next, replies)) continue;
                boards.insert(board);
                copy_position(pos, next);
                side = other_colour(side);
                texts.push_back({static_cast<char>('a' + m.from_file), static_cast<char>('1' + m.from_rank),
                                 static_cast<char>('a' + m.to_file), static_cast<char>('1' + m.to_rank)});
                stuck = false;
                break;
            }
        }
        if (!stuck) return texts;
    }
    return {};
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) text += w + " ";
    return text;
}

}  // namespace

// The engine's own fifty-move rule counts half-moves since the last capture
// only: at the console it ends the game on the hundredth.  Standard chess
// also counts from the last pawn move, and these moves include pawn moves:
// under a GUI the game goes on, without a claim.
TEST(SessionGames, FiftyMoveRuleEndsTheGameOnTheHundredthHalfMove) {
    const std::string claim = "1/2-1/2 {Draw by 50 move rule}\n";
    const std::vector<std::string> moves = quiet_moves(99);
    ASSERT_EQ(moves.size(), 99u);
    // The hundredth half-move by the engine, at the console.
    session_result r = run_session("depth 3 force " + joined(moves) + "go quit");
    ASSERT_GE(r.out.size(), claim.size());
    EXPECT_EQ(r.out.substr(r.out.size() - claim.size()), claim);
    EXPECT_EQ(r.out.find(claim), r.out.size() - claim.size());  // once, at the end
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
    // Under a GUI: the move, and nothing else.
    r = run_session("xboard hard depth 3 force " + joined(moves) + "go quit");
    std::vector<std::string> out = lines_of(r.out.substr(START_OUTPUT.size()));
    ASSERT_EQ(out.size(), 1u) << r.out;
    EXPECT_EQ(out[0].rfind("move ", 0), 0u);
    EXPECT_EQ(game_count_of(r.file("book.dat")), 0u);

    // The hundredth by the user, in force mode: at the console the claim;
    // after the 99th nothing of it.  Any move makes the hundredth: none
    // captures, and no board can stand there a third time.
    r = run_session("force " + joined(moves) + "quit");
    EXPECT_EQ(r.out.find(claim), std::string::npos);
    game_record game;
    for (const std::string& m : moves) ASSERT_TRUE(game.play(m));
    std::vector<std::string> hundred = moves;
    hundred.push_back(game.first_move());
    r = run_session("force " + joined(hundred) + "quit");
    EXPECT_NE(r.out.find(claim), std::string::npos);
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
    r = run_session("xboard hard force " + joined(hundred) + "quit");
    EXPECT_EQ(r.out, START_OUTPUT);
}

// The engine takes the last rook: knight against bare king, a position in
// which no mate is possible.  Under a GUI the claim follows its move once;
// the game is over then, and the engine does not answer a move the GUI
// still sends.
TEST(SessionGames, InsufficientMaterialIsClaimedOnceAfterTheEnginesCapture) {
    session_options o;
    o.files["board.txt"] = board_file({". . . . . . . k ", ". . . . . . . . ", ". . . . . . . . ", ". r . . . . . . ",
                                       ". . . N . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . K . . . "},
                                      WHITE);
    const session_result r = run_session("xboard hard depth 3 load go h8g8 quit", o);
    const std::string claim = "1/2-1/2 {Draw by insufficient material}";
    const std::vector<std::string> out = lines_of(r.out.substr(START_OUTPUT.size()));
    ASSERT_EQ(out.size(), 2u) << r.out;
    EXPECT_EQ(out[0], "move d4b5");
    EXPECT_EQ(out[1], claim);
    EXPECT_EQ(game_count_of(r.file("book.dat")), 1u);
}

// A person's game at the console: each move the person makes is drawn, the
// engine's answer printed and drawn again; a move that is not legal is
// refused; "save" confirms.
TEST(SessionGames, PersonPlaysAtTheConsole) {
    const session_result r = run_session("depth 3 e2e4 e2e5 d2d4 save quit");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.out.rfind(START_OUTPUT, 0), 0u);
    const std::string rest = r.out.substr(START_OUTPUT.size());
    // First the diagram after e2e4, then the engine's move, then its diagram.
    const std::string after_e2e4 =
        diagram({"r n b q k b n r ", "p p p p p p p p ", ". . . . . . . . ", ". . . . . . . . ",
                 ". . . . P . . . ", ". . . . . . . . ", "P P P P . P P P ", "R N B Q K B N R "});
    ASSERT_EQ(rest.rfind(after_e2e4 + "move ", 0), 0u) << rest;
    game_record game;
    ASSERT_TRUE(game.play("e2e4"));
    std::vector<std::string> replies;
    for (const std::string& line : lines_of(rest))
        if (line.rfind("move ", 0) == 0) replies.push_back(line.substr(5));
    ASSERT_EQ(replies.size(), 2u) << rest;
    ASSERT_TRUE(game.play(replies[0]));
    EXPECT_NE(rest.find("Illegal move: e2e5\n"), std::string::npos);
    ASSERT_TRUE(game.play("d2d4"));
    ASSERT_TRUE(game.play(replies[1]));
    // Four diagrams: after each of the person's moves and each answer.
    size_t diagrams = 0;
    for (size_t at = rest.find("  A B C D E F G H"); at != std::string::npos;
         at = rest.find("  A B C D E F G H", at + 1))
        ++diagrams;
    EXPECT_EQ(diagrams, 4u);
    EXPECT_EQ(rest.substr(rest.size() - 6), "Saved\n");
}
