// The tuner's core; see tuner.h.
#include "tools/tuner.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr double LN10 = 2.302585092994045684;

// Runs work(begin, end, slot) over [0, n) cut into `threads` contiguous
// pieces, the first piece on the calling thread.  Each piece writes only
// its own slot, and the caller adds the slots up in order, so the outcome
// depends on the thread count but never on the timing.
int piece_count(size_t n, int threads) {
    threads = std::clamp(threads, 1, 64);
    return static_cast<size_t>(threads) > n ? (n > 0 ? static_cast<int>(n) : 1) : threads;
}

template <typename Work>
void split_work(size_t n, int threads, const Work& work) {
    threads = piece_count(n, threads);
    std::vector<std::thread> helpers;
    helpers.reserve(threads - 1);
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back([&work, n, threads, t] { work(n * t / threads, n * (t + 1) / threads, t); });
    work(0, n / threads, 0);
    for (std::thread& helper : helpers) helper.join();
}

uint64_t mix(uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The error of precomputed scores at K: what the K fit evaluates over and over.
double error_of_scores(const tune_set& set, const std::vector<double>& scores, double k, int threads) {
    const int pieces = piece_count(set.size(), threads);
    std::vector<double> sums(pieces, 0.0);
    split_work(set.size(), pieces, [&](size_t begin, size_t end, int slot) {
        double sum = 0;
        for (size_t p = begin; p < end; ++p) {
            const double miss = set.result(p) - tune_sigmoid(k * scores[p] / 400.0);
            sum += miss * miss;
        }
        sums[slot] = sum;
    });
    double total = 0;
    for (double s : sums) total += s;
    return set.size() > 0 ? total / static_cast<double>(set.size()) : 0.0;
}

}  // namespace

tune_set::tune_set(int term_count) : term_count_(std::clamp(term_count, 0, 65535)) {
    offsets_.push_back(0);
}

void tune_set::add(const int16_t* coeff, int phase, int scale, int fixed_mg, int fixed_eg, double result) {
    for (int i = 0; i < term_count_; ++i)
        if (coeff[i] != 0) terms_.push_back({static_cast<uint16_t>(i), coeff[i]});
    offsets_.push_back(terms_.size());
    phases_.push_back(static_cast<uint8_t>(std::clamp(phase, 0, TUNE_MAX_PHASE)));
    scales_.push_back(static_cast<uint8_t>(std::clamp(scale, 0, TUNE_MAX_SCALE)));
    const size_t p = phases_.size() - 1;
    fixed_.push_back(static_cast<float>(fixed_mg * mg_share(p) + fixed_eg * eg_share(p)));
    results_.push_back(static_cast<float>(std::clamp(result, 0.0, 1.0)));
}

std::vector<size_t> tune_set::term_presence() const {
    std::vector<size_t> presence(term_count_, 0);
    for (const tune_term& t : terms_) ++presence[t.index];
    return presence;
}

double tune_sigmoid(double x) {
    return 1.0 / (1.0 + std::exp(-x * LN10));
}

double tune_evaluate(const tune_set& set, size_t p, const std::vector<double>& weights) {
    double mg = 0, eg = 0;
    for (const tune_term* t = set.terms_begin(p); t != set.terms_end(p); ++t) {
        mg += t->coeff * weights[2 * t->index];
        eg += t->coeff * weights[2 * t->index + 1];
    }
    return set.fixed(p) + set.mg_share(p) * mg + set.eg_share(p) * eg;
}

double tune_error(const tune_set& set, const std::vector<double>& weights, double k, int threads) {
    const int pieces = piece_count(set.size(), threads);
    std::vector<double> sums(pieces, 0.0);
    split_work(set.size(), pieces, [&](size_t begin, size_t end, int slot) {
        double sum = 0;
        for (size_t p = begin; p < end; ++p) {
            const double miss = set.result(p) - tune_sigmoid(k * tune_evaluate(set, p, weights) / 400.0);
            sum += miss * miss;
        }
        sums[slot] = sum;
    });
    double total = 0;
    for (double s : sums) total += s;
    return set.size() > 0 ? total / static_cast<double>(set.size()) : 0.0;
}

