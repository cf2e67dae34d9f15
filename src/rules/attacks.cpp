// Attack detection and the legality test.
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/attack_internal.h"
#include "rules/rules.h"

namespace {

// Bit s set where board[s] equals value (a zero value: where it is empty).
#if defined(__SSE2__)
inline uint64_t equal_bytes(const __m128i (&chunks)[4], uint8_t value) {
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(value));
    uint64_t mask = 0;
    for (int i = 0; i < 4; ++i)
        mask |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunks[i], wanted))))
                << (16 * i);
    return mask;
}
#endif

}  // namespace

uint64_t occupied_squares(const uint8_t* board) {
#if defined(__SSE2__)
    __m128i chunks[4];
    for (int i = 0; i < 4; ++i) chunks[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 16 * i));
    return ~equal_bytes(chunks, 0);
#else
    uint64_t occupied = 0;
    for (int s = 0; s < 64; ++s)
        if (board[s] != 0) occupied |= uint64_t{1} << s;
    return occupied;
#endif
}

attack_sets board_attack_sets(const uint8_t* board) {
    const int enemy = other_colour(side_to_move);
    const uint8_t queen = static_cast<uint8_t>(enemy * 16 + QUEEN), rook = static_cast<uint8_t>(enemy * 16 + ROOK);
    const uint8_t bishop = static_cast<uint8_t>(enemy * 16 + BISHOP);
    const uint8_t knight = static_cast<uint8_t>(enemy * 16 + KNIGHT), pawn = static_cast<uint8_t>(enemy * 16 + PAWN);
    attack_sets sets;
#if defined(__SSE2__)
    __m128i chunks[4];
    for (int i = 0; i < 4; ++i) chunks[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 16 * i));
    const uint64_t queens = equal_bytes(chunks, queen);
    sets.occupied = ~equal_bytes(chunks, 0);
    sets.diagonal = queens | equal_bytes(chunks, bishop);
    sets.straight = queens | equal_bytes(chunks, rook);
    sets.knights = equal_bytes(chunks, knight);
    sets.pawns = equal_bytes(chunks, pawn);
#else
    sets = attack_sets{0, 0, 0, 0, 0};
    for (int s = 0; s < 64; ++s) {
        const uint64_t bit = uint64_t{1} << s;
        const uint8_t b = board[s];
        if (b != 0) sets.occupied |= bit;
        if (b == queen || b == bishop) sets.diagonal |= bit;
        if (b == queen || b == rook) sets.straight |= bit;
        if (b == knight) sets.knights |= bit;
        if (b == pawn) sets.pawns |= bit;
    }
#endif
    return sets;
}

