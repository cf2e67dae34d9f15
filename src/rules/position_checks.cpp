// Whether a position from outside (a board file, a FEN from a GUI) can be
// played: the rules rely on what these checks make sure of.
#include "rules/rules.h"

// The attack tests find the kings only through the king fields, and a move
// that captures a king would leave those fields naming some other piece: a
// loaded board needs exactly one king of each colour, and the side that is
// not to move must not stand in check.  Sets the king fields from the board.
const char* position_problem(position& pos, int side) {
    int white_kings = 0, black_kings = 0;
    for (int square = 0; square < 64; ++square) {
        if (pos.board[square] == WHITE * 16 + KING) {
            ++white_kings;
            pos.white_king_file = static_cast<int8_t>(square & 7);
            pos.white_king_rank = static_cast<int8_t>(square >> 3);
        } else if (pos.board[square] == BLACK * 16 + KING) {
            ++black_kings;
            pos.black_king_file = static_cast<int8_t>(square & 7);
            pos.black_king_rank = static_cast<int8_t>(square >> 3);
        }
    }
    if (white_kings != 1 || black_kings != 1) {
        return "it does not hold exactly one king of each colour";
    }
    const int saved_side = side_to_move;
    side_to_move = other_colour(side);
    const bool opponent_in_check = in_check(pos) != 0;
    side_to_move = saved_side;
    if (opponent_in_check) {
        return "the side not to move is in check";
    }
    return nullptr;
}

// An en-passant file needs the enemy pawn that has just made its double step
// there, with the two squares it passed empty; otherwise the capture would
// take whatever stands on that square.
bool en_passant_capturer_beside(const position& pos, int side) {
    const int file = pos.en_passant_file, rank = side == WHITE ? 4 : 3;
    if (file >= 8) return false;
    const uint8_t own_pawn = static_cast<uint8_t>(side * 16 + PAWN);
    return (file > 0 && pos.board[square_index(file - 1, rank)] == own_pawn) ||
           (file < 7 && pos.board[square_index(file + 1, rank)] == own_pawn);
}

bool en_passant_possible(const position& pos, int side) {
    if (pos.en_passant_file == NO_EN_PASSANT) return true;
    const int file = pos.en_passant_file;
    const int pawn_rank = side == WHITE ? 4 : 3;
    const int step = side == WHITE ? 1 : -1;
    const uint8_t enemy_pawn = static_cast<uint8_t>(other_colour(side) * 16 + PAWN);
    return pos.board[square_index(file, pawn_rank)] == enemy_pawn && pos.board[square_index(file, pawn_rank + step)] == 0 &&
           pos.board[square_index(file, pawn_rank + 2 * step)] == 0;
}
