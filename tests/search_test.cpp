// The search, the engine's turn and the clock.  Expected node counts and
// scores are worked out by hand in the comments beside them (leaf scores with
// the default evaluation: 256 * major, major = 256 * material + 2 * castling +
// 12 * king_rank + 3 * pawn_advance + knight_placement), or come from the slow
// reference minimax below, which shares only the rules and the evaluation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/random.h"
#include "eval/eval.h"
#include "app/app.h"
#include "cecp/cecp.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "settings/settings.h"
#include "game/game.h"
#include "game/time_manager.h"
#include "search/request.h"
#include "search/classic_search.h"
#include "rules_test_util.h"
#include "search_util.h"

namespace {

std::vector<std::string> best_root_texts() {
    std::vector<std::string> texts;
    for (int i = 0; i < last_found.best_count; ++i) texts.push_back(move_string(last_found.best_moves[i]));
    return texts;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// ---------------------------------------------------------------------------
// Reference: plain minimax with no bounds, no ordering, no hints; the same
// leaf rule, capture extension, quiet shortcut and mate distances.  Slow and
// obviously complete, it gives the exact value of every root move.

int32_t adjusted(int32_t v, int ply) {
    if (v == MATE_SCORE) return MATE_SCORE - ply;
    if (v == -MATE_SCORE) return -MATE_SCORE + ply;
    return v;
}

void flip() { side_to_move = other_colour(side_to_move); }

// Value of the node reached by playing m (from side_to_move) in parent.
int32_t reference_node(const position& parent, const move& m, int depth, int ply) {
    position pos = parent;
    const int made = make_move(pos, m);
    if ((depth == 0 && advanced_search == 0) || (advanced_search == 1 && depth <= 0 && made == 0)) {
        const int32_t v = adjusted(evaluate(pos, -1), ply);
        flip();
        return v;
    }
    flip();
    const int checked = in_check(pos);
    move_list list;
    generate_moves(pos, list);
    if (list.count == 0) return adjusted(evaluate(pos, 0), ply);
    if (depth == 1 && (advanced_search || cutting_enabled) && !checked) {
        bool quiet = true;
        for (int i = 0; i < list.count; ++i) quiet = quiet && list.moves[i].capture_value == 0;
        if (quiet) {
            flip();
            const int32_t v = evaluate(pos, -1);
            flip();
            return v;
        }
    }
    const bool maximise = ply % 2 == 0;
    int32_t best = maximise ? -MATE_SCORE : MATE_SCORE;
    for (int i = 0; i < list.count; ++i) {
        const int32_t v = reference_node(pos, list.moves[i], depth - 1, ply + 1);
        flip();
        best = maximise ? std::max(best, v) : std::min(best, v);
    }
    return best;
}

struct reference_result {
    int32_t value = -MATE_SCORE;
    std::vector<std::string> best;                          // sorted
    std::vector<std::pair<std::string, int32_t>> by_move;  // every root move
};

// The root of game_position for side_to_move at the given depth.
reference_result reference_root(int depth) {
    reference_result r;
    const int side = side_to_move;
    engine_side = side;
    move_list list;
    generate_moves(game_position, list);
    for (int i = 0; i < list.count; ++i) {
        const int32_t v = reference_node(game_position, list.moves[i], depth - 1, 1);
        flip();
        r.by_move.emplace_back(move_string(list.moves[i]), v);
        r.value = std::max(r.value, v);
    }
    for (const auto& [text, v] : r.by_move)
        if (v == r.value) r.best.push_back(text);
    std::sort(r.best.begin(), r.best.end());
    EXPECT_EQ(side_to_move, side);
    return r;
}

// ---------------------------------------------------------------------------
// A millisecond counter that the test sets: each reading takes the next value
// of a script, and stays at the last one when the script is used up.

std::vector<uint32_t> clock_script;
size_t clock_script_next = 0;
uint32_t clock_now = 0;

uint32_t scripted_clock() {
    if (clock_script_next < clock_script.size()) clock_now = clock_script[clock_script_next++];
    return clock_now;
}

void set_clock_script(std::vector<uint32_t> script) {
    clock_script = std::move(script);
    clock_script_next = 0;
    clock_now = 0;
}

// What each iteration saw: its depth, score and nodes, and the user's two
// switches as they stood while the search ran.
struct iteration_seen {
    int depth;
    int32_t score;
    int32_t null_move;
    int32_t cutting;
    uint64_t nodes;
};
std::vector<iteration_seen> iterations;

struct iteration_recorder final : search_observer {
    void iteration_finished(const iteration_report& report) override {
        iterations.push_back({report.depth, report.score, null_move_enabled, cutting_enabled, report.nodes});
    }
} recorder;

// The node counts of the iterations recorded.
std::vector<uint64_t> nodes_seen() {
    std::vector<uint64_t> nodes;
    for (const iteration_seen& it : iterations) nodes.push_back(it.nodes);
    return nodes;
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Start-up's state (a fresh book, no hints), under a GUI speaking
        // protocol 2: no diagrams, the strict root, standard chess's claims.
        reset_engine_state();
        session_begin_xboard();
        session_note_word("hard");
        iterations.clear();
        clock_restart();
        saved_output = output_stream;
        output = std::tmpfile();
        ASSERT_NE(output, nullptr);
        output_stream = output;
    }
    void TearDown() override {
        reset_clock();  // the system's clock again, after the tests that script it
        output_stream = saved_output;
        std::fclose(output);
    }

    // One iteration at the root of game_position for side_to_move.
    int32_t root_search(int depth) {
        const int side = side_to_move;
        engine_side = side;
        side_to_move = other_colour(side);
        const int32_t v = classic_node_alone(depth, depth, game_position, side, -MATE_SCORE, MATE_SCORE);
        EXPECT_EQ(side_to_move, side) << "the root flips side_to_move back exactly once";
        return v;
    }

    // A node below the root: the position of game_position with
    // side_to_move to move there, searched at depth as if at ply.
    int32_t node_search(int depth, int ply, int32_t alpha = -MATE_SCORE, int32_t beta = MATE_SCORE) {
        const int side = side_to_move;
        engine_side = ply % 2 == 0 ? side : other_colour(side);
        side_to_move = other_colour(side);  // the side that passes into the node
        const int32_t v = classic_node_alone(depth + ply, depth, game_position, side, alpha, beta);
        EXPECT_EQ(side_to_move, side);
        side_to_move = side;
        return v;
    }

    std::string printed() {
        std::fflush(output);
        std::rewind(output);
        std::string s;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, output)) s += buffer;
        std::rewind(output);
        return s;
    }

    FILE* saved_output = nullptr;
    FILE* output = nullptr;
};

