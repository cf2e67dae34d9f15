// The strong search's evaluation: tapered from middlegame to endgame by the
// material on the board, with terms of material, squares, mobility, pawn
// structure, passed pawns, rooks' files, outposts, king safety and threats,
// and endgame scaling.  Its weights (strong_weights.h) are tuned on our own
// games.  In centipawns, from the point of view of the side to move.
// Nothing here is shared with the classic evaluation, whose four variants
// stay as they are.
#pragma once

#include <cstdint>

#include "rules/rules.h"
#include "eval/strong_terms.h"

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
strong_eval_parts strong_evaluate_parts(const position& pos, int side);

// The evaluation as the tuner sees it: for each term, white's count less
// black's; the phase and scale as the engine works them out; and the part
// of the score no weight moves (the bare king's drive to the edge).  Then
//   white's score = ((sum coeff * mg + fixed_mg) * phase
//                    + (sum coeff * eg + fixed_eg) * scale / 64 * (24 - phase)) / 24
// up to rounding, and the engine's score is that from the side to move.
struct strong_trace {
    int16_t coeff[STRONG_TERM_COUNT];
    int phase;
    int scale;
    int fixed_mg;
    int fixed_eg;
};
void strong_evaluate_trace(const position& pos, int side, strong_trace& trace);
