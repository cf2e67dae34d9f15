// What a search tells whoever watches it: the lines it found, a report after
// each finished iteration and now and then while one runs.  The front ends
// turn these into thinking output; the search itself prints nothing.
#pragma once

#include <cstdint>

#include "eval/eval.h"
#include "rules/rules.h"
#include "settings/settings.h"

// A line of play the search found: its first move and the best replies to
// it, as far as the iteration's depth reaches (or where a mate ends it).
inline constexpr int MAX_LINE = MAX_SEARCH_DEPTH;
// The most root moves that can be asked for with their exact scores.
inline constexpr int MAX_MULTI_PV = 64;
struct search_line {
    int length = 0;
    move moves[MAX_LINE];
};

// Scores within this many plies of MATE_SCORE are mates (the search takes one
// off per ply from the root; no line reaches this deep).
inline constexpr int32_t MATE_RANGE = 3000;
// Moves to mate of a score (positive: the engine mates; negative: it is
// mated), or 0 for an ordinary score.
inline int32_t mate_in_moves(int32_t score) {
    if (score >= MATE_SCORE - MATE_RANGE) return (MATE_SCORE - score + 1) / 2;
    if (score <= -MATE_SCORE + MATE_RANGE) return -((score + MATE_SCORE + 1) / 2);
    return 0;
}

// What an observer learns after each finished iteration.
struct iteration_report {
    int depth;                 // the iteration's depth
    int32_t score;             // the root's score, from the engine's side
    uint64_t nodes;            // nodes of this search so far (every thread's)
    uint32_t elapsed_ms;       // since the search began
    const move* best_moves;    // the root moves sharing the best score
    int best_count;
    const search_line* best_lines;  // the line of each best move
    int selective_depth;       // the deepest ply any node of the search reached
    // Every root move searched, in search order, with its score (exact for
    // the multi_pv best, a bound for the others) and its line.
    const move* root_moves;
    const search_line* root_lines;
    int root_count;
    const position* root_position;  // the position searched, with side to move
    int side;
    uint64_t tb_hits = 0;      // endgame-table probes that answered, every thread's
};

// What an observer learns now and then while an iteration runs (about once
// a second), for a GUI whose pane should not stand still.
struct progress_report {
    uint64_t nodes;            // nodes of this search so far (every thread's)
    uint32_t elapsed_ms;
    int depth;                 // the iteration in progress
    int selective_depth;
    move current_move;         // the root move being searched
    int current_number;        // its place in the root's order, from 1
    uint64_t tb_hits = 0;      // endgame-table probes that answered, every thread's
};

// Told about each finished iteration; front ends turn it into thinking
// output.  Only the thread that decides the move reports.
class search_observer {
public:
    virtual void iteration_finished(const iteration_report& report) = 0;
    virtual void progress(const progress_report&) {}

protected:
    ~search_observer() = default;
};
