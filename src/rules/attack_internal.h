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
