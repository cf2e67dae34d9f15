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
