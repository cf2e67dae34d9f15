// What the speed work keeps up to date or finds by bit sets, checked against
// slow literal versions: the changed squares of a move, the book key and the
// pawn and knight sums carried from board to board, and the attack test
// against a walk over the board square by square.
#include <gtest/gtest.h>

#include <cstdlib>

#include "book/book.h"
#include "book/random.h"
#include "eval/eval.h"
#include "protocol/session.h"
#include "settings/settings.h"
#include "rules_test_util.h"

namespace {

uint32_t lcg(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

uint64_t bit(int file, int rank) { return uint64_t{1} << square_index(file, rank); }

// in_check as first described: walk each ray square by square, then pawns,
// knights and the adjacent king, by the king fields.
int walked_in_check(const position& pos) {
    const bool white = side_to_move == WHITE;
    const int kf = white ? pos.white_king_file : pos.black_king_file;
    const int kr = white ? pos.white_king_rank : pos.black_king_rank;
    const int ef = white ? pos.black_king_file : pos.white_king_file;
    const int er = white ? pos.black_king_rank : pos.white_king_rank;
    const int enemy = other_colour(side_to_move);
    for (int df = -1; df <= 1; ++df)
        for (int dr = -1; dr <= 1; ++dr) {
            if (df == 0 && dr == 0) continue;
            int f = kf + df, r = kr + dr;
            while (on_board(f, r) && pos.board[square_index(f, r)] == 0) f += df, r += dr;
            if (!on_board(f, r)) continue;
            const uint8_t b = pos.board[square_index(f, r)];
            const bool diagonal = df != 0 && dr != 0;
            if (b == enemy * 16 + QUEEN || b == enemy * 16 + (diagonal ? BISHOP : ROOK)) return 1;
        }
    const int pawn_rank = white ? kr + 1 : kr - 1;
    for (int df = -1; df <= 1; df += 2)
        if (on_board(kf + df, pawn_rank) && pos.board[square_index(kf + df, pawn_rank)] == enemy * 16 + PAWN)
            return 1;
    for (int df = -2; df <= 2; ++df)
        for (int dr = -2; dr <= 2; ++dr)
            if (std::abs(df * dr) == 2 && on_board(kf + df, kr + dr) &&
                pos.board[square_index(kf + df, kr + dr)] == enemy * 16 + KNIGHT)
                return 1;
    return std::abs(kf - ef) <= 1 && std::abs(kr - er) <= 1;
}

class IncrementalTerms : public ::testing::Test {
protected:
    void SetUp() override {
        session_begin_xboard();
        random_seed(0);
        book_enabled = 0;
        load_book();
    }
    void TearDown() override { side_to_move = WHITE; }
};

}  // namespace

TEST_F(IncrementalTerms, ChangedSquaresOfAStepACastlingAndAnEnPassantCapture) {
    load_fen("r3k2r/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/R3K2R w KQkq e6 0 1");
    position before;
    copy_position(before, game_position);
    play("e1g1");  // king e1 -> g1, rook h1 -> f1
    EXPECT_EQ(changed_squares(before.board, game_position.board), bit(4, 0) | bit(5, 0) | bit(6, 0) | bit(7, 0));
    copy_position(before, game_position);
    play("a7a6");
    EXPECT_EQ(changed_squares(before.board, game_position.board), bit(0, 6) | bit(0, 5));
    load_fen("r3k2r/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/R3K2R w KQkq e6 0 1");
    copy_position(before, game_position);
    play("d5e6");  // the e5 pawn goes too
    EXPECT_EQ(changed_squares(before.board, game_position.board), bit(3, 4) | bit(4, 5) | bit(4, 4));
    EXPECT_EQ(changed_squares(before.board, before.board), 0u);
}

TEST_F(IncrementalTerms, KeyAndSumsCarriedThroughRandomGamesEqualAFreshCount) {
    uint32_t state = 17;
    const char* const starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/P7/8/8/8/8/1k5p/4K3 w - - 0 1",  // promotions to both colours
    };
    for (const char* fen : starts) {
        for (int game = 0; game < 40; ++game) {
            load_fen(fen);
            uint32_t key = position_key(game_position);
            pawn_knight_totals sums{};
            pawn_knight_sums(game_position, sums);
            for (int ply = 0; ply < 120; ++ply) {
                generate_moves(game_position, game_moves);
                if (game_moves.count == 0) break;
                position before;
                copy_position(before, game_position);
                make_move(game_position, game_moves.moves[lcg(state) % game_moves.count]);
                side_to_move = other_colour(side_to_move);
                const uint64_t changed = changed_squares(before.board, game_position.board);
                key = position_key_after(key, before.board, game_position.board, changed);
                update_pawn_knight_sums(sums, before.board, game_position.board, changed);
                pawn_knight_totals fresh{};
                pawn_knight_sums(game_position, fresh);
                ASSERT_EQ(key, position_key(game_position)) << fen << " game " << game << " ply " << ply;
                ASSERT_EQ(sums.white_pawn_advance, fresh.white_pawn_advance);
                ASSERT_EQ(sums.black_pawn_advance, fresh.black_pawn_advance);
                ASSERT_EQ(sums.white_knight_placement, fresh.white_knight_placement);
                ASSERT_EQ(sums.black_knight_placement, fresh.black_knight_placement);
            }
        }
    }
}

