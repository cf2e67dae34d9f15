// Evaluation: the static scores of positions, for both searches.  The
// classic one is here: the score of a search leaf from engine_side's point
// of view, in one of four formulas, with mate and stalemate found first.
// The strong search's tuned evaluation (strong_eval.*) sits beside it and
// shares nothing with it.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "eval/eval.h"
#include "settings/settings.h"

// The colour whose point of view every score takes; the search sets it to
// the engine's colour before each search.
int engine_side = WHITE;

// Squares a knight reaches from each square of an empty board; a knight
// scores by how central it stands.
const int8_t KNIGHT_SQUARE_TABLE[64] = {
    2, 3, 4, 4, 4, 4, 3, 2,  // rank 1
    3, 4, 6, 6, 6, 6, 4, 3,  // rank 2
    4, 6, 8, 8, 8, 8, 6, 4,  // rank 3
    4, 6, 8, 8, 8, 8, 6, 4,  // rank 4
    4, 6, 8, 8, 8, 8, 6, 4,  // rank 5
    4, 6, 8, 8, 8, 8, 6, 4,  // rank 6
    3, 4, 6, 6, 6, 6, 4, 3,  // rank 7
    2, 3, 4, 4, 4, 4, 3, 2,  // rank 8
};

namespace {

// The four sums as an array, with a fifth slot that collects nothing.
enum sum_slot { WHITE_PAWN_SUM, BLACK_PAWN_SUM, WHITE_KNIGHT_SUM, BLACK_KNIGHT_SUM, NO_SUM };

// Which sum a board byte adds to.
constexpr std::array<uint8_t, 256> SUM_OF_MAN = [] {
    std::array<uint8_t, 256> table{};
    for (uint8_t& slot : table) slot = NO_SUM;
    table[WHITE * 16 + PAWN] = WHITE_PAWN_SUM;
    table[BLACK * 16 + PAWN] = BLACK_PAWN_SUM;
    table[WHITE * 16 + KNIGHT] = WHITE_KNIGHT_SUM;
    table[BLACK * 16 + KNIGHT] = BLACK_KNIGHT_SUM;
    return table;
}();

// What a man of each sum adds on each square: a white pawn its ranks beyond
// the second, a black pawn its ranks beyond the seventh, a knight its table
// value.  (KNIGHT_SQUARE_TABLE is constant-initialised, so it is ready here.)
const std::array<std::array<int8_t, 64>, 5> SUM_VALUE = [] {
    std::array<std::array<int8_t, 64>, 5> table{};
    for (int square = 0; square < 64; ++square) {
        table[WHITE_PAWN_SUM][square] = static_cast<int8_t>((square >> 3) - 1);
        table[BLACK_PAWN_SUM][square] = static_cast<int8_t>(6 - (square >> 3));
        table[WHITE_KNIGHT_SUM][square] = KNIGHT_SQUARE_TABLE[square];
        table[BLACK_KNIGHT_SUM][square] = KNIGHT_SQUARE_TABLE[square];
    }
    return table;
}();

}  // namespace

void pawn_knight_sums(const position& pos, pawn_knight_totals& sums) {
    // At every leaf: only the occupied squares are visited, eight squares
    // at a time, and each adds to its sum by table, without a branch.
    static_assert(std::endian::native == std::endian::little, "board words are read file a first");
    int totals[5] = {0, 0, 0, 0, 0};
    for (int rank_start = 0; rank_start < 64; rank_start += 8) {
        uint64_t row;
        std::memcpy(&row, pos.board + rank_start, 8);
        while (row != 0) {
            const int byte = std::countr_zero(row) >> 3;
            row &= ~(uint64_t{0xFF} << (8 * byte));
            const int square = rank_start + byte;
            const int slot = SUM_OF_MAN[pos.board[square]];
            totals[slot] += SUM_VALUE[slot][square];
        }
    }
    sums.white_pawn_advance = totals[WHITE_PAWN_SUM];
    sums.black_pawn_advance = totals[BLACK_PAWN_SUM];
    sums.white_knight_placement = totals[WHITE_KNIGHT_SUM];
    sums.black_knight_placement = totals[BLACK_KNIGHT_SUM];
}