// Kings only: white a1, black h8.  White's king list is b1, a2, b2; black's
// is g7, h7, g8.  A leaf scores 3072 * ((7 - black king rank) - white king rank).
constexpr const char* KINGS_A1_H8 = "7k/8/8/8/8/8/8/K7 w - - 0 1";

}  // namespace

// --- Small searches worked out by hand ------------------------------------

TEST_F(SearchTest, DepthOneCountsEveryLegalMoveAndKeepsTheBest) {
    load_fen(KINGS_A1_H8);
    const uint64_t before = node_count;
    // b1 keeps the king on its back rank (0); a2 and b2 lose 3072.
    EXPECT_EQ(root_search(1), 0);
    EXPECT_EQ(node_count - before, 4u);
    EXPECT_EQ(best_root_texts(), std::vector<std::string>{"a1b1"});
}

TEST_F(SearchTest, StartPositionDepthOneGathersTheEightDoubleStepsInListOrder) {
    load_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const uint64_t before = node_count;
    // A double step advances a pawn by 2: 3 * 2 * 256 = 1536; a single step
    // 768; the best knight move (b1-c3, 3 -> 8) 5 * 256 = 1280.
    EXPECT_EQ(root_search(1), 1536);
    EXPECT_EQ(node_count - before, 21u);
    EXPECT_EQ(best_root_texts(),
              (std::vector<std::string>{"a2a4", "b2b4", "c2c4", "d2d4", "e2e4", "f2f4", "g2g4", "h2h4"}));
}

TEST_F(SearchTest, DepthTwoCutsWithTheBestMoveOfThePreviousSibling) {
    load_fen(KINGS_A1_H8);
    const uint64_t before = node_count;
    // Root b1: black answers g7 (3072), h7 (3072), g8 (0): value 0, and
    // classic_ordering_hints()[1] ends as g8.  Root a2 (alpha 0): g8 first by its bonus
    // scores -3072 < 0 and cuts at once; b2 the same.  1 + 4 + 2 + 2.
    EXPECT_EQ(root_search(2), 0);
    EXPECT_EQ(node_count - before, 9u);
    EXPECT_EQ(best_root_texts(), std::vector<std::string>{"a1b1"});
    EXPECT_EQ(move_string(classic_ordering_hints()[0]), "a1b1");
    EXPECT_EQ(classic_ordering_hints()[0].score, 0);
    EXPECT_EQ(move_string(classic_ordering_hints()[1]), "h8g8");
    EXPECT_EQ(classic_ordering_hints()[1].score, 0);
}

TEST_F(SearchTest, EqualRootMovesAreAllGatheredAfterTheFirstSetTheBound) {
    // White king d1: c1 and e1 keep the back rank and tie at 0 after black's
    // best reply g8; e1 is searched with the bound already at 0 and must
    // still be searched to its exact value.  c2, d2, e2 are worse.
    load_fen("7k/8/8/8/8/8/8/3K4 w - - 0 1");
    EXPECT_EQ(root_search(2), 0);
    EXPECT_EQ(best_root_texts(), (std::vector<std::string>{"d1c1", "d1e1"}));
}

TEST_F(SearchTest, RootWithoutMovesScoresMateOrDrawAndGathersNothing) {
    load_fen("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");  // black is mated
    uint64_t before = node_count;
    EXPECT_EQ(root_search(3), -MATE_SCORE);
    EXPECT_EQ(node_count - before, 1u);
    EXPECT_EQ(last_found.best_count, 0);

    load_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");  // black is stalemated
    EXPECT_EQ(root_search(2), 0);
    EXPECT_EQ(last_found.best_count, 0);

    // A flagged draw has no moves and scores 0 even with moves on the board.
    load_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    game_position.repetition_draw = 1;
    before = node_count;
    EXPECT_EQ(root_search(2), 0);
    EXPECT_EQ(node_count - before, 1u);
    EXPECT_EQ(last_found.best_count, 0);
}

TEST_F(SearchTest, StalemateTrapIsAvoided) {
    // Rxh3 would leave black (king a8 boxed in by the king on c8 and the pawn
    // on a6, pawn a7 blocked) without a move: 0.  Every other move keeps
    // rook and pawn against knight and pawn: major = 256 * 2 - 12 * 7 (white
    // king on rank 7) + 3 * 4 (pawn a6) - 4 (knight h3) = 436; Kc7 and Kd7
    // bring the king one rank back: 448, i.e. 448 * 256 = 114688.
    load_fen("k1K5/p7/P7/8/8/7n/8/7R w - - 0 1");
    EXPECT_EQ(root_search(1), 114688);
    EXPECT_EQ(best_root_texts(), (std::vector<std::string>{"c8c7", "c8d7"}));
    const reference_result r = reference_root(1);
    for (const auto& [text, v] : r.by_move)
        if (text == "h1h3") {
            EXPECT_EQ(v, 0);
        }
}

TEST_F(SearchTest, MateInOneForEachColour) {
    load_fen("6k1/5ppp/8/8/8/8/8/3R2K1 w - - 0 1");
    EXPECT_EQ(root_search(1), MATE_SCORE - 1);
    EXPECT_EQ(best_root_texts(), std::vector<std::string>{"d1d8"});
    EXPECT_EQ(root_search(3), MATE_SCORE - 1);
    EXPECT_EQ(best_root_texts(), std::vector<std::string>{"d1d8"});

    load_fen("3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1");
    EXPECT_EQ(root_search(1), MATE_SCORE - 1);
    EXPECT_EQ(best_root_texts(), std::vector<std::string>{"d8d1"});
}

