// Legal move generation: a fixed scan of the board, every candidate settled
// by the legality test as it is written into the list.
//
// The legality test's answer for a non-king move out of no check depends only
// on the one line from the king through the from-square, so it is worked out
// once per piece (is the piece pinned, and along which line) instead of once
// per candidate; a king's candidates are tested on one board with the king
// lifted off.  The answers are those of leaves_king_attacked, which still
// settles the rare cases (in check, en passant) move by move.
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/attack_internal.h"
#include "rules/reach_tables.h"
#include "rules/slider_reach.h"
#include "rules/rules.h"

namespace {

// capture_value of a captured board byte, by type: P 1, R 5, N 3, B 3, Q 9.
constexpr uint8_t CAPTURE_VALUE_BY_TYPE[16] = {0, 1, 5, 3, 3, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

constexpr int sign(int x) { return (x > 0) - (x < 0); }

// A square's file and rank as the first two bytes of a move record.
static_assert(std::endian::native == std::endian::little, "move words are written from_file first");
static_assert(offsetof(move, from_file) == 0 && offsetof(move, to_file) == 2 && offsetof(move, promotion) == 4 &&
              offsetof(move, capture_value) == 5 && offsetof(move, score) == 8);
struct move_square_bytes {
    uint32_t of[64][64];  // [from][to]: from_file, from_rank, to_file, to_rank
};
constexpr move_square_bytes MOVE_SQUARE_BYTES = [] {
    move_square_bytes t{};
    for (int from = 0; from < 64; ++from)
        for (int to = 0; to < 64; ++to)
            t.of[from][to] = static_cast<uint32_t>((from & 7) | (from >> 3) << 8 | (to & 7) << 16 | (to >> 3) << 24);
    return t;
}();

// capture_value of a captured board byte: P 1, R 5, N 3, B 3, Q 9, else 0.
constexpr auto CAPTURE_VALUE_OF_BYTE = [] {
    std::array<uint8_t, 256> values{};
    for (int b = 0; b < 256; ++b) values[b] = CAPTURE_VALUE_BY_TYPE[b & 0x0F];
    return values;
}();

// How the candidates of the piece being generated are judged.
enum class judge : uint8_t {
    free,    // no line to the king can open: every candidate is legal
    pinned,  // legal only along the line king -> pinner (pin_f, pin_r)
    test,    // ask leaves_king_attacked for each candidate
    evade,   // in check: is the king still attacked after the move (by the sets)
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
    int en_passant = -1;         // the position's en_passant_file, or -1
    uint8_t own_king = 0;        // side_to_move's king byte
    bool every_promotion = false;  // the rook and bishop promotions too
    int pin_f = 0, pin_r = 0;
    attack_sets sets;            // the board's men, for the evade judge
    attack_sets kingless;        // the same without side_to_move's king, for the king judge

    move_writer(const position& p, move_list& l, int c) : pos(p), list(l), count(c) {
        const bool white = side_to_move == WHITE;
        king_file = white ? p.white_king_file : p.black_king_file;
        king_rank = white ? p.white_king_rank : p.black_king_rank;
        enemy_file = white ? p.black_king_file : p.white_king_file;
        enemy_rank = white ? p.black_king_rank : p.white_king_rank;
        en_passant = p.en_passant_file == NO_EN_PASSANT ? -1 : p.en_passant_file;
        own_king = static_cast<uint8_t>(side_to_move * 16 + KING);
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
                return !square_attacked(kingless, square_index(m.to_file, m.to_rank), enemy_file, enemy_rank);
            }
            case judge::evade: {
                const int from = square_index(m.from_file, m.from_rank);
                return !attacked_after_move(sets, square_index(king_file, king_rank), from,
                                            square_index(m.to_file, m.to_rank),
                                            en_passant_victim(pos.board, pos.board[from], m), enemy_file, enemy_rank);
            }
            case judge::test: break;
        }
        return !leaves_king_attacked(pos, m);
    }

