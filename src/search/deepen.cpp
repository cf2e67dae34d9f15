// The one way into a search (run_search), iterative deepening of the
// classic search in its four clock modes, and the random choice among the
// equally best root moves.
#include <cstdint>
#include <cstring>

#include "book/book.h"
#include "book/random.h"
#include "search/request.h"
#include "search/root.h"
#include "search/search.h"
#include "search/search_internal.h"
#include "search/strong.h"

move root_best_so_far = {};

namespace {

// One iteration: the root for side at root_depth.  The root flips
// side_to_move once, back to side.
int32_t iterate(const position& pos, int side) {
    side_to_move = other_colour(side);
    root_best_so_far.from_file = -1;
    return search(root_depth, pos, NULL_MOVE, -MATE_SCORE, MATE_SCORE, 0);
}

// The last finished iteration of a classic search.
struct finished_iteration {
    int depth = 0;
    int32_t score = 0;
};

// A finished iteration of the classic search: its best root moves (gathered
// by the root node) and every root move go to the shared root handling.
void report_iteration(int32_t score, finished_iteration& last) {
    const move_list& list = root_move_list();
    finish_root_iteration(root_depth, score, best_root_moves, best_root_lines, best_root_count, list.moves,
                          root_lines, list.count, deepest_level);
    last.depth = root_depth;
    last.score = score;
}

// One iteration, run to its end or stopped; true when it finished.  A first
// iteration that a hard limit cut keeps its best root move so far.
bool run_iteration(const position& pos, int side, int32_t& score) {
    score = iterate(pos, side);
    if (!search_stopped) return true;
    side_to_move = side;
    if (root_depth == 1) {
        best_root_count = 0;
        if (root_best_so_far.from_file >= 0) {
            best_root_lines[0].length = 1;
            best_root_lines[0].moves[0] = root_best_so_far;
            best_root_moves[best_root_count++] = root_best_so_far;
        }
    }
    return false;
}

finished_iteration deepen_to_depth(const position& pos, int side, int depth_limit) {
    finished_iteration last;
    // At least one iteration, so that a position with a legal move always
    // yields one; never deeper than the frames and ply_best allow.  A stop
    // leaves root_depth one above the last finished iteration, as the loop's
    // own end does.
    const int deepest = depth_limit < 1 ? 1 : (depth_limit > MAX_SEARCH_DEPTH ? MAX_SEARCH_DEPTH : depth_limit);
    for (root_depth = 1; root_depth <= deepest; ++root_depth) {
        if (root_depth > 1 && root_should_stop(true)) break;
        int32_t score = 0;
        if (!run_iteration(pos, side, score)) break;
        report_iteration(score, last);
        if (root_mate_found(score)) break;
    }
    return last;
}

finished_iteration deepen_on_clock(const position& pos, int side, int depth_limit, int mode) {
    finished_iteration last;
    root_depth = 0;
    clock_restart();
    int32_t elapsed = 0;
    for (;;) {
        // One more ply costs about DEEPENING_FACTOR times the last one.  The
        // first iteration runs whatever the budget, so a turn with a legal
        // move always has one to play.
        if (root_depth > 0 && elapsed >= current_search_budget() / DEEPENING_FACTOR) break;
        if (root_depth >= MAX_SEARCH_DEPTH) break;
        if (root_depth > 0 && root_should_stop(true)) break;
        ++root_depth;
        clock_restart();
        int32_t score = 0;
        if (!run_iteration(pos, side, score)) {
            --root_depth;  // the last finished iteration
            break;
        }
        elapsed = clock_read();
        report_iteration(score, last);
        if (root_mate_found(score)) break;
        if ((mode == 2 || mode == 3) && root_depth >= depth_limit) break;
        if (active_max_depth() > 0 && root_depth >= active_max_depth()) break;
    }
    return last;
}

}  // namespace

