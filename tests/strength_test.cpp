// Levels in Elo: the plan of each level, the choice among the best root
// moves worked out by hand, and levels playing other moves than full
// strength over a set of positions, the same ones for the same seed.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/game.h"
#include "game/strength.h"
#include "rules/rules.h"
#include "search/strong_search.h"
#include "settings/settings.h"

namespace {

constexpr int32_t PAWN_UNITS = 65536;  // a pawn in the search's score units

move scored(int from_file, int to_file, int32_t centipawns) {
    move m{};
    m.from_file = static_cast<int8_t>(from_file);
    m.from_rank = 1;
    m.to_file = static_cast<int8_t>(to_file);
    m.to_rank = 3;
    m.promotion = NO_PROMOTION;
    m.score = centipawns * PAWN_UNITS / 100;
    return m;
}

// An iteration's report of these root moves, the first the search's best.
iteration_report report_of(const std::vector<move>& moves) {
    iteration_report report{};
    report.root_moves = moves.data();
    report.root_count = static_cast<int>(moves.size());
    report.best_moves = moves.data();
    report.best_count = 1;
    return report;
}

}  // namespace

TEST(Strength, EachLevelLooksAtMoreOrChoosesMoreNarrowlyThanTheOneBelow) {
    strength_plan below = plan_for_elo(LOWEST_ELO);
    EXPECT_GT(below.spread, 0);
    EXPECT_GT(below.lines, 1);
    for (int32_t elo = LOWEST_ELO + 50; elo <= HIGHEST_ELO; elo += 50) {
        SCOPED_TRACE(elo);
        const strength_plan plan = plan_for_elo(elo);
        // More positions for each line searched exactly, or a narrower
        // choice, and never less of either.
        EXPECT_GE(plan.nodes / plan.lines, below.nodes / below.lines);
        EXPECT_LE(plan.spread, below.spread);
        EXPECT_TRUE(plan.nodes / plan.lines > below.nodes / below.lines || plan.spread < below.spread);
        below = plan;
    }
    EXPECT_EQ(below.spread, 0);
    EXPECT_EQ(below.lines, 1);
    // Levels outside the range are its ends.
    EXPECT_EQ(plan_for_elo(0).nodes, plan_for_elo(LOWEST_ELO).nodes);
    EXPECT_EQ(plan_for_elo(9999).nodes, plan_for_elo(HIGHEST_ELO).nodes);
}

// Scores 100, 90, 40 and -500 centipawns with a spread of 50: only the first
// two may be chosen, weighted (50 - behind + 1)^2, so 51^2 : 41^2, the best
// about 61% of the time; a mate found is always played; a move into a mate
// never.
TEST(Strength, ChoiceKeepsWithinTheSpreadAndWeighsTowardTheBest) {
    strength_plan plan;
    plan.spread = 50;
    plan.lines = 4;
    const std::vector<move> moves = {scored(0, 0, 100), scored(1, 1, 90), scored(2, 2, 40), scored(3, 3, -500)};
    strength_observer watch;
    watch.watch(nullptr);
    strength_seed(7);
    watch.iteration_finished(report_of(moves));
    std::map<int, int> chosen;
    constexpr int DRAWS = 4000;
    for (int i = 0; i < DRAWS; ++i) {
        move m;
        ASSERT_TRUE(watch.choose(plan, m));
        ++chosen[m.from_file];
    }
    EXPECT_EQ(chosen.size(), 2u);
    const double best_share = static_cast<double>(chosen[0]) / DRAWS;
    EXPECT_NEAR(best_share, 2601.0 / (2601.0 + 1681.0), 0.03);

    // Reported in another order, the same moves rank the same.
    const std::vector<move> shuffled = {moves[2], moves[3], moves[1], moves[0]};
    watch.watch(nullptr);
    iteration_report report = report_of(shuffled);
    report.best_moves = &moves[0];
    watch.iteration_finished(report);
    for (int i = 0; i < 200; ++i) {
        move m;
        ASSERT_TRUE(watch.choose(plan, m));
        EXPECT_TRUE(m.from_file == 0 || m.from_file == 1) << int(m.from_file);
    }

    // A mate for the side to move is played; a second move at 0 centipawns
    // next to a best of 10 never gives way to one that walks into a mate.
    move mate = scored(0, 0, 0);
    mate.score = MATE_SCORE - 3;
    const std::vector<move> mating = {mate, scored(1, 1, 100)};
    watch.watch(nullptr);
    watch.iteration_finished(report_of(mating));
    move m;
    ASSERT_TRUE(watch.choose(plan, m));
    EXPECT_EQ(m.from_file, 0);
    move mated = scored(1, 1, 0);
    mated.score = -MATE_SCORE + 4;
    const std::vector<move> escaping = {scored(0, 0, 10), scored(2, 2, 0), mated};
    watch.watch(nullptr);
    watch.iteration_finished(report_of(escaping));
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(watch.choose(plan, m));
        EXPECT_NE(m.from_file, 1);
    }
    // Nothing seen, nothing chosen: the turn falls back on the search's move.
    watch.watch(nullptr);
    EXPECT_FALSE(watch.choose(plan, m));
}