    // Tests the candidate (from -> to, promotion) and keeps it with its value
    // when legal.  The first eight bytes of the record are written as one word.
    inline void add_squares(int from, int to, uint8_t promotion, int bonus) {
        if (count >= MOVE_LIST_SIZE) return;  // never in a real position; a hostile board file
        move& entry = list.moves[count];
        const uint64_t value = static_cast<uint8_t>(CAPTURE_VALUE_OF_BYTE[pos.board[to]] + bonus);
        const uint64_t word = MOVE_SQUARE_BYTES.of[from][to] | uint64_t{promotion} << 32 | value << 40;
        std::memcpy(&entry, &word, sizeof word);
        entry.score = 0;
        if (mode == judge::free || legal(entry)) ++count;
    }
    inline void add_squares(int from, int to) { add_squares(from, to, NO_PROMOTION, 0); }
    inline void add(int ff, int fr, int tf, int tr, uint8_t promotion, int bonus) {
        add_squares(square_index(ff, fr), square_index(tf, tr), promotion, bonus);
    }
    inline void add(int ff, int fr, int tf, int tr) { add(ff, fr, tf, tr, NO_PROMOTION, 0); }
    // The queen and the knight promotion of one pawn move (and the rook and
    // the bishop when every promotion is wanted).
    inline void add_promotions(int ff, int fr, int tf, int tr) {
        add(ff, fr, tf, tr, QUEEN, PROMOTION_QUEEN_BONUS);
        add(ff, fr, tf, tr, KNIGHT, PROMOTION_KNIGHT_BONUS);
        if (every_promotion) {
            add(ff, fr, tf, tr, ROOK, 0);
            add(ff, fr, tf, tr, BISHOP, 0);
        }
    }
    // An en-passant capture: its victim leaves a square of its own, so out of
    // check it is always put to leaves_king_attacked (in check the evade
    // judge takes the victim off too).
    inline void add_en_passant(int ff, int fr, int tf, int tr) {
        const judge saved = mode;
        if (mode != judge::evade) mode = judge::test;
        add(ff, fr, tf, tr);
        mode = saved;
    }

    // Sets the judge for a non-king piece on square, out of check: pinned
    // when it is the nearest man on a ray from the king and the next one
    // beyond it is an enemy slider of that ray's kind.
    void judge_piece(int square) {
        const int king = square_index(king_file, king_rank);
        mode = judge::free;
        if (square == king) {  // the king fields do not name the king: let the test decide
            mode = judge::test;
            return;
        }
        const int d = RAY_DIRECTIONS.of[king][square];
        if (d == NO_RAY) return;
        const uint64_t blockers = SQUARE_MASKS.ray[king][d] & sets.occupied;
        if (nearest_on_ray(blockers, d) != square) return;  // another piece shields the king
        const uint64_t beyond = blockers & ~(uint64_t{1} << square);
        if (beyond == 0) return;
        const uint8_t piece = pos.board[nearest_on_ray(beyond, d)];
        if (piece_colour(piece) != side_to_move && slider_attacks(piece, RAY_STEPS[d][0], RAY_STEPS[d][1])) {
            mode = judge::pinned;
            pin_f = RAY_STEPS[d][0];
            pin_r = RAY_STEPS[d][1];
        }
    }
};

// The writer of a man that no line to the king can pin, out of check: every
// candidate is legal, so its moves go straight into the list.  It works on
// copies of its own (the list's next entry, the board), which stay in
// registers across the stores of the move records; finish() hands the
// count back to the move_writer.  An en-passant capture, whose victim
// leaves a square of its own, still goes through the move_writer's test.
struct free_writer {
    move_writer& w;
    move* const moves;
    int count;
    const uint8_t* const board;

    explicit free_writer(move_writer& writer)
        : w(writer), moves(writer.list.moves), count(writer.count), board(writer.pos.board) {}
    void finish() { w.count = count; }

