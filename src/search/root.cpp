// Root handling that the classic and the strong search share: the state one
// search runs under (its limits, budget, observer and root restrictions),
// the stop conditions, the root's move list, MultiPV, the root lines, the
// best root moves and what the observer hears.  run_search sets it up from
// the request and clears it when the search is over, so that nothing of a
// search outlives it except its results.
#include "search/root.h"

#include <chrono>
#include <cstring>

#include "search/request.h"
#include "search/search_internal.h"

std::atomic<bool> stop_requested{false};
int deepest_level = 0;

namespace {

// The limits of the search in progress (none outside a search).
search_limits active_limits;
// The clock budget that decides whether another iteration starts (a
// pondered turn learns its own once the predicted move comes).
int32_t active_budget = 0;
// Root moves allowed (active_limits.root_moves; nullptr: all), whether the
// root is judged strictly, and how many best root moves get exact scores.
const move* root_filter = nullptr;
int root_filter_count = 0;
bool strict_root = false;
int root_multi_pv = 1;

// The position searched, for the reports.
const position* active_position = nullptr;
int active_side = WHITE;

// The observer of the search in progress and when it last heard of it.
search_observer* active_observer = nullptr;
std::chrono::steady_clock::time_point search_start;
std::chrono::steady_clock::time_point last_progress;
uint64_t search_first_node = 0;
constexpr auto PROGRESS_EVERY = std::chrono::seconds(1);

// The root move being searched and its place in the root's order, from 1.
move current_root_move = {};
int current_root_number = 0;
// How many moves the root's list of the search in progress has.
int root_count = 0;

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

// The node budget that ends any iteration but the first has been spent.
bool soft_limit_reached() { return active_limits.soft_node_limit != 0 && node_count >= active_limits.soft_node_limit; }

// Keeps only the root moves the caller allows (squares and promotion; a
// filter move without a promotion matches a promotion's squares too).
void keep_allowed_root_moves(move_list& list) {
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        const move& m = list.moves[i];
        for (int j = 0; j < root_filter_count; ++j) {
            const move& allowed = root_filter[j];
            if (allowed.from_file == m.from_file && allowed.from_rank == m.from_rank && allowed.to_file == m.to_file &&
                allowed.to_rank == m.to_rank &&
                (m.promotion == NO_PROMOTION || allowed.promotion == m.promotion)) {
                list.moves[kept++] = m;
                break;
            }
        }
    }
    list.count = static_cast<uint16_t>(kept);
}

}  // namespace

void begin_root_search(const search_request& request, int32_t budget) {
    engine_side = request.side;
    best_root_count = 0;
    active_limits = request.limits;
    strict_root = active_limits.strict_root;
    root_filter = active_limits.root_move_count > 0 ? active_limits.root_moves : nullptr;
    root_filter_count = active_limits.root_move_count;
    root_multi_pv = active_limits.multi_pv < 1 ? 1 : (active_limits.multi_pv > MAX_MULTI_PV ? MAX_MULTI_PV : active_limits.multi_pv);
    active_position = request.pos;
    active_side = request.side;
    deepest_level = 0;
    current_root_number = 0;
    root_count = 0;
    active_observer = request.observer;
    search_start = last_progress = std::chrono::steady_clock::now();
    search_first_node = node_count;
    search_stopped = false;
    stop_requested.store(false, std::memory_order_relaxed);
    active_budget = budget;
}

void end_root_search() {
    active_limits = search_limits{};
    strict_root = false;
    root_filter = nullptr;
    root_filter_count = 0;
    root_multi_pv = 1;
    active_observer = nullptr;
    active_position = nullptr;
}

bool strict_root_in_force() { return strict_root; }

void generate_root_moves(const position& pos, move_list& list, bool strict, promotions which) {
    generate_moves(pos, list, which);
    if (strict) drop_bad_en_passant(pos, list);
    if (root_filter != nullptr) keep_allowed_root_moves(list);
    root_count = list.count;
}

int root_lines_wanted() { return root_multi_pv; }

void set_current_root_move(const move& m, int number) {
    current_root_move = m;
    current_root_number = number;
}

int32_t nth_highest_score(const int32_t* scores, int count, int n, int32_t none) {
    if (n < 1) n = 1;
    if (n > MAX_MULTI_PV) n = MAX_MULTI_PV;
    if (count < n) return none;
    int32_t top[MAX_MULTI_PV];  // the highest scores so far, highest first
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const int32_t v = scores[i];
        if (kept == n && v <= top[kept - 1]) continue;
        int j = kept < n ? kept++ : kept - 1;
        while (j > 0 && top[j - 1] < v) {
            top[j] = top[j - 1];
            --j;
        }
        top[j] = v;
    }
    return top[n - 1];
}

int32_t root_multi_pv_bound(const move_list& list, int searched) {
    if (searched < root_multi_pv) return -MATE_SCORE;
    static int32_t scores[MOVE_LIST_SIZE];  // the root's loop does not recurse into here
    for (int i = 0; i < searched; ++i) scores[i] = list.moves[i].score;
    return nth_highest_score(scores, searched, root_multi_pv, -MATE_SCORE);
}

void set_root_line(search_line& line, const move& first, const search_line& below) {
    line.moves[0] = first;
    const int length = below.length < MAX_LINE - 1 ? below.length : MAX_LINE - 1;
    std::memcpy(line.moves + 1, below.moves, sizeof(move) * static_cast<size_t>(length));
    line.length = length + 1;
}

int gather_best_root_moves(const move_list& list, int count, const search_line* lines, int32_t score) {
    int gathered = 0;
    for (int i = 0; i < count; ++i) {
        if (list.moves[i].score != score) continue;
        best_root_lines[gathered] = lines[i];
        best_root_moves[gathered++] = list.moves[i];
    }
    best_root_count = static_cast<uint16_t>(gathered);
    return gathered;
}

void finish_root_iteration(int depth, int32_t score, const move* best, const search_line* best_lines, int best_count,
                           const move* root_moves, const search_line* root_lines, int root_count_searched,
                           int selective_depth) {
    if (best != best_root_moves) {
        for (int i = 0; i < best_count; ++i) {
            best_root_moves[i] = best[i];
            best_root_lines[i] = best_lines[i];
        }
        best_root_count = static_cast<uint16_t>(best_count);
    }
    if (active_observer == nullptr) return;
    const iteration_report report{depth,           score,           node_count - search_first_node,
                                  milliseconds_since(search_start), best_root_moves,
                                  best_root_count, best_root_lines, selective_depth,
                                  root_moves,      root_lines,      root_count_searched,
                                  active_position, active_side};
    active_observer->iteration_finished(report);
}

bool root_should_stop(bool between_iterations) {
    if (between_iterations) {
        if (!stop_due() && !soft_limit_reached()) return false;
        search_stopped = true;
        return true;
    }
    if (search_stopped) return true;
    if (active_observer != nullptr) report_progress();
    if (!stop_due()) {
        if (root_depth <= 1 || !soft_limit_reached()) return false;
        search_stopped = true;
        return true;
    }
    if (root_depth <= 1 && !active_limits.stop_first_iteration) return false;
    search_stopped = true;
    return true;
}

bool root_mate_found(int32_t score) {
    if (active_limits.mate_moves <= 0 || best_root_count == 0) return false;
    const int32_t mate = mate_in_moves(score);
    return mate > 0 && mate <= active_limits.mate_moves;
}

int32_t current_search_budget() { return active_budget; }

int active_max_depth() { return active_limits.max_depth; }

progress_report search_progress(int& root_moves) {
    root_moves = root_count;
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
