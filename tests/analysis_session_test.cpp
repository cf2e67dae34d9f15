// Whole analysis sessions over pipes, in both protocols: the line of play, the
// moves a search is limited to, mate searches, several lines at once, pondering
// and a node clock.  Every expected move and line was worked out by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "session_text.h"
#include "session_util.h"

using namespace session;
using steady = std::chrono::steady_clock;

namespace {

// White (Ke3) can take the queen (Nb3xa1), the rook (g4xh5) or the knight
// (Be6xd7), none defended, and nothing black can take anything back: the
// three best moves by material are those, in that order, and no other
// white move captures.
const char* const THREE_CAPTURES = "7k/3n4/4B3/7r/6P1/1N2K3/8/q7 w - - 0 1";
// Ra7 or Rb7 leaves the king only g8, and the other rook mates on the back rank.
const char* const TWO_ROOKS = "7k/8/8/8/8/8/R7/1R4K1 w - - 0 1";
// Qg8+ can only be taken by the rook (the knight guards g8), then Nf7 mates.
const char* const SMOTHERED = "r6k/6pp/7N/8/8/1Q6/8/6K1 w - - 0 1";

// The program driven line by line; the banner and diagram are skipped.
struct gui {
    live_session live;
    size_t seen = START_OUTPUT.size();
    std::vector<std::string> passed;  // the lines the last next() went past
    // uci: the UCI handshake first; search: the Search option set to it
    // (these lines were worked out for the classic search's depths).
    explicit gui(bool uci = false, const std::string& search = "") {
        ::signal(SIGPIPE, SIG_IGN);
        if (uci) send("uci"), next("uciok");
        if (uci && !search.empty()) send("setoption name Search value " + search);
    }
    void send(const std::string& line) { live.send(line + "\n"); }
    // The next line that begins with prefix; "" after the timeout.
    std::string next(const std::string& prefix, int timeout_ms = 30000) {
        return next_line_with(live, seen, passed, prefix, timeout_ms);
    }
    // The info lines of a search and its bestmove line (last).
    std::vector<std::string> search(const std::string& go) {
        send(go);
        const std::string best = next("bestmove ");
        std::vector<std::string> lines;
        for (const std::string& l : passed)
            if (l.rfind("info ", 0) == 0) lines.push_back(l);
        lines.push_back(best);
        return lines;
    }
};

// The words after "key " in a line ("" without it); with all, to the end.
std::string after(const std::string& line, const std::string& key, bool all = false) {
    const std::string word = key + ' ';
    size_t at = line.rfind(word, 0) == 0 ? 0 : line.find(' ' + word);
    if (at == std::string::npos) return "";
    const std::string rest = line.substr(at + word.size() + (at == 0 ? 0 : 1));
    return all ? rest : rest.substr(0, rest.find(' '));
}
std::string bestmove(const std::vector<std::string>& lines) { return after(lines.back(), "bestmove"); }
// The last info line with a pv.
std::string last_pv(const std::vector<std::string>& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (!after(*it, "pv").empty()) return *it;
    return "";
}

}  // namespace

TEST(AnalysisSession, UciLineOfPlayIsTheForcedMateAndStartsWithTheMovePlayed) {
    gui g(true, "Classic");
    g.send(std::string("position fen ") + SMOTHERED);
    auto lines = g.search("go depth 4");
    EXPECT_EQ(after(last_pv(lines), "pv", true), "b3g8 a8g8 h6f7") << last_pv(lines);
    EXPECT_EQ(after(last_pv(lines), "score", true).substr(0, 6), "mate 2");
    EXPECT_EQ(lines.back(), "bestmove b3g8 ponder a8g8");
    g.send(std::string("position fen ") + TWO_ROOKS);
    lines = g.search("go depth 4");
    const std::string line = after(last_pv(lines), "pv", true);
    EXPECT_TRUE(line == "a2a7 h8g8 b1b8" || line == "b1b7 h8g8 a2a8") << line;
    EXPECT_EQ(after(lines.back(), "ponder"), "h8g8") << lines.back();

    // A game of 30 plies at depth 3: the last line shown always begins with the move played.
    std::string moves;
    g.send("ucinewgame");
    for (int ply = 0; ply < 30; ++ply) {
        g.send("position startpos" + (moves.empty() ? "" : " moves" + moves));
        lines = g.search("go depth 3");
        const std::string best = bestmove(lines);
        ASSERT_FALSE(best.empty() || best == "0000") << "ply " << ply;
        EXPECT_EQ(after(last_pv(lines), "pv"), best) << "ply " << ply << ": " << last_pv(lines);
        moves += " " + best;
    }
}