search_result run_search(const search_request& request) {
    NULL_MOVE.from_file = NULL_MOVE.from_rank = NULL_MOVE.to_file = NULL_MOVE.to_rank = -1;
    begin_root_search(request, request.budget);
    const uint64_t first_node = node_count;
    const position& pos = *request.pos;
    const int side = request.side;
    finished_iteration last;
    if (request.engine == search_engine::strong) {
        last.score = strong_deepen(request);
        last.depth = root_depth;
    } else {
        int depth_limit = request.depth_limit;
        const int cap = request.limits.max_depth;
        if (cap > 0 && cap < depth_limit) depth_limit = cap;
        // The fixed depth (mode 0) and mode 2 search without null move and
        // cutting, whatever the user's switches say; only this search.
        refinements_suspended = request.mode == 0 || request.mode == 2;
        if (request.mode == 0)
            last = deepen_to_depth(pos, side, depth_limit);
        else
            last = deepen_on_clock(pos, side, depth_limit, request.mode);
        refinements_suspended = false;
        // The moves best at plies 2, 3, ... become the hints at plies 0, 1, ...
        // of the next search, which starts after this move and the reply.
        for (int i = 0; i + 2 < root_depth; ++i) ply_best[i] = ply_best[i + 2];
    }
    end_root_search();
    side_to_move = side;

    search_result result;
    result.best_moves = best_root_moves;
    result.best_lines = best_root_lines;
    result.best_count = best_root_count;
    result.score = last.score;
    result.depth = last.depth;
    result.stopped = search_stopped;
    result.nodes = node_count - first_node;
    return result;
}

void deepen(const position& pos, int side, int depth_limit, int32_t move_budget, int mode,
            search_observer* observer, const search_limits* limits) {
    search_request request;
    request.pos = &pos;
    request.side = side;
    request.mode = mode;
    request.depth_limit = depth_limit;
    request.budget = move_budget;
    if (limits != nullptr) request.limits = *limits;
    request.observer = observer;
    run_search(request);
}

search_line best_line_of(const move& m) {
    for (int i = 0; i < best_root_count; ++i)
        if (same_move(best_root_moves[i], m) && best_root_lines[i].length > 0) return best_root_lines[i];
    search_line line;
    line.length = 1;
    line.moves[0] = m;
    return line;
}

bool pick_best_root_move(move& chosen) {
    if (best_root_count == 0) return false;
    chosen = best_root_moves[random_next() % best_root_count];
    return true;
}

void reset_search_state() {
    reset_clock();
    for (move& m : ply_best) m = move{};
    for (move& m : best_root_moves) m = move{};
    for (search_line& line : best_root_lines) line.length = 0;
    best_root_count = 0;
    deepest_level = 0;
    root_best_so_far = move{};
    root_depth = 0;
    node_count = 0;
    search_stopped = false;
    stop_requested.store(false, std::memory_order_relaxed);
}

namespace {
// The traces kept by keep_search_traces (static: keeping them allocates nothing).
struct search_traces {
    move hints[PLY_BEST_SIZE];
    move best_moves[MOVE_LIST_SIZE];
    search_line best_lines[MOVE_LIST_SIZE];
    uint16_t best_count;
    move best_so_far;
    int depth, deepest, side;
    uint64_t nodes;
    bool stopped, suspended;
    uint32_t random;
    book_entry book[BOOK_SLOTS];
} kept_traces;
}  // namespace

void keep_search_traces() {
    search_traces& k = kept_traces;
    std::memcpy(k.hints, ply_best, sizeof ply_best);
    std::memcpy(k.best_moves, best_root_moves, sizeof best_root_moves);
    std::memcpy(k.best_lines, best_root_lines, sizeof best_root_lines);
    k.best_count = best_root_count;
    k.best_so_far = root_best_so_far;
    k.depth = root_depth;
    k.deepest = deepest_level;
    k.side = engine_side;
    k.nodes = node_count;
    k.stopped = search_stopped;
    k.suspended = refinements_suspended;
    k.random = random_state_now();
    std::memcpy(k.book, book_table, sizeof book_table);
}

void restore_search_traces() {
    const search_traces& k = kept_traces;
    std::memcpy(ply_best, k.hints, sizeof ply_best);
    std::memcpy(best_root_moves, k.best_moves, sizeof best_root_moves);
    std::memcpy(best_root_lines, k.best_lines, sizeof best_root_lines);
    best_root_count = k.best_count;
    root_best_so_far = k.best_so_far;
    root_depth = k.depth;
    deepest_level = k.deepest;
    engine_side = k.side;
    node_count = k.nodes;
    search_stopped = k.stopped;
    refinements_suspended = k.suspended;
    random_seed(k.random);
    std::memcpy(book_table, k.book, sizeof book_table);
}
