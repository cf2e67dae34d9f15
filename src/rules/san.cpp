// SAN words resolved against the legal moves: the word is first read into
// its parts (piece, disambiguation, target, promotion), without looking at
// the board, and the parts are then matched against the generator's list,
// so that a move is found only when it is legal.
#include "rules/san.h"

#include <cstring>

namespace {

enum class shape_kind { piece, pawn, castle_short, castle_long };

// The parts of a SAN word; -1 where the word gives none.
struct san_shape {
    shape_kind kind = shape_kind::piece;
    int piece = 0;       // piece type of a piece move
    int from_file = -1;  // disambiguation (the pawn's own file for a pawn)
    int from_rank = -1;
    int to_file = -1;
    int to_rank = -1;
    int promotion = 0;   // piece type named for a promotion, 0 for none
    bool capture = false;
};

inline bool is_file(char c) { return c >= 'a' && c <= 'h'; }
inline bool is_rank(char c) { return c >= '1' && c <= '8'; }

// The piece type of a SAN piece letter, 0 for any other character.
int piece_of_letter(char c) {
    switch (c) {
        case 'K': return KING;
        case 'Q': return QUEEN;
        case 'R': return ROOK;
        case 'B': return BISHOP;
        case 'N': return KNIGHT;
        default: return 0;
    }
}

// The letters a pawn may promote to.
int promotion_of_letter(char c) {
    const int piece = piece_of_letter(c);
    return piece == KING ? 0 : piece;
}

// Whether what is left after the move is only check marks, comments on the
// move and the en-passant mark, in any order and number ("+", "#!", "e.p.+").
bool only_suffix(const char* p) {
    while (*p != '\0') {
        if (*p == '+' || *p == '#' || *p == '!' || *p == '?') {
            ++p;
        } else if (p[0] == 'e' && p[1] == '.' && p[2] == 'p' && p[3] == '.') {
            p += 4;  // each character is looked at only when the ones before it matched
        } else {
            return false;
        }
    }
    return true;
}

// Castling in letters or zeros: "O-O", "O-O-O", "0-0", "0-0-0".
bool read_castling(const char* w, san_shape& s) {
    s = san_shape{};
    const char c = w[0];
    if (c != 'O' && c != '0') return false;
    if (w[1] != '-' || w[2] != c) return false;
    const char* rest = w + 3;
    s.kind = shape_kind::castle_short;
    if (rest[0] == '-' && rest[1] == c) {
        s.kind = shape_kind::castle_long;
        rest += 2;
    }
    return only_suffix(rest);
}

// A pawn move: "e4", "exd5", "e8=Q", "e8Q", "exd8=N+".
bool read_pawn_move(const char* w, san_shape& s) {
    s = san_shape{};
    if (!is_file(w[0])) return false;
    s.kind = shape_kind::pawn;
    s.from_file = w[0] - 'a';
    int i = 1;
    if (w[1] == 'x') {
        if (!is_file(w[2])) return false;
        s.capture = true;
        s.to_file = w[2] - 'a';
        i = 3;
    } else {
        s.to_file = s.from_file;
    }
    if (!is_rank(w[i])) return false;
    s.to_rank = w[i] - '1';
    ++i;
    if (w[i] == '=') {
        s.promotion = promotion_of_letter(w[i + 1]);
        if (s.promotion == 0) return false;
        i += 2;
    } else if (promotion_of_letter(w[i]) != 0) {
        s.promotion = promotion_of_letter(w[i]);
        ++i;
    }
    return only_suffix(w + i);
}

// A piece move: the letter, then [file][rank][x] and the target square.
bool read_piece_move(const char* w, san_shape& s) {
    s = san_shape{};
    s.piece = piece_of_letter(w[0]);
    if (s.piece == 0) return false;
    // The body runs over the characters that can stand in it; its last two
    // are the target, what comes before them the disambiguation and 'x'.
    int n = 1;
    while (n <= 6 && (is_file(w[n]) || is_rank(w[n]) || w[n] == 'x')) ++n;
    const int body = n - 1;
    if (body < 2 || body > 5) return false;
    if (!is_file(w[n - 2]) || !is_rank(w[n - 1])) return false;
    s.to_file = w[n - 2] - 'a';
    s.to_rank = w[n - 1] - '1';
    int i = 1;
    const int prefix_end = n - 2;
    if (i < prefix_end && is_file(w[i])) s.from_file = w[i++] - 'a';
    if (i < prefix_end && is_rank(w[i])) s.from_rank = w[i++] - '1';
    if (i < prefix_end && w[i] == 'x') {
        s.capture = true;
        ++i;
    }
    if (i != prefix_end) return false;
    return only_suffix(w + n);
}

// Whether list entry m is a move the shape can name.
bool matches(const position& pos, const san_shape& s, const move& m) {
    if (!on_board(m.from_file, m.from_rank)) return false;
    const int piece = piece_type(pos.board[square_index(m.from_file, m.from_rank)]);
    const int home = side_to_move == WHITE ? 0 : 7;
    switch (s.kind) {
        case shape_kind::castle_short:
        case shape_kind::castle_long:
            if (pos.chess960)
                return piece == KING && m.from_rank == home && is_castling(pos, m) &&
                       (m.to_file > m.from_file) == (s.kind == shape_kind::castle_short);
            return piece == KING && m.from_file == 4 && m.from_rank == home && m.to_rank == home &&
                   m.to_file == (s.kind == shape_kind::castle_short ? 6 : 2);
        case shape_kind::pawn:
            if (piece != PAWN || m.from_file != s.from_file || m.to_file != s.to_file || m.to_rank != s.to_rank)
                return false;
            // A capture goes to the next file; a step stays on its own.
            if (s.capture == (m.from_file == m.to_file)) return false;
            // The last rank needs a piece named, and no other rank takes one.
            return (m.promotion != NO_PROMOTION) == (s.promotion != 0);
        case shape_kind::piece:
            if (piece != s.piece || m.to_file != s.to_file || m.to_rank != s.to_rank) return false;
            if (s.from_file >= 0 && m.from_file != s.from_file) return false;
            if (s.from_rank >= 0 && m.from_rank != s.from_rank) return false;
            // Castling is written "O-O", never as the king's two-square step.
            if (piece == KING && (pos.chess960 ? is_castling(pos, m)
                                               : m.to_file - m.from_file == 2 || m.from_file - m.to_file == 2))
                return false;
            return true;
    }
    return false;
}

}  // namespace

