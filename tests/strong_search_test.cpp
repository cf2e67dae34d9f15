// The strong search against independent checks: a plain minimax over the
// same rules and evaluation, mates whose distance python-chess confirmed by
// brute force, draws by the fifty-move rule and by repetition worked out by
// hand, the hard limit under a scripted clock, and the evaluation's symmetry.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "app/app.h"
#include "book/book.h"
#include "eval/strong_eval.h"
#include "eval/strong_weights.h"
#include "game/game.h"
#include "game/time_manager.h"
#include "rules/position_key.h"
#include "search/request.h"
#include "search/strong_search.h"
#include "settings/settings.h"
#include "rules_test_util.h"

namespace {

constexpr int VALUE_MATE = 32000;

// The tests' own pawn cache: the search's is its own.
strong_pawn_cache test_pawns;

struct strong_fixture : ::testing::Test {
    void SetUp() override {
        reset_engine_state();
        strong_search = 1;
    }
    void TearDown() override { reset_engine_state(); }

    position pos{};
    int side = WHITE;
    int halfmove = 0;
    bool full_width = false;

    void set(const char* fen) {
        ASSERT_EQ(read_set_up_position(fen, pos, side, halfmove), nullptr) << fen;
    }
    search_result search_to(int depth, const uint64_t* earlier = nullptr, int earlier_count = 0) {
        search_request request;
        request.pos = &pos;
        request.side = side;
        request.engine = search_engine::strong;
        request.mode = search_mode::fixed_depth;
        request.depth_limit = depth;
        request.full_width = full_width;
        request.halfmove_clock = halfmove;
        request.earlier_keys = earlier;
        request.earlier_count = earlier_count;
        return run_search(request);
    }
};

// --- A plain minimax ----------------------------------------------------------
// Every legal move to the depth, then every capture and queen promotion
// (every move when in check) with the side to move free to stand on the
// static score; mates by distance, the fifty-move rule, and the dead
// positions.  No bounds, no table, no ordering.

// The legal moves with all four promotions: the generator's default lists
// the queen and the knight only, and each knight promotion here brings the
// rook and the bishop on the same squares (legal exactly when it is).
void legal(const position& p, int s, move_list& list) {
    side_to_move = s;
    generate_moves(p, list);
    move all[MOVE_LIST_SIZE];
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        side_to_move = s;
        const move m = list.moves[i];
        if (leaves_king_attacked_after_making(p, m)) continue;
        all[kept++] = m;
        if (m.promotion == KNIGHT) {
            for (const uint8_t piece : {ROOK, BISHOP}) {
                all[kept] = m;
                all[kept++].promotion = piece;
            }
        }
    }
    for (int i = 0; i < kept; ++i) list.moves[i] = all[i];
    list.count = static_cast<uint16_t>(kept);
}

bool capture_or_pawn(const position& p, const move& m) {
    const uint8_t piece = p.board[square_index(m.from_file, m.from_rank)];
    return p.board[square_index(m.to_file, m.to_rank)] != 0 || piece_type(piece) == PAWN;
}

bool is_capture(const position& p, const move& m) {
    const uint8_t piece = p.board[square_index(m.from_file, m.from_rank)];
    return p.board[square_index(m.to_file, m.to_rank)] != 0 || (piece_type(piece) == PAWN && m.from_file != m.to_file);
}

position child_of(const position& p, int s, const move& m) {
    position c = p;
    c.history_count = 0;
    c.fifty_move_count = 0;
    side_to_move = s;
    make_move(c, m);
    c.repetition_draw = c.fifty_move_draw = 0;
    return c;
}

bool dead(const position& p) {
    int minors = 0, light = 0, dark = 0;
    for (int sq = 0; sq < 64; ++sq) {
        const int t = piece_type(p.board[sq]);
        if (p.board[sq] == 0) continue;
        if (t == PAWN || t == ROOK || t == QUEEN) return false;
        if (t == KNIGHT) ++minors;
        if (t == BISHOP) {
            ++minors;
            (((sq & 7) + (sq >> 3)) % 2 ? light : dark)++;
        }
    }
    return minors <= 1 || minors == light || minors == dark;
}