    inline void add_squares(int from, int to, uint8_t promotion, int bonus) {
        if (count >= MOVE_LIST_SIZE) return;  // never in a real position; a hostile board file
        const uint64_t value = static_cast<uint8_t>(CAPTURE_VALUE_OF_BYTE[board[to]] + bonus);
        const uint64_t word = MOVE_SQUARE_BYTES.of[from][to] | uint64_t{promotion} << 32 | value << 40;
        std::memcpy(&moves[count], &word, sizeof word);
        moves[count].score = 0;
        ++count;
    }
    inline void add_squares(int from, int to) { add_squares(from, to, NO_PROMOTION, 0); }
    inline void add(int ff, int fr, int tf, int tr, uint8_t promotion, int bonus) {
        add_squares(square_index(ff, fr), square_index(tf, tr), promotion, bonus);
    }
    inline void add(int ff, int fr, int tf, int tr) { add(ff, fr, tf, tr, NO_PROMOTION, 0); }
    inline void add_promotions(int ff, int fr, int tf, int tr) {
        add(ff, fr, tf, tr, QUEEN, PROMOTION_QUEEN_BONUS);
        add(ff, fr, tf, tr, KNIGHT, PROMOTION_KNIGHT_BONUS);
        if (w.every_promotion) {
            add(ff, fr, tf, tr, ROOK, 0);
            add(ff, fr, tf, tr, BISHOP, 0);
        }
    }
    inline void add_en_passant(int ff, int fr, int tf, int tr) {
        finish();
        w.add_en_passant(ff, fr, tf, tr);
        count = w.count;
    }
};

inline bool holds_colour(const uint8_t* board, int f, int r, int colour) {
    return piece_colour(board[square_index(f, r)]) == colour;
}
inline bool empty(const uint8_t* board, int f, int r) { return board[square_index(f, r)] == 0; }

