// Whole UCI sessions over pipes, driven a line at a time as a UCI GUI drives
// the program: the handshake, isready and stop while thinking, go with a depth,
// a fixed time or the clock, refused positions, a side without a move, the
// options and the book.  Every timed check prints what it measured.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>
#include <set>
#include <initializer_list>
#include <string>
#include <vector>

#include "session_text.h"
#include "session_util.h"
#include "time_margin.h"

using namespace session;

namespace {

// The move of a "bestmove MOVE [ponder REPLY]" line.
std::string played(const std::string& line) {
    const std::string rest = line.substr(9);
    return rest.substr(0, rest.find(' '));
}

using steady = std::chrono::steady_clock;
const char* const ITALIAN = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
// Black mates at once with Qh4 (d8h4), White with Ra8 (a1a8): no other move mates.
const char* const FOOLS_MATE = "position startpos moves f2f3 e7e5 g2g4";
const char* const BACK_RANK = "position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1";
constexpr size_t BOOK_SIZE = 1051656;
constexpr int LOADED_MACHINE_MS = time_margin::scaled_ms(1000);  // isready and stop answered within this
constexpr int CLOCK_MARGIN_MS = time_margin::scaled_ms(400);  // past the hard limit, for a loaded machine

// The twenty first moves of a side: each pawn one or two steps, each knight to its two squares.
std::set<std::string> first_moves(bool white) {
    std::set<std::string> moves;
    const char pawns = white ? '2' : '7', one = white ? '3' : '6', two = white ? '4' : '5',
               home = white ? '1' : '8';
    for (char f = 'a'; f <= 'h'; ++f) {
        moves.insert({f, pawns, f, one});
        moves.insert({f, pawns, f, two});
    }
    for (const char* k : {"ba", "bc", "gf", "gh"}) moves.insert({k[0], home, k[1], one});
    return moves;
}

// The 33 legal moves of White in ITALIAN, counted by hand: pawns, knights, the bishop, the rest.
const std::set<std::string> ITALIAN_MOVES = {
    "a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "d2d3", "d2d4", "g2g3", "g2g4", "h2h3", "h2h4",
    "b1a3", "b1c3", "f3d4", "f3e5", "f3g5", "f3h4", "f3g1", "c4b3", "c4b5", "c4a6", "c4d3",
    "c4e2", "c4f1", "c4d5", "c4e6", "c4f7", "d1e2", "e1e2", "e1f1", "e1g1", "h1f1", "h1g1"};

int ms_since(steady::time_point t) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - t).count());
}

// The program as a UCI GUI drives it.  The banner and the diagram come before
// it reads a word; a GUI skips them, and so does this one.
struct uci_gui {
    live_session live;
    size_t seen = START_OUTPUT.size();
    std::vector<std::string> passed;  // the lines the last next() went past
    steady::time_point sent_at;
    explicit uci_gui(const session_options& options = {}) : live(options) { ::signal(SIGPIPE, SIG_IGN); }
    // The handshake; with search, the Search option set to it afterwards.
    bool handshake(const std::string& search = "") {
        send("uci");
        if (next("uciok").empty()) return false;
        if (!search.empty()) send("setoption name Search value " + search);
        return true;
    }
    void send(const std::string& line) {
        sent_at = steady::now();
        live.send(line + "\n");
    }
    // The next line that begins with prefix; "" when none comes in time.
    std::string next(const std::string& prefix, int timeout_ms = 30000) {
        const auto deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
        do {
            const std::string out = live.output();
            passed.clear();
            for (size_t at = seen, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
                const std::string line = out.substr(at, end - at);
                if (line.rfind(prefix, 0) == 0) {
                    seen = end + 1;
                    return line;
                }
                passed.push_back(line);
            }
            ::usleep(1000);
        } while (steady::now() < deadline);
        return "";
    }
    // Sends lines, then isready: whether readyok comes after them.
    bool ready_after(std::initializer_list<std::string> lines) {
        for (const std::string& line : lines) send(line);
        send("isready");
        return !next("readyok").empty();
    }
    std::string bestmove(const std::string& go) {
        send(go);
        const std::string line = next("bestmove ");
        return line.empty() ? "(none)" : played(line);
    }
    // The lines a command prints, up to the readyok of an isready sent after it.
    std::vector<std::string> answer_to(const std::string& command) {
        send(command);
        send("isready");
        next("readyok");
        return passed;
    }
    bool answered() const { return live.output().find("bestmove", seen) != std::string::npos; }
};

