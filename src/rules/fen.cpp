// Positions from FEN text, for the developer tool and the tests.
#include <cctype>
#include <cstring>

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
}  // namespace

bool parse_fen(const char* fen, position& out, int& side) {
    position pos{};
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
    for (; *p && *p != ' '; ++p) {
        switch (*p) {
            case 'K': pos.white_castle_right = 1; break;
            case 'Q': pos.white_castle_left = 1; break;
            case 'k': pos.black_castle_right = 1; break;
            case 'q': pos.black_castle_left = 1; break;
            default: break;
        }
    }
    // The generator takes a held right to mean king and rook at home.
    const uint8_t* b = pos.board;
    if (b[4] != WHITE * 16 + KING) pos.white_castle_right = pos.white_castle_left = 0;
    if (b[60] != BLACK * 16 + KING) pos.black_castle_right = pos.black_castle_left = 0;
    if (b[7] != WHITE * 16 + ROOK) pos.white_castle_right = 0;
    if (b[0] != WHITE * 16 + ROOK) pos.white_castle_left = 0;
    if (b[63] != BLACK * 16 + ROOK) pos.black_castle_right = 0;
    if (b[56] != BLACK * 16 + ROOK) pos.black_castle_left = 0;
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

const char* read_set_up_position(const char* fen, position& pos, int& side, int& halfmove) {
    if (!parse_fen(fen, pos, side)) return "it cannot be read";
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
