// orvane-tool: perft and the other developer subcommands.
#include <cstdio>
#include <cstring>

#include "game/game.h"
#include "settings/settings.h"
#include "tools/tool.h"

namespace {
struct subcommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

const subcommand SUBCOMMANDS[] = {
    {"perft", tool_perft, "perft POSITION DEPTH [--moves m1 m2 ...] [--divide] [--make-leaves]"},
    {"search", tool_search,
     "search POSITION [--depth N] [--time MS] [--mode N] [--moves m1 m2 ...] [--null] [--cut] [--advanced]\n"
     "         [--eval N] [--emotion N]"},
    {"bench", tool_bench, "bench [DEPTH] | bench strong [DEPTH [THREADS]]"},
    {"eval", tool_eval, "eval POSITION [--engine-side white|black] [--variant N] [--emotion N] [--bench]"},
    {"book", tool_book, "book FILE [--position POSITION]"},
    {"datagen", tool_datagen, "datagen [--games N] [--nodes N] [--seed N] [--random-plies N] [--scores] [--out FILE]"},
    {"tune", tool_tune,
     "tune DATA... [--epochs N] [--rate R] [--seed S] [--out FILE] [--limit N] [--validation F] [--threads N]\n"
     "         [--report N] [--freeze NAME]... [--l2 X] [--last] [--blend L]"},
    {"label", tool_label, "label DATA... --out FILE [--nodes N]"},
};

void usage() {
    std::fprintf(stderr, "usage: orvane-tool SUBCOMMAND ...\n");
    for (const subcommand& s : SUBCOMMANDS) std::fprintf(stderr, "  %s\n", s.usage);
    std::fprintf(stderr, "POSITION is a FEN (one argument, quoted) or startpos.\n");
}
}  // namespace

bool tool_set_position(const char* text) {
    if (std::strcmp(text, "startpos") == 0) {
        new_game();
        return true;
    }
    static position pos;
    int side = WHITE;
    if (!parse_fen(text, pos, side)) return false;
    game_begin_at(pos, side);
    return true;
}

bool tool_play_move(const char* text) {
    generate_moves(game_position, game_moves);
    for (int i = 0; i < game_moves.count; ++i) {
        char buffer[8];
        coordinate_text(game_moves.moves[i], buffer);
        if (std::strncmp(buffer, text, 4) == 0 && (text[4] == 0 || text[4] == buffer[4] || buffer[4] == 0)) {
            game_play(game_moves.moves[i]);
            side_to_move = other_colour(side_to_move);
            return true;
        }
    }
    return false;
}

search_request strong_nodes_request(const position& pos, int side, uint64_t nodes) {
    search_request request;
    request.pos = &pos;
    request.side = side;
    request.engine = search_engine::strong;
    request.mode = search_mode::fixed_depth;
    request.depth_limit = 60;
    request.limits.node_limit = nodes_since_start() + nodes;
    request.limits.strict_root = true;
    return request;
}

bool strong_root_is_quiet(const position& pos, int side) {
    search_request request;
    request.pos = &pos;
    request.side = side;
    request.engine = search_engine::strong;
    request.mode = search_mode::quiescence;
    return run_search(request).depth == 0;
}

search_result tool_classic_search(const position& pos, int side, int depth, int32_t budget_ms, int clock_mode,
                                  search_observer* observer) {
    search_request request = classic_request(pos, side, depth, budget_ms, clock_mode);
    request.observer = observer;
    return run_search(request);
}

int tool_centipawns(int32_t score) { return static_cast<int>(static_cast<int64_t>(score) * 100 / 65536); }

const char* tool_result_text(double result) { return result > 0.75 ? "1" : result < 0.25 ? "0" : "0.5"; }

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    for (const subcommand& s : SUBCOMMANDS)
        if (std::strcmp(argv[1], s.name) == 0) return s.run(argc - 2, argv + 2);
    usage();
    return 2;
}
