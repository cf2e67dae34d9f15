// The strong search, behind run_search: its searchers (one a thread), the
// transposition table they share, and the threads.  run_search hands it a
// request and the results to fill.
#pragma once

#include <cstdint>

#include "search/context.h"
#include "search/request.h"

struct strong_outcome {
    int depth = 0;       // the last finished iteration (a quiescence look: 0 when the root is quiet)
    int32_t score = 0;   // its score, in the classic units, from the side to move
    uint64_t nodes = 0;  // every thread's
};

// Runs the strong search the request asks for (on the configured threads,
// or a private look on one thread of its own), its best root moves into
// results.
strong_outcome run_strong_search(const search_request& request, root_results& results);

// Nodes of the strong search in progress, every thread's (0 between searches).
uint64_t strong_nodes_in_progress();
