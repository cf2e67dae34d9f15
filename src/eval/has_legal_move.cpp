// Does side_to_move have any legal move?  The evaluation asks at every leaf to
// tell mate and stalemate from ordinary positions.  No list is built: the
// candidates a generator would write are tried one by one and the first legal
// one ends the test, so an ordinary position costs a handful of legality tests.
#include "eval/eval.h"

namespace {

constexpr int8_t KNIGHT_STEPS[8][2] = {{-1, -2}, {-2, -1}, {-1, 2}, {-2, 1},
                                       {1, -2},  {2, -1},  {1, 2},  {2, 1}};
constexpr int8_t KING_STEPS[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};

// 1 if the candidate from (ff, fr) to (tf, tr) keeps the mover's king safe.
// A pawn step onto the last rank keeps promotion PAWN: the piece it would
// become does not change whether the king is attacked.
inline int legal(const position& pos, int ff, int fr, int tf, int tr, uint8_t promotion) {
    move candidate{};
    candidate.from_file = static_cast<int8_t>(ff);
    candidate.from_rank = static_cast<int8_t>(fr);
    candidate.to_file = static_cast<int8_t>(tf);
    candidate.to_rank = static_cast<int8_t>(tr);
    candidate.promotion = promotion;
    return !leaves_king_attacked(pos, candidate);
}

// A target a man of colour may go to: on the board and not holding an own man.
inline bool allowed(const uint8_t* board, int f, int r, int colour) {
    return on_board(f, r) && piece_colour(board[square_index(f, r)]) != colour;
}

int white_pawn_has_move(const position& pos, int f, int r, int ep) {
    const uint8_t* board = pos.board;
    if (r >= 7) return 0;  // only a hand-made board puts a pawn there; it cannot move
    if (r == 1 && board[square_index(f, 2)] == 0 && board[square_index(f, 3)] == 0 &&
        legal(pos, f, 1, f, 3, NO_PROMOTION))
        return 1;
    if (board[square_index(f, r + 1)] == 0 && legal(pos, f, r, f, r + 1, PAWN)) return 1;
    if (f < 7 && piece_colour(board[square_index(f + 1, r + 1)]) == BLACK &&
        legal(pos, f, r, f + 1, r + 1, PAWN))
        return 1;
    if (f > 0 && piece_colour(board[square_index(f - 1, r + 1)]) == BLACK &&
        legal(pos, f, r, f - 1, r + 1, PAWN))
        return 1;
    if (r == 4) {
        if (f < 7 && ep == f + 1 && legal(pos, f, 4, f + 1, 5, NO_PROMOTION)) return 1;
        if (f > 0 && ep == f - 1 && legal(pos, f, 4, f - 1, 5, NO_PROMOTION)) return 1;
    }
    return 0;
}

int black_pawn_has_move(const position& pos, int f, int r, int ep) {
    const uint8_t* board = pos.board;
    if (r <= 0) return 0;
    if (r == 6 && board[square_index(f, 5)] == 0 && board[square_index(f, 4)] == 0 &&
        legal(pos, f, 6, f, 4, NO_PROMOTION))
        return 1;
    if (board[square_index(f, r - 1)] == 0 && legal(pos, f, r, f, r - 1, PAWN)) return 1;
    if (f < 7 && piece_colour(board[square_index(f + 1, r - 1)]) == WHITE &&
        legal(pos, f, r, f + 1, r - 1, PAWN))
        return 1;
    if (f > 0 && piece_colour(board[square_index(f - 1, r - 1)]) == WHITE &&
        legal(pos, f, r, f - 1, r - 1, PAWN))
        return 1;
    if (r == 3) {
        if (f < 7 && ep == f + 1 && legal(pos, f, 3, f + 1, 2, NO_PROMOTION)) return 1;
        if (f > 0 && ep == f - 1 && legal(pos, f, 3, f - 1, 2, NO_PROMOTION)) return 1;
    }
    return 0;
}

int king_has_move(const position& pos, int f, int r) {
    const uint8_t* board = pos.board;
    const int own = side_to_move;
    for (const auto& step : KING_STEPS) {
        const int tf = f + step[0], tr = r + step[1];
        if (allowed(board, tf, tr, own) && legal(pos, f, r, tf, tr, NO_PROMOTION)) return 1;
    }
    // Castling, from the start square only (a board file could hold a second
    // king elsewhere).  The flags already say whether each castling could be
    // made at all and whether its transit square is safe; the target square
    // is the king's destination, which the legality test judges like any
    // king move.
    const int home = own == WHITE ? 0 : 7;
    if (f != 4 || r != home) return 0;
    if (castle_right_safe && legal(pos, 4, home, 6, home, NO_PROMOTION)) return 1;
    if (castle_left_safe && legal(pos, 4, home, 2, home, NO_PROMOTION)) return 1;
    return 0;
}

}  // namespace

