// Repetition keys and 64-bit position keys (see position_key.h).
#include "rules/position_key.h"

#include <cstring>

repetition_key repetition_key_of(const position& pos, int side) {
    repetition_key key{};
    std::memcpy(key.board, pos.board, 64);
    key.side = static_cast<int8_t>(side);
    key.castling = static_cast<uint8_t>(usable_castling(pos));
    key.en_passant = static_cast<uint8_t>(usable_en_passant(pos, side));
    return key;
}

uint64_t position_key(const uint8_t* board, int side, unsigned castling, int en_passant_file) {
    uint64_t key = key_extras(castling, en_passant_file, side);
    for (int sq = 0; sq < 64; ++sq) key ^= piece_square_key(board[sq], sq);
    return key;
}

// The same for a Chess960 position, whose king and rooks castle from the
// files the position names.
unsigned usable_castling_960(const position& pos) {
    unsigned c = 0;
    for (int colour = WHITE; colour <= BLACK; ++colour) {
        const uint8_t* row = pos.board + (colour == WHITE ? 0 : 56);
        if (row[pos.castle_king_file[colour - 1] & 7] != colour * 16 + KING) continue;
        const uint8_t rook = static_cast<uint8_t>(colour * 16 + ROOK);
        const bool white = colour == WHITE;
        if ((white ? pos.white_castle_right : pos.black_castle_right) &&
            row[pos.castle_rook_file[castle_slot(colour, true)] & 7] == rook)
            c |= white ? CASTLE_WHITE_RIGHT : CASTLE_BLACK_RIGHT;
        if ((white ? pos.white_castle_left : pos.black_castle_left) &&
            row[pos.castle_rook_file[castle_slot(colour, false)] & 7] == rook)
            c |= white ? CASTLE_WHITE_LEFT : CASTLE_BLACK_LEFT;
    }
    return c;
}
