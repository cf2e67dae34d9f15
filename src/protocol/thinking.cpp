// Thinking lines for xboard's "post" and UCI's "info".
#include "protocol/thinking.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "game/strength.h"
#include "io/io.h"
#include "rules/move_text.h"
#include "search/request.h"
#include "search/tablebase.h"
#include "settings/settings.h"

int32_t multi_pv_lines = 1;

namespace {
// hashfull: how full the table of the search that thinks is (the learning
// book for the classic search, the transposition table for the strong one).
int table_fill_permille() { return strong_search_thinks() ? strong_table_permill() : book_fill_permille(); }
}  // namespace

namespace {
constexpr int32_t XBOARD_MATE = 100000;

uint64_t nodes_per_second(uint64_t nodes, uint32_t ms) { return ms > 0 ? nodes * 1000 / ms : nodes * 1000; }

// The endgame tables' probes, shown while tables are loaded (and only then,
// so that lines without them stay as GUIs have always seen them): UCI's
// " tbhits N", and xboard's seventh field after the nodes.
void tb_hits_text(char* out, size_t size, uint64_t hits, bool xboard) {
    if (tb_largest() == 0) {
        out[0] = '\0';
        return;
    }
    std::snprintf(out, size, xboard ? " %" PRIu64 : " tbhits %" PRIu64, hits);
}

// The part of line that can be played from pos with side to move, move by
// move: a line is checked against the legal moves before a GUI sees it.
// castles[i] (when not nullptr) is set to whether move i castles in a
// Chess960 position, which xboard writes "O-O" or "O-O-O".
int playable_length(const position& root, int side, const search_line& line, bool* castles = nullptr) {
    static position pos;
    static move_list legal;
    copy_position(pos, root);
    const int saved = side_to_move;
    side_to_move = side;
    int length = 0;
    for (; length < line.length; ++length) {
        const move& m = line.moves[length];
        generate_moves(pos, legal);
        bool found = false;
        for (int i = 0; i < legal.count && !found; ++i) found = same_move(legal.moves[i], m);
        if (!found || leaves_king_attacked_after_making(pos, m)) break;
        if (castles != nullptr) castles[length] = pos.chess960 && is_castling(pos, m);
        make_move(pos, m);
        side_to_move = other_colour(side_to_move);
    }
    side_to_move = saved;
    return length;
}

// The root moves in order of score, best first (stable: among equal scores
// the search's order), as indices into the root list; at most count.
int ranked(const iteration_report& report, int* order, int count) {
    int n = 0;
    for (int i = 0; i < report.root_count; ++i) {
        const int32_t v = report.root_moves[i].score;
        if (n == count && v <= report.root_moves[order[n - 1]].score) continue;
        int j = n < count ? n++ : count - 1;
        while (j > 0 && report.root_moves[order[j - 1]].score < v) {
            order[j] = order[j - 1];
            --j;
        }
        order[j] = i;
    }
    return n;
}
}  // namespace

int32_t score_centipawns(int32_t score) { return static_cast<int32_t>(static_cast<int64_t>(score) * 100 / 65536); }

void thinking_output::print(int multipv, int32_t score, const search_line& line) {
    bool castles[MAX_LINE];
    const int length = playable_length(root_, side_, line, castles);
    char moves[MAX_LINE * 6 + 8] = "";
    size_t used = 0;
    for (int i = 0; i < length; ++i) {
        char text[8];
        if (castles[i] && style_ == style::xboard)
            std::snprintf(text, sizeof text, "%s", castling_word(line.moves[i]));
        else
            coordinate_text(line.moves[i], text);
        used += static_cast<size_t>(std::snprintf(moves + used, sizeof moves - used, "%s%s", i > 0 ? " " : "", text));
    }
    const int32_t mate = mated_ ? 0 : mate_in_moves(score);
    const uint64_t nps = nodes_per_second(nodes_, elapsed_ms_);
    char out[MAX_LINE * 6 + 256];
    char hits[32];
    tb_hits_text(hits, sizeof hits, tb_hits_, style_ == style::xboard);
    if (style_ == style::xboard) {
        int32_t shown = mate > 0 ? XBOARD_MATE + mate : (mate < 0 ? -XBOARD_MATE + mate : score_centipawns(score));
        if (mated_) shown = -XBOARD_MATE;
        std::snprintf(out, sizeof out, "%d %d %u %" PRIu64 " %d %" PRIu64 "%s%s%s", depth_, shown, elapsed_ms_ / 10,
                      nodes_, selective_, nps, hits, length > 0 ? "\t" : "", moves);
    } else {
        char score_text[32];
        if (mated_)
            std::snprintf(score_text, sizeof score_text, "mate 0");
        else if (mate != 0)
            std::snprintf(score_text, sizeof score_text, "mate %d", mate);
        else
            std::snprintf(score_text, sizeof score_text, "cp %d", score_centipawns(score));
        char multi[24] = "";
        if (multipv > 0) std::snprintf(multi, sizeof multi, " multipv %d", multipv);
        // No move, no line of play: a side without a move has no "pv".
        std::snprintf(out, sizeof out,
                      "info depth %d seldepth %d%s score %s nodes %" PRIu64 " nps %" PRIu64 "%s hashfull %d time %u%s%s",
                      depth_, selective_, multi, score_text, nodes_, nps, hits, table_fill_permille(), elapsed_ms_,
                      length > 0 ? " pv " : "", moves);
    }
    if (quiet_) {
        unprinted_ = true;
    } else {
        print_line(out);
        unprinted_ = false;
    }
    if (multipv <= 1) {
        last_line_ = line;
        last_line_.length = length;
        first_ = length > 0 ? line.moves[0] : move{};
        has_reply_ = length > 1;
        if (has_reply_) reply_ = line.moves[1];
    }
}