double tune_gradient(const tune_set& set, const std::vector<double>& weights, double k,
                     std::vector<double>& gradient, int threads) {
    const size_t width = weights.size();
    const int pieces = piece_count(set.size(), threads);
    std::vector<std::vector<double>> parts(pieces, std::vector<double>(width, 0.0));
    std::vector<double> sums(pieces, 0.0);
    // d(miss^2)/d(score) = -2 miss * s (1 - s) * ln10 * K / 400; the
    // constant factor is applied once at the end.
    split_work(set.size(), pieces, [&](size_t begin, size_t end, int slot) {
        double* part = parts[slot].data();
        double sum = 0;
        for (size_t p = begin; p < end; ++p) {
            const double s = tune_sigmoid(k * tune_evaluate(set, p, weights) / 400.0);
            const double miss = set.result(p) - s;
            sum += miss * miss;
            const double slope = miss * s * (1.0 - s);
            const double to_mg = slope * set.mg_share(p), to_eg = slope * set.eg_share(p);
            for (const tune_term* t = set.terms_begin(p); t != set.terms_end(p); ++t) {
                part[2 * t->index] += to_mg * t->coeff;
                part[2 * t->index + 1] += to_eg * t->coeff;
            }
        }
        sums[slot] = sum;
    });
    gradient.assign(width, 0.0);
    double total = 0;
    for (int slot = 0; slot < pieces; ++slot) {
        total += sums[slot];
        for (size_t i = 0; i < width; ++i) gradient[i] += parts[slot][i];
    }
    if (set.size() == 0) return 0.0;
    const double n = static_cast<double>(set.size());
    const double factor = -2.0 * LN10 * k / 400.0 / n;
    for (double& g : gradient) g *= factor;
    return total / n;
}

namespace {

// The K in [0.05, 10] least in error(K): a scan on a logarithmic grid, then
// golden-section search between the best point's neighbours.
template <typename Error>
double least_error_k(const Error& error) {
    constexpr double LOW = 0.05, HIGH = 10.0;
    constexpr int GRID = 64;
    auto grid = [&](int j) { return LOW * std::pow(HIGH / LOW, j / double(GRID)); };
    int best = 0;
    double best_error = error(grid(0));
    for (int j = 1; j <= GRID; ++j) {
        const double e = error(grid(j));
        if (e < best_error) best_error = e, best = j;
    }
    // The error is smooth and, near its least value, has one minimum; the
    // grid's neighbours of the best point bracket it.
    double a = grid(std::max(best - 1, 0)), b = grid(std::min(best + 1, GRID));
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double c = b - ratio * (b - a), d = a + ratio * (b - a);
    double ec = error(c), ed = error(d);
    while (b - a > 1e-7 * b) {
        if (ec < ed) {
            b = d, d = c, ed = ec;
            c = b - ratio * (b - a);
            ec = error(c);
        } else {
            a = c, c = d, ec = ed;
            d = a + ratio * (b - a);
            ed = error(d);
        }
    }
    return (a + b) / 2;
}

}  // namespace

double tune_fit_k(const tune_set& set, const std::vector<double>& weights, int threads) {
    // The scores do not depend on K: work them out once.
    std::vector<double> scores(set.size());
    split_work(set.size(), threads, [&](size_t begin, size_t end, int) {
        for (size_t p = begin; p < end; ++p) scores[p] = tune_evaluate(set, p, weights);
    });
    return least_error_k([&](double k) { return error_of_scores(set, scores, k, threads); });
}

