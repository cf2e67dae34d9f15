// Stopping a search: by the flag from another thread, by a deadline, by a
// poll or a node limit, and what a search with limits that never fire does.
// A stopped search must hand back the best root moves of its last finished
// iteration, and those are checked against an unstopped search to that depth
// started from the same tables: up to that iteration both searches do the
// very same work (the book and ply_best learn the same way in both), and
// the abandoned iteration never writes the best root moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "book/book.h"
#include "book/random.h"
#include "game/game.h"
#include "protocol/session.h"
#include "search/classic_search.h"
#include "settings/settings.h"
#include "rules_test_util.h"
#include "time_margin.h"
#include "search_util.h"

namespace {

using steady = std::chrono::steady_clock;

// A middlegame where depth 6 alone takes a third of a second and depth 7
// seconds in an optimised build, so depth 9 never finishes in a test.
constexpr const char* MIDDLEGAME = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8";
constexpr const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr int DEEP = 9;

std::vector<std::string> texts(const move* moves, int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(move_string(moves[i]));
    return out;
}

// What an observer learned about one finished iteration.
struct seen_iteration {
    int depth;
    int32_t score;
    uint64_t nodes;
    std::vector<std::string> best;
    bool operator==(const seen_iteration&) const = default;
};

// Keeps every report and when the last one came; can tell a promise when
// depth 1 has finished.  It runs on the searching thread.
struct recorder final : search_observer {
    std::vector<seen_iteration> seen;
    steady::time_point last_report{};
    std::promise<void>* first_done = nullptr;
    void iteration_finished(const iteration_report& r) override {
        seen.push_back({r.depth, r.score, r.nodes, texts(r.best_moves, r.best_count)});
        last_report = steady::now();
        if (r.depth == 1 && first_done != nullptr) first_done->set_value();
    }
};

int poll_calls = 0;
bool poll_stop_always() {
    ++poll_calls;
    return true;
}
bool poll_never() {
    ++poll_calls;
    return false;
}

double ms_between(steady::time_point a, steady::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

class StopTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_engine_state();
        session_begin_xboard();
        poll_calls = 0;
        clock_restart();
    }
    void TearDown() override { stop_requested.store(false); }

    // The learning state every search here starts from.
    static void fresh_tables() {
        reset_search_state();
        clear_book_table();
    }

    // The checks every stopped search must pass: side_to_move back at side,
    // at least one best root move, each legal in game_position, and the
    // moves are those of the last iteration reported.
    static void expect_usable_result(int side, const recorder& r) {
        EXPECT_EQ(side_to_move, side);
        ASSERT_GT(last_found.best_count, 0);
        static move_list legal;
        generate_moves(game_position, legal);
        const std::vector<std::string> legal_texts = texts(legal.moves, legal.count);
        for (int i = 0; i < last_found.best_count; ++i) {
            const std::string m = move_string(last_found.best_moves[i]);
            EXPECT_NE(std::find(legal_texts.begin(), legal_texts.end(), m), legal_texts.end()) << m;
        }
        ASSERT_FALSE(r.seen.empty());
        EXPECT_EQ(texts(last_found.best_moves, last_found.best_count), r.seen.back().best);
    }

    // The stop conditions are looked at every STOP_POLL_INTERVAL nodes and
    // between iterations.  Mostly the request finds an iteration running and
    // abandons it (last_found.stopped); one that comes during its last few
    // thousand nodes lets it finish, and the search then ends before the
    // next one with nothing abandoned.  Either way no iteration may have
    // finished before the request came and another have been begun.
    static void expect_stopped_or_ended_between_iterations(const recorder& r, steady::time_point request) {
        ::testing::Test::RecordProperty("abandoned_an_iteration", last_found.stopped ? 1 : 0);
        if (last_found.stopped) return;
        ASSERT_FALSE(r.seen.empty());
        EXPECT_GE(r.last_report, request) << "neither stopped nor ended at the request";
    }

    // The stopped search's finished iterations must be those of a search run
    // to its last finished depth without limits, from fresh tables.
    static void expect_same_as_unstopped(int side, const recorder& stopped) {
        const std::vector<std::string> kept = texts(last_found.best_moves, last_found.best_count);
        const int depth = stopped.seen.back().depth;
        fresh_tables();
        recorder plain;
        run_classic(game_position, side, depth, 0, 0, &plain);
        EXPECT_FALSE(last_found.stopped);
        EXPECT_EQ(plain.seen, stopped.seen);
        EXPECT_EQ(texts(last_found.best_moves, last_found.best_count), kept);
    }
};

}  // namespace

TEST_F(StopTest, FlagFromAnotherThreadEndsADeepSearchSoon) {
    load_fen(MIDDLEGAME);
    const int side = side_to_move;
    // A far deadline only keeps a broken stop from hanging the run.
    search_limits limits;
    limits.use_deadline = true;
    limits.deadline = clock_source() + 30000;

    // The stopper starts its 100 ms once depth 1 is done, so the request
    // cannot arrive before deepen has cleared the flag.
    std::promise<void> first_done;
    std::future<void> first = first_done.get_future();
    recorder seen;
    seen.first_done = &first_done;
    steady::time_point stop_at;
    std::thread stopper([&first, &stop_at] {
        first.wait_for(std::chrono::seconds(30));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop_at = steady::now();
        stop_requested.store(true);
    });
    run_classic(game_position, side, DEEP, 0, 0, &seen, &limits);
    const steady::time_point returned = steady::now();
    stopper.join();

    const double latency = ms_between(stop_at, returned);
    RecordProperty("stop_to_return_ms", std::to_string(latency));
    if (!seen.seen.empty()) RecordProperty("last_finished_depth", seen.seen.back().depth);
    ASSERT_LT(latency, time_margin::scaled_ms(250));
    ASSERT_GE(latency, 0.0) << "the search ended before it was asked to";
    expect_usable_result(side, seen);
    EXPECT_LT(seen.seen.back().depth, DEEP);
    expect_stopped_or_ended_between_iterations(seen, stop_at);
    expect_same_as_unstopped(side, seen);
}

