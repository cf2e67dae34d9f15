// The rule globals, copying a position, and the start position.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/rules.h"

thread_local constinit int side_to_move = WHITE;
thread_local constinit int side_in_check = 0;
thread_local constinit int castle_right_safe = 0;
thread_local constinit int castle_left_safe = 0;

uint64_t changed_squares(const uint8_t* before, const uint8_t* after) {
#if defined(__SSE2__)
    uint64_t same = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(before + 16 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(after + 16 * i));
        same |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)))) << (16 * i);
    }
    return ~same;
#else
    uint64_t changed = 0;
    for (int s = 0; s < 64; ++s)
        if (before[s] != after[s]) changed |= uint64_t{1} << s;
    return changed;
#endif
}

void copy_position(position& dst, const position& src) {
    // The fixed part is 88 bytes and the record is 64-byte aligned; the history
    // is copied only as far as it is in use, which is usually a few entries.
    std::memcpy(&dst, &src, POSITION_FIXED_BYTES);
    std::memcpy(dst.history, src.history, sizeof(history_entry) * src.history_count);
}

void set_start_position(position& pos) {
    static constexpr uint8_t back_rank[8] = {ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK};
    std::memset(pos.board, 0, sizeof pos.board);
    for (int file = 0; file < 8; ++file) {
        pos.board[square_index(file, 0)] = static_cast<uint8_t>(WHITE * 16 + back_rank[file]);
        pos.board[square_index(file, 1)] = WHITE * 16 + PAWN;
        pos.board[square_index(file, 6)] = BLACK * 16 + PAWN;
        pos.board[square_index(file, 7)] = static_cast<uint8_t>(BLACK * 16 + back_rank[file]);
    }
    pos.white_material = 39;
    pos.black_material = 39;
    pos.white_king_file = 4;
    pos.white_king_rank = 0;
    pos.black_king_file = 4;
    pos.black_king_rank = 7;
    pos.white_castle_right = pos.white_castle_left = 1;
    pos.black_castle_right = pos.black_castle_left = 1;
    pos.white_castled = pos.black_castled = 0;
    set_standard_castling_files(pos);
    pos.en_passant_file = NO_EN_PASSANT;
    pos.repetition_draw = pos.fifty_move_draw = 0;
    pos.history_count = 0;
    pos.fifty_move_count = 0;
    for (history_entry& entry : pos.history) entry.occurrences = 0;
    // The start board becomes history entry 0; recording it counts a
    // half-move that has not been played, so the count is taken back.
    record_position(pos, MOVE_QUIET);
    pos.fifty_move_count = static_cast<int8_t>(pos.fifty_move_count - 1);
}

void set_standard_castling_files(position& pos) {
    pos.chess960 = 0;
    pos.castle_king_file[0] = pos.castle_king_file[1] = 4;
    pos.castle_rook_file[castle_slot(WHITE, true)] = pos.castle_rook_file[castle_slot(BLACK, true)] = 7;
    pos.castle_rook_file[castle_slot(WHITE, false)] = pos.castle_rook_file[castle_slot(BLACK, false)] = 0;
}

bool is_castling(const position& pos, const move& m) {
    if (!on_board(m.from_file, m.from_rank) || !on_board(m.to_file, m.to_rank)) return false;
    const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
    if (piece != WHITE * 16 + KING && piece != BLACK * 16 + KING) return false;
    if (pos.chess960)
        return pos.board[square_index(m.to_file, m.to_rank)] == piece_colour(piece) * 16 + ROOK &&
               m.to_rank == m.from_rank;
    return m.from_file == 4 && (m.to_file == 2 || m.to_file == 6) && m.to_rank == m.from_rank;
}
