// Whole sessions with the strong search chosen, as GUIs drive it: the
// repetition claim under xboard protocol 2, the Search, Hash and Threads
// options over UCI, xboard and the console, and MultiPV's first line when
// another of the tied best moves is played.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session_text.h"
#include "session_util.h"

using namespace session;

namespace {

// The lines after the start-up text that are not handshake features.
std::vector<std::string> answers(const session_result& r) {
    std::vector<std::string> kept;
    for (const std::string& line : lines_of(r.out.substr(START_OUTPUT.size())))
        if (line.rfind("feature ", 0) != 0) kept.push_back(line);
    return kept;
}

// The final "nodes N" of the UCI info lines after the n-th "go" (0-based).
std::string nodes_of_go(const std::string& out, int n) {
    std::string nodes;
    int go = -1;
    for (const std::string& line : lines_of(out)) {
        if (line.rfind("bestmove", 0) == 0 && ++go == n) return nodes;
        const size_t at = line.find(" nodes ");
        if (line.rfind("info depth", 0) == 0 && line.find(" pv ") != std::string::npos && at != std::string::npos)
            nodes = line.substr(at + 7, line.find(' ', at + 7) - at - 7);
    }
    return "";
}

}  // namespace

// White's king has one move at a time (the rook holds the second rank, the
// knight f1), so the engine's moves are forced: h1-g1-h1 while black's king,
// played by the GUI, walks among a8, b8 and a7.  Standard chess counts a
// position again only with the same side to move.
TEST(StrongSession, RepetitionIsClaimedUnderProtocolTwoOnlyWhenStandardChessGrantsIt) {
    const std::string gui = "xboard\nprotover 2\noption Search=Strong\nsd 3\nforce\nsetboard ";
    const auto play = [&](const std::string& fen, const std::string& moves) {
        return answers(run_session(gui + fen + "\n" + moves + "\ngo\nping 1\nquit\n"));
    };
    // Black to move, kings h1 and a8 (P).  Two rounds of the king walk bring
    // P back twice; the engine's g1h1 makes it the third time: the claim.
    const std::string p = "k7/8/8/8/8/8/3nr3/7K b - - 0 1";
    EXPECT_EQ(play(p, "a8b8 h1g1 b8a8 g1h1 a8b8 h1g1 b8a8"),
              (std::vector<std::string>{"move g1h1", "1/2-1/2 {Draw by triple repetition}", "pong 1"}));
    // One round less: P stands for the second time, and play goes on.
    EXPECT_EQ(play(p, "a8b8 h1g1 b8a8"), (std::vector<std::string>{"move g1h1", "pong 1"}));
    // The board with kings g1 and a8 stands three times after the engine's
    // h1g1, but twice with white to move and once with black: no claim.  No
    // other position stands three times on the way.
    EXPECT_EQ(play("1k6/8/8/8/8/8/3nr3/7K w - - 0 1", "h1g1 b8a8 g1h1 a8a7 h1g1 a7a8 g1h1 a8b8 h1g1 b8a7 g1h1 a7a8"),
              (std::vector<std::string>{"move h1g1", "pong 1"}));
}

