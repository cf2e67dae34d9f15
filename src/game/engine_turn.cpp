// The engine's turn: the time budget of the level settings, the search, and
// the move played into the game.
#include <cstdint>

#include "game/game.h"
#include "settings/settings.h"

namespace {

int32_t clamp_to_int32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// The move to play after a search: one of the best root moves; or, when a
// hard limit cut the first iteration before any root move was searched, the
// first legal move, so that the engine still moves.
bool choose_move(move& chosen) {
    if (pick_best_root_move(chosen)) return true;
    if (!search_stopped) return false;
    static move_list fallback;
    generate_moves(game_position, fallback);
    if (fallback.count == 0) return false;
    chosen = fallback.moves[0];
    return true;
}

}  // namespace

bool engine_turn(move& played, const turn_options& options) {
    const int side = side_to_move;
    bool moved = false;
    if (clock_mode != 0) {
        clock_restart();
        // The allowance accumulates: time left over from earlier moves is
        // spent now.  In 64 bits, as move_time_ms may be any integer.
        int64_t budget = static_cast<int64_t>(move_time_ms) * (static_cast<int64_t>(engine_moves_made) + 1) - time_used;
        if (engine_moves_made < INT32_MAX) ++engine_moves_made;
        if (budget <= 0) budget = move_time_ms / 2;
        deepen(game_position, side, search_depth, clamp_to_int32(budget), clock_mode, options.observer, options.limits);
        moved = choose_move(played);
        if (moved) game_play(played);
        // The clock was last restarted when the final iteration began.
        time_used = clamp_to_int32(static_cast<int64_t>(time_used) + clock_read());
    } else {
        deepen(game_position, side, search_depth, 0, 0, options.observer, options.limits);
        moved = choose_move(played);
        if (moved) game_play(played);
    }
    side_to_move = side;
    return moved;
}
