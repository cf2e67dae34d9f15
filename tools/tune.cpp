// tune: fits the strong evaluation's weights to game results (Texel's
// method, tools/tuner.h) and writes them as src/eval/strong_weights.h.
//
// The data are lines "FEN;RESULT" as datagen writes them.  Every position
// is traced once (strong_evaluate_trace: the count of each term, the phase,
// the scale) and then only the weights move.  The held-out positions are
// chosen by the seed, a run of lines with one result (a game, or games in a
// row that ended alike) at a time; with the same data, seed and options the
// output is the same.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "eval/strong_eval.h"
#include "eval/strong_weights.h"
#include "tools/tool.h"
#include "tools/tuner.h"

namespace {

struct tune_command {
    std::vector<const char*> files;
    std::vector<const char*> frozen_prefixes;
    tune_options options;
    uint64_t seed = 1;
    double validation = 0.1;
    // The share of a position's target taken from its search score (where
    // the line has one) rather than from its game's result.
    double blend = 0.0;
    // Whether the scores get a K of their own, fitted to the results, to
    // turn them into expected results (else the evaluation's K does).
    bool calibrate = false;
    long limit = LONG_MAX;
    const char* out = nullptr;
};

bool read_long(const char* text, long low, long high, long& out) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || errno != 0 || value < low || value > high) return false;
    out = value;
    return true;
}

bool read_double(const char* text, double low, double high, double& out) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != 0 || errno != 0 || !(value >= low && value <= high)) return false;
    out = value;
    return true;
}

const char* const TUNE_USAGE =
    "usage: orvane-tool tune DATA... [--epochs N] [--rate R] [--seed S] [--out FILE] [--limit N]\n"
    "                        [--validation F] [--threads N] [--report N] [--freeze NAME]... [--l2 X] [--last]\n"
    "                        [--blend L] [--calibrate]\n";

// Returns 0 when the arguments are good, else the exit status.
int parse_arguments(int argc, char** argv, tune_command& command) {
    command.options.epochs = 1000;
    command.options.rate = 2.0;
    command.options.report_every = 25;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        const bool has_value = i + 1 < argc;
        long number = 0;
        bool good = true;
        if (std::strncmp(arg, "--", 2) != 0) {
            command.files.push_back(arg);
            continue;
        }
        if (std::strcmp(arg, "--calibrate") == 0) {
            command.calibrate = true;
            continue;
        }
        if (std::strcmp(arg, "--last") == 0) {
            command.options.keep_best = false;  // the last epoch's weights, not the best held-out
            continue;
        }
        if (!has_value) {
            good = false;
        } else if (std::strcmp(arg, "--epochs") == 0) {
            good = read_long(argv[++i], 0, 1000000, number);
            command.options.epochs = static_cast<int>(number);
        } else if (std::strcmp(arg, "--rate") == 0) {
            good = read_double(argv[++i], 1e-6, 1000.0, command.options.rate);
        } else if (std::strcmp(arg, "--seed") == 0) {
            good = read_long(argv[++i], 0, LONG_MAX, number);
            command.seed = static_cast<uint64_t>(number);
        } else if (std::strcmp(arg, "--out") == 0) {
            command.out = argv[++i];
        } else if (std::strcmp(arg, "--limit") == 0) {
            good = read_long(argv[++i], 1, LONG_MAX, command.limit);
        } else if (std::strcmp(arg, "--validation") == 0) {
            good = read_double(argv[++i], 0.0, 0.9, command.validation);
        } else if (std::strcmp(arg, "--threads") == 0) {
            good = read_long(argv[++i], 1, 64, number);
            command.options.threads = static_cast<int>(number);
        } else if (std::strcmp(arg, "--report") == 0) {
            good = read_long(argv[++i], 1, 1000000, number);
            command.options.report_every = static_cast<int>(number);
        } else if (std::strcmp(arg, "--blend") == 0) {
            good = read_double(argv[++i], 0.0, 1.0, command.blend);
        } else if (std::strcmp(arg, "--l2") == 0) {
            good = read_double(argv[++i], 0.0, 1000.0, command.options.l2);
        } else if (std::strcmp(arg, "--freeze") == 0) {
            command.frozen_prefixes.push_back(argv[++i]);
        } else {
            good = false;
        }
        if (!good) {
            std::fprintf(stderr, "tune: bad argument %s%s%s\n%s", arg, has_value ? " " : "",
                         has_value ? argv[i] : "", TUNE_USAGE);
            return 2;
        }
    }
    if (command.files.empty()) {
        std::fprintf(stderr, "tune: no data files\n%s", TUNE_USAGE);
        return 2;
    }
    if (command.calibrate && command.blend == 0) {
        std::fprintf(stderr, "tune: --calibrate needs --blend: it sets how the scores become targets\n%s", TUNE_USAGE);
        return 2;
    }
    return 0;
}

