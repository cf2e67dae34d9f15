// A search never allocates, not even when it looks at the input that has
// arrived while it thinks: the poll runs every few thousand nodes, and an
// allocation there turned a short search into a thousand calls to the heap
// once a long line waited behind it.  Every operator new of this program is
// counted here, on the searching thread alone, while a search runs with
// lines waiting in the input.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "app/app.h"
#include "game/game.h"
#include "io/input_queue.h"
#include "io/io.h"
#include "protocol/session.h"
#include "search/request.h"
#include "search/search.h"
#include "settings/settings.h"
#include "rules_test_util.h"

namespace {
thread_local bool counting = false;
std::atomic<long> allocations{0};

void* counted_allocation(std::size_t size) {
    if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
}  // namespace

void* operator new(std::size_t size) { return counted_allocation(size); }
void* operator new[](std::size_t size) { return counted_allocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr const char* MIDDLEGAME = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8";

class SearchAllocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_engine_state();
        session_begin_xboard();
    }
    void TearDown() override {
        standard_input_queue = nullptr;
        reset_engine_state();
    }

    // Searches MIDDLEGAME to a fixed depth with the input poll on, and
    // returns the operator-new calls made on this thread meanwhile.
    static long allocations_in_search(search_engine engine, int depth, uint64_t& nodes) {
        int side = WHITE;
        static position pos;
        EXPECT_TRUE(parse_fen(MIDDLEGAME, pos, side));
        search_request request;
        request.pos = &pos;
        request.side = side;
        request.engine = engine;
        request.mode = 0;
        request.depth_limit = depth;
        request.limits.poll = poll_input_during_search;
        allocations.store(0);
        counting = true;
        const search_result result = run_search(request);
        counting = false;
        nodes = result.nodes;
        EXPECT_GT(result.best_count, 0);
        return allocations.load();
    }
};

// Lines no search acts on wait in the queue, a long one among them, and one
// that is not yet whole: the poll looks at each of them at every look.
void queue_waiting_lines(input_queue& queue) {
    std::string moves = "position startpos moves";
    for (int i = 0; i < 60; ++i) moves += i % 2 == 0 ? " g1f3" : " g8f6";
    moves += "\n";
    queue.push(moves.data(), moves.size());
    const std::string rest = "setoption name Hash value 8\nucinewgame\nposition fen 8/8/8/8/8/8/8/K6k w - - 0 1\ngo dep";
    queue.push(rest.data(), rest.size());
}

TEST_F(SearchAllocationTest, NeitherSearchAllocatesWithUciLinesWaiting) {
    input_queue queue;
    queue_waiting_lines(queue);
    standard_input_queue = &queue;
    session_begin_uci();
    for (const search_engine engine : {search_engine::classic, search_engine::strong}) {
        uint64_t nodes = 0;
        // Each to a depth where it searches some tens of thousands of nodes.
        const int depth = engine == search_engine::classic ? 5 : 9;
        EXPECT_EQ(allocations_in_search(engine, depth, nodes), 0) << "engine " << static_cast<int>(engine);
        // Enough nodes that the poll ran many times.
        EXPECT_GT(nodes, 20000u) << "engine " << static_cast<int>(engine);
        EXPECT_FALSE(stop_requested.load());
    }
}

TEST_F(SearchAllocationTest, NoAllocationWithXboardLinesWaiting) {
    input_queue queue;
    const std::string lines = "force\nping 7\nlevel 40 5 0\nusermove e2e4\n";
    queue.push(lines.data(), lines.size());
    queue_waiting_lines(queue);
    standard_input_queue = &queue;
    session_note_word("ping");  // a protocol-2 GUI: its lines are looked at during the turn
    uint64_t nodes = 0;
    EXPECT_EQ(allocations_in_search(search_engine::classic, 5, nodes), 0);
    EXPECT_GT(nodes, 20000u);
}

// The counter itself works: the same thread counts an allocation it makes.
TEST_F(SearchAllocationTest, TheCounterSeesAnAllocation) {
    allocations.store(0);
    counting = true;
    std::string* text = new std::string(100, 'x');
    counting = false;
    delete text;
    EXPECT_GE(allocations.load(), 1);
}

}  // namespace
