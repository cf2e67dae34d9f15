// Thinking output: what the engine considers, after each finished iteration,
// in the form the protocol in use expects.  One source for every protocol:
// the search's observer reports, this turns the report into lines.
#pragma once

#include <cstdint>

#include "search/search.h"

// Centipawns of a score from the engine's side (a pawn is 65536 units).
int32_t score_centipawns(int32_t score);
// Moves to mate of a mate score (positive: the engine mates; negative: it is
// mated), or 0 for an ordinary score.
int32_t mate_in_moves(int32_t score);

class thinking_output final : public search_observer {
public:
    enum class style { xboard, uci };
    explicit thinking_output(style s) : style_(s) {}
    // One line per finished iteration: "ply score time nodes pv" for xboard
    // (score in centipawns, mates as 100000 + moves, time in centiseconds),
    // "info depth ... score cp|mate ... nodes ... nps ... time ... pv ..." for UCI.
    void iteration_finished(const iteration_report& report) override;

private:
    style style_;
};