TEST_F(SearchTest, MateInTwoForEachColourPrefersTheQuickerMate) {
    // Two rooks against a bare king: Rb7 (or Ra7) then mate on the back rank,
    // a mate at ply 3.  At depth 5 slower mates (ply 5) exist too and lose.
    load_fen("7k/8/8/8/8/8/R7/1R4K1 w - - 0 1");
    EXPECT_EQ(root_search(3), MATE_SCORE - 3);
    const std::vector<std::string> at_three = sorted(best_root_texts());
    EXPECT_NE(std::find(at_three.begin(), at_three.end(), "b1b7"), at_three.end());
    EXPECT_NE(std::find(at_three.begin(), at_three.end(), "a2a7"), at_three.end());
    EXPECT_EQ(at_three, reference_root(3).best);

    EXPECT_EQ(root_search(5), MATE_SCORE - 3);
    const reference_result r = reference_root(5);
    EXPECT_EQ(r.value, MATE_SCORE - 3);
    EXPECT_EQ(sorted(best_root_texts()), r.best);
    const bool slower_mate_exists = std::any_of(r.by_move.begin(), r.by_move.end(),
                                                [](const auto& e) { return e.second == MATE_SCORE - 5; });
    EXPECT_TRUE(slower_mate_exists);

    load_fen("1r4k1/r7/8/8/8/8/8/7K b - - 0 1");
    EXPECT_EQ(root_search(3), MATE_SCORE - 3);
    const std::vector<std::string> black = sorted(best_root_texts());
    EXPECT_NE(std::find(black.begin(), black.end(), "b8b2"), black.end());
    EXPECT_EQ(black, reference_root(3).best);
}

TEST_F(SearchTest, BeingMatedSoonerScoresLower) {
    // White's king on h1 has no square (g1, g2 by the black king, h2 by the
    // queen); either pawn move is answered by Qg2 mate: -MATE_SCORE + 2.
    load_fen("8/8/8/8/8/6q1/P4k2/7K w - - 0 1");
    EXPECT_EQ(root_search(2), -MATE_SCORE + 2);
    EXPECT_EQ(best_root_texts(), (std::vector<std::string>{"a2a4", "a2a3"}));
}

// --- Ordering hints and the book, seen through the search ----------------

TEST_F(SearchTest, BookMoveIsSearchedFirstOnlyForItsSideAndNonZeroDepth) {
    load_fen(KINGS_A1_H8);
    book_entry& root_slot = book_slot(game_position);
    root_slot.best_move = text_move("a1b2");
    root_slot.best_move.score = 5;
    root_slot.depth = 5;
    root_slot.side = WHITE;
    uint64_t before = node_count;
    // b2 first: g7 0, h7 0, g8 -3072 (4 nodes, classic_ordering_hints()[1] = g8).  b1 with
    // alpha -3072: g8 first (0), then g7, h7: 0 (4 nodes).  a2 (alpha 0): g8
    // first cuts (2 nodes).  1 + 4 + 4 + 2.
    EXPECT_EQ(root_search(2), 0);
    EXPECT_EQ(node_count - before, 11u);
    EXPECT_EQ(best_root_texts(), std::vector<std::string>{"a1b1"});
    // Deeper than the search: the entry stays as it was.
    EXPECT_EQ(move_string(root_slot.best_move), "a1b2");
    EXPECT_EQ(root_slot.depth, 5);
    EXPECT_EQ(root_slot.best_move.score, 5);

    // The same entry for the other side, or with depth 0, orders nothing:
    // the 9 nodes of the plain search (DepthTwoCutsWithTheBestMove...).
    for (int variant = 0; variant < 2; ++variant) {
        reset_search_state();
        clear_book_table();
        root_slot.best_move = text_move("a1b2");
        root_slot.side = variant == 0 ? BLACK : WHITE;
        root_slot.depth = variant == 0 ? 5 : 0;
        before = node_count;
        EXPECT_EQ(root_search(2), 0);
        EXPECT_EQ(node_count - before, 9u) << "variant " << variant;
    }
}

TEST_F(SearchTest, OnePlySearchUsesNoHintsButRecordsInBoth) {
    // Hints for h2h4 (ply_best) and g2g4 (book) would put those two first
    // among the eight equal double steps; in a one-ply search the list keeps
    // the generator's order, and a2a4, the first to improve, is recorded.
    load_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    book_entry& root_slot = book_slot(game_position);
    root_slot.best_move = text_move("g2g4");
    root_slot.best_move.score = -1;
    root_slot.depth = 1;
    root_slot.side = WHITE;
    classic_ordering_hints()[0] = text_move("h2h4");
    EXPECT_EQ(root_search(1), 1536);
    EXPECT_EQ(best_root_texts(),
              (std::vector<std::string>{"a2a4", "b2b4", "c2c4", "d2d4", "e2e4", "f2f4", "g2g4", "h2h4"}));
    EXPECT_EQ(move_string(classic_ordering_hints()[0]), "a2a4");
    EXPECT_EQ(classic_ordering_hints()[0].score, 1536);
    EXPECT_EQ(move_string(root_slot.best_move), "a2a4");
    EXPECT_EQ(root_slot.best_move.score, 1536);

    // From two plies on both hints count: h2h4 and g2g4 come first, in
    // generator order between themselves, and the first of them is recorded.
    for (int i = 0; i < PLY_BEST_SIZE; ++i) classic_ordering_hints()[i] = move{};
    classic_ordering_hints()[0] = text_move("h2h4");
    root_slot.best_move = text_move("g2g4");
    root_slot.best_move.score = MATE_SCORE;
    root_slot.depth = BOOK_MADE_DEPTH;
    root_search(2);
    const reference_result r = reference_root(2);
    EXPECT_EQ(sorted(best_root_texts()), r.best);
    EXPECT_EQ(move_string(last_found.best_moves[0]), "g2g4");
    EXPECT_EQ(move_string(last_found.best_moves[1]), "h2h4");
}