template <typename Writer>
void white_pawn(Writer& w, const uint8_t* board, int f, int r, int ep) {
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

template <typename Writer>
void black_pawn(Writer& w, const uint8_t* board, int f, int r, int ep) {
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

// One ray of a slider by the ray table, each move written by the writer
// (a move_writer judges it, a free_writer needs no judge).
template <typename Writer>
inline void slider_ray(Writer& w, const uint8_t* board, int from, int d) {
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
    w.sets = board_attack_sets(pos.board);
    w.mode = judge::test;
    for (int d = 0; d < 8; ++d)
        if (RAY_STEPS[d][0] == df && RAY_STEPS[d][1] == dr) slider_ray(w, pos.board, square_index(file, rank), d);
    count = w.count;
}

namespace {

// The shared flags for pos and side_to_move, and the sets of its board.
// The transit squares (f and d of the back rank) are tested with the king
// thought onto them, once per call, and only when that castling could be
// listed at all: right held, not in check, king and rook at home and the
// squares between them empty.  Otherwise the flag is 0; nothing reads it then.
void set_shared_flags(const position& pos, move_writer& w) {
    w.sets = board_attack_sets(pos.board);
    side_in_check = square_attacked(w.sets, square_index(w.king_file, w.king_rank), w.enemy_file, w.enemy_rank);
    const bool white = side_to_move == WHITE;
    const int home = white ? 0 : 7;
    const uint8_t own_rook = static_cast<uint8_t>(side_to_move * 16 + ROOK);
    const uint8_t* row = pos.board + 8 * home;
    // Chess960 castling is listed by castling_960 instead.
    const bool castling_possible = !side_in_check && !pos.chess960 && row[4] == side_to_move * 16 + KING;
    castle_right_safe = castling_possible && (white ? pos.white_castle_right : pos.black_castle_right) &&
                        row[5] == 0 && row[6] == 0 && row[7] == own_rook &&
                        !square_attacked(w.sets, square_index(5, home), w.enemy_file, w.enemy_rank);
    castle_left_safe = castling_possible && (white ? pos.white_castle_left : pos.black_castle_left) &&
                       row[3] == 0 && row[2] == 0 && row[1] == 0 && row[0] == own_rook &&
                       !square_attacked(w.sets, square_index(3, home), w.enemy_file, w.enemy_rank);
}

// The candidates of a pawn, knight, bishop, rook or queen of side_to_move on
// square, each handed to the writer.
template <typename Writer>
void man_moves(Writer& w, const uint8_t* board, int square, int type, int ep) {
    const int f = square & 7, r = square >> 3;
    switch (type) {
        case PAWN:
            if (side_to_move == WHITE)
                white_pawn(w, board, f, r, ep);
            else
                black_pawn(w, board, f, r, ep);
            break;
        case KNIGHT:
            for (int i = 0; i < SQUARE_TABLES.knight_count[square]; ++i) {
                const int to = SQUARE_TABLES.knight_to[square][i];
                if (piece_colour(board[to]) != side_to_move) w.add_squares(square, to);
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
        default:
            break;
    }
}

// The legal moves of side_to_move's man on square, appended by the writer.
// Judges how the man on square may move (an evasion, pinned, or free of
// any line to its king), then lists its moves through list(writer): a free
// man's through the writer that skips the legality test.
template <typename List>
inline void judged_moves(move_writer& w, int square, int type, List list) {
    if (side_in_check)
        w.mode = judge::evade;
    else
        w.judge_piece(square);
    if (w.mode == judge::free) {
        free_writer fw(w);
        list(fw);
        fw.finish();
    } else if (!(type == KNIGHT && w.mode == judge::pinned)) {  // a knight never moves along its pin
        list(w);
    }
}

// Chess960 castling of the king on square: the king taking its own rook.
// Every square between the king and its target and between the rook and
// its target is empty but for the two of them, and no square the king
// stands on or crosses, its target included, is attacked with both of them
// lifted off (the rook may have shielded the target along the rank).
void castling_960(move_writer& w, const position& pos, int square) {
    if (side_in_check) return;
    const int own = side_to_move, home = own == WHITE ? 0 : 7;
    const int king_file = square & 7;
    if (square >> 3 != home || king_file != pos.castle_king_file[own - 1]) return;
    const uint8_t rook = static_cast<uint8_t>(own * 16 + ROOK);
    const bool white = own == WHITE;
    for (const bool right : {true, false}) {
        if (!(white ? (right ? pos.white_castle_right : pos.white_castle_left)
                    : (right ? pos.black_castle_right : pos.black_castle_left)))
            continue;
        const int rook_file = pos.castle_rook_file[castle_slot(own, right)] & 7;
        const int rook_square = square_index(rook_file, home);
        if (pos.board[rook_square] != rook || w.count >= MOVE_LIST_SIZE) continue;
        const int king_to = right ? CASTLED_KING_FILE_RIGHT : CASTLED_KING_FILE_LEFT;
        const int rook_to = right ? CASTLED_ROOK_FILE_RIGHT : CASTLED_ROOK_FILE_LEFT;
        const auto span = [&](int a, int b) {
            const int low = a < b ? a : b, high = a < b ? b : a;
            return ((uint64_t{2} << high) - (uint64_t{1} << low)) << (8 * home);
        };
        attack_sets lifted = w.sets;
        lifted.occupied &= ~(uint64_t{1} << square) & ~(uint64_t{1} << rook_square);
        if (lifted.occupied & (span(king_file, king_to) | span(rook_file, rook_to))) continue;
        bool attacked = false;
        for (int f = king_file;; f += king_to > king_file ? 1 : -1) {
            if (f != king_file && square_attacked(lifted, square_index(f, home), w.enemy_file, w.enemy_rank)) {
                attacked = true;
                break;
            }
            if (f == king_to) break;
        }
        if (attacked) continue;
        move& entry = w.list.moves[w.count++];
        entry = move{};
        entry.from_file = static_cast<int8_t>(king_file);
        entry.from_rank = static_cast<int8_t>(home);
        entry.to_file = static_cast<int8_t>(rook_file);
        entry.to_rank = static_cast<int8_t>(home);
        entry.promotion = NO_PROMOTION;
    }
}

void piece_moves(move_writer& w, const position& pos, int square) {
    const uint8_t* board = pos.board;
    const int own = side_to_move;
    const uint8_t piece = board[square];
    const int type = piece_type(piece);
    if (piece == w.own_king) {
        w.kingless = w.sets;
        w.kingless.occupied &= ~(uint64_t{1} << square);
        w.mode = judge::king;
        for (int i = 0; i < SQUARE_TABLES.king_count[square]; ++i) {
            const int to = SQUARE_TABLES.king_to[square][i];
            if (piece_colour(board[to]) != own) w.add_squares(square, to);
        }
        if (pos.chess960) {
            castling_960(w, pos, square);
            return;
        }
        // Castling from the start square only (a board file could hold
        // a second king elsewhere).
        const int home = own == WHITE ? 0 : 7;
        if (square == square_index(4, home)) {
            if (castle_right_safe) w.add(4, home, 6, home);
            if (castle_left_safe) w.add(4, home, 2, home);
        }
        return;
    }
    const int ep = w.en_passant;
    judged_moves(w, square, type, [&](auto& writer) { man_moves(writer, board, square, type, ep); });
}

}  // namespace

void generate_moves(const position& pos, move_list& list, promotions which) {
    if (pos.repetition_draw || pos.fifty_move_draw) {
        list.count = 0;
        return;
    }
    move_writer w(pos, list, 0);
    w.every_promotion = which == promotions::all;
    set_shared_flags(pos, w);
    for (uint64_t pieces = colour_mask(pos.board, side_to_move); pieces != 0; pieces &= pieces - 1)
        piece_moves(w, pos, __builtin_ctzll(pieces));
    list.count = static_cast<uint16_t>(w.count);
}

namespace {

// 1 when a target byte the generator would list a move onto counts as taken:
// it holds a man (a byte of no type is no capture, as the search sees it).
inline bool takes(uint8_t target) { return piece_type(target) != 0; }

constexpr uint64_t FILE_A_SQUARES = 0x0101010101010101ull;
constexpr uint64_t FILE_H_SQUARES = FILE_A_SQUARES << 7;

// The captures and promotions of a pawn, knight, bishop, rook or queen of
// side_to_move on square, in the order man_moves hands them to the writer:
// its other candidates are skipped before they are judged.
template <typename Writer>
void man_captures(Writer& w, const uint8_t* board, uint64_t occupied, int square, int type, int ep) {
    const int own = side_to_move, enemy = other_colour(own);
    const int f = square & 7, r = square >> 3;
    switch (type) {
        case PAWN: {
            const bool white = own == WHITE;
            if (r == (white ? 6 : 1)) {  // every move promotes
                if (white)
                    white_pawn(w, board, f, r, ep);
                else
                    black_pawn(w, board, f, r, ep);
                break;
            }
            if (r == (white ? 7 : 0)) break;
            const int ahead = white ? r + 1 : r - 1;
            if (f <= 6 && holds_colour(board, f + 1, ahead, enemy) && takes(board[square_index(f + 1, ahead)]))
                w.add(f, r, f + 1, ahead);
            if (f >= 1 && holds_colour(board, f - 1, ahead, enemy) && takes(board[square_index(f - 1, ahead)]))
                w.add(f, r, f - 1, ahead);
            if (r == (white ? 4 : 3)) {
                if (f <= 6 && ep == f + 1) w.add_en_passant(f, r, f + 1, ahead);
                if (f >= 1 && ep == f - 1) w.add_en_passant(f, r, f - 1, ahead);
            }
            break;
        }
        case KNIGHT:
            for (int i = 0; i < SQUARE_TABLES.knight_count[square]; ++i) {
                const int to = SQUARE_TABLES.knight_to[square][i];
                if (piece_colour(board[to]) != own && takes(board[to])) w.add_squares(square, to);
            }
            break;
        default: {
            // A slider's only capture along a ray is on its first occupied square.
            const int first = type == ROOK ? 4 : 0, last = type == BISHOP ? 4 : 8;
            for (int d = first; d < last; ++d) {
                const uint64_t blockers = SQUARE_MASKS.ray[square][d] & occupied;
                if (blockers == 0) continue;
                const int to = nearest_on_ray(blockers, d);
                if (piece_colour(board[to]) != own && takes(board[to])) w.add_squares(square, to);
            }
            break;
        }
    }
}

// False when the man of side_to_move on square has no candidate that
// man_captures would list: no man of the enemy's colour where it could take
// (the squares it reaches, a slider's first man on each line), no promotion
// and no en-passant capture.  Most men in most positions have none, and
// skipping them spares their pin test; true says only "look".
inline bool may_capture(uint64_t occupied, uint64_t enemy_men, int square, int type, int ep) {
    const bool white = side_to_move == WHITE;
    const int r = square >> 3;
    switch (type) {
        case PAWN: {
            if (r == (white ? 6 : 1) || (ep >= 0 && r == (white ? 4 : 3))) return true;
            const uint64_t from = uint64_t{1} << square;
            const uint64_t reach = white ? ((from & ~FILE_A_SQUARES) << 7) | ((from & ~FILE_H_SQUARES) << 9)
                                         : ((from & ~FILE_A_SQUARES) >> 9) | ((from & ~FILE_H_SQUARES) >> 7);
            return (reach & enemy_men) != 0;
        }
        case KNIGHT: return (REACH_MASKS.knight[square] & enemy_men) != 0;
        case BISHOP: return (bishop_reach(occupied, square) & enemy_men) != 0;
        case ROOK: return (rook_reach(occupied, square) & enemy_men) != 0;
        case QUEEN: return ((rook_reach(occupied, square) | bishop_reach(occupied, square)) & enemy_men) != 0;
        default: return true;
    }
}

}  // namespace

void generate_captures(const position& pos, move_list& list, promotions which) {
    if (pos.repetition_draw || pos.fifty_move_draw) {
        list.count = 0;
        return;
    }
    move_writer w(pos, list, 0);
    w.every_promotion = which == promotions::all;
    set_shared_flags(pos, w);
    const uint8_t* board = pos.board;
    const int own = side_to_move;
    const int ep = w.en_passant;
    const uint64_t enemy_men = colour_mask(board, other_colour(own));
    for (uint64_t pieces = colour_mask(board, own); pieces != 0; pieces &= pieces - 1) {
        const int square = __builtin_ctzll(pieces);
        const uint8_t piece = board[square];
        const int type = piece_type(piece);
        if (piece == w.own_king) {
            w.kingless = w.sets;
            w.kingless.occupied &= ~(uint64_t{1} << square);
            w.mode = judge::king;
            for (int i = 0; i < SQUARE_TABLES.king_count[square]; ++i) {
                const int to = SQUARE_TABLES.king_to[square][i];
                if (piece_colour(board[to]) != own && takes(board[to])) w.add_squares(square, to);
            }
            continue;  // castling captures nothing
        }
        if (type != PAWN && type != KNIGHT && type != BISHOP && type != ROOK && type != QUEEN) continue;
        if (!may_capture(w.sets.occupied, enemy_men, square, type, ep)) continue;
        judged_moves(w, square, type,
                     [&](auto& writer) { man_captures(writer, board, w.sets.occupied, square, type, ep); });
    }
    list.count = static_cast<uint16_t>(w.count);
}

int unaligned_man_can_move(const position& pos) {
    const uint8_t* board = pos.board;
    const int own = side_to_move;
    const bool white = own == WHITE;
    const int king = white ? square_index(pos.white_king_file, pos.white_king_rank)
                           : square_index(pos.black_king_file, pos.black_king_rank);
    const int ep = pos.en_passant_file == NO_EN_PASSANT ? -1 : pos.en_passant_file;
    for (uint64_t pieces = colour_mask(board, own); pieces != 0; pieces &= pieces - 1) {
        const int square = __builtin_ctzll(pieces);
        if (square == king || RAY_DIRECTIONS.of[king][square] != NO_RAY) continue;
        const int f = square & 7, r = square >> 3;
        switch (piece_type(board[square])) {
            case PAWN: {
                // The candidates of the generator: a step onto an empty
                // square (a double step needs the single one empty too),
                // a capture, an en-passant capture.
                const int forward = white ? 1 : -1, last = white ? 7 : 0;
                if (r == last) break;  // only a hand-made board puts a pawn there; it has no move
                const int enemy = other_colour(own);
                if (board[square_index(f, r + forward)] == 0) return 1;
                if (f < 7 && holds_colour(board, f + 1, r + forward, enemy)) return 1;
                if (f > 0 && holds_colour(board, f - 1, r + forward, enemy)) return 1;
                if (r == (white ? 4 : 3) && ((f < 7 && ep == f + 1) || (f > 0 && ep == f - 1))) return 1;
                break;
            }
            case KNIGHT:
                for (int i = 0; i < SQUARE_TABLES.knight_count[square]; ++i)
                    if (piece_colour(board[SQUARE_TABLES.knight_to[square][i]]) != own) return 1;
                break;
            case BISHOP:
            case ROOK:
            case QUEEN: {
                const int type = piece_type(board[square]);
                const int first = type == ROOK ? 4 : 0, last = type == BISHOP ? 3 : 7;
                // A ray has a candidate when its first square is empty or enemy.
                for (int d = first; d <= last; ++d)
                    if (SQUARE_TABLES.ray_count[square][d] > 0 &&
                        piece_colour(board[SQUARE_TABLES.ray_to[square][d][0]]) != own)
                        return 1;
                break;
            }
            default:
                break;
        }
    }
    return 0;
}
