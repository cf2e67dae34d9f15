// Which search plays in each kind of session: a person at the console and a
// GUI of the old xboard subset get the classic search, a UCI GUI and an
// xboard GUI of protocol 2 the strong one, unless the user or the GUI named
// a search.  The hint comes from the search that plays.  Option names and
// values reach the engine in either case of letters.  Whole sessions of the
// built program over pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "session_text.h"
#include "session_util.h"

using namespace session;

namespace {

// The words of a line.
std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    for (size_t at = 0, end; at < line.size(); at = end + 1) {
        end = line.find_first_of(" \t", at);
        if (end == std::string::npos) end = line.size();
        if (end > at) words.push_back(line.substr(at, end - at));
    }
    return words;
}

// The word after key in a line ("" without it).
std::string word_after(const std::string& line, const std::string& key) {
    const std::vector<std::string> words = words_of(line);
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == key) return words[i + 1];
    return "";
}

// The first of lines that begins with prefix ("" when none does).
std::string first_starting(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0) return line;
    return "";
}

// What a search showed: the Search line of the handshake, and the node count
// of one iteration.
struct shown_search {
    std::string search_line;
    std::string nodes;
};

// UCI: the handshake, then the words of before (setoption lines), then
// "go depth 5" from the start: the Search option line and the nodes of
// depth 5.  Each answer is waited for ("quit" would end the search).
shown_search uci_depth_five(const std::string& before, const session_options& options = {}) {
    live_session live(options);
    size_t seen = 0;
    std::vector<std::string> passed;
    shown_search shown;
    live.send("uci\n");
    EXPECT_NE(next_line_with(live, seen, passed, "uciok", 20000), "");
    shown.search_line = first_starting(passed, "option name Search ");
    live.send(before + "position startpos\ngo depth 5\n");
    EXPECT_NE(next_line_with(live, seen, passed, "bestmove ", 30000), "");
    for (const std::string& line : passed)
        if (line.rfind("info depth 5 ", 0) == 0 && line.find(" pv ") != std::string::npos)
            shown.nodes = word_after(line, "nodes");
    live.send("quit\n");
    live.close_input();
    live.finish(10000);
    return shown;
}

// xboard: "xboard", the words of before, "protover 2", the words of after,
// then thinking lines and a move from the start with "sd 4": the Search
// feature line and the nodes of ply 4 ("ply score time nodes ...").
shown_search xboard_ply_four(const std::string& before, const std::string& after,
                             const session_options& options = {}) {
    live_session live(options);
    size_t seen = 0;
    std::vector<std::string> passed;
    shown_search shown;
    live.send("xboard\n" + before + "protover 2\n");
    EXPECT_NE(next_line_with(live, seen, passed, "feature done=1", 20000), "");
    shown.search_line = first_starting(passed, "feature option=\"Search ");
    live.send(after + "new\npost\nsd 4\ngo\n");
    EXPECT_NE(next_line_with(live, seen, passed, "move ", 30000), "");
    for (const std::string& line : passed) {
        const std::vector<std::string> words = words_of(line);
        if (words.size() > 4 && words[0] == "4") shown.nodes = words[3];
    }
    live.send("quit\n");
    live.close_input();
    live.finish(10000);
    return shown;
}

// The nodes of the last engine turn, from the log's "nodes N" (lognodes).
std::string logged_nodes(const session_result& r) {
    const std::string& log = r.file("orvane.log");
    const size_t at = log.rfind("\nnodes ");
    return at == std::string::npos ? "" : log.substr(at + 7, log.find('\n', at + 7) - at - 7);
}

// The "Hint: " lines of an output, without the prefix.
std::vector<std::string> hints(const std::string& out) {
    std::vector<std::string> found;
    for (const std::string& line : lines_of(out))
        if (line.rfind("Hint: ", 0) == 0) found.push_back(line.substr(6));
    return found;
}

const std::string UCI_STRONG = "option name Search type combo default Strong var Classic var Strong";
const std::string UCI_CLASSIC = "option name Search type combo default Classic var Classic var Strong";
const std::string XBOARD_STRONG = "feature option=\"Search -combo Classic /// *Strong\"";
const std::string XBOARD_CLASSIC = "feature option=\"Search -combo *Classic /// Strong\"";

// White mates in three, and only so: 1.Nh6+ (a double check with the queen
// behind the knight) Kh8 2.Qg8+ Rxg8 3.Nf7 smothered mate (every defence
// checked with python-chess by a full search of three moves).  Five plies:
// the classic hint, 4 plies deep, sees only the queen won by 1.Nxd8+, with
// a discovered check.
const char* const SMOTHERED_IN_THREE = "3q1rk1/5Npp/8/8/8/1Q6/6PP/6K1 w - - 0 1";

}  // namespace

// With nothing set, a UCI session says Strong in its handshake and searches
// as with Search set to Strong, node for node; a search named before the
// handshake (orvane.ini runs before "uci" is read) is kept.
TEST(SessionSearch, UciStartsWithTheStrongSearchUnlessOneWasNamed) {
    const shown_search plain = uci_depth_five("");
    const shown_search strong = uci_depth_five("setoption name Search value Strong\n");
    const shown_search classic = uci_depth_five("setoption name Search value Classic\n");
    EXPECT_EQ(plain.search_line, UCI_STRONG);
    ASSERT_FALSE(plain.nodes.empty());
    EXPECT_EQ(plain.nodes, strong.nodes);
    // The classic search's count is the console's (noclocks depth 5 from the start).
    EXPECT_EQ(classic.nodes, logged_nodes(run_session("noclocks depth 5 lognodes go quit\n")));
    EXPECT_NE(plain.nodes, classic.nodes);
    session_options o;
    o.files["orvane.ini"] = "classicsearch\nend\n";
    const shown_search named = uci_depth_five("", o);
    EXPECT_EQ(named.search_line, UCI_CLASSIC);
    EXPECT_EQ(named.nodes, classic.nodes);
}

