// Levels in Elo: the plan of each level and its choice among the best root moves.
#include "game/strength.h"

#include <cmath>

#include "game/game.h"
#include "settings/settings.h"

int32_t limit_strength = 0;
int32_t strength_elo = DEFAULT_ELO;

namespace {
uint32_t strength_state = 0;

int strength_random() {
    strength_state = strength_state * 214013u + 2531011u;
    return static_cast<int>((strength_state >> 16) & 0x7fff);
}

// Centipawns of a score in the search's units (a pawn is 65536).
int64_t centipawns(int32_t score) { return static_cast<int64_t>(score) * 100 / 65536; }

bool is_mate_score(int32_t score) { return mate_in_moves(score) != 0; }

}  // namespace

bool strong_search_thinks() { return strong_search != 0 || limit_strength != 0 || game_position.chess960 != 0; }

void strength_seed(uint32_t seed) { strength_state = seed; }

strength_plan plan_for_elo(int32_t elo) {
    if (elo < LOWEST_ELO) elo = LOWEST_ELO;
    if (elo > HIGHEST_ELO) elo = HIGHEST_ELO;
    strength_plan plan;
    // The nodes a move at the measured levels (tools/calibrate.py against
    // Stockfish's scale; README), in between evenly in the logarithm.  Below
    // the lowest, fewer nodes hardly weaken the search any more (its first
    // iteration always finishes): the search keeps that size for each of
    // its best few moves, and the spread it chooses within grows instead.
    struct anchor {
        int32_t elo;
        double nodes;
    };
    static constexpr anchor ANCHORS[] = {{1600, 2000}, {1790, 20000}, {1900, 30188}, {2100, 92787}};
    constexpr int LAST = static_cast<int>(sizeof ANCHORS / sizeof ANCHORS[0]) - 1;
    int i = 0;
    while (i < LAST - 1 && elo > ANCHORS[i + 1].elo) ++i;
    const anchor& a = ANCHORS[i];
    const anchor& b = ANCHORS[i + 1];
    const int32_t at = elo < ANCHORS[0].elo ? ANCHORS[0].elo : elo;
    // A measured level plays exactly as it did when it was measured.
    if (at == a.elo || at == b.elo) {
        plan.nodes = static_cast<uint64_t>(at == a.elo ? a.nodes : b.nodes);
    } else {
        const double fraction = static_cast<double>(at - a.elo) / (b.elo - a.elo);
        plan.nodes = static_cast<uint64_t>(a.nodes * std::pow(b.nodes / a.nodes, fraction));
    }
    if (elo < ANCHORS[0].elo) {
        // Each of the best few moves gets its exact score with that budget
        // (from 1500 down a smaller one, a quarter of it at the bottom), and
        // the spread does most of the weakening.
        plan.lines = 4;
        if (elo < 1500)
            plan.nodes = static_cast<uint64_t>(ANCHORS[0].nodes *
                                               std::pow(0.25, static_cast<double>(1500 - elo) / (1500 - LOWEST_ELO)));
        plan.nodes *= static_cast<uint64_t>(plan.lines);
        plan.spread = (ANCHORS[0].elo - elo) / 4;
    }
    return plan;
}

void strength_observer::iteration_finished(const iteration_report& report) {
    // The best root moves by score, best first: the few a level chooses among.
    kept_count_ = 0;
    for (int i = 0; i < report.root_count; ++i) {
        const move& m = report.root_moves[i];
        int j = MAX_MULTI_PV - 1;
        if (kept_count_ < MAX_MULTI_PV)
            j = kept_count_++;
        else if (kept_[j].score >= m.score)
            continue;
        while (j > 0 && kept_[j - 1].score < m.score) {
            kept_[j] = kept_[j - 1];
            --j;
        }
        kept_[j] = m;
    }
    // The tied best that the search itself chose comes first.
    if (report.best_count > 0) {
        for (int i = 1; i < kept_count_; ++i) {
            if (!same_move(kept_[i], report.best_moves[0]) || kept_[i].score != kept_[0].score) continue;
            const move best = kept_[i];
            for (int j = i; j > 0; --j) kept_[j] = kept_[j - 1];
            kept_[0] = best;
            break;
        }
    }
    if (inner_ != nullptr) inner_->iteration_finished(report);
}

void strength_observer::progress(const progress_report& report) {
    if (inner_ != nullptr) inner_->progress(report);
}

bool strength_observer::choose(const strength_plan& plan, move& chosen) {
    if (kept_count_ == 0) return false;
    chosen = kept_[0];
    // A mate seen, for or against, is played as the search found it.
    if (plan.spread <= 0 || is_mate_score(kept_[0].score)) return true;
    const int candidates = kept_count_ < plan.lines ? kept_count_ : plan.lines;
    int64_t weights[MAX_MULTI_PV];
    int64_t total = 0;
    for (int i = 0; i < candidates; ++i) {
        const int64_t behind = centipawns(kept_[0].score) - centipawns(kept_[i].score);
        // Closer to the best is likelier; past the spread, or into a mate, never.
        const int64_t room = plan.spread - behind;
        weights[i] = room < 0 || is_mate_score(kept_[i].score) ? 0 : (room + 1) * (room + 1);
        total += weights[i];
    }
    if (total <= 0) return true;
    int64_t draw = (static_cast<int64_t>(strength_random()) << 15 | strength_random()) % total;
    for (int i = 0; i < candidates; ++i) {
        if (draw < weights[i]) {
            chosen = kept_[i];
            return true;
        }
        draw -= weights[i];
    }
    return true;
}
