// Perft: the leaves of the legal-move tree, as tools that check a move
// generator count them (every promotion, en passant judged in full, and no
// draw rule ending a line).
#include <vector>

#include "rules/rules.h"

namespace {

struct perft_frame {
    position pos;
    move_list list;
};

// Every legal move of side_to_move in pos, into list.
void list_legal_moves(position& pos, move_list& list) {
    // The draw flags end no line here: a perft counts moves, not games.
    pos.repetition_draw = pos.fifty_move_draw = 0;
    generate_moves(pos, list, promotions::all);
    drop_bad_en_passant(pos, list);
}

uint64_t leaves_below(std::vector<perft_frame>& frames, int ply, int depth) {
    perft_frame& frame = frames[static_cast<size_t>(ply)];
    list_legal_moves(frame.pos, frame.list);
    if (depth == 1) return frame.list.count;
    uint64_t leaves = 0;
    position& child = frames[static_cast<size_t>(ply) + 1].pos;
    for (int i = 0; i < frame.list.count; ++i) {
        copy_position(child, frame.pos);
        make_move(child, frame.list.moves[i]);
        side_to_move = other_colour(side_to_move);
        leaves += leaves_below(frames, ply + 1, depth - 1);
        side_to_move = other_colour(side_to_move);
    }
    return leaves;
}

}  // namespace

int perft_divide(const position& pos, int side, int depth, move_list& root_moves, uint64_t* counts) {
    const int saved_side = side_to_move;
    side_to_move = side;
    std::vector<perft_frame> frames(static_cast<size_t>(depth > 1 ? depth : 1));
    // The game's history of boards matters to no move: it is left behind.
    copy_position(frames[0].pos, pos);
    frames[0].pos.history_count = 0;
    list_legal_moves(frames[0].pos, root_moves);
    for (int i = 0; i < root_moves.count; ++i) {
        if (depth <= 1) {
            counts[i] = 1;
            continue;
        }
        copy_position(frames[1].pos, frames[0].pos);
        make_move(frames[1].pos, root_moves.moves[i]);
        side_to_move = other_colour(side);
        counts[i] = leaves_below(frames, 1, depth - 1);
        side_to_move = side;
    }
    side_to_move = saved_side;
    return root_moves.count;
}