san_result resolve_san(const position& pos, const move_list& legal, const char* word, move& found) {
    san_shape s;
    const bool shaped = read_castling(word, s) || read_pawn_move(word, s) || read_piece_move(word, s);
    if (!shaped) return san_result::not_san;
    const move* first = nullptr;
    bool more = false;
    for (int i = 0; i < legal.count; ++i) {
        const move& m = legal.moves[i];
        if (!matches(pos, s, m)) continue;
        // The generator lists a promotion once per piece: the same squares
        // are one move here, whose piece the word names.
        if (first == nullptr) {
            first = &m;
        } else if (m.from_file != first->from_file || m.from_rank != first->from_rank || m.to_file != first->to_file ||
                   m.to_rank != first->to_rank) {
            more = true;
        }
    }
    if (first == nullptr) return s.kind == shape_kind::pawn ? san_result::no_pawn_move : san_result::no_piece_move;
    if (more) return san_result::ambiguous;
    found = *first;
    if (s.promotion != 0) found.promotion = static_cast<uint8_t>(s.promotion);
    return san_result::legal_move;
}

void write_san(const position& pos, int side, const move& m, char* out) {
    static const char LETTERS[] = " PRNBQK";
    // Scratch, so that the generator's flags and the side to move are as the caller left them.
    static position after;
    static move_list legal;
    const int saved_side = side_to_move, saved_check = side_in_check;
    const int saved_right = castle_right_safe, saved_left = castle_left_safe;
    // The engine's own draw flags list no moves; SAN asks what the rules allow.
    copy_position(after, pos);
    after.repetition_draw = 0;
    after.fifty_move_draw = 0;
    side_to_move = side;
    generate_moves(after, legal);

    const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
    const int type = piece_type(piece);
    const bool onto_man = pos.board[square_index(m.to_file, m.to_rank)] != 0;
    char* p = out;
    if (type == KING && (pos.chess960 ? is_castling(pos, m)
                                      : m.to_file - m.from_file == 2 || m.from_file - m.to_file == 2)) {
        std::memcpy(p, m.to_file > m.from_file ? "O-O" : "O-O-O", m.to_file > m.from_file ? 3 : 5);
        p += m.to_file > m.from_file ? 3 : 5;
    } else if (type == PAWN) {
        if (m.from_file != m.to_file) {  // a capture, en passant too
            *p++ = static_cast<char>('a' + m.from_file);
            *p++ = 'x';
        }
        *p++ = static_cast<char>('a' + m.to_file);
        *p++ = static_cast<char>('1' + m.to_rank);
        if (m.promotion != NO_PROMOTION && m.promotion >= ROOK && m.promotion <= QUEEN) {
            *p++ = '=';
            *p++ = LETTERS[m.promotion];
        }
    } else {
        *p++ = type >= PAWN && type <= KING ? LETTERS[type] : '?';
        // Another man of the same kind that can go there: the file tells
        // them apart, else the rank, else both.
        bool other = false, same_file = false, same_rank = false;
        for (int i = 0; i < legal.count; ++i) {
            const move& l = legal.moves[i];
            if (l.to_file != m.to_file || l.to_rank != m.to_rank) continue;
            if (l.from_file == m.from_file && l.from_rank == m.from_rank) continue;
            if (piece_type(pos.board[square_index(l.from_file, l.from_rank)]) != type) continue;
            other = true;
            same_file = same_file || l.from_file == m.from_file;
            same_rank = same_rank || l.from_rank == m.from_rank;
        }
        if (other && (!same_file || same_rank)) *p++ = static_cast<char>('a' + m.from_file);
        if (other && same_file) *p++ = static_cast<char>('1' + m.from_rank);
        if (onto_man) *p++ = 'x';
        *p++ = static_cast<char>('a' + m.to_file);
        *p++ = static_cast<char>('1' + m.to_rank);
    }
    make_move(after, m);
    side_to_move = other_colour(side);
    after.repetition_draw = 0;
    after.fifty_move_draw = 0;
    if (in_check(after)) {
        generate_moves(after, legal);
        *p++ = legal.count == 0 ? '#' : '+';
    }
    *p = '\0';
    side_to_move = saved_side;
    side_in_check = saved_check;
    castle_right_safe = saved_right;
    castle_left_safe = saved_left;
}
