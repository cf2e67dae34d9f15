// What the node procedure, the deepening loop and the shared root handling
// share inside the search.
#pragma once

#include "search/request.h"
#include "search/search.h"

// The shared root handling of one search: set up from the request (budget:
// the budget the request's mode gives, as the deepening loop reads it)
// before either search runs, cleared after it.
void begin_root_search(const search_request& request, int32_t budget);
void end_root_search();
// The request asked for the strict root (search_limits::strict_root).
bool strict_root_in_force();
// The request's depth cap, as set_search_* may not change it (0: none).
int active_max_depth();

// The classic search leaves null move and cutting out of this search (clock
// modes 0 and 2), whatever the user's switches say; the switches themselves
// are never written.
extern bool refinements_suspended;

// The best root move so far in the iteration in progress: the move of a first
// iteration that a hard limit cut short.
extern move root_best_so_far;

// The line of each root move of the iteration in progress, by its place in
// the root's list.
extern search_line root_lines[MOVE_LIST_SIZE];
// The root's list after an iteration: every root move with its score.
const move_list& root_move_list();
