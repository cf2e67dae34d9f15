// Pondering under xboard ("hard"), driven line by line as xboard drives it:
// after its move the engine thinks on the reply it expects; that reply is
// answered from the same search, any other line ends it and is read as if
// the engine had waited.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rules_test_util.h"
#include "session_text.h"
#include "session_util.h"
#include "time_margin.h"

using namespace session;
using steady = std::chrono::steady_clock;

namespace {
const std::string START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const std::string GUI_START = "xboard\nprotover 2\naccepted done\nnew\npost\n";

// The moves of a thinking line "ply score time nodes\tpv".
std::vector<std::string> pv_of(const std::string& line) {
    std::vector<std::string> moves;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) return moves;
    std::string rest = line.substr(tab + 1) + " ";
    for (size_t at = 0, end; (end = rest.find(' ', at)) != std::string::npos; at = end + 1)
        if (end > at) moves.push_back(rest.substr(at, end - at));
    return moves;
}
int ply_of(const std::string& line) { return std::atoi(line.c_str()); }
bool is_thinking(const std::string& line) { return !line.empty() && line[0] >= '1' && line[0] <= '9'; }

struct gui {
    // An engine that dies must fail the test with what it printed, not end
    // the test program with a broken pipe.
    gui() { ::signal(SIGPIPE, SIG_IGN); }
    live_session live;
    size_t seen = START_OUTPUT.size();
    std::vector<std::string> passed;
    steady::time_point sent;
    void send(const std::string& text) {
        live.send(text);
        sent = steady::now();
    }
    std::string next(const std::string& prefix, int timeout_ms = 20000) {
        return next_line_with(live, seen, passed, prefix, timeout_ms);
    }
    // The engine's next move, and the thinking lines shown for it.
    std::string move(std::vector<std::string>& thinking, int timeout_ms = 20000) {
        const std::string line = next("move ", timeout_ms);
        thinking.clear();
        for (const std::string& l : passed)
            if (is_thinking(l)) thinking.push_back(l);
        return line.empty() ? line : line.substr(5);
    }
    // The lines printed since the last next(), complete ones only.
    std::vector<std::string> lines_so_far() const {
        std::vector<std::string> lines;
        const std::string out = live.output();
        for (size_t at = seen, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(out.substr(at, end - at));
        return lines;
    }
    // The end of what the engine printed, and its error output: for a
    // failure's message.
    std::string tail() const {
        const std::string out = live.output();
        return "\n--- last output ---\n" + out.substr(out.size() > 1500 ? out.size() - 1500 : 0) +
               "\n--- error output ---\n" + live.error_output();
    }
    long ms() const { return std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - sent).count(); }
};

// The engine's first move as White and the reply it expects (the second
// move of the played move's line), after a search of st seconds.
struct first_turn {
    std::string played, expected;
};
first_turn play_first(gui& g, const std::string& ponder_word, const std::string& clock) {
    g.send(GUI_START + ponder_word + "\n" + clock + "\ngo\n");
    std::vector<std::string> thinking;
    first_turn t;
    t.played = g.move(thinking);
    EXPECT_FALSE(thinking.empty());
    if (thinking.empty()) return t;
    const std::vector<std::string> line = pv_of(thinking.back());
    EXPECT_GE(line.size(), 2u) << thinking.back();
    EXPECT_EQ(line.empty() ? "" : line[0], t.played) << "the last line is the played move's";
    if (line.size() >= 2) t.expected = line[1];
    return t;
}
}  // namespace

int status_depth(const std::string& stat) {
    int time = 0, depth = 0;
    unsigned long long nodes = 0;
    return std::sscanf(stat.c_str(), "stat01: %d %llu %d", &time, &nodes, &depth) == 3 ? depth : -1;
}

// "." while pondering gets the status line of the search on the opponent's
// time ("stat01: time nodes depth left total move"), and is otherwise
// ignored.  Asked again until the pondering search reports depth (or more);
// the status line then, "" when none did within the time that only keeps a
// broken engine from hanging the test (well inside the session's own limit,
// so that the failure is reported with the engine's output).
std::string ponder_status(gui& g, int depth = 0) {
    std::string stat;
    for (const steady::time_point end = steady::now() + std::chrono::seconds(20); steady::now() < end;) {
        g.send(".\n");
        stat = g.next("stat01:", 200);
        if (!stat.empty() && status_depth(stat) >= depth) return stat;
    }
    return stat;
}

