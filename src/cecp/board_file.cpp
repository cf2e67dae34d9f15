// The board file board.txt: the current position saved as thirteen text
// lines, and loaded back.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cecp/cecp.h"
#include "io/files.h"
#include "io/io.h"
#include "protocol/session.h"

namespace {
constexpr const char* BOARD_FILE = "board.txt";
constexpr const char* BOARD_TEMP_FILE = "board.txt.tmp";

// Writes the thirteen lines; false if any write failed.
bool write_board(FILE* file) {
    const position& pos = game_position;
    for (int rank = 7; rank >= 0; --rank) {
        for (int file_index = 0; file_index < 8; ++file_index)
            std::fputs(board_square_token(pos.board[square_index(file_index, rank)]), file);
        std::fputc('\n', file);
    }
    std::fputc('\n', file);
    std::fprintf(file, "White castle (was,right,left) = %d %d %d\n", pos.white_castled, pos.white_castle_right,
                 pos.white_castle_left);
    std::fprintf(file, "Black castle (was,right,left) = %d %d %d\n", pos.black_castled, pos.black_castle_right,
                 pos.black_castle_left);
    // The field is read as a signed byte, so none (255) is written as 0.
    std::fprintf(file, "EnPassant (0=NULL) = %d\n", static_cast<int8_t>(pos.en_passant_file) + 1);
    std::fprintf(file, "Player = %d\n", side_to_move);
    return std::ferror(file) == 0;
}

// What a square word's first character puts on the board, and its material.
struct square_token {
    uint8_t piece;
    int material;
};
bool token_of(char c, square_token& token) {
    switch (c) {
        case '.': token = {0, 0}; return true;
        case 'P': token = {WHITE * 16 + PAWN, 1}; return true;
        case 'N': token = {WHITE * 16 + KNIGHT, 3}; return true;
        case 'B': token = {WHITE * 16 + BISHOP, 3}; return true;
        case 'R': token = {WHITE * 16 + ROOK, 5}; return true;
        case 'Q': token = {WHITE * 16 + QUEEN, 9}; return true;
        case 'K': token = {WHITE * 16 + KING, 0}; return true;
        case 'p': token = {BLACK * 16 + PAWN, 1}; return true;
        case 'n': token = {BLACK * 16 + KNIGHT, 3}; return true;
        case 'b': token = {BLACK * 16 + BISHOP, 3}; return true;
        case 'r': token = {BLACK * 16 + ROOK, 5}; return true;
        case 'q': token = {BLACK * 16 + QUEEN, 9}; return true;
        case 'k': token = {BLACK * 16 + KING, 0}; return true;
        default: return false;
    }
}

// One castling line: its text and three numbers into castled, right, left.
bool read_castle_line(FILE* file, const char* text, int8_t& castled, int8_t& right, int8_t& left) {
    int32_t was = 0, r = 0, l = 0;
    if (!read_text(file, text) || !read_int(file, was) || !read_int(file, r) || !read_int(file, l)) return false;
    castled = static_cast<int8_t>(was);
    right = static_cast<int8_t>(r);
    left = static_cast<int8_t>(l);
    return true;
}

// Reads the whole file into pos and side; false, with why, if it does not
// match the format.  pos comes in as a copy of the game position.
bool read_board(FILE* file, position& pos, int& side, const char*& why) {
    int material[3] = {0, 0, 0};
    char word[WORD_BUFFER_SIZE];
    for (int rank = 7; rank >= 0; --rank) {
        for (int file_index = 0; file_index < 8; ++file_index) {
            if (!read_word(file, word)) {
                why = "it ends within the squares";
                return false;
            }
            square_token token;
            if (!token_of(word[0], token)) continue;  // no token: the square stays as it was
            pos.board[square_index(file_index, rank)] = token.piece;
            const int colour = piece_colour(token.piece);
            material[colour] += token.material;
            if (token.piece == WHITE * 16 + KING) {
                pos.white_king_file = static_cast<int8_t>(file_index);
                pos.white_king_rank = static_cast<int8_t>(rank);
            } else if (token.piece == BLACK * 16 + KING) {
                pos.black_king_file = static_cast<int8_t>(file_index);
                pos.black_king_rank = static_cast<int8_t>(rank);
            }
        }
    }
    pos.white_material = static_cast<int8_t>(material[WHITE]);
    pos.black_material = static_cast<int8_t>(material[BLACK]);
    if (!read_castle_line(file, " White castle (was,right,left) =", pos.white_castled, pos.white_castle_right,
                          pos.white_castle_left) ||
        !read_castle_line(file, " Black castle (was,right,left) =", pos.black_castled, pos.black_castle_right,
                          pos.black_castle_left)) {
        why = "a castling line does not match";
        return false;
    }
    int32_t en_passant = 0;
    if (!read_text(file, " EnPassant (0=NULL) =") || !read_int(file, en_passant)) {
        why = "the en-passant line does not match";
        return false;
    }
    if (en_passant < 0 || en_passant > 8) {
        why = "the en-passant file is not 0 to 8";
        return false;
    }
    pos.en_passant_file = en_passant == 0 ? NO_EN_PASSANT : static_cast<uint8_t>(en_passant - 1);
    int32_t player = 0;
    if (!read_text(file, " Player =") || !read_int(file, player)) {
        why = "the player line does not match";
        return false;
    }
    if (player != WHITE && player != BLACK) {
        why = "the player is neither 1 nor 2";
        return false;
    }
    side = player;
    return true;
}
}  // namespace

