// Coordinate move text: the reader and the writer.
#include "rules/move_text.h"

namespace {
inline bool is_rank_digit(char c) { return c >= '1' && c <= '8'; }
inline bool is_small_letter(char c) { return c >= 'a' && c <= 'z'; }
inline bool is_capital(char c) { return c >= 'A' && c <= 'Z'; }
inline char capital(char c) { return is_small_letter(c) ? static_cast<char>(c - 'a' + 'A') : c; }

bool is_promotion_piece(uint8_t type) { return type == QUEEN || type == ROOK || type == BISHOP || type == KNIGHT; }
}  // namespace

bool needs_promotion(const position& pos, const move& m) {
    if (m.to_rank != 0 && m.to_rank != 7) return false;
    if (!on_board(m.from_file, m.from_rank)) return false;
    const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
    return piece == WHITE * 16 + PAWN || piece == BLACK * 16 + PAWN;
}

int is_move_text(char* word) {
    // Each position is looked at only when the ones before it exist, so a
    // short word is never read beyond its terminator.
    if (word[0] == '\0' || !is_rank_digit(word[1])) return 0;
    if (word[2] == '\0' || !is_rank_digit(word[3])) return 0;
    word[0] = capital(word[0]);
    word[2] = capital(word[2]);
    word[4] = capital(word[4]);  // the terminator of a four-letter word is left alone
    return is_capital(word[0]) && is_capital(word[2]);
}

move parse_move_text(const char* word) {
    move m = {};
    m.from_file = static_cast<int8_t>(word[0] - 'A');
    m.from_rank = static_cast<int8_t>(word[1] - '1');
    m.to_file = static_cast<int8_t>(word[2] - 'A');
    m.to_rank = static_cast<int8_t>(word[3] - '1');
    switch (word[4]) {
        case 'Q': case 'q': m.promotion = QUEEN; break;
        case 'R': case 'r': m.promotion = ROOK; break;
        case 'B': case 'b': m.promotion = BISHOP; break;
        case 'N': case 'n': m.promotion = KNIGHT; break;
        default: m.promotion = 0; break;
    }
    m.score = 0;
    return m;
}

int is_listed_move(const position& pos, const move& m, const move_list& list) {
    if (needs_promotion(pos, m) && !is_promotion_piece(m.promotion)) return 0;
    for (int i = 0; i < list.count; ++i) {
        const move& entry = list.moves[i];
        // The list's own promotion piece is not compared: the user may choose
        // any of the four, while the generator lists only queen and knight.
        if (entry.from_file == m.from_file && entry.from_rank == m.from_rank && entry.to_file == m.to_file &&
            entry.to_rank == m.to_rank)
            return 1;
    }
    return 0;
}

namespace {
// The listed castling move that m, a king move not in the list, names in
// the other form; nullptr when there is none.
const move* castling_in_other_form(const position& pos, const move& m, const move_list& list,
                                   bool rook_target_castling) {
    if (!pos.chess960 && !rook_target_castling) return nullptr;
    if (!on_board(m.from_file, m.from_rank) || !on_board(m.to_file, m.to_rank)) return nullptr;
    const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
    if (piece != WHITE * 16 + KING && piece != BLACK * 16 + KING) return nullptr;
    for (int i = 0; i < list.count; ++i) {
        const move& c = list.moves[i];
        if (c.from_file != m.from_file || c.from_rank != m.from_rank || c.to_rank != m.to_rank ||
            !is_castling(pos, c))
            continue;
        if (pos.chess960) {
            // The king's own castled square, which it would step to.
            const int king_to = c.to_file > c.from_file ? CASTLED_KING_FILE_RIGHT : CASTLED_KING_FILE_LEFT;
            if (m.to_file == king_to && king_to != m.from_file) return &c;
        } else if ((c.to_file == 6 && m.to_file == 7) || (c.to_file == 2 && m.to_file == 0)) {
            if (pos.board[square_index(m.to_file, m.to_rank)] == piece_colour(piece) * 16 + ROOK) return &c;
        }
    }
    return nullptr;
}
}  // namespace

move_reading read_text_move(const position& pos, char* word, move_list& list, move& m, bool rook_target_castling) {
    if (!is_move_text(word)) return move_reading::not_coordinates;
    m = parse_move_text(word);
    generate_moves(pos, list);
    if (is_listed_move(pos, m, list)) return move_reading::legal;
    if (const move* castling = castling_in_other_form(pos, m, list, rook_target_castling)) {
        m.to_file = castling->to_file;
        m.to_rank = castling->to_rank;
        return move_reading::legal;
    }
    return move_reading::not_legal;
}

char* lower_case(char* word) {
    for (char* p = word; *p != '\0'; ++p)
        if (is_capital(*p)) *p = static_cast<char>(*p - 'A' + 'a');
    return word;
}

void coordinate_text(const move& m, char* out, bool capitals) {
    const char a = capitals ? 'A' : 'a';
    out[0] = static_cast<char>(a + m.from_file);
    out[1] = static_cast<char>('1' + m.from_rank);
    out[2] = static_cast<char>(a + m.to_file);
    out[3] = static_cast<char>('1' + m.to_rank);
    int length = 4;
    switch (m.promotion) {
        case QUEEN: out[length++] = capitals ? 'Q' : 'q'; break;
        case ROOK: out[length++] = capitals ? 'R' : 'r'; break;
        case BISHOP: out[length++] = capitals ? 'B' : 'b'; break;
        case KNIGHT: out[length++] = capitals ? 'N' : 'n'; break;
        default: break;  // NO_PROMOTION, or a user move's 0
    }
    out[length] = '\0';
}
