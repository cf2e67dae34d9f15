// Evaluation: the static scores of a position.  They read the board alone,
// so they live apart from the searches that ask for them, above only the
// rules.  Two evaluations share this room and nothing else: the classic one
// (this header: the score in four variants from engine_side's point of view,
// the test whether a colour has any legal move, the piece activity count),
// which the classic search and the old sessions depend on to the node, and
// the strong search's tuned one (strong_eval.h, with its terms in
// strong_terms.h and its weights in strong_weights.h).
#pragma once

#include <cstdint>

#include "rules/rules.h"

// The engine has mated its opponent; -MATE_SCORE: the engine is mated.
inline constexpr int32_t MATE_SCORE = 0x7fffffff;

// The colour the scores are for: positive is good for engine_side.
extern int engine_side;

// Squares a knight reaches from each square of an empty board.
extern const int8_t KNIGHT_SQUARE_TABLE[64];

// Pawn advancement and knight placement sums of both colours.
struct pawn_knight_totals {
    int white_pawn_advance;
    int black_pawn_advance;
    int white_knight_placement;
    int black_knight_placement;
};

// Score of pos from engine_side's point of view.  full_test != 0: side_to_move
// made the last move, the other colour is tested for mate and stalemate;
// full_test == 0: side_to_move has no moves, only in_check is asked.
// side_to_move is the same on return.
int32_t evaluate(const position& pos, int full_test);

// The same score, the four pawn and knight sums of pos given: the search
// keeps them up to date from node to node instead of scanning every leaf.
int32_t evaluate_with_sums(const position& pos, int full_test, const pawn_knight_totals& sums);

// Fills the four pawn and knight sums of pos.
void pawn_knight_sums(const position& pos, pawn_knight_totals& sums);
// Brings sums of the board before up to those of the board after, the two
// differing in the squares of changed: the pawns and knights that left or
// arrived there are taken off and added.
void update_pawn_knight_sums(pawn_knight_totals& sums, const uint8_t* before, const uint8_t* after, uint64_t changed);

// 1 if side_to_move has at least one legal move in pos; stops at the first.
// Sets side_in_check, castle_right_safe and castle_left_safe for side_to_move
// exactly as generate_moves does (a castling flag is 1 only when that castling
// could be made and its transit square is safe).
int has_legal_move(const position& pos);
// 1 if the slider on (file, rank) has a legal move along (df, dr).
int ray_has_legal_move(const position& pos, int file, int rank, int df, int dr);

// Contact count of colour's pawns, knights, bishops, rooks and queens.
int count_activity(int colour, const uint8_t* board);
// The same count, adding colour's pawn advancement and knight placement to
// sums on the way (sums is not reset: the caller zeroes it once for both colours).
int count_activity_with_sums(int colour, const uint8_t* board, pawn_knight_totals& sums);
// Adds the contact value of the first occupied square along one ray.
void score_ray_contact(const uint8_t* board, int file, int rank, int df, int dr, int colour, int& total);