// The number in the log's last "nodes N" line (lognodes), -1 without one.
long long logged_nodes(const std::string& log) {
    const size_t at = log.rfind("\nnodes ");
    return at == std::string::npos ? -1 : std::stoll(log.substr(at + 7));
}

// The classic search's hard limit of a go with the clock: the time left
// less the overhead, an even share of it over the moves to go (30 and one
// in hand in sudden death) plus 3/4 of the increment, at most half of it,
// and the limit three shares or all that is left.
long long hard_limit(long long time, long long inc, long long movestogo, long long overhead) {
    const long long left = time - overhead;
    const long long to_go = movestogo > 0 ? movestogo : 30;
    long long share = left / (to_go + 1) + inc * 3 / 4;
    if (to_go > 1 && share > left / 2) share = left / 2;
    return 3 * share < left ? 3 * share : left;
}

TEST(UciSession, HandshakeNamesTheEngineAndOffersItsOptions) {
    const session_result r = run_session("uci\nisready\nquit\n");
    EXPECT_EQ(r.out,
              START_OUTPUT +
                  "id name Orvane 1.25\n"
                  "id author Quenwick\n"
                  "option name Evaluation type spin default 2 min 0 max 3\n"
                  "option name Null move type check default false\n"
                  "option name Move-count cutting type check default false\n"
                  "option name Capture extension type check default false\n"
                  "option name Emotion type combo default Neutral var More men var Neutral var Fewer men\n"
                  "option name Learning book type check default true\noption name Log node counts type check default false\n"
                  "option name Move Overhead type spin default 50 min 0 max 5000\n"
                  "option name MultiPV type spin default 1 min 1 max 64\noption name Ponder type check default false\n"
                  "option name Search type combo default Strong var Classic var Strong\n"
                  "option name Hash type spin default 16 min 1 max 1024\n"
                  "option name Threads type spin default 1 min 1 max 64\n"
                  "option name UCI_LimitStrength type check default false\n"
                  "option name UCI_Elo type spin default 1600 min 1200 max 2100\n"
                  "option name Clear Hash type button\n"
                  "option name UCI_Chess960 type check default false\n"
                  "option name SyzygyPath type string default <empty>\n"
                  "option name SyzygyProbeDepth type spin default 1 min 1 max 100\n"
                  "option name Syzygy50MoveRule type check default true\n"
                  "option name SyzygyProbeLimit type spin default 7 min 0 max 7\n"
                  "uciok\n"
                  "readyok\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
}

TEST(UciSession, IsreadyAndStopAreAnsweredWhileThinking) {
    uci_gui gui;
    // The classic search: its iteration of a side without a move (below) is
    // the sign that the search has ended by itself.
    ASSERT_TRUE(gui.handshake("Classic"));
    gui.send("isready");
    ASSERT_NE(gui.next("readyok"), "");
    const int idle_ready = ms_since(gui.sent_at);

    // Stopped in the middle of a long iteration: depth 7 of the start takes seconds.
    gui.send("position startpos");
    gui.send("go infinite");
    ASSERT_NE(gui.next("info depth 6 "), "");
    gui.send("isready");
    ASSERT_NE(gui.next("readyok"), "");
    const int busy_ready = ms_since(gui.sent_at);
    EXPECT_FALSE(gui.answered()) << "an infinite search answers only after stop";
    gui.send("stop");
    const std::string best = gui.next("bestmove ");
    const int stop_delay = ms_since(gui.sent_at);
    EXPECT_EQ(first_moves(true).count(played(best)), 1u) << best;

    // A side without a move: the search ends by itself, the answer still waits for stop.
    gui.send(std::string(FOOLS_MATE) + " d8h4");
    gui.send("go infinite");
    // Its last iteration (the depth cap, 64) is the search ending by itself.
    ASSERT_NE(gui.next("info depth 64 "), "");
    gui.send("isready");
    ASSERT_NE(gui.next("readyok"), "");
    const int waiting_ready = ms_since(gui.sent_at);
    EXPECT_FALSE(gui.answered());
    gui.send("stop");
    EXPECT_EQ(gui.next("bestmove "), "bestmove 0000");
    const int mated_stop_delay = ms_since(gui.sent_at);

    gui.send("quit");
    const session_result r = gui.live.finish(10000);
    EXPECT_EQ(r.exit_code, 0);
    std::size_t answers = 0;
    for (size_t at = 0; (at = r.out.find("bestmove", at)) != std::string::npos; ++at) ++answers;
    EXPECT_EQ(answers, 2u) << "one bestmove per go";
    std::cout << "measured: readyok idle " << idle_ready << " ms, while searching " << busy_ready
              << " ms, while waiting for stop " << waiting_ready << " ms; stop to bestmove " << stop_delay
              << " ms (mid-iteration), " << mated_stop_delay << " ms (no move)\n";
    for (const int ms : {idle_ready, busy_ready, waiting_ready, stop_delay, mated_stop_delay})
        EXPECT_LT(ms, LOADED_MACHINE_MS);
}

// Every thread of the strong search ends with its search: a stop brings
// the bestmove at once however many threads think, a new size of the table
// or a new count of threads is ready by the readyok after it, and a quit in
// the middle of a search ends the program.
TEST(UciSession, ThreadedSearchesEndWithStopAndQuit) {
    uci_gui gui;
    ASSERT_TRUE(gui.handshake());
    ASSERT_TRUE(gui.ready_after({"setoption name Threads value 4", "position startpos"}));
    gui.send("go infinite");
    ASSERT_NE(gui.next("info depth 8 "), "");
    gui.send("stop");
    const std::string best = gui.next("bestmove ", LOADED_MACHINE_MS);
    EXPECT_EQ(first_moves(true).count(played(best)), 1u) << best;

    ASSERT_TRUE(gui.ready_after({"setoption name Hash value 2", "setoption name Threads value 3"}));
    gui.send("go infinite");
    ASSERT_NE(gui.next("info depth 6 "), "");
    gui.send("quit");
    const session_result r = gui.live.finish(LOADED_MACHINE_MS);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
}

// polyglot's epd-test ends each position with "stop", "ucinewgame" and
// "isready" in one write: the readyok belongs after the bestmove the stop
// asks for, and the next position's search starts from its own go.
TEST(UciSession, LinesAfterAStopWaitForItsBestmove) {
    uci_gui gui;
    ASSERT_TRUE(gui.handshake());
    gui.send("position startpos");
    gui.send("go infinite");
    ASSERT_NE(gui.next("info depth 4 "), "");
    gui.live.send("stop\nucinewgame\nisready\n" + std::string(BACK_RANK) + "\ngo depth 2\nisready\n");
    const std::string first = gui.next("bestmove ");
    ASSERT_NE(first, "");
    for (const std::string& line : gui.passed) EXPECT_NE(line, "readyok") << "readyok before the stop's bestmove";
    EXPECT_NE(gui.next("readyok"), "");
    EXPECT_EQ(gui.next("bestmove "), "bestmove a1a8");
    gui.send("quit");
    const session_result r = gui.live.finish(10000);
    EXPECT_EQ(r.exit_code, 0);
}

// "go depth N" alone is the console's "noclocks depth N ... go": the same
// search, node for node, with each option set the console's way (the
// classic search chosen, as the console has it).
TEST(UciSession, GoDepthIsTheConsolesFixedDepthSearch) {
    struct search_case {
        std::string setoption, console_words, fen;  // fen "": the start position
        int depth;
        bool changes_count = true;  // false: a fixed depth leaves the option off, as at the console
    };
    const std::vector<search_case> cases = {
        {"", "", "", 5},
        {"", "", ITALIAN, 5},
        {"Evaluation value 0", "advancelevel 0", ITALIAN, 5},
        {"Emotion value Fewer men", "emotion 1", ITALIAN, 5},
        {"Emotion value More men", "emotion -1", ITALIAN, 5},
        {"", "", ITALIAN, 3},
        {"Capture extension value true", "advancedsearchingon", ITALIAN, 3},
        {"Null move value true", "donullmove", ITALIAN, 5, false},
        {"Move-count cutting value true", "docutting", ITALIAN, 5, false},
    };
    std::map<std::string, long long> plain;  // the default settings' count by position and depth
    for (const search_case& c : cases) {
        SCOPED_TRACE(c.setoption + " / " + c.fen + " depth " + std::to_string(c.depth));
        session_options uci_options;
        uci_options.files["orvane.ini"] = "lognodes end\n";
        uci_gui gui(uci_options);
        ASSERT_TRUE(gui.handshake("Classic"));
        if (!c.setoption.empty()) gui.send("setoption name " + c.setoption);
        gui.send(c.fen.empty() ? "position startpos" : "position fen " + c.fen);
        const std::string best = gui.bestmove("go depth " + std::to_string(c.depth));
        gui.send("quit");
        const long long uci_nodes = logged_nodes(gui.live.finish(10000).file("orvane.log"));
        EXPECT_EQ((c.fen.empty() ? first_moves(true) : ITALIAN_MOVES).count(best), 1u) << best;

        live_session console;
        console.send("noclocks depth " + std::to_string(c.depth) + " lognodes " + c.console_words + "\n" +
                     (c.fen.empty() ? "" : "setboard " + c.fen + "\n") + "go\n");
        const auto deadline = steady::now() + std::chrono::seconds(30);
        while (read_file(console.directory() / "orvane.log").find("\nnodes ") == std::string::npos &&
               steady::now() < deadline)
            ::usleep(2000);
        console.send("quit\n");
        const long long console_nodes = logged_nodes(console.finish(10000).file("orvane.log"));
        ASSERT_GT(console_nodes, 0);
        EXPECT_EQ(uci_nodes, console_nodes);

        const std::string key = c.fen + " " + std::to_string(c.depth);
        if (c.setoption.empty()) plain[key] = console_nodes;
        EXPECT_EQ(console_nodes != plain.at(key), !c.setoption.empty() && c.changes_count);
    }
}

// Each go with a clock is answered within its hard limit (a margin for a
// loaded machine): the classic plan's, and for the strong search half of
// what is left, the most its plan ever takes.
TEST(UciSession, ClockedGoAnswersWithinTheHardLimit) {
    struct clock_case {
        int overhead;
        char where;  // 'w': the start; 'b': Black after e2e4; 'i': ITALIAN, Capture extension on
        long long own_time, inc, movestogo, movetime;
        std::string go;
    };
    const std::vector<clock_case> cases = {
        {50, 'w', 0, 0, 0, 500, "go movetime 500"},
        {50, 'i', 0, 0, 0, 500, "go movetime 500"},
        {50, 'i', 0, 0, 0, 3000, "go movetime 3000"},  // depth 4, a second or more, fits in or is cut
        {50, 'i', 2000, 0, 0, 0, "go wtime 2000 btime 600000"},  // Black's time would allow depth 4
        {50, 'b', 3000, 100, 0, 0, "go wtime 600000 btime 3000 winc 0 binc 100"},
        {50, 'w', 5000, 0, 3, 0, "go wtime 5000 btime 5000 movestogo 3"},
        {50, 'b', 1000, 0, 1, 0, "go wtime 1000 btime 1000 movestogo 1"},
        {50, 'b', 60000, 1000, 40, 0, "go wtime 60000 btime 60000 winc 1000 binc 1000 movestogo 40"},
        {300, 'i', 1000, 0, 0, 0, "go wtime 1000 btime 1000"},
        {4900, 'i', 0, 0, 0, 5000, "go movetime 5000"},  // 100 ms left: no time for depth 4
    };
    for (const std::string search : {"Classic", "Strong"}) {
        uci_gui gui;
        ASSERT_TRUE(gui.handshake(search));
        const bool strong = search == "Strong";
        int worst = -1000000;
        for (const clock_case& c : cases) {
            SCOPED_TRACE(search + ": " + c.go + " with Move Overhead " + std::to_string(c.overhead));
            gui.send("setoption name Move Overhead value " + std::to_string(c.overhead));
            gui.send(std::string("setoption name Capture extension value ") +
                     (c.where == 'i' ? "true" : "false"));
            gui.send(c.where == 'i' ? std::string("position fen ") + ITALIAN
                                    : (c.where == 'b' ? "position startpos moves e2e4" : "position startpos"));
            const long long limit = c.movetime > 0 ? c.movetime - c.overhead
                                    : strong       ? (c.own_time - c.overhead) / 2
                                                   : hard_limit(c.own_time, c.inc, c.movestogo, c.overhead);
            const std::string best = gui.bestmove(c.go);
            const int took = ms_since(gui.sent_at);
            std::cout << "measured: " << search << ", " << c.go << " (overhead " << c.overhead << "): " << took
                      << " ms, hard limit " << limit << " ms, past it " << took - limit << " ms\n";
            if (took - limit > worst) worst = static_cast<int>(took - limit);
            EXPECT_EQ((c.where == 'i' ? ITALIAN_MOVES : first_moves(c.where == 'w')).count(best), 1u) << best;
            EXPECT_LE(took, limit + CLOCK_MARGIN_MS);
            if (c.own_time > 0) {
                // A sanitizer's slower nodes stretch the time between two
                // looks at the clock: its build gets that much more room.
                EXPECT_LT(took, c.own_time / 2 + time_margin::scaled_ms(100) - 100) << "well within the time left";
            }
        }
        std::cout << "measured: " << search << ", largest answer time past the hard limit " << worst << " ms\n";
    }
}

// A refused "position" says why in an info string and keeps the last good
// one; each position here has one mating move, so the answer shows which.
TEST(UciSession, RefusedPositionsKeepTheLastGoodOneAndNoMoveIsAnswered) {
    uci_gui gui;
    ASSERT_TRUE(gui.handshake());
    for (const auto& [good, mate] : {std::pair{FOOLS_MATE, "d8h4"}, std::pair{BACK_RANK, "a1a8"}}) {
        SCOPED_TRACE(good);
        EXPECT_EQ(gui.answer_to(good), std::vector<std::string>{});
        EXPECT_EQ(gui.bestmove("go depth 3"), mate);
        EXPECT_EQ(gui.bestmove("go depth 3"), mate) << "a go leaves the position as it was";
        const std::vector<std::string> refused = {
            "position fen nonsense",
            "position fen 4k3/8/8/8/8/8/8/4K2K w - - 0 1",   // two white kings
            "position fen 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1",  // Black in check, White to move
            "position startpos moves e2e4 e7e5 e4e5",        // a pawn does not take straight ahead
            std::string(BACK_RANK) + " moves a1a8 g8h8",     // no move after mate
            "position moves e2e4",
        };
        for (const std::string& bad : refused) {
            const std::vector<std::string> answer = gui.answer_to(bad);
            ASSERT_EQ(answer.size(), 1u) << bad;
            EXPECT_EQ(answer[0].rfind("info string ", 0), 0u) << bad;
            EXPECT_EQ(gui.bestmove("go depth 3"), mate) << "after " << bad;
        }
    }
    // ucinewgame starts from the start position.
    gui.send("ucinewgame");
    EXPECT_EQ(first_moves(true).count(gui.bestmove("go depth 2")), 1u);
    // A side without a move answers 0000, whatever the go.
    gui.send(std::string(FOOLS_MATE) + " d8h4");  // White is mated
    EXPECT_EQ(gui.bestmove("go depth 3"), "0000");
    gui.send("position fen 7k/8/6Q1/8/8/8/8/K7 w - - 0 1 moves g6f7");  // Black is stalemated
    EXPECT_EQ(gui.bestmove("go movetime 300"), "0000");
    EXPECT_EQ(gui.bestmove("go wtime 1000 btime 1000"), "0000");
}

TEST(UciSession, SetoptionTakesGoodValuesAndRefusesTheRest) {
    const std::vector<std::string> taken = {"Evaluation value 0",
                                            "Evaluation value 3",
                                            "Null move value true",
                                            "Emotion value Fewer men",
                                            "Capture extension value false",
                                            "Move-count cutting value true",
                                            "Learning book value true",
                                            "Move Overhead value 0",
                                            "Move Overhead value 5000",
                                            "Threads value 1"};
    const std::vector<std::string> refused = {
        "Evaluation value 4",     "Evaluation value two", "Null move value yes",
        "Emotion value Happy",    "Learning book",        "Move Overhead value 5001",
        "Move Overhead value -1", "Contempt value 16",       "Threads value 0"};
    uci_gui gui;
    ASSERT_TRUE(gui.handshake());
    for (const auto& [lines, refusal] : {std::pair{taken, false}, std::pair{refused, true}}) {
        for (const std::string& line : lines) {
            const std::vector<std::string> answer = gui.answer_to("setoption name " + line);
            EXPECT_EQ(answer.size(), refusal ? 1u : 0u) << line;
            EXPECT_TRUE(answer.empty() || answer[0].rfind("info string ", 0) == 0) << line;
        }
    }
    gui.send("quit");
    EXPECT_EQ(gui.live.finish(10000).exit_code, 0);
}

TEST(UciSession, BookIsSavedAtQuitEndOfInputAndNewGame) {
    const session_result by_quit = run_session("uci\nquit\n");
    const session_result by_end = run_session("uci\nposition startpos moves e2e4\n");
    for (const session_result* r : {&by_quit, &by_end}) {
        EXPECT_EQ(r->exit_code, 0);
        EXPECT_EQ(r->file("book.dat").size(), BOOK_SIZE);
    }

    {  // ucinewgame saves it at once
        uci_gui gui;
        ASSERT_TRUE(gui.handshake());
        gui.answer_to("ucinewgame");
        EXPECT_EQ(read_file(gui.live.directory() / "book.dat").size(), BOOK_SIZE);
    }

    // A search teaches the book; with Learning book false the old file stays as it was.
    session_options with_book;
    with_book.files["book.dat"] = by_quit.file("book.dat");
    for (const bool learning : {true, false}) {
        SCOPED_TRACE(learning ? "learning" : "not learning");
        uci_gui gui(with_book);
        ASSERT_TRUE(gui.handshake());
        if (!learning) gui.send("setoption name Learning book value false");
        gui.send("position startpos moves e2e4");
        EXPECT_EQ(first_moves(false).count(gui.bestmove("go depth 4")), 1u);
        gui.send("quit");
        const session_result r = gui.live.finish(10000);
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.file("book.dat").size(), BOOK_SIZE);
        EXPECT_EQ(r.file("book.dat") == by_quit.file("book.dat"), !learning);
    }
}

}  // namespace
