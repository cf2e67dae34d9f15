// bench: a fixed set of searches whose total node count is the signature of
// the engine's behaviour; any change that keeps the search tree keeps it.
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/app.h"
#include "book/book.h"
#include "settings/settings.h"
#include "game/game.h"
#include "search/request.h"
#include "search/strong_search.h"
#include "tools/tool.h"

namespace {

// Openings, middlegames with tactics, endgames, promotions, en passant,
// castling both ways, a mated side and a stalemate trap.
const char* const BENCH_POSITIONS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2",
    "rnbqkbnr/ppp1pppp/8/3p4/2PP4/8/PP2PPPP/RNBQKBNR b KQkq c3 0 2",
    "r1bq1rk1/2p1bppp/p1np1n2/1p2p3/4P3/1BP2N1P/PP1P1PP1/RNBQR1K1 b - - 0 9",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "r1b1k2r/ppppqppp/2n2n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R b KQkq - 0 6",
    "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 4 8",
    "r2q1rk1/pp2ppbp/2p2np1/6B1/3PP1b1/Q1P2N2/P4PPP/3RKB1R b K - 0 13",
    "2kr3r/pp1q1ppp/2n1bn2/2bpp3/4P3/2PP1N2/PP1NBPPP/R1BQ1RK1 w - - 0 10",
    "r1bqk2r/pppp1Npp/2n2n2/2b1p3/2B1P3/8/PPPP1PPP/RNBQK2R b KQkq - 0 5",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "rnbqkbnr/pppp1ppp/8/8/3Pp3/5N2/PPP1PPPP/RNBQKB1R b KQkq d3 0 3",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/P7/8/8/8/8/1k5p/4K3 w - - 0 1",
    "1r6/P1k5/8/8/8/8/5Kp1/7R b - - 0 1",
    "8/5P1k/8/8/8/8/8/K5q1 w - - 0 1",
    "1K1k4/1P6/8/8/8/8/r7/2R5 w - - 0 1",
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",
    "8/8/4k3/8/8/3r4/8/3QK3 w - - 0 1",
    "8/5pk1/6p1/8/8/4B1P1/5PK1/2b5 w - - 0 1",
    "8/pk6/8/8/8/8/6KP/8 b - - 0 1",
    "7k/5Q2/6K1/8/8/8/8/8 w - - 0 1",
    "R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1",
    "4k3/2r3q1/8/3N4/8/8/8/4K3 w - - 0 1",
};
constexpr int POSITION_COUNT = sizeof BENCH_POSITIONS / sizeof BENCH_POSITIONS[0];
// From this position on the list holds endgames and sharp positions, where
// the capture extension stays affordable.
constexpr int FIRST_EXTENDED = 19;
constexpr int BENCH_DEPTH = 5;

// One pass over a range of the positions with the given refinements.
struct bench_pass {
    const char* name;
    int first;
    int depth_offset;       // added to the bench depth
    int mode;               // 0: fixed depth; 3: clock with depth cap, which never runs out here
    int32_t null_and_cut;   // null move and cutting (mode 3 only)
    int32_t extension;      // advanced_search
};

const bench_pass BENCH_PASSES[] = {
    {"plain", 0, 0, 0, 0, 0},
    {"null move and cutting", 0, 0, 3, 1, 0},
    {"capture extension", FIRST_EXTENDED, 1, 0, 0, 1},
};

// The strong search's bench: every position to a fixed depth, each from an
// empty table and no history, so that the count depends on nothing but the
// search and its evaluation.
constexpr int STRONG_BENCH_DEPTH = 11;

