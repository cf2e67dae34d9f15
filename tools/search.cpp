// search: one engine search of a position, reported iteration by iteration.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "book/book.h"
#include "book/random.h"
#include "settings/settings.h"
#include "game/game.h"
#include "tools/tool.h"

namespace {

using steady = std::chrono::steady_clock;

// Prints each iteration as it finishes: its own nodes and time, the root's
// score and every root move sharing it.
class iteration_printer final : public search_observer {
public:
    void iteration_finished(const iteration_report& report) override {
        std::printf("depth %d nodes %" PRIu64 " time %u ms score %d best", report.depth, report.nodes - nodes_before_,
                    report.elapsed_ms - ms_before_, report.score);
        for (int i = 0; i < report.best_count; ++i) {
            char text[8];
            coordinate_text(report.best_moves[i], text);
            std::printf(" %s", text);
        }
        std::printf("\n");
        std::fflush(stdout);
        nodes_before_ = report.nodes;
        ms_before_ = report.elapsed_ms;
    }

private:
    uint64_t nodes_before_ = 0;
    uint32_t ms_before_ = 0;
};

bool read_int(const char* text, int32_t& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<int32_t>(value);
    return true;
}

}  // namespace

int tool_search(int argc, char** argv) {
    static const char* const usage =
        "usage: orvane-tool search POSITION [--depth N] [--time MS] [--mode N] [--moves m1 m2 ...]\n"
        "                          [--null] [--cut] [--advanced] [--eval N] [--emotion N]\n"
        "Without --time the search runs to a fixed depth (mode 0: null move and cutting off).\n"
        "With --time it runs on the clock in mode 1, or mode 3 when --depth is given too.\n";
    if (argc < 1) {
        std::fputs(usage, stderr);
        return 2;
    }
    reset_engine_state();
    if (!tool_set_position(argv[0])) {
        std::fprintf(stderr, "search: cannot read the position '%s'\n", argv[0]);
        return 2;
    }

    int32_t depth = 4, budget = 0, mode = -1;
    bool timed = false, depth_given = false;
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        const bool has_value = i + 1 < argc;
        if (std::strcmp(option, "--null") == 0) {
            null_move_enabled = 1;
        } else if (std::strcmp(option, "--cut") == 0) {
            cutting_enabled = 1;
        } else if (std::strcmp(option, "--advanced") == 0) {
            advanced_search = 1;
        } else if (std::strcmp(option, "--moves") == 0) {
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                if (!tool_play_move(argv[++i])) {
                    std::fprintf(stderr, "search: %s is not a legal move here\n", argv[i]);
                    return 2;
                }
            }
        } else if (std::strcmp(option, "--depth") == 0 && has_value && read_int(argv[i + 1], depth)) {
            depth_given = true;
            ++i;
        } else if (std::strcmp(option, "--time") == 0 && has_value && read_int(argv[i + 1], budget)) {
            timed = true;
            ++i;
        } else if (std::strcmp(option, "--mode") == 0 && has_value && read_int(argv[i + 1], mode)) {
            ++i;
        } else if (std::strcmp(option, "--eval") == 0 && has_value && read_int(argv[i + 1], eval_variant)) {
            ++i;
        } else if (std::strcmp(option, "--emotion") == 0 && has_value && read_int(argv[i + 1], emotion)) {
            ++i;
        } else {
            std::fprintf(stderr, "search: bad option %s\n%s", option, usage);
            return 2;
        }
    }
    if (mode < 0) mode = !timed ? 0 : (depth_given ? 3 : 1);
    if (mode != 0 && !timed) {
        std::fprintf(stderr, "search: mode %d needs --time\n", mode);
        return 2;
    }

    const uint64_t first_node = nodes_since_start();
    const auto start = steady::now();
    iteration_printer printer;
    tool_classic_search(game_position, side_to_move, depth, mode == 0 ? 0 : budget, mode, &printer);
    const double seconds = std::chrono::duration<double>(steady::now() - start).count();
    const uint64_t nodes = nodes_since_start() - first_node;
    std::printf("nodes %" PRIu64 " time %.3f s nodes/s %.0f\n", nodes, seconds, seconds > 0 ? nodes / seconds : 0.0);
    return 0;
}
