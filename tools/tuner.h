// The tuner's core: Texel's method over a linear, tapered evaluation.  It
// knows nothing of chess: a position is the terms it holds (index and count,
// white's less black's), its phase and scale, the part of its score no
// weight moves, and the game's result for white.  Its score in centipawns is
//   ((sum coeff * mg + fixed_mg) * phase
//    + (sum coeff * eg + fixed_eg) * scale / 64 * (24 - phase)) / 24
// and the tuner fits the weights so that sigmoid(K * score / 400), with
// sigmoid(x) = 1 / (1 + 10^-x), comes as close to the results as it can in
// mean squared error.  K is fitted first, on the weights the engine has, and
// then held while the weights move.
//
// Weights are one vector of doubles, 2 * term_count long: term i's
// middlegame weight at 2i and its endgame weight at 2i + 1.  Everything is
// deterministic for a given thread count: sums are taken in a fixed order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

inline constexpr int TUNE_MAX_PHASE = 24;
inline constexpr int TUNE_MAX_SCALE = 64;

// One nonzero term of a position: four bytes, so that a million positions
// of some sixty terms each take about 240 MB.
struct tune_term {
    uint16_t index;
    int16_t coeff;
};

// The positions, stored sparsely: the terms of position p are
// terms[offsets[p]] to terms[offsets[p + 1]].
class tune_set {
   public:
    explicit tune_set(int term_count);

    // Adds a position from its dense coefficients (term_count of them; the
    // zeros are dropped).  phase is clamped to 0..24, scale to 0..64.
    // result is white's: 1, 0.5 or 0 from a game (any value in 0..1 is kept).
    void add(const int16_t* coeff, int phase, int scale, int fixed_mg, int fixed_eg, double result);

    int term_count() const { return term_count_; }
    size_t size() const { return results_.size(); }
    size_t nonzeros() const { return terms_.size(); }
    // How many positions hold term i at all: a weight no position holds
    // cannot be fitted and stays where it starts.
    std::vector<size_t> term_presence() const;

    // The middlegame and endgame shares of a position's score: its score is
    // mg_share * (mg sum) + eg_share * (eg sum).
    double mg_share(size_t p) const { return phases_[p] / double(TUNE_MAX_PHASE); }
    double eg_share(size_t p) const {
        return scales_[p] * double(TUNE_MAX_PHASE - phases_[p]) / (double(TUNE_MAX_SCALE) * TUNE_MAX_PHASE);
    }

    const tune_term* terms_begin(size_t p) const { return terms_.data() + offsets_[p]; }
    const tune_term* terms_end(size_t p) const { return terms_.data() + offsets_[p + 1]; }
    float fixed(size_t p) const { return fixed_[p]; }
    float result(size_t p) const { return results_[p]; }
    // Sets position p's target, a value in 0..1 (a result blended with a
    // search's score, say).
    void set_result(size_t p, double result) { results_[p] = static_cast<float>(result); }

   private:
    int term_count_;
    std::vector<tune_term> terms_;
    std::vector<size_t> offsets_;  // size() + 1 entries
    std::vector<uint8_t> phases_;
    std::vector<uint8_t> scales_;
    std::vector<float> fixed_;  // the fixed part, already tapered
    std::vector<float> results_;
};

double tune_sigmoid(double x);

// Each scored position's target becomes (1 - blend) * result + blend *
// sigmoid(K * score / 400): a search's view of the position through the
// same curve that ties the evaluation to results.  scores holds one score
// a position (centipawns for white), TUNE_NO_SCORE where there is none;
// those positions keep their results.
void tune_blend_targets(tune_set& set, const std::vector<int>& scores, double k, double blend);

// Position p's score in centipawns under the weights.
double tune_evaluate(const tune_set& set, size_t p, const std::vector<double>& weights);

// The mean squared error of the set under the weights and K (0 for an empty set).
double tune_error(const tune_set& set, const std::vector<double>& weights, double k, int threads = 1);