TEST_F(SearchTest, BookStoreFollowsDepthAndScoreAtMaxAndMinNodes) {
    load_fen(KINGS_A1_H8);
    EXPECT_EQ(root_search(2), 0);
    // Root (white): b1 with 0 went into the cleared entry (0 >= 0).
    const book_entry& root_slot = book_slot(game_position);
    EXPECT_EQ(move_string(root_slot.best_move), "a1b1");
    EXPECT_EQ(root_slot.best_move.score, 0);
    EXPECT_EQ(root_slot.depth, 2);
    EXPECT_EQ(root_slot.side, WHITE);
    EXPECT_EQ(root_slot.reserved, 0);

    // After b1 (black): g7 (3072) was stored first; g8, a better move for
    // black but a lower number, does not replace it.
    position after_b1;
    copy_position(after_b1, game_position);
    make_move(after_b1, text_move("a1b1"));
    const book_entry& reply_slot = book_slot(after_b1);
    EXPECT_EQ(move_string(reply_slot.best_move), "h8g7");
    EXPECT_EQ(reply_slot.best_move.score, 3072);
    EXPECT_EQ(reply_slot.depth, 1);
    EXPECT_EQ(reply_slot.side, BLACK);

    // After a2 the node cut before any record: still cleared.
    position after_a2;
    copy_position(after_a2, game_position);
    make_move(after_a2, text_move("a1a2"));
    EXPECT_EQ(book_slot(after_a2).depth, 0);
    EXPECT_EQ(book_slot(after_a2).best_move.from_file, -1);
}

TEST_F(SearchTest, BookEntryOfEqualDepthAndScoreIsReplacedALowerScoreIsNot) {
    load_fen(KINGS_A1_H8);
    book_entry& root_slot = book_slot(game_position);
    root_slot.best_move = text_move("a1a2");
    root_slot.best_move.score = 0;
    root_slot.depth = 2;
    root_slot.side = WHITE;
    // a2 comes first by the bonus and scores -3072: recorded, but below the
    // entry's 0, so not stored.  b1 then scores 0 at depth 2: stored.
    const uint64_t before = node_count;
    EXPECT_EQ(root_search(2), 0);
    EXPECT_EQ(node_count - before, 11u);
    EXPECT_EQ(move_string(root_slot.best_move), "a1b1");

    // A book-made entry outlasts every search.
    root_slot.best_move = text_move("a1b2");
    root_slot.best_move.score = MATE_SCORE;
    root_slot.depth = BOOK_MADE_DEPTH;
    EXPECT_EQ(root_search(2), 0);
    EXPECT_EQ(move_string(root_slot.best_move), "a1b2");
    EXPECT_EQ(root_slot.depth, BOOK_MADE_DEPTH);
}

TEST_F(SearchTest, BookMoveIsMatchedByItsPromotionByte) {
    // The queen and the knight promotion share their squares; only the
    // book's promotion byte picks the knight.  With the knight first, the
    // node's first recorded move is the knight promotion.
    load_fen("8/P7/8/8/8/8/1k6/4K3 w - - 0 1");
    book_entry& root_slot = book_slot(game_position);
    root_slot.best_move = text_move("a7a8n");
    root_slot.best_move.score = MATE_SCORE;
    root_slot.depth = BOOK_MADE_DEPTH;
    root_slot.side = WHITE;
    move_list list;
    generate_moves(game_position, list);
    book_probe(game_position, list);
    int bonus_given = 0;
    for (int i = 0; i < list.count; ++i) {
        const move& m = list.moves[i];
        if (move_string(m) == "a7a8n") {
            EXPECT_EQ(m.capture_value, PROMOTION_KNIGHT_BONUS + BOOK_ORDERING_BONUS);
        }
        if (move_string(m) == "a7a8q") {
            EXPECT_EQ(m.capture_value, PROMOTION_QUEEN_BONUS);
        }
        if (m.capture_value >= BOOK_ORDERING_BONUS) ++bonus_given;
    }
    EXPECT_EQ(bonus_given, 1);
}

// --- Quiet shortcut, cutting, null move ----------------------------------

TEST_F(SearchTest, QuietShortcutScoresTheNodeStatically) {
    // Black to move, king g7 against the white king a1, one ply before the
    // horizon.  Statically: 3072 * ((7 - 6) - 0) = 3072, one node.  Searched:
    // black's best reply goes back to the eighth rank: 0, 1 + 8 nodes.
    load_fen("8/6k1/8/8/8/8/8/K7 b - - 0 1");
    uint64_t before = node_count;
    EXPECT_EQ(node_search(1, 1), 0);
    EXPECT_EQ(node_count - before, 9u);

    cutting_enabled = 1;
    before = node_count;
    EXPECT_EQ(node_search(1, 1), 3072);
    EXPECT_EQ(node_count - before, 1u);

    cutting_enabled = 0;
    advanced_search = 1;
    before = node_count;
    EXPECT_EQ(node_search(1, 1), 3072);
    EXPECT_EQ(node_count - before, 1u);

    // Never at the root: a one-ply iteration searches every move.
    before = node_count;
    root_search(1);
    EXPECT_EQ(node_count - before, 9u);
}

TEST_F(SearchTest, QuietShortcutNeedsNoCaptureNoPromotionAndNoCheck) {
    cutting_enabled = 1;
    // A capture on the board (g7xh6): the node is searched, 1 + 8.
    load_fen("8/6k1/7P/8/8/8/8/K7 b - - 0 1");
    uint64_t before = node_count;
    node_search(1, 1);
    EXPECT_EQ(node_count - before, 1u + 8u);

    // Only an en-passant capture (value 0) counts as quiet: one node.
    load_fen("8/6k1/8/8/3pP3/8/8/K7 b - e3 0 1");
    before = node_count;
    node_search(1, 1);
    EXPECT_EQ(node_count - before, 1u);

    // In check (rook on g1): searched, king moves off the g-file only.
    load_fen("8/6k1/8/8/8/8/8/K5R1 b - - 0 1");
    move_list list;
    generate_moves(game_position, list);
    before = node_count;
    node_search(1, 1);
    EXPECT_EQ(node_count - before, 1u + list.count);
}

