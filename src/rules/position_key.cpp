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