int ray_has_legal_move(const position& pos, int file, int rank, int df, int dr) {
    const uint8_t* board = pos.board;
    int f = file + df, r = rank + dr;
    while (on_board(f, r) && board[square_index(f, r)] == 0) {
        if (legal(pos, file, rank, f, r, NO_PROMOTION)) return 1;
        f += df;
        r += dr;
    }
    if (!on_board(f, r) || piece_colour(board[square_index(f, r)]) == side_to_move) return 0;
    return legal(pos, file, rank, f, r, NO_PROMOTION);
}

int has_legal_move(const position& pos) {
    // The three shared flags first: the legality test reads side_in_check,
    // and the castling candidates read the transit-square flags.  As in the
    // generator, a transit square is tested (with the king thought onto it,
    // the position untouched) only when that castling could be made at all:
    // right held, not in check, king and rook at home, the squares between
    // empty.  Otherwise its flag is 0, and the test costs nothing.
    if (pos.chess960) {
        // Chess960's castling has squares of its own: the generator knows them.
        move_list list;
        generate_moves(pos, list);
        return list.count > 0;
    }
    side_in_check = in_check(pos);
    const bool white = side_to_move == WHITE;
    const int home = white ? 0 : 7;
    const uint8_t* row = pos.board + 8 * home;
    const uint8_t own_rook = static_cast<uint8_t>(side_to_move * 16 + ROOK);
    const bool castling_possible = !side_in_check && row[4] == side_to_move * 16 + KING;
    castle_right_safe = castling_possible && (white ? pos.white_castle_right : pos.black_castle_right) &&
                        row[5] == 0 && row[6] == 0 && row[7] == own_rook && !king_attacked_on(pos, 5, home);
    castle_left_safe = castling_possible && (white ? pos.white_castle_left : pos.black_castle_left) &&
                       row[3] == 0 && row[2] == 0 && row[1] == 0 && row[0] == own_rook &&
                       !king_attacked_on(pos, 3, home);

    // The order of the candidates decides nothing but how soon the answer
    // comes.  Out of check, a man off every line of its king cannot be
    // pinned: any candidate of his is legal, and no test is needed.
    if (!side_in_check && unaligned_man_can_move(pos)) return 1;

    const uint8_t* board = pos.board;
    const int own = side_to_move;
    const int ep = pos.en_passant_file == NO_EN_PASSANT ? -1 : pos.en_passant_file;
    for (int square = 0; square < 64; ++square) {
        const uint8_t man = board[square];
        if (man == 0 || piece_colour(man) != own) continue;
        const int f = square & 7, r = square >> 3;
        switch (piece_type(man)) {
            case PAWN:
                if (white ? white_pawn_has_move(pos, f, r, ep) : black_pawn_has_move(pos, f, r, ep)) return 1;
                break;
            case KNIGHT:
                for (const auto& step : KNIGHT_STEPS) {
                    const int tf = f + step[0], tr = r + step[1];
                    if (allowed(board, tf, tr, own) && legal(pos, f, r, tf, tr, NO_PROMOTION)) return 1;
                }
                break;
            case BISHOP:
            case QUEEN:
                if (ray_has_legal_move(pos, f, r, -1, -1) || ray_has_legal_move(pos, f, r, -1, 1) ||
                    ray_has_legal_move(pos, f, r, 1, -1) || ray_has_legal_move(pos, f, r, 1, 1))
                    return 1;
                if (piece_type(man) == BISHOP) break;
                [[fallthrough]];
            case ROOK:
                if (ray_has_legal_move(pos, f, r, -1, 0) || ray_has_legal_move(pos, f, r, 1, 0) ||
                    ray_has_legal_move(pos, f, r, 0, -1) || ray_has_legal_move(pos, f, r, 0, 1))
                    return 1;
                break;
            case KING:
                if (king_has_move(pos, f, r)) return 1;
                break;
            default:
                break;
        }
    }
    return 0;
}
