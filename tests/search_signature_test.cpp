// The exact trees of every evaluation variant: node counts, root scores and
// best root moves of fixed searches, recorded from the engine as it stood
// before its speed work (the plain copy-make search that computed the book
// key and the pawn and knight sums from scratch at every node, and tested
// every attack by walking the board).  The bench covers variants 2 and 3;
// these cases add variants 0 and 1, every emotion sign and each refinement,
// so that a faster path taken by some settings cannot drift unnoticed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/random.h"
#include "eval/eval.h"
#include "game/game.h"
#include "protocol/session.h"
#include "search/classic_search.h"
#include "settings/settings.h"
#include "rules_test_util.h"
#include "search_util.h"

namespace {

struct signature_case {
    const char* fen;
    int variant;
    int emotion_setting;
    int depth;
    int mode;        // 0: fixed depth; 3: clock with depth cap (null move and cutting allowed)
    int refinements; // 1: null move and cutting (mode 3 only)
    int extension;   // advanced_search
    uint64_t nodes;  // recorded
    int32_t score;   // recorded: the last iteration's root score
    const char* best;  // recorded: the best root moves, sorted, space-separated
};

int32_t last_score = 0;
struct last_score_keeper final : search_observer {
    void iteration_finished(const iteration_report& report) override { last_score = report.score; }
} keeper;

std::string best_moves_text() {
    std::vector<std::string> texts;
    for (int i = 0; i < last_found.best_count; ++i) texts.push_back(move_string(last_found.best_moves[i]));
    std::sort(texts.begin(), texts.end());
    std::string joined;
    for (const std::string& t : texts) joined += (joined.empty() ? "" : " ") + t;
    return joined;
}

const char* const MIDDLEGAME = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
const char* const ITALIAN = "r1b1k2r/ppppqppp/2n2n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R b KQkq - 0 6";
const char* const OPEN_FILES = "r2q1rk1/pp2ppbp/2p2np1/6B1/3PP1b1/Q1P2N2/P4PPP/3RKB1R b K - 0 13";
const char* const PAWN_RACE = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1";
const char* const PROMOTIONS = "1r6/P1k5/8/8/8/8/5Kp1/7R b - - 0 1";

const signature_case CASES[] = {
    // Every variant, plain fixed depth.
    {MIDDLEGAME, 0, 0, 4, 0, 0, 0, 13268, 0, "e2a6"},
    {MIDDLEGAME, 1, 0, 4, 0, 0, 0, 13380, 0, "e2a6"},
    {MIDDLEGAME, 2, 0, 4, 0, 0, 0, 13023, -4608, "e2a6"},
    {MIDDLEGAME, 3, 0, 4, 0, 0, 0, 13310, -15104, "e2a6"},
    {ITALIAN, 0, 0, 4, 0, 0, 0, 16925, 0, "c5b4"},
    {ITALIAN, 1, 0, 4, 0, 0, 0, 17446, -512, "c5b4"},
    {ITALIAN, 3, 0, 4, 0, 0, 0, 14143, 0, "c5b4"},
    // Every variant with null move and cutting.
    {OPEN_FILES, 0, 0, 5, 3, 1, 0, 188043, 196608, "h7h6"},
    {OPEN_FILES, 1, 0, 5, 3, 1, 0, 166890, 196352, "h7h6"},
    {OPEN_FILES, 2, 0, 5, 3, 1, 0, 78605, 193792, "h7h6"},
    {OPEN_FILES, 3, 0, 5, 3, 1, 0, 118709, 198400, "h7h6"},
    // The emotion term of both signs.
    {ITALIAN, 0, 1, 4, 0, 0, 0, 16914, -72, "c5b4"},
    {ITALIAN, 1, -1, 4, 0, 0, 0, 17453, -440, "c5b4"},
    {OPEN_FILES, 2, 1, 4, 0, 0, 0, 10211, -67647, "g4f3"},
    {OPEN_FILES, 3, -1, 4, 0, 0, 0, 11675, -63937, "g4f3"},
    // Every variant with the capture extension.
    {PAWN_RACE, 0, 0, 6, 0, 0, 1, 261391, 65536, "b4f4"},
    {PAWN_RACE, 1, 0, 6, 0, 0, 1, 236423, 65536, "b4f4"},
    {PROMOTIONS, 0, -1, 5, 0, 0, 1, 35764, 589833, "g2h1q"},
    {PROMOTIONS, 1, 1, 5, 0, 0, 1, 32554, 591351, "g2h1q"},
    {PROMOTIONS, 3, 0, 5, 0, 0, 1, 34054, 592896, "g2h1q"},
};

class SearchSignatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_default_settings();
        session_begin_xboard();
        random_seed(0);
        book_enabled = 0;
        load_book();
    }
};

}  // namespace

TEST_F(SearchSignatureTest, EveryVariantKeepsItsRecordedTrees) {
    for (const signature_case& c : CASES) {
        SCOPED_TRACE(std::string(c.fen) + " variant " + std::to_string(c.variant) + " emotion " +
                     std::to_string(c.emotion_setting) + " depth " + std::to_string(c.depth));
        set_default_settings();
        session_begin_xboard();
        eval_variant = c.variant;
        emotion = c.emotion_setting;
        null_move_enabled = cutting_enabled = c.refinements;
        advanced_search = c.extension;
        reset_search_state();
        clear_book_table();
        load_fen(c.fen);
        const uint64_t before = node_count;
        run_classic(game_position, side_to_move, c.depth, INT32_MAX, c.mode, &keeper);
        const uint64_t nodes = node_count - before;
        EXPECT_EQ(nodes, c.nodes);
        EXPECT_EQ(last_score, c.score);
        EXPECT_EQ(best_moves_text(), c.best);
        if (nodes != c.nodes || last_score != c.score || best_moves_text() != c.best)
            std::printf("    {%s, %d, %d, %d, %d, %d, %d, %llu, %d, \"%s\"},\n", c.fen, c.variant,
                        c.emotion_setting, c.depth, c.mode, c.refinements, c.extension,
                        static_cast<unsigned long long>(nodes), last_score, best_moves_text().c_str());
    }
}