double tune_fit_score_k(const tune_set& set, const std::vector<int>& scores) {
    std::vector<double> results, scored;
    for (size_t p = 0; p < set.size() && p < scores.size(); ++p)
        if (scores[p] != TUNE_NO_SCORE) results.push_back(set.result(p)), scored.push_back(scores[p]);
    if (scored.empty()) return 0.0;
    return least_error_k([&](double k) {
        double sum = 0;
        for (size_t i = 0; i < scored.size(); ++i) {
            const double miss = results[i] - tune_sigmoid(k * scored[i] / 400.0);
            sum += miss * miss;
        }
        return sum / static_cast<double>(scored.size());
    });
}

int tune_run(const tune_set& training, const tune_set* validation, std::vector<double>& weights, double k,
             const tune_options& options, const tune_progress& progress) {
    constexpr double BETA1 = 0.9, BETA2 = 0.999, EPSILON = 1e-8;
    const size_t width = weights.size();
    const std::vector<double> start = weights;
    std::vector<double> gradient, first(width, 0.0), second(width, 0.0);
    double beta1_power = 1.0, beta2_power = 1.0;
    const bool keep_best = options.keep_best && validation != nullptr && validation->size() > 0;
    std::vector<double> best_weights = weights;
    double best_error = keep_best ? tune_error(*validation, weights, k, options.threads) : 0.0;
    int best_epoch = 0;
    for (int epoch = 1; epoch <= options.epochs; ++epoch) {
        const double training_error = tune_gradient(training, weights, k, gradient, options.threads);
        const bool report = progress && (epoch == options.epochs ||
                                         (options.report_every > 0 && epoch % options.report_every == 0));
        double validation_error = -1.0;
        if (keep_best || (report && validation != nullptr))
            validation_error = tune_error(*validation, weights, k, options.threads);
        // The held-out error is of the weights this epoch starts from.
        if (keep_best && epoch > 1 && validation_error < best_error) {
            best_error = validation_error;
            best_weights = weights;
            best_epoch = epoch - 1;
        }
        if (report) progress(epoch, training_error, validation_error);
        beta1_power *= BETA1;
        beta2_power *= BETA2;
        for (size_t i = 0; i < width; ++i) {
            if (i < options.frozen.size() && options.frozen[i]) continue;
            const double g = gradient[i] + options.l2 * (weights[i] - start[i]);
            first[i] = BETA1 * first[i] + (1 - BETA1) * g;
            second[i] = BETA2 * second[i] + (1 - BETA2) * g * g;
            const double mean = first[i] / (1 - beta1_power), square = second[i] / (1 - beta2_power);
            weights[i] -= options.rate * mean / (std::sqrt(square) + EPSILON);
        }
    }
    if (!keep_best) return options.epochs;
    if (tune_error(*validation, weights, k, options.threads) < best_error) return options.epochs;
    weights = best_weights;
    return best_epoch;
}

bool tune_held_out(uint64_t seed, uint64_t group, double fraction) {
    const uint64_t h = mix(mix(seed) ^ group);
    return static_cast<double>(h >> 11) * 0x1.0p-53 < fraction;
}

std::vector<int16_t> tune_round(const std::vector<double>& weights) {
    std::vector<int16_t> rounded(weights.size());
    for (size_t i = 0; i < weights.size(); ++i) {
        const double w = std::isfinite(weights[i]) ? std::clamp(weights[i], -32768.0, 32767.0) : 0.0;
        rounded[i] = static_cast<int16_t>(std::lround(w));
    }
    return rounded;
}

std::string tune_weights_text(const tune_file_layout& layout, const std::vector<std::string>& comment,
                              const std::vector<int16_t>& rounded, const std::vector<std::string>& names) {
    std::string text = "#pragma once\n\n" + layout.include_line + "\n\n";
    for (std::string line : comment) {
        // A file name with a line break in it must not end the comment.
        for (char& c : line)
            if (static_cast<unsigned char>(c) < 32) c = '?';
        text += line.empty() ? "//\n" : "// " + line + "\n";
    }
    text += "inline constexpr " + layout.type_name + " " + layout.array_name + "[" + layout.count_name +
            "] = {\n";
    for (size_t i = 0; i < names.size() && 2 * i + 1 < rounded.size(); ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "    {%d, %d},  // ", rounded[2 * i], rounded[2 * i + 1]);
        text += line + names[i] + "\n";
    }
    text += "};\n";
    return text;
}

