// label: gives each position of tuning data the strong search's score at a
// fixed node count, so that the tuner can fit the evaluation to what a
// search sees of a position as well as to the game's result, which for one
// position is mostly noise.
//
// Input: lines "FEN;RESULT" (or already "FEN;RESULT;SCORE", the score is
// found again).  Output: "FEN;RESULT;SCORE", SCORE whole centipawns for
// white, mates clamped to +-2000.  The table is kept from one position to
// the next (the positions of one game share much of their trees), the book
// is emptied before each; so the same input gives the same output.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "book/book.h"
#include "search/request.h"
#include "search/strong_search.h"
#include "tools/tool.h"
#include "tools/tuner.h"

namespace {

constexpr int LABEL_MAX_CP = 2000;

int white_centipawns(int32_t score, int side) {
    int cp = tool_centipawns(score);
    if (cp > LABEL_MAX_CP) cp = LABEL_MAX_CP;
    if (cp < -LABEL_MAX_CP) cp = -LABEL_MAX_CP;
    return side == WHITE ? cp : -cp;
}

}  // namespace

int tool_label(int argc, char** argv) {
    std::vector<const char*> files;
    const char* out_name = nullptr;
    uint64_t nodes = 3000;
    for (int i = 0; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--nodes") == 0 && has_value) {
            char* end = nullptr;
            errno = 0;
            nodes = std::strtoull(argv[++i], &end, 10);
            if (*end != 0 || errno != 0 || nodes < 100 || nodes > 100000000) {
                std::fprintf(stderr, "label: --nodes 100 to 100000000\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--out") == 0 && has_value) {
            out_name = argv[++i];
        } else if (std::strncmp(argv[i], "--", 2) == 0) {
            std::fprintf(stderr, "label: unknown argument %s\n", argv[i]);
            return 2;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty() || out_name == nullptr) {
        std::fprintf(stderr, "usage: orvane-tool label DATA... --out FILE [--nodes N]\n");
        return 2;
    }
    // Written beside the target and renamed over it once whole.
    const std::string temporary = std::string(out_name) + ".tmp";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "label: cannot write %s: %s\n", temporary.c_str(), std::strerror(errno));
        return 1;
    }
    reset_engine_state();
    set_strong_hash_mb(DEFAULT_HASH_MB);
    strong_prepare_table();
    strong_clear_table();
    static position pos;
    long labelled = 0, bad = 0;
    bool failed = false;
    for (const char* name : files) {
        std::FILE* in = std::fopen(name, "rb");
        if (in == nullptr) {
            std::fprintf(stderr, "label: cannot open %s: %s\n", name, std::strerror(errno));
            failed = true;
            break;
        }
        const tune_read_counts counts = tune_read_lines(in, [&](const char* fen, double result, int) {
            int side = WHITE;
            if (!parse_fen(fen, pos, side) || position_problem(pos, side) != nullptr) return tune_take::refused;
            clear_book_table();
            const search_result found = run_search(strong_nodes_request(pos, side, nodes));
            if (found.best_count == 0) return tune_take::refused;  // no move: nothing a game would reach
            std::fprintf(out, "%s;%s;%d\n", fen, tool_result_text(result), white_centipawns(found.score, side));
            if (++labelled % 100000 == 0) std::fprintf(stderr, "label: %ld positions\n", labelled);
            return tune_take::taken;
        });
        failed = std::ferror(in) != 0;
        std::fclose(in);
        bad += counts.bad;
        if (failed) {
            std::fprintf(stderr, "label: read error in %s\n", name);
            break;
        }
    }
    const bool written = std::fflush(out) == 0 && std::ferror(out) == 0;
    const bool closed = std::fclose(out) == 0;
    if (failed || !written || !closed || std::rename(temporary.c_str(), out_name) != 0) {
        if (!failed) std::fprintf(stderr, "label: cannot write %s: %s\n", out_name, std::strerror(errno));
        std::remove(temporary.c_str());
        return 1;
    }
    std::fprintf(stderr, "label: %ld positions written to %s, %ld bad lines skipped\n", labelled, out_name, bad);
    return 0;
}
