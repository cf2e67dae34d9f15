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
// as with Search set to Strong, node for node; Classic searches otherwise.
TEST(SessionSearch, UciStartsWithTheStrongSearch) {
    const shown_search plain = uci_depth_five("");
    const shown_search strong = uci_depth_five("setoption name Search value Strong\n");
    const shown_search classic = uci_depth_five("setoption name Search value Classic\n");
    EXPECT_EQ(plain.search_line, UCI_STRONG);
    ASSERT_FALSE(plain.nodes.empty());
    ASSERT_FALSE(classic.nodes.empty());
    EXPECT_EQ(plain.nodes, strong.nodes);
    EXPECT_NE(plain.nodes, classic.nodes);
    // The classic search's count is the console's (noclocks depth 5 from the start).
    EXPECT_EQ(classic.nodes, logged_nodes(run_session("noclocks depth 5 lognodes go quit\n")));
}

// A search named before the handshake is kept: orvane.ini with the console
// word or the option, which run before "uci" is read.
TEST(SessionSearch, UciKeepsASearchNamedBeforeTheHandshake) {
    const shown_search classic = uci_depth_five("setoption name Search value Classic\n");
    for (const std::string ini : {"classicsearch\nend\n", "option Search=Classic\nend\n"}) {
        session_options o;
        o.files["orvane.ini"] = ini;
        const shown_search named = uci_depth_five("", o);
        EXPECT_EQ(named.search_line, UCI_CLASSIC) << ini;
        EXPECT_EQ(named.nodes, classic.nodes) << ini;
    }
}

// "protover 2" under xboard: the handshake shows Strong and the strong
// search thinks; a search named before it, by the console word, the option
// or orvane.ini, or after it, is the one that thinks.
TEST(SessionSearch, XboardProtocolTwoStartsWithTheStrongSearch) {
    const shown_search plain = xboard_ply_four("", "");
    const shown_search strong = xboard_ply_four("", "option Search=Strong\n");
    const shown_search classic = xboard_ply_four("", "option Search=Classic\n");
    EXPECT_EQ(plain.search_line, XBOARD_STRONG);
    ASSERT_FALSE(plain.nodes.empty());
    ASSERT_FALSE(classic.nodes.empty());
    EXPECT_EQ(plain.nodes, strong.nodes);
    EXPECT_NE(plain.nodes, classic.nodes);
    // The classic count is depth 4's from the start with nothing cut.
    EXPECT_EQ(classic.nodes, "7324");

    for (const std::string before : {"classicsearch\n", "option Search=Classic\n"}) {
        const shown_search named = xboard_ply_four(before, "");
        EXPECT_EQ(named.search_line, XBOARD_CLASSIC) << before;
        EXPECT_EQ(named.nodes, classic.nodes) << before;
    }
    session_options o;
    o.files["orvane.ini"] = "classicsearch\nend\n";
    const shown_search from_file = xboard_ply_four("", "", o);
    EXPECT_EQ(from_file.search_line, XBOARD_CLASSIC);
    EXPECT_EQ(from_file.nodes, classic.nodes);
    // Named strong at the console, then classic after the handshake: classic.
    EXPECT_EQ(xboard_ply_four("strongsearch\n", "classicsearch\n").nodes, classic.nodes);
}

// The console and the old xboard subset (no "protover") keep the classic
// search: depth 4 from the start searches 7324 nodes with nothing cut.
// "protover" typed at the console, before "xboard", changes nothing.  The
// strong search's count differs, so the count tells the searches apart.
TEST(SessionSearch, ConsoleAndOldSubsetKeepTheClassicSearch) {
    const std::string turn = "noclocks depth 4 lognodes go quit\n";
    EXPECT_EQ(logged_nodes(run_session(turn)), "7324");
    EXPECT_EQ(logged_nodes(run_session("xboard\n" + turn)), "7324");
    EXPECT_EQ(logged_nodes(run_session("xboard new force e2e4 e7e5 new level 40 5 0\n" + turn)), "7324");
    const session_result console_protover = run_session("protover 2\n" + turn);
    EXPECT_EQ(logged_nodes(console_protover), "7324");
    EXPECT_NE(console_protover.out.find(XBOARD_CLASSIC), std::string::npos);
    const std::string strong = logged_nodes(run_session("strongsearch\n" + turn));
    ASSERT_FALSE(strong.empty());
    EXPECT_NE(strong, "7324");
}