// The mean squared error and, in gradient (resized to the weights' size),
// its derivative by every weight.
double tune_gradient(const tune_set& set, const std::vector<double>& weights, double k,
                     std::vector<double>& gradient, int threads = 1);

// The K in [0.05, 10] that gives the weights the least error: a scan over
// that range on a logarithmic grid, then golden-section search around the
// best point of the scan.
double tune_fit_k(const tune_set& set, const std::vector<double>& weights, int threads = 1);

// The same fit for the search scores themselves (TUNE_NO_SCORE: none):
// the K that makes sigmoid(K * score / 400) the best guess at the results
// of the scored positions (0 when none has a score).  A deeper or more
// confident search scores on a larger scale; this K says how large.
double tune_fit_score_k(const tune_set& set, const std::vector<int>& scores);

struct tune_options {
    int epochs = 500;
    double rate = 1.0;  // Adam's step, in centipawns
    int threads = 1;
    int report_every = 10;  // epochs between progress reports (the last epoch is always reported)
    // Weights held where they start (by weight index, as the weights vector);
    // empty: none.
    std::vector<bool> frozen;
    // A pull of each weight back toward where it started, added to the
    // gradient as l2 * (weight - start): with few games, a rarely seen
    // weight otherwise follows the noise of the few positions that hold it.
    double l2 = 0.0;
    // With a validation set: the weights end at the epoch of least held-out
    // error, not the last (stopping early, before the fit turns to noise).
    bool keep_best = true;
};

// Called after epoch (1-based) with the training error and the validation
// error at the weights that epoch started from (the validation error is -1
// without a validation set).
using tune_progress = std::function<void(int epoch, double training_error, double validation_error)>;

// Adam over the whole training set at every step, all the weights together,
// for options.epochs steps from weights, which it leaves at the end (or,
// with a validation set and keep_best, at the least held-out error).
// validation may be null.  Returns the epoch the weights are from (0: the start).
int tune_run(const tune_set& training, const tune_set* validation, std::vector<double>& weights, double k,
             const tune_options& options, const tune_progress& progress);

// Whether a group of positions (those of one game, say) goes to the
// held-out set: a hash of the seed and the group, below fraction.  Whole
// groups go one way, so that the positions of one game, which share its
// result, do not sit on both sides.
bool tune_held_out(uint64_t seed, uint64_t group, double fraction);

// The weights rounded to whole centipawns, clamped to int16.
std::vector<int16_t> tune_round(const std::vector<double>& weights);

// The text of a weights header: "#pragma once", include_line, the comment
// lines (each given without its "// "), then
//   inline constexpr <type_name> <array_name>[<count_name>] = {
//       {mg, eg},  // name
//   };
struct tune_file_layout {
    std::string include_line;  // e.g. #include "eval/strong_terms.h"
    std::string type_name;
    std::string array_name;
    std::string count_name;
};
std::string tune_weights_text(const tune_file_layout& layout, const std::vector<std::string>& comment,
                              const std::vector<int16_t>& rounded, const std::vector<std::string>& names);

// Reading data: lines "FEN;RESULT" with RESULT 1, 0.5 or 0 (white's), or
// "FEN;RESULT;SCORE" with a search's score of the position, whole
// centipawns for white within TUNE_MAX_SCORE; spaces and a carriage return
// around the fields allowed.  Empty lines are passed over.  A line that is
// not of that form (no ';', another result, a score that is not a number in
// range, a control byte, over MAX_LINE bytes) is counted as bad and
// skipped, as is one whose FEN take refuses.  take hears TUNE_NO_SCORE for
// a line without a score.
enum class tune_take { taken, refused, stop };
struct tune_read_counts {
    long lines = 0;  // lines read, empty ones included
    long taken = 0;
    long bad = 0;
};
inline constexpr size_t TUNE_MAX_LINE = 255;
inline constexpr int TUNE_MAX_SCORE = 32000;
inline constexpr int TUNE_NO_SCORE = INT32_MIN;
using tune_reader = std::function<tune_take(const char* fen, double result, int score)>;
tune_read_counts tune_read_lines(std::FILE* in, const tune_reader& take);
