// Iterative deepening in the four clock modes, the stop conditions a search
// can be ended by, and the random choice among the equally best root moves.
#include <chrono>
#include <cstdint>

#include "book/random.h"
#include "search/search.h"
#include "search/search_internal.h"

std::atomic<bool> stop_requested{false};
move root_best_so_far = {};
bool strict_root_moves = false;

namespace {

// The limits of the search in progress (none outside a search).
search_limits active_limits;
// The clock budget that decides whether another iteration starts (a
// pondered turn learns its own once the predicted move comes).
int32_t active_budget = 0;
// The first iteration is running: only a hard limit may cut it.
bool in_first_iteration = false;

// The observer of the search in progress and when it last heard of it.
search_observer* active_observer = nullptr;
std::chrono::steady_clock::time_point search_start;
std::chrono::steady_clock::time_point last_progress;
uint64_t search_first_node = 0;
constexpr auto PROGRESS_EVERY = std::chrono::seconds(1);

uint32_t milliseconds_since(std::chrono::steady_clock::time_point start) {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// About once a second, what the search is doing, for an observer that wants it.
void report_progress() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_progress < PROGRESS_EVERY) return;
    last_progress = now;
    const progress_report report{node_count - search_first_node, milliseconds_since(search_start), root_depth,
                                 deepest_level, current_root_move, current_root_number};
    active_observer->progress(report);
}

// Whether any stop condition holds now.
bool stop_due() {
    bool stop = stop_requested.load(std::memory_order_relaxed);
    if (active_limits.poll != nullptr && active_limits.poll()) stop = true;
    if (active_limits.node_limit != 0 && node_count >= active_limits.node_limit) stop = true;
    if (active_limits.use_deadline && static_cast<int32_t>(clock_source() - active_limits.deadline) >= 0) stop = true;
    // A stop seen while it cannot act yet (in the first iteration) waits
    // for the start of the next one.
    if (stop) stop_requested.store(true, std::memory_order_relaxed);
    return stop;
}

// The mate a "go mate" asks for is there (a mate in at most that many moves).
bool mate_found(int32_t score) {
    if (active_limits.mate_moves <= 0 || best_root_count == 0) return false;
    const int32_t mate = mate_in_moves(score);
    return mate > 0 && mate <= active_limits.mate_moves;
}

// One iteration: the root for side at root_depth.  The root flips
// side_to_move once, back to side.
int32_t iterate(const position& pos, int side) {
    side_to_move = other_colour(side);
    root_best_so_far.from_file = -1;
    return search(root_depth, pos, NULL_MOVE, -MATE_SCORE, MATE_SCORE, 0);
}

// Null move and cutting switched off for a search, and back on afterwards,
// so the user sees the settings unchanged.
struct refinements_off {
    int32_t null_move = null_move_enabled;
    int32_t cutting = cutting_enabled;
    refinements_off() { null_move_enabled = cutting_enabled = 0; }
    ~refinements_off() {
        null_move_enabled = null_move;
        cutting_enabled = cutting;
    }
    refinements_off(const refinements_off&) = delete;
    refinements_off& operator=(const refinements_off&) = delete;
};

// Reports on the iterations as they finish.
struct iteration_reporter {
    search_observer* observer;
    const position* root;
    int side;
    uint64_t first_node = node_count;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    void finished(int32_t score) const {
        if (observer == nullptr) return;
        const move_list& list = root_move_list();
        const iteration_report report{root_depth,      score,           node_count - first_node,
                                      milliseconds_since(start),        best_root_moves,
                                      best_root_count, best_root_lines, deepest_level,
                                      list.moves,      root_lines,      list.count,
                                      this->root,      side};
        observer->iteration_finished(report);
    }
};