void update_pawn_knight_sums(pawn_knight_totals& sums, const uint8_t* before, const uint8_t* after,
                             uint64_t changed) {
    int totals[5] = {sums.white_pawn_advance, sums.black_pawn_advance, sums.white_knight_placement,
                     sums.black_knight_placement, 0};
    for (; changed != 0; changed &= changed - 1) {
        const int square = __builtin_ctzll(changed);
        const int left = SUM_OF_MAN[before[square]], arrived = SUM_OF_MAN[after[square]];
        totals[left] -= SUM_VALUE[left][square];
        totals[arrived] += SUM_VALUE[arrived][square];
    }
    sums.white_pawn_advance = totals[WHITE_PAWN_SUM];
    sums.black_pawn_advance = totals[BLACK_PAWN_SUM];
    sums.white_knight_placement = totals[WHITE_KNIGHT_SUM];
    sums.black_knight_placement = totals[BLACK_KNIGHT_SUM];
}

namespace {

// The evaluation, with the pawn and knight sums given (known) or found here.
int32_t evaluate_position(const position& pos, int full_test, const pawn_knight_totals* known) {
    // Step 1. A position the rules have already drawn.  This comes before the
    // mate test: the generator lists no moves for it, which would otherwise
    // look like mate or stalemate.
    if (pos.repetition_draw != 0 || pos.fifty_move_draw != 0) return 0;

    // Step 2. The search found no legal move for side_to_move: mate or stalemate.
    if (full_test == 0) {
        if (in_check(pos)) return side_to_move == engine_side ? -MATE_SCORE : MATE_SCORE;
        return 0;
    }

    // Step 3. A leaf: side_to_move has just moved; can the other colour reply?
    const int mover = side_to_move;
    side_to_move = other_colour(mover);
    if (!has_legal_move(pos)) {
        const int checked = in_check(pos);
        side_to_move = mover;
        if (!checked) return 0;
        return mover == engine_side ? MATE_SCORE : -MATE_SCORE;
    }
    side_to_move = mover;

    // Step 4. The tie-break: fewer men on the board (emotion > 0) or more
    // (emotion < 0) among positions whose major value is equal.
    const int on_board_total = pos.white_material + pos.black_material;
    const int emotion_term = emotion == 0 ? 0 : (emotion < 0 ? on_board_total : -on_board_total);

    // Step 5. The major value, every term taken as white minus black and
    // turned to the engine's side.
    const int sign = engine_side == WHITE ? 1 : -1;
    const int material_term = pos.white_material - pos.black_material;
    int major = 256 * material_term;
    if (eval_variant == 0) return 256 * sign * major + emotion_term;
    if (eval_variant < 0 || eval_variant > 3) return 0;

    const int castling_term = 4 * (pos.white_castled - pos.black_castled) +
                              (pos.white_castle_right + pos.white_castle_left) -
                              (pos.black_castle_right + pos.black_castle_left);
    const int king_rank_term = (7 - pos.black_king_rank) - pos.white_king_rank;
    if (eval_variant == 1) {
        major += castling_term + 6 * king_rank_term;
    } else {
        major += 2 * castling_term + 12 * king_rank_term;
        pawn_knight_totals sums{};
        if (known != nullptr) sums = *known;
        if (eval_variant == 2) {
            if (known == nullptr) pawn_knight_sums(pos, sums);
        } else if (known != nullptr) {
            major += 2 * (count_activity(WHITE, pos.board) - count_activity(BLACK, pos.board));
        } else {
            // The two activity passes visit every pawn and knight anyway and
            // gather the same sums that variant 2 scans for.
            const int black_activity = count_activity_with_sums(BLACK, pos.board, sums);
            const int white_activity = count_activity_with_sums(WHITE, pos.board, sums);
            major += 2 * (white_activity - black_activity);
        }
        major += 3 * (sums.white_pawn_advance - sums.black_pawn_advance) +
                 (sums.white_knight_placement - sums.black_knight_placement);
    }

    // Step 6. Ordinary scores keep the tie-break below one step of major.
    return 256 * sign * major + emotion_term;
}

}  // namespace

int32_t evaluate(const position& pos, int full_test) { return evaluate_position(pos, full_test, nullptr); }

int32_t evaluate_with_sums(const position& pos, int full_test, const pawn_knight_totals& sums) {
    return evaluate_position(pos, full_test, &sums);
}
