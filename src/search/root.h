// Root handling that both searches share: which root moves are searched,
// how many get exact scores, which one is being searched now, and what the
// observer hears after each finished iteration.  run_search sets it up from
// the request before either search starts and clears it afterwards.
#pragma once

#include <cstdint>

#include "rules/rules.h"
#include "search/search.h"

// The root's moves for side_to_move in pos: the legal moves (each judged in
// full when strict, so that no move that leaves the king attacked is ever
// offered), less those the request's root-move filter leaves out; which
// promotions as the search asks.
void generate_root_moves(const position& pos, move_list& list, bool strict,
                         promotions which = promotions::queen_and_knight);

// How many best root moves the request wants searched to exact scores (1 to MAX_MULTI_PV).
int root_lines_wanted();

// The root move being searched and its place in the root's order, from 1
// (for progress reports and xboard's ".").
void set_current_root_move(const move& m, int number);

// A finished iteration: its best root moves and their lines become
// best_root_moves / best_root_lines (nothing is copied when best is
// best_root_moves already), and the observer (if any) hears of it, with
// every root move searched (root_moves, root_lines, root_count).
void finish_root_iteration(int depth, int32_t score, const move* best, const search_line* best_lines, int best_count,
                           const move* root_moves, const search_line* root_lines, int root_count,
                           int selective_depth);

// Whether the search is to stop now: looked at every STOP_POLL_INTERVAL
// nodes (and, with between_iterations, before a new iteration, when a stop
// held back during the first iteration acts).  Sets search_stopped when true.
// Inside the first iteration (root_depth 1) only a hard limit stops it, so
// that a turn has a move from a whole search; between iterations any stop
// condition does.  Also tells the observer, about once a second, what the
// search is doing (from node_count, root_depth, deepest_level and the
// current root move).
bool root_should_stop(bool between_iterations);
// Whether the mate the request asks for ("go mate N") is there in score.
bool root_mate_found(int32_t score);

// The budget that decides whether another iteration starts (clock units;
// milliseconds for the strong search).  A pondered turn learns its own once
// the predicted move comes (set_search_budget), so a search reads it anew
// before each iteration.
int32_t current_search_budget();

// The n-th highest of count scores (n from 1 to MAX_MULTI_PV), or none when
// fewer than n are given: the score a root move must beat to be among the n
// best lines.
int32_t nth_highest_score(const int32_t* scores, int count, int n, int32_t none);

// With several best root moves wanted: the score a root move must reach to
// be among the root_lines_wanted() best of the first searched ones in list
// (every score, -MATE_SCORE, while fewer have been searched).  Root moves
// below it may be cut short; those that reach it are searched exactly.
int32_t root_multi_pv_bound(const move_list& list, int searched);

// A root move's line: the move, then the line of the node it led to.
void set_root_line(search_line& line, const move& first, const search_line& below);

// The first count moves of list whose score is score, with their lines (by
// the same index), become best_root_moves / best_root_lines; returns how many.
int gather_best_root_moves(const move_list& list, int count, const search_line* lines, int32_t score);

// The deepest recursion level any node of this search has reached (the
// selective depth of the reports).  run_search sets it to 0; each search
// raises it as it goes.
extern int deepest_level;