// The attack test of in_check around (kf, kr), with the enemy king on (ef, er),
// for one question about a board: only the occupied squares are gathered as
// a bit set, and the nearest man on each ray is found by a bit scan instead
// of a walk.  (Many questions about one board go through board_attack_sets.)
// The order of the tests does not change the answer.
int square_attacked(const uint8_t* board, int kf, int kr, int ef, int er) {
    const int square = square_index(kf, kr);
    const int enemy = other_colour(side_to_move);
    const uint8_t enemy_knight = static_cast<uint8_t>(enemy * 16 + KNIGHT);
    for (int i = 0; i < SQUARE_TABLES.knight_count[square]; ++i)
        if (board[SQUARE_TABLES.knight_to[square][i]] == enemy_knight) return 1;

    const uint8_t enemy_pawn = static_cast<uint8_t>(enemy * 16 + PAWN);
    for (uint64_t pawns = SQUARE_MASKS.pawn_attackers[side_to_move - 1][square]; pawns != 0; pawns &= pawns - 1)
        if (board[__builtin_ctzll(pawns)] == enemy_pawn) return 1;

    const uint64_t occupied = occupied_squares(board);
    const uint8_t enemy_queen = static_cast<uint8_t>(enemy * 16 + QUEEN);
    for (int d = 0; d < 8; ++d) {
        const uint64_t blockers = SQUARE_MASKS.ray[square][d] & occupied;
        if (blockers == 0) continue;
        const uint8_t piece = board[nearest_on_ray(blockers, d)];
        // Rays 0-3 are diagonals (bishop or queen), 4-7 lines (rook or queen).
        if (piece == enemy_queen || piece == static_cast<uint8_t>(enemy * 16 + (d < 4 ? BISHOP : ROOK))) return 1;
    }

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

int move_gives_check(const position& before, const position& after, const move& m) {
    const int own = side_to_move, other = other_colour(own);
    const int from = square_index(m.from_file, m.from_rank), to = square_index(m.to_file, m.to_rank);
    const uint8_t piece = before.board[from];
    const int type = piece - own * 16;  // a man of the mover's colour, type 1 to 6, or else out of range
    const bool pawn = type == PAWN;
    // Kings, castling, en passant and promotions change more than two
    // squares or the mover's king: they are asked in full.
    if (type < PAWN || type > QUEEN || (pawn && (m.to_rank == 0 || m.to_rank == 7 || (m.from_file != m.to_file && before.board[to] == 0)))) {
        side_to_move = other;
        const int checked = in_check(after);
        side_to_move = own;
        return checked;
    }
    const int king = other == WHITE ? square_index(after.white_king_file, after.white_king_rank)
                                    : square_index(after.black_king_file, after.black_king_rank);
    // The other king was not attacked before (the side not to move never
    // stands in check), and the move only emptied from and filled to: an
    // attack now comes from the moved man itself, or from a slider whose
    // line to the king ran through from.
    if (pawn) {
        if ((SQUARE_MASKS.pawn_attackers[other - 1][king] >> to) & 1) return 1;
    } else if (type == KNIGHT) {
        if ((SQUARE_MASKS.knight[king] >> to) & 1) return 1;
    }
    const uint64_t occupied = occupied_squares(after.board);
    if (type != PAWN && type != KNIGHT) {
        const int d = RAY_DIRECTIONS.of[king][to];
        if (d != NO_RAY && (type == QUEEN || (d < 4) == (type == BISHOP)) &&
            nearest_on_ray(SQUARE_MASKS.ray[king][d] & occupied, d) == to)
            return 1;
    }
    const int d = RAY_DIRECTIONS.of[king][from];
    if (d == NO_RAY) return 0;
    const uint64_t blockers = SQUARE_MASKS.ray[king][d] & occupied;
    if (blockers == 0) return 0;
    const uint8_t first = after.board[nearest_on_ray(blockers, d)];
    return first == own * 16 + QUEEN || first == own * 16 + (d < 4 ? BISHOP : ROOK);
}

int king_attacked_on(const position& pos, int file, int rank) {
    if (side_to_move == WHITE)
        return square_attacked(pos.board, file, rank, pos.black_king_file, pos.black_king_rank);
    return square_attacked(pos.board, file, rank, pos.white_king_file, pos.white_king_rank);
}

thread_local constinit position scratch_position{};

int leaves_king_attacked_after_making(const position& pos, const move& m) {
    // The move made on the scratch copy by make_move itself.  The check does
    // not depend on the history, so only the fixed part is copied and the
    // copy starts with an empty history.
    std::memcpy(&scratch_position, &pos, POSITION_FIXED_BYTES);
    scratch_position.history_count = 0;
    make_move(scratch_position, m);
    return in_check(scratch_position);
}

void drop_bad_en_passant(const position& pos, move_list& list) {
    if (pos.en_passant_file == NO_EN_PASSANT) return;
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        const move& m = list.moves[i];
        const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
        const bool en_passant = piece_type(piece) == PAWN && m.from_file != m.to_file &&
                                pos.board[square_index(m.to_file, m.to_rank)] == 0;
        if (en_passant && leaves_king_attacked_after_making(pos, m)) continue;
        list.moves[kept++] = m;
    }
    list.count = static_cast<uint16_t>(kept);
}

int leaves_king_attacked(const position& pos, const move& m) {
    const int from = square_index(m.from_file, m.from_rank);
    const int to = square_index(m.to_file, m.to_rank);
    const uint8_t piece = pos.board[from];
    const bool white = side_to_move == WHITE;
    const int kf = white ? pos.white_king_file : pos.black_king_file;
    const int kr = white ? pos.white_king_rank : pos.black_king_rank;

    if (piece_type(piece) == KING) return leaves_king_attacked_after_making(pos, m);
    if (side_in_check) {
        // Judged in full, as making the move and asking in_check would, but
        // on the bit sets: a non-king move changes only its from-, to- and
        // victim squares, and the king stays where its fields say.
        const int ef = white ? pos.black_king_file : pos.white_king_file;
        const int er = white ? pos.black_king_rank : pos.white_king_rank;
        return attacked_after_move(board_attack_sets(pos.board), square_index(kf, kr), from, to,
                                   en_passant_victim(pos.board, piece, m), ef, er);
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
