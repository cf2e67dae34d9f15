// What the strong search's making of a move relies on, over a walk of legal
// moves from positions with castling both ways, en passant, promotions,
// Chess960 castling and checks of every kind (direct, discovered, by
// pawns, knights and promotions, through an en-passant capture):
// make_move_unrecorded must leave the position make_move leaves but for
// what the record keeps (the history, the fifty-move count and the draw
// flags), and move_gives_check must say what in_check says after the move.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "rules/rules.h"

namespace {

position walk[6];
move_list lists[6];
int moves_compared = 0;
int checks_given = 0, discovered_checks = 0;

// The bytes of the fixed part that the record does not touch, compared one
// by one (padding included: both copies start from the same bytes).
void expect_same_but_record(const position& a, const position& b) {
    const size_t skip_from = offsetof(position, fifty_move_count), skip_to = offsetof(position, white_material);
    EXPECT_EQ(std::memcmp(&a, &b, skip_from), 0) << "board, rights or king fields differ";
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&a) + skip_to, reinterpret_cast<const char*>(&b) + skip_to,
                          POSITION_FIXED_BYTES - skip_to),
              0)
        << "material or Chess960 fields differ";
}

void walk_from(int ply, int depth, int side) {
    side_to_move = side;
    generate_moves(walk[ply], lists[ply], promotions::all);
    drop_bad_en_passant(walk[ply], lists[ply]);
    const move_list list = lists[ply];
    for (int i = 0; i < list.count && !::testing::Test::HasFailure(); ++i) {
        const move& m = list.moves[i];
        const position& before = walk[ply];
        position unrecorded;
        std::memcpy(&unrecorded, &before, POSITION_FIXED_BYTES);
        unrecorded.history_count = 0;
        copy_position(walk[ply + 1], before);
        side_to_move = side;
        make_move(walk[ply + 1], m);
        side_to_move = side;
        make_move_unrecorded(unrecorded, m);
        expect_same_but_record(walk[ply + 1], unrecorded);
        side_to_move = other_colour(side);
        const int checked = in_check(walk[ply + 1]);
        side_to_move = side;
        EXPECT_EQ(move_gives_check(before, walk[ply + 1], m), checked)
            << "after " << char('a' + m.from_file) << int(m.from_rank + 1) << char('a' + m.to_file) << int(m.to_rank + 1);
        checks_given += checked;
        // A check by a man that does not attack the king from its new square.
        if (checked) {
            side_to_move = other_colour(side);
            position lifted = walk[ply + 1];
            lifted.board[square_index(m.to_file, m.to_rank)] = 0;
            discovered_checks += in_check(lifted);
        }
        ++moves_compared;
        if (depth > 1) walk_from(ply + 1, depth - 1, other_colour(side));
    }
}

void walk_fen(const char* fen, int depth, bool chess960 = false) {
    int side = WHITE;
    ASSERT_TRUE(parse_fen(fen, walk[0], side, chess960)) << fen;
    walk_from(0, depth, side);
}

}  // namespace

TEST(MoveMaking, UnrecordedMoveAndGivenCheckAgreeWithTheFullTests) {
    walk_fen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3);
    walk_fen("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3);
    walk_fen("n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 3);
    walk_fen("8/8/8/2k5/3pP3/8/8/4K2R b K e3 0 1", 4);
    walk_fen("1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1", 3, true);  // Chess960 castling
    walk_fen("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4);                  // discovered checks, en passant
    walk_fen("4k3/8/8/3PpP2/1B6/2N5/5Q2/R3K2R w KQ e6 0 1", 2);                  // checks by every man, castling
    walk_fen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", 3);                          // castling with check
    EXPECT_GT(moves_compared, 50000);
    EXPECT_GT(checks_given, 5000);
    EXPECT_GT(discovered_checks, 100);
}