// One iteration, run to its end or stopped; true when it finished.  A first
// iteration that a hard limit cut keeps its best root move so far.
bool run_iteration(const position& pos, int side, int32_t& score) {
    in_first_iteration = root_depth == 1;
    score = iterate(pos, side);
    in_first_iteration = false;
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

void deepen_to_depth(const position& pos, int side, int depth_limit, const iteration_reporter& reporter) {
    const refinements_off forced;
    // At least one iteration, so that a position with a legal move always
    // yields one; never deeper than the frames and ply_best allow.  A stop
    // leaves root_depth one above the last finished iteration, as the loop's
    // own end does.
    const int last = depth_limit < 1 ? 1 : (depth_limit > MAX_SEARCH_DEPTH ? MAX_SEARCH_DEPTH : depth_limit);
    for (root_depth = 1; root_depth <= last; ++root_depth) {
        if (root_depth > 1 && stop_due()) {
            search_stopped = true;
            break;
        }
        int32_t score = 0;
        if (!run_iteration(pos, side, score)) break;
        reporter.finished(score);
        if (mate_found(score)) break;
    }
}

void deepen_on_clock(const position& pos, int side, int depth_limit, int mode, const iteration_reporter& reporter) {
    root_depth = 0;
    clock_restart();
    int32_t elapsed = 0;
    for (;;) {
        // One more ply costs about DEEPENING_FACTOR times the last one.  The
        // first iteration runs whatever the budget, so a turn with a legal
        // move always has one to play.
        if (root_depth > 0 && elapsed >= active_budget / DEEPENING_FACTOR) break;
        if (root_depth >= MAX_SEARCH_DEPTH) break;
        if (root_depth > 0 && stop_due()) {
            search_stopped = true;
            break;
        }
        ++root_depth;
        clock_restart();
        int32_t score = 0;
        if (!run_iteration(pos, side, score)) {
            --root_depth;  // the last finished iteration
            break;
        }
        elapsed = clock_read();
        reporter.finished(score);
        if (mate_found(score)) break;
        if ((mode == 2 || mode == 3) && root_depth >= depth_limit) break;
        if (active_limits.max_depth > 0 && root_depth >= active_limits.max_depth) break;
    }
}

}  // namespace

bool poll_stop() {
    if (search_stopped) return true;
    if (active_observer != nullptr) report_progress();
    if (!stop_due()) return false;
    if (in_first_iteration && !active_limits.stop_first_iteration) return false;
    search_stopped = true;
    return true;
}

void deepen(const position& pos, int side, int depth_limit, int32_t move_budget, int mode,
            search_observer* observer, const search_limits* limits) {
    NULL_MOVE.from_file = NULL_MOVE.from_rank = NULL_MOVE.to_file = NULL_MOVE.to_rank = -1;
    engine_side = side;
    best_root_count = 0;
    active_limits = limits != nullptr ? *limits : search_limits{};
    strict_root_moves = active_limits.strict_root;
    root_filter = active_limits.root_move_count > 0 ? active_limits.root_moves : nullptr;
    root_filter_count = active_limits.root_move_count;
    root_multi_pv = active_limits.multi_pv < 1 ? 1 : (active_limits.multi_pv > MAX_MULTI_PV ? MAX_MULTI_PV : active_limits.multi_pv);
    deepest_level = 0;
    current_root_number = 0;
    active_observer = observer;
    search_start = last_progress = std::chrono::steady_clock::now();
    search_first_node = node_count;
    if (active_limits.max_depth > 0 && active_limits.max_depth < depth_limit) depth_limit = active_limits.max_depth;
    search_stopped = false;
    stop_requested.store(false, std::memory_order_relaxed);
    active_budget = move_budget;
    const iteration_reporter reporter{observer, &pos, side};

    if (mode == 0) {
        deepen_to_depth(pos, side, depth_limit, reporter);
    } else if (mode == 2) {
        const refinements_off forced;
        deepen_on_clock(pos, side, depth_limit, mode, reporter);
    } else {
        deepen_on_clock(pos, side, depth_limit, mode, reporter);
    }
    active_limits = search_limits{};
    strict_root_moves = false;
    root_filter = nullptr;
    root_filter_count = 0;
    root_multi_pv = 1;
    active_observer = nullptr;

    // The moves best at plies 2, 3, ... become the hints at plies 0, 1, ...
    // of the next search, which starts after this move and the reply.
    for (int i = 0; i + 2 < root_depth; ++i) ply_best[i] = ply_best[i + 2];
}

search_line best_line_of(const move& m) {
    for (int i = 0; i < best_root_count; ++i)
        if (same_move(best_root_moves[i], m) && best_root_lines[i].length > 0) return best_root_lines[i];
    search_line line;
    line.length = 1;
    line.moves[0] = m;
    return line;
}

progress_report search_progress(int& root_moves) {
    root_moves = root_move_list().count;
    return progress_report{node_count - search_first_node, milliseconds_since(search_start), root_depth,
                           deepest_level, current_root_move, current_root_number};
}

void set_search_deadline(uint32_t deadline) {
    active_limits.use_deadline = true;
    active_limits.deadline = deadline;
    active_limits.stop_first_iteration = true;
}

void set_search_node_limit(uint64_t limit) {
    if (active_limits.node_limit == 0 || limit < active_limits.node_limit) active_limits.node_limit = limit;
    active_limits.stop_first_iteration = true;
}

void set_search_budget(int32_t budget) { active_budget = budget; }

bool pick_best_root_move(move& chosen) {
    if (best_root_count == 0) return false;
    chosen = best_root_moves[random_next() % best_root_count];
    return true;
}

void reset_search_state() {
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