TEST(AnalysisSession, UciSearchmovesMateAndMultiPV) {
    gui g(true);
    g.send(std::string("position fen ") + THREE_CAPTURES);
    // Left out: the queen capture.  Of a rook capture and a quiet move, the capture.
    EXPECT_EQ(bestmove(g.search("go depth 2 searchmoves b3d4 g4h5")), "g4h5");
    const std::string quiet = bestmove(g.search("go depth 2 searchmoves e3f3 e3e2"));
    EXPECT_TRUE(quiet == "e3f3" || quiet == "e3e2") << quiet;

    g.send("setoption name MultiPV value 3");
    auto lines = g.search("go depth 1");
    const std::vector<std::string> expected = {"b3a1", "g4h5", "e6d7"};
    for (int k = 1; k <= 3; ++k) {
        std::string found;
        for (const std::string& l : lines)
            if (after(l, "multipv") == std::to_string(k)) found = after(l, "pv");
        EXPECT_EQ(found, expected[k - 1]) << "multipv " << k;
    }
    EXPECT_EQ(bestmove(lines), "b3a1");
    g.send("setoption name MultiPV value 1");

    // Mates in one for either side, and the smothered mate in two.
    for (const auto& [position, move, mate] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "a1a8", "mate 1"},
             {"position startpos moves f2f3 e7e5 g2g4", "d8h4", "mate 1"},
             {std::string("position fen ") + SMOTHERED, "b3g8", "mate 2"}}) {
        g.send(position);
        lines = g.search(std::string("go mate ") + mate[5]);
        EXPECT_EQ(bestmove(lines), move) << position;
        EXPECT_EQ(after(last_pv(lines), "score", true).substr(0, 6), mate) << last_pv(lines);
    }
}

TEST(AnalysisSession, UciMatedStalematedAndPondering) {
    // The classic search reports the iteration of a side without a move.
    gui g(true, "Classic");
    g.send("position startpos moves f2f3 e7e5 g2g4 d8h4");  // white is mated
    auto lines = g.search("go depth 3");
    EXPECT_EQ(lines.back(), "bestmove 0000");
    EXPECT_NE(lines.front().find(" score mate 0 "), std::string::npos) << lines.front();
    g.send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");  // black has no move and is not in check
    lines = g.search("go depth 3");
    EXPECT_EQ(lines.back(), "bestmove 0000");
    EXPECT_NE(lines.front().find(" score cp 0 "), std::string::npos) << lines.front();

    // A pondering search waits for ponderhit, then plays the only mate.
    g.send("setoption name Ponder value true");
    g.send("position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    g.send("go ponder wtime 2000 btime 2000");
    EXPECT_EQ(g.next("bestmove ", 500), "");
    g.send("ponderhit");
    EXPECT_EQ(after(g.next("bestmove "), "bestmove"), "a1a8");
    // Stopped while pondering, it still answers.
    g.send("go ponder wtime 2000 btime 2000");
    ASSERT_NE(g.next("info depth 1 "), "") << "the pondering search is under way";
    g.send("stop");
    EXPECT_EQ(after(g.next("bestmove "), "bestmove"), "a1a8");
}

TEST(AnalysisSession, XboardNodeClockAndExcludedMoves) {
    gui g;
    g.send("xboard\nprotover 2\noption Search=Classic");  // material by the classic search's depths
    EXPECT_NE(g.next("feature done=1"), "");
    // A node counts as a second: five of them: a move comes after a few nodes.
    g.send("new\npost\nnps 1\nst 5\ngo");
    const std::string move = g.next("move ");
    ASSERT_NE(move, "");
    ASSERT_FALSE(g.passed.empty());
    const std::string thinking = g.passed.back();
    std::vector<std::string> words;
    for (size_t at = 0, end; (end = thinking.find_first_of(" \t", at)) != std::string::npos; at = end + 1)
        words.push_back(thinking.substr(at, end - at));
    ASSERT_GE(words.size(), 5u) << thinking;
    EXPECT_LE(std::atol(words[3].c_str()), 5000) << thinking;
    EXPECT_EQ(thinking.substr(thinking.find('\t') + 1, 4), move.substr(5, 4)) << thinking;

    // The queen capture excluded, the rook capture is played; with all
    // excluded but one quiet move, that move.
    g.send(std::string("new\nforce\nsetboard ") + THREE_CAPTURES + "\nst 20000\nsd 3\nexclude b3a1\ngo");
    EXPECT_EQ(g.next("move "), "move g4h5");
    g.send(std::string("force\nsetboard ") + THREE_CAPTURES + "\nexclude all\ninclude e3f3\ngo");
    EXPECT_EQ(g.next("move "), "move e3f3");
    g.send("quit");
}