void save_board_file() {
    // Written beside the old file and renamed over it, so that a failed save
    // leaves the last good board in place.
    // The new file reaches the disk before the rename, and the rename after
    // it, so that a machine that stops leaves the old board or the new one.
    FILE* file = std::fopen(BOARD_TEMP_FILE, "w");
    bool ok = file != nullptr && write_board(file) && std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
    int error = errno;
    if (file != nullptr && std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(BOARD_TEMP_FILE, BOARD_FILE) != 0) {
        ok = false;
        error = errno;
    }
    if (ok) sync_folder_of(BOARD_FILE);
    if (!ok) {
        if (file != nullptr) std::remove(BOARD_TEMP_FILE);
        std::fprintf(stderr, "orvane: could not write %s (%s); nothing saved\n", BOARD_FILE, std::strerror(error));
        return;
    }
    if (console_extras()) print_line("Saved");
}

void load_board_file() {
    const char* cannot = "";
    FILE* file = open_regular_file(BOARD_FILE, cannot);
    if (file == nullptr) {
        std::fprintf(stderr, "orvane: cannot read %s (%s); the game is unchanged\n", BOARD_FILE, cannot);
        return;
    }
    static position loaded;
    copy_position(loaded, game_position);
    int side = side_to_move;
    const char* why = "";
    const bool ok = read_board(file, loaded, side, why);
    const bool read_error = std::ferror(file) != 0;
    std::fclose(file);
    if (!ok || read_error) {
        std::fprintf(stderr, "orvane: %s is not a board file (%s); the game is unchanged\n", BOARD_FILE,
                     read_error ? "it cannot be read" : why);
        return;
    }
    why = position_problem(loaded, side);
    if (why != nullptr) {
        std::fprintf(stderr, "orvane: %s is not a board file (%s); the game is unchanged\n", BOARD_FILE, why);
        return;
    }
    // The file knows no castling files: what it holds is standard chess.
    set_standard_castling_files(loaded);
    // The generator takes a held right to mean that the king is at home.
    if (loaded.board[square_index(4, 0)] != WHITE * 16 + KING) loaded.white_castle_right = loaded.white_castle_left = 0;
    if (loaded.board[square_index(4, 7)] != BLACK * 16 + KING) loaded.black_castle_right = loaded.black_castle_left = 0;
    if (!en_passant_possible(loaded, side)) loaded.en_passant_file = NO_EN_PASSANT;
    loaded.repetition_draw = 0;
    loaded.fifty_move_draw = 0;
    loaded.history_count = 0;
    loaded.fifty_move_count = 0;
    for (history_entry& entry : loaded.history) entry.occurrences = 0;
    game_begin_at(loaded, side);
    display_board();
}
