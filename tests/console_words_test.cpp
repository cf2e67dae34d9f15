// The console's words for people: hint, pgn, savepgn, sanon/sanoff, help,
// run as whole sessions of the built program.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "search/classic_search.h"
#include "app/app.h"
#include "book/book.h"
#include "game/game.h"
#include "game/pgn.h"
#include "rules/rules.h"
#include "rules/move_text.h"
#include "rules/san.h"
#include "settings/settings.h"
#include "session_util.h"

using session::lines_of;
using session::run_session;
using session::session_result;

namespace {

std::vector<std::string> without_lines_starting(const std::string& text, const std::string& prefix) {
    std::vector<std::string> kept;
    for (const std::string& line : lines_of(text))
        if (line.rfind(prefix, 0) != 0) kept.push_back(line);
    return kept;
}

std::vector<std::string> lines_starting(const std::string& text, const std::string& prefix) {
    std::vector<std::string> kept;
    for (const std::string& line : lines_of(text))
        if (line.rfind(prefix, 0) == 0) kept.push_back(line.substr(prefix.size()));
    return kept;
}

// Whether text names a legal first move: read as SAN by the SAN reader, or
// compared with the coordinate text of each legal move.
bool legal_at_start(const std::string& text, bool san) {
    position pos;
    set_start_position(pos);
    side_to_move = WHITE;
    move_list legal;
    generate_moves(pos, legal);
    if (san) {
        move found;
        return resolve_san(pos, legal, text.c_str(), found) == san_result::legal_move;
    }
    for (int i = 0; i < legal.count; ++i) {
        char written[8];
        coordinate_text(legal.moves[i], written);
        for (char* c = written; *c != '\0'; ++c) *c = static_cast<char>(*c | 0x20);
        if (text == written) return true;
    }
    return false;
}

}  // namespace

// A hint in the middle of a game changes nothing: the same output apart
// from its line, the same log apart from the word, the same book.dat byte
// for byte, and the same node counts (lognodes) for the moves after it.
// (The strong search, whose moves no draw of the time-seeded generator
// picks, so that two runs can be compared; the classic search's traces are
// compared in one process below.)
TEST(ConsoleWords, HintLeavesTheGameTheBookAndTheNextSearchAsTheyWere) {
    const std::string setup = "strongsearch\nnoclocks\ndepth 4\nlognodes\n";
    const session_result plain = run_session(setup + "e2e4\nd2d4\nquit\n");
    const session_result hinted = run_session(setup + "hint\ne2e4\nhint\nd2d4\nhint\nquit\n");
    ASSERT_EQ(plain.exit_code, 0);
    EXPECT_EQ(lines_starting(hinted.out, "Hint: ").size(), 3u) << hinted.out;
    EXPECT_EQ(without_lines_starting(hinted.out, "Hint: "), lines_of(plain.out));
    EXPECT_EQ(without_lines_starting(hinted.file("orvane.log"), "hint"), lines_of(plain.file("orvane.log")));
    EXPECT_NE(plain.file("orvane.log").find("nodes "), std::string::npos);
    ASSERT_TRUE(plain.has("book.dat"));
    EXPECT_TRUE(hinted.file("book.dat") == plain.file("book.dat"));
}

namespace {
// What a game of two classic turns leaves: the moves, the node counts, the
// ordering hints and the learning table, with or without a hint before each.
struct classic_traces {
    std::vector<std::string> moves;
    std::vector<uint64_t> nodes;
    std::vector<move> hints;
    std::vector<book_entry> book;
};
classic_traces two_classic_turns(bool with_hints) {
    reset_engine_state();
    clock_mode = 0;
    search_depth = 4;
    classic_traces t;
    for (int turn = 0; turn < 2; ++turn) {
        if (with_hints) {
            move suggested;
            EXPECT_TRUE(hint_move(suggested));
        }
        move chosen;
        EXPECT_TRUE(think_turn(chosen));
        char text[8];
        coordinate_text(chosen, text);
        t.moves.push_back(text);
        t.nodes.push_back(node_count);
        game_play(chosen);
        game_hand_over();
    }
    t.hints.assign(classic_ordering_hints(), classic_ordering_hints() + PLY_BEST_SIZE);
    t.book.assign(book_table, book_table + BOOK_SLOTS);
    reset_engine_state();
    return t;
}
bool same_bytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }
}  // namespace

// The classic search's traces, in one process (the generator seeded alike):
// with hints, the same moves, node counts, ordering hints and learning table.
TEST(ConsoleWords, HintLeavesTheClassicSearchsTracesAsTheyWere) {
    const classic_traces plain = two_classic_turns(false);
    const classic_traces hinted = two_classic_turns(true);
    EXPECT_EQ(hinted.moves, plain.moves);
    EXPECT_EQ(hinted.nodes, plain.nodes);
    ASSERT_EQ(hinted.hints.size(), plain.hints.size());
    EXPECT_TRUE(same_bytes(hinted.hints.data(), plain.hints.data(), sizeof(move) * plain.hints.size()));
    EXPECT_TRUE(same_bytes(hinted.book.data(), plain.book.data(), sizeof(book_entry) * plain.book.size()));
}

