// The engine's turn: the time budget, iterative deepening in the four clock
// modes, and the random choice among the equally best root moves.
#include <cstdint>

#include "book/random.h"
#include "eval/eval.h"
#include "frontend/frontend.h"
#include "frontend/settings.h"
#include "search/search.h"

namespace {

int32_t clamp_to_int32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// One iteration: the root for side at root_depth.  The root flips
// side_to_move once, back to side.
int32_t iterate(int side) {
    side_to_move = other_colour(side);
    return search(root_depth, game_position, NULL_MOVE, -MATE_SCORE, MATE_SCORE, 0);
}

// Null move and cutting switched off for a search, and back on afterwards,
// so the user sees the settings unchanged.
struct refinements_off {
    int32_t null_move = null_move_enabled;
    int32_t cutting = cutting_enabled;
    refinements_off() { null_move_enabled = cutting_enabled = 0; }
    ~refinements_off() {
        null_move_enabled = null_move;
        cutting_enabled = cutting;
    }
    refinements_off(const refinements_off&) = delete;
    refinements_off& operator=(const refinements_off&) = delete;
};

void deepen_to_depth(int side, int depth_limit, iteration_observer observer) {
    const refinements_off forced;
    // At least one iteration, so that a position with a legal move always
    // yields one; never deeper than the frames and ply_best allow.
    const int last = depth_limit < 1 ? 1 : (depth_limit > MAX_SEARCH_DEPTH ? MAX_SEARCH_DEPTH : depth_limit);
    for (root_depth = 1; root_depth <= last; ++root_depth) {
        const int32_t score = iterate(side);
        if (observer) observer(score);
    }
}

void deepen_on_clock(int side, int depth_limit, int32_t move_budget, int mode, iteration_observer observer) {
    root_depth = 0;
    clock_restart();
    int32_t elapsed = 0;
    for (;;) {
        // One more ply costs about DEEPENING_FACTOR times the last one.  The
        // first iteration runs whatever the budget, so a turn with a legal
        // move always has one to play.
        if (root_depth > 0 && elapsed >= move_budget / DEEPENING_FACTOR) break;
        if (root_depth >= MAX_SEARCH_DEPTH) break;
        ++root_depth;
        clock_restart();
        const int32_t score = iterate(side);
        elapsed = clock_read();
        if (observer) observer(score);
        if ((mode == 2 || mode == 3) && root_depth >= depth_limit) break;
    }
}

}  // namespace

void deepen(int side, int depth_limit, int32_t move_budget, int mode, iteration_observer observer) {
    NULL_MOVE.from_file = NULL_MOVE.from_rank = NULL_MOVE.to_file = NULL_MOVE.to_rank = -1;
    engine_side = side;
    best_root_count = 0;

    if (mode == 0) {
        deepen_to_depth(side, depth_limit, observer);
    } else if (mode == 2) {
        const refinements_off forced;
        deepen_on_clock(side, depth_limit, move_budget, mode, observer);
    } else {
        deepen_on_clock(side, depth_limit, move_budget, mode, observer);
    }

    // The moves best at plies 2, 3, ... become the hints at plies 0, 1, ...
    // of the next search, which starts after this move and the reply.
    for (int i = 0; i + 2 < root_depth; ++i) ply_best[i] = ply_best[i + 2];
}

void run_search(int side, int depth_limit, int32_t move_budget, int mode) {
    deepen(side, depth_limit, move_budget, mode);
    if (best_root_count > 0)
        emit_engine_move(best_root_moves[random_next() % best_root_count]);
    else
        report_user_win_or_stalemate();  // the engine has no move: mated or stalemated
}

void engine_turn() {
    if (clock_mode != 0) {
        clock_restart();
        // The allowance accumulates: time left over from earlier moves is
        // spent now.  In 64 bits, as move_time_ms may be any integer.
        int64_t budget = static_cast<int64_t>(move_time_ms) * (static_cast<int64_t>(engine_moves_made) + 1) - time_used;
        if (engine_moves_made < INT32_MAX) ++engine_moves_made;
        if (budget <= 0) budget = move_time_ms / 2;
        run_search(side_to_move, search_depth, clamp_to_int32(budget), clock_mode);
        // The clock was last restarted when the final iteration began.
        time_used = clamp_to_int32(static_cast<int64_t>(time_used) + clock_read());
    } else {
        run_search(side_to_move, search_depth, 0, 0);
    }
    if (sound_enabled != 0) ring_bell();
    side_to_move = other_colour(side_to_move);
    generate_moves(game_position, game_moves);
    if (game_moves.count == 0) report_engine_win_or_stalemate();
    display_board();
}