int strong_bench(int argc, char** argv) {
    int depth = STRONG_BENCH_DEPTH;
    if (argc >= 1) {
        depth = std::atoi(argv[0]);
        if (depth < 1 || depth >= MAX_SEARCH_DEPTH) {
            std::fprintf(stderr, "bench: depth must be 1 to %d\n", MAX_SEARCH_DEPTH - 1);
            return 2;
        }
    }
    // A thread count after the depth: the nodes and their rate count every
    // thread, and above one thread the trees (and so the signature) vary
    // from run to run.
    int threads = 1;
    if (argc >= 2) {
        threads = std::atoi(argv[1]);
        if (threads < 1 || threads > MAX_SEARCH_THREADS) {
            std::fprintf(stderr, "bench: threads must be 1 to %d\n", MAX_SEARCH_THREADS);
            return 2;
        }
    }
    reset_engine_state();
    set_strong_hash_mb(DEFAULT_HASH_MB);
    set_search_threads(threads);
    strong_prepare_table();
    uint64_t total = 0;
    double seconds = 0;
    std::clock_t cpu = 0;
    for (int index = 0; index < POSITION_COUNT; ++index) {
        if (!tool_set_position(BENCH_POSITIONS[index])) {
            std::fprintf(stderr, "bench: cannot read position %d\n", index + 1);
            return 1;
        }
        clear_book_table();
        strong_clear_table();
        search_request request;
        request.pos = &game_position;
        request.side = side_to_move;
        request.engine = search_engine::strong;
        request.mode = search_mode::fixed_depth;
        request.depth_limit = depth;
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpu_start = std::clock();
        const search_result result = run_search(request);
        cpu += std::clock() - cpu_start;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        total += result.nodes;
    }
    const double cpu_seconds = static_cast<double>(cpu) / CLOCKS_PER_SEC;
    std::printf("strong search          depth %d threads %d nodes %" PRIu64 "\n", depth, threads, total);
    std::printf("nodes %" PRIu64 " time %.3f s nodes/s %.0f cpu %.3f s nodes/cpu-s %.0f\n", total, seconds,
                seconds > 0 ? total / seconds : 0.0, cpu_seconds, cpu_seconds > 0 ? total / cpu_seconds : 0.0);
    std::printf("signature %" PRIu64 "\n", total);
    return 0;
}

}  // namespace

int tool_bench(int argc, char** argv) {
    if (argc >= 1 && std::strcmp(argv[0], "strong") == 0) return strong_bench(argc - 1, argv + 1);
    int depth = BENCH_DEPTH;
    if (argc >= 1) {
        depth = std::atoi(argv[0]);
        if (depth < 1 || depth >= MAX_SEARCH_DEPTH) {
            std::fprintf(stderr, "bench: depth must be 1 to %d\n", MAX_SEARCH_DEPTH - 1);
            return 2;
        }
    }
    reset_engine_state();  // default settings, the keys of a fresh book, nothing learnt

    uint64_t total = 0;
    double seconds = 0;
    std::clock_t cpu = 0;
    for (const bench_pass& pass : BENCH_PASSES) {
        uint64_t pass_nodes = 0;
        for (int index = pass.first; index < POSITION_COUNT; ++index) {
            if (!tool_set_position(BENCH_POSITIONS[index])) {
                std::fprintf(stderr, "bench: cannot read position %d\n", index + 1);
                return 1;
            }
            // Every search starts from the same state: nothing learnt before.
            reset_search_state();
            clear_book_table();
            null_move_enabled = cutting_enabled = pass.null_and_cut;
            advanced_search = pass.extension;
            const uint64_t first = nodes_since_start();
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpu_start = std::clock();
            tool_classic_search(game_position, side_to_move, depth + pass.depth_offset, INT32_MAX, pass.mode);
            cpu += std::clock() - cpu_start;
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            pass_nodes += nodes_since_start() - first;
        }
        std::printf("%-22s depth %d nodes %" PRIu64 "\n", pass.name, depth + pass.depth_offset, pass_nodes);
        total += pass_nodes;
    }
    // The machine is shared: the rate per CPU-second is the steadier figure.
    const double cpu_seconds = static_cast<double>(cpu) / CLOCKS_PER_SEC;
    std::printf("nodes %" PRIu64 " time %.3f s nodes/s %.0f cpu %.3f s nodes/cpu-s %.0f\n", total, seconds,
                seconds > 0 ? total / seconds : 0.0, cpu_seconds, cpu_seconds > 0 ? total / cpu_seconds : 0.0);
    std::printf("signature %" PRIu64 "\n", total);
    return 0;
}