TEST_F(SearchTest, CuttingKeepsFiveSevenThirtyFiveMovesByPlyAndAllInCheck) {
    cutting_enabled = 1;
    // 20 moves for white, two of them captures (dxe3, fxe3), so the
    // shortcut does not apply at depth 1.
    load_fen("rnbqkbnr/pppp1ppp/8/8/8/4p3/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const unsigned twenty[] = {20, 20, 20, 20, 7, 7, 5, 5, 5};
    for (int ply = 1; ply <= 8; ++ply) {
        const uint64_t before = node_count;
        node_search(1, ply);
        EXPECT_EQ(node_count - before, 1u + twenty[ply]) << "ply " << ply;
    }
    // 48 moves: 35 are kept at plies 2 and 3, all at ply 1.
    load_fen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    const unsigned forty_eight[] = {48, 48, 35, 35, 7};
    for (int ply = 1; ply <= 4; ++ply) {
        const uint64_t before = node_count;
        node_search(1, ply);
        EXPECT_EQ(node_count - before, 1u + forty_eight[ply]) << "ply " << ply;
    }
    // In check by the knight: six evasions, all searched at ply 6.
    load_fen("4k3/7Q/8/8/8/R2n4/8/4K3 w - - 0 1");
    const uint64_t before = node_count;
    node_search(1, 6);
    EXPECT_EQ(node_count - before, 7u);
}

TEST_F(SearchTest, NullMoveAtDepthTwoIsSearchedAtDepthOne) {
    // Every non-mate scores 0 (evaluation variant out of range), so the
    // bounds alone decide the counts.  Black to move at ply 1, depth 2:
    //   null move: white moves at depth 1: 1 + 3 (b1, a2, b2).
    //   g7: its own null move (depth 1 -> 0) is a leaf, 0 < MATE_SCORE, then
    //       white's three moves: 1 + 1 + 3.
    //   h7, g8: the null leaf's 0 reaches the bound 0: 1 + 1 each.
    // 1 + 4 + 5 + 2 + 2 = 14; without the null move 1 + 4 + 2 + 2 = 9.
    eval_variant = 4;
    load_fen("7k/8/8/8/8/8/8/K7 b - - 0 1");
    uint64_t before = node_count;
    EXPECT_EQ(node_search(2, 1), 0);
    EXPECT_EQ(node_count - before, 9u);
    null_move_enabled = 1;
    before = node_count;
    EXPECT_EQ(node_search(2, 1), 0);
    EXPECT_EQ(node_count - before, 14u);
}

TEST_F(SearchTest, NullMoveAtDepthThreeIsSearchedAtDepthZero) {
    // As above at depth 3 (ply 1), null move on:
    //   null move at depth 0: a leaf, 1.
    //   g7 (depth 2, ply 2): null at depth 1: black's 8 king moves, 1 + 8;
    //       then b1 (ply 3): null leaf, then 8 moves: 1 + 1 + 8;
    //       a2, b2: null leaf 0 <= alpha 0 cuts: 2 each.  1 + 9 + 10 + 4 = 24.
    //   h7 (bound 0): null at depth 1: black's 5 king moves, 1 + 5, and
    //       0 >= 0 cuts: 1 + 6 = 7.  g8 likewise: 7.
    // 1 + 1 + 24 + 7 + 7 = 40.
    eval_variant = 4;
    null_move_enabled = 1;
    load_fen("7k/8/8/8/8/8/8/K7 b - - 0 1");
    const uint64_t before = node_count;
    EXPECT_EQ(node_search(3, 1), 0);
    EXPECT_EQ(node_count - before, 40u);
}

TEST_F(SearchTest, NoNullMoveAtTheRootOrInCheck) {
    eval_variant = 4;
    null_move_enabled = 1;
    load_fen(KINGS_A1_H8);
    // Away from the root a depth-1 node passes first: its null move is one
    // leaf more (white's three moves plus the null leaf).
    uint64_t before = node_count;
    node_search(1, 2);
    EXPECT_EQ(node_count - before, 1u + 1u + 3u);
    // The root never passes.
    before = node_count;
    root_search(1);
    EXPECT_EQ(node_count - before, 1u + 3u);
    // Nor does a node in check (the rook on h1 checks the king on h8):
    // one node and black's replies, nothing more.
    load_fen("7k/8/8/8/8/8/8/K6R b - - 0 1");
    move_list replies;
    generate_moves(game_position, replies);
    before = node_count;
    node_search(1, 1);
    EXPECT_EQ(node_count - before, 1u + replies.count);
}

// --- Against the reference -------------------------------------------------

struct reference_case {
    const char* fen;
    int depth;
    int variant;
    int emotion_setting;
    int advanced;
};

TEST_F(SearchTest, RootValueAndBestMovesMatchThePlainMinimax) {
    const reference_case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 3, 2, 0, 0},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 3, 2, 0, 0},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 2, 2, 0, 0},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3, 3, 0, 0},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 4, 2, 0, 0},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 2, 0, 0},
        {"8/P7/8/8/8/8/1k5p/4K3 w - - 0 1", 4, 2, 0, 0},
        {"1r6/P1k5/8/8/8/8/5Kp1/7R b - - 0 1", 3, 2, 0, 0},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 3, 1, 0, 0},
        {"rnbqkbnr/pppp1ppp/8/8/3Pp3/5N2/PPP1PPPP/RNBQKB1R b KQkq d3 0 3", 3, 0, 1, 0},
        {"r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", 3, 2, -1, 0},
        {"4k3/8/3p4/2p1p3/3P4/2N5/8/4K3 w - - 0 1", 3, 2, 0, 1},
        {"1r6/P1k5/8/8/8/8/5Kp1/7R b - - 0 1", 3, 2, 0, 1},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 3, 2, 0, 1},
        {"8/8/4k3/8/8/3r4/8/3QK3 w - - 0 1", 3, 2, 0, 1},
        {"8/8/4k3/8/8/3r4/8/3QK3 w - - 0 1", 4, 2, 0, 0},
    };
    for (const reference_case& c : cases) {
        SCOPED_TRACE(c.fen);
        SCOPED_TRACE(c.depth);
        eval_variant = c.variant;
        emotion = c.emotion_setting;
        advanced_search = c.advanced;
        reset_search_state();
        clear_book_table();
        load_fen(c.fen);
        const reference_result r = reference_root(c.depth);
        // A search that has learnt from shallower iterations must agree too.
        for (int depth = 1; depth <= c.depth; ++depth) {
            const int32_t v = root_search(depth);
            if (depth == c.depth) {
                EXPECT_EQ(v, r.value);
                EXPECT_EQ(sorted(best_root_texts()), r.best);
            }
        }
    }
}

