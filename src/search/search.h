// Search: the alpha-beta node procedure, the clock, iterative deepening and
// the engine's turn.
#pragma once

#include <cstdint>

#include "rules/rules.h"

inline constexpr int PLY_BEST_SIZE = 3000;
inline constexpr int DEEPENING_FACTOR = 35;  // one more ply costs about 35 times as much
inline constexpr int PLY_BEST_BONUS = 50;    // ordering bonus of the last best move at the same ply

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

// 1 when a and b name the same move: the same squares and the same
// promotion byte (how ordering hints are matched against a node's list).
inline bool same_move(const move& a, const move& b) {
    return a.from_file == b.from_file && a.from_rank == b.from_rank && a.to_file == b.to_file &&
           a.to_rank == b.to_rank && a.promotion == b.promotion;
}

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

// Told the root's result after each iteration (the developer tool reports
// progress through it; the engine passes none).
using iteration_observer = void (*)(int32_t root_score);
// The thinking part of run_search: the iterations on game_position for side
// in the given clock mode, at least one and none beyond MAX_SEARCH_DEPTH,
// then the two-ply shift of ply_best.  Leaves the best root moves of the last
// iteration in best_root_moves and side_to_move at side.
void deepen(int side, int depth_limit, int32_t move_budget, int mode, iteration_observer observer = nullptr);
