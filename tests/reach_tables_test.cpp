// Where the men reach on an empty board (rules/reach_tables.h), against
// figures worked out by hand: the totals over the board, the corners, and
// the order of a ray's squares.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "rules/reach_tables.h"
#include "rules/slider_reach.h"

namespace {

constexpr int square(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

std::set<int> listed(const int8_t* targets, int room) {
    std::set<int> s;
    int i = 0;
    for (; i < room && targets[i] >= 0; ++i) s.insert(targets[i]);
    for (; i < room; ++i) EXPECT_EQ(targets[i], -1) << "a square after the end of the list";
    return s;
}

// A knight has 336 moves over an empty board (4 squares with 2, 8 with 3,
// 20 with 4, 16 with 6, 16 with 8) and a king 420 (4 x 3 + 24 x 5 + 36 x 8);
// a rook always sees 14 squares, a bishop 560 over the board
// (28 x 7 + 20 x 9 + 12 x 11 + 4 x 13).  A table that wrapped round an edge
// or stopped short of one would miss these.
TEST(ReachTables, TotalsOverTheBoard) {
    int knight = 0, king = 0, bishop = 0;
    for (int sq = 0; sq < 64; ++sq) {
        const int k = static_cast<int>(listed(REACH_SQUARES.knight[sq], 9).size());
        EXPECT_EQ(__builtin_popcountll(REACH_MASKS.knight[sq]), k) << sq;
        knight += k;
        const int g = static_cast<int>(listed(REACH_SQUARES.king[sq], 9).size());
        EXPECT_EQ(__builtin_popcountll(REACH_MASKS.king[sq]), g) << sq;
        king += g;
        int rook = 0;
        for (int d = 0; d < 4; ++d) rook += __builtin_popcountll(REACH_MASKS.ray[sq][d]);
        EXPECT_EQ(rook, 14) << sq;
        for (int d = 4; d < 8; ++d) bishop += __builtin_popcountll(REACH_MASKS.ray[sq][d]);
    }
    EXPECT_EQ(knight, 336);
    EXPECT_EQ(king, 420);
    EXPECT_EQ(bishop, 560);
}

TEST(ReachTables, CornersAndRaysByHand) {
    EXPECT_EQ(listed(REACH_SQUARES.knight[square("a1")], 9), (std::set<int>{square("b3"), square("c2")}));
    EXPECT_EQ(listed(REACH_SQUARES.knight[square("h8")], 9), (std::set<int>{square("g6"), square("f7")}));
    EXPECT_EQ(listed(REACH_SQUARES.king[square("h1")], 9),
              (std::set<int>{square("g1"), square("g2"), square("h2")}));
    // Up the d-file from d4, nearest first, then the end of the list.
    int up = -1;
    for (int d = 0; d < 8; ++d)
        if (DIR_FILE[d] == 0 && DIR_RANK[d] == 1) up = d;
    ASSERT_GE(up, 0);
    const int8_t* ray = REACH_SQUARES.ray[square("d4")][up];
    EXPECT_EQ(ray[0], square("d5"));
    EXPECT_EQ(ray[1], square("d6"));
    EXPECT_EQ(ray[2], square("d7"));
    EXPECT_EQ(ray[3], square("d8"));
    EXPECT_EQ(ray[4], -1);
}

// A slider's reach, cut at its first man without a branch, against a walk
// square by square: every square and direction, on open boards, full ones,
// the corners taken, and random ones.
TEST(ReachTables, RayReachEqualsAWalkAlongTheRay) {
    uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state;
    };
    for (int trial = 0; trial < 400; ++trial) {
        uint64_t occupied = trial == 0 ? 0 : trial == 1 ? ~uint64_t{0} : trial == 2 ? 0x8000000000000001ull
                                                                            : next() & next();
        for (int sq = 0; sq < 64; ++sq)
            for (int d = 0; d < 8; ++d) {
                uint64_t walked = 0;
                for (int f = (sq & 7) + DIR_FILE[d], r = (sq >> 3) + DIR_RANK[d]; f >= 0 && f < 8 && r >= 0 && r < 8;
                     f += DIR_FILE[d], r += DIR_RANK[d]) {
                    walked |= uint64_t{1} << (f + 8 * r);
                    if ((occupied >> (f + 8 * r)) & 1) break;
                }
                ASSERT_EQ(ray_reach(sq, d, occupied), walked) << "square " << sq << " direction " << d;
            }
    }
}

// A rook's and a bishop's whole reach, read from the slider table, against
// the union of their rays cut one by one, on the same kinds of boards and
// on every square's edges and corners.
TEST(ReachTables, SliderReachEqualsTheUnionOfTheRays) {
    uint64_t state = 6789;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state;
    };
    for (int trial = 0; trial < 2000; ++trial) {
        const uint64_t occupied = trial == 0 ? 0 : trial == 1 ? ~uint64_t{0} : trial == 2 ? 0x8100000000000081ull
                                  : trial % 2 == 0 ? next() & next() : next() & next() & next();
        for (int sq = 0; sq < 64; ++sq) {
            // The man itself may or may not be in the set: it must not matter.
            for (const uint64_t board : {occupied | (uint64_t{1} << sq), occupied & ~(uint64_t{1} << sq)}) {
                uint64_t rook = 0, bishop = 0;
                for (int d = 0; d < 4; ++d) rook |= ray_reach(sq, d, board);
                for (int d = 4; d < 8; ++d) bishop |= ray_reach(sq, d, board);
                ASSERT_EQ(rook_reach(board, sq), rook) << "square " << sq << " board " << board;
                ASSERT_EQ(bishop_reach(board, sq), bishop) << "square " << sq << " board " << board;
            }
        }
    }
}

}  // namespace
