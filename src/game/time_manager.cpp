// Each engine turn's budget and hard limit from what the GUI says of the clock.
#include "game/time_manager.h"

#include "settings/settings.h"

time_control game_time;

namespace {
int32_t to_int32(int64_t v) { return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v)); }
int64_t at_least_one(int64_t v) { return v < 1 ? 1 : v; }
}  // namespace

turn_plan plan_turn(int32_t level_budget, int32_t moves_made) {
    turn_plan plan{level_budget, 0};
    const int64_t overhead = game_time.move_overhead_ms < 0 ? 0 : game_time.move_overhead_ms;
    // What may be spent at most: the time left less the overhead.
    const int64_t left = at_least_one(game_time.time_left_ms - overhead);

    if (game_time.fixed_move_ms > 0) {
        // A fixed time a move: the whole of it, less the overhead, is both the
        // plan and the limit; nothing carries over.
        int64_t usable = at_least_one(game_time.fixed_move_ms - overhead);
        if (game_time.time_known && left < usable) usable = left;
        plan.budget = to_int32(usable);
        plan.hard_limit_ms = usable;
        return plan;
    }
    if (!game_time.time_known) return plan;

    int64_t moves_to_go = SUDDEN_DEATH_HORIZON;
    if (game_time.moves_to_go > 0)
        moves_to_go = game_time.moves_to_go;
    else if (game_time.moves_per_control > 0)
        moves_to_go = game_time.moves_per_control - moves_made % game_time.moves_per_control;
    // An even share of what is left, one move kept in hand, and most of the
    // increment that comes back after the move.
    int64_t share = left / (moves_to_go + 1) + game_time.increment_ms * 3 / 4;
    if (share > left / 2 && moves_to_go > 1) share = left / 2;
    share = at_least_one(share);
    if (share < plan.budget) plan.budget = to_int32(share);
    // An iteration may run past the plan (the next ply costs about 35 times
    // the last), but never past three shares nor the time there is.
    plan.hard_limit_ms = 3 * share < left ? 3 * share : left;
    return plan;
}

turn_plan plan_strong_turn(int32_t moves_made) {
    turn_plan plan = plan_turn(INT32_MAX, moves_made);
    if (game_time.fixed_move_ms > 0 || !game_time.time_known) return plan;
    const int64_t overhead = game_time.move_overhead_ms < 0 ? 0 : game_time.move_overhead_ms;
    const int64_t left = at_least_one(game_time.time_left_ms - overhead);
    // Moves to plan for: the control's, or a horizon that shrinks a little
    // as the game goes on (a long game needs fewer moves planned ahead).
    int64_t moves_to_go = moves_made < 40 ? 26 - moves_made / 4 : 16;
    if (game_time.moves_to_go > 0)
        moves_to_go = game_time.moves_to_go;
    else if (game_time.moves_per_control > 0)
        moves_to_go = game_time.moves_per_control - moves_made % game_time.moves_per_control;
    int64_t soft = left / (moves_to_go + 1) + game_time.increment_ms * 3 / 4;
    if (soft > left / 3) soft = left / 3;
    soft = at_least_one(soft);
    // The hard limit lets an iteration finish that started in time, but
    // never takes more than a share of what is left.
    int64_t hard = 4 * soft;
    if (hard > left / 2) hard = left / 2;
    plan.budget = to_int32(soft);
    plan.hard_limit_ms = at_least_one(hard);
    return plan;
}

void account_turn(int64_t used_ms) {
    if (!game_time.time_known) return;
    game_time.time_left_ms = game_time.time_left_ms - used_ms + game_time.increment_ms;
}

int32_t level_move_time(int32_t moves, int32_t minutes, int32_t seconds, int32_t increment) {
    return level_move_time_ms(moves, minutes, seconds, int64_t{increment} * 1000);
}

int32_t level_move_time_ms(int32_t moves, int32_t minutes, int32_t seconds, int64_t increment_ms) {
    if (moves == 0) moves = 40;
    // 64 bits hold every intermediate value of 32-bit arguments; the
    // divisions truncate toward zero as 32-bit ones would.
    const int64_t base_seconds = int64_t{minutes} * 60 + seconds;
    const int64_t time = (base_seconds * 1000 / moves + increment_ms) * 7 / 8;
    return to_int32(time);
}

void set_level_control(int32_t moves, int32_t minutes, int32_t seconds, int64_t increment_ms) {
    move_time_ms = level_move_time_ms(moves, minutes, seconds, increment_ms);
    // The time manager learns the control too: moves per control (0 for the
    // whole game) and the increment; a fixed time a move ("st") gives way.
    game_time.moves_per_control = moves > 0 ? moves : 0;
    game_time.increment_ms = increment_ms > 0 ? increment_ms : 0;
    game_time.fixed_move_ms = 0;
}

int set_go_clock(const go_clock& go) {
    // The time manager hears this go's clock and nothing older.
    game_time.time_known = !go.infinite && go.time_left_ms >= 0;
    game_time.time_left_ms = go.time_left_ms;
    game_time.increment_ms = go.increment_ms < 0 ? 0 : go.increment_ms;
    game_time.moves_per_control = 0;
    game_time.moves_to_go = go.moves_to_go > 0 && go.moves_to_go < 10000 ? static_cast<int32_t>(go.moves_to_go) : 0;
    game_time.fixed_move_ms = go.infinite ? 0 : (go.move_time_ms > 0 ? go.move_time_ms : 0);
    const int depth = go.depth > 0 ? (go.depth < MAX_SEARCH_DEPTH ? static_cast<int>(go.depth) : MAX_SEARCH_DEPTH) : 0;
    const bool clock_given = game_time.time_known || game_time.fixed_move_ms > 0;
    game_time.max_depth = clock_given || go.infinite ? depth : 0;
    // "depth N" alone is the fixed-depth search of the console's "depth".
    return depth > 0 && !clock_given && !go.infinite ? depth : 0;
}
