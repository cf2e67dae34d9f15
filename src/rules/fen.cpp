// Positions from FEN text, for the developer tool and the tests.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "rules/position_key.h"
#include "rules/rules.h"

namespace {
int type_of_letter(char c) {
    switch (std::tolower(static_cast<unsigned char>(c))) {
        case 'p': return PAWN;
        case 'r': return ROOK;
        case 'n': return KNIGHT;
        case 'b': return BISHOP;
        case 'q': return QUEEN;
        case 'k': return KING;
        default: return 0;
    }
}
constexpr int8_t MATERIAL[7] = {0, 1, 5, 3, 3, 9, 0};

// The right one letter of a castling field names in pos: its colour, its
// side of the king and its rook's file.
struct castling_letter {
    int colour;
    bool right;
    int rook_file;
};

// Reads one letter of a castling field; returns nullptr with out set, or why
// the letter names no right.  Standard chess takes K, Q, k, q and the outer
// rooks' files H, A, h, a, with king and rook at home.  A Chess960 position
// takes a rook's file, or K, Q, k, q for the outermost rook on that side of
// the king, with the king on its first rank.
const char* read_castling_letter(const position& pos, char c, castling_letter& out) {
    const bool white = c >= 'A' && c <= 'Z';
    out.colour = white ? WHITE : BLACK;
    const char lower = white ? static_cast<char>(c - 'A' + 'a') : c;
    const int home = white ? 0 : 7;
    const uint8_t rook = static_cast<uint8_t>(out.colour * 16 + ROOK);
    const uint8_t* row = pos.board + 8 * home;
    if (!pos.chess960) {
        if (lower == 'k' || lower == 'h') out.right = true;
        else if (lower == 'q' || lower == 'a') out.right = false;
        else return "its castling field holds a letter other than K, Q, k or q";
        out.rook_file = out.right ? 7 : 0;
        if (row[4] != out.colour * 16 + KING || row[out.rook_file] != rook)
            return "a castling right is given without its king and rook at home";
        return nullptr;
    }
    if (lower != 'k' && lower != 'q' && (lower < 'a' || lower > 'h'))
        return "its castling field holds a letter other than K, Q, k, q or a file";
    const int king_file = white ? pos.white_king_file : pos.black_king_file;
    const int king_rank = white ? pos.white_king_rank : pos.black_king_rank;
    if (king_rank != home || row[king_file] != out.colour * 16 + KING)
        return "a castling right is given without its king on its first rank";
    if (lower == 'k' || lower == 'q') {
        out.right = lower == 'k';
        out.rook_file = -1;
        for (int f = out.right ? 7 : 0; f != king_file; f += out.right ? -1 : 1)
            if (row[f] == rook) {
                out.rook_file = f;
                break;
            }
        if (out.rook_file < 0) return "a castling right is given without a rook on that side of its king";
        return nullptr;
    }
    out.rook_file = lower - 'a';
    out.right = out.rook_file > king_file;
    if (out.rook_file == king_file || row[out.rook_file] != rook)
        return "a castling right names a file without its rook beside the king's rank";
    return nullptr;
}
}  // namespace

