// eval: the static evaluation of one position taken apart term by term, so
// that a person can check a score by hand; --bench measures its speed.
#include "eval/eval.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "settings/settings.h"
#include "game/game.h"
#include "tools/tool.h"

namespace {

const char* const EVAL_USAGE =
    "usage: orvane-tool eval POSITION [--engine-side white|black] [--variant N] [--emotion N] [--bench]\n"
    "POSITION's side to move is the colour to reply; the other colour has just moved.\n";

const char* colour_name(int colour) {
    return colour == WHITE ? "white" : "black";
}

// Reads a whole decimal int; false for anything else.
bool read_int(const char* text, int32_t& out) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || errno != 0 || value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<int32_t>(value);
    return true;
}

// evaluate() as the search calls it at a leaf: side_to_move is the colour
// that has just moved, the other one replies.
int32_t leaf_score(const position& pos, int reply, int variant) {
    const int32_t saved_variant = eval_variant;
    eval_variant = variant;
    side_to_move = other_colour(reply);
    const int32_t score = evaluate(pos, -1);
    side_to_move = reply;
    eval_variant = saved_variant;
    return score;
}

// Prints every term, the sums behind them, the major value of each variant
// and what evaluate() returns for each variant 0 to 4.
void explain(const position& pos, int reply) {
    const int sign = engine_side == WHITE ? 1 : -1;

    side_to_move = reply;
    const int any_move = has_legal_move(pos);
    const int checked = in_check(pos);
    std::printf("to reply: %s; in check: %s; has a legal move: %s\n", colour_name(reply),
                checked ? "yes" : "no", any_move ? "yes" : "no");
    std::printf("engine_side: %s (sign %+d); emotion %d; eval_variant %d\n", colour_name(engine_side), sign,
                emotion, eval_variant);
    std::printf("draw flags: repetition %d, fifty moves %d\n", pos.repetition_draw, pos.fifty_move_draw);

    pawn_knight_totals sums{};
    pawn_knight_sums(pos, sums);
    const int white_activity = count_activity(WHITE, pos.board);
    const int black_activity = count_activity(BLACK, pos.board);
    std::printf("material: white %d, black %d\n", pos.white_material, pos.black_material);
    std::printf("castled: white %d, black %d; rights (right+left): white %d, black %d\n", pos.white_castled,
                pos.black_castled, pos.white_castle_right + pos.white_castle_left,
                pos.black_castle_right + pos.black_castle_left);
    std::printf("king ranks: white %d, black %d\n", pos.white_king_rank, pos.black_king_rank);
    std::printf("pawn advance: white %d, black %d\n", sums.white_pawn_advance, sums.black_pawn_advance);
    std::printf("knight placement: white %d, black %d\n", sums.white_knight_placement,
                sums.black_knight_placement);
    std::printf("activity: white %d, black %d\n", white_activity, black_activity);

    const int material = pos.white_material - pos.black_material;
    const int castling = 4 * (pos.white_castled - pos.black_castled) +
                         (pos.white_castle_right + pos.white_castle_left) -
                         (pos.black_castle_right + pos.black_castle_left);
    const int king_rank = (7 - pos.black_king_rank) - pos.white_king_rank;
    const int pawn_advance = sums.white_pawn_advance - sums.black_pawn_advance;
    const int knight_placement = sums.white_knight_placement - sums.black_knight_placement;
    const int activity = white_activity - black_activity;
    std::printf("%-22s %12s %12s\n", "term", "white-black", "times sign");
    const struct {
        const char* name;
        int value;
    } terms[] = {{"material_term", material},
                 {"castling_term", castling},
                 {"king_rank_term", king_rank},
                 {"pawn_advance_term", pawn_advance},
                 {"knight_placement_term", knight_placement},
                 {"activity_term", activity}};
    for (const auto& t : terms) std::printf("%-22s %12d %12d\n", t.name, t.value, sign * t.value);

    const int total = pos.white_material + pos.black_material;
    const int emotion_term = emotion == 0 ? 0 : (emotion < 0 ? total : -total);
    std::printf("emotion_term: %d\n", emotion_term);

    const int major1 = 256 * material + castling + 6 * king_rank;
    const int major2 = 256 * material + 2 * castling + 12 * king_rank + 3 * pawn_advance + knight_placement;
    const int major[4] = {sign * 256 * material, sign * major1, sign * major2,
                          sign * (major2 + 2 * activity)};
    std::printf("major: variant 0 %d, variant 1 %d, variant 2 %d, variant 3 %d\n", major[0], major[1],
                major[2], major[3]);

    std::printf("evaluate:");
    for (int variant = 0; variant <= 4; ++variant)
        std::printf("%s variant %d %d", variant ? "," : "", variant, leaf_score(pos, reply, variant));
    std::printf("\n");
    std::printf("score (eval_variant %d): %d\n", eval_variant, leaf_score(pos, reply, eval_variant));
}

