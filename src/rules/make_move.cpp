// Making moves: pieces, castling, en passant, promotion, material, and the
// history behind the repetition and fifty-move rules.
#include <cstring>

#include "rules/rules.h"

namespace {

// Material value of a board byte's piece: P 1, R 5, N 3, B 3, Q 9, K 0.
constexpr int8_t MATERIAL_BY_TYPE[16] = {0, 1, 5, 3, 3, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Takes the value of the piece on a square off its owner's total.
inline void remove_material(position& pos, uint8_t piece) {
    const int8_t value = MATERIAL_BY_TYPE[piece_type(piece)];
    if (piece_colour(piece) == WHITE)
        pos.white_material = static_cast<int8_t>(pos.white_material - value);
    else if (piece_colour(piece) == BLACK)
        pos.black_material = static_cast<int8_t>(pos.black_material - value);
}

// Castles by moving king and rook on the back rank.  The rights are not
// touched here: every king move has already cleared both.
inline void castle(position& pos, int rank, int king_to, int rook_from, int rook_to, uint8_t king,
                   uint8_t rook_byte) {
    uint8_t* board = pos.board + 8 * rank;
    board[king_to] = king;
    board[rook_to] = rook_byte;
    board[4] = 0;
    board[rook_from] = 0;
}

// A Chess960 right goes when its rook leaves its square or is taken there
// (a right held for an empty square would come back to life for another
// rook that reached it).
inline void drop_rights_of_square(position& pos, int square) {
    const int rank = square >> 3, file = square & 7;
    if (rank != 0 && rank != 7) return;
    const int colour = rank == 0 ? WHITE : BLACK;
    if (pos.castle_rook_file[castle_slot(colour, true)] == file)
        (colour == WHITE ? pos.white_castle_right : pos.black_castle_right) = 0;
    if (pos.castle_rook_file[castle_slot(colour, false)] == file)
        (colour == WHITE ? pos.white_castle_left : pos.black_castle_left) = 0;
}

// One colour's king and castling fields, by reference.
struct king_fields {
    int8_t& right;
    int8_t& left;
    int8_t& castled;
    int8_t& file;
    int8_t& rank;
};

}  // namespace

namespace {

// make_move, and with Record false the same without the history and the
// draw counters, which a search that keeps them its own way does not read.
template <bool Record>
int play_move(position& pos, const move& m) {
    pos.en_passant_file = NO_EN_PASSANT;
    const int from = square_index(m.from_file, m.from_rank);
    const int to = square_index(m.to_file, m.to_rank);
    const uint8_t piece = pos.board[from];

    if (piece_type(piece) == PAWN) {
        if (pos.board[to] == 0 && m.to_file != m.from_file) {
            // En passant: the captured pawn stands beside the from-square.
            const int captured = square_index(m.to_file, m.from_rank);
            remove_material(pos, pos.board[captured]);
            pos.board[captured] = 0;
            pos.board[to] = piece;
            pos.board[from] = 0;
            if constexpr (Record) record_position(pos, MOVE_CAPTURE);
            return MOVE_CAPTURE;
        }
        if (m.to_rank == 7 || m.to_rank == 0) {
            if (pos.board[to] != 0) remove_material(pos, pos.board[to]);
            // A move that reached us without a real promotion piece (a pawn
            // step tested as a pawn, a hand-made move) still must not leave a
            // piece without a type on the board: it becomes a queen.
            int promoted = m.promotion;
            if (promoted < PAWN || promoted > QUEEN) promoted = QUEEN;
            pos.board[to] = static_cast<uint8_t>(side_to_move * 16 + promoted);
            pos.board[from] = 0;
            if (pos.chess960) drop_rights_of_square(pos, to);
            const int8_t gain = static_cast<int8_t>(MATERIAL_BY_TYPE[promoted] - 1);
            if (side_to_move == WHITE)
                pos.white_material = static_cast<int8_t>(pos.white_material + gain);
            else
                pos.black_material = static_cast<int8_t>(pos.black_material + gain);
            if constexpr (Record) record_position(pos, MOVE_PROMOTION);
            return MOVE_PROMOTION;
        }
        if (m.to_file == m.from_file && (m.to_rank - m.from_rank == 2 || m.from_rank - m.to_rank == 2))
            pos.en_passant_file = static_cast<uint8_t>(m.from_file);
    } else if (piece_type(piece) == KING && (piece == WHITE * 16 + KING || piece == BLACK * 16 + KING)) {
        const bool white = piece == WHITE * 16 + KING;
        king_fields k = white ? king_fields{pos.white_castle_right, pos.white_castle_left, pos.white_castled,
                                            pos.white_king_file, pos.white_king_rank}
                              : king_fields{pos.black_castle_right, pos.black_castle_left, pos.black_castled,
                                            pos.black_king_file, pos.black_king_rank};
        k.right = k.left = 0;
        const uint8_t rook = static_cast<uint8_t>(piece_colour(piece) * 16 + ROOK);
        if (pos.chess960) {
            // Chess960 castling is the king taking its own rook; both end on
            // the squares of standard castling, whatever squares they left.
            if (pos.board[to] == rook && m.to_rank == m.from_rank) {
                const bool right = m.to_file > m.from_file;
                uint8_t* row = pos.board + 8 * m.from_rank;
                row[m.from_file] = 0;
                row[m.to_file] = 0;
                const int king_to = right ? CASTLED_KING_FILE_RIGHT : CASTLED_KING_FILE_LEFT;
                row[king_to] = piece;
                row[right ? CASTLED_ROOK_FILE_RIGHT : CASTLED_ROOK_FILE_LEFT] = rook;
                k.castled = 1;
                k.file = static_cast<int8_t>(king_to);
                k.rank = m.from_rank;
                if constexpr (Record) record_position(pos, MOVE_QUIET);
                return MOVE_QUIET;
            }
        } else if (m.from_file == 4 && (m.to_file == 2 || m.to_file == 6)) {
            // Castling is known by the files alone; its squares are always
            // those of the mover's back rank.
            const int rank = white ? 0 : 7;
            if (m.to_file == 2)
                castle(pos, rank, 2, 0, 3, piece, rook);
            else
                castle(pos, rank, 6, 7, 5, piece, rook);
            k.castled = 1;
            k.file = m.to_file;
            k.rank = static_cast<int8_t>(rank);
            if constexpr (Record) record_position(pos, MOVE_QUIET);
            return MOVE_QUIET;
        }
        k.file = m.to_file;
        k.rank = m.to_rank;
    }

    // A right goes with a move from its corner; a capture on the corner
    // leaves it (castling then also needs the own rook there).
    if (pos.chess960) {
        drop_rights_of_square(pos, from);
        drop_rights_of_square(pos, to);
    } else {
        switch (from) {
            case 7: pos.white_castle_right = 0; break;
            case 0: pos.white_castle_left = 0; break;
            case 63: pos.black_castle_right = 0; break;
            case 56: pos.black_castle_left = 0; break;
            default: break;
        }
    }

    const uint8_t captured = pos.board[to];
    if (captured != 0) remove_material(pos, captured);
    pos.board[to] = piece;
    pos.board[from] = 0;
    const int kind = captured != 0 ? MOVE_CAPTURE : MOVE_QUIET;
    if constexpr (Record) record_position(pos, kind);
    return kind;
}

}  // namespace

int make_move(position& pos, const move& m) { return play_move<true>(pos, m); }
int make_move_unrecorded(position& pos, const move& m) { return play_move<false>(pos, m); }

void record_position(position& pos, int kind) {
    if (kind > 0) {
        // Entries beyond history_count are never read, so forgetting them is
        // enough; a new entry's count is set when it is appended.
        pos.history_count = 0;
        if (kind == MOVE_CAPTURE) pos.fifty_move_count = 0;
    }
    history_entry* taken = nullptr;
    for (int i = 0; i < pos.history_count; ++i) {
        if (std::memcmp(pos.history[i].board, pos.board, 64) == 0) {
            taken = &pos.history[i];
            break;
        }
    }
    if (taken == nullptr && pos.history_count < HISTORY_SIZE) {
        // In play the fifty-move flag stops every game before the table is
        // full; a full table simply stores no further boards.
        taken = &pos.history[pos.history_count++];
        std::memcpy(taken->board, pos.board, 64);
        taken->occurrences = 0;
    }
    if (taken != nullptr && taken->occurrences < 127) ++taken->occurrences;
    if (pos.fifty_move_count < 127) ++pos.fifty_move_count;
    if (pos.history_count > 0 && taken != nullptr && taken->occurrences >= 3) pos.repetition_draw = 1;
    if (pos.fifty_move_count >= 100) pos.fifty_move_draw = 1;
}