// Whether the engine is pondering: "." then "ping"; a status line comes
// before the pong only from a pondering search.  (The ping ends the ponder.)
bool pondering(gui& g) {
    g.send(".\nping 99\n");
    if (g.next("pong 99").empty()) return false;
    for (const std::string& l : g.passed)
        if (l.rfind("stat01:", 0) == 0) return true;
    return false;
}

// The expected reply comes after the engine has pondered for a while: the
// search goes on from the depth it reached (no new first iteration), the
// answer comes within the fixed time a move, and the last line is the
// answer's.  While pondering nothing is printed: a GUI would read the lines
// as thoughts on the position it shows.
TEST(XboardPonder, TheExpectedReplyIsAnsweredFromThePonderingSearch) {
    gui g;
    const first_turn t = play_first(g, "hard", "st 2");
    ASSERT_TRUE(legal(START, {t.played, t.expected}));
    const std::string stat = ponder_status(g, 3);
    const int depth_reached = status_depth(stat);
    ASSERT_GE(depth_reached, 3) << "no pondering search: '" << stat << "'" << g.tail();
    for (const std::string& l : g.passed) EXPECT_FALSE(is_thinking(l)) << "printed while pondering: " << l;

    g.send("time 30000\notim 30000\n" + t.expected + "\n");
    std::vector<std::string> thinking;
    const std::string answer = g.move(thinking, 10000);
    const long ms = g.ms();
    EXPECT_TRUE(legal(START, {t.played, t.expected, answer}));
    ASSERT_FALSE(thinking.empty()) << "no line for the answer";
    for (const std::string& l : thinking) EXPECT_GE(ply_of(l), depth_reached - 1) << "a new search: " << l;
    EXPECT_EQ(pv_of(thinking.back())[0], answer);
    EXPECT_LT(ms, 2000 + time_margin::scaled_ms(1500)) << "st 2 holds from the reply on";
    std::printf("[ measured ] answer %ld ms after the expected reply, at depth %d (%d while pondering)\n", ms,
                ply_of(thinking.back()), depth_reached);
    g.send("quit\n");
    EXPECT_EQ(g.live.finish(10000).exit_code, 0);
}

// Another reply ends the pondering: the classic engine thinks afresh on the
// real position, exactly as without pondering (the same lines, node for
// node).  (The strong search keeps what its table learnt while pondering.)
TEST(XboardPonder, AnotherReplyIsThoughtAfreshAsWithoutPondering) {
    const std::string clock = "option Search=Classic\nsd 5";
    gui easy;
    const first_turn e = play_first(easy, "easy", clock);
    gui hard;
    const first_turn h = play_first(hard, "hard", clock);
    ASSERT_EQ(e.played, h.played) << "the first searches are the same";
    ASSERT_TRUE(legal(START, {h.played, h.expected}));
    // A reply other than the expected one, the first of a2a3, h7h6, a7a6.
    std::string other = "h7h6";
    if (h.expected == other) other = "a7a6";
    ASSERT_FALSE(ponder_status(hard).empty()) << "the hard engine ponders" << hard.tail();
    std::vector<std::string> easy_lines, hard_lines;
    easy.send(other + "\n");
    const std::string easy_answer = easy.move(easy_lines);
    hard.send(other + "\n");
    const std::string hard_answer = hard.move(hard_lines);
    EXPECT_TRUE(legal(START, {h.played, other, hard_answer}));
    auto without_time = [](std::vector<std::string> lines) {
        for (std::string& l : lines) {
            // ply score time nodes [seldepth nps]: the time (centiseconds)
            // and the speed differ from run to run.
            const size_t a = l.find(' '), b = l.find(' ', a + 1), c = l.find(' ', b + 1);
            const size_t d = l.find(' ', c + 1), tab = l.find('\t');
            l = l.substr(0, b) + l.substr(c, d - c) + l.substr(tab);
        }
        return lines;
    };
    EXPECT_EQ(without_time(hard_lines), without_time(easy_lines));
    for (gui* g : {&easy, &hard}) {
        g->send("quit\n");
        EXPECT_EQ(g->live.finish(10000).exit_code, 0);
    }
}

