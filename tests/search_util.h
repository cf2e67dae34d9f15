// Searches as the tests run them: the classic search through run_search in
// a clock mode, as the engine's turn and the tools call it, and the result
// of the last one.
#pragma once

#include "search/classic_search.h"
#include "search/request.h"

// The result of the last search a test ran through run_classic or its own root search.
inline search_result last_found;

// The classic search of pos for side in clock mode (0 to 3), to depth, with
// budget milliseconds; limits (may be null) as the request's.
inline search_result run_classic(const position& pos, int side, int depth, int32_t budget_ms, int mode,
                                 search_observer* observer = nullptr, const search_limits* limits = nullptr) {
    search_request request = classic_request(pos, side, depth, budget_ms, mode);
    if (limits != nullptr) request.limits = *limits;
    request.observer = observer;
    last_found = run_search(request);
    return last_found;
}

// One call of the classic node procedure on pos under a context of the
// test's own (no limits), in an iteration at root_depth: the root when depth
// is root_depth, a node below it otherwise.  What its unit tests look at.  The root's best moves go to last_found.
inline int32_t classic_node_alone(int root_depth, int depth, const position& pos, int side, int32_t alpha,
                                  int32_t beta) {
    static root_results results;
    search_request request;
    request.pos = &pos;
    request.side = side;
    search_context context(request, results, [](const void*) { return uint64_t{0}; }, nullptr);
    const int32_t v = classic_node_in(context, root_depth, depth, pos, NULL_MOVE, alpha, beta, 0);
    last_found = search_result{};
    last_found.best_moves = results.moves;
    last_found.best_lines = results.lines;
    last_found.best_count = results.count;
    last_found.stopped = results.stopped;
    return v;
}