// A pawn on the first or last rank cannot come from a game, and the
// evaluation's passed-pawn terms look at the square in front of it.
bool pawn_on_edge_rank(const position& pos) {
    for (int file = 0; file < 8; ++file)
        if (piece_type(pos.board[square_index(file, 0)]) == PAWN ||
            piece_type(pos.board[square_index(file, 7)]) == PAWN)
            return true;
    return false;
}

struct loaded {
    long positions = 0, held_out = 0, bad = 0, scored = 0;
    // The trace read back under the engine's own weights against the
    // engine's score: they differ by the engine's integer rounding only,
    // unless the trace misses something the evaluation counts.
    long disagreements = 0;
    double largest_difference = 0;
    std::string summary;  // per file, for the header
};

// Reads every file into the two sets.  false when a file cannot be opened.
bool load(const tune_command& command, const std::vector<double>& weights, tune_set& training,
          tune_set& validation, std::vector<int>& training_scores, std::vector<int>& validation_scores,
          loaded& data) {
    static position pos;
    static strong_trace trace;
    static strong_pawn_cache pawns;
    uint64_t group = 0;
    double last_result = -1;
    for (const char* name : command.files) {
        std::FILE* file = std::fopen(name, "rb");
        if (file == nullptr) {
            std::fprintf(stderr, "tune: cannot open %s: %s\n", name, std::strerror(errno));
            return false;
        }
        ++group;  // a game never runs on from one file into the next
        long taken_here = 0;
        const tune_read_counts counts = tune_read_lines(file, [&](const char* fen, double result, int score) {
            if (data.positions >= command.limit) return tune_take::stop;
            int side = WHITE;
            if (!parse_fen(fen, pos, side) || position_problem(pos, side) != nullptr ||
                pawn_on_edge_rank(pos))
                return tune_take::refused;
            strong_evaluate_trace(pos, side, pawns, trace);
            if (result != last_result) ++group;
            last_result = result;
            const bool held = tune_held_out(command.seed, group, command.validation);
            tune_set& set = held ? validation : training;
            set.add(trace.coeff, trace.phase, trace.scale, trace.fixed_mg, trace.fixed_eg, result);
            (held ? validation_scores : training_scores).push_back(score);
            data.scored += score != TUNE_NO_SCORE;
            const int engine = strong_evaluate(pos, side, pawns) * (side == WHITE ? 1 : -1);
            const double difference = std::abs(tune_evaluate(set, set.size() - 1, weights) - engine);
            data.disagreements += difference > 2.0;
            data.largest_difference = std::max(data.largest_difference, difference);
            ++data.positions, ++taken_here;
            data.held_out += held;
            return tune_take::taken;
        });
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) {
            std::fprintf(stderr, "tune: read error in %s\n", name);
            return false;
        }
        data.bad += counts.bad;
        std::fprintf(stderr, "tune: %s: %ld positions, %ld bad lines skipped\n", name, counts.taken,
                     counts.bad);
        if (!data.summary.empty()) data.summary += ", ";
        data.summary += std::string(name) + " (" + std::to_string(taken_here) + ")";
        if (data.positions >= command.limit) break;
    }
    return true;
}