TEST_F(StopTest, DeadlineEndsADeepSearchSoonAfterItPasses) {
    load_fen(MIDDLEGAME);
    const int side = side_to_move;
    const steady::time_point start = steady::now();
    search_limits limits;
    limits.use_deadline = true;
    limits.deadline = clock_source() + 150;
    limits.node_limit = node_count + 50'000'000;  // only keeps a broken deadline from hanging the run
    recorder seen;
    run_classic(game_position, side, DEEP, 0, 0, &seen, &limits);
    const double elapsed = ms_between(start, steady::now());

    RecordProperty("deadline_search_ms", std::to_string(elapsed));
    if (!seen.seen.empty()) RecordProperty("last_finished_depth", seen.seen.back().depth);
    // The millisecond counter truncates: the deadline can pass 149 ms in.
    EXPECT_GE(elapsed, 149.0);
    ASSERT_LT(elapsed, 150.0 + time_margin::scaled_ms(250));
    expect_usable_result(side, seen);
    EXPECT_LT(seen.seen.back().depth, DEEP);
    expect_stopped_or_ended_between_iterations(seen, start + std::chrono::milliseconds(149));
    expect_same_as_unstopped(side, seen);
}

TEST_F(StopTest, FirstIterationFinishesDespiteASoftStopButAHardLimitCutsIt) {
    load_fen(START);
    const int side = side_to_move;
    // Depth 1 from the start: the eight double steps tie (see the search tests).
    recorder plain;
    run_classic(game_position, side, 1, 0, 0, &plain);
    ASSERT_EQ(plain.seen.size(), 1u);
    ASSERT_EQ(plain.seen[0].best.size(), 8u);

    // A poll that always says stop, asked first at the third node of depth 1:
    // a node counts itself, then looks when the count is a multiple of
    // STOP_POLL_INTERVAL.
    const auto poll_at_node = [](uint64_t n) {
        node_count = (node_count / STOP_POLL_INTERVAL + 2) * STOP_POLL_INTERVAL - n;
    };
    fresh_tables();
    search_limits soft;
    soft.poll = poll_stop_always;
    recorder seen;
    poll_at_node(3);
    run_classic(game_position, side, 6, 0, 0, &seen, &soft);
    EXPECT_GE(poll_calls, 2) << "asked inside depth 1 and again before depth 2";
    ASSERT_EQ(seen.seen.size(), 1u);
    EXPECT_EQ(seen.seen[0], plain.seen[0]);
    expect_usable_result(side, seen);

    // A hard limit cuts depth 1 at its third node, the second root move: the
    // first was searched and is kept.  No move of the start position has an
    // ordering value and a one-ply search takes no hints, so the first is the
    // generator's first.  Nothing is reported.
    static move_list legal;
    generate_moves(game_position, legal);
    search_limits hard;
    hard.node_limit = 1;
    hard.stop_first_iteration = true;
    recorder cut;
    poll_at_node(3);
    run_classic(game_position, side, 6, 0, 0, &cut, &hard);
    EXPECT_TRUE(last_found.stopped);
    EXPECT_TRUE(cut.seen.empty());
    EXPECT_EQ(side_to_move, side);
    ASSERT_EQ(last_found.best_count, 1);
    EXPECT_EQ(move_string(last_found.best_moves[0]), move_string(legal.moves[0]));

    // Cut at the root itself: no root move was searched, so there is none.
    poll_at_node(1);
    run_classic(game_position, side, 6, 0, 0, &cut, &hard);
    EXPECT_TRUE(last_found.stopped);
    EXPECT_TRUE(cut.seen.empty());
    EXPECT_EQ(side_to_move, side);
    EXPECT_EQ(last_found.best_count, 0);
}

TEST_F(StopTest, LimitsThatNeverFireChangeNoNodeAndNoMove) {
    load_fen(MIDDLEGAME);
    const int side = side_to_move;
    recorder plain;
    uint64_t before = node_count;
    run_classic(game_position, side, 5, 0, 0, &plain);
    const uint64_t plain_nodes = node_count - before;
    const std::vector<std::string> plain_best = texts(last_found.best_moves, last_found.best_count);

    fresh_tables();
    search_limits distant;
    distant.use_deadline = true;
    distant.deadline = clock_source() + 3600 * 1000;
    distant.node_limit = node_count + (uint64_t{1} << 40);
    distant.poll = poll_never;
    distant.stop_first_iteration = true;
    recorder limited;
    before = node_count;
    run_classic(game_position, side, 5, 0, 0, &limited, &distant);
    EXPECT_FALSE(last_found.stopped);
    EXPECT_GT(poll_calls, 0) << "the limits were looked at";
    EXPECT_EQ(node_count - before, plain_nodes);
    EXPECT_EQ(texts(last_found.best_moves, last_found.best_count), plain_best);
    EXPECT_EQ(limited.seen, plain.seen);
    ASSERT_EQ(plain.seen.size(), 5u);
}