int quiesce_minimax(const position& p, int s, int ply, int hm) {
    side_to_move = s;
    const bool checked = in_check(p) != 0;
    move_list list;
    legal(p, s, list);
    // A mate on the move that reaches fifty moves is still a mate.
    if (hm >= 100) return checked && list.count == 0 ? -VALUE_MATE + ply : 0;
    int best = checked ? -VALUE_MATE + ply : strong_evaluate(p, s, test_pawns);
    for (int i = 0; i < list.count; ++i) {
        const move& m = list.moves[i];
        const bool queen_promotion = m.promotion == QUEEN;
        if (!checked && !is_capture(p, m) && !queen_promotion) continue;
        const int hm2 = capture_or_pawn(p, m) ? 0 : hm + 1;
        const int v = -quiesce_minimax(child_of(p, s, m), other_colour(s), ply + 1, hm2);
        if (v > best) best = v;
    }
    return best;
}

int minimax(const position& p, int s, int ply, int depth, int hm) {
    if (depth <= 0) return quiesce_minimax(p, s, ply, hm);
    side_to_move = s;
    const bool checked = in_check(p) != 0;
    move_list list;
    legal(p, s, list);
    if (list.count == 0) return checked ? -VALUE_MATE + ply : 0;
    if (ply > 0 && (hm >= 100 || dead(p))) return 0;
    int best = -VALUE_MATE - 1;
    for (int i = 0; i < list.count; ++i) {
        const move& m = list.moves[i];
        const int hm2 = capture_or_pawn(p, m) ? 0 : hm + 1;
        const int v = -minimax(child_of(p, s, m), other_colour(s), ply + 1, depth - 1, hm2);
        if (v > best) best = v;
    }
    return best;
}

// The search reports in the classic search's units.
int32_t in_report_units(int v) {
    if (v >= VALUE_MATE - 1000) return MATE_SCORE - (VALUE_MATE - v);
    if (v <= -VALUE_MATE + 1000) return -MATE_SCORE + (VALUE_MATE + v);
    return static_cast<int32_t>(static_cast<int64_t>(v) * 65536 / 100);
}

TEST_F(strong_fixture, FullWidthSearchEqualsPlainMinimax) {
    full_width = true;
    const struct {
        const char* fen;
        int depth;
    } cases[] = {
        {"4k3/8/8/3q4/8/2N5/8/4K2R w K - 0 1", 3},          // a fork, castling
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 3},  // en passant, pins
        {"r3k3/8/8/8/8/8/8/R3K2R w KQq - 0 1", 3},          // castling both ways
        {"8/P7/8/8/8/8/1k5p/4K3 w - - 0 1", 4},             // promotions on both sides
        {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 3},       // a mate in one
        {"8/8/8/4k3/8/8/3RK3/8 w - - 0 1", 5},              // the aspiration windows' depth
        {"7k/8/8/8/8/8/1r6/K7 w - - 0 1", 3},               // lost, with a capture to find
        {"q3k3/8/8/3N4/8/8/1r6/4K3 w - - 0 1", 3},          // a knight's forks with check
        {"8/6P1/8/8/8/8/2K5/k7 w - - 0 1", 3},               // g8=Q stalemates, g8=R wins
        {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 99 80", 3},      // a mate on the hundredth half-move
    };
    for (const auto& c : cases) {
        set(c.fen);
        for (int depth = 1; depth <= c.depth; ++depth) {
            strong_clear_table();
            const int expected = minimax(pos, side, 0, depth, halfmove);
            const search_result result = search_to(depth);
            EXPECT_EQ(result.score, in_report_units(expected)) << c.fen << " depth " << depth;
            EXPECT_EQ(result.depth, depth);
            EXPECT_FALSE(result.stopped);
        }
    }
}

