// Legal move generation: a fixed scan of the board, every candidate settled
// by the legality test as it is written into the list.
//
// The legality test's answer for a non-king move out of no check depends only
// on the one line from the king through the from-square, so it is worked out
// once per piece (is the piece pinned, and along which line) instead of once
// per candidate; a king's candidates are tested on one board with the king
// lifted off.  The answers are those of leaves_king_attacked, which still
// settles the rare cases (in check, en passant) move by move.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/attack_internal.h"
#include "rules/rules.h"

namespace {

// capture_value of a captured board byte, by type: P 1, R 5, N 3, B 3, Q 9.
constexpr uint8_t CAPTURE_VALUE_BY_TYPE[16] = {0, 1, 5, 3, 3, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

constexpr int sign(int x) { return (x > 0) - (x < 0); }

// How the candidates of the piece being generated are judged.
enum class judge : uint8_t {
    free,    // no line to the king can open: every candidate is legal
    pinned,  // legal only along the line king -> pinner (pin_f, pin_r)
    test,    // ask leaves_king_attacked for each candidate
    king,    // the king itself: is the target attacked with the king lifted off
};

// Writes candidates for one position into a list, keeping the legal ones.
struct move_writer {
    const position& pos;
    move_list& list;
    int count;
    int king_file, king_rank;    // side_to_move's king
    int enemy_file, enemy_rank;  // the other king
    judge mode = judge::test;
    int pin_f = 0, pin_r = 0;
    alignas(64) uint8_t kingless[64];  // the board without side_to_move's king

    move_writer(const position& p, move_list& l, int c) : pos(p), list(l), count(c) {
        const bool white = side_to_move == WHITE;
        king_file = white ? p.white_king_file : p.black_king_file;
        king_rank = white ? p.white_king_rank : p.black_king_rank;
        enemy_file = white ? p.black_king_file : p.white_king_file;
        enemy_rank = white ? p.black_king_rank : p.white_king_rank;
    }

    bool legal(const move& m) const {
        switch (mode) {
            case judge::free: return true;
            case judge::pinned: {
                const int df = m.to_file - king_file, dr = m.to_rank - king_rank;
                if (pin_f == 0) return df == 0 && sign(dr) == pin_r;
                if (pin_r == 0) return dr == 0 && sign(df) == pin_f;
                return df * pin_f > 0 && df * pin_f == dr * pin_r;
            }
            case judge::king: {
                // A castling king also moves its rook, but with the king not in
                // check the rook's squares change no attack on g1 or c1.
                return !square_attacked(kingless, m.to_file, m.to_rank, enemy_file, enemy_rank);
            }
            case judge::test: break;
        }
        return !leaves_king_attacked(pos, m);
    }

    // Tests the candidate (from -> to, promotion) and keeps it with its value when legal.
    inline void add(int ff, int fr, int tf, int tr, uint8_t promotion, int bonus) {
        if (count >= MOVE_LIST_SIZE) return;  // never in a real position; a hostile board file
        move& entry = list.moves[count];
        entry = move{static_cast<int8_t>(ff), static_cast<int8_t>(fr), static_cast<int8_t>(tf),
                     static_cast<int8_t>(tr), promotion, 0, {0, 0}, 0};
        if (mode != judge::free && !legal(entry)) return;
        entry.capture_value =
            static_cast<uint8_t>(CAPTURE_VALUE_BY_TYPE[piece_type(pos.board[square_index(tf, tr)])] + bonus);
        ++count;
    }
    inline void add_squares(int from, int to) { add(from & 7, from >> 3, to & 7, to >> 3, NO_PROMOTION, 0); }
    inline void add(int ff, int fr, int tf, int tr) { add(ff, fr, tf, tr, NO_PROMOTION, 0); }
    // The queen and the knight promotion of one pawn move.
    inline void add_promotions(int ff, int fr, int tf, int tr) {
        add(ff, fr, tf, tr, QUEEN, PROMOTION_QUEEN_BONUS);
        add(ff, fr, tf, tr, KNIGHT, PROMOTION_KNIGHT_BONUS);
    }
    // An en-passant capture: its victim leaves a square of its own, so it is
    // always put to leaves_king_attacked.
    inline void add_en_passant(int ff, int fr, int tf, int tr) {
        const judge saved = mode;
        mode = judge::test;
        add(ff, fr, tf, tr);
        mode = saved;
    }

    // Sets the judge for a non-king piece on (f, r), out of check.
    void judge_piece(int f, int r) {
        const int df = f - king_file, dr = r - king_rank;
        mode = judge::free;
        if (df == 0 && dr == 0) {  // the king fields do not name the king: let the test decide
            mode = judge::test;
            return;
        }
        if (df != 0 && dr != 0 && (df > 0 ? df : -df) != (dr > 0 ? dr : -dr)) return;
        const int sf = sign(df), sr = sign(dr);
        const uint8_t* board = pos.board;
        int x = king_file + sf, y = king_rank + sr;
        for (; x != f || y != r; x += sf, y += sr)
            if (board[square_index(x, y)] != 0) return;  // another piece shields the king
        for (x += sf, y += sr; on_board(x, y); x += sf, y += sr) {
            const uint8_t piece = board[square_index(x, y)];
            if (piece == 0) continue;
            if (piece_colour(piece) != side_to_move && slider_attacks(piece, sf, sr)) {
                mode = judge::pinned;
                pin_f = sf;
                pin_r = sr;
            }
            return;
        }
    }
};

inline bool holds_colour(const uint8_t* board, int f, int r, int colour) {
    return piece_colour(board[square_index(f, r)]) == colour;
}
inline bool empty(const uint8_t* board, int f, int r) { return board[square_index(f, r)] == 0; }

void white_pawn(move_writer& w, const uint8_t* board, int f, int r, int ep) {
    if (r == 6) {
        if (empty(board, f, 7)) w.add_promotions(f, 6, f, 7);
        if (f >= 1 && holds_colour(board, f - 1, 7, BLACK)) w.add_promotions(f, 6, f - 1, 7);
        if (f <= 6 && holds_colour(board, f + 1, 7, BLACK)) w.add_promotions(f, 6, f + 1, 7);
        return;
    }
    if (r == 7) return;  // only a hand-made board puts a pawn there; it has no move
    if (r == 1 && empty(board, f, 2) && empty(board, f, 3)) w.add(f, 1, f, 3);
    if (empty(board, f, r + 1)) w.add(f, r, f, r + 1);
    if (f <= 6 && holds_colour(board, f + 1, r + 1, BLACK)) w.add(f, r, f + 1, r + 1);
    if (f >= 1 && holds_colour(board, f - 1, r + 1, BLACK)) w.add(f, r, f - 1, r + 1);
    if (r == 4) {
        if (f <= 6 && ep == f + 1) w.add_en_passant(f, 4, f + 1, 5);
        if (f >= 1 && ep == f - 1) w.add_en_passant(f, 4, f - 1, 5);
    }
}

void black_pawn(move_writer& w, const uint8_t* board, int f, int r, int ep) {
    if (r == 1) {
        if (empty(board, f, 0)) w.add_promotions(f, 1, f, 0);
        if (f >= 1 && holds_colour(board, f - 1, 0, WHITE)) w.add_promotions(f, 1, f - 1, 0);
        if (f <= 6 && holds_colour(board, f + 1, 0, WHITE)) w.add_promotions(f, 1, f + 1, 0);
        return;
    }
    if (r == 0) return;
    if (r == 6 && empty(board, f, 5) && empty(board, f, 4)) w.add(f, 6, f, 4);
    if (empty(board, f, r - 1)) w.add(f, r, f, r - 1);
    if (f <= 6 && holds_colour(board, f + 1, r - 1, WHITE)) w.add(f, r, f + 1, r - 1);
    if (f >= 1 && holds_colour(board, f - 1, r - 1, WHITE)) w.add(f, r, f - 1, r - 1);
    if (r == 3) {
        if (f <= 6 && ep == f + 1) w.add_en_passant(f, 3, f + 1, 2);
        if (f >= 1 && ep == f - 1) w.add_en_passant(f, 3, f - 1, 2);
    }
}

// One ray of a slider by the ray table, judged as the writer says.
inline void slider_ray(move_writer& w, const uint8_t* board, int from, int d) {
    const uint8_t* to = SQUARE_TABLES.ray_to[from][d];
    const int n = SQUARE_TABLES.ray_count[from][d];
    int i = 0;
    for (; i < n && board[to[i]] == 0; ++i) w.add_squares(from, to[i]);
    if (i < n && piece_colour(board[to[i]]) != side_to_move) w.add_squares(from, to[i]);
}

// Bit s set when square s holds a piece of colour: the scan then visits the
// own pieces in square order without testing the empty squares one by one.
inline uint64_t colour_mask(const uint8_t* board, int colour) {
#if defined(__SSE2__)
    const __m128i colour_bits = _mm_set1_epi8(0x30);
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(colour * 16));
    uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 16 * i));
        const __m128i same = _mm_cmpeq_epi8(_mm_and_si128(bytes, colour_bits), wanted);
        mask |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(same))) << (16 * i);
    }
    return mask;
