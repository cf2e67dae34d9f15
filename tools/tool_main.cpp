// orvane-tool: perft and the other developer subcommands.
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "frontend/settings.h"
#include "tools/tool.h"

namespace {
struct subcommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

const subcommand SUBCOMMANDS[] = {
    {"perft", tool_perft, "perft POSITION DEPTH [--moves m1 m2 ...] [--divide] [--make-leaves]"},
    {"eval", tool_eval, "eval POSITION [--engine-side white|black] [--variant N] [--emotion N] [--bench]"},
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
    int side = WHITE;
    if (!parse_fen(text, game_position, side)) return false;
    side_to_move = side;
    return true;
}

int main(int argc, char** argv) {
    human_mode = 0;  // no diagrams from new_game
    if (argc < 2) {
        usage();
        return 2;
    }
    for (const subcommand& s : SUBCOMMANDS)
        if (std::strcmp(argv[1], s.name) == 0) return s.run(argc - 2, argv + 2);
    usage();
    return 2;
}