void tune_blend_targets(tune_set& set, const std::vector<int>& scores, double k, double blend) {
    for (size_t p = 0; p < set.size() && p < scores.size(); ++p)
        if (scores[p] != TUNE_NO_SCORE)
            set.set_result(p, (1.0 - blend) * set.result(p) + blend * tune_sigmoid(k * scores[p] / 400.0));
}

namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// One line, without its '\n', at most TUNE_MAX_LINE bytes (too_long says
// there were more).  Returns false to stop reading.
bool read_one(char* line, size_t length, bool too_long, tune_read_counts& counts,
              const tune_reader& take) {
    ++counts.lines;
    while (length > 0 && is_space(line[length - 1])) --length;
    if (length == 0 && !too_long) return true;
    if (too_long) {
        ++counts.bad;
        return true;
    }
    size_t split = length;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if ((c < 32 && c != '\t') || c >= 127) {
            ++counts.bad;
            return true;
        }
        if (c == ';' && split == length) split = i;
    }
    if (split == length) {
        ++counts.bad;
        return true;
    }
    // After the result, a search's score may follow: ";SCORE", whole
    // centipawns for white.
    size_t result_end = split + 1;
    while (result_end < length && line[result_end] != ';') ++result_end;
    int score = TUNE_NO_SCORE;
    if (result_end < length) {
        size_t s = result_end + 1;
        while (s < length && is_space(line[s])) ++s;
        const std::string score_text(line + s, length - s);
        errno = 0;
        char* end = nullptr;
        const long value = std::strtol(score_text.c_str(), &end, 10);
        if (score_text.empty() || *end != 0 || errno != 0 || value < -TUNE_MAX_SCORE || value > TUNE_MAX_SCORE ||
            !(score_text[0] == '-' || (score_text[0] >= '0' && score_text[0] <= '9'))) {
            ++counts.bad;
            return true;
        }
        score = static_cast<int>(value);
    }
    size_t r = split + 1;
    while (r < result_end && is_space(line[r])) ++r;
    size_t r_end = result_end;
    while (r_end > r && is_space(line[r_end - 1])) --r_end;
    const std::string result_text(line + r, r_end - r);
    double result;
    if (result_text == "1") {
        result = 1.0;
    } else if (result_text == "0.5") {
        result = 0.5;
    } else if (result_text == "0") {
        result = 0.0;
    } else {
        ++counts.bad;
        return true;
    }
    size_t fen_end = split;
    while (fen_end > 0 && is_space(line[fen_end - 1])) --fen_end;
    if (fen_end == 0) {
        ++counts.bad;
        return true;
    }
    line[fen_end] = 0;
    switch (take(line, result, score)) {
        case tune_take::taken:
            ++counts.taken;
            return true;
        case tune_take::refused:
            ++counts.bad;
            return true;
        case tune_take::stop:
            return false;
    }
    return true;
}

}  // namespace

tune_read_counts tune_read_lines(std::FILE* in, const tune_reader& take) {
    tune_read_counts counts;
    std::vector<char> block(1 << 16);
    char line[TUNE_MAX_LINE + 1];
    size_t length = 0;
    bool too_long = false, pending = false;
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), in);
        if (got == 0) break;
        for (size_t i = 0; i < got; ++i) {
            const char c = block[i];
            if (c == '\n') {
                if (!read_one(line, length, too_long, counts, take)) return counts;
                length = 0, too_long = false, pending = false;
            } else if (length < TUNE_MAX_LINE) {
                line[length++] = c;
                pending = true;
            } else {
                too_long = true;
            }
        }
    }
    // The last line need not end with a line break.
    if (pending || too_long) read_one(line, length, too_long, counts, take);
    return counts;
}
