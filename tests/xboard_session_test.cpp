// Whole xboard sessions with the lines real GUIs send (xboard, cutechess,
// python-chess): handshake, take-backs, setboard, ping, move now, analysis,
// result, st and sd, the clock, and the options.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "rules_test_util.h"
#include "session_text.h"
#include "session_util.h"
#include "time_margin.h"

using namespace session;
using steady = std::chrono::steady_clock;

namespace {
const std::string START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// Depth 7 here takes seconds.
const std::string MIDDLEGAME = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8";

// Ply and pv of a thinking line "ply score time nodes pv" (ply 0: no such line).
int ply_of(const std::string& line) { return std::atoi(line.c_str()); }
// The first move of a thinking line's line of play (after the tab).
std::string pv_of(const std::string& line) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) return "";
    const std::string moves = line.substr(tab + 1);
    return moves.substr(0, moves.find(' '));
}

std::string after_start(const session_result& r) { return r.out.substr(std::min(r.out.size(), START_OUTPUT.size())); }

// The program driven line by line, as a GUI drives it.
struct gui {
    live_session live;
    size_t seen = START_OUTPUT.size();
    std::vector<std::string> passed;  // the lines the last next() went past
    steady::time_point sent;
    void send(const std::string& text) {
        live.send(text);
        sent = steady::now();
    }
    // The next line that begins with prefix; "" after the timeout.
    std::string next(const std::string& prefix, int timeout_ms = 20000) {
        return next_line_with(live, seen, passed, prefix, timeout_ms);
    }
    std::string move(int timeout_ms = 20000) {
        const std::string line = next("move ", timeout_ms);
        return line.empty() ? line : line.substr(5);
    }
    long ms() const { return std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - sent).count(); }
};
}  // namespace

TEST(XboardSession, HandshakeAsGuisSendItLeavesTheOpponentsNameUnread) {
    // Out of force mode: "e2e4" taken for a move would be answered.
    const session_result r = run_session("xboard\nprotover 2\naccepted ping\nrejected usermove\naccepted done\nnew\n"
                                         "easy\nhard\npost\nnopost\ncomputer\nname Opponent e2e4\nquit\n");
    EXPECT_EQ(r.out, START_OUTPUT + GUI_HANDSHAKE);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("orvane.log"),
              "xboard\nprotover\n2\naccepted\nrejected\naccepted\nnew\neasy\nhard\npost\nnopost\ncomputer\nname\n");
}

TEST(XboardSession, RemoveAndUndoTakeBackPliesButNeverMoreThanWerePlayed) {
    gui g;
    g.send("xboard\nnew\nsd 3\ne2e4\n");
    ASSERT_TRUE(legal(START, {"e2e4", g.move()}));
    // Both plies gone: d2d4 is answered from 1.d4, and the e-pawn is home again.
    g.send("remove\nd2d4\n");
    const std::string reply = g.move();
    EXPECT_TRUE(g.passed.empty());
    EXPECT_TRUE(legal(START, {"d2d4", reply})) << reply;
    g.send("force\ne2e3\nping 1\n");
    EXPECT_EQ(g.next("pong"), "pong 1");
    EXPECT_TRUE(g.passed.empty());
    // Force mode: black to move after one undo (e7e6), white after two more
    // (e7e5 refused); undo or remove beyond the record changes nothing.
    const session_result r = run_session("xboard\nforce\ne2e4\ne7e5\nundo\ne7e6\nundo\nundo\ne7e5\nundo\nremove\n"
                                         "e2e4\nremove\ne7e5\n");
    EXPECT_EQ(after_start(r), "Illegal move: e7e5\n");
    EXPECT_EQ(lines_of(r.err).size(), 3u) << r.err;
}

TEST(XboardSession, SetboardPlaysTheOnlyMateForEitherSide) {
    // The rook to the back rank; the king is boxed in by its own pawns.
    for (const auto& [fen, expected] : {std::pair{"6k1/5ppp/8/8/8/8/8/3R2K1 w - - 0 1", "move d1d8\n1-0 {White mates}\n"},
                                        std::pair{"3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", "move d8d1\n0-1 {Black mates}\n"}})
        EXPECT_EQ(after_start(run_session(std::string("xboard\nsd 3\nsetboard ") + fen + "\ngo\n")), expected);
}