// "protover 2" under xboard: the strong search; a search named before it or
// after it is the one that thinks.  The console and the old subset (no
// "protover") keep the classic search: depth 4 from the start searches
// 7324 nodes with nothing cut.
TEST(SessionSearch, XboardProtocolTwoStartsWithTheStrongSearchTheOldSessionsDoNot) {
    const shown_search plain = xboard_ply_four("", "");
    const shown_search strong = xboard_ply_four("", "option Search=Strong\n");
    EXPECT_EQ(plain.search_line, XBOARD_STRONG);
    ASSERT_FALSE(plain.nodes.empty());
    EXPECT_EQ(plain.nodes, strong.nodes);
    EXPECT_NE(plain.nodes, "7324");
    const shown_search named = xboard_ply_four("classicsearch\n", "");
    EXPECT_EQ(named.search_line, XBOARD_CLASSIC);
    EXPECT_EQ(named.nodes, "7324");
    EXPECT_EQ(xboard_ply_four("strongsearch\n", "option Search=Classic\n").nodes, "7324");

    const std::string turn = "noclocks depth 4 lognodes go quit\n";
    EXPECT_EQ(logged_nodes(run_session(turn)), "7324");
    EXPECT_EQ(logged_nodes(run_session("xboard\n" + turn)), "7324");
}

// The hint comes from the search that plays: the strong one (by default
// under protocol 2, or playing a level) finds the mate in three; the
// classic one at the console suggests winning the queen.
TEST(SessionSearch, HintComesFromTheSearchThatPlays) {
    const std::string position = std::string("setboard ") + SMOTHERED_IN_THREE + "\nhint\nquit\n";
    EXPECT_EQ(hints(run_session("xboard\nprotover 2\n" + position).out), std::vector<std::string>{"f7h6"});
    EXPECT_EQ(hints(run_session("elo 1200\n" + position).out), std::vector<std::string>{"Nh6+"});
    EXPECT_EQ(hints(run_session(position).out), std::vector<std::string>{"Nxd8+"});
}

// The strong search's hint leaves no trace: under protocol 2 the turns
// after a hint think exactly as without it (the same thinking lines, node
// for node, the same moves) and book.dat comes out byte for byte the same.
TEST(SessionSearch, StrongHintLeavesTheNextSearchAndTheBookAsTheyWere) {
    const auto session = [](bool with_hints) {
        live_session live;
        size_t seen = 0;
        std::vector<std::string> passed;
        const std::string hint = with_hints ? "hint\n" : "";
        live.send("xboard\nprotover 2\nnew\npost\nsd 7\nforce\ne2e4\ne7e5\ng1f3\n" + hint + "go\n");
        EXPECT_NE(next_line_with(live, seen, passed, "move ", 30000), "");
        live.send("force\nd2d4\n" + hint + "go\n");
        EXPECT_NE(next_line_with(live, seen, passed, "move ", 30000), "");
        live.send("quit\n");
        live.close_input();
        const session_result r = live.finish(10000);
        // The thinking lines ("ply score time nodes seldepth nps<tab>pv")
        // without their time and speed, and the moves.
        std::vector<std::string> shown;
        for (const std::string& line : lines_of(r.out)) {
            std::vector<std::string> words = words_of(line);
            const bool thinking = !line.empty() && line[0] >= '1' && line[0] <= '9' && words.size() >= 6;
            if (!thinking && line.rfind("move ", 0) != 0) continue;
            if (thinking) words.erase(words.begin() + 5), words.erase(words.begin() + 2);
            std::string kept;
            for (const std::string& w : words) kept += w + " ";
            shown.push_back(kept);
        }
        return std::make_pair(shown, r.file("book.dat"));
    };
    const auto plain = session(false);
    const auto hinted = session(true);
    ASSERT_GT(plain.first.size(), 10u);
    EXPECT_EQ(hinted.first, plain.first);
    ASSERT_FALSE(plain.second.empty());
    EXPECT_TRUE(hinted.second == plain.second) << "book.dat differs";
}

// Option names and values in any case of letters, under both protocols; a
// value that is no label is still refused, in the case it was sent.
TEST(SessionSearch, OptionNamesAndValuesInAnyCase) {
    const session_result uci = run_session(
        "uci\nsetoption name search value classic\nsetoption name NULL MOVE value TRUE\n"
        "setoption name Search value weak\nuci\nquit\n");
    const std::vector<std::string> uci_lines = lines_of(uci.out);
    EXPECT_EQ(std::count(uci_lines.begin(), uci_lines.end(), UCI_CLASSIC), 1);
    EXPECT_EQ(std::count(uci_lines.begin(), uci_lines.end(), "option name Null move type check default true"), 1);
    EXPECT_NE(uci.out.find("info string 'weak' is no value for Search; nothing changed"), std::string::npos);

    const session_result xboard = run_session(
        "xboard\nprotover 2\noption search=CLASSIC\noption NULLMOVE=1\noption Search=weak\nprotover 2\nquit\n");
    const std::vector<std::string> xboard_lines = lines_of(xboard.out);
    EXPECT_EQ(std::count(xboard_lines.begin(), xboard_lines.end(), XBOARD_CLASSIC), 1);
    EXPECT_EQ(std::count(xboard_lines.begin(), xboard_lines.end(), "feature option=\"NullMove -check 1\""), 1);
    EXPECT_EQ(xboard.err, "orvane: option Search: weak is not one of Classic, Strong\n");
}
