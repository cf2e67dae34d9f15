// The engine's turn: the time budget of the level settings, the search, and
// the move played into the game.
#include <cstdint>

#include "game/game.h"
#include "game/time_manager.h"
#include "settings/settings.h"

namespace {

// The smaller of two depth caps, 0 standing for none.
int smaller_cap(int a, int b) {
    if (a == 0) return b;
    if (b == 0) return a;
    return a < b ? a : b;
}

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

bool think_turn(move& played, const turn_options& options) {
    const int side = side_to_move;
    search_limits limits = options.limits != nullptr ? *options.limits : search_limits{};
    // The GUI's depth cap ("sd", UCI's depth with a clock) and the caller's
    // cap: the smaller holds.
    limits.max_depth = smaller_cap(limits.max_depth, game_time.max_depth);
    // The clock of the GUI is read only when the GUI has told the engine
    // about it: without that, a turn reads the clock exactly as it always did.
    const bool gui_clock = game_time.time_known || game_time.fixed_move_ms > 0;
    const uint32_t turn_start = gui_clock ? clock_source() : 0;

    // What kind of search: the settings' clock mode and depth, or what the
    // front end asks for (a fixed depth, or no end but a stop).
    int mode = clock_mode, depth = search_depth;
    int32_t budget = 0;
    if (options.infinite) {
        mode = 1, depth = MAX_SEARCH_DEPTH, budget = INT32_MAX;
    } else if (options.fixed_depth > 0) {
        mode = 0, depth = options.fixed_depth;
    }
    const bool level_clock = mode != 0 && !options.infinite;
    const int32_t moves_before = engine_moves_made;
    if (level_clock) {
        clock_restart();
        // The allowance accumulates: time left over from earlier moves is
        // spent now.  In 64 bits, as move_time_ms may be any integer.
        int64_t allowance = static_cast<int64_t>(move_time_ms) * (int64_t{moves_before} + 1) - time_used;
        if (allowance <= 0) allowance = move_time_ms / 2;
        budget = clamp_to_int32(allowance);
        if (engine_moves_made < INT32_MAX) ++engine_moves_made;
    }
    const int64_t nps = game_time.nodes_per_second;
    const uint64_t turn_first_node = node_count;
    if (gui_clock) {
        // The GUI's clock caps the plan; a search without a budget (a fixed
        // depth, analysis) still stops where the flag would fall.
        const turn_plan plan = plan_turn(level_clock ? budget : INT32_MAX, moves_before);
        if (level_clock) budget = plan.budget;
        if (nps > 0) {
            // A clock of nodes: the limit falls after that many nodes, and the
            // real time ends nothing (the overhead is for real lag only).
            const int64_t ms = plan.hard_limit_ms + (game_time.move_overhead_ms > 0 ? game_time.move_overhead_ms : 0);
            int64_t nodes = ms / 1000 * nps + ms % 1000 * nps / 1000;
            if (nodes < 1) nodes = 1;
            const uint64_t limit = node_count + static_cast<uint64_t>(nodes);
            if (limits.node_limit == 0 || limit < limits.node_limit) limits.node_limit = limit;
            if (level_clock) budget = INT32_MAX;
        } else {
            const uint32_t deadline = turn_start + static_cast<uint32_t>(plan.hard_limit_ms);
            if (!limits.use_deadline || static_cast<int32_t>(deadline - limits.deadline) < 0) limits.deadline = deadline;
            limits.use_deadline = true;
        }
        limits.stop_first_iteration = true;  // the flag must not fall, even in the first iteration
    }
    deepen(game_position, side, depth, budget, mode, options.observer, &limits);
    const bool moved = choose_move(played);
    // The clock was last restarted when the final iteration began.
    if (level_clock) time_used = clamp_to_int32(static_cast<int64_t>(time_used) + clock_read());
    if (gui_clock)
        account_turn(nps > 0 ? static_cast<int64_t>((node_count - turn_first_node) * 1000 / static_cast<uint64_t>(nps))
                             : static_cast<int64_t>(static_cast<uint32_t>(clock_source() - turn_start)));
    side_to_move = side;
    return moved;
}

bool engine_turn(move& played, const turn_options& options) {
    if (!think_turn(played, options)) return false;
    game_play(played);
    return true;
}
