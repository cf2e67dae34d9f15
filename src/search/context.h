// What one search knows while it runs, shared by the classic and the strong
// search: its limits, budget and observer, the root-move filter, MultiPV,
// the timers, the root move in progress, the stop conditions, and where its
// best root moves go.  run_search makes one for each search from the
// request; it lives as long as that search and no longer.  Only the thread
// that decides the move uses it; the strong search's helper threads hear
// only "stop".
#pragma once

#include <chrono>
#include <cstdint>

#include "rules/rules.h"
#include "search/report.h"
#include "search/request.h"

// A search's best root moves: those sharing the best score, each with its
// line, and whether a stop condition ended the search.
struct root_results {
    move moves[MOVE_LIST_SIZE];
    search_line lines[MOVE_LIST_SIZE];
    int count = 0;
    bool stopped = false;
};

class search_context {
public:
    // The context of request's search, its best root moves into results
    // (emptied now); nodes_of(owner) counts the nodes the search has made.
    search_context(const search_request& request, root_results& results, uint64_t (*nodes_of)(const void*),
                   const void* owner);
    ~search_context();
    search_context(const search_context&) = delete;
    search_context& operator=(const search_context&) = delete;

    const search_request& asked() const { return request_; }
    root_results& best_root() { return results_; }

    // The root's moves in pos for the side to move: the legal moves (each
    // judged in full when strict, so that no move that leaves the king
    // attacked is ever offered), less those the root-move filter leaves
    // out; which promotions as the search asks.
    void generate_root_moves(const position& pos, move_list& list, bool strict,
                             promotions which = promotions::queen_and_knight);
    int root_move_count() const { return root_count_; }
    bool strict_root() const { return limits_.strict_root; }
    // How many best root moves get exact scores (1 to MAX_MULTI_PV).
    int lines_wanted() const { return multi_pv_; }
    // The depth cap of the request (0: none).
    int max_depth() const { return limits_.max_depth; }
    // The budget that decides whether another iteration starts (a pondered
    // turn learns its own once the predicted move comes, so a search reads
    // it anew before each iteration).
    int32_t budget_ms() const { return budget_ms_; }

    // The root move being searched and its place in the root's order, from 1
    // (for progress reports and xboard's "."), and the iteration in
    // progress and the deepest level reached (for the reports).
    void set_current_root_move(const move& m, int number) {
        current_move_ = m;
        current_number_ = number;
    }
    int depth_in_progress = 0;
    int selective_depth = 0;
    // Endgame-table probes that answered so far, every thread's (the
    // search keeps it up to date for the reports).
    uint64_t tb_hits = 0;

    // Whether the search is to stop now: looked at every STOP_POLL_INTERVAL
    // nodes (and, with between_iterations, before a new iteration, when a
    // stop held back during the first iteration acts).  Marks the results
    // stopped when true.  Inside the first iteration only a hard limit stops
    // it, so that a turn has a move from a whole search; between iterations
    // any stop condition does.  Also tells the observer, about once a second,
    // what the search is doing.
    bool should_stop(bool between_iterations);
    bool is_stopped() const { return results_.stopped; }
    void mark_stopped() { results_.stopped = true; }
    // Whether the mate the request asks for ("go mate N") is there in score.
    bool mate_found(int32_t score) const;

    // A finished iteration: its best root moves and their lines become the
    // results (nothing is copied when best is the results' own), and the
    // observer (if any) hears of it, with every root move searched.
    void finish_iteration(int depth, int32_t score, const move* best, const search_line* best_lines, int best_count,
                          const move* root_moves, const search_line* root_lines, int root_count, int selective);
    // The first count moves of list whose score is score, with their lines
    // (by the same index), become the results; returns how many.
    int gather_best_root_moves(const move_list& list, int count, const search_line* lines, int32_t score);
    // With several best root moves wanted: the score a root move must reach
    // to be among the lines_wanted() best of the first searched ones in list
    // (every score, -MATE_SCORE, while fewer have been searched).
    int32_t multi_pv_bound(const move_list& list, int searched) const;

    // The nodes this search may make before its node limit (0: none).
    uint64_t node_budget() const {
        if (limits_.node_limit == 0) return 0;
        return limits_.node_limit > first_node_ ? limits_.node_limit - first_node_ : 1;
    }
    // Nodes of this search so far.
    uint64_t searched_nodes() const { return nodes_of_(owner_); }
    // What the search is doing now, and how many root moves it has.
    progress_report progress_now() const;

    // Messages from the poll (see request.h).
    void tell_deadline(uint32_t deadline);
    void tell_node_limit(uint64_t limit);
    void tell_budget(int32_t budget_ms) { budget_ms_ = budget_ms; }


private:
    bool stop_due();
    bool soft_limit_reached() const;
    void keep_allowed_root_moves(move_list& list) const;
    void report_progress();

    const search_request& request_;
    root_results& results_;
    uint64_t (*nodes_of_)(const void*);
    const void* owner_;
    search_limits limits_;
    int32_t budget_ms_;
    int multi_pv_;
    uint64_t first_node_;
    std::chrono::steady_clock::time_point start_, last_progress_;
    move current_move_{};
    int current_number_ = 0;
    int root_count_ = 0;
    search_context* outer_;  // a search in progress when this one began (a private look inside a poll)
};

// The n-th highest of count scores (n from 1 to MAX_MULTI_PV), or none when
// fewer than n are given: the score a root move must beat to be among the n
// best lines.
int32_t nth_highest_score(const int32_t* scores, int count, int n, int32_t none);

// A root move's line: the move, then the line of the node it led to.
void set_root_line(search_line& line, const move& first, const search_line& below);