TEST(XboardSession, SetboardHonoursCastlingAndEnPassantAndRefusesBadPositions) {
    // "Kq": white castles short only, black long only.  e5xd6 only with d6
    // named, and it takes the d5 pawn.
    session_result r = run_session("xboard\nforce\nsetboard r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1\ne1c1\ne1g1\ne8g8\ne8c8\n"
                                   "setboard 4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1\ne5d6\n"
                                   "setboard 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1\ne5d6\nd5d4\n");
    EXPECT_EQ(after_start(r), "Illegal move: e1c1\nIllegal move: e8g8\nIllegal move: e5d6\nIllegal move: d5d4\n");
    // No black king, two white kings, black (not to move) in check, garbage:
    // refused, and the game and its record go on (undo, then e7e6).
    r = run_session("xboard\nforce\ne2e4\ne7e5\nsetboard 8/8/8/8/8/8/8/4K3 w - - 0 1\n"
                    "setboard 4k3/8/8/8/8/8/8/K3K3 w - - 0 1\nsetboard 4k3/8/8/8/8/8/8/4R1K1 w - - 0 1\n"
                    "setboard hello world\nundo\ne7e6\n");
    std::string refused;
    for (int i = 0; i < 4; ++i) refused += "tellusererror Illegal position\n";
    EXPECT_EQ(after_start(r), refused);
}

TEST(XboardSession, PingWaitsForTheMoveAndMoveNowEndsALongThink) {
    gui g;
    g.send("xboard\nping 4\n");
    EXPECT_EQ(g.next("pong"), "pong 4");
    g.send("noclocks\npost\ndepth 6\ngo\n");  // a good part of a second
    // The first thinking line: the search is under way, five plies to go.
    ASSERT_NE(g.next("1 "), "");
    ASSERT_EQ(g.live.output().find("move "), std::string::npos) << "the move came before the ping";
    g.send("ping 5\n");
    EXPECT_TRUE(legal(START, {g.move()}));
    EXPECT_EQ(g.next("pong", 2000), "pong 5");
    EXPECT_TRUE(g.passed.empty());
    // 30 s a move in the middlegame: seconds of thought, ended by "?".
    gui h;
    h.send("xboard\npost\nst 30\nsetboard " + MIDDLEGAME + "\ngo\n");
    ASSERT_NE(h.next("1 "), "") << "the search is under way";
    ASSERT_EQ(h.live.output().find("move "), std::string::npos);
    h.send("?\n");
    EXPECT_TRUE(legal(MIDDLEGAME, {h.move(5000)}));
    const long ms = h.ms();
    EXPECT_LT(ms, time_margin::scaled_ms(2000));
    std::printf("[ measured ] move after ?: %ld ms\n", ms);
}

TEST(XboardSession, AnalysisFollowsThePositionPrintsOnlyThinkingAndNeverMoves) {
    gui g;
    g.send("xboard\npost\nanalyze\n");  // out of force mode: moves must still not be answered
    // The first ply's pv after each change; a ply-1 line comes only from a new analysis.
    const auto pv = [&g](const std::string& line) {
        g.send(line);
        return pv_of(g.next("1 "));
    };
    EXPECT_TRUE(legal(START, {pv("")}));
    EXPECT_TRUE(legal(START, {"e2e4", pv(".\ne2e4\n")}));
    EXPECT_TRUE(legal(START, {pv("undo\n")}));
    EXPECT_TRUE(legal(START, {"e2e4", pv("e2e4\n")}));
    EXPECT_TRUE(legal(START, {pv("new\n")}));
    g.send("setboard 6k1/5ppp/8/8/8/8/8/3R2K1 w - - 0 1\n");
    const std::string mate = g.next("1 ");
    EXPECT_EQ(mate.substr(0, 9) + pv_of(mate), "1 100001 d1d8");  // mate in one
    g.send("exit\nping 1\n");
    EXPECT_EQ(g.next("pong"), "pong 1");
    ::usleep(200000);
    g.send("quit\n");
    const std::vector<std::string> out = lines_of(after_start(g.live.finish(10000)));
    ASSERT_EQ(out.back(), "pong 1");  // nothing after "exit"
    // Thinking lines, and the one status line "." asked for.
    int status_lines = 0;
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i].rfind("stat01: ", 0) == 0) {
            ++status_lines;
            continue;
        }
        EXPECT_GT(ply_of(out[i]), 0) << out[i];
    }
    EXPECT_LE(status_lines, 1);
}

TEST(XboardSession, ResultTextIsNotReadAndTheEngineWaitsForNew) {
    const session_result r = run_session("xboard\nresult 1-0 {Xboard: Forfeit due to invalid move: c2c5 (c2c5) res=1}\n"
                                         "e2e4\ngo\nnew\nsd 2\ngo\n");
    const std::string out = after_start(r);
    ASSERT_EQ(out.rfind("move ", 0), 0u) << r.out;
    EXPECT_TRUE(legal(START, {out.substr(5, out.size() - 6)})) << out;
    EXPECT_EQ(r.file("orvane.log"), "xboard\nresult\ne2e4\nE2E4\ngo\nnew\nsd\ngo\n" + out);
}