TEST_F(IncrementalTerms, AKeyChangeIsTheTwoKeyNumbersOfTheMovedMan) {
    // A white knight g1 -> f3 on an otherwise unchanged board: index
    // (6 * 0 + KNIGHT - 1) * 64 + square, worked out by hand.
    position pos;
    set_start_position(pos);
    position after;
    copy_position(after, pos);
    after.board[6] = 0;
    after.board[21] = WHITE * 16 + KNIGHT;
    const uint32_t expected = position_key(pos) ^ zobrist_keys[2 * 64 + 6] ^ zobrist_keys[2 * 64 + 21];
    EXPECT_EQ(position_key_after(position_key(pos), pos.board, after.board, changed_squares(pos.board, after.board)),
              expected);
    // A byte that is no man counts as an empty square, as position_key counts it.
    after.board[40] = 0x37;
    EXPECT_EQ(position_key_after(expected, pos.board, after.board, uint64_t{1} << 40), expected);
}

TEST_F(IncrementalTerms, InCheckAgreesWithAWalkOverTheBoardOnRandomBoards) {
    uint32_t state = 5;
    const uint8_t men[] = {0x11, 0x12, 0x13, 0x14, 0x15, 0x21, 0x22, 0x23, 0x24, 0x25, 0x37, 0x05};
    int checks = 0;
    for (int trial = 0; trial < 30000; ++trial) {
        position pos{};
        const int wk = lcg(state) % 64, bk = lcg(state) % 64;
        if (wk == bk) continue;
        pos.board[wk] = 0x16;
        pos.board[bk] = 0x26;
        pos.white_king_file = static_cast<int8_t>(wk & 7), pos.white_king_rank = static_cast<int8_t>(wk >> 3);
        pos.black_king_file = static_cast<int8_t>(bk & 7), pos.black_king_rank = static_cast<int8_t>(bk >> 3);
        const int count = 1 + lcg(state) % 14;
        for (int i = 0; i < count; ++i) {
            const int s = lcg(state) % 64;
            if (pos.board[s] == 0) pos.board[s] = men[lcg(state) % 12];
        }
        for (int side = WHITE; side <= BLACK; ++side) {
            side_to_move = side;
            const int expected = walked_in_check(pos);
            checks += expected;
            ASSERT_EQ(in_check(pos), expected) << "trial " << trial << " side " << side;
        }
    }
    EXPECT_GT(checks, 5000);  // the boards do test attacks, not only their absence
}

TEST_F(IncrementalTerms, LegalMoveTestAgreesWithTheGeneratorOnRandomBoards) {
    // The quick answer for men off the king's lines must never say yes where
    // the generator (checked against a literal reference elsewhere) lists
    // nothing, nor the other way round.
    uint32_t state = 23;
    const uint8_t men[] = {0x11, 0x12, 0x13, 0x14, 0x15, 0x21, 0x22, 0x23, 0x24, 0x25};
    int without = 0;
    static move_list list;
    for (int trial = 0; trial < 40000; ++trial) {
        position pos{};
        const int wk = lcg(state) % 64, bk = lcg(state) % 64;
        if (wk == bk) continue;
        pos.board[wk] = 0x16;
        pos.board[bk] = 0x26;
        pos.white_king_file = static_cast<int8_t>(wk & 7), pos.white_king_rank = static_cast<int8_t>(wk >> 3);
        pos.black_king_file = static_cast<int8_t>(bk & 7), pos.black_king_rank = static_cast<int8_t>(bk >> 3);
        // Mostly men of the colour whose test is the harder: few own men,
        // several enemy ones, so that pins decide between a move and none.
        const int count = lcg(state) % 9;
        for (int i = 0; i < count; ++i) {
            const int s = lcg(state) % 64;
            const uint8_t man = i < 2 ? men[lcg(state) % 5] : men[5 + lcg(state) % 5];
            if (pos.board[s] == 0 && !(piece_type(man) == PAWN && (s < 8 || s >= 56))) pos.board[s] = man;
        }
        pos.en_passant_file = lcg(state) % 2 ? static_cast<uint8_t>(lcg(state) % 8) : NO_EN_PASSANT;
        for (int side = WHITE; side <= BLACK; ++side) {
            side_to_move = side;
            generate_moves(pos, list);
            const int listed = list.count > 0;
            without += !listed;
            ASSERT_EQ(has_legal_move(pos), listed) << "trial " << trial << " side " << side;
        }
    }
    EXPECT_GT(without, 200);  // mates and stalemates among them, not only easy positions
}

TEST_F(IncrementalTerms, APinnedBishopWithCandidatesLeavesStalemate) {
    // White Ka1, Ba2 pinned on the a-file by Ra8; Rb8 covers b1 and b2.
    // The bishop has candidates, none legal: stalemate, worked out by hand.
    load_fen("rr5k/8/8/8/8/8/B7/K7 w - - 0 1");
    side_to_move = WHITE;
    EXPECT_EQ(has_legal_move(game_position), 0);
    EXPECT_EQ(side_in_check, 0);
    // Without the pinning rook the bishop moves (and the king still has none).
    load_fen("1r5k/8/8/8/8/8/B7/K7 w - - 0 1");
    side_to_move = WHITE;
    EXPECT_EQ(has_legal_move(game_position), 1);
}