// The bench's positions, the side to move being the colour to reply: the
// opening, middle games with every kind of man, castling and en-passant
// states, endings, a promotion race, a check, a mate and a stalemate.
const char* const BENCH_FENS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r1bqkb1r/pp2pppp/2np1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w KQkq - 2 6",
    "rnbqkb1r/ppp2ppp/4pn2/3p2B1/2PP4/2N5/PP2PPPP/R2QKBNR b KQkq - 3 4",
    "8/5pk1/6p1/8/3R4/6P1/r4PK1/8 w - - 0 40",
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",
    "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3Q2K1 b - - 0 1",
    "r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQ1RK1 w - - 0 9",
    "8/1P4k1/8/8/8/8/5Kp1/8 w - - 0 1",
    "rnbqkbnr/ppp2ppp/8/1B1pp3/4P3/8/PPPP1PPP/RNBQK1NR b KQkq - 1 3",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "2k5/8/8/8/8/8/8/4K2R w K - 0 1",
};
constexpr int BENCH_COUNT = sizeof BENCH_FENS / sizeof BENCH_FENS[0];

// Set up before the clock starts: the timed loop allocates nothing.
position bench_positions[BENCH_COUNT];
int bench_movers[BENCH_COUNT];

// CPU seconds used by the process: other programs on the machine slow the
// wall clock down but not this.
double cpu_seconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Evaluations per CPU-second of one variant: five runs of at least 0.3 s each,
// the median reported.  The checksum keeps the calls from being optimised away.
void bench_variant(int variant) {
    eval_variant = variant;
    double rates[5];
    int64_t checksum = 0;
    for (double& rate : rates) {
        uint64_t evaluations = 0;
        const double start = cpu_seconds();
        double seconds = 0;
        do {
            for (int round = 0; round < 1000; ++round) {
                for (int i = 0; i < BENCH_COUNT; ++i) {
                    side_to_move = bench_movers[i];
                    checksum += evaluate(bench_positions[i], -1);
                }
            }
            evaluations += 1000 * BENCH_COUNT;
            seconds = cpu_seconds() - start;
        } while (seconds < 0.3);
        rate = static_cast<double>(evaluations) / seconds;
    }
    std::sort(rates, rates + 5);
    std::printf("variant %d: evals per CPU-second median %.0f (runs", variant, rates[2]);
    for (const double rate : rates) std::printf(" %.0f", rate);
    std::printf("; checksum %lld)\n", static_cast<long long>(checksum));
}

int run_bench() {
    for (int i = 0; i < BENCH_COUNT; ++i) {
        int reply = WHITE;
        if (!parse_fen(BENCH_FENS[i], bench_positions[i], reply)) {
            std::fprintf(stderr, "eval: bench position %d cannot be read\n", i);
            return 1;
        }
        bench_movers[i] = other_colour(reply);
    }
    std::printf("%d positions; engine_side %s, emotion %d\n", BENCH_COUNT, colour_name(engine_side), emotion);
    bench_variant(2);
    bench_variant(3);
    return 0;
}

}  // namespace

int tool_eval(int argc, char** argv) {
    if (argc < 1) {
        std::fputs(EVAL_USAGE, stderr);
        return 2;
    }
    engine_side = WHITE;
    bool bench = false;
    for (int i = 1; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--bench") == 0) {
            bench = true;
        } else if (std::strcmp(argv[i], "--engine-side") == 0 && has_value) {
            ++i;
            if (std::strcmp(argv[i], "white") == 0) {
                engine_side = WHITE;
            } else if (std::strcmp(argv[i], "black") == 0) {
                engine_side = BLACK;
            } else {
                std::fprintf(stderr, "eval: --engine-side takes white or black, not '%s'\n", argv[i]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--variant") == 0 && has_value) {
            if (!read_int(argv[++i], eval_variant)) {
                std::fprintf(stderr, "eval: --variant takes an integer, not '%s'\n", argv[i]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--emotion") == 0 && has_value) {
            if (!read_int(argv[++i], emotion)) {
                std::fprintf(stderr, "eval: --emotion takes an integer, not '%s'\n", argv[i]);
                return 2;
            }
        } else {
            std::fprintf(stderr, "eval: unknown or incomplete option %s\n", argv[i]);
            std::fputs(EVAL_USAGE, stderr);
            return 2;
        }
    }
    if (!tool_set_position(argv[0])) {
        std::fprintf(stderr, "eval: cannot read the position '%s'\n", argv[0]);
        return 2;
    }
    if (bench) return run_bench();
    std::printf("position: %s\n", argv[0]);
    explain(game_position, side_to_move);
    return 0;
}
