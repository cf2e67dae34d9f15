// perft: counts the leaves of the legal-move tree under this engine's rules.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/game.h"
#include "tools/tool.h"

namespace {

// One frame per ply, set up once: the tool allocates nothing while it counts.
struct perft_frame {
    position pos;
    move_list list;
};
perft_frame frames[64];

// Leaves below frames[ply].pos with side_to_move to move.  With make_leaves
// the last ply's moves are made one by one; otherwise its list is counted.
uint64_t perft(int ply, int depth, bool make_leaves) {
    perft_frame& frame = frames[ply];
    generate_moves(frame.pos, frame.list);
    if (depth == 1 && !make_leaves) return frame.list.count;
    uint64_t leaves = 0;
    position& child = frames[ply + 1].pos;
    for (int i = 0; i < frame.list.count; ++i) {
        copy_position(child, frame.pos);
        make_move(child, frame.list.moves[i]);
        if (depth == 1) {
            ++leaves;
            continue;
        }
        side_to_move = other_colour(side_to_move);
        leaves += perft(ply + 1, depth - 1, make_leaves);
        side_to_move = other_colour(side_to_move);
    }
    return leaves;
}

}  // namespace

int tool_perft(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvane-tool perft POSITION DEPTH [--moves m1 m2 ...] [--divide] [--make-leaves]\n");
        return 2;
    }
    if (!tool_set_position(argv[0])) {
        std::fprintf(stderr, "perft: cannot read the position '%s'\n", argv[0]);
        return 2;
    }
    const int depth = std::atoi(argv[1]);
    if (depth < 0 || depth > 60) {
        std::fprintf(stderr, "perft: depth must be 0 to 60\n");
        return 2;
    }
    bool divide = false, make_leaves = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--divide") == 0) {
            divide = true;
        } else if (std::strcmp(argv[i], "--make-leaves") == 0) {
            make_leaves = true;
        } else if (std::strcmp(argv[i], "--moves") == 0) {
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                if (!tool_play_move(argv[++i])) {
                    std::fprintf(stderr, "perft: %s is not a legal move here\n", argv[i]);
                    return 2;
                }
            }
        } else {
            std::fprintf(stderr, "perft: unknown option %s\n", argv[i]);
            return 2;
        }
    }

    const auto start = std::chrono::steady_clock::now();
    uint64_t total = 0;
    copy_position(frames[0].pos, game_position);
    if (depth == 0) {
        total = 1;
    } else if (!divide) {
        total = perft(0, depth, make_leaves);
    } else {
        generate_moves(frames[0].pos, frames[0].list);
        move_list root = frames[0].list;
        for (int i = 0; i < root.count; ++i) {
            copy_position(frames[1].pos, frames[0].pos);
            make_move(frames[1].pos, root.moves[i]);
            uint64_t leaves = 1;
            if (depth > 1) {
                side_to_move = other_colour(side_to_move);
                leaves = perft(1, depth - 1, make_leaves);
                side_to_move = other_colour(side_to_move);
            }
            char buffer[8];
            coordinate_text(root.moves[i], buffer);
            std::printf("%s %" PRIu64 "\n", buffer, leaves);
            total += leaves;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("nodes %" PRIu64 " time %.3f s leaves/s %.0f (%s)\n", total, seconds,
                seconds > 0 ? total / seconds : 0.0, make_leaves ? "every leaf made" : "last ply counted");
    return 0;
}