#else
    uint64_t mask = 0;
    for (int s = 0; s < 64; ++s)
        if (piece_colour(board[s]) == colour) mask |= uint64_t{1} << s;
    return mask;
#endif
}

}  // namespace

void generate_slider_moves(const position& pos, move_list& list, int file, int rank, int df, int dr,
                           int& count) {
    move_writer w(pos, list, count);
    w.mode = judge::test;
    for (int d = 0; d < 8; ++d)
        if (RAY_STEPS[d][0] == df && RAY_STEPS[d][1] == dr) slider_ray(w, pos.board, square_index(file, rank), d);
    count = w.count;
}

void generate_moves(const position& pos, move_list& list) {
    if (pos.repetition_draw || pos.fifty_move_draw) {
        list.count = 0;
        return;
    }
    side_in_check = in_check(pos);

    const bool white = side_to_move == WHITE;
    const int home = white ? 0 : 7;
    const int own = side_to_move;
    const uint8_t own_rook = static_cast<uint8_t>(own * 16 + ROOK);
    const uint8_t own_king = static_cast<uint8_t>(own * 16 + KING);
    // The transit squares (f and d of the back rank) are tested with the king
    // thought onto them, once per call, and only when that castling could be
    // listed at all: right held, not in check, king and rook at home and the
    // squares between them empty.  Otherwise the flag is 0; nothing reads it then.
    const uint8_t* row = pos.board + 8 * home;
    const bool castling_possible = !side_in_check && row[4] == own_king;
    castle_right_safe = castling_possible && (white ? pos.white_castle_right : pos.black_castle_right) &&
                        row[5] == 0 && row[6] == 0 && row[7] == own_rook && !king_attacked_on(pos, 5, home);
    castle_left_safe = castling_possible && (white ? pos.white_castle_left : pos.black_castle_left) &&
                       row[3] == 0 && row[2] == 0 && row[1] == 0 && row[0] == own_rook &&
                       !king_attacked_on(pos, 3, home);

    move_writer w(pos, list, 0);
    const uint8_t* board = pos.board;
    const int ep = pos.en_passant_file == NO_EN_PASSANT ? -1 : pos.en_passant_file;

    for (uint64_t pieces = colour_mask(board, own); pieces != 0; pieces &= pieces - 1) {
        const int square = __builtin_ctzll(pieces);
        const uint8_t piece = board[square];
        const int f = square & 7, r = square >> 3;
        if (piece == own_king) {
            std::memcpy(w.kingless, board, 64);
            w.kingless[square] = 0;
            w.mode = judge::king;
        } else if (side_in_check) {
            w.mode = judge::test;
        } else {
            w.judge_piece(f, r);
        }
        switch (piece_type(piece)) {
            case PAWN:
                if (white)
                    white_pawn(w, board, f, r, ep);
                else
                    black_pawn(w, board, f, r, ep);
                break;
            case KNIGHT:
                if (w.mode == judge::pinned) break;  // a knight never moves along its pin
                for (int i = 0; i < SQUARE_TABLES.knight_count[square]; ++i) {
                    const int to = SQUARE_TABLES.knight_to[square][i];
                    if (piece_colour(board[to]) != own) w.add_squares(square, to);
                }
                break;
            case BISHOP:
                for (int d = 0; d < 4; ++d) slider_ray(w, board, square, d);
                break;
            case ROOK:
                for (int d = 4; d < 8; ++d) slider_ray(w, board, square, d);
                break;
            case QUEEN:
                for (int d = 0; d < 8; ++d) slider_ray(w, board, square, d);
                break;
            case KING:
                if (w.mode != judge::king) w.mode = judge::test;  // a second king of a hand-made board
                for (int i = 0; i < SQUARE_TABLES.king_count[square]; ++i) {
                    const int to = SQUARE_TABLES.king_to[square][i];
                    if (piece_colour(board[to]) != own) w.add_squares(square, to);
                }
                // Castling from the start square only (a board file could hold
                // a second king elsewhere).
                if (f == 4 && r == home) {
                    if (castle_right_safe) w.add(4, home, 6, home);
                    if (castle_left_safe) w.add(4, home, 2, home);
                }
                break;
            default:
                break;
        }
    }
    list.count = static_cast<uint16_t>(w.count);
}