bool parse_fen(const char* fen, position& out, int& side, bool chess960) {
    position pos{};
    set_standard_castling_files(pos);
    pos.chess960 = chess960 ? 1 : 0;
    const char* p = fen;
    while (*p == ' ') ++p;
    int rank = 7, file = 0;
    bool white_king = false, black_king = false;
    int material[3] = {0, 0, 0};
    for (; *p && *p != ' '; ++p) {
        if (*p == '/') {
            if (file != 8 || rank == 0) return false;
            --rank;
            file = 0;
        } else if (*p >= '1' && *p <= '8') {
            file += *p - '0';
            if (file > 8) return false;
        } else {
            const int type = type_of_letter(*p);
            if (type == 0 || file > 7) return false;
            const int colour = std::isupper(static_cast<unsigned char>(*p)) ? WHITE : BLACK;
            pos.board[square_index(file, rank)] = static_cast<uint8_t>(colour * 16 + type);
            material[colour] += MATERIAL[type];
            if (type == KING) {
                if (colour == WHITE) {
                    pos.white_king_file = static_cast<int8_t>(file), pos.white_king_rank = static_cast<int8_t>(rank);
                    white_king = true;
                } else {
                    pos.black_king_file = static_cast<int8_t>(file), pos.black_king_rank = static_cast<int8_t>(rank);
                    black_king = true;
                }
            }
            ++file;
        }
    }
    if (rank != 0 || file != 8 || !white_king || !black_king) return false;
    while (*p == ' ') ++p;
    int to_move = WHITE;
    if (*p == 'w' || *p == 'b') to_move = *p++ == 'w' ? WHITE : BLACK;
    while (*p == ' ') ++p;
    // The generator takes a held right to mean king and rook at home: a
    // letter that names no such pair gives no right.
    for (; *p && *p != ' '; ++p) {
        castling_letter right;
        if (read_castling_letter(pos, *p, right) != nullptr) continue;
        const bool white = right.colour == WHITE;
        (white ? (right.right ? pos.white_castle_right : pos.white_castle_left)
               : (right.right ? pos.black_castle_right : pos.black_castle_left)) = 1;
        if (chess960) {
            pos.castle_king_file[right.colour - 1] = white ? pos.white_king_file : pos.black_king_file;
            pos.castle_rook_file[castle_slot(right.colour, right.right)] = static_cast<int8_t>(right.rook_file);
        }
    }
    while (*p == ' ') ++p;
    pos.en_passant_file = NO_EN_PASSANT;
    if (*p >= 'a' && *p <= 'h') pos.en_passant_file = static_cast<uint8_t>(*p - 'a');
    pos.white_material = static_cast<int8_t>(material[WHITE]);
    pos.black_material = static_cast<int8_t>(material[BLACK]);
    pos.history_count = 0;
    copy_position(out, pos);
    side = to_move;
    return true;
}

namespace {
// The blank-separated fields of a FEN, at most max_fields of them; returns
// how many there are (max_fields + 1 when there are more).
int split_fields(const char* fen, const char* start[], size_t length[], int max_fields) {
    int count = 0;
    const char* p = fen;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '\0') return count;
        if (count == max_fields) return count + 1;
        start[count] = p;
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
        length[count] = static_cast<size_t>(p - start[count]);
        ++count;
    }
}

// A clock field: digits after an optional '+' (no sign, no room for a minus).
bool is_clock_field(const char* text, size_t length) {
    size_t i = text[0] == '+' ? 1 : 0;
    if (i == length) return false;
    for (; i < length; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}
}  // namespace

const char* fen_fields_problem(const char* fen, const position& pos) {
    const char* field[6];
    size_t length[6];
    const int count = split_fields(fen, field, length, 6);
    if (count > 6) return "it has more than six fields";
    // Fields left out take their usual values (white to move, no castling,
    // no en passant, clocks 0 and 1), as GUIs and python-chess read them.
    int side = WHITE;
    if (count >= 2) {
        if (length[1] != 1 || (field[1][0] != 'w' && field[1][0] != 'b')) return "the side to move is not w or b";
        side = field[1][0] == 'w' ? WHITE : BLACK;
    }
    if (count >= 3 && !(length[2] == 1 && field[2][0] == '-')) {
        // White's rights before Black's, at most two of each, each with its
        // king and rook at home; the outer rook's file letter (H, A, h, a)
        // names the same right as K, Q, k, q.
        int white_letters = 0, black_letters = 0;
        bool named[4] = {false, false, false, false};
        for (size_t i = 0; i < length[2]; ++i) {
            castling_letter right;
            if (const char* why = read_castling_letter(pos, field[2][i], right)) return why;
            const int colour = right.colour;
            if (colour == WHITE && black_letters > 0) return "its castling field gives White's rights after Black's";
            if (++(colour == WHITE ? white_letters : black_letters) > 2) return "its castling field is too long";
            bool& seen = named[castle_slot(colour, right.right)];
            if (seen) return "its castling field names one right twice";
            seen = true;
        }
    }
    if (count >= 4 && !(length[3] == 1 && field[3][0] == '-')) {
        // The square the pawn passed: on the sixth rank when White is to move
        // (Black's pawn has just stepped), on the third when Black is.
        const char want_rank = side == WHITE ? '6' : '3';
        if (length[3] != 2 || field[3][0] < 'a' || field[3][0] > 'h' || field[3][1] != want_rank)
            return "its en-passant square is not one on the rank the pawn passed";
    }
    if (count >= 5 && !is_clock_field(field[4], length[4])) return "its half-move clock is not a number of 0 or more";
    if (count >= 6 && !is_clock_field(field[5], length[5])) return "its move number is not a number of 0 or more";
    return nullptr;
}

