// Attack detection and the legality test.
#include <cstdlib>
#include <cstring>

#include "rules/attack_internal.h"
#include "rules/rules.h"

// The attack test of in_check around (kf, kr), with the enemy king on (ef, er).
// The rays are walked by table; the order of the tests does not change the answer.
int square_attacked(const uint8_t* board, int kf, int kr, int ef, int er) {
    const int square = square_index(kf, kr);
    const int enemy = other_colour(side_to_move);
    const uint8_t enemy_queen = static_cast<uint8_t>(enemy * 16 + QUEEN);
    for (int d = 0; d < 8; ++d) {
        const uint8_t* ray = SQUARE_TABLES.ray_to[square][d];
        const int n = SQUARE_TABLES.ray_count[square][d];
        int i = 0;
        while (i < n && board[ray[i]] == 0) ++i;
        if (i == n) continue;
        const uint8_t piece = board[ray[i]];
        // Rays 0-3 are diagonals (bishop or queen), 4-7 lines (rook or queen).
        if (piece == enemy_queen || piece == static_cast<uint8_t>(enemy * 16 + (d < 4 ? BISHOP : ROOK))) return 1;
    }

    const uint8_t enemy_pawn = static_cast<uint8_t>(enemy * 16 + PAWN);
    const int pawn_rank = side_to_move == WHITE ? kr + 1 : kr - 1;
    if (pawn_rank >= 0 && pawn_rank < 8) {
        if (kf + 1 < 8 && board[square_index(kf + 1, pawn_rank)] == enemy_pawn) return 1;
        if (kf - 1 >= 0 && board[square_index(kf - 1, pawn_rank)] == enemy_pawn) return 1;
    }

    const uint8_t enemy_knight = static_cast<uint8_t>(enemy * 16 + KNIGHT);
    for (int i = 0; i < SQUARE_TABLES.knight_count[square]; ++i)
        if (board[SQUARE_TABLES.knight_to[square][i]] == enemy_knight) return 1;

    // Kings side by side count as check: this keeps a king from stepping
    // next to the other one.
    return std::abs(kf - ef) <= 1 && std::abs(kr - er) <= 1;
}

namespace {

// The ray from the king (kf, kr) along (df, dr) on the board as it stands
// after a non-king move from -> to: the from-square and an en-passant victim
// are empty, the to-square holds the mover (an own piece, which blocks).
int ray_attacked_after(const uint8_t* board, int kf, int kr, int df, int dr, int from, int to, int vacated) {
    int f = kf + df, r = kr + dr;
    while (on_board(f, r)) {
        const int square = square_index(f, r);
        if (square == to) return 0;
        if (square != from && square != vacated && board[square] != 0) {
            const uint8_t piece = board[square];
            if (piece_colour(piece) == side_to_move) return 0;
            return slider_attacks(piece, df, dr);
        }
        f += df;
        r += dr;
    }
    return 0;
}

}  // namespace

int ray_attacked(const uint8_t* board, int file, int rank, int df, int dr) {
    file += df;
    rank += dr;
    while (on_board(file, rank) && board[square_index(file, rank)] == 0) {
        file += df;
        rank += dr;
    }
    if (!on_board(file, rank)) return 0;
    const uint8_t piece = board[square_index(file, rank)];
    if (piece_colour(piece) == side_to_move) return 0;
    return slider_attacks(piece, df, dr);
}

int in_check(const position& pos) {
    if (side_to_move == WHITE)
        return square_attacked(pos.board, pos.white_king_file, pos.white_king_rank, pos.black_king_file,
                               pos.black_king_rank);
    return square_attacked(pos.board, pos.black_king_file, pos.black_king_rank, pos.white_king_file,
                           pos.white_king_rank);
}

int king_attacked_on(const position& pos, int file, int rank) {
    if (side_to_move == WHITE)
        return square_attacked(pos.board, file, rank, pos.black_king_file, pos.black_king_rank);
    return square_attacked(pos.board, file, rank, pos.white_king_file, pos.white_king_rank);
}

position scratch_position;

int leaves_king_attacked_after_making(const position& pos, const move& m) {
    // The move made on the scratch copy by make_move itself.  The check does
    // not depend on the history, so only the fixed part is copied and the
    // copy starts with an empty history.
    std::memcpy(&scratch_position, &pos, POSITION_FIXED_BYTES);
    scratch_position.history_count = 0;
    make_move(scratch_position, m);
    return in_check(scratch_position);
}

int leaves_king_attacked(const position& pos, const move& m) {
    const int from = square_index(m.from_file, m.from_rank);
    const int to = square_index(m.to_file, m.to_rank);
    const uint8_t piece = pos.board[from];
    const bool white = side_to_move == WHITE;
    const int kf = white ? pos.white_king_file : pos.black_king_file;
    const int kr = white ? pos.white_king_rank : pos.black_king_rank;

    if (piece_type(piece) == KING || side_in_check) {
        return leaves_king_attacked_after_making(pos, m);
    }

    // Shortcut: a non-king move out of no check can only open the one line
    // from the king through the from-square.
    const int df = m.from_file - kf, dr = m.from_rank - kr;
    if (df != 0 && dr != 0 && std::abs(df) != std::abs(dr)) return 0;
    int step_f = df > 0 ? 1 : (df < 0 ? -1 : 0);
    int step_r = dr > 0 ? 1 : (dr < 0 ? -1 : 0);
    // A piece on the very square the king fields name (only a board whose
    // fields do not point at the king): that square counts as a diagonal of
    // itself, and the one ray tested is (+1, +1).
    if (step_f == 0 && step_r == 0) step_f = step_r = 1;
    int vacated = -1;
    if (piece_type(piece) == PAWN && pos.board[to] == 0 && m.to_file != m.from_file)
        vacated = square_index(m.to_file, m.from_rank);
    return ray_attacked_after(pos.board, kf, kr, step_f, step_r, from, to, vacated);
}
