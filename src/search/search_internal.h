// What the node procedure and the deepening loop share inside the search.
#pragma once

#include "search/search.h"

// Looks at the stop conditions of the search in progress; sets and returns
// search_stopped.  Called every STOP_POLL_INTERVAL nodes.
bool poll_stop();

// The root's moves go through the full legality test (search_limits::strict_root).
extern bool strict_root_moves;

// The best root move so far in the iteration in progress: the move of a first
// iteration that a hard limit cut short.
extern move root_best_so_far;

// The line of each root move of the iteration in progress, by its place in
// the root's list.
extern search_line root_lines[MOVE_LIST_SIZE];
// The deepest recursion level any node of the search has reached.
extern int deepest_level;
// The root move being searched and its place in the root's order, from 1.
extern move current_root_move;
extern int current_root_number;
// Root moves allowed (search_limits::root_moves; nullptr: all), and how
// many best root moves get exact scores.
extern const move* root_filter;
extern int root_filter_count;
extern int root_multi_pv;
// The root's list after an iteration: every root move with its score.
const move_list& root_move_list();
