// Standard algebraic notation (SAN) as people and PGN files write it: a word
// such as "Nf3", "exd5", "O-O" or "e8=Q" resolved to the legal move it names.
#pragma once

#include "rules/rules.h"

// What a word turned out to be.
enum class san_result {
    legal_move,     // it names exactly one legal move
    not_san,        // it has no SAN shape at all
    no_piece_move,  // a piece move or castling in SAN shape that names no legal move
    ambiguous,      // a piece move that names more than one legal move
    no_pawn_move,   // a pawn move in SAN shape that names no legal move
};

// Resolves word for side_to_move in pos, whose legal moves (generate_moves)
// are in legal.  A move found is written to found as the list has it, except
// that a promotion carries the piece the word names (any of the four, though
// the generator lists only the queen and the knight); other moves keep
// NO_PROMOTION.  Understood: piece letters K Q R B N (upper case), file, rank
// or square disambiguation (also where none is needed), 'x' (not checked
// against the board), promotion "=Q" or "Q", castling "O-O"/"O-O-O" or with
// zeros, and any run of '+', '#', '!', '?' and "e.p." after the move.  A
// pawn move to the last rank must name its piece.  Reads nothing past the
// word's terminator and allocates nothing.
san_result resolve_san(const position& pos, const move_list& legal, const char* word, move& found);

// The SAN of m, a legal move of side in pos, as PGN writes it: "Nbd7",
// "exd5", "O-O", "e8=Q+", "Qh5#".  out needs SAN_TEXT_SIZE bytes.  Leaves
// side_to_move and the generator's flags as they were.
inline constexpr int SAN_TEXT_SIZE = 12;
void write_san(const position& pos, int side, const move& m, char* out);
