// The evaluation: scores worked out by hand, mate and stalemate, the
// legal-move test against the generator, and the activity count against a
// slow count of its own.
#include "eval/eval.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "book/random.h"
#include "settings/settings.h"
#include "search/classic_search.h"

namespace {

constexpr uint8_t W(int type) {
    return static_cast<uint8_t>(WHITE * 16 + type);
}
constexpr uint8_t B(int type) {
    return static_cast<uint8_t>(BLACK * 16 + type);
}

// Every test starts from the default settings with the engine playing white,
// and leaves the globals as it found them.
class EvalTest : public ::testing::Test {
   protected:
    void SetUp() override {
        saved_side_ = side_to_move;
        saved_engine_ = engine_side;
        saved_variant_ = eval_variant;
        saved_emotion_ = emotion;
        engine_side = WHITE;
        eval_variant = 2;
        emotion = 0;
    }
    void TearDown() override {
        side_to_move = saved_side_;
        engine_side = saved_engine_;
        eval_variant = saved_variant_;
        emotion = saved_emotion_;
    }

    // The position of a FEN; reply is its side to move.
    static position from_fen(const char* fen, int& reply) {
        position pos;
        EXPECT_TRUE(parse_fen(fen, pos, reply)) << fen;
        return pos;
    }
    static position from_fen(const char* fen) {
        int reply = WHITE;
        return from_fen(fen, reply);
    }

    // Plays coordinate moves (e.g. "e2e4") from the start, as the game does.
    static position after_moves(std::initializer_list<const char*> moves) {
        position pos;
        set_start_position(pos);
        side_to_move = WHITE;
        for (const char* text : moves) {
            move_list list;
            generate_moves(pos, list);
            bool found = false;
            for (int i = 0; i < list.count && !found; ++i) {
                const move& m = list.moves[i];
                if (m.from_file == text[0] - 'a' && m.from_rank == text[1] - '1' &&
                    m.to_file == text[2] - 'a' && m.to_rank == text[3] - '1') {
                    make_move(pos, m);
                    found = true;
                }
            }
            EXPECT_TRUE(found) << text;
            side_to_move = other_colour(side_to_move);
        }
        return pos;
    }

    // evaluate with side_to_move = side on entry, checking that side_to_move
    // and every live byte of the position are as they were afterwards.
    static int32_t score(const position& pos, int side, int full_test) {
        position before;
        copy_position(before, pos);
        side_to_move = side;
        const int32_t result = evaluate(pos, full_test);
        EXPECT_EQ(side_to_move, side);
        EXPECT_EQ(std::memcmp(&before, &pos, POSITION_FIXED_BYTES), 0);
        EXPECT_EQ(std::memcmp(before.history, pos.history, sizeof(history_entry) * pos.history_count), 0);
        return result;
    }
    static int in_check_for(const position& pos, int side) {
        side_to_move = side;
        return in_check(pos);
    }
    // A leaf as the search scores it: mover has just moved.
    static int32_t leaf(const position& pos, int mover) { return score(pos, mover, -1); }

    // has_legal_move for side, with the same checks.
    static int legal_move_for(const position& pos, int side) {
        position before;
        copy_position(before, pos);
        side_to_move = side;
        const int result = has_legal_move(pos);
        EXPECT_EQ(side_to_move, side);
        EXPECT_EQ(std::memcmp(&before, &pos, POSITION_FIXED_BYTES), 0);
        return result;
    }

