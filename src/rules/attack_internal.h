// Attack primitives shared by the attack tests and the generator.
#pragma once

#include <cstdint>

#include "rules/rules.h"

inline constexpr int8_t KNIGHT_STEPS[8][2] = {{-1, -2}, {-2, -1}, {-1, 2}, {-2, 1}, {1, -2}, {2, -1}, {1, 2}, {2, 1}};
inline constexpr int8_t KING_STEPS[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
// Slider directions: the bishop's four, then the rook's four, in generation order.
inline constexpr int8_t RAY_STEPS[8][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};

// Target squares of a knight or king step pattern from each square, on the
// board only, in the pattern's order; and the squares of each ray.
struct square_tables {
    uint8_t knight_count[64], knight_to[64][8];
    uint8_t king_count[64], king_to[64][8];
    uint8_t ray_count[64][8], ray_to[64][8][7];
};
constexpr square_tables make_square_tables() {
    square_tables t{};
    for (int s = 0; s < 64; ++s) {
        const int f = s & 7, r = s >> 3;
        for (const auto& step : KNIGHT_STEPS)
            if (on_board(f + step[0], r + step[1]))
                t.knight_to[s][t.knight_count[s]++] = static_cast<uint8_t>(square_index(f + step[0], r + step[1]));
        for (const auto& step : KING_STEPS)
            if (on_board(f + step[0], r + step[1]))
                t.king_to[s][t.king_count[s]++] = static_cast<uint8_t>(square_index(f + step[0], r + step[1]));
        for (int d = 0; d < 8; ++d)
            for (int x = f + RAY_STEPS[d][0], y = r + RAY_STEPS[d][1]; on_board(x, y);
                 x += RAY_STEPS[d][0], y += RAY_STEPS[d][1])
                t.ray_to[s][d][t.ray_count[s][d]++] = static_cast<uint8_t>(square_index(x, y));
    }
    return t;
}
inline constexpr square_tables SQUARE_TABLES = make_square_tables();

// The same patterns as bit sets (bit s = square s): the squares of each ray,
// the knight's targets, and the squares from which an enemy pawn attacks a
// king of each colour.  Rays 0-3 are diagonals, 4-7 ranks and files; rays
// 1, 3, 5 and 7 run towards higher squares.
struct square_masks {
    uint64_t ray[64][8];
    uint64_t knight[64];
    uint64_t pawn_attackers[2][64];  // [WHITE - 1]: black pawns that attack a white king there
};
constexpr square_masks make_square_masks() {
    square_masks m{};
    const square_tables t = make_square_tables();
    for (int s = 0; s < 64; ++s) {
        for (int d = 0; d < 8; ++d)
            for (int i = 0; i < t.ray_count[s][d]; ++i) m.ray[s][d] |= uint64_t{1} << t.ray_to[s][d][i];
        for (int i = 0; i < t.knight_count[s]; ++i) m.knight[s] |= uint64_t{1} << t.knight_to[s][i];
        const int f = s & 7, r = s >> 3;
        for (int df = -1; df <= 1; df += 2) {
            if (on_board(f + df, r + 1)) m.pawn_attackers[WHITE - 1][s] |= uint64_t{1} << square_index(f + df, r + 1);
            if (on_board(f + df, r - 1)) m.pawn_attackers[BLACK - 1][s] |= uint64_t{1} << square_index(f + df, r - 1);
        }
    }
    return m;
}
inline constexpr square_masks SQUARE_MASKS = make_square_masks();

// The ray (0-7) from square a on which square b lies, or NO_RAY.
inline constexpr uint8_t NO_RAY = 8;
struct ray_directions {
    uint8_t of[64][64];
};
constexpr ray_directions make_ray_directions() {
    ray_directions r{};
    for (int a = 0; a < 64; ++a)
        for (int b = 0; b < 64; ++b) {
            r.of[a][b] = NO_RAY;
            for (int d = 0; d < 8; ++d)
                if ((SQUARE_MASKS.ray[a][d] >> b) & 1) r.of[a][b] = static_cast<uint8_t>(d);
        }
    return r;
}
inline constexpr ray_directions RAY_DIRECTIONS = make_ray_directions();

// The nearest of the squares in set (not empty) along ray d, from the ray's origin.
inline int nearest_on_ray(uint64_t set, int d) {
    return (d & 1) ? __builtin_ctzll(set) : 63 - __builtin_clzll(set);
}

// One board's men as bit sets, seen from side_to_move: what the attack
// questions about its king need.  Built once per board (board_attack_sets)
// and asked many times: every target of the king, every evasion of a check.
struct attack_sets {
    uint64_t occupied;  // squares holding anything
    uint64_t diagonal;  // enemy bishops and queens
    uint64_t straight;  // enemy rooks and queens
    uint64_t knights;   // enemy knights
    uint64_t pawns;     // enemy pawns
};
// The sets of board for side_to_move's enemy (exact byte values: a byte that
// is no enemy man of that type only blocks, as on the board).
attack_sets board_attack_sets(const uint8_t* board);

// 1 if the nearest occupied square along ray d of square holds an attacker.
inline bool ray_hit(uint64_t occupied, uint64_t attackers, int square, int d) {
    const uint64_t ray = SQUARE_MASKS.ray[square][d];
    if ((ray & attackers) == 0) return false;
    return (attackers >> nearest_on_ray(ray & occupied, d)) & 1;
}

// in_check's test for a king of side_to_move on square, the men as in sets
// and the enemy king on (ef, er): the same answer as square_attacked on the
// board the sets were made from.
inline int square_attacked(const attack_sets& sets, int square, int ef, int er) {
    if (SQUARE_MASKS.knight[square] & sets.knights) return 1;
    if (SQUARE_MASKS.pawn_attackers[side_to_move - 1][square] & sets.pawns) return 1;
    for (int d = 0; d < 4; ++d)
        if (ray_hit(sets.occupied, sets.diagonal, square, d)) return 1;
    for (int d = 4; d < 8; ++d)
        if (ray_hit(sets.occupied, sets.straight, square, d)) return 1;
    // Kings side by side count as check: this keeps a king from stepping
    // next to the other one.
    const int kf = square & 7, kr = square >> 3;
    return kf - ef <= 1 && ef - kf <= 1 && kr - er <= 1 && er - kr <= 1;
}

// 1 if the king of side_to_move on king_square is attacked after a move of
// one of its own men other than the king from -> to, which takes whatever
// stands on to and, for an en-passant capture, the pawn on victim (else -1):
// what make_move and in_check would say, by the sets of the board before.
inline int attacked_after_move(const attack_sets& sets, int king_square, int from, int to, int victim, int ef,
                               int er) {
    uint64_t taken = uint64_t{1} << to;
    if (victim >= 0) taken |= uint64_t{1} << victim;
    attack_sets after;
    after.occupied = ((sets.occupied & ~(uint64_t{1} << from)) & ~taken) | (uint64_t{1} << to);
    // (Every attacker stands on an occupied square, which ray_hit relies on.)
    after.diagonal = sets.diagonal & ~taken & after.occupied;
    after.straight = sets.straight & ~taken & after.occupied;
    after.knights = sets.knights & ~taken;
    after.pawns = sets.pawns & ~taken;
    return square_attacked(after, king_square, ef, er);
}

// The en-passant victim's square of a move of piece on board, or -1: a pawn
// moving diagonally onto an empty square takes the pawn beside its from-square.
inline int en_passant_victim(const uint8_t* board, uint8_t piece, const move& m) {
    if (piece_type(piece) != PAWN || m.to_file == m.from_file || board[square_index(m.to_file, m.to_rank)] != 0)
        return -1;
    return square_index(m.to_file, m.from_rank);
}

// 1 if the enemy piece byte attacks along a line of the kind (df, dr).
inline int slider_attacks(uint8_t piece, int df, int dr) {
    const int type = piece_type(piece);
    if (type == QUEEN) return 1;
    if (type == ROOK) return df == 0 || dr == 0;
    if (type == BISHOP) return df != 0 && dr != 0;
    return 0;
}

// 1 if a king of side_to_move on (kf, kr) of board would be attacked, the enemy
// king standing on (ef, er): sliders, pawns, knights and the adjacent king.
int square_attacked(const uint8_t* board, int kf, int kr, int ef, int er);
