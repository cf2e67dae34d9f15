// Legal move generation: a fixed scan of the board, every candidate settled
// by the legality test as it is written into the list.
#include "rules/rules.h"

namespace {

// capture_value of a captured board byte, by type: P 1, R 5, N 3, B 3, Q 9.
constexpr uint8_t CAPTURE_VALUE_BY_TYPE[16] = {0, 1, 5, 3, 3, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Writes candidates for one position into a list, keeping the legal ones.
struct move_writer {
    const position& pos;
    move_list& list;
    int count;

    // Tests the candidate (from -> to, promotion) and keeps it with value when legal.
    inline void add(int ff, int fr, int tf, int tr, uint8_t promotion, int bonus) {
        if (count >= MOVE_LIST_SIZE) return;  // never in a real position; a hostile board file
        move& entry = list.moves[count];
        entry.from_file = static_cast<int8_t>(ff);
        entry.from_rank = static_cast<int8_t>(fr);
        entry.to_file = static_cast<int8_t>(tf);
        entry.to_rank = static_cast<int8_t>(tr);
        entry.promotion = promotion;
        entry.capture_value = 0;
        entry.spare[0] = entry.spare[1] = 0;
        entry.score = 0;
        if (leaves_king_attacked(pos, entry)) return;
        entry.capture_value =
            static_cast<uint8_t>(CAPTURE_VALUE_BY_TYPE[piece_type(pos.board[square_index(tf, tr)])] + bonus);
        ++count;
    }
    inline void add(int ff, int fr, int tf, int tr) { add(ff, fr, tf, tr, NO_PROMOTION, 0); }
    // The queen and the knight promotion of one pawn move.
    inline void add_promotions(int ff, int fr, int tf, int tr) {
        add(ff, fr, tf, tr, QUEEN, PROMOTION_QUEEN_BONUS);
        add(ff, fr, tf, tr, KNIGHT, PROMOTION_KNIGHT_BONUS);
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
        if (f <= 6 && ep == f + 1) w.add(f, 4, f + 1, 5);
        if (f >= 1 && ep == f - 1) w.add(f, 4, f - 1, 5);
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
        if (f <= 6 && ep == f + 1) w.add(f, 3, f + 1, 2);
        if (f >= 1 && ep == f - 1) w.add(f, 3, f - 1, 2);
    }
}

constexpr int8_t KNIGHT_STEPS[8][2] = {{-1, -2}, {-2, -1}, {-1, 2}, {-2, 1}, {1, -2}, {2, -1}, {1, 2}, {2, 1}};
constexpr int8_t KING_STEPS[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};

void slider(move_writer& w, int f, int r, int df, int dr) {
    int count = w.count;
    generate_slider_moves(w.pos, w.list, f, r, df, dr, count);
    w.count = count;
}

}  // namespace

void generate_slider_moves(const position& pos, move_list& list, int file, int rank, int df, int dr,
                           int& count) {
    move_writer w{pos, list, count};
    const uint8_t* board = pos.board;
    int f = file + df, r = rank + dr;
    while (on_board(f, r) && board[square_index(f, r)] == 0) {
        w.add(file, rank, f, r);
        f += df;
        r += dr;
    }
    if (on_board(f, r) && piece_colour(board[square_index(f, r)]) != side_to_move) w.add(file, rank, f, r);
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
    const int king_rank = white ? pos.white_king_rank : pos.black_king_rank;
    // A held right means the king is at home, so the transit squares are
    // tested with the king thought onto them, once per call.
    castle_right_safe = (white ? pos.white_castle_right : pos.black_castle_right)
                            ? !king_attacked_on(pos, 5, king_rank)
                            : 0;
    castle_left_safe = (white ? pos.white_castle_left : pos.black_castle_left)
                           ? !king_attacked_on(pos, 3, king_rank)
                           : 0;

    move_writer w{pos, list, 0};
    const uint8_t* board = pos.board;
    const int own = side_to_move;
    const int ep = pos.en_passant_file == NO_EN_PASSANT ? -1 : pos.en_passant_file;
    const uint8_t own_rook = static_cast<uint8_t>(own * 16 + ROOK);

    for (int square = 0; square < 64; ++square) {
        const uint8_t piece = board[square];
        if (piece == 0 || piece_colour(piece) != own) continue;
        const int f = square & 7, r = square >> 3;
        switch (piece_type(piece)) {
            case PAWN:
                if (white)
                    white_pawn(w, board, f, r, ep);
                else
                    black_pawn(w, board, f, r, ep);
                break;
            case KNIGHT:
                for (const auto& step : KNIGHT_STEPS) {
                    const int tf = f + step[0], tr = r + step[1];
                    if (on_board(tf, tr) && piece_colour(board[square_index(tf, tr)]) != own) w.add(f, r, tf, tr);
                }
                break;
            case BISHOP:
                slider(w, f, r, -1, -1), slider(w, f, r, -1, 1), slider(w, f, r, 1, -1), slider(w, f, r, 1, 1);
                break;
            case ROOK:
                slider(w, f, r, -1, 0), slider(w, f, r, 1, 0), slider(w, f, r, 0, -1), slider(w, f, r, 0, 1);
                break;
            case QUEEN:
                slider(w, f, r, -1, -1), slider(w, f, r, -1, 1), slider(w, f, r, 1, -1), slider(w, f, r, 1, 1);
                slider(w, f, r, -1, 0), slider(w, f, r, 1, 0), slider(w, f, r, 0, -1), slider(w, f, r, 0, 1);
                break;
            case KING:
                for (const auto& step : KING_STEPS) {
                    const int tf = f + step[0], tr = r + step[1];
                    if (on_board(tf, tr) && piece_colour(board[square_index(tf, tr)]) != own) w.add(f, r, tf, tr);
                }
                // Castling from the start square only (a board file could hold
                // a second king elsewhere).
                if (!side_in_check && f == 4 && r == home) {
                    const uint8_t* row = board + 8 * home;
                    if (castle_right_safe && row[5] == 0 && row[6] == 0 && row[7] == own_rook) w.add(4, home, 6, home);
                    if (castle_left_safe && row[3] == 0 && row[2] == 0 && row[1] == 0 && row[0] == own_rook)
                        w.add(4, home, 2, home);
                }
                break;
            default:
                break;
        }
    }
    list.count = static_cast<uint16_t>(w.count);
}