TEST(XboardSession, FixedTimeAMoveAndTheDepthCap) {
    // As a GUI sends it, and under a fixed depth of 7, which takes seconds here.
    for (const std::string setup : {"", "noclocks\ndepth 7\n"}) {
        gui g;
        g.send("xboard\n" + setup + "setboard " + MIDDLEGAME + "\nst 1\ngo\n");
        const std::string white = g.move(10000);
        const long one = g.ms();
        g.send("st 0.5\ngo\n");
        const std::string black = g.move(10000);
        const long half = g.ms();
        EXPECT_TRUE(legal(MIDDLEGAME, {white, black})) << white << " " << black;
        EXPECT_LT(one, 2000) << setup;
        EXPECT_LT(half, 1500) << setup;
        std::printf("[ measured ] %s: st 1 %ld ms, st 0.5 %ld ms\n", setup.empty() ? "plain" : "depth 7", one, half);
    }
    // Depth 3 capped at 2: thinking for plies 1 and 2; "new" lifts the cap.
    gui d;
    const auto plies = [&d](const std::string& line) {
        d.send(line);
        std::set<int> seen;
        if (d.move().empty()) return seen;
        for (const std::string& l : d.passed) seen.insert(ply_of(l));
        return seen;
    };
    EXPECT_EQ(plies("xboard\npost\nnoclocks\ndepth 3\nsd 2\ngo\n"), (std::set<int>{1, 2}));
    EXPECT_EQ(plies("new\ngo\n"), (std::set<int>{1, 2, 3}));
}

TEST(XboardSession, TheGuisClockKeepsAComfortableSearchAndCutsATinyOne) {
    // 40 moves in 5 minutes, 5 minutes on both clocks: node for node as
    // without the clock.
    for (const std::string clock : {"", "time 30000\notim 30000\n"})
        EXPECT_EQ(lines_of(run_session("xboard\nlevel 40 5 0\ndepth 4\n" + clock + "lognodes\ngo\n").file("orvane.log"))
                      .back(), "nodes 7324");
    // Half a second left in sudden death, also under a fixed depth of 7.
    for (const std::string setup : {"", "noclocks\ndepth 7\n"}) {
        gui g;
        g.send("xboard\n" + setup + "level 0 1 0\ntime 50\notim 50\ngo\n");
        EXPECT_TRUE(legal(START, {g.move(10000)}));
        const long ms = g.ms();
        EXPECT_LT(ms, time_margin::scaled_ms(1000)) << setup;
        std::printf("[ measured ] time 50, %s: %ld ms\n", setup.empty() ? "plain" : "depth 7", ms);
    }
    // Fractional increments as xboard and lichess-bot send them: no ".5" left as a word.
    const session_result r = run_session("xboard\nsd 3\nlevel 0 2 0.5\ngo\nlevel 0 4:57 3.0\ngo\n");
    const std::vector<std::string> out = lines_of(after_start(r));
    ASSERT_EQ(out.size(), 2u) << r.out;
    EXPECT_TRUE(legal(START, {out[0].substr(5), out[1].substr(5)})) << r.out;
    EXPECT_EQ(r.file("orvane.log"), "xboard\nsd\nlevel\ngo\n" + out[0] + "\nlevel\ngo\n" + out[1] + "\n");
}

TEST(XboardSession, OptionsActAsTheirConsoleCommandsAndBadOnesAreReported) {
    const auto nodes = [](const std::string& setup) {
        const session_result r = run_session("xboard\n" + setup + "setboard " + MIDDLEGAME + "\nsd 4\nlognodes\ngo\n");
        EXPECT_EQ(r.out.find("move "), START_OUTPUT.size()) << setup;  // nothing before the move
        return lines_of(r.file("orvane.log")).back() + "\n" + r.err;
    };
    const std::string plain = nodes("");
    EXPECT_EQ(nodes("option Null move=1\n"), nodes("donullmove\n"));
    EXPECT_EQ(nodes("option Evaluation=3\n"), nodes("advancelevel 3\n"));
    EXPECT_NE(nodes("option Null move=1\n"), plain);
    EXPECT_NE(nodes("option Evaluation=3\n"), plain);
    EXPECT_EQ(nodes("option Move Overhead=100\n"), plain);
    // A value out of range and a name the engine lacks: a line each on stderr.
    EXPECT_EQ(lines_of(nodes("option Null move=2\noption Contempt=64\n")).size(), 3u);
    EXPECT_EQ(lines_of(nodes("option Null move=2\n"))[0], lines_of(plain)[0]);
    // "Learning book=0" keeps the book from being written, unless levellock came first.
    const std::string mate = "force\nf2f3\ne7e5\ng2g4\nd8h4\n";
    EXPECT_FALSE(run_session("xboard\noption Learning book=0\n" + mate).has("book.dat"));
    EXPECT_EQ(game_count_of(run_session("xboard\nlevellock\noption Learning book=0\n" + mate).file("book.dat")), 1u);
}