// A board whose side not to move stands in check (no checked set-up lets
// one through, a position built by hand can): the search must still know
// which nodes are in check, though a move that checks no more than the
// board already did is not seen by the squares it changes.
TEST_F(strong_fixture, FullWidthSearchEqualsPlainMinimaxWithTheOtherKingInCheck) {
    full_width = true;
    for (const char* fen : {"4k3/8/8/8/8/8/4R3/KN6 w - - 0 1", "4k3/8/8/8/B7/8/3p4/KN6 w - - 0 1"}) {
        ASSERT_TRUE(parse_fen(fen, pos, side)) << fen;
        side_to_move = other_colour(side);
        ASSERT_NE(in_check(pos), 0) << fen;
        halfmove = 0;
        for (int depth = 1; depth <= 3; ++depth) {
            strong_clear_table();
            const int expected = minimax(pos, side, 0, depth, halfmove);
            const search_result result = search_to(depth);
            EXPECT_EQ(result.score, in_report_units(expected)) << fen << " depth " << depth;
        }
    }
}

TEST_F(strong_fixture, MatesAtTheirDistance) {
    // Distances confirmed by a brute-force mate search in python-chess.
    const struct {
        const char* fen;
        int moves;
        const char* first;
    } cases[] = {
        {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 1, "d1d8"},
        {"7k/8/5K2/8/8/8/8/6R1 w - - 0 1", 2, nullptr},
        {"2r3k1/p4p2/3Rp2p/1p2P1pK/8/1P4P1/P3Q2P/1q6 b - - 0 1", 3, "b1g6"},
    };
    for (const auto& c : cases) {
        set(c.fen);
        strong_clear_table();
        const search_result result = search_to(8);
        EXPECT_EQ(mate_in_moves(result.score), c.moves) << c.fen;
        ASSERT_GE(result.best_count, 1);
        if (c.first != nullptr) {
            EXPECT_EQ(move_string(result.best_moves[0]), c.first) << c.fen;
        }
    }
    // The mated side sees its distance too (python-chess: every black move
    // here allows a mate in one).
    set("k7/8/1K6/8/8/8/8/7R b - - 0 1");
    strong_clear_table();
    EXPECT_EQ(mate_in_moves(search_to(6).score), -1);
}

// Threads change how the tree is searched, not what is true in it: the
// same mates at the same distances, and the one move that holds, as one
// thread finds (the cases above, and a knight's fork with check: Nc7+ wins
// the queen on a8, and every other move allows ...Qh1 mate or ...Qe4+ and
// mate).
TEST_F(strong_fixture, ThreadsFindWhatOneThreadFinds) {
    const char* const fens[] = {
        "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
        "7k/8/5K2/8/8/8/8/6R1 w - - 0 1",
        "2r3k1/p4p2/3Rp2p/1p2P1pK/8/1P4P1/P3Q2P/1q6 b - - 0 1",
        "q3k3/8/8/3N4/8/8/1r6/4K3 w - - 0 1",
    };
    for (const char* fen : fens) {
        set(fen);
        search_result by_threads[2];
        std::string best[2];
        for (int t = 0; t < 2; ++t) {
            ASSERT_TRUE(set_search_threads(t == 0 ? 1 : 3));
            strong_clear_table();
            by_threads[t] = search_to(8);
            ASSERT_GE(by_threads[t].best_count, 1) << fen;
            best[t] = move_string(by_threads[t].best_moves[0]);
            EXPECT_EQ(by_threads[t].depth, 8) << fen;
        }
        const int mate = mate_in_moves(by_threads[0].score);
        EXPECT_EQ(mate_in_moves(by_threads[1].score), mate) << fen;
        if (mate == 0) {
            EXPECT_EQ(best[0], "d5c7") << fen;
            EXPECT_EQ(best[1], "d5c7") << fen;
        }
    }
    EXPECT_FALSE(set_search_threads(0));
    EXPECT_FALSE(set_search_threads(MAX_SEARCH_THREADS + 1));
    EXPECT_EQ(search_threads(), 3) << "a refused count changes nothing";
}

