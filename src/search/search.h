// Search: the alpha-beta node procedure, the clock, iterative deepening and
// the engine's turn.
#pragma once

#include <cstdint>

#include "rules/rules.h"

inline constexpr int PLY_BEST_SIZE = 3000;
inline constexpr int DEEPENING_FACTOR = 35;  // one more ply costs about 35 times as much

extern int engine_side;                      // colour the engine searches for
extern int root_depth;                       // depth of the current iteration
extern uint64_t node_count;                  // calls of search since start-up; never reset
extern move ply_best[PLY_BEST_SIZE];         // last new best move at each ply
extern move best_root_moves[MOVE_LIST_SIZE]; // root moves sharing the best score
extern uint16_t best_root_count;
extern move NULL_MOVE;                       // from_file 255: nothing is made

// Per-game time accounting, cleared by new_game.
extern int32_t engine_moves_made;  // engine turns taken with the clock on
extern int32_t time_used;          // clock units used by those turns

// The node procedure: makes m on a copy of parent, then evaluates or searches
// the replies.  Flips side_to_move exactly once.
int32_t search(int depth, const position& parent, const move& m, int32_t alpha, int32_t beta, int after_null);

// Clock: a millisecond counter read between iterations.
// The millisecond counter behind the clock; tests may point it at their own.
extern uint32_t (*clock_source)();
void clock_init(int units_per_second);
void clock_restart();
int32_t clock_read();

// Plays one engine move for side_to_move in game_position, or reports that it has none.
void engine_turn();
// Iterative deepening for side, then the random choice among the best root moves.
void run_search(int side, int depth_limit, int32_t move_budget, int mode);