// The hint comes from the search that plays: the strong one (by default
// under protocol 2, by "strongsearch", or playing a level) finds the mate
// in three; the classic one (the console, the old subset, Search set to
// Classic) suggests winning the queen.
TEST(SessionSearch, HintComesFromTheSearchThatPlays) {
    const std::string position = std::string("setboard ") + SMOTHERED_IN_THREE + "\nhint\nquit\n";
    EXPECT_EQ(hints(run_session("xboard\nprotover 2\n" + position).out), std::vector<std::string>{"f7h6"});
    EXPECT_EQ(hints(run_session("strongsearch\n" + position).out), std::vector<std::string>{"Nh6+"});
    EXPECT_EQ(hints(run_session("elo 1200\n" + position).out), std::vector<std::string>{"Nh6+"});
    EXPECT_EQ(hints(run_session(position).out), std::vector<std::string>{"Nxd8+"});
    EXPECT_EQ(hints(run_session("xboard\n" + position).out), std::vector<std::string>{"f7d8"});
    EXPECT_EQ(hints(run_session("xboard\nprotover 2\noption Search=Classic\n" + position).out),
              std::vector<std::string>{"f7d8"});
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

// A set-up position may bring a half-move clock of INT32_MAX; the strong
// search, now a protocol-2 GUI's, counts on from it ply by ply (under the
// sanitizers an overflow there ends the program).  The draw is claimed, and
// "go" and "hint" still answer with legal moves.
TEST(SessionSearch, StrongSearchTakesAHalfMoveClockOfAnyCount) {
    const session_result r = run_session(
        "xboard\nprotover 2\nforce\nsetboard 4k3/8/8/8/8/8/4P3/4K2R w K - 2147483647 1\nh1h2\ne8d7\nsd 2\ngo\n"
        "hint\nping 1\nquit\n");
    EXPECT_EQ(r.exit_code, 0);
    std::vector<std::string> answers;
    for (const std::string& line : lines_of(r.out))
        if (line.rfind("move ", 0) == 0 || line.rfind("Hint: ", 0) == 0 || line.rfind("pong", 0) == 0 ||
            line.rfind("1/2-1/2", 0) == 0)
            answers.push_back(line);
    ASSERT_EQ(answers.size(), 4u) << r.out;
    EXPECT_EQ(answers[0], "1/2-1/2 {Draw by 50 move rule}");
    // White's fifteen moves (king e1, pawn e2, rook h2; black's king on d7
    // guards none of the squares); black has only the king.
    const std::vector<std::string> white = {
        "move e1d1", "move e1d2", "move e1f1", "move e1f2", "move e2e3", "move e2e4", "move h2h1", "move h2h3",
        "move h2h4", "move h2h5", "move h2h6", "move h2h7", "move h2h8", "move h2g2", "move h2f2"};
    EXPECT_NE(std::find(white.begin(), white.end(), answers[1]), white.end()) << answers[1];
    EXPECT_EQ(answers[2].rfind("Hint: d7", 0), 0u) << answers[2];
    EXPECT_EQ(answers[3], "pong 1");
}

// UCI: option names and values in any case of letters; a value that is no
// label is still refused, in the case it was sent.
TEST(SessionSearch, UciOptionNamesAndValuesInAnyCase) {
    const session_result r = run_session(
        "uci\nsetoption name search value classic\nsetoption name NULL MOVE value TRUE\n"
        "setoption name emotion value fewer MEN\nsetoption name uci_elo value 1500\nsetoption name CLEAR HASH\n"
        "setoption name multipv value 2\nsetoption name Search value weak\nuci\nquit\n");
    std::vector<std::string> told, second;
    int handshakes = 0;
    for (const std::string& line : lines_of(r.out)) {
        if (line.rfind("info string", 0) == 0) told.push_back(line);
        if (line.rfind("id name", 0) == 0) ++handshakes;
        if (handshakes == 2 && line.rfind("option name ", 0) == 0) second.push_back(line);
    }
    EXPECT_EQ(told, std::vector<std::string>{"info string 'weak' is no value for Search; nothing changed"});
    const std::vector<std::string> expected = {
        UCI_CLASSIC,
        "option name Null move type check default true",
        "option name Emotion type combo default Fewer men var More men var Neutral var Fewer men",
        "option name UCI_Elo type spin default 1500 min 1200 max 2100",
        "option name MultiPV type spin default 2 min 1 max 64",
    };
    for (const std::string& line : expected)
        EXPECT_NE(std::find(second.begin(), second.end(), line), second.end()) << line;
}

// xboard: option names (either form) and combo labels in any case; a bare
// button too.
TEST(SessionSearch, XboardOptionNamesAndValuesInAnyCase) {
    const session_result r = run_session(
        "xboard\nprotover 2\noption search=CLASSIC\noption NULLMOVE=1\noption clearhash\noption uci_elo=1500\n"
        "option Search=weak\noption HASH=8\nprotover 2\nquit\n");
    // The option lines of the second handshake.
    std::vector<std::string> second;
    int handshakes = 0;
    for (const std::string& line : lines_of(r.out)) {
        if (line.rfind("feature myname=", 0) == 0) ++handshakes;
        if (handshakes == 2 && line.rfind("feature option=", 0) == 0) second.push_back(line);
    }
    for (const std::string& line : {XBOARD_CLASSIC, std::string("feature option=\"NullMove -check 1\""),
                                    std::string("feature option=\"UCI_Elo -spin 1500 1200 2100\""),
                                    std::string("feature option=\"Hash -spin 8 1 1024\"")})
        EXPECT_NE(std::find(second.begin(), second.end(), line), second.end()) << line << "\n" << r.out;
    EXPECT_EQ(r.err, "orvane: option Search: weak is not one of Classic, Strong\n");
}
