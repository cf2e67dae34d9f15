// The strong search's evaluation: tapered from middlegame to endgame by the
// material on the board, with terms of material, squares, mobility, pawn
// structure, passed pawns, rooks' files, outposts, king safety and threats,
// and endgame scaling.  Its weights (strong_weights.h) are tuned on our own
// games.  In centipawns, from the point of view of the side to move.
// It needs only the rules (and their reach tables), so it lives in the eval
// room beside the classic evaluation (eval.h) rather than in the search
// that calls it; the two share nothing, and the classic one's four variants
// stay as they are.  It keeps no state: the one thing worth keeping, the
// pawn cache, belongs to the caller.
#pragma once

#include <cstdint>

#include "rules/rules.h"
#include "eval/strong_terms.h"

// Centipawn values of the men as the strong search's ordering and pruning
// see them, by board type (P, R, N, B, Q, K).
inline constexpr int STRONG_PIECE_VALUE[8] = {0, 100, 500, 320, 330, 950, 0, 0};

// The pawn structure's score, kept by the pawns' placing: most positions a
// search meets share their pawns with many others.  Whoever evaluates owns
// one and passes it in (each search thread its own, each tool and test its
// own), so no two evaluations in flight ever write the same slots and the
// evaluation itself keeps no state.  A slot holds the exact pawns it scored,
// so a hit is always right and a cache never changes a score, only its cost.
// About 640 KB: keep it in static or heap storage, not on a stack.
struct strong_pawn_cache {
    struct slot {
        uint64_t white, black;  // the pawns scored; a slot of none is empty
        int64_t both;           // the middlegame and endgame sums, packed as the evaluation adds them
        uint64_t passed[2];     // white's and black's passed pawns
    };
    static constexpr int SIZE = 1 << 14;
    slot slots[SIZE] = {};  // a new cache is empty, wherever it is made
    // Empties every slot (the search's Clear Hash): for a cache whose owner
    // wants it as new, since a kept slot is never wrong.
    void clear();
};

// The score of pos for side (to move), in centipawns.
int strong_evaluate(const position& pos, int side, strong_pawn_cache& cache);

// The parts of the score, from white's point of view, before the blend:
// for tests of the blend and of the symmetry.
struct strong_eval_parts {
    int middlegame;
    int endgame;
    int phase;  // 0 (bare kings and pawns) to 24 (all the pieces)
    int scale;  // out of 64: how much of the endgame score counts
};
strong_eval_parts strong_evaluate_parts(const position& pos, int side, strong_pawn_cache& cache);

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
void strong_evaluate_trace(const position& pos, int side, strong_pawn_cache& cache, strong_trace& trace);