TEST_F(strong_fixture, ChessToTheLetterAtTheEdges) {
    // The back-rank mate with 99 half-moves behind: Rd8 mates on the
    // hundredth, and a mate ends the game before the fifty-move rule can.
    set("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 99 80");
    search_result result = search_to(6);
    EXPECT_EQ(mate_in_moves(result.score), 1);
    ASSERT_GE(result.best_count, 1);
    EXPECT_EQ(move_string(result.best_moves[0]), "d1d8");
    // The Saavedra study: 6.c8=Q? Rc4+ 7.Qxc4 is stalemate, 6.c8=R! wins
    // (threatening Ra8 mate after ...Ra4, and Kb3 forking).
    set("8/2P5/8/8/3r4/8/2K5/k7 w - - 0 6");
    strong_clear_table();
    result = search_to(16);
    ASSERT_GE(result.best_count, 1);
    EXPECT_EQ(move_string(result.best_moves[0]), "c7c8r");
    EXPECT_GT(result.score, in_report_units(300));
}

TEST_F(strong_fixture, FiftyMovesAndRepetitionScoreZero) {
    // White has a bare king against a queen: lost, with no capture to make.
    set("7k/8/8/3q4/8/8/8/K7 w - - 0 1");
    EXPECT_LT(search_to(4).score, in_report_units(-500));
    // With 99 half-moves behind it, any move of the king ends the game drawn;
    // so with a set-up count of INT32_MAX, which the search counts on from.
    for (const int behind : {99, 2147483647}) {
        halfmove = behind;
        strong_clear_table();
        EXPECT_EQ(search_to(4).score, 0) << behind;
    }

    // The position after Kb1 stood twice already (black to move, an even
    // number of half-moves back): a third time is a draw, and the lost side
    // goes for it.  Once before is not enough.
    position after = pos;
    after.history_count = 0;
    side_to_move = WHITE;
    make_move(after, text_move("a1b1"));
    const uint64_t key = position_key(after.board, BLACK, 0, NO_EN_PASSANT);
    const uint64_t once[] = {7, key, 8, 9};
    const uint64_t twice[] = {7, key, 8, 9, 10, key, 11, 12};
    halfmove = 4;
    strong_clear_table();
    EXPECT_LT(search_to(4, once, 4).score, in_report_units(-500));
    halfmove = 8;
    strong_clear_table();
    const search_result drawn = search_to(4, twice, 8);
    EXPECT_EQ(drawn.score, 0);
    EXPECT_EQ(move_string(drawn.best_moves[0]), "a1b1");
}

// The game keys its record and the search keys its nodes; a position that
// stood twice in the game and comes again in the search must get one key
// from both, even where its fields say more than the rules let count.
TEST_F(strong_fixture, RepetitionThroughTheGameSeenWhereFieldsCountForNothing) {
    // 1...Nxh1 takes White's rook on its corner: the king-side right stays
    // in the fields, but can never be used.  2.a4 is a double step no black
    // pawn can take.  The position after it (Q) comes again after 3.Kf1 Kg8
    // 4.Ke1, with the right gone from the fields (the king moved) and no
    // en-passant file; after 4...Kh8 5.Kf1 Kg8 White, a queen and a rook
    // down, can play Ke1 into Q a third time.  (python-chess: threefold.)
    load_fen("1r4k1/8/8/8/8/6n1/Pq6/4K2R b K - 0 1");
    generate_moves(game_position, game_moves);
    for (const char* text : {"g3h1", "a2a4", "g8h8", "e1f1", "h8g8", "f1e1", "g8h8", "e1f1", "h8g8"}) {
        const move* found = nullptr;
        for (int i = 0; i < game_moves.count; ++i)
            if (move_string(game_moves.moves[i]) == text) found = &game_moves.moves[i];
        ASSERT_NE(found, nullptr) << text;
        game_play(*found);
        game_hand_over();
    }
    copy_position(pos, game_position);
    side = side_to_move;
    halfmove = game_halfmove_clock();
    ASSERT_EQ(side, WHITE);
    ASSERT_EQ(halfmove, 7);
    uint64_t earlier[MAX_EARLIER_POSITIONS];
    const int count = game_repetition_keys(earlier, MAX_EARLIER_POSITIONS);
    ASSERT_EQ(count, 7);  // Q (after a4) to 5.Kf1

    // Without the game's positions White is lost; with them Ke1 draws.
    EXPECT_LT(search_to(4).score, in_report_units(-500));
    strong_clear_table();
    const search_result drawn = search_to(4, earlier, count);
    EXPECT_EQ(drawn.score, 0);
    ASSERT_GE(drawn.best_count, 1);
    EXPECT_EQ(move_string(drawn.best_moves[0]), "f1e1");

    // The game, judging by standard chess, sees the same repetition.
    EXPECT_EQ(game_standard_draw(), standard_draw::none);
    for (int i = 0; i < game_moves.count; ++i)
        if (move_string(game_moves.moves[i]) == "f1e1") game_play(game_moves.moves[i]);
    side_to_move = BLACK;
    EXPECT_EQ(game_standard_draw(), standard_draw::repetition);
}