// Search, Hash and Clear Hash over UCI, xboard and the console: each shown
// back as set, bad values refused with the protocol's own message, and
// Search=Classic the classic search again, node for node.
TEST(StrongSession, SearchAndHashOptionsRoundTripOverEveryProtocol) {
    const std::string middle = "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8\n";
    const std::string classic_go = "position startpos\ngo depth 4\n";
    const session_result plain = run_session("uci\nsetoption name Search value Classic\n" + classic_go + "quit\n");
    const session_result r = run_session(
        "uci\nsetoption name Hash value 64\nsetoption name Search value Strong\nsetoption name Clear Hash\n"
        "setoption name Hash value 0\nsetoption name Hash value 1025\nsetoption name Search value Weak\n"
        "setoption name Hash value\nuci\n" + middle + "go depth 4\nsetoption name Search value Classic\nuci\n" +
        classic_go + "quit\n");
    const std::vector<std::string> out = lines_of(r.out);
    std::vector<std::string> told, search, hash;
    for (const std::string& line : out) {
        if (line.rfind("info string", 0) == 0) told.push_back(line);
        if (line.rfind("option name Search ", 0) == 0) search.push_back(line);
        if (line.rfind("option name Hash ", 0) == 0) hash.push_back(line);
    }
    EXPECT_EQ(told, (std::vector<std::string>{"info string '0' is no value for Hash; nothing changed",
                                              "info string '1025' is no value for Hash; nothing changed",
                                              "info string 'Weak' is no value for Search; nothing changed",
                                              "info string '' is no value for Hash; nothing changed"}));
    const std::string combo = " var Classic var Strong";
    // A UCI session starts with the strong search.
    EXPECT_EQ(search, (std::vector<std::string>{"option name Search type combo default Strong" + combo,
                                                "option name Search type combo default Strong" + combo,
                                                "option name Search type combo default Classic" + combo}));
    EXPECT_EQ(hash, (std::vector<std::string>{"option name Hash type spin default 16 min 1 max 1024",
                                              "option name Hash type spin default 64 min 1 max 1024",
                                              "option name Hash type spin default 64 min 1 max 1024"}));
    // The strong search thought about the middlegame (its table filled), and
    // the start position afterwards took the classic search's nodes exactly.
    EXPECT_NE(r.out.find("hashfull"), std::string::npos);
    ASSERT_FALSE(nodes_of_go(plain.out, 0).empty());
    EXPECT_EQ(nodes_of_go(r.out, 1), nodes_of_go(plain.out, 0));
    EXPECT_NE(nodes_of_go(r.out, 0), nodes_of_go(plain.out, 0));

    // xboard: memory, the option lines, the button, bad values on stderr.
    const session_result x = run_session(
        "xboard\nprotover 2\nmemory 32\noption Search=Strong\noption ClearHash\noption Hash=0\noption Search=Weak\n"
        "memory 0\nprotover 2\noption Search=Classic\noption Hash=1024\nprotover 2\nquit\n");
    std::vector<std::string> shown;
    for (const std::string& line : lines_of(x.out))
        if (line.find("option=\"Search ") != std::string::npos || line.find("option=\"Hash ") != std::string::npos)
            shown.push_back(line);
    EXPECT_EQ(shown, (std::vector<std::string>{"feature option=\"Search -combo Classic /// *Strong\"",
                                               "feature option=\"Hash -spin 16 1 1024\"",
                                               "feature option=\"Search -combo Classic /// *Strong\"",
                                               "feature option=\"Hash -spin 32 1 1024\"",
                                               "feature option=\"Search -combo *Classic /// Strong\"",
                                               "feature option=\"Hash -spin 1024 1 1024\""}));
    EXPECT_EQ(x.err,
              "orvane: option Hash: 0 is not a value from 1 to 1024\n"
              "orvane: option Search: Weak is not one of Classic, Strong\n");

    // The console's words, then the handshake to show where they left things.
    const session_result c = run_session("strongsearch\nhash 8\nhash 0\nhash 2048\nxboard\nprotover 2\n"
                                         "classicsearch\nprotover 2\nquit\n");
    shown.clear();
    for (const std::string& line : lines_of(c.out))
        if (line.find("option=\"Search ") != std::string::npos || line.find("option=\"Hash ") != std::string::npos)
            shown.push_back(line);
    EXPECT_EQ(shown, (std::vector<std::string>{"feature option=\"Search -combo Classic /// *Strong\"",
                                               "feature option=\"Hash -spin 8 1 1024\"",
                                               "feature option=\"Search -combo *Classic /// Strong\"",
                                               "feature option=\"Hash -spin 8 1 1024\""}));
    EXPECT_EQ(c.err,
              "orvane: Hash 0 refused: it must lie between 1 and 1024\n"
              "orvane: Hash 2048 refused: it must lie between 1 and 1024\n");
}