const char* read_set_up_position(const char* fen, position& pos, int& side, int& halfmove, bool chess960) {
    if (!parse_fen(fen, pos, side, chess960)) return "it cannot be read";
    // parse_fen passes over fields it has no use for; a GUI's position is
    // refused when any field is wrong, since a corrupted one would be played.
    if (const char* why = fen_fields_problem(fen, pos)) return why;
    const char* why = position_problem(pos, side);
    if (why != nullptr) return why;
    if (!en_passant_possible(pos, side)) pos.en_passant_file = NO_EN_PASSANT;
    // The FEN's fifth field: half-moves since the last capture or pawn move,
    // read as far as its digits go and kept within the 32-bit range.
    halfmove = 0;
    const char* field = fen;
    for (int skip = 0; skip < 4 && field != nullptr; ++skip) {
        while (*field == ' ') ++field;
        field = std::strchr(field, ' ');
    }
    if (field == nullptr) return nullptr;
    while (*field == ' ' || (*field >= '\t' && *field <= '\r')) ++field;
    if (*field == '+') ++field;
    int64_t value = 0;
    for (; *field >= '0' && *field <= '9'; ++field)
        if (value <= INT32_MAX) value = value * 10 + (*field - '0');
    halfmove = value > INT32_MAX ? INT32_MAX : static_cast<int>(value);
    return nullptr;
}

void write_fen(const position& pos, int side, int halfmove, int fullmove, char* out) {
    static const char LETTERS[] = " PRNBQK";
    char* p = out;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const uint8_t b = pos.board[square_index(file, rank)];
            const int type = piece_type(b);
            if (b == 0 || type < PAWN || type > KING || (piece_colour(b) != WHITE && piece_colour(b) != BLACK)) {
                ++empty;
                continue;
            }
            if (empty > 0) *p++ = static_cast<char>('0' + empty);
            empty = 0;
            const char letter = LETTERS[type];
            *p++ = piece_colour(b) == WHITE ? letter : static_cast<char>(letter - 'A' + 'a');
        }
        if (empty > 0) *p++ = static_cast<char>('0' + empty);
        if (rank > 0) *p++ = '/';
    }
    *p++ = ' ';
    *p++ = side == WHITE ? 'w' : 'b';
    *p++ = ' ';
    // Only the rights whose king and rook still stand at home can be used.
    const unsigned usable = usable_castling(pos);
    if (pos.chess960) {
        // Shredder-FEN: each right as its rook's file, White's in capitals.
        const auto file_letter = [&](int colour, bool right) {
            const char base = colour == WHITE ? 'A' : 'a';
            return static_cast<char>(base + pos.castle_rook_file[castle_slot(colour, right)]);
        };
        if (usable & CASTLE_WHITE_RIGHT) *p++ = file_letter(WHITE, true);
        if (usable & CASTLE_WHITE_LEFT) *p++ = file_letter(WHITE, false);
        if (usable & CASTLE_BLACK_RIGHT) *p++ = file_letter(BLACK, true);
        if (usable & CASTLE_BLACK_LEFT) *p++ = file_letter(BLACK, false);
    } else {
        if (usable & CASTLE_WHITE_RIGHT) *p++ = 'K';
        if (usable & CASTLE_WHITE_LEFT) *p++ = 'Q';
        if (usable & CASTLE_BLACK_RIGHT) *p++ = 'k';
        if (usable & CASTLE_BLACK_LEFT) *p++ = 'q';
    }
    if (usable == 0) *p++ = '-';
    *p++ = ' ';
    // The square only where a pawn of the side to move stands beside the
    // pawn that has just made its double step (what python-chess and most
    // GUIs write).
    if (en_passant_capturer_beside(pos, side) && en_passant_possible(pos, side)) {
        *p++ = static_cast<char>('a' + pos.en_passant_file);
        *p++ = side == WHITE ? '6' : '3';
    } else {
        *p++ = '-';
    }
    std::snprintf(p, 24, " %d %d", halfmove < 0 ? 0 : halfmove, fullmove < 1 ? 1 : fullmove);
}

int fen_move_number(const char* fen) {
    const char* start[7];
    size_t length[7];
    if (split_fields(fen, start, length, 6) != 6 || !is_clock_field(start[5], length[5])) return 1;
    int value = 0;
    for (size_t i = start[5][0] == '+' ? 1 : 0; i < length[5]; ++i) {
        value = value * 10 + (start[5][i] - '0');
        if (value > MAX_FEN_MOVE_NUMBER) return MAX_FEN_MOVE_NUMBER;
    }
    return value < 1 ? 1 : value;
}