// --- The clock ---------------------------------------------------------------

uint32_t scripted_now = 0;
uint32_t scripted_clock() { return ++scripted_now; }  // a millisecond passes at every look

TEST_F(strong_fixture, HardLimitHoldsUnderTinyClocks) {
    clock_source = scripted_clock;  // TearDown's reset_engine_state puts the system's back
    for (const int64_t left_ms : {30, 200, 1000}) {
        new_game();
        game_time.time_known = true;
        game_time.time_left_ms = left_ms;
        game_time.increment_ms = 0;
        game_time.move_overhead_ms = 10;
        const turn_plan plan = plan_strong_turn(0);
        ASSERT_LE(plan.hard_limit_ms, left_ms) << left_ms;
        const uint32_t start = scripted_now;
        move chosen{};
        ASSERT_TRUE(think_turn(chosen));
        // The clock is looked at every few thousand nodes: the turn ends at
        // the first look past the limit, and each look costs a tick here.
        EXPECT_LE(static_cast<int64_t>(scripted_now - start), plan.hard_limit_ms + 8) << left_ms;
    }
}

// --- The evaluation --------------------------------------------------------------

position mirrored(const position& p) {
    position m = p;
    for (int sq = 0; sq < 64; ++sq) {
        const uint8_t b = p.board[sq ^ 56];
        m.board[sq] = b == 0 ? 0 : static_cast<uint8_t>(other_colour(piece_colour(b)) * 16 + piece_type(b));
    }
    return m;
}

const char* const EVAL_POSITIONS[] = {
    "r1bq1rk1/2p1bppp/p1np1n2/1p2p3/4P3/1BP2N1P/PP1P1PP1/RNBQR1K1 b - - 0 9",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/4k3/8/8/3r4/8/3QK3 w - - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "2r3k1/1q1nbppp/r3p3/3pP3/pPpP4/P1Q2N2/2RN1PPP/2R4K b - - 0 1",
    "4k3/8/8/8/8/8/8/3NK3 w - - 0 1",
    "4k3/8/8/8/8/8/8/3QK3 b - - 0 1",
    "8/5k2/3b4/8/8/2B5/4K3/8 w - - 0 1",
};

