// Where the men reach on an empty board: knight and king targets, and the
// squares along each ray, nearest first, as lists and as masks, built at
// compile time.  They are facts of the board, not of any one way of
// scoring or searching it, so the rules hold them, under both their users:
// the strong evaluation (eval/) reads them for mobility and king safety, the
// strong search (search/) for its exchange arithmetic.  The classic rules
// find moves their own way; only the capture generator reads the knight's
// squares here (and the sliders' reach, slider_reach.h) to pass over men
// that have nothing to take.
#pragma once

#include <cstdint>

namespace reach_detail {
// The squares a knight or a king reaches from each square, and the squares
// along each of the eight rays, nearest first.
struct move_tables {
    int8_t knight[64][9];     // targets, -1 after the last
    int8_t king[64][9];
    int8_t ray[64][8][8];     // by direction; -1 after the last
};
inline constexpr int DIR_FILE[8] = {1, -1, 0, 0, 1, 1, -1, -1};  // rook directions first, then bishop's
inline constexpr int DIR_RANK[8] = {0, 0, 1, -1, 1, -1, 1, -1};
constexpr move_tables make_move_tables() {
    move_tables t{};
    constexpr int kf[8] = {1, 2, 2, 1, -1, -2, -2, -1}, kr[8] = {2, 1, -1, -2, -2, -1, 1, 2};
    for (int sq = 0; sq < 64; ++sq) {
        const int f = sq & 7, r = sq >> 3;
        int n = 0, k = 0;
        for (int i = 0; i < 8; ++i) {
            const int nf = f + kf[i], nr = r + kr[i];
            if (nf >= 0 && nf < 8 && nr >= 0 && nr < 8) t.knight[sq][n++] = static_cast<int8_t>(nf + 8 * nr);
            const int gf = f + DIR_FILE[i], gr = r + DIR_RANK[i];
            if (gf >= 0 && gf < 8 && gr >= 0 && gr < 8) t.king[sq][k++] = static_cast<int8_t>(gf + 8 * gr);
        }
        for (; n < 9; ++n) t.knight[sq][n] = -1;
        for (; k < 9; ++k) t.king[sq][k] = -1;
        for (int d = 0; d < 8; ++d) {
            int m = 0, cf = f + DIR_FILE[d], cr = r + DIR_RANK[d];
            while (cf >= 0 && cf < 8 && cr >= 0 && cr < 8) {
                t.ray[sq][d][m++] = static_cast<int8_t>(cf + 8 * cr);
                cf += DIR_FILE[d];
                cr += DIR_RANK[d];
            }
            for (; m < 8; ++m) t.ray[sq][d][m] = -1;
        }
    }
    return t;
}
inline constexpr move_tables REACH_SQUARES = make_move_tables();

// The same as bit sets (bit s = square s), so that a slider's reach is the
// ray cut at its first occupied square instead of a walk along it.  Even
// directions run towards higher squares, odd ones towards lower.
struct move_masks {
    uint64_t knight[64];
    uint64_t king[64];
    uint64_t ray[64][8];
};
constexpr move_masks make_move_masks() {
    move_masks m{};
    for (int sq = 0; sq < 64; ++sq) {
        for (int i = 0; i < 9 && REACH_SQUARES.knight[sq][i] >= 0; ++i) m.knight[sq] |= uint64_t{1} << REACH_SQUARES.knight[sq][i];
        for (int i = 0; i < 9 && REACH_SQUARES.king[sq][i] >= 0; ++i) m.king[sq] |= uint64_t{1} << REACH_SQUARES.king[sq][i];
        for (int d = 0; d < 8; ++d)
            for (int i = 0; i < 8 && REACH_SQUARES.ray[sq][d][i] >= 0; ++i) m.ray[sq][d] |= uint64_t{1} << REACH_SQUARES.ray[sq][d][i];
    }
    return m;
}
inline constexpr move_masks REACH_MASKS = make_move_masks();
static_assert(DIR_RANK[0] * 8 + DIR_FILE[0] > 0 && DIR_RANK[1] * 8 + DIR_FILE[1] < 0 && DIR_RANK[2] * 8 + DIR_FILE[2] > 0 &&
                  DIR_RANK[3] * 8 + DIR_FILE[3] < 0 && DIR_RANK[4] * 8 + DIR_FILE[4] > 0 &&
                  DIR_RANK[5] * 8 + DIR_FILE[5] < 0 && DIR_RANK[6] * 8 + DIR_FILE[6] > 0 &&
                  DIR_RANK[7] * 8 + DIR_FILE[7] < 0,
              "even directions run up the board");

// The squares of ray d from sq up to and including the first one in occupied.
// Without a branch on whether the ray is blocked: the far corner stands in
// for a blocker (h8 for rays up the board, a1 for rays down), and no ray of
// its direction leaves it, so an open ray is cut at nothing.
inline uint64_t ray_reach(int sq, int d, uint64_t occupied) {
    const uint64_t ray = REACH_MASKS.ray[sq][d];
    const bool up = (d & 1) == 0;
    const uint64_t blockers = (ray & occupied) | (up ? uint64_t{1} << 63 : uint64_t{1});
    const int first = up ? __builtin_ctzll(blockers) : 63 - __builtin_clzll(blockers);
    return ray & ~REACH_MASKS.ray[first][d];
}

}  // namespace reach_detail
using reach_detail::REACH_SQUARES;
using reach_detail::REACH_MASKS;
using reach_detail::ray_reach;
using reach_detail::DIR_FILE;
using reach_detail::DIR_RANK;
