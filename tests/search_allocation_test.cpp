// A search never allocates, not even when it looks at the input that has
// arrived while it thinks: the poll runs every few thousand nodes, and an
// allocation there turned a short search into a thousand calls to the heap
// once a long line waited behind it.  Every operator new of this program
// (every replaceable form: plain, array, aligned, nothrow) is counted here,
// on the searching thread alone, while a search runs with lines waiting in
// the input.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "app/app.h"
#include "game/game.h"
#include "io/input_queue.h"
#include "io/io.h"
#include "protocol/session.h"
#include "search/request.h"
#include "search/classic_search.h"
#include "search/strong_search.h"
#include "settings/settings.h"
#include "rules_test_util.h"

namespace {
thread_local bool counting = false;
std::atomic<long> allocations{0};

// Every replaceable allocation function ends here: plain and array, with an
// alignment or without, throwing or nothrow.  The aligned ones matter: a
// type declared alignas(64), the transposition table's buckets among them,
// goes through them, and a counter that missed them would pass a search
// that allocated its table.  nullptr when the heap has no room.
void* counted_allocation(std::size_t size, std::size_t alignment = 0) noexcept {
    if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
    // posix_memalign wants a power of two no smaller than a pointer (an
    // align_val_t is a power of two); its memory goes back with free.
    void* p = nullptr;
    return posix_memalign(&p, alignment < sizeof(void*) ? sizeof(void*) : alignment, size) == 0 ? p : nullptr;
}
void* counted_or_throw(std::size_t size, std::size_t alignment = 0) {
    void* p = counted_allocation(size, alignment);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
std::size_t alignment_of(std::align_val_t alignment) { return static_cast<std::size_t>(alignment); }
}  // namespace

void* operator new(std::size_t size) { return counted_or_throw(size); }
void* operator new[](std::size_t size) { return counted_or_throw(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted_allocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted_allocation(size); }
void* operator new(std::size_t size, std::align_val_t a) { return counted_or_throw(size, alignment_of(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return counted_or_throw(size, alignment_of(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return counted_allocation(size, alignment_of(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return counted_allocation(size, alignment_of(a));
}
// Every delete, whatever it is told of size and alignment, hands the memory
// back to free (malloc and posix_memalign both came from there).
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

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

    // Makes the strong search's table afresh, as the options that choose
    // that search make it before any search, and returns the operator-new
    // calls that took.
    static long allocations_making_table() {
        strong_release_table();
        allocations.store(0);
        counting = true;
        strong_prepare_table();
        counting = false;
        return allocations.load();
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
        request.mode = search_mode::fixed_depth;
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
    // Two allocations, the table's and the one thread's searcher: the
    // table's buckets are alignas(64), so it goes through the aligned
    // operator new[], which the count must not miss.
    EXPECT_EQ(allocations_making_table(), 2);
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

// The counter itself works: the same thread counts each form of new, once.
struct alignas(64) cache_line {
    unsigned char bytes[64];
};
void* volatile kept_pointer = nullptr;  // each pointer is stored: no allocation is optimised away

template <class Make>
long allocations_in(Make make) {
    allocations.store(0);
    counting = true;
    make();
    counting = false;
    return allocations.load();
}

// Each form of new for T counted once, its memory aligned for T.
template <class T>
void expect_each_form_counted_once() {
    bool aligned = true;  // judged after counting, so that a failure's message is not counted
    const auto note = [&aligned](T* p) {
        kept_pointer = p;
        aligned = aligned && p != nullptr && reinterpret_cast<std::uintptr_t>(p) % alignof(T) == 0;
    };
    EXPECT_EQ(allocations_in([&] { T* p = new T; note(p); delete p; }), 1) << "new, alignment " << alignof(T);
    EXPECT_EQ(allocations_in([&] { T* p = new T[3]; note(p); delete[] p; }), 1) << "new[], alignment " << alignof(T);
    EXPECT_EQ(allocations_in([&] { T* p = new (std::nothrow) T; note(p); delete p; }), 1)
        << "nothrow new, alignment " << alignof(T);
    EXPECT_EQ(allocations_in([&] { T* p = new (std::nothrow) T[3]; note(p); delete[] p; }), 1)
        << "nothrow new[], alignment " << alignof(T);
    EXPECT_TRUE(aligned) << "alignment " << alignof(T);
}

TEST_F(SearchAllocationTest, TheCounterSeesEveryFormOfNew) {
    expect_each_form_counted_once<int>();
    expect_each_form_counted_once<cache_line>();  // the aligned forms
    // A library's allocator calls operator new itself: counted too.
    EXPECT_GE(allocations_in([] {
                  std::string* text = new std::string(100, 'x');
                  kept_pointer = text;
                  delete text;
              }),
              2);
}

}  // namespace
