// Search: the two searches and what they share.  The classic search
// (classic_search.*) is the classic engine's alpha-beta procedure, exact to
// its trees, on one thread; the strong search (strong_search.*) is a
// principal-variation search with one searcher a thread and one shared
// transposition table (transposition_table.*).  Both are entered here, by
// run_search, and only here: it makes the search's context (context.*: the
// limits, the stop conditions, the root moves, MultiPV and the reports to
// the observer) from the request (request.h) and hands it to the one the
// request names.  This file also keeps the game search's last results (the
// move to play, its line), the node count, and the traces a look that must
// leave none keeps.  The search prints nothing: it reports (report.h).
#include <cstdint>
#include <cstring>

#include "book/book.h"
#include "book/random.h"
#include "search/classic_search.h"
#include "search/context.h"
#include "search/request.h"
#include "search/strong_search.h"
#include "search/tablebase.h"

namespace {

// The best root moves of the game's last search; a private look has its own.
root_results game_results;
root_results private_results;

// The classic search counts into node_count; owner is where it stood at the start.
uint64_t classic_nodes_of(const void* owner) { return node_count - *static_cast<const uint64_t*>(owner); }

}  // namespace

search_result run_search(const search_request& request) {
    const bool private_look = request.private_look && request.engine == search_engine::strong;
    root_results& results = private_look ? private_results : game_results;
    if (!private_look) engine_side = request.side;
    search_result result;
    if (request.engine == search_engine::strong) {
        const strong_outcome outcome = run_strong_search(request, results);
        if (!private_look) node_count += outcome.nodes;
        result.score = outcome.score;
        result.depth = outcome.depth;
        result.nodes = outcome.nodes;
    } else {
        const uint64_t start = node_count;
        search_context context(request, results, classic_nodes_of, &start);
        const classic_outcome outcome = classic_deepen(context);
        result.score = outcome.score;
        result.depth = outcome.depth;
        result.nodes = node_count - start;
    }
    side_to_move = request.side;
    result.best_moves = results.moves;
    result.best_lines = results.lines;
    result.best_count = results.count;
    result.stopped = results.stopped;
    return result;
}

uint64_t nodes_since_start() { return node_count + strong_nodes_in_progress(); }

search_line best_line_of(const move& m) {
    for (int i = 0; i < game_results.count; ++i)
        if (same_move(game_results.moves[i], m) && game_results.lines[i].length > 0) return game_results.lines[i];
    search_line line;
    line.length = 1;
    line.moves[0] = m;
    return line;
}

bool pick_best_root_move(move& chosen) {
    if (game_results.count == 0) return false;
    chosen = game_results.moves[random_next() % game_results.count];
    return true;
}

bool last_search_stopped() { return game_results.stopped; }

void reset_search_state() {
    reset_clock();
    reset_classic_search();
    for (move& m : game_results.moves) m = move{};
    for (search_line& line : game_results.lines) line.length = 0;
    game_results.count = 0;
    game_results.stopped = false;
    stop_requested.store(false, std::memory_order_relaxed);
    strong_release_table();
    set_search_threads(1);
    set_strong_hash_mb(DEFAULT_HASH_MB);
    tb_reset();
}

namespace {
// The traces kept by keep_search_traces besides the classic search's own
// (static: keeping them allocates nothing).
struct search_traces {
    root_results results;
    int side;
    uint32_t random;
    book_entry book[BOOK_SLOTS];
} kept_traces;
}  // namespace

void keep_search_traces() {
    keep_classic_traces();
    kept_traces.results = game_results;
    kept_traces.side = engine_side;
    kept_traces.random = random_state_now();
    std::memcpy(kept_traces.book, book_table, sizeof book_table);
}

void restore_search_traces() {
    restore_classic_traces();
    game_results = kept_traces.results;
    engine_side = kept_traces.side;
    random_seed(kept_traces.random);
    std::memcpy(book_table, kept_traces.book, sizeof book_table);
}