std::string command_line(int argc, char** argv) {
    std::string text = "orvane-tool tune";
    for (int i = 0; i < argc; ++i) {
        const bool quote = std::strpbrk(argv[i], " \t") != nullptr || argv[i][0] == 0;
        text += quote ? std::string(" \"") + argv[i] + "\"" : std::string(" ") + argv[i];
    }
    return text;
}

// Writes text to path whole or not at all: a temporary file beside it,
// renamed over it once complete, so that a build never sees half a file.
bool write_whole(const char* path, const std::string& text) {
    const std::string temporary = std::string(path) + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "tune: cannot write %s: %s\n", temporary.c_str(), std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path) != 0) {
        std::fprintf(stderr, "tune: cannot write %s: %s\n", path, std::strerror(errno));
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

// An error for the log, or "-" without held-out positions.
std::string error_text(double error) {
    if (error < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", error);
    return text;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int tool_tune(int argc, char** argv) {
    tune_command command;
    if (const int status = parse_arguments(argc, argv, command); status != 0) return status;

    std::vector<std::string> names(STRONG_TERM_COUNT);
    for (int i = 0; i < STRONG_TERM_COUNT; ++i) names[i] = strong_term_name(i);
    std::vector<double> weights(2 * STRONG_TERM_COUNT);
    for (int i = 0; i < STRONG_TERM_COUNT; ++i) {
        weights[2 * i] = STRONG_WEIGHTS[i].mg;
        weights[2 * i + 1] = STRONG_WEIGHTS[i].eg;
    }
    command.options.frozen.assign(weights.size(), false);
    for (const char* prefix : command.frozen_prefixes) {
        int matched = 0;
        for (int i = 0; i < STRONG_TERM_COUNT; ++i) {
            if (names[i].compare(0, std::strlen(prefix), prefix) != 0) continue;
            command.options.frozen[2 * i] = command.options.frozen[2 * i + 1] = true;
            ++matched;
        }
        if (matched == 0) {
            std::fprintf(stderr, "tune: --freeze %s: no term's name begins so\n", prefix);
            return 2;
        }
    }

    const auto start = std::chrono::steady_clock::now();
    tune_set training(STRONG_TERM_COUNT), validation(STRONG_TERM_COUNT);
    loaded data;
    std::vector<int> training_scores, validation_scores;
    if (!load(command, weights, training, validation, training_scores, validation_scores, data)) return 1;
    if (training.size() == 0) {
        std::fprintf(stderr, "tune: no positions to tune on\n");
        return 1;
    }
    if (data.disagreements > 0)
        std::fprintf(stderr,
                     "tune: warning: on %ld positions the trace's score is more than 2 cp from the engine's "
                     "(by up to %.1f cp): the trace does not count all the evaluation does\n",
                     data.disagreements, data.largest_difference);
    const tune_set* held_out = validation.size() > 0 ? &validation : nullptr;
    int absent = 0;
    for (size_t count : training.term_presence()) absent += count == 0;
    std::fprintf(stderr,
                 "tune: %ld positions (%zu training, %zu held out), %.1f terms a position, %d terms in none "
                 "(they stay); loaded in %.1f s\n",
                 data.positions, training.size(), validation.size(),
                 static_cast<double>(training.nonzeros()) / static_cast<double>(training.size()), absent,
                 seconds_since(start));

    const int threads = command.options.threads;
    // K is fitted to the games' results alone, before any blending.
    const double k = tune_fit_k(training, weights, threads);
    // Without calibration a score means what the same evaluation score
    // would: the evaluation then takes on the search's scale, which grows
    // from one round of labels to the next.
    double score_k = k;
    if (command.blend > 0) {
        if (command.calibrate) score_k = tune_fit_score_k(training, training_scores);
        if (score_k <= 0) score_k = k;
        tune_blend_targets(training, training_scores, score_k, command.blend);
        tune_blend_targets(validation, validation_scores, score_k, command.blend);
        std::fprintf(stderr,
                     "tune: %ld positions with a search score; targets blend %.2f of it with the result; "
                     "the scores' K %.6f\n",
                     data.scored, command.blend, score_k);
    }
    const double training_before = tune_error(training, weights, k, threads);
    const double held_before = held_out != nullptr ? tune_error(validation, weights, k, threads) : -1;
    std::fprintf(stderr, "tune: K %.6f; error %.6f training, %s held out\n", k, training_before,
                 error_text(held_before).c_str());

    const auto epochs_start = std::chrono::steady_clock::now();
    const int kept_epoch = tune_run(training, held_out, weights, k, command.options,
             [&](int epoch, double training_error, double held) {
                 std::fprintf(stderr, "tune: epoch %d  training %.6f  held out %s  (%.1f s)\n", epoch,
                              training_error, error_text(held).c_str(), seconds_since(epochs_start));
             });
    const double epoch_seconds = seconds_since(epochs_start) / std::max(command.options.epochs, 1);

    const std::vector<int16_t> rounded = tune_round(weights);
    std::vector<double> final_weights(rounded.begin(), rounded.end());
    const double training_after = tune_error(training, final_weights, k, threads);
    const double held_after = held_out != nullptr ? tune_error(validation, final_weights, k, threads) : -1;
    std::fprintf(stderr, "tune: after %d epochs (%.3f s each), weights of epoch %d: error %.6f training, %s held out\n",
                 command.options.epochs, epoch_seconds, kept_epoch, training_after, error_text(held_after).c_str());

    char figures[320];
    char calibration[64] = "";
    if (command.calibrate) std::snprintf(calibration, sizeof calibration, ", their own K %.6f", score_k);
    if (command.blend > 0)  // both errors are against the blended targets
        std::snprintf(figures, sizeof figures,
                      "K %.6f; targets %.2f search score (%ld positions scored%s); weights of epoch %d; mean "
                      "squared error %.6f before, %.6f after",
                      k, command.blend, data.scored, calibration, kept_epoch, training_before, training_after);
    else
        std::snprintf(figures, sizeof figures, "K %.6f; weights of epoch %d; mean squared error %.6f before, %.6f after",
                      k, kept_epoch, training_before, training_after);
    std::string errors = figures;
    if (held_out != nullptr) {
        std::snprintf(figures, sizeof figures, " (held out: %.6f before, %.6f after)", held_before,
                      held_after);
        errors += figures;
    }
    const std::vector<std::string> comment = {
        "The strong evaluation's weights (eval/strong_eval.h, beside the classic evaluation), by term",
        command.blend > 0 ? "(strong_terms.h), fitted to search scores and game results by orvane-tool tune: tune"
                          : "(strong_terms.h), fitted to game results by orvane-tool tune: tune again rather than",
        command.blend > 0 ? "again rather than edit by hand." : "edit by hand.",
        "Data: " + data.summary,
        std::to_string(data.positions) + " positions, " + std::to_string(data.held_out) +
            " of them held out by seed " + std::to_string(command.seed) + "; " + std::to_string(data.bad) +
            " bad lines skipped.",
        "Command: " + command_line(argc, argv),
        errors + ".",
    };
    const tune_file_layout layout = {"#include \"eval/strong_terms.h\"", "strong_weight", "STRONG_WEIGHTS",
                                     "STRONG_TERM_COUNT"};
    const std::string text = tune_weights_text(layout, comment, rounded, names);
    if (command.out == nullptr) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!write_whole(command.out, text)) return 1;
    std::fprintf(stderr, "tune: wrote %s\n", command.out);
    return 0;
}
