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
// offered), less those the request's root-move filter leaves out.
void generate_root_moves(const position& pos, move_list& list, bool strict);

// How many best root moves the request wants searched to exact scores (1 to MAX_MULTI_PV).
int root_lines_wanted();

// The root move being searched and its place in the root's order, from 1
// (for progress reports and xboard's ".").
void set_current_root_move(const move& m, int number);

// A finished iteration: its best root moves and their lines become
// best_root_moves / best_root_lines, and the observer (if any) hears of it,
// with every root move searched (root_moves, root_lines, root_count).
void finish_root_iteration(int depth, int32_t score, const move* best, const search_line* best_lines, int best_count,
                           const move* root_moves, const search_line* root_lines, int root_count,
                           int selective_depth);

// Whether the search is to stop now: looked at every STOP_POLL_INTERVAL
// nodes (and, with between_iterations, before a new iteration, when a stop
// held back during the first iteration acts).  Sets search_stopped when true.
bool root_should_stop(bool between_iterations);
// Whether the mate the request asks for ("go mate N") is there in score.
bool root_mate_found(int32_t score);
