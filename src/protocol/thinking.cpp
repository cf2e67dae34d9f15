// Thinking lines for xboard's "post" and UCI's "info".
#include "protocol/thinking.h"

#include <cinttypes>
#include <cstdio>

#include "io/io.h"
#include "rules/move_text.h"

namespace {
// Scores within this many plies of MATE_SCORE are mates (the search takes one
// off per ply from the root; no line reaches this deep).
constexpr int32_t MATE_RANGE = 3000;
constexpr int32_t XBOARD_MATE = 100000;
}  // namespace

int32_t score_centipawns(int32_t score) { return static_cast<int32_t>(static_cast<int64_t>(score) * 100 / 65536); }

int32_t mate_in_moves(int32_t score) {
    if (score >= MATE_SCORE - MATE_RANGE) return (MATE_SCORE - score + 1) / 2;
    if (score <= -MATE_SCORE + MATE_RANGE) return -((score + MATE_SCORE + 1) / 2);
    return 0;
}

void thinking_output::iteration_finished(const iteration_report& report) {
    char best[8] = "";
    if (report.best_count > 0) coordinate_text(report.best_moves[0], best);
    const int32_t mate = mate_in_moves(report.score);
    char line[160];
    if (style_ == style::xboard) {
        const int32_t score = mate > 0 ? XBOARD_MATE + mate : (mate < 0 ? -XBOARD_MATE + mate : score_centipawns(report.score));
        std::snprintf(line, sizeof line, "%d %d %u %" PRIu64 "%s%s", report.depth, score, report.elapsed_ms / 10,
                      report.nodes, best[0] != '\0' ? " " : "", best);
    } else {
        char score[32];
        if (mate != 0)
            std::snprintf(score, sizeof score, "mate %d", mate);
        else
            std::snprintf(score, sizeof score, "cp %d", score_centipawns(report.score));
        const uint64_t nps = report.elapsed_ms > 0 ? report.nodes * 1000 / report.elapsed_ms : report.nodes * 1000;
        // No move, no line of play: a side without a move has no "pv".
        std::snprintf(line, sizeof line, "info depth %d score %s nodes %" PRIu64 " nps %" PRIu64 " time %u%s%s",
                      report.depth, score, report.nodes, nps, report.elapsed_ms, best[0] != '\0' ? " pv " : "", best);
    }
    print_line(line);
}