namespace {

const char* const POSITIONS[] = {
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8",
    "rnbqkb1r/pp3ppp/4pn2/2pp4/3P4/2P1PN2/PP3PPP/RNBQKB1R w KQkq - 0 5",
    "r2qkb1r/pp1n1ppp/2p1pn2/3p1b2/2PP4/1QN1PN2/PP3PPP/R1B1KB1R w KQkq - 2 7",
    "r1bqk2r/ppp2ppp/2np1n2/2b1p3/2B1P3/2PP1N2/PP3PPP/RNBQK2R w KQkq - 0 6",
    "rnbq1rk1/ppp1ppbp/3p1np1/8/2PPP3/2N2N2/PP3PPP/R1BQKB1R w KQ - 1 6",
    "r2q1rk1/1pp1bppp/p1np1n2/4p3/2B1P1b1/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 9",
    "2rq1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1PN1PN2/PB2BPPP/2RQ1RK1 w - - 4 11",
    "r1b2rk1/2q1bppp/p2p1n2/np2p3/3PP3/5N1P/PPB2PP1/RNBQR1K1 w - - 1 13",
    "3r1rk1/pp3ppp/2n1bq2/2p5/2P5/2N1PN2/PP3PPP/R2Q1RK1 w - - 0 14",
    "r4rk1/1bq1bppp/p2ppn2/1p6/3NP3/1BN1B3/PPP2PPP/R2Q1RK1 w - - 0 12",
    "2kr3r/ppp2ppp/2n1bn2/2b1p3/4P3/2NP1N2/PPP1BPPP/R1B2RK1 w - - 3 10",
};

// The moves a turn plays in each position: at the level given (0: full
// strength, to a fixed depth), with the level's generator seeded.
std::vector<std::string> moves_played(int32_t elo, uint32_t seed) {
    reset_engine_state();
    limit_strength = elo > 0 ? 1 : 0;
    strength_elo = elo;
    strong_search = 1;
    strong_prepare_table();
    strength_seed(seed);
    clock_mode = 0;
    search_depth = 6;
    std::vector<std::string> played;
    for (const char* fen : POSITIONS) {
        position pos;
        int side = WHITE, halfmove = 0;
        EXPECT_EQ(read_set_up_position(fen, pos, side, halfmove), nullptr) << fen;
        game_begin_at(pos, side, halfmove);
        strong_clear_table();
        move chosen;
        EXPECT_TRUE(think_turn(chosen)) << fen;
        char text[8];
        coordinate_text(chosen, text);
        played.push_back(text);
    }
    strong_release_table();
    reset_engine_state();
    return played;
}

int differences(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i] ? 1 : 0;
    return n;
}

}  // namespace

// The lowest level plays other moves than full strength in several of the
// positions; the same seed gives the same moves, another seed other ones;
// the top level, which chooses no spread, is the same whatever the seed.
TEST(Strength, LevelsPlayOtherMovesThanFullStrengthTheSameForTheSameSeed) {
    const std::vector<std::string> full = moves_played(0, 1);
    const std::vector<std::string> low = moves_played(LOWEST_ELO, 1);
    ASSERT_EQ(low.size(), full.size());
    EXPECT_GE(differences(low, full), 4) << "a level this low plays like full strength";
    EXPECT_EQ(moves_played(LOWEST_ELO, 1), low);
    EXPECT_GE(differences(moves_played(LOWEST_ELO, 2), low), 1);
    EXPECT_EQ(moves_played(HIGHEST_ELO, 1), moves_played(HIGHEST_ELO, 2));
}