   private:
    int saved_side_ = WHITE, saved_engine_ = WHITE;
    int32_t saved_variant_ = 2, saved_emotion_ = 0;
};

// emotion settings and the emotion term they give with 78 men's worth on the board.
struct emotion_case {
    int32_t emotion;
    int term;
};
constexpr emotion_case EMOTIONS_AT_START[] = {{0, 0}, {1, -78}, {5, -78}, {-1, 78}, {-7, 78}};

TEST_F(EvalTest, KnightSquareTableCountsKnightStepsOnAnEmptyBoard) {
    for (int square = 0; square < 64; ++square) {
        int reach = 0;
        for (int df = -2; df <= 2; ++df)
            for (int dr = -2; dr <= 2; ++dr)
                if (std::abs(df * dr) == 2 && on_board((square & 7) + df, (square >> 3) + dr)) ++reach;
        EXPECT_EQ(KNIGHT_SQUARE_TABLE[square], reach) << "square " << square;
    }
}

TEST_F(EvalTest, StartPositionScoresOnlyTheEmotionTerm) {
    position pos;
    set_start_position(pos);
    for (int side : {WHITE, BLACK}) {
        engine_side = side;
        for (const emotion_case& e : EMOTIONS_AT_START) {
            emotion = e.emotion;
            for (int variant = 0; variant <= 3; ++variant) {
                eval_variant = variant;
                EXPECT_EQ(leaf(pos, BLACK), e.term) << "variant " << variant << " emotion " << e.emotion;
                EXPECT_EQ(leaf(pos, WHITE), e.term) << "variant " << variant << " emotion " << e.emotion;
            }
            // Out of range: every ordinary position is 0, without the emotion term.
            eval_variant = 4;
            EXPECT_EQ(leaf(pos, BLACK), 0);
            eval_variant = -1;
            EXPECT_EQ(leaf(pos, BLACK), 0);
        }
    }
}

TEST_F(EvalTest, AfterE4EveryVariantEmotionAndEngineSide) {
    // pawn_advance_term 2 (e4: 3 - 1); activity 33 against 42.  major for
    // white: variant 0 and 1: 0; variant 2: 3 * 2 = 6; variant 3: 6 + 2 * (33 - 42) = -12.
    const position pos = after_moves({"e2e4"});
    const int white_major[4] = {0, 0, 6, -12};
    for (int side : {WHITE, BLACK}) {
        engine_side = side;
        const int sign = side == WHITE ? 1 : -1;
        for (const emotion_case& e : EMOTIONS_AT_START) {
            emotion = e.emotion;
            for (int variant = 0; variant <= 3; ++variant) {
                eval_variant = variant;
                EXPECT_EQ(leaf(pos, WHITE), 256 * sign * white_major[variant] + e.term)
                    << "variant " << variant << " emotion " << e.emotion << " engine " << side;
            }
        }
    }
    engine_side = WHITE;
    emotion = 0;
    eval_variant = 2;
    EXPECT_EQ(leaf(pos, WHITE), 1536);
    eval_variant = 3;
    EXPECT_EQ(leaf(pos, WHITE), -3072);
}

TEST_F(EvalTest, CastledPositionWorkedByHand) {
    // 1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O, black to reply.
    // castling_term = 4 * (1 - 0) + 0 - 2 = 2; king ranks 0 and 7: 0;
    // pawns: e4 gives 2, e5 gives 6 - 4 = 2: 0; knights b1 3 + f3 8 against
    // g8 3 + c6 8: 0.  Activity, man by man:
    //   white Ra1 6, Nb1 3, Bc1 6, Qd1 15 (c2, f3, c1, f1, d2), Rf1 6 (d1, f2),
    //   g2 pawn 3 (f3), Bc4 7 (a2, f1, f7 pawn 1), Nf3 7 (d2, e5 pawn 1, h2): 53;
    //   black Ra8 6, Bc8 6, Qd8 9, Rh8 6, b7 and d7 pawns 3 each (c6),
    //   Nc6 9 (a7, e5, d8), Bc5 4 (a7, f2 pawn 1): 46.
    const position pos = after_moves({"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "f8c5", "e1g1"});
    ASSERT_EQ(pos.white_castled, 1);
    EXPECT_EQ(count_activity(WHITE, pos.board), 53);
    EXPECT_EQ(count_activity(BLACK, pos.board), 46);
    eval_variant = 1;
    EXPECT_EQ(leaf(pos, WHITE), 256 * 2);
    eval_variant = 2;
    EXPECT_EQ(leaf(pos, WHITE), 256 * 4);
    eval_variant = 3;
    EXPECT_EQ(leaf(pos, WHITE), 256 * (4 + 2 * 7));
    engine_side = BLACK;
    EXPECT_EQ(leaf(pos, WHITE), -256 * 18);
}

TEST_F(EvalTest, KingRankExample) {
    // White king on rank index 1, black king on 7: king_rank_term = -1; no
    // other term and no material, so the emotion term is 0 too.
    const position pos = from_fen("4k3/8/8/8/8/8/4K3/8 b - - 0 1");
    emotion = 3;
    const int32_t expected[4] = {0, 256 * -6, 256 * -12, 256 * -12};
    for (int variant = 0; variant <= 3; ++variant) {
        eval_variant = variant;
        engine_side = WHITE;
        EXPECT_EQ(leaf(pos, WHITE), expected[variant]) << "variant " << variant;
        engine_side = BLACK;
        EXPECT_EQ(leaf(pos, WHITE), -expected[variant]) << "variant " << variant;
    }
}

TEST_F(EvalTest, MaterialAndEmotionWithUnequalMaterial) {
    // White is a knight up (39 against 36): variant 0 is 65536 * 3 plus the
    // emotion term of 75 men's worth, which does not turn with engine_side.
    const position pos = from_fen("r1bqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    eval_variant = 0;
    emotion = -2;
    EXPECT_EQ(leaf(pos, BLACK), 65536 * 3 + 75);
    engine_side = BLACK;
    EXPECT_EQ(leaf(pos, BLACK), -65536 * 3 + 75);
    emotion = 9;
    EXPECT_EQ(leaf(pos, BLACK), -65536 * 3 - 75);
}

TEST_F(EvalTest, PawnKnightSumsAndTheirReset) {
    // White pawn b7: 6 - 1 = 5, white pawn c2: 0; black pawn d5: 6 - 4 = 2,
    // black pawn h7: 0; white knights a3 (4) and e4 (8); black knight h1 (2).
    const position pos = from_fen("4k3/1P5p/8/3p4/4N3/N7/2P5/4K2n w - - 0 1");
    pawn_knight_totals sums{99, -5, 7, 1000};
    pawn_knight_sums(pos, sums);
    EXPECT_EQ(sums.white_pawn_advance, 5);
    EXPECT_EQ(sums.black_pawn_advance, 2);
    EXPECT_EQ(sums.white_knight_placement, 12);
    EXPECT_EQ(sums.black_knight_placement, 2);
}

TEST_F(EvalTest, MateScoresBothSidesAndBothTests) {
    // Fool's mate: white, to reply, is mated by black's last move.
    const position white_mated = from_fen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
    // Scholar's mate: black is mated by white's last move.
    const position black_mated =
        from_fen("r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4");
    emotion = 4;  // mates get no emotion term
    for (int variant : {0, 2, 3, 4}) {
        eval_variant = variant;
        engine_side = BLACK;
        EXPECT_EQ(leaf(white_mated, BLACK), MATE_SCORE);
        EXPECT_EQ(score(white_mated, WHITE, 0), MATE_SCORE);
        EXPECT_EQ(leaf(black_mated, WHITE), -MATE_SCORE);
        EXPECT_EQ(score(black_mated, BLACK, 0), -MATE_SCORE);
        engine_side = WHITE;
        EXPECT_EQ(leaf(white_mated, BLACK), -MATE_SCORE);
        EXPECT_EQ(score(white_mated, WHITE, 0), -MATE_SCORE);
        EXPECT_EQ(leaf(black_mated, WHITE), MATE_SCORE);
        EXPECT_EQ(score(black_mated, BLACK, 0), MATE_SCORE);
    }
    EXPECT_EQ(-MATE_SCORE, -2147483647);
}

TEST_F(EvalTest, StalemateScoresZeroBothSidesAndBothTests) {
    const position black_stalemated = from_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    const position white_stalemated = from_fen("8/8/8/8/8/6k1/5q2/7K w - - 0 1");
    emotion = -1;
    for (int variant : {0, 3, 4}) {
        eval_variant = variant;
        for (int side : {WHITE, BLACK}) {
            engine_side = side;
            EXPECT_EQ(leaf(black_stalemated, WHITE), 0);
            EXPECT_EQ(score(black_stalemated, BLACK, 0), 0);
            EXPECT_EQ(leaf(white_stalemated, BLACK), 0);
            EXPECT_EQ(score(white_stalemated, WHITE, 0), 0);
        }
    }
}

TEST_F(EvalTest, FullTestZeroOnlyAsksInCheck) {
    // Black, in check from Bb5, has moves; white, not in check, has moves.
    const position pos = from_fen("rnbqkbnr/ppp2ppp/8/1B1pp3/4P3/8/PPPP1PPP/RNBQK1NR b KQkq - 1 3");
    EXPECT_EQ(score(pos, BLACK, 0), MATE_SCORE);
    EXPECT_EQ(score(pos, WHITE, 0), 0);
    engine_side = BLACK;
    EXPECT_EQ(score(pos, BLACK, 0), -MATE_SCORE);
    // As a leaf it is an ordinary position: material level, pawns e4 (2)
    // against d5 and e5 (2 + 2), so variant 2 gives major 3 * (2 - 4) = -6.
    EXPECT_EQ(leaf(pos, WHITE), 256 * 6);
    engine_side = WHITE;
    EXPECT_EQ(leaf(pos, WHITE), 256 * -6);
}

TEST_F(EvalTest, DrawFlagsComeBeforeTheMateTest) {
    position pos = from_fen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
    emotion = 1;
    pos.repetition_draw = 1;
    EXPECT_EQ(leaf(pos, BLACK), 0);
    EXPECT_EQ(score(pos, WHITE, 0), 0);
    pos.repetition_draw = 0;
    pos.fifty_move_draw = 1;
    EXPECT_EQ(leaf(pos, BLACK), 0);
    EXPECT_EQ(score(pos, WHITE, 0), 0);
    // An ordinary position with a flag gets no emotion term either.
    set_start_position(pos);
    pos.fifty_move_draw = 1;
    EXPECT_EQ(leaf(pos, BLACK), 0);
}

TEST_F(EvalTest, ActivityOfTheStartAndAfterE4) {
    position pos;
    set_start_position(pos);
    EXPECT_EQ(count_activity(WHITE, pos.board), 42);
    EXPECT_EQ(count_activity(BLACK, pos.board), 42);
    side_to_move = BLACK;  // plays no part
    EXPECT_EQ(count_activity(WHITE, pos.board), 42);
    const position e4 = after_moves({"e2e4"});
    EXPECT_EQ(count_activity(WHITE, e4.board), 33);
    EXPECT_EQ(count_activity(BLACK, e4.board), 42);
}

TEST_F(EvalTest, ContactValuesByToucherAndTarget) {
    // One man of the counted colour touches one target; the kings stand
    // where no man of the test sees them (unless the target is a king).
    // Columns: enemy P R N B Q K, own pawn, own king.
    const int expected[6][8] = {
        {},
        {1, 2, 2, 2, 2, 2, 3, 0},  // pawn
        {1, 1, 2, 2, 2, 2, 3, 0},  // rook
        {1, 1, 1, 2, 2, 2, 3, 0},  // knight
        {1, 1, 1, 1, 2, 2, 3, 0},  // bishop
        {1, 1, 1, 1, 1, 2, 3, 0},  // queen
    };
    for (int colour : {WHITE, BLACK}) {
        const int enemy = other_colour(colour);
        const int dir = colour == WHITE ? 1 : -1;
        // White touches from d4 upwards, black from d5 downwards.
        const int from = colour == WHITE ? square_index(3, 3) : square_index(3, 4);
        const int own_king_home = colour == WHITE ? square_index(7, 0) : square_index(7, 7);
        const int enemy_king_home = colour == WHITE ? square_index(0, 7) : square_index(0, 0);
        for (int toucher = PAWN; toucher <= QUEEN; ++toucher) {
            int target = from + 8 * dir;  // rook and queen: straight ahead
            if (toucher == PAWN || toucher == BISHOP) target = from + 8 * dir + 1;
            if (toucher == KNIGHT) target = from + 16 * dir + 1;
            for (int column = 0; column < 8; ++column) {
                uint8_t board[64] = {};
                board[from] = static_cast<uint8_t>(colour * 16 + toucher);
                board[own_king_home] = static_cast<uint8_t>(colour * 16 + KING);
                board[enemy_king_home] = static_cast<uint8_t>(enemy * 16 + KING);
                if (column < 5) {
                    board[target] = static_cast<uint8_t>(enemy * 16 + column + 1);
                } else if (column == 5) {
                    board[enemy_king_home] = 0;
                    board[target] = static_cast<uint8_t>(enemy * 16 + KING);
                } else if (column == 6) {
                    board[target] = static_cast<uint8_t>(colour * 16 + PAWN);
                } else {
                    board[own_king_home] = 0;
                    board[target] = static_cast<uint8_t>(colour * 16 + KING);
                }
                EXPECT_EQ(count_activity(colour, board), expected[toucher][column])
                    << "colour " << colour << " toucher " << toucher << " column " << column;
            }
        }
    }
}

TEST_F(EvalTest, ActivityStaysOnTheBoardAtTheEdges) {
    uint8_t board[64] = {};
    board[square_index(7, 0)] = W(KING);
    board[square_index(7, 7)] = B(KING);
    // A white a-pawn looks only at the b-file: the h-file square one rank
    // below its b-file diagonal holds a rook it must not see.
    board[square_index(0, 3)] = W(PAWN);
    board[square_index(1, 4)] = B(KNIGHT);
    board[square_index(7, 3)] = B(ROOK);
    EXPECT_EQ(count_activity(WHITE, board), 2);
    // A black h-pawn looks only at the g-file.
    std::memset(board, 0, sizeof board);
    board[square_index(0, 0)] = W(KING);
    board[square_index(0, 7)] = B(KING);
    board[square_index(7, 4)] = B(PAWN);
    board[square_index(6, 3)] = W(KNIGHT);
    board[square_index(0, 4)] = W(ROOK);
    EXPECT_EQ(count_activity(BLACK, board), 2);
    // A rook on h4 looking right, and along empty lines, touches nothing.
    std::memset(board, 0, sizeof board);
    board[square_index(0, 1)] = W(KING);
    board[square_index(2, 7)] = B(KING);
    board[square_index(7, 3)] = W(ROOK);
    board[square_index(0, 4)] = B(QUEEN);
    EXPECT_EQ(count_activity(WHITE, board), 0);
    // The same ray, one step at a time: the first occupied square counts.
    int total = 10;
    score_ray_contact(board, 7, 3, -1, 0, WHITE, total);
    EXPECT_EQ(total, 10);
    board[square_index(2, 3)] = B(QUEEN);
    board[square_index(1, 3)] = W(PAWN);
    score_ray_contact(board, 7, 3, -1, 0, WHITE, total);
    EXPECT_EQ(total, 12);
    // A queen touching the enemy king adds 2, her own king 0.
    std::memset(board, 0, sizeof board);
    board[square_index(3, 3)] = W(QUEEN);
    board[square_index(3, 6)] = B(KING);
    board[square_index(3, 0)] = W(KING);
    EXPECT_EQ(count_activity(WHITE, board), 2);
}

TEST_F(EvalTest, OnlyLegalMoveIsEnPassant) {
    // Black: king a1 boxed in by Kc2 and Bb3, pawn e4 blocked by Ne3; d2-d4
    // has just been played.
    position pos = from_fen("8/8/8/8/3Pp3/1B2N3/2K5/k7 b - d3 0 1");
    EXPECT_EQ(legal_move_for(pos, BLACK), 1);
    EXPECT_EQ(side_in_check, 0);
    // Variant 2: material 7 - 1 = 6; king ranks (7 - 0) - 1 = 6; pawns d4 2
    // against e4 6 - 3 = 3; knight e3 8.  major = 1536 + 72 - 3 + 8 = 1613.
    EXPECT_EQ(leaf(pos, WHITE), 256 * 1613);
    pos.en_passant_file = NO_EN_PASSANT;
    EXPECT_EQ(legal_move_for(pos, BLACK), 0);
    EXPECT_EQ(side_in_check, 0);
    EXPECT_EQ(leaf(pos, WHITE), 0);
}

TEST_F(EvalTest, OnlyLegalMoveIsThePromotionStep) {
    // White: king h1 boxed in by Kf2 and Bg3; the b7 pawn may step to b8.
    position pos = from_fen("8/1P6/8/8/8/6b1/5k2/7K w - - 0 1");
    EXPECT_EQ(legal_move_for(pos, WHITE), 1);
    pos.board[square_index(1, 7)] = B(KNIGHT);  // blocked: stalemate
    EXPECT_EQ(legal_move_for(pos, WHITE), 0);
    pos.board[square_index(0, 7)] = B(ROOK);  // but a capture onto the last rank
    EXPECT_EQ(legal_move_for(pos, WHITE), 1);
    // The mirror image for black.
    const position black = from_fen("7k/5K2/6B1/8/8/8/1p6/8 b - - 0 1");
    EXPECT_EQ(legal_move_for(black, BLACK), 1);
}

TEST_F(EvalTest, CastlingIsNotAnEscapeFromCheck) {
    // Back-rank mate by the a1 rook.  Tried as a king move, e1-g1 would put
    // the f1 rook between, and f1 tested with the board still showing the
    // king on e1 looks safe; only the check stops it.
    const position pos = from_fen("4k3/8/8/8/8/8/3PPP2/r3K2R w K - 0 1");
    EXPECT_EQ(legal_move_for(pos, WHITE), 0);
    EXPECT_EQ(side_in_check, 1);
    EXPECT_EQ(castle_right_safe, 0);
    EXPECT_EQ(castle_left_safe, 0);
    engine_side = BLACK;
    EXPECT_EQ(leaf(pos, BLACK), MATE_SCORE);
}

TEST_F(EvalTest, CastlingTransitFlags) {
    struct flag_case {
        const char* fen;
        int right_safe, left_safe;
    };
    // Rooks at home; a black rook looking at f1, d1 or b1; a right missing;
    // a man between king and rook.
    const flag_case cases[] = {
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", 1, 1},  {"4kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1", 0, 1},
        {"3rk3/8/8/8/8/8/8/R3K2R w KQ - 0 1", 1, 0}, {"1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", 1, 1},
        {"4k3/8/8/8/8/8/8/R3K2R w Q - 0 1", 0, 1},   {"4k3/8/8/8/8/8/8/R3K1NR w KQ - 0 1", 0, 1},
        {"4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", 1, 0}, {"r3k2r/8/8/8/8/8/8/4KR2 b kq - 0 1", 0, 1},
    };
    for (const flag_case& c : cases) {
        int reply = WHITE;
        const position pos = from_fen(c.fen, reply);
        EXPECT_EQ(legal_move_for(pos, reply), 1) << c.fen;
        EXPECT_EQ(castle_right_safe, c.right_safe) << c.fen;
        EXPECT_EQ(castle_left_safe, c.left_safe) << c.fen;
    }
}

TEST_F(EvalTest, OnlyTheTestedColoursMenCount) {
    const position pos = from_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(legal_move_for(pos, BLACK), 0);
    EXPECT_EQ(side_in_check, 0);
    EXPECT_EQ(legal_move_for(pos, WHITE), 1);
    const position mate = from_fen("r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4");
    EXPECT_EQ(legal_move_for(mate, BLACK), 0);
    EXPECT_EQ(side_in_check, 1);
    EXPECT_EQ(legal_move_for(mate, WHITE), 1);
}

// A slow count of contacts from the definition: for every man of colour and
// every square, does the man touch that square (pawn diagonal, knight jump,
// or a slider's line with nothing in between)?
int slow_activity(int colour, const uint8_t* board) {
    int total = 0;
    for (int from = 0; from < 64; ++from) {
        const uint8_t man = board[from];
        if (man == 0 || piece_colour(man) != colour || piece_type(man) == KING) continue;
        const int type = piece_type(man);
        const int ff = from % 8, fr = from / 8;
        for (int to = 0; to < 64; ++to) {
            const uint8_t target = board[to];
            if (to == from || target == 0) continue;
            const int df = to % 8 - ff, dr = to / 8 - fr;
            bool touches = false;
            if (type == PAWN) {
                touches = std::abs(df) == 1 && dr == (colour == WHITE ? 1 : -1);
            } else if (type == KNIGHT) {
                touches = std::abs(df * dr) == 2;
            } else {
                const bool straight = df == 0 || dr == 0;
                const bool diagonal = std::abs(df) == std::abs(dr);
                if ((type != BISHOP && straight) || (type != ROOK && diagonal)) {
                    const int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
                    touches = true;
                    for (int f = ff + sf, r = fr + sr; f != ff + df || r != fr + dr; f += sf, r += sr)
                        if (board[f + 8 * r] != 0) touches = false;
                }
            }
            if (!touches) continue;
            if (piece_colour(target) == colour)
                total += piece_type(target) == KING ? 0 : 3;
            else
                total += piece_type(target) > type ? 2 : 1;
        }
    }
    return total;
}

// Random games from a few starting points.  At every position the legal-move
// test must agree with the generator (result and the three flags), the
// activity count with the slow count and with its colour-mirrored board, and
// the variants with one another.
TEST_F(EvalTest, RandomGamesAgreeWithGeneratorAndSlowCounts) {
    const char* const starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
        "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1",
    };
    random_seed(12345);
    int positions = 0, ended_without_moves = 0;
    for (int game = 0; game < 60; ++game) {
        int reply = WHITE;
        position pos = from_fen(starts[game % 6], reply);
        for (int ply = 0; ply < 160; ++ply) {
            ++positions;
            side_to_move = reply;
            move_list list;
            generate_moves(pos, list);
            const int flags[3] = {side_in_check, castle_right_safe, castle_left_safe};
            ASSERT_EQ(legal_move_for(pos, reply), list.count > 0 ? 1 : 0)
                << "game " << game << " ply " << ply;
            EXPECT_EQ(side_in_check, flags[0]);
            EXPECT_EQ(castle_right_safe, flags[1]);
            EXPECT_EQ(castle_left_safe, flags[2]);

            uint8_t mirrored[64];
            for (int square = 0; square < 64; ++square) {
                const uint8_t man = pos.board[square ^ 56];
                mirrored[square] =
                    man == 0 ? 0
                             : static_cast<uint8_t>(other_colour(piece_colour(man)) * 16 + piece_type(man));
            }
            for (int colour : {WHITE, BLACK}) {
                const int count = count_activity(colour, pos.board);
                EXPECT_EQ(count, slow_activity(colour, pos.board));
                EXPECT_EQ(count, count_activity(other_colour(colour), mirrored));
            }

            // The leaf the search would score after the last move.
            const int mover = other_colour(reply);
            eval_variant = 2;
            engine_side = WHITE;
            const int32_t v2 = leaf(pos, mover);
            if (list.count == 0) {
                ++ended_without_moves;
                EXPECT_EQ(v2, in_check_for(pos, reply) ? (mover == WHITE ? MATE_SCORE : -MATE_SCORE) : 0);
                break;
            }
            eval_variant = 3;
            const int32_t v3 = leaf(pos, mover);
            const int activity = count_activity(WHITE, pos.board) - count_activity(BLACK, pos.board);
            EXPECT_EQ(v3 - v2, 256 * 2 * activity);
            engine_side = BLACK;
            const int32_t v3_black = leaf(pos, mover);
            EXPECT_EQ(v3 + v3_black, 0);  // emotion 0: the two sides' scores are opposite

            side_to_move = reply;
            make_move(pos, list.moves[random_next() % list.count]);
            reply = other_colour(reply);
            if (pos.repetition_draw || pos.fifty_move_draw) break;
        }
    }
    EXPECT_GT(positions, 3000);
    EXPECT_GT(ended_without_moves, 0);  // some games end in mate or stalemate
}

// Boards no game reaches (pawns on the first and last ranks, rights without
// rooks, an en-passant file with no pawn, kings in check on both sides): the
// legal-move test still agrees with the generator, the activity count with
// the slow count, and evaluate stays within its values without touching
// anything outside the board.
TEST_F(EvalTest, OddBoardsAgreeWithGeneratorAndSlowCounts) {
    static constexpr uint8_t MEN[] = {W(PAWN), W(ROOK), W(KNIGHT), W(BISHOP), W(QUEEN),
                                      B(PAWN), B(ROOK), B(KNIGHT), B(BISHOP), B(QUEEN)};
    random_seed(777);
    for (int trial = 0; trial < 3000; ++trial) {
        position pos;
        set_start_position(pos);
        std::memset(pos.board, 0, sizeof pos.board);
        const int white_king = trial % 3 == 0 ? square_index(4, 0) : random_next() % 64;
        int black_king = trial % 3 == 0 ? square_index(4, 7) : random_next() % 64;
        while (black_king == white_king) black_king = random_next() % 64;
        pos.board[white_king] = W(KING);
        pos.board[black_king] = B(KING);
        pos.white_king_file = static_cast<int8_t>(white_king & 7);
        pos.white_king_rank = static_cast<int8_t>(white_king >> 3);
        pos.black_king_file = static_cast<int8_t>(black_king & 7);
        pos.black_king_rank = static_cast<int8_t>(black_king >> 3);
        const int men = random_next() % 24;
        for (int i = 0; i < men; ++i) {
            const int square = random_next() % 64;
            if (pos.board[square] == 0) pos.board[square] = MEN[random_next() % 10];
        }
        pos.white_castle_right = static_cast<int8_t>(random_next() % 2);
        pos.white_castle_left = static_cast<int8_t>(random_next() % 2);
        pos.black_castle_right = static_cast<int8_t>(random_next() % 2);
        pos.black_castle_left = static_cast<int8_t>(random_next() % 2);
        pos.en_passant_file =
            random_next() % 3 == 0 ? static_cast<uint8_t>(random_next() % 8) : NO_EN_PASSANT;
        for (int side : {WHITE, BLACK}) {
            side_to_move = side;
            move_list list;
            generate_moves(pos, list);
            const int flags[3] = {side_in_check, castle_right_safe, castle_left_safe};
            ASSERT_EQ(legal_move_for(pos, side), list.count > 0 ? 1 : 0) << "trial " << trial;
            EXPECT_EQ(side_in_check, flags[0]);
            EXPECT_EQ(castle_right_safe, flags[1]);
            EXPECT_EQ(castle_left_safe, flags[2]);
            EXPECT_EQ(count_activity(side, pos.board), slow_activity(side, pos.board));
            for (int variant = 0; variant <= 4; ++variant) {
                eval_variant = variant;
                const int32_t value = leaf(pos, other_colour(side));
                if (list.count == 0)
                    EXPECT_TRUE(value == 0 || value == MATE_SCORE || value == -MATE_SCORE);
                else
                    EXPECT_TRUE(value != MATE_SCORE && value != -MATE_SCORE);
            }
        }
    }
}

// The tool's account of a position, run as a person would run it.
std::string run_tool(const std::string& arguments, int& status) {
    const std::string command = std::string(ORVANE_TOOL_BINARY) + " eval " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    if (pipe == nullptr) return output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    status = pclose(pipe);
    return output;
}

TEST(EvalTool, ExplainsTheScoreAfterE4) {
    const std::string e4 = "'rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1'";
    int status = -1;
    std::string out = run_tool(e4 + " --emotion -1", status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("to reply: black; in check: no; has a legal move: yes\n"), std::string::npos) << out;
    EXPECT_NE(out.find("pawn advance: white 2, black 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("activity: white 33, black 42\n"), std::string::npos) << out;
    EXPECT_NE(out.find("major: variant 0 0, variant 1 0, variant 2 6, variant 3 -12\n"), std::string::npos)
        << out;
    EXPECT_NE(
        out.find("evaluate: variant 0 78, variant 1 78, variant 2 1614, variant 3 -2994, variant 4 0\n"),
        std::string::npos)
        << out;
    out = run_tool(e4 + " --engine-side black --emotion 2 --variant 3", status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(
        out.find("evaluate: variant 0 -78, variant 1 -78, variant 2 -1614, variant 3 2994, variant 4 0\n"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("score (eval_variant 3): 2994\n"), std::string::npos) << out;
    // Fool's mate: white, to reply, is mated.
    out = run_tool("'rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3'", status);
    EXPECT_NE(out.find("to reply: white; in check: yes; has a legal move: no\n"), std::string::npos) << out;
    EXPECT_NE(out.find("score (eval_variant 2): -2147483647\n"), std::string::npos) << out;
}

TEST(EvalTool, RefusesBadArguments) {
    int status = -1;
    run_tool("startpos --variant two", status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    run_tool("startpos --engine-side red", status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    run_tool("'not a fen'", status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
}

}  // namespace
