// Static evaluation: the score of a search leaf from engine_side's point of
// view, in one of four formulas, with mate and stalemate found first.
#include "eval/eval.h"
#include "frontend/settings.h"
#include "search/search.h"

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

void pawn_knight_sums(const position& pos, pawn_knight_totals& sums) {
    sums = pawn_knight_totals{};
    for (int square = 0; square < 64; ++square) {
        switch (pos.board[square]) {
            case WHITE * 16 + PAWN:
                sums.white_pawn_advance += (square >> 3) - 1;
                break;
            case BLACK * 16 + PAWN:
                sums.black_pawn_advance += 6 - (square >> 3);
                break;
            case WHITE * 16 + KNIGHT:
                sums.white_knight_placement += KNIGHT_SQUARE_TABLE[square];
                break;
            case BLACK * 16 + KNIGHT:
                sums.black_knight_placement += KNIGHT_SQUARE_TABLE[square];
                break;
            default:
                break;
        }
    }
}

int32_t evaluate(const position& pos, int full_test) {
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
        if (eval_variant == 2) {
            pawn_knight_sums(pos, sums);
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
