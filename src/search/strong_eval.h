// The strong search's evaluation: material and piece-square values blended
// from middlegame to endgame by the material on the board, with a few terms
// of pawn structure, piece activity and king safety.  In centipawns, from the
// point of view of the side to move.  Nothing here is shared with the
// classic evaluation, whose four variants stay as they are.
#pragma once

#include <cstdint>

#include "rules/rules.h"

// Centipawn values of the men as the strong search's ordering and pruning
// see them, by board type (P, R, N, B, Q, K).
inline constexpr int STRONG_PIECE_VALUE[8] = {0, 100, 500, 320, 330, 950, 0, 0};

// The score of pos for side (to move), in centipawns.
int strong_evaluate(const position& pos, int side);

// The parts of the score, from white's point of view, before the blend:
// for tests of the blend and of the symmetry.
struct strong_eval_parts {
    int middlegame;
    int endgame;
    int phase;  // 0 (bare kings and pawns) to 24 (all the pieces)
    int scale;  // out of 64: how much of the endgame score counts
};
strong_eval_parts strong_evaluate_parts(const position& pos);
