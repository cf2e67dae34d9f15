// Playing strength in Elo: a level weakens the strong search the way a
// weaker player is weaker.  It looks at fewer positions (a node budget per
// move), and at the lower levels it chooses among its few best root moves,
// a move the more likely the closer its score to the best, and none that
// loses more than the level's spread.  It never chooses a move at random
// from all of them, so it does not hang pieces for no reason, and it never
// passes up a mate it has seen nor walks into one.
#pragma once

#include <cstdint>

#include "search/request.h"

// The range of levels ("UCI_Elo"): what the calibration table measures.
inline constexpr int32_t LOWEST_ELO = 1200;
inline constexpr int32_t HIGHEST_ELO = 2100;
inline constexpr int32_t DEFAULT_ELO = 1600;

extern int32_t limit_strength;  // 1: the engine plays at strength_elo ("UCI_LimitStrength")
extern int32_t strength_elo;    // the level, LOWEST_ELO to HIGHEST_ELO ("UCI_Elo")

// The strong search thinks: chosen by the Search option, or by a level,
// which is a weakened strong search whatever that option says, or for a
// Chess960 game, which the classic search does not play.
bool strong_search_thinks();

// What a level searches and how it chooses.
struct strength_plan {
    uint64_t nodes = 0;  // the most nodes a move (0: no limit)
    int lines = 1;       // root moves searched to exact scores
    int32_t spread = 0;  // centipawns below the best score a chosen move may lie (0: the best only)
};
strength_plan plan_for_elo(int32_t elo);

// The level's own generator (the same formula as the engine's, a state of
// its own), so that a level's choices never change the draws the learning
// book and the classic search make.  Seeded with the time at start-up.
void strength_seed(uint32_t seed);

// A search observer that keeps, from each finished iteration, the best root
// moves a level chooses among, and passes every report on to the observer
// the front end gave.
class strength_observer final : public search_observer {
public:
    // A new search begins, reported on to inner (may be null).
    void watch(search_observer* inner) {
        inner_ = inner;
        kept_count_ = 0;
    }
    void iteration_finished(const iteration_report& report) override;
    void progress(const progress_report& report) override;
    // The move the level plays (from the last finished iteration, best
    // lines kept); false when no iteration finished.
    bool choose(const strength_plan& plan, move& chosen);

private:
    search_observer* inner_ = nullptr;
    move kept_[MAX_MULTI_PV];
    int kept_count_ = 0;
};
