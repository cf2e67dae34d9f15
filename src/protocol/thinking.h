// Thinking output: what the engine considers, in the form the protocol in
// use expects.  One source for every protocol: the search's observer
// reports, this turns the reports into lines.
//
//   UCI:    info depth D seldepth S [multipv K] score cp X|mate M nodes N nps N hashfull H time MS pv m1 m2 ...
//           info depth D seldepth S currmove M currmovenumber K nodes N nps N hashfull H time MS   (about each second)
//   xboard: D SCORE CENTISECONDS NODES SELDEPTH NPS<TAB>m1 m2 ...   (mates as 100000 + moves)
#pragma once

#include <cstdint>

#include "search/request.h"

// Centipawns of a score from the engine's side (a pawn is 65536 units).
int32_t score_centipawns(int32_t score);

// How many best moves the thinking lines show, each with its own score and
// line ("MultiPV"); the search is asked for as many exact scores.  1 keeps
// the plain search.
extern int32_t multi_pv_lines;

class thinking_output final : public search_observer {
public:
    enum class style { xboard, uci };
    explicit thinking_output(style s) : style_(s) {}
    // One line per shown root move after each finished iteration.
    void iteration_finished(const iteration_report& report) override;
    // UCI only: the move being searched and the counts, about once a second.
    void progress(const progress_report& report) override;
    // Before the engine's answer: when chosen is not the move the last line
    // began with (another of the moves tied for best), or the last iteration
    // went unprinted, that move's line is printed, so that the last line
    // shown is always the played move's.
    void before_answer(const move& chosen);
    // The second move of the last line shown for chosen, for a ponder move;
    // false when the line has none.
    bool ponder_move(move& reply) const { return has_reply_ ? (reply = reply_, true) : false; }
    // Forget the last line (a new search begins).
    void forget_last_line() { shown_ = false; has_reply_ = false; unprinted_ = false; }
    // Quiet: the iterations are followed but nothing is printed (a search
    // on the opponent's time, whose lines a GUI would take for thoughts on
    // the position it shows).
    void set_quiet(bool quiet) { quiet_ = quiet; }

private:
    void print(int multipv, int32_t score, const search_line& line);
    style style_;
    // The last iteration as reported, for before_answer.
    bool shown_ = false;
    bool quiet_ = false;
    bool unprinted_ = false;  // the last iteration's line was kept quiet
    int depth_ = 0, selective_ = 0;
    int32_t score_ = 0;
    uint64_t nodes_ = 0;
    uint64_t tb_hits_ = 0;
    uint32_t elapsed_ms_ = 0;
    move first_ = {};
    bool has_reply_ = false;
    move reply_ = {};
    search_line last_line_;
    position root_ = {};
    int side_ = WHITE;
    bool mated_ = false;  // the side to move had no move and stood in check
    // With several lines shown: the last iteration's lines and scores in the
    // order printed, so that before_answer can put the played move's first.
    int shown_count_ = 0;
    search_line shown_lines_[MAX_MULTI_PV];
    int32_t shown_scores_[MAX_MULTI_PV] = {};
};