// The Threads option over UCI, xboard (its own "cores" and the option line)
// and the console: kept as set, shown back in the next handshake, bad values
// refused each with its front end's own message and nothing changed.
TEST(StrongSession, ThreadsOptionRoundTripsOverEveryProtocol) {
    const auto lines_with = [](const std::string& out, const std::string& part) {
        std::vector<std::string> kept;
        for (const std::string& line : lines_of(out))
            if (line.find(part) != std::string::npos) kept.push_back(line);
        return kept;
    };
    const session_result r = run_session(
        "uci\nsetoption name Threads value 2\nisready\nsetoption name Threads value 0\n"
        "setoption name Threads value 65\nsetoption name Threads value abc\nuci\n"
        "setoption name threads value 64\nuci\nquit\n");
    EXPECT_EQ(lines_with(r.out, "Threads"),
              (std::vector<std::string>{"option name Threads type spin default 1 min 1 max 64",
                                        "info string '0' is no value for Threads; nothing changed",
                                        "info string '65' is no value for Threads; nothing changed",
                                        "info string 'abc' is no value for Threads; nothing changed",
                                        "option name Threads type spin default 2 min 1 max 64",
                                        "option name Threads type spin default 64 min 1 max 64"}));
    // The readyok answers the isready after the first setoption, before any refusal.
    const size_t ready = r.out.find("readyok\n");
    ASSERT_NE(ready, std::string::npos);
    EXPECT_LT(ready, r.out.find("info string '0'"));
    EXPECT_EQ(r.err, "");

    // xboard: smp=1 among the features; cores above 64 means 64; a count
    // below one, or none, or not a number is an error on the GUI's channel.
    const session_result x = run_session(
        "xboard\nprotover 2\ncores 2\nprotover 2\noption Threads=5\nprotover 2\ncores 100\nprotover 2\n"
        "cores 0\ncores -3\ncores two\ncores\noption Threads=65\noption threads=x\nprotover 2\nquit\n");
    const std::vector<std::string> features = lines_with(x.out, "feature ping=1");
    ASSERT_EQ(features.size(), 5u);
    EXPECT_NE((features[0] + " ").find(" smp=1 "), std::string::npos) << features[0];
    EXPECT_EQ(lines_with(x.out, "Threads"), (std::vector<std::string>{"feature option=\"Threads -spin 1 1 64\"",
                                                                      "feature option=\"Threads -spin 2 1 64\"",
                                                                      "feature option=\"Threads -spin 5 1 64\"",
                                                                      "feature option=\"Threads -spin 64 1 64\"",
                                                                      "feature option=\"Threads -spin 64 1 64\""}));
    EXPECT_EQ(lines_with(x.out, "Error"), (std::vector<std::string>{"Error (bad argument): cores 0",
                                                                    "Error (bad argument): cores -3",
                                                                    "Error (bad argument): cores two",
                                                                    "Error (missing argument): cores"}));
    EXPECT_EQ(x.err,
              "orvane: option Threads: 65 is not a value from 1 to 64\n"
              "orvane: option Threads: x is not a value from 1 to 64\n");

    // The console, as "hash N": out of range refused on standard error; a
    // word that is no number is passed over like any unknown word.
    const session_result c =
        run_session("threads 3\nthreads 0\nthreads 65\nthreads -1\nthreads abc\nxboard\nprotover 2\nquit\n");
    EXPECT_EQ(lines_with(c.out, "Threads"), (std::vector<std::string>{"feature option=\"Threads -spin 3 1 64\""}));
    EXPECT_EQ(c.err,
              "orvane: Threads 0 refused: it must lie between 1 and 64\n"
              "orvane: Threads 65 refused: it must lie between 1 and 64\n"
              "orvane: Threads -1 refused: it must lie between 1 and 64\n");
}

// With MultiPV 3 the move played heads the last first line and the ponder
// move is that line's second.  Here c4d5 and a2a3 tie at depth 4, and the
// search restricted to a2a3 beforehand can teach the book a2a3: when it is
// played, c4d5's line heads the iteration, and its reply e6d5 is no move
// after a2a3.
TEST(StrongSession, MultiPvShowsThePlayedMovesLineFirst) {
    const std::string middle = "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8\n";
    for (const std::string search : {"Classic", "Strong"}) {
        // Each answer is waited for: "quit" would end the search in progress.
        live_session live;
        size_t seen = 0;
        std::vector<std::string> passed;
        live.send("uci\nsetoption name Search value " + search + "\n" + middle +
                  "go depth 4 searchmoves a2a3 h2h3 c1d2\n");
        ASSERT_NE(next_line_with(live, seen, passed, "bestmove", 30000), "") << search;
        live.send("setoption name MultiPV value 3\ngo depth 4\n");
        ASSERT_NE(next_line_with(live, seen, passed, "bestmove", 30000), "") << search;
        live.send("quit\n");
        const session_result r = live.finish();
        std::string first, best;
        for (const std::string& line : lines_of(r.out)) {
            if (line.find(" multipv 1 ") != std::string::npos) first = line.substr(line.find(" pv ") + 4);
            if (line.rfind("bestmove", 0) == 0) best = line;
        }
        ASSERT_FALSE(first.empty()) << search;
        EXPECT_EQ(best.substr(9, 4), first.substr(0, 4)) << search << "\n" << r.out;
        EXPECT_EQ(best.substr(14), "ponder " + first.substr(5, 4)) << search;
    }
}
