// Attack primitives shared by the attack tests and the generator.
#pragma once

#include <cstdint>

#include "rules/rules.h"

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