TEST_F(strong_fixture, EvaluationIsSymmetricAndBlends) {
    for (const char* fen : EVAL_POSITIONS) {
        set(fen);
        const position m = mirrored(pos);
        // The colour-flipped mirror with the other side to move is the same
        // position for the other side: exactly the same score.
        EXPECT_EQ(strong_evaluate(pos, WHITE, test_pawns), strong_evaluate(m, BLACK, test_pawns)) << fen;
        EXPECT_EQ(strong_evaluate(pos, BLACK, test_pawns), strong_evaluate(m, WHITE, test_pawns)) << fen;
        const strong_eval_parts a = strong_evaluate_parts(pos, WHITE, test_pawns);
        const strong_eval_parts b = strong_evaluate_parts(m, BLACK, test_pawns);
        EXPECT_EQ(a.middlegame, -b.middlegame) << fen;
        EXPECT_EQ(a.endgame, -b.endgame) << fen;
        EXPECT_EQ(a.scale, b.scale) << fen;
    }
    // Full material: the middlegame weights alone; bare kings and pawns: the endgame's alone.
    set("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    strong_eval_parts p = strong_evaluate_parts(pos, WHITE, test_pawns);
    EXPECT_EQ(p.phase, 24);
    EXPECT_EQ(strong_evaluate(pos, WHITE, test_pawns), p.middlegame);
    set("4k3/pppp4/8/8/8/8/4PPPP/4K3 w - - 0 1");
    p = strong_evaluate_parts(pos, WHITE, test_pawns);
    EXPECT_EQ(p.phase, 0);
    EXPECT_EQ(strong_evaluate(pos, WHITE, test_pawns), p.endgame * p.scale / 64);
    // A knight up with no pawns cannot win; with pawns it can.  A rook and
    // a bishop against a rook is nearly as drawn.
    set("4k3/8/8/8/8/8/8/3NK3 w - - 0 1");
    const int bare = strong_evaluate(pos, WHITE, test_pawns);
    set("4k3/p7/8/8/8/8/P7/3NK3 w - - 0 1");
    EXPECT_LT(bare, strong_evaluate(pos, WHITE, test_pawns) / 4);
    set("4k3/8/8/3r4/8/8/8/3RBK2 w - - 0 1");
    const int rook_and_bishop = strong_evaluate(pos, WHITE, test_pawns);
    set("4k3/7p/8/3r4/8/8/7P/3RBK2 w - - 0 1");
    EXPECT_LT(rook_and_bishop, strong_evaluate(pos, WHITE, test_pawns) / 2);
}

// Bishop and knight mate only in a corner of the bishop's colour: the bare
// king there must be worth far more to the winner than in the other two,
// which a side can force within the fifty moves only if each step counts.
TEST_F(strong_fixture, BishopAndKnightDriveToTheBishopsCorner) {
    // White Kc3, Nd4, and Bd6 (dark) or Be6 (light); the black king in each corner.
    auto eval_of = [&](const std::string& fen) {
        set(fen.c_str());
        return strong_evaluate(pos, WHITE, test_pawns);
    };
    const int dark_a1 = eval_of("8/8/3B4/8/3N4/2K5/8/k7 w - - 0 1"), dark_h8 = eval_of("7k/8/3B4/8/3N4/2K5/8/8 w - - 0 1");
    const int dark_a8 = eval_of("k7/8/3B4/8/3N4/2K5/8/8 w - - 0 1"), dark_h1 = eval_of("8/8/3B4/8/3N4/2K5/8/7k w - - 0 1");
    EXPECT_GT(std::min(dark_a1, dark_h8), std::max(dark_a8, dark_h1) + 500);
    const int light_a1 = eval_of("8/8/4B3/8/3N4/2K5/8/k7 w - - 0 1"), light_h8 = eval_of("7k/8/4B3/8/3N4/2K5/8/8 w - - 0 1");
    const int light_a8 = eval_of("k7/8/4B3/8/3N4/2K5/8/8 w - - 0 1"), light_h1 = eval_of("8/8/4B3/8/3N4/2K5/8/7k w - - 0 1");
    EXPECT_GT(std::min(light_a8, light_h1), std::max(light_a1, light_h8) + 500);
    // With a pawn to queen, the corner is no plan of its own.
    const int pawn_right = eval_of("7k/8/3B4/8/3N4/2K5/P7/8 w - - 0 1"), pawn_wrong = eval_of("k7/8/3B4/8/3N4/2K5/P7/8 w - - 0 1");
    EXPECT_LT(std::abs(pawn_right - pawn_wrong), 200);
}

// The tuner sees the evaluation through its counts: they must give back
// the engine's score, or the weights it fits are for another function.
TEST_F(strong_fixture, TraceGivesBackTheScore) {
    for (const char* fen : EVAL_POSITIONS) {
        set(fen);
        for (const int side : {WHITE, BLACK}) {
            strong_trace t{};
            strong_evaluate_trace(pos, side, test_pawns, t);
            int64_t mg = t.fixed_mg, eg = t.fixed_eg;
            for (int i = 0; i < STRONG_TERM_COUNT; ++i) {
                mg += int64_t{t.coeff[i]} * STRONG_WEIGHTS[i].mg;
                eg += int64_t{t.coeff[i]} * STRONG_WEIGHTS[i].eg;
            }
            const int64_t white = (mg * t.phase + eg * t.scale / 64 * (24 - t.phase)) / 24;
            EXPECT_EQ(side == WHITE ? white : -white, strong_evaluate(pos, side, test_pawns)) << fen;
        }
    }
}

// The pawn cache is its owner's: the evaluation reads the cache it is
// given and no other, a slot changed in one cache shows in that cache
// alone, and clear() or a newly made cache (even on memory a used one
// left dirty) scores as if nothing were kept.  The dirt is worked out by
// hand: 50 added to both packed halves of a slot is 50 more in each of the
// middlegame and endgame sums.
TEST_F(strong_fixture, PawnCacheIsItsOwnersAlone) {
    set(EVAL_POSITIONS[4]);  // rooks, queens and minors, and pawns: phase 20
    const auto fresh = std::make_unique<strong_pawn_cache>();
    const strong_eval_parts clean = strong_evaluate_parts(pos, WHITE, *fresh);
    ASSERT_GT(clean.phase, 0);
    ASSERT_LT(clean.phase, 24);  // both halves count, so dirt in either shows

    auto dirty = std::make_unique<strong_pawn_cache>();
    strong_evaluate(pos, WHITE, *dirty);
    int filled = 0;
    for (strong_pawn_cache::slot& slot : dirty->slots) {
        if ((slot.white | slot.black) == 0) continue;
        slot.both += 50 + (int64_t{50} << 32);
        ++filled;
    }
    ASSERT_EQ(filled, 1);  // one pawn structure seen, one slot
    const strong_eval_parts read = strong_evaluate_parts(pos, WHITE, *dirty);
    EXPECT_EQ(read.middlegame, clean.middlegame + 50);
    EXPECT_EQ(read.endgame, clean.endgame + 50);
    EXPECT_NE(strong_evaluate(pos, WHITE, *dirty), strong_evaluate(pos, WHITE, *fresh));
    // Another owner's cache, the same pawns already in it, knows nothing of the dirt.
    EXPECT_EQ(strong_evaluate_parts(pos, WHITE, *fresh).middlegame, clean.middlegame);
    const auto other = std::make_unique<strong_pawn_cache>();
    EXPECT_EQ(strong_evaluate_parts(pos, WHITE, *other).endgame, clean.endgame);

    // A cache made on memory a dirty one leaves (as an allocator may hand
    // it back) starts empty; the barrier keeps the copy from being dropped.
    alignas(strong_pawn_cache) static unsigned char storage[sizeof(strong_pawn_cache)];
    std::memcpy(storage, static_cast<const void*>(dirty.get()), sizeof storage);
    asm volatile("" : : "r"(storage) : "memory");
    strong_pawn_cache* reused = new (storage) strong_pawn_cache;
    EXPECT_EQ(strong_evaluate_parts(pos, WHITE, *reused).middlegame, clean.middlegame);
    reused->~strong_pawn_cache();

    dirty->clear();
    const strong_eval_parts cleared = strong_evaluate_parts(pos, WHITE, *dirty);
    EXPECT_EQ(cleared.middlegame, clean.middlegame);
    EXPECT_EQ(cleared.endgame, clean.endgame);
}

// Pawn-structure counts worked out by hand.
TEST_F(strong_fixture, PawnStructureCountsByHand) {
    namespace T = strong_term;
    strong_trace t{};
    // White: b2 b3 doubled and isolated, b3 passed with a free path, e4
    // passed but the black king stands on its file, h5 isolated and held
    // by g7.  Black: g7 isolated.
    set("4k3/6p1/8/7P/4P3/1P6/1P6/4K3 w - - 0 1");
    strong_evaluate_trace(pos, WHITE, test_pawns, t);
    EXPECT_EQ(t.coeff[T::DOUBLED], 1);
    EXPECT_EQ(t.coeff[T::ISOLATED], 4 - 1);
    EXPECT_EQ(t.coeff[T::PASSED + 2], 1);
    EXPECT_EQ(t.coeff[T::PASSED + 3], 1);
    EXPECT_EQ(t.coeff[T::PASSED + 1], 0);
    EXPECT_EQ(t.coeff[T::PASSED_FREE + 2], 1);
    EXPECT_EQ(t.coeff[T::PASSED_FREE + 3], 0);
    EXPECT_EQ(t.coeff[T::PASSED_OWN_KING + 2], 3);    // e1 to b4
    EXPECT_EQ(t.coeff[T::PASSED_THEIR_KING + 2], 4);  // e8 to b4
    EXPECT_EQ(t.coeff[T::PASSED_OWN_KING + 3], 4);    // e1 to e5
    EXPECT_EQ(t.coeff[T::PASSED_THEIR_KING + 3], 3);
    EXPECT_EQ(t.coeff[T::BACKWARD], 0);
    EXPECT_EQ(t.coeff[T::TEMPO], 1);
    // e3 cannot be defended by a pawn and f5 holds e4: backward.  d4 is
    // defended by e3 and passed.  f5 is isolated.
    set("4k3/8/8/5p2/3P4/4P3/8/4K3 b - - 0 1");
    t = strong_trace{};
    strong_evaluate_trace(pos, BLACK, test_pawns, t);
    EXPECT_EQ(t.coeff[T::BACKWARD], 1);
    EXPECT_EQ(t.coeff[T::SUPPORTED + 3], 1);
    EXPECT_EQ(t.coeff[T::PASSED + 3], 1);
    EXPECT_EQ(t.coeff[T::ISOLATED], -1);
    EXPECT_EQ(t.coeff[T::DOUBLED], 0);
    EXPECT_EQ(t.coeff[T::TEMPO], -1);
}

// The king-safety, piece and push counts worked out by hand.  White: Ke1,
// Ra7, Nd3 behind its d4 pawn, Bc1 with d4 on its colour (g2 is not);
// black: Ke8 and Ne6, which d4-d5 would attack from a square black does not hold.
TEST_F(strong_fixture, KingAndPieceCountsByHand) {
    namespace T = strong_term;
    strong_trace t{};
    set("4k3/R7/4n3/8/3P4/3N4/6P1/2B1K3 w - - 0 1");
    strong_evaluate_trace(pos, WHITE, test_pawns, t);
    EXPECT_EQ(t.coeff[T::ROOK_SEVENTH], 1);        // the black king on the eighth
    EXPECT_EQ(t.coeff[T::MINOR_BEHIND_PAWN], 1);   // Nd3 (Ne6 has no pawn ahead)
    EXPECT_EQ(t.coeff[T::BISHOP_PAWNS], 1);        // d4
    EXPECT_EQ(t.coeff[T::PAWN_PUSH_THREAT], 1);    // d5 on e6; g3 and g4 hit nothing
    // Ra8+ is safe; Re7+ is not (the king holds e7); no minor can check.
    EXPECT_EQ(t.coeff[T::SAFE_CHECK + 0], 1);
    EXPECT_EQ(t.coeff[T::SAFE_CHECK + 1], 0);
    EXPECT_EQ(t.coeff[T::SAFE_CHECK + 2], 0);
    EXPECT_EQ(t.coeff[T::SAFE_CHECK + 3], 0);
    // The rook hits d7, e7 and f7, which only the king holds; d8 and f8 the knight holds.
    EXPECT_EQ(t.coeff[T::KING_WEAK_ZONE], 3);
    EXPECT_EQ(t.coeff[T::KING_HITS_BY_ATTACKERS + 0], 3);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(t.coeff[T::KING_HITS_BY_ATTACKERS + i], 0);
    // The white king is two from g2, the black one four from d4.
    EXPECT_EQ(t.coeff[T::KING_PAWN_DISTANCE], 2 - 4);
}

}  // namespace
