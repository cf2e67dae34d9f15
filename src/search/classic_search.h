// The classic search: the alpha-beta node procedure of the classic engine,
// exact to its trees, and its iterative deepening in the four clock modes.
// Its state (ordering hints, the node count, the iteration's depth, its
// frames) is its own; it runs on one thread.  Everyone else enters it
// through run_search (search/request.h).
#pragma once

#include <cstdint>

#include "eval/eval.h"
#include "rules/rules.h"
#include "search/context.h"
#include "search/request.h"
#include "settings/settings.h"

inline constexpr int PLY_BEST_SIZE = 3000;
inline constexpr int DEEPENING_FACTOR = 35;  // one more ply costs about 35 times as much
inline constexpr int PLY_BEST_BONUS = 50;    // ordering bonus of the last best move at the same ply

// Nodes since start-up: each classic node counts here as it is made, the
// strong search's when its search ends (nodes_since_start() adds those of
// one in progress).  Node limits and the console's "nodes" read it.
extern uint64_t node_count;
inline constexpr move NULL_MOVE = {-1, -1, -1, -1, 0, 0, {0, 0}, 0};  // nothing is made

// The classic searcher's ordering hints: the last new best move at each ply
// (PLY_BEST_SIZE of them), which a pondered turn keeps and restores and
// tests set; and the iteration it is at (after a search: the last finished
// one, or one above it when a stop ended the search).
move* classic_ordering_hints();
int classic_root_depth();

// The node procedure: makes m on a copy of parent, then evaluates or searches
// the replies.  Flips side_to_move exactly once, unless the search is being
// stopped (context.stopped()), when it returns at once with a meaningless
// value.  At the root (depth == root_depth) it gathers the best root moves
// into the context's results.  Its unit tests call it through a context of
// their own (classic_node_in); the engine only through run_search.
int32_t classic_node(int depth, const position& parent, const move& m, int32_t alpha, int32_t beta,
                     int after_null);
// The node procedure under context, as at root_depth (for its unit tests).
int32_t classic_node_in(search_context& context, int root_depth, int depth, const position& parent, const move& m,
                        int32_t alpha, int32_t beta, int after_null);

// The classic search's iterations for the context's request, at least one
// and none beyond MAX_SEARCH_DEPTH, then the two-ply shift of ply_best.
// Returns the last finished iteration's score and depth.
struct classic_outcome {
    int depth = 0;
    int32_t score = 0;
};
classic_outcome classic_deepen(search_context& context);

// The classic search's own traces: the ordering hints, the node count and
// the iteration depths, back to start-up's; and kept for a look that must
// leave none, then put back.
void reset_classic_search();
void keep_classic_traces();
void restore_classic_traces();