// The console hears the hint in SAN, xboard in coordinates, UCI nothing.
TEST(ConsoleWords, HintAnswersEachPartnerInItsOwnForm) {
    const std::vector<std::string> console = lines_starting(run_session("hint\nquit\n").out, "Hint: ");
    ASSERT_EQ(console.size(), 1u);
    EXPECT_TRUE(legal_at_start(console[0], true)) << console[0];

    const std::vector<std::string> xboard =
        lines_starting(run_session("xboard\nprotover 2\nhint\nquit\n").out, "Hint: ");
    ASSERT_EQ(xboard.size(), 1u);
    EXPECT_TRUE(legal_at_start(xboard[0], false)) << xboard[0];

    const session_result uci = run_session("uci\nhint\nisready\nquit\n");
    const std::vector<std::string> out = lines_of(uci.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "readyok");
    EXPECT_EQ(uci.out.find("Hint"), std::string::npos);
    EXPECT_EQ(uci.out.find("unknown command"), std::string::npos);
}

// "sanon": the SAN line right after the unchanged move line, numbered, in
// human mode only; "sanoff" and xboard have none.
TEST(ConsoleWords, SanLineFollowsTheMoveLineOnlyAtTheConsole) {
    const std::string game = "noclocks\ndepth 2\ne2e4\ng1f3\n";
    const session_result on = run_session("sanon\n" + game + "quit\n");
    const std::vector<std::string> out = lines_of(on.out);
    int shown = 0;
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i].rfind("move ", 0) != 0) continue;
        ++shown;
        EXPECT_EQ(out[i + 1].rfind(shown == 1 ? "1... " : "2... ", 0), 0u) << out[i + 1];
    }
    EXPECT_EQ(shown, 2);
    // Without "sanon", after "sanoff" and under xboard there is none.
    for (const std::string& script : {game, "sanon\nsanoff\n" + game, "xboard\nsanon\n" + game}) {
        const session_result r = run_session(script + "quit\n");
        EXPECT_NE(r.out.find("move "), std::string::npos) << script;
        for (const std::string& line : lines_of(r.out)) EXPECT_NE(line.find("1... "), 0u) << script << line;
    }
}

// A game saved twice is two games in the file, each read back by the
// project's PGN reader with the moves played (the user's and the engine's
// move lines), in order; a set-up game carries SetUp and its FEN.
TEST(ConsoleWords, SavedGamesReadBackThroughTheProjectsReader) {
    const session_result r =
        run_session("noclocks\ndepth 2\ne2e4\nNf3\nsavepgn games.pgn\nsavepgn games.pgn\n"
                    "setboard r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 5 20\ne8g8\nsavepgn games.pgn\nquit\n");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::vector<std::string> engine = lines_starting(r.out, "move ");
    ASSERT_EQ(engine.size(), 3u) << r.out;
    const std::string text = r.file("games.pgn");
    FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    ASSERT_NE(stream, nullptr);
    pgn_reader reader(stream);
    static pgn_game game;
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(reader.next_game(game));
        position pos;
        int side = WHITE;
        std::vector<std::string> played;
        std::vector<std::string> expected = {"e2e4", engine[0], "g1f3", engine[1]};
        if (n == 2) {
            expected = {"e8g8", engine[2]};
            EXPECT_TRUE(game.has_setup);
            EXPECT_STREQ(game.setup, "1");
            EXPECT_STREQ(game.fen, "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 5 20");
            ASSERT_TRUE(parse_fen(game.fen, pos, side));
        } else {
            EXPECT_FALSE(game.has_fen);
            set_start_position(pos);
        }
        EXPECT_STREQ(game.result, "*");
        EXPECT_STREQ(game.end_token, "*");
        EXPECT_STREQ(n == 2 ? game.white : game.black, "Orvane 1.25");
        EXPECT_STREQ(n == 2 ? game.black : game.white, "?");
        for (int i = 0; i < game.word_count; ++i) {
            move_list legal;
            side_to_move = side;
            generate_moves(pos, legal);
            move found;
            ASSERT_EQ(resolve_san(pos, legal, game.words[i].text, found), san_result::legal_move) << game.words[i].text;
            char coordinates[8];
            coordinate_text(found, coordinates);
            played.push_back(coordinates);
            make_move(pos, found);
            side = other_colour(side);
        }
        EXPECT_EQ(played, expected);
    }
    EXPECT_FALSE(reader.next_game(game));
    std::fclose(stream);
}

// savepgn never touches what is not a regular file, and a folder that is
// not there is said so; the session goes on.
TEST(ConsoleWords, SavepgnRefusesWhatItCannotAppendTo) {
    session::session_options options;
    options.directories = {"folder"};
    options.fifos = {"pipe"};
    const session_result r =
        run_session("savepgn folder\nsavepgn pipe\nsavepgn missing/games.pgn\nsavepgn ok.pgn\nquit\n", options);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("cannot append the game to folder"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot append the game to pipe"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot append the game to missing/games.pgn"), std::string::npos) << r.err;
    EXPECT_EQ(lines_starting(r.out, "Game appended to "), (std::vector<std::string>{"ok.pgn"}));
    EXPECT_EQ(r.file("ok.pgn").rfind("[Event ", 0), 0u);
}

// The words in orvane.ini act as typed: sanon kept on from the start.
TEST(ConsoleWords, WordsWorkFromTheStartUpFile) {
    session::session_options options;
    options.files["orvane.ini"] = "sanon noclocks depth 2 end\n";
    const session_result r = run_session("e2e4\nquit\n", options);
    const std::vector<std::string> out = lines_of(r.out);
    bool seen = false;
    for (size_t i = 0; i + 1 < out.size(); ++i)
        if (out[i].rfind("move ", 0) == 0) seen = out[i + 1].rfind("1... ", 0) == 0;
    EXPECT_TRUE(seen) << r.out;
}