// Lines other than the reply end the pondering at once and are then read as
// usual: ping is answered, the position is still the GUI's (the reply is
// then played and answered), and quit and the end of the input end the
// program promptly.
TEST(XboardPonder, OtherLinesEndPonderingAndFindTheGamesPosition) {
    gui g;
    const first_turn t = play_first(g, "hard", "st 1");
    ASSERT_TRUE(legal(START, {t.played, t.expected}));
    ASSERT_FALSE(ponder_status(g).empty()) << g.tail();
    g.send("ping 7\n");
    EXPECT_EQ(g.next("pong", 2000), "pong 7");
    const long pong_ms = g.ms();
    g.send("force\n" + t.expected + "\nsd 2\ngo\n");
    std::vector<std::string> thinking;
    const std::string answer = g.move(thinking);
    EXPECT_TRUE(legal(START, {t.played, t.expected, answer})) << "the reply was played once, on the game's position";
    // In force mode nothing ponders; after go it does again, until quit.
    EXPECT_FALSE(ponder_status(g).empty()) << g.tail();
    g.send("quit\n");
    const session_result r = g.live.finish(5000);
    const long quit_ms = g.ms();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_LT(pong_ms, time_margin::scaled_ms(1000));
    EXPECT_LT(quit_ms, time_margin::scaled_ms(2000));

    gui h;
    play_first(h, "hard", "st 1");
    ASSERT_FALSE(ponder_status(h).empty()) << h.tail();
    const steady::time_point closing = steady::now();
    h.live.close_input();
    const session_result closed = h.live.finish(5000);
    const long end_ms = std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - closing).count();
    EXPECT_EQ(closed.exit_code, 0);
    EXPECT_LT(end_ms, time_margin::scaled_ms(2000)) << "the end of the input ends the pondering";
    std::printf("[ measured ] pong %ld ms, quit %ld ms, end of input %ld ms into a ponder\n", pong_ms, quit_ms, end_ms);
}

// A status request or the GUI's clock, come before the engine's move went
// out (here all in one piece with the go), is taken by the ponder that
// follows rather than keeping it from starting.
TEST(XboardPonder, LinesAPonderTakesMayComeBeforeItStarts) {
    gui g;
    g.send(GUI_START + "hard\nsd 3\ngo\ntime 3000\n.\notim 3000\n");
    ASSERT_FALSE(g.next("move ").empty()) << g.tail();
    EXPECT_FALSE(g.next("stat01:").empty()) << "the status line of the ponder" << g.tail();
    EXPECT_TRUE(pondering(g)) << g.tail();
    g.send("quit\n");
    EXPECT_EQ(g.live.finish(5000).exit_code, 0);
}

// Pondering is off until the GUI asks for it ("hard", or the Ponder option),
// and "easy" turns it off again: no search runs until the opponent moves.
TEST(XboardPonder, OnlyWhenTheGuiAsksForIt) {
    const struct {
        std::string words;
        bool ponders;
    } cases[] = {{"st 1", false}, {"hard\neasy\nst 1", false}, {"option Ponder=1\nst 1", true}, {"hard\nst 1", true}};
    for (const auto& c : cases) {
        gui g;
        g.send(GUI_START + c.words + "\ngo\n");
        ASSERT_FALSE(g.next("move ").empty()) << c.words;
        // A ping sent as the move arrives may come before the ponder starts
        // (and then rightly keeps it from starting): the pondering engine is
        // asked until it answers.
        if (c.ponders)
            EXPECT_FALSE(ponder_status(g).empty()) << c.words << g.tail();
        else
            EXPECT_FALSE(pondering(g)) << c.words;
        g.send("quit\n");
        EXPECT_EQ(g.live.finish(5000).exit_code, 0);
    }
}
