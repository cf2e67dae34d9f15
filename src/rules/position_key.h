// What makes two positions the same for the repetition rule, and the 64-bit
// key of a position built from it.
//
// The game judges standard chess's repetitions on its record, and hands its
// earlier positions to the strong search as keys; the search keys its own
// nodes, for its repetition test and its table.  All of them take the
// castling rights and the en-passant file that count from here: were two
// copies of that rule to differ, a position reached through the game and
// then again in the search would get two keys, and the repetition would
// silently go unseen.
#pragma once

#include <cstdint>

#include "rules/rules.h"

// Bits of the castling rights that count: 0 white king-side, 1 white
// queen-side, 2 and 3 black's.
inline constexpr unsigned CASTLE_WHITE_RIGHT = 1;
inline constexpr unsigned CASTLE_WHITE_LEFT = 2;
inline constexpr unsigned CASTLE_BLACK_RIGHT = 4;
inline constexpr unsigned CASTLE_BLACK_LEFT = 8;

// The castling rights that can still be used: the right held, and the king
// and that rook at home (a right whose rook was taken on its square is held
// still, but can never be used).
unsigned usable_castling_960(const position& pos);
inline unsigned usable_castling(const position& pos) {
    if (pos.chess960) return usable_castling_960(pos);
    const uint8_t* b = pos.board;
    unsigned c = 0;
    const bool white_home = b[4] == WHITE * 16 + KING, black_home = b[60] == BLACK * 16 + KING;
    if (white_home && pos.white_castle_right && b[7] == WHITE * 16 + ROOK) c |= CASTLE_WHITE_RIGHT;
    if (white_home && pos.white_castle_left && b[0] == WHITE * 16 + ROOK) c |= CASTLE_WHITE_LEFT;
    if (black_home && pos.black_castle_right && b[63] == BLACK * 16 + ROOK) c |= CASTLE_BLACK_RIGHT;
    if (black_home && pos.black_castle_left && b[56] == BLACK * 16 + ROOK) c |= CASTLE_BLACK_LEFT;
    return c;
}

// The en-passant file that counts for side to move: the file of the pawn
// that has just made its double step when a pawn of side stands beside it,
// else NO_EN_PASSANT.  (Most positions have no file; they need no call.)
inline int usable_en_passant(const position& pos, int side) {
    return pos.en_passant_file != NO_EN_PASSANT && en_passant_capturer_beside(pos, side) ? pos.en_passant_file
                                                                                            : NO_EN_PASSANT;
}

// The position as the repetition rule compares it: the board, the side to
// move, the usable castling rights and the en-passant file that counts.
struct repetition_key {
    uint8_t board[64];
    int8_t side;
    uint8_t castling;    // usable_castling
    uint8_t en_passant;  // usable_en_passant
    bool operator==(const repetition_key&) const = default;
};
repetition_key repetition_key_of(const position& pos, int side);

// --- 64-bit keys ---------------------------------------------------------------
// Random numbers for each man on each square, each set of castling rights,
// each en-passant file and the side, xored together.  Fixed at compile time:
// a key must mean the same in every run (the strong search's fingerprint
// depends on where its table puts each position).
namespace position_key_detail {
constexpr uint64_t splitmix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
struct key_tables {
    uint64_t piece[64][64];  // [board byte & 63][square]; an empty square keys 0
    uint64_t castling[16];
    uint64_t en_passant[9];  // by file; [8]: none
    uint64_t black_to_move;
};
constexpr key_tables make_keys() {
    key_tables k{};
    uint64_t state = 0x4F7276616E65ULL;
    for (int b = 0; b < 64; ++b)
        for (int sq = 0; sq < 64; ++sq) k.piece[b][sq] = (b & 15) == 0 ? 0 : splitmix(state);
    for (auto& c : k.castling) c = splitmix(state);
    k.castling[0] = 0;
    for (auto& e : k.en_passant) e = splitmix(state);
    k.en_passant[8] = 0;
    k.black_to_move = splitmix(state);
    return k;
}
inline constexpr key_tables KEYS = make_keys();
}  // namespace position_key_detail

// The part of a key for the board byte on square (0 for an empty square):
// a move changes a key by these parts of the squares it changed.
inline uint64_t piece_square_key(uint8_t board_byte, int square) {
    return position_key_detail::KEYS.piece[board_byte & 63][square];
}
// The part of a key beyond the board: castling rights (usable_castling's
// bits), the en-passant file (NO_EN_PASSANT or any value past 7: none) and
// the side to move.
inline uint64_t key_extras(unsigned castling, int en_passant_file, int side) {
    using position_key_detail::KEYS;
    return KEYS.castling[castling & 15] ^ KEYS.en_passant[en_passant_file >= 0 && en_passant_file < 8 ? en_passant_file : 8] ^
           (side == BLACK ? KEYS.black_to_move : 0);
}
// That part for pos with side to move, from the rights and file that count.
inline uint64_t key_extras(const position& pos, int side) {
    return key_extras(usable_castling(pos), usable_en_passant(pos, side), side);
}
// The key of a board with side to move, castling rights and en-passant file.
uint64_t position_key(const uint8_t* board, int side, unsigned castling, int en_passant_file);
// The key of pos with side to move: the same as that of repetition_key_of(pos, side).
inline uint64_t position_key(const position& pos, int side) {
    return position_key(pos.board, side, usable_castling(pos), usable_en_passant(pos, side));
}
inline uint64_t position_key(const repetition_key& key) {
    return position_key(key.board, key.side, key.castling, key.en_passant);
}
