// The board diagram for a person at the console, and the bell.
#include "cecp/cecp.h"
#include "io/io.h"
#include "protocol/session.h"
#include "settings/settings.h"

namespace {
// Two-character token of each board byte; bytes that are no piece print nothing.
const char* square_token(uint8_t piece) {
    switch (piece) {
        case 0: return ". ";
        case WHITE * 16 + PAWN: return "P ";
        case WHITE * 16 + ROOK: return "R ";
        case WHITE * 16 + KNIGHT: return "N ";
        case WHITE * 16 + BISHOP: return "B ";
        case WHITE * 16 + QUEEN: return "Q ";
        case WHITE * 16 + KING: return "K ";
        case BLACK * 16 + PAWN: return "p ";
        case BLACK * 16 + ROOK: return "r ";
        case BLACK * 16 + KNIGHT: return "n ";
        case BLACK * 16 + BISHOP: return "b ";
        case BLACK * 16 + QUEEN: return "q ";
        case BLACK * 16 + KING: return "k ";
        default: return "";
    }
}
}  // namespace

const char* board_square_token(uint8_t piece) { return square_token(piece); }

void print_square(int file, int rank) {
    std::fputs(square_token(game_position.board[square_index(file, rank)]), output_stream);
}

void display_board() {
    if (!console_extras()) return;
    // Not flushed here: the diagram leaves with the next flushed line.
    std::fputs("\n", output_stream);
    if (!board_reversed) {
        for (int rank = 7; rank >= 0; --rank) {
            std::fprintf(output_stream, "%d ", rank + 1);
            for (int file = 0; file < 8; ++file) print_square(file, rank);
            std::fputs("\n", output_stream);
        }
    } else {
        for (int rank = 0; rank <= 7; ++rank) {
            std::fprintf(output_stream, "%d ", rank + 1);
            for (int file = 7; file >= 0; --file) print_square(file, rank);
            std::fputs("\n", output_stream);
        }
    }
    std::fputs("\n  A B C D E F G H\n\n", output_stream);
}

void ring_bell() {
    if (console_extras()) std::fprintf(output_stream, "%c", 7);
}
