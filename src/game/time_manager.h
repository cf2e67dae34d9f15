// The time manager: what a GUI says of the clock (the time control, the time
// left, a fixed time per move, a depth cap) turned into each engine turn's
// budget and hard limit.  Both protocols feed the one manager.
//
// The budget of the level settings stays the plan whenever the real clock
// allows it, so a game with a comfortable clock plays exactly as without
// one.  Once the time left is known, the budget is capped by a safe share of
// it (the time left spread over the moves to the next control, or over a
// sudden-death horizon, plus most of the increment, less the move overhead),
// and a hard limit ends the search in progress before the flag can fall.
#pragma once

#include <cstdint>

// Moves assumed still to come when the control has no move count.
inline constexpr int SUDDEN_DEATH_HORIZON = 30;
// The default allowance for the GUI's own lag, in milliseconds.
inline constexpr int32_t DEFAULT_MOVE_OVERHEAD_MS = 50;

struct time_control {
    // From the time control ("level" or UCI's movestogo/increments).
    int32_t moves_per_control = 0;  // 0: the whole game is one control (sudden death)
    int64_t increment_ms = 0;
    // "time" (or UCI's wtime/btime): the engine's time left, once known.
    bool time_known = false;
    int64_t time_left_ms = 0;
    // Moves to the next control when the GUI says so (UCI's movestogo); 0: unknown.
    int32_t moves_to_go = 0;
    // "st" (or UCI's movetime): exactly this long a move, no carry-over (0: none).
    int64_t fixed_move_ms = 0;
    // "sd" (or UCI's depth): no iteration deeper (0: none).
    int32_t max_depth = 0;
    // xboard's "nps N": the clock counts N nodes as one second (0: real time).
    int32_t nodes_per_second = 0;
    // Kept back from every move for the GUI's lag.
    int32_t move_overhead_ms = DEFAULT_MOVE_OVERHEAD_MS;
};

// The game's clock as the GUI reports it.  new_game keeps it: a GUI sends
// its time control once and the time left before every move.
extern time_control game_time;

// One turn's plan: the budget (clock units) that decides whether another
// iteration starts, and the hard limit (milliseconds from the turn's start;
// 0: none) at which the search in progress is stopped.
struct turn_plan {
    int32_t budget;
    int64_t hard_limit_ms;
};

// The plan for an engine turn whose level budget is level_budget, the
// engine's moves_made turns of this game already taken.
turn_plan plan_turn(int32_t level_budget, int32_t moves_made);

// The plan for a turn of the strong search: a soft budget (the search starts
// no iteration past about half of it) and a hard limit, from the GUI's clock
// only.  Without a clock of the GUI's it is plan_turn's.
turn_plan plan_strong_turn(int32_t moves_made);

// After a turn that took used_ms: the time left as the engine's own clock
// sees it, until the GUI says otherwise.
void account_turn(int64_t used_ms);

// move_time_ms of "level": 7/8 of an even share of the base time over the
// moves of the control (0 moves count as 40), plus the increment.  The base
// time is split into minutes and seconds.  Never overflows.
int32_t level_move_time(int32_t moves, int32_t minutes, int32_t seconds, int32_t increment);
// The same with the increment in milliseconds (a GUI may send "0.5").
int32_t level_move_time_ms(int32_t moves, int32_t minutes, int32_t seconds, int64_t increment_ms);
// "level": move_time_ms from the control, and the time manager told of it.
void set_level_control(int32_t moves, int32_t minutes, int32_t seconds, int64_t increment_ms);

// UCI's go, as far as the clock goes (-1: not given).
struct go_clock {
    int64_t time_left_ms = -1;  // wtime or btime, the side to move's
    int64_t increment_ms = 0;   // winc or binc
    int64_t moves_to_go = 0;
    int64_t move_time_ms = 0;   // movetime
    int64_t depth = 0;
    bool infinite = false;
};
// The time manager hears this go's clock and nothing older.  Returns the
// fixed depth of a go that gives a depth and no clock (the console's
// fixed-depth search), else 0; with a clock the depth is a cap.
int set_go_clock(const go_clock& go);
