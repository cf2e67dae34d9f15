// generate_captures against the full generator: over every position of a
// walk of legal moves from positions rich in checks, pins, promotions and
// en-passant captures, its list must be the full list's captures and
// promotions, found here by looking at each move on the board, in the same
// order and with the same records, and the generator's flags must agree.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rules/rules.h"

namespace {

// A move of the full list that the quiescence search keeps: its target
// holds a man, it is a pawn's diagonal step (en passant), or it promotes.
bool capture_or_promotion(const position& pos, const move& m) {
    const uint8_t target = pos.board[square_index(m.to_file, m.to_rank)];
    const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
    if (m.promotion != NO_PROMOTION) return true;
    if (piece_type(target) != 0) return true;
    return piece_type(piece) == PAWN && m.from_file != m.to_file;
}

position walk[8];
move_list full[8], captures[8];
int positions_compared = 0, captures_seen = 0, en_passant_seen = 0, evasions_seen = 0;

void compare_at(int ply, int side) {
    const position& pos = walk[ply];
    side_to_move = side;
    generate_moves(pos, full[ply]);
    const int check = side_in_check, right = castle_right_safe, left = castle_left_safe;
    side_to_move = side;
    generate_captures(pos, captures[ply]);
    EXPECT_EQ(side_in_check, check);
    EXPECT_EQ(castle_right_safe, right);
    EXPECT_EQ(castle_left_safe, left);
    int n = 0;
    for (int i = 0; i < full[ply].count; ++i) {
        const move& m = full[ply].moves[i];
        if (!capture_or_promotion(pos, m)) continue;
        ASSERT_LT(n, captures[ply].count) << "a capture is missing";
        EXPECT_EQ(std::memcmp(&m, &captures[ply].moves[n], sizeof m), 0) << "capture " << n << " differs";
        if (piece_type(pos.board[square_index(m.to_file, m.to_rank)]) == 0 && m.promotion == NO_PROMOTION)
            ++en_passant_seen;
        if (check) ++evasions_seen;
        ++n;
    }
    EXPECT_EQ(n, captures[ply].count) << "a move that is no capture was listed";
    captures_seen += n;
    ++positions_compared;
}

void walk_from(int ply, int depth, int side) {
    compare_at(ply, side);
    if (::testing::Test::HasFailure() || depth == 0) return;
    for (int i = 0; i < full[ply].count; ++i) {
        copy_position(walk[ply + 1], walk[ply]);
        side_to_move = side;
        make_move(walk[ply + 1], full[ply].moves[i]);
        walk_from(ply + 1, depth - 1, other_colour(side));
        side_to_move = side;
        generate_moves(walk[ply], full[ply]);  // the child's walk used the globals
    }
}

void walk_fen(const char* fen, int depth) {
    int side = WHITE;
    ASSERT_TRUE(parse_fen(fen, walk[0], side)) << fen;
    walk_from(0, depth, side);
}

}  // namespace

TEST(CaptureGenerator, SameCapturesInTheSameOrderAsTheFullList) {
    walk_fen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3);
    walk_fen("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4);
    walk_fen("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3);
    walk_fen("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3);
    walk_fen("n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 3);
    walk_fen("8/8/8/2k5/3pP3/8/8/4K2R b K e3 0 1", 4);  // en passant, a rook behind
    // The walk did meet what the fast paths treat apart.
    EXPECT_GT(positions_compared, 50000);
    EXPECT_GT(captures_seen, 100000);
    EXPECT_GT(en_passant_seen, 10);
    EXPECT_GT(evasions_seen, 1000);
}