// --- The clock -------------------------------------------------------------

TEST_F(SearchTest, ClockCountsMillisecondsAcrossTheCounterWrap) {
    clock_source = scripted_clock;
    set_clock_script({0xFFFFFFF0u, 0x10u, 0x10u, 0x15u});
    clock_restart();
    EXPECT_EQ(clock_read(), 32);  // 0x10 - 0xFFFFFFF0 wraps to 32 ms
    EXPECT_EQ(clock_read(), 32);
    EXPECT_EQ(clock_read(), 37);  // a reading consumes its milliseconds, the total goes on
}

// --- Iterative deepening ---------------------------------------------------

TEST_F(SearchTest, FixedDepthRunsEveryDepthWithoutRefinementsAndLeavesTheSwitchesAlone) {
    const char* fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    load_fen(fen);
    run_classic(game_position, WHITE, 3, 0, 0, &recorder);
    const std::vector<uint64_t> plain = nodes_seen();

    // The same search with both switches on: the same tree, node for node,
    // and the switches read 1 throughout (the search never writes them).
    reset_search_state();
    clear_book_table();
    iterations.clear();
    load_fen(fen);
    null_move_enabled = 1;
    cutting_enabled = 1;
    run_classic(game_position, WHITE, 3, 0, 0, &recorder);
    ASSERT_EQ(iterations.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(iterations[i].depth, i + 1);
        EXPECT_EQ(iterations[i].null_move, 1);
        EXPECT_EQ(iterations[i].cutting, 1);
    }
    EXPECT_EQ(nodes_seen(), plain);
    EXPECT_EQ(classic_root_depth(), 4);
    EXPECT_EQ(null_move_enabled, 1);
    EXPECT_EQ(cutting_enabled, 1);
    EXPECT_EQ(side_to_move, WHITE);
    EXPECT_EQ(engine_side, WHITE);
}

