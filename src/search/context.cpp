// The context of one search: its stop conditions, its root-move filter,
// MultiPV and the reports to its observer.
#include "search/context.h"

#include <cstring>

std::atomic<bool> stop_requested{false};

namespace {
constexpr auto PROGRESS_EVERY = std::chrono::seconds(1);

// The search in progress, for the messages from its poll and for the
// progress a front end asks for; a private look inside a poll stacks on it.
search_context* current_search = nullptr;

uint32_t milliseconds_since(std::chrono::steady_clock::time_point start) {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}
}  // namespace

search_context::search_context(const search_request& request, root_results& results,
                               uint64_t (*nodes_of)(const void*), const void* owner)
    : request_(request),
      results_(results),
      nodes_of_(nodes_of),
      owner_(owner),
      limits_(request.limits),
      budget_ms_(request.budget_ms),
      multi_pv_(request.limits.multi_pv < 1 ? 1
                                            : (request.limits.multi_pv > MAX_MULTI_PV ? MAX_MULTI_PV
                                                                                      : request.limits.multi_pv)),
      first_node_(request.private_look ? 0 : nodes_since_start()),
      start_(std::chrono::steady_clock::now()),
      last_progress_(start_),
      outer_(current_search) {
    if (limits_.root_move_count <= 0) limits_.root_moves = nullptr;
    results_.count = 0;
    results_.stopped = false;
    if (!request.private_look) stop_requested.store(false, std::memory_order_relaxed);
    current_search = this;
}

search_context::~search_context() { current_search = outer_; }

void search_context::keep_allowed_root_moves(move_list& list) const {
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        const move& m = list.moves[i];
        for (int j = 0; j < limits_.root_move_count; ++j) {
            const move& allowed = limits_.root_moves[j];
            // A filter move without a promotion matches a promotion's squares too.
            if (allowed.from_file == m.from_file && allowed.from_rank == m.from_rank && allowed.to_file == m.to_file &&
                allowed.to_rank == m.to_rank && (m.promotion == NO_PROMOTION || allowed.promotion == m.promotion)) {
                list.moves[kept++] = m;
                break;
            }
        }
    }
    list.count = static_cast<uint16_t>(kept);
}

void search_context::generate_root_moves(const position& pos, move_list& list, bool strict, promotions which) {
    generate_moves(pos, list, which);
    if (strict) drop_bad_en_passant(pos, list);
    if (limits_.root_moves != nullptr) keep_allowed_root_moves(list);
    root_count_ = list.count;
}

void search_context::report_progress() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_progress_ < PROGRESS_EVERY) return;
    last_progress_ = now;
    request_.observer->progress(progress_now());
}

progress_report search_context::progress_now() const {
    return progress_report{searched_nodes(), milliseconds_since(start_), depth_in_progress,
                           selective_depth, current_move_, current_number_, tb_hits};
}

bool search_context::stop_due() {
    // A private look ends on its own limits only: a stop meant for the game's
    // search is not its business.
    bool stop = !request_.private_look && stop_requested.load(std::memory_order_relaxed);
    if (limits_.poll != nullptr && limits_.poll()) stop = true;
    if (limits_.node_limit != 0 && first_node_ + searched_nodes() >= limits_.node_limit) stop = true;
    if (limits_.use_deadline && static_cast<int32_t>(clock_source() - limits_.deadline) >= 0) stop = true;
    // A stop seen while it cannot act yet (in the first iteration) waits
    // for the start of the next one.
    if (stop && !request_.private_look) stop_requested.store(true, std::memory_order_relaxed);
    return stop;
}

bool search_context::soft_limit_reached() const {
    return limits_.soft_node_limit != 0 && first_node_ + searched_nodes() >= limits_.soft_node_limit;
}

bool search_context::should_stop(bool between_iterations) {
    if (between_iterations) {
        if (!stop_due() && !soft_limit_reached()) return false;
        results_.stopped = true;
        return true;
    }
    if (results_.stopped) return true;
    if (request_.observer != nullptr) report_progress();
    if (!stop_due()) {
        if (depth_in_progress <= 1 || !soft_limit_reached()) return false;
        results_.stopped = true;
        return true;
    }
    if (depth_in_progress <= 1 && !limits_.stop_first_iteration) return false;
    results_.stopped = true;
    return true;
}

bool search_context::mate_found(int32_t score) const {
    if (limits_.mate_moves <= 0 || results_.count == 0) return false;
    const int32_t mate = mate_in_moves(score);
    return mate > 0 && mate <= limits_.mate_moves;
}

void search_context::finish_iteration(int depth, int32_t score, const move* best, const search_line* best_lines,
                                      int best_count, const move* root_moves, const search_line* root_lines,
                                      int root_count, int selective) {
    if (best != results_.moves) {
        for (int i = 0; i < best_count; ++i) {
            results_.moves[i] = best[i];
            results_.lines[i] = best_lines[i];
        }
        results_.count = best_count;
    }
    if (request_.observer == nullptr) return;
    const iteration_report report{depth,           score,           searched_nodes(),
                                  milliseconds_since(start_), results_.moves,
                                  results_.count,  results_.lines,  selective,
                                  root_moves,      root_lines,      root_count,
                                  request_.pos,    request_.side,   tb_hits};
    request_.observer->iteration_finished(report);
}

int search_context::gather_best_root_moves(const move_list& list, int count, const search_line* lines,
                                           int32_t score) {
    int gathered = 0;
    for (int i = 0; i < count; ++i) {
        if (list.moves[i].score != score) continue;
        results_.lines[gathered] = lines[i];
        results_.moves[gathered++] = list.moves[i];
    }
    results_.count = gathered;
    return gathered;
}

int32_t search_context::multi_pv_bound(const move_list& list, int searched) const {
    if (searched < multi_pv_) return -MATE_SCORE;
    int32_t scores[MOVE_LIST_SIZE];
    for (int i = 0; i < searched; ++i) scores[i] = list.moves[i].score;
    return nth_highest_score(scores, searched, multi_pv_, -MATE_SCORE);
}

void search_context::tell_deadline(uint32_t deadline) {
    limits_.use_deadline = true;
    limits_.deadline = deadline;
    limits_.stop_first_iteration = true;
}

void search_context::tell_node_limit(uint64_t limit) {
    if (limits_.node_limit == 0 || limit < limits_.node_limit) limits_.node_limit = limit;
    limits_.stop_first_iteration = true;
}

void tell_search_deadline(uint32_t deadline) {
    if (current_search != nullptr) current_search->tell_deadline(deadline);
}
void tell_search_node_limit(uint64_t limit) {
    if (current_search != nullptr) current_search->tell_node_limit(limit);
}
void tell_search_budget(int32_t budget_ms) {
    if (current_search != nullptr) current_search->tell_budget(budget_ms);
}

progress_report search_progress(int& root_moves) {
    if (current_search == nullptr) {
        root_moves = 0;
        return progress_report{0, 0, 0, 0, move{}, 0};
    }
    root_moves = current_search->root_move_count();
    return current_search->progress_now();
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

void set_root_line(search_line& line, const move& first, const search_line& below) {
    line.moves[0] = first;
    const int length = below.length < MAX_LINE - 1 ? below.length : MAX_LINE - 1;
    std::memcpy(line.moves + 1, below.moves, sizeof(move) * static_cast<size_t>(length));
    line.length = length + 1;
}