void thinking_output::iteration_finished(const iteration_report& report) {
    shown_ = true;
    depth_ = report.depth;
    selective_ = report.selective_depth > report.depth ? report.selective_depth : report.depth;
    score_ = report.score;
    nodes_ = report.nodes;
    tb_hits_ = report.tb_hits;
    elapsed_ms_ = report.elapsed_ms;
    copy_position(root_, *report.root_position);
    side_ = report.side;
    // No move at all: mated when in check, else a draw (stalemate or a drawn position).
    mated_ = report.best_count == 0 && report.root_count == 0 && report.score <= -MATE_SCORE + MATE_RANGE;
    if (report.best_count == 0 && !mated_) score_ = 0;
    const int wanted = multi_pv_lines < 1 ? 1 : (multi_pv_lines > MAX_MULTI_PV ? MAX_MULTI_PV : multi_pv_lines);
    shown_count_ = 0;
    if (wanted == 1 || report.root_count <= 1) {
        static search_line none;
        print(0, score_, report.best_count > 0 ? report.best_lines[0] : none);
        return;
    }
    int order[MAX_MULTI_PV];
    const int n = ranked(report, order, wanted);
    for (int k = 0; k < n; ++k) {
        const int i = order[k];
        // The best line is the one the move is chosen from: the first of the tied best.
        const search_line& line = k == 0 && report.best_count > 0 ? report.best_lines[0] : report.root_lines[i];
        const int32_t score = k == 0 ? report.score : report.root_moves[i].score;
        print(k + 1, score, line);
        shown_lines_[k] = line;
        shown_scores_[k] = score;
        shown_count_ = k + 1;
        if (k == 0) {
            last_line_ = line;
            first_ = line.length > 0 ? line.moves[0] : move{};
            has_reply_ = line.length > 1;
            if (has_reply_) reply_ = line.moves[1];
        }
    }
}

void thinking_output::progress(const progress_report& report) {
    if (style_ != style::uci) return;
    char text[8] = "";
    char out[256];
    const uint64_t nps = nodes_per_second(report.nodes, report.elapsed_ms);
    char hits[32];
    tb_hits_text(hits, sizeof hits, report.tb_hits, false);
    if (report.current_number > 0) {
        coordinate_text(report.current_move, text);
        std::snprintf(out, sizeof out,
                      "info depth %d seldepth %d currmove %s currmovenumber %d nodes %" PRIu64 " nps %" PRIu64
                      "%s hashfull %d time %u",
                      report.depth, report.selective_depth, text, report.current_number, report.nodes, nps, hits,
                      table_fill_permille(), report.elapsed_ms);
    } else {
        std::snprintf(out, sizeof out, "info nodes %" PRIu64 " nps %" PRIu64 "%s time %u", report.nodes, nps, hits,
                      report.elapsed_ms);
    }
    print_line(out);
}

void thinking_output::before_answer(const move& chosen) {
    if (!shown_ || (!unprinted_ && same_move(first_, chosen))) return;
    if (shown_count_ > 1) {
        // Several lines shown and another of the tied best played: the
        // iteration's lines again with the played move's first, so that the
        // GUI's first line, like the ponder move, belongs to the move played
        // and no move stands in two lines.
        int k = 0;
        while (k < shown_count_ && !(shown_lines_[k].length > 0 && same_move(shown_lines_[k].moves[0], chosen))) ++k;
        if (k < shown_count_) {
            print(1, shown_scores_[k], shown_lines_[k]);
            for (int i = 0, number = 2; i < shown_count_; ++i)
                if (i != k) print(number++, shown_scores_[i], shown_lines_[i]);
            return;
        }
    }
    print(0, score_, best_line_of(chosen));
}
