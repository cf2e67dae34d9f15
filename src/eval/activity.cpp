// Piece activity: how many men one colour's pawns and pieces touch, and how.
// Only occupied squares count, so this measures contacts (defending own men,
// attacking enemy ones), not mobility.
#include "eval/eval.h"

namespace {

// The eight knight steps, in the order the count visits them.
constexpr int8_t KNIGHT_STEPS[8][2] = {{-1, -2}, {-2, -1}, {-1, 2}, {-2, 1},
                                       {1, -2},  {2, -1},  {1, 2},  {2, 1}};

// What touching the board byte target is worth to a man of colour whose type
// is toucher: own men 3 (the own king 0), enemy men of a higher type code 2,
// enemy men of the same or a lower code 1.  Type codes, not material values,
// decide: a rook touching a knight scores 2, a knight touching a rook 1.
inline int contact_value(uint8_t target, int colour, int toucher) {
    if (target == 0) return 0;
    if (piece_colour(target) == colour) return piece_type(target) == KING ? 0 : 3;
    return piece_type(target) > toucher ? 2 : 1;
}

// The contact value of the first occupied square from (file, rank) along
// (df, dr); 0 when the ray runs off the board.
inline int ray_contact(const uint8_t* board, int file, int rank, int df, int dr, int colour, int toucher) {
    file += df;
    rank += dr;
    while (on_board(file, rank)) {
        const uint8_t target = board[square_index(file, rank)];
        if (target != 0) return contact_value(target, colour, toucher);
        file += df;
        rank += dr;
    }
    return 0;
}

// One pass over the board for colour's men.  With Gather the same pass adds
// the colour's pawn advancement and knight placement to sums (never resetting
// them), which spares the evaluation's most detailed variant a third pass.
template <bool Gather>
int activity_pass(int colour, const uint8_t* board, pawn_knight_totals* sums) {
    int total = 0;
    for (int square = 0; square < 64; ++square) {
        const uint8_t man = board[square];
        if (man == 0 || piece_colour(man) != colour) continue;
        const int file = square & 7, rank = square >> 3;
        const int type = piece_type(man);
        switch (type) {
            case PAWN:
                // A pawn touches only its two forward diagonals; the square
                // straight ahead is not looked at.
                if (colour == WHITE) {
                    if constexpr (Gather) sums->white_pawn_advance += rank - 1;
                    if (rank < 7) {
                        if (file < 7) total += contact_value(board[square + 9], colour, PAWN);
                        if (file > 0) total += contact_value(board[square + 7], colour, PAWN);
                    }
                } else {
                    if constexpr (Gather) sums->black_pawn_advance += 6 - rank;
                    if (rank > 0) {
                        if (file < 7) total += contact_value(board[square - 7], colour, PAWN);
                        if (file > 0) total += contact_value(board[square - 9], colour, PAWN);
                    }
                }
                break;
            case KNIGHT:
                if constexpr (Gather) {
                    if (colour == WHITE)
                        sums->white_knight_placement += KNIGHT_SQUARE_TABLE[square];
                    else
                        sums->black_knight_placement += KNIGHT_SQUARE_TABLE[square];
                }
                for (const auto& step : KNIGHT_STEPS) {
                    const int f = file + step[0], r = rank + step[1];
                    if (on_board(f, r)) total += contact_value(board[square_index(f, r)], colour, KNIGHT);
                }
                break;
            case BISHOP:
            case QUEEN:
                total += ray_contact(board, file, rank, -1, -1, colour, type);
                total += ray_contact(board, file, rank, -1, 1, colour, type);
                total += ray_contact(board, file, rank, 1, -1, colour, type);
                total += ray_contact(board, file, rank, 1, 1, colour, type);
                if (type == BISHOP) break;
                [[fallthrough]];
            case ROOK:
                total += ray_contact(board, file, rank, -1, 0, colour, type);
                total += ray_contact(board, file, rank, 1, 0, colour, type);
                total += ray_contact(board, file, rank, 0, -1, colour, type);
                total += ray_contact(board, file, rank, 0, 1, colour, type);
                break;
            default:  // the king touches nothing that counts
                break;
        }
    }
    return total;
}

}  // namespace

int count_activity(int colour, const uint8_t* board) {
    return activity_pass<false>(colour, board, nullptr);
}

int count_activity_with_sums(int colour, const uint8_t* board, pawn_knight_totals& sums) {
    return activity_pass<true>(colour, board, &sums);
}

void score_ray_contact(const uint8_t* board, int file, int rank, int df, int dr, int colour, int& total) {
    total += ray_contact(board, file, rank, df, dr, colour, piece_type(board[square_index(file, rank)]));
}