TEST_F(SearchTest, EveryModeSearchesAtLeastOnePlyAndAtMostTheMaximum) {
    // A depth below 1 still gives one iteration, so a move to play.
    load_fen(KINGS_A1_H8);
    run_classic(game_position, WHITE, 0, 0, 0, &recorder);
    EXPECT_EQ(iterations.size(), 1u);
    EXPECT_EQ(last_found.best_count, 1);
    iterations.clear();
    clock_source = scripted_clock;
    set_clock_script({});
    run_classic(game_position, WHITE, -5, 0, 2, &recorder);
    EXPECT_EQ(iterations.size(), 1u);

    // Without a legal move every iteration costs one node and no time: the
    // depth stops at the maximum in every mode.
    load_fen("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
    for (int mode : {0, 1, 3, 5}) {
        iterations.clear();
        run_classic(game_position, BLACK, 1000, 1000, mode, &recorder);
        ASSERT_EQ(iterations.size(), static_cast<size_t>(MAX_SEARCH_DEPTH)) << "mode " << mode;
        EXPECT_EQ(iterations.back().depth, MAX_SEARCH_DEPTH);
        EXPECT_EQ(last_found.best_count, 0);
    }
}

TEST_F(SearchTest, DepthCappedModesStopAtTheDepthAndModeTwoLeavesRefinementsOut) {
    clock_source = scripted_clock;
    set_clock_script({});  // no time passes: only the depth stops them
    const char* fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    // Each search from a fresh start, so that only the switches differ.
    auto search_in_mode = [&](int mode) {
        reset_search_state();
        clear_book_table();
        iterations.clear();
        load_fen(fen);
        run_classic(game_position, WHITE, 4, 6562, mode, &recorder);
        return nodes_seen();
    };
    const std::vector<uint64_t> plain = search_in_mode(3);
    ASSERT_EQ(plain.size(), 4u);

    null_move_enabled = 1;
    cutting_enabled = 1;
    EXPECT_EQ(search_in_mode(2), plain);
    ASSERT_EQ(iterations.size(), 4u);
    for (const iteration_seen& it : iterations) {
        EXPECT_EQ(it.null_move, 1);
        EXPECT_EQ(it.cutting, 1);
    }

    // Mode 3 uses them: a smaller tree from the third ply on.
    const std::vector<uint64_t> refined = search_in_mode(3);
    ASSERT_EQ(refined.size(), 4u);
    EXPECT_LT(refined.back(), plain.back());
    EXPECT_EQ(null_move_enabled, 1);
    EXPECT_EQ(cutting_enabled, 1);
    EXPECT_EQ(classic_root_depth(), 4);
}

TEST_F(SearchTest, ClockedDeepeningStopsOnceAnIterationTakesABudgetThirtyFifth) {
    clock_source = scripted_clock;
    load_fen(KINGS_A1_H8);
    // Readings: deepening start, then restart and reading per iteration.
    // Budget 34: 34 / 35 = 0, so one iteration even if it took no time.
    set_clock_script({0, 0, 0});
    run_classic(game_position, WHITE, 4, 34, 1, &recorder);
    EXPECT_EQ(iterations.size(), 1u);

    // Budget 40: a second iteration only if the first took 0 ms.
    iterations.clear();
    set_clock_script({0, 0, 1});
    run_classic(game_position, WHITE, 4, 40, 1, &recorder);
    EXPECT_EQ(iterations.size(), 1u);
    iterations.clear();
    set_clock_script({0, 0, 0, 0, 1});
    run_classic(game_position, WHITE, 4, 40, 1, &recorder);
    EXPECT_EQ(iterations.size(), 2u);

    // A budget of 0 or less still searches one ply.
    iterations.clear();
    set_clock_script({0, 0, 0});
    run_classic(game_position, WHITE, 4, 0, 1, &recorder);
    EXPECT_EQ(iterations.size(), 1u);
    EXPECT_EQ(last_found.best_count, 1);
}

TEST_F(SearchTest, PlyBestShiftsByTwoAfterTheSearch) {
    const char* fen = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
    load_fen(fen);
    for (int depth = 1; depth <= 4; ++depth) root_search(depth);
    std::vector<move> before(classic_ordering_hints(), classic_ordering_hints() + 8);

    reset_search_state();
    clear_book_table();
    load_fen(fen);
    run_classic(game_position, WHITE, 4, 0, 0);
    // The fixed-depth loop ends with root_depth 5: entries 0-2 take 2-4.
    for (int i = 0; i < 8; ++i) {
        const move& expected = i <= 2 ? before[i + 2] : before[i];
        EXPECT_EQ(std::memcmp(&classic_ordering_hints()[i], &expected, sizeof(move)), 0) << "entry " << i;
    }

    // A clocked search whose last iteration was depth 4: entries 0-1 take 2-3.
    reset_search_state();
    clear_book_table();
    load_fen(fen);
    clock_source = scripted_clock;
    set_clock_script({});
    run_classic(game_position, WHITE, 4, 1000, 3);
    for (int i = 0; i < 8; ++i) {
        const move& expected = i <= 1 ? before[i + 2] : before[i];
        EXPECT_EQ(std::memcmp(&classic_ordering_hints()[i], &expected, sizeof(move)), 0) << "entry " << i;
    }
}

TEST_F(SearchTest, RunSearchReportsWhatTheSearchLeftBehind) {
    // Ra8 is the only mate: the king on g8 is shut in by its own pawns and
    // the rook covers the eighth rank.  Every iteration finds it; the line
    // ends with the mate.
    load_fen("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    search_request request;
    request.pos = &game_position;
    request.side = WHITE;
    request.mode = search_mode::fixed_depth;
    request.depth_limit = 3;
    request.observer = &recorder;
    const uint64_t before = node_count;
    const search_result found = run_search(request);
    ASSERT_EQ(found.best_count, 1);
    EXPECT_EQ(move_string(found.best_moves[0]), "a1a8");
    EXPECT_EQ(found.best_lines[0].length, 1);
    EXPECT_EQ(mate_in_moves(found.score), 1);
    EXPECT_EQ(found.depth, 3);
    EXPECT_FALSE(found.stopped);
    EXPECT_EQ(found.nodes, node_count - before);
    // The same as the game's choice and the observer say.
    move chosen{};
    ASSERT_TRUE(pick_best_root_move(chosen));
    EXPECT_EQ(move_string(chosen), "a1a8");
    EXPECT_EQ(best_line_of(chosen).length, found.best_lines[0].length);
    EXPECT_EQ(found.stopped, last_search_stopped());
    ASSERT_EQ(iterations.size(), 3u);
    EXPECT_EQ(iterations.back().depth, found.depth);
    EXPECT_EQ(iterations.back().score, found.score);
    EXPECT_EQ(iterations.back().nodes, found.nodes);
    EXPECT_EQ(side_to_move, WHITE);

    // A node cap that falls within the fourth iteration: the result is the
    // third's, and says it was stopped.
    reset_search_state();
    clear_book_table();
    iterations.clear();
    load_fen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
    request.depth_limit = 3;
    run_search(request);
    const uint64_t three_plies = iterations.back().nodes;
    reset_search_state();
    clear_book_table();
    iterations.clear();
    load_fen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
    request.depth_limit = 8;
    request.limits.node_limit = three_plies + STOP_POLL_INTERVAL;
    const search_result cut = run_search(request);
    EXPECT_TRUE(cut.stopped);
    EXPECT_TRUE(last_search_stopped());
    ASSERT_EQ(iterations.size(), 3u);
    EXPECT_EQ(cut.depth, 3);
    EXPECT_EQ(cut.score, iterations.back().score);
    EXPECT_EQ(cut.best_count, 1);
    EXPECT_GE(cut.nodes, three_plies + STOP_POLL_INTERVAL);
}

// --- The engine's turn -----------------------------------------------------

TEST_F(SearchTest, FirstTurnBudgetIsTheAllowanceAndTimeUsedCountsFromTheLastIteration) {
    clock_source = scripted_clock;
    load_fen(KINGS_A1_H8);
    // 6562 / 35 = 187.  Readings: turn start, deepening start, iteration 1
    // (186 ms), iteration 2 (187 ms: stop), the reading after the move.
    set_clock_script({0, 0, 0, 186, 186, 373, 378});
    take_engine_turn();
    EXPECT_EQ(classic_root_depth(), 2);
    EXPECT_EQ(engine_moves_made, 1);
    EXPECT_EQ(time_used, 192);  // iteration 2 and the move: 187 + 5
    // Interface mode (no diagram): bare kings are a dead position, claimed.
    EXPECT_EQ(printed(), "move a1b1\n1/2-1/2 {Draw by insufficient material}\n");
    EXPECT_EQ(side_to_move, BLACK);
    EXPECT_EQ(game_moves.count, 3);  // black's replies, regenerated

    // One iteration of 187 ms is enough to stop.
    load_fen(KINGS_A1_H8);
    engine_moves_made = 0;
    time_used = 0;
    set_clock_script({0, 0, 0, 187, 187});
    take_engine_turn();
    EXPECT_EQ(classic_root_depth(), 1);
}

TEST_F(SearchTest, SpentAllowanceLeavesHalfAMoveTime) {
    clock_source = scripted_clock;
    load_fen(KINGS_A1_H8);
    // 6562 * 3 - 19686 = 0: the budget becomes 3281, a thirty-fifth 93.
    engine_moves_made = 2;
    time_used = 19686;
    set_clock_script({0, 0, 0, 92, 92, 185, 185});
    take_engine_turn();
    EXPECT_EQ(classic_root_depth(), 2);
    EXPECT_EQ(engine_moves_made, 3);
    EXPECT_EQ(time_used, 19686 + 93);

    // Left over from earlier moves: 6562 * 3 - 12000 = 7686, a thirty-fifth
    // 219, so 218 ms do not stop the deepening.
    load_fen(KINGS_A1_H8);
    engine_moves_made = 2;
    time_used = 12000;
    set_clock_script({0, 0, 0, 218, 218, 437});
    take_engine_turn();
    EXPECT_EQ(classic_root_depth(), 2);
}

TEST_F(SearchTest, ExtremeAllowancesNeitherOverflowNorSkipTheMove) {
    clock_source = scripted_clock;
    load_fen(KINGS_A1_H8);
    move_time_ms = INT32_MAX;
    engine_moves_made = INT32_MAX;
    time_used = 5;
    // The budget saturates at INT32_MAX; an iteration of a thirty-fifth of
    // it stops the deepening; the time used saturates too.
    set_clock_script({0, 0, 0, INT32_MAX / 35, 0xFFFFFFFFu});
    take_engine_turn();
    EXPECT_EQ(classic_root_depth(), 1);
    EXPECT_EQ(engine_moves_made, INT32_MAX);
    EXPECT_EQ(time_used, INT32_MAX);

    for (int32_t allowance : {0, 1, -1000, INT32_MIN}) {
        load_fen(KINGS_A1_H8);
        std::rewind(output);
        move_time_ms = allowance;
        engine_moves_made = 0;
        time_used = 0;
        set_clock_script({});
        take_engine_turn();
        EXPECT_EQ(classic_root_depth(), 1) << allowance;
        EXPECT_EQ(printed().substr(0, 10), "move a1b1\n") << allowance;
    }
}

TEST_F(SearchTest, FixedDepthTurnLeavesTheTimeAccountsAlone) {
    load_fen(KINGS_A1_H8);
    clock_mode = 0;
    search_depth = 3;
    engine_moves_made = 7;
    time_used = 1234;
    take_engine_turn();
    EXPECT_EQ(classic_root_depth(), 4);
    EXPECT_EQ(engine_moves_made, 7);
    EXPECT_EQ(time_used, 1234);
}

TEST_F(SearchTest, TurnWithoutAMoveReportsTheEngineMatedAndStillHandsOver) {
    load_fen("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
    clock_mode = 0;
    const int32_t games = game_count;
    take_engine_turn();
    EXPECT_EQ(printed(), "1-0 {White mates}\n");
    EXPECT_EQ(game_count, games + 1);
    EXPECT_EQ(side_to_move, WHITE);
    move_list white;
    generate_moves(game_position, white);
    EXPECT_EQ(game_moves.count, white.count);
    EXPECT_GT(game_moves.count, 0);
}

TEST_F(SearchTest, TurnThatMatesReportsTheUserMated) {
    load_fen("3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1");
    clock_mode = 0;
    search_depth = 2;
    const int32_t games = game_count;
    take_engine_turn();
    EXPECT_EQ(printed(), "move d8d1\n0-1 {Black mates}\n");
    EXPECT_EQ(game_count, games + 1);
    EXPECT_EQ(side_to_move, WHITE);
    EXPECT_EQ(game_moves.count, 0);
}

TEST_F(SearchTest, EqualBestMovesAreChosenAlikeAtRandom) {
    // With every position scored 0, the king's three moves tie.
    eval_variant = 4;
    clock_mode = 0;
    search_depth = 1;
    random_seed(20240607);
    int b1 = 0, a2 = 0, b2 = 0;
    for (int i = 0; i < 300; ++i) {
        load_fen(KINGS_A1_H8);
        std::rewind(output);
        take_engine_turn();
        const std::string line = printed().substr(0, 10);
        b1 += line == "move a1b1\n";
        a2 += line == "move a1a2\n";
        b2 += line == "move a1b2\n";
    }
    EXPECT_EQ(b1 + a2 + b2, 300);
    EXPECT_GT(b1, 60);
    EXPECT_GT(a2, 60);
    EXPECT_GT(b2, 60);
}

TEST_F(SearchTest, StrictRootDropsAnEnPassantCaptureThatUncoversTheKing) {
    // b5xc6 e.p. takes the c5 pawn off the diagonal a3-e7: the bishop would
    // attack the king.  The quick legality test looks only along the line
    // through b5 and lists it; a GUI would forfeit the engine for it.
    const char* fen = "7k/4b3/8/1Pp5/8/K7/8/8 w - c6 0 1";
    eval_variant = 4;  // every position scores 0: every root move ties for best
    load_fen(fen);
    run_classic(game_position, WHITE, 1, 0, 0);
    const std::vector<std::string> quick = sorted(best_root_texts());
    EXPECT_EQ(quick, (std::vector<std::string>{"a3a2", "a3a4", "a3b2", "a3b3", "b5b6", "b5c6"}));
    search_limits strict;
    strict.strict_root = true;
    load_fen(fen);
    run_classic(game_position, WHITE, 1, 0, 0, nullptr, &strict);
    EXPECT_EQ(sorted(best_root_texts()), (std::vector<std::string>{"a3a2", "a3a4", "a3b2", "a3b3", "b5b6"}));
}
