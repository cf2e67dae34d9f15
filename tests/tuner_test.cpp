// The evaluation tuner's core against data whose answer is known: positions
// made up from chosen weights and a chosen K, with results drawn from the
// sigmoid those give, must lead the tuner back to the weights and the K
// fit back to K.  Beside that: the gradient against finite differences, a
// score worked out by hand, the held-out split's share, the data reader on
// hostile lines, and the weights file read back, also as orvane-tool tune
// writes it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "eval/strong_terms.h"
#include "eval/strong_weights.h"
#include "tools/tuner.h"

namespace {

// --- Synthetic data ------------------------------------------------------------
// Eight terms, every weight at least 90 from zero, so that a weight the
// tuner failed to move (it starts from zero) misses by more than any
// tolerance below.
constexpr int TERMS = 8;
const std::vector<double> TRUE_WEIGHTS = {100, 120, -90, 95,  160, 90,   -95, -120,
                                          300, 280, -90, 150, 95,  -100, 180, -110};
constexpr double TRUE_K = 1.2;

// Each term present with probability one half, its count -3 to 3; any
// phase and scale; a small fixed part.  exact: the result is the sigmoid
// itself (the fitted weights then have zero error at the true ones);
// otherwise a win, draw or loss drawn so that its expectation is the
// sigmoid (draws as likely as the rarer of the two decisive results).
// scores, when given, gets each position's true score rounded to whole
// centipawns, as a search's score would come.
tune_set synthetic(int positions, uint64_t seed, bool exact, std::vector<int>* scores = nullptr) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    tune_set set(TERMS);
    for (int p = 0; p < positions; ++p) {
        int16_t coeff[TERMS] = {};
        for (int16_t& c : coeff)
            if (rng() % 2) c = static_cast<int16_t>(static_cast<int>(rng() % 7) - 3);
        const int phase = static_cast<int>(rng() % 25), scale = static_cast<int>(rng() % 65);
        const int fixed_mg = static_cast<int>(rng() % 41) - 20, fixed_eg = static_cast<int>(rng() % 41) - 20;
        // The true score, worked out here by the formula rather than by the
        // tuner's own evaluation.
        double mg = fixed_mg, eg = fixed_eg;
        for (int i = 0; i < TERMS; ++i) {
            mg += coeff[i] * TRUE_WEIGHTS[2 * i];
            eg += coeff[i] * TRUE_WEIGHTS[2 * i + 1];
        }
        const double score = (mg * phase + eg * scale / 64.0 * (24 - phase)) / 24.0;
        if (scores != nullptr) scores->push_back(static_cast<int>(std::lround(score)));
        const double expected = 1.0 / (1.0 + std::pow(10.0, -TRUE_K * score / 400.0));
        double result = expected;
        if (!exact) {
            const double draw = std::min(expected, 1.0 - expected);
            const double u = uniform(rng);
            result = u < expected - draw / 2 ? 1.0 : u < expected + draw / 2 ? 0.5 : 0.0;
        }
        set.add(coeff, phase, scale, fixed_mg, fixed_eg, result);
    }
    return set;
}

double largest_miss(const std::vector<double>& weights) {
    double miss = 0;
    for (size_t i = 0; i < weights.size(); ++i) miss = std::max(miss, std::abs(weights[i] - TRUE_WEIGHTS[i]));
    return miss;
}

// --- Recovery -----------------------------------------------------------------

TEST(TunerRecovery, ExactResultsGiveBackKAndWeights) {
    // With the sigmoid itself as result the least error (zero) lies at the
    // true weights and K, so only the search's own accuracy is measured.
    const tune_set set = synthetic(5000, 7, true);
    EXPECT_NEAR(tune_fit_k(set, TRUE_WEIGHTS), TRUE_K, 1e-4);
    std::vector<double> weights(2 * TERMS, 0.0);
    tune_options options;
    options.epochs = 500;
    options.rate = 10;
    tune_run(set, nullptr, weights, TRUE_K, options, nullptr);
    EXPECT_LT(largest_miss(weights), 0.5);  // below what rounding to whole centipawns loses
}

TEST(TunerRecovery, GameResultsGiveBackKAndWeights) {
    // Results drawn as games: the least error now lies near the true weights
    // but not on them.  Over 30 seeds of this set-up (40000 positions) the
    // fitted K's root-mean-square miss was 0.011 and the worst weight's
    // 7.0 cp (the worst single miss 13.3 cp): the tolerances are about four
    // times those, and far below the 90 cp a weight left at zero would miss.
    const tune_set set = synthetic(40000, 11, false);
    EXPECT_NEAR(tune_fit_k(set, TRUE_WEIGHTS), TRUE_K, 0.05);
    std::vector<double> weights(2 * TERMS, 0.0);
    tune_options options;
    options.epochs = 300;
    options.rate = 10;
    int reports = 0;
    double first_error = -1, last_error = -1;
    options.report_every = 100;
    tune_run(set, nullptr, weights, TRUE_K, options, [&](int epoch, double training, double validation) {
        ++reports;
        EXPECT_EQ(epoch, 100 * reports);
        EXPECT_EQ(validation, -1.0);
        if (first_error < 0) first_error = training;
        last_error = training;
    });
    EXPECT_EQ(reports, 3);
    EXPECT_LT(last_error, first_error);
    EXPECT_LT(largest_miss(weights), 30.0);
    // The fit is at least as good on its own data as the weights that made it.
    EXPECT_LE(tune_error(set, weights, TRUE_K), tune_error(set, TRUE_WEIGHTS, TRUE_K));
}

TEST(TunerRecovery, FrozenWeightsStayAndTheOthersStillFit) {
    // Terms 0 and 4 held at their true values, the rest from zero; and
    // term 1 held at zero, far from its truth, while the rest move.
    const tune_set set = synthetic(5000, 3, true);
    std::vector<double> weights(2 * TERMS, 0.0);
    tune_options options;
    options.epochs = 500;
    options.rate = 10;
    options.frozen.assign(2 * TERMS, false);
    for (int i : {0, 1, 8, 9}) {
        weights[i] = TRUE_WEIGHTS[i];
        options.frozen[i] = true;
    }
    tune_run(set, nullptr, weights, TRUE_K, options, nullptr);
    for (int i : {0, 1, 8, 9}) EXPECT_EQ(weights[i], TRUE_WEIGHTS[i]);
    EXPECT_LT(largest_miss(weights), 0.5);

    std::vector<double> held(2 * TERMS, 0.0);
    options.frozen.assign(2 * TERMS, false);
    options.frozen[2] = options.frozen[3] = true;
    options.epochs = 100;
    tune_run(set, nullptr, held, TRUE_K, options, nullptr);
    EXPECT_EQ(held[2], 0.0);
    EXPECT_EQ(held[3], 0.0);
    EXPECT_GT(std::abs(held[0]), 30.0);
}

TEST(TunerRecovery, ValidationErrorIsReportedFromTheHeldOutSet) {
    const tune_set training = synthetic(2000, 5, false), validation = synthetic(1000, 6, false);
    std::vector<double> weights(2 * TERMS, 0.0);
    tune_options options;
    options.epochs = 20;
    options.report_every = 0;  // only the last epoch
    std::vector<double> seen;
    tune_run(training, &validation, weights, TRUE_K, options, [&](int epoch, double, double held) {
        EXPECT_EQ(epoch, 20);
        seen.push_back(held);
    });
    ASSERT_EQ(seen.size(), 1u);
    // The report's weights are those the last epoch started from: one Adam
    // step before the end.  Redo the first 19 steps to get them.
    std::vector<double> nineteen(2 * TERMS, 0.0);
    options.epochs = 19;
    tune_run(training, nullptr, nineteen, TRUE_K, options, nullptr);
    EXPECT_DOUBLE_EQ(seen[0], tune_error(validation, nineteen, TRUE_K));
}

// Stopping early: when the held-out games disagree with the training ones
// (here: training games of the true weights, held-out games where every
// result is the other side's), fitting the training set only makes the
// held-out error worse, and the weights kept are those of the least
// held-out error, not the last.  A pull toward the start keeps the weights
// near it.
TEST(TunerRecovery, KeepsTheWeightsOfTheLeastHeldOutErrorAndPullsTowardTheStart) {
    const tune_set training = synthetic(2000, 21, false);
    tune_set flipped(TERMS);
    {
        const tune_set source = synthetic(1000, 22, false);
        for (size_t p = 0; p < source.size(); ++p) {
            int16_t coeff[TERMS] = {};
            for (const tune_term* t = source.terms_begin(p); t != source.terms_end(p); ++t) coeff[t->index] = t->coeff;
            // Phase 24 and scale 64 keep the score the same under mg/eg shares; the fixed part is 0.
            flipped.add(coeff, 24, 64, 0, 0, 1.0 - source.result(p));
        }
    }
    tune_options options;
    options.epochs = 60;
    options.rate = 5.0;
    std::vector<double> last(2 * TERMS, 0.0), kept(2 * TERMS, 0.0);
    options.keep_best = false;
    EXPECT_EQ(tune_run(training, &flipped, last, TRUE_K, options, nullptr), 60);
    options.keep_best = true;
    const int epoch = tune_run(training, &flipped, kept, TRUE_K, options, nullptr);
    EXPECT_LT(epoch, 60);
    EXPECT_LT(tune_error(flipped, kept, TRUE_K), tune_error(flipped, last, TRUE_K));
    const std::vector<double> zeros(2 * TERMS, 0.0);
    EXPECT_LE(tune_error(flipped, kept, TRUE_K), tune_error(flipped, zeros, TRUE_K));

    // The pull: with a strong one the weights barely leave zero, without it they reach the true ones.
    std::vector<double> pulled(2 * TERMS, 0.0);
    options.keep_best = false;
    options.l2 = 1.0;
    tune_run(training, nullptr, pulled, TRUE_K, options, nullptr);
    for (size_t i = 0; i < pulled.size(); ++i) EXPECT_LT(std::abs(pulled[i]), std::abs(last[i])) << i;
}

// --- Gradient and threads -------------------------------------------------------

TEST(TunerRecovery, SearchScoresGiveBackTheWeightsWhenTheResultsSayNothing) {
    // Results that are noise, independent of the position; the scores are
    // the true ones.  Blended in whole, the scores alone lead back to the
    // weights (within what rounding the scores to centipawns costs); the
    // results alone leave every weight near zero.
    std::vector<int> scores;
    tune_set set = synthetic(8000, 5, true, &scores);
    std::mt19937_64 rng(9);
    for (size_t p = 0; p < set.size(); ++p) set.set_result(p, static_cast<double>(rng() % 3) / 2.0);
    tune_set noise_only = set;
    tune_blend_targets(set, scores, TRUE_K, 1.0);
    tune_options options;
    options.epochs = 500;
    options.rate = 10;
    std::vector<double> weights(2 * TERMS, 0.0);
    tune_run(set, nullptr, weights, TRUE_K, options, nullptr);
    EXPECT_LT(largest_miss(weights), 3.0);
    std::vector<double> from_noise(2 * TERMS, 0.0);
    tune_run(noise_only, nullptr, from_noise, TRUE_K, options, nullptr);
    EXPECT_GT(largest_miss(from_noise), 80.0);
}

TEST(TunerRecovery, ScoresOnAnotherScaleGetTheirOwnKAndStillGiveBackTheWeights) {
    // A search that scores every position twice as high as its true value
    // (as a deeper search, sure of its material, does).  Fitted to the game
    // results, those scores' K is half the true K; through it the scores
    // give back the true weights, where through the evaluation's own K the
    // tuner learns the doubled scale.  Positions without a score take no
    // part in the fit.
    std::vector<int> scores;
    tune_set set = synthetic(40000, 21, false, &scores);
    for (int& s : scores) s *= 2;
    for (size_t p = 0; p < scores.size(); p += 10) scores[p] = TUNE_NO_SCORE;
    const double score_k = tune_fit_score_k(set, scores);
    EXPECT_NEAR(score_k, TRUE_K / 2, 0.03);
    tune_options options;
    options.epochs = 500;
    options.rate = 10;
    tune_set calibrated = set, uncalibrated = set;
    tune_blend_targets(calibrated, scores, score_k, 1.0);
    tune_blend_targets(uncalibrated, scores, TRUE_K, 1.0);
    std::vector<double> weights(2 * TERMS, 0.0), doubled(2 * TERMS, 0.0);
    tune_run(calibrated, nullptr, weights, TRUE_K, options, nullptr);
    tune_run(uncalibrated, nullptr, doubled, TRUE_K, options, nullptr);
    EXPECT_LT(largest_miss(weights), 10.0);
    EXPECT_GT(largest_miss(doubled), 80.0);
    // No score at all: no K.
    std::vector<int> none(set.size(), TUNE_NO_SCORE);
    EXPECT_EQ(tune_fit_score_k(set, none), 0.0);
}

TEST(TunerSet, BlendMixesScoreAndResultOnlyWhereThereIsAScore) {
    std::vector<int> scores;
    tune_set set = synthetic(3, 1, false, &scores);
    const double k = 0.8;
    scores[1] = TUNE_NO_SCORE;
    scores[2] = 400;  // sigmoid(0.8) = 1 / (1 + 10^-0.8) = 0.86321
    set.set_result(0, 1.0);
    set.set_result(1, 0.0);
    set.set_result(2, 0.5);
    const double first = 1.0 / (1.0 + std::pow(10.0, -k * scores[0] / 400.0));
    tune_blend_targets(set, scores, k, 0.25);
    EXPECT_NEAR(set.result(0), 0.75 + 0.25 * first, 1e-6);
    EXPECT_EQ(set.result(1), 0.0f);
    EXPECT_NEAR(set.result(2), 0.75 * 0.5 + 0.25 * 0.86321, 1e-5);
}

TEST(TunerGradient, AgreesWithFiniteDifferences) {
    const tune_set set = synthetic(500, 13, false);
    std::vector<double> weights = TRUE_WEIGHTS;
    for (size_t i = 0; i < weights.size(); ++i)
        weights[i] += (i % 3 == 0 ? 37.0 : -23.0);  // away from the least error
    std::vector<double> gradient;
    const double error = tune_gradient(set, weights, 0.9, gradient);
    EXPECT_DOUBLE_EQ(error, tune_error(set, weights, 0.9));
    ASSERT_EQ(gradient.size(), weights.size());
    double largest = 0;
    for (double g : gradient) largest = std::max(largest, std::abs(g));
    ASSERT_GT(largest, 0.0);
    for (size_t i = 0; i < weights.size(); ++i) {
        // Central differences: error of order h^2 times the third
        // derivative, far below the tolerance for h = 0.01 cp.
        const double h = 0.01;
        std::vector<double> up = weights, down = weights;
        up[i] += h;
        down[i] -= h;
        const double numeric = (tune_error(set, up, 0.9) - tune_error(set, down, 0.9)) / (2 * h);
        EXPECT_NEAR(gradient[i], numeric, 1e-6 * largest) << "weight " << i;
    }
}

TEST(TunerGradient, TwoThreadsAddUpToWhatOneFinds) {
    const tune_set set = synthetic(3001, 17, false);  // an odd count: the two pieces differ in size
    std::vector<double> one, two;
    const double error_one = tune_gradient(set, TRUE_WEIGHTS, 1.1, one, 1);
    const double error_two = tune_gradient(set, TRUE_WEIGHTS, 1.1, two, 2);
    EXPECT_NEAR(error_one, error_two, 1e-12);
    EXPECT_NEAR(tune_error(set, TRUE_WEIGHTS, 1.1, 2), error_one, 1e-12);
    ASSERT_EQ(one.size(), two.size());
    for (size_t i = 0; i < one.size(); ++i) EXPECT_NEAR(one[i], two[i], 1e-12 * (1 + std::abs(one[i])));
    // And the K fit on two threads finds the same K.
    EXPECT_NEAR(tune_fit_k(set, TRUE_WEIGHTS, 2), tune_fit_k(set, TRUE_WEIGHTS, 1), 1e-6);
}

// --- The set and its scores ------------------------------------------------------

TEST(TunerSet, ScoreByHand) {
    tune_set set(3);
    const int16_t coeff[3] = {2, 0, -1};
    const std::vector<double> weights = {50, 80, 999, 999, 30, -20};
    // mg: 2*50 - 30 + 10 = 80; eg: 2*80 + 20 - 4 = 176.
    set.add(coeff, 12, 32, 10, -4, 1.0);  // (80*12 + 176*32/64*12) / 24 = 84
    set.add(coeff, 30, 32, 10, -4, 0.5);  // phase clamped to 24: the middlegame score alone, 80
    set.add(coeff, 0, 64, 10, -4, 0.0);   // the endgame score alone, 176
    set.add(coeff, 0, 0, 10, -4, 0.0);    // scale 0, phase 0: nothing counts
    ASSERT_EQ(set.size(), 4u);
    EXPECT_EQ(set.nonzeros(), 8u);  // the zero coefficient is not stored
    EXPECT_NEAR(tune_evaluate(set, 0, weights), 84.0, 1e-4);
    EXPECT_NEAR(tune_evaluate(set, 1, weights), 80.0, 1e-4);
    EXPECT_NEAR(tune_evaluate(set, 2, weights), 176.0, 1e-4);
    EXPECT_NEAR(tune_evaluate(set, 3, weights), 0.0, 1e-4);
    EXPECT_EQ(set.term_presence(), (std::vector<size_t>{4, 0, 4}));
    // sigmoid(1) = 1 / 1.1; the error of position 0 alone at K = 400/84 is
    // (1 - 1/1.1)^2.
    EXPECT_NEAR(tune_sigmoid(1.0), 1 / 1.1, 1e-12);
    tune_set one(3);
    one.add(coeff, 12, 32, 10, -4, 1.0);
    EXPECT_NEAR(tune_error(one, weights, 400.0 / 84.0), std::pow(1 - 1 / 1.1, 2), 1e-6);
    EXPECT_EQ(tune_error(tune_set(3), weights, 1.0), 0.0);  // an empty set, not a division by zero
}

TEST(TunerSet, HeldOutShareFollowsTheFractionAndTheSeed) {
    // 20000 groups at 10%: 2000 expected, standard deviation 42.
    int first = 0, both = 0;
    for (uint64_t g = 0; g < 20000; ++g) {
        const bool a = tune_held_out(1, g, 0.1), b = tune_held_out(2, g, 0.1);
        first += a;
        both += a && b;
        EXPECT_FALSE(tune_held_out(1, g, 0.0));
        EXPECT_TRUE(tune_held_out(1, g, 1.0));
    }
    EXPECT_NEAR(first, 2000, 200);
    // Another seed picks another tenth: the overlap is about a tenth of it (200).
    EXPECT_LT(both, 400);
}

// --- Reading data -------------------------------------------------------------------

TEST(TunerRead, BadLinesAreCountedAndSkipped) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::string overlong(300, 'a');
    std::string text =
        "8/8/8/8/8/8/8/K6k w - - 0 1;1\n"
        "second;0.5\r\n"
        "third ; 0 \n"
        "\n"
        "no separator\n"
        "fen;2\n"
        "fen;0.50\n"
        "scored;1;1\n"
        "negative ; 0.5 ; -35 \r\n"
        "fen;1;x\n"
        "fen;1;\n"
        "fen;1;32001\n"
        "fen;1;+5\n"
        "fen;1;5;5\n"
        ";1\n"
        "fen\x01x;1\n" +
        overlong + ";1\n" +
        "refuse me;1\n"
        "after;1\n";
    text += std::string("fe\0n;1\n", 7);
    text += "last;0;-32000";  // no line break at the end
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
    std::rewind(file);
    std::vector<std::string> fens;
    std::vector<double> results;
    std::vector<int> scores;
    const tune_read_counts counts = tune_read_lines(file, [&](const char* fen, double result, int score) {
        if (std::strcmp(fen, "refuse me") == 0) return tune_take::refused;
        fens.push_back(fen);
        results.push_back(result);
        scores.push_back(score);
        return tune_take::taken;
    });
    EXPECT_EQ(fens, (std::vector<std::string>{"8/8/8/8/8/8/8/K6k w - - 0 1", "second", "third", "scored",
                                              "negative", "after", "last"}));
    EXPECT_EQ(results, (std::vector<double>{1, 0.5, 0, 1, 0.5, 1, 0}));
    EXPECT_EQ(scores, (std::vector<int>{TUNE_NO_SCORE, TUNE_NO_SCORE, TUNE_NO_SCORE, 1, -35, TUNE_NO_SCORE, -32000}));
    EXPECT_EQ(counts.lines, 21);
    EXPECT_EQ(counts.taken, 7);
    EXPECT_EQ(counts.bad, 13);  // the empty line is neither

    std::rewind(file);
    int calls = 0;
    const tune_read_counts stopped = tune_read_lines(
        file, [&](const char*, double, int) { return ++calls == 2 ? tune_take::stop : tune_take::taken; });
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(stopped.taken, 1);
    std::fclose(file);
}

// --- The weights file -----------------------------------------------------------------

TEST(TunerFile, RoundingClampsAndRounds) {
    EXPECT_EQ(tune_round({1.5, -2.5, 40000, -40000, std::nan(""), 0.49, -0.51}),
              (std::vector<int16_t>{2, -3, 32767, -32768, 0, 0, -1}));
}

TEST(TunerFile, WrittenWeightsReadBack) {
    std::mt19937_64 rng(23);
    std::uniform_real_distribution<double> spread(-1500.0, 1500.0);
    std::vector<double> weights(2 * 50);
    for (double& w : weights) w = spread(rng);
    std::vector<std::string> names;
    for (int i = 0; i < 50; ++i)
        names.push_back("term " + std::to_string(i) + (i % 7 == 0 ? " (rank 2)" : ""));
    const tune_file_layout layout = {"#include \"eval/strong_terms.h\"", "strong_weight", "STRONG_WEIGHTS",
                                     "STRONG_TERM_COUNT"};
    const std::vector<int16_t> rounded = tune_round(weights);
    const std::string text = tune_weights_text(layout, {"Tuned on a.txt", "", "bad\nname;1"}, rounded, names);

    std::istringstream in(text);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u + 2u + 3u + 1u + 50u + 1u);
    EXPECT_EQ(lines[0], "#pragma once");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "#include \"eval/strong_terms.h\"");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "// Tuned on a.txt");
    EXPECT_EQ(lines[5], "//");
    EXPECT_EQ(lines[6], "// bad?name;1");  // a line break cannot end the comment early
    EXPECT_EQ(lines[7], "inline constexpr strong_weight STRONG_WEIGHTS[STRONG_TERM_COUNT] = {");
    for (int i = 0; i < 50; ++i) {
        int mg = 0, eg = 0, used = 0;
        ASSERT_EQ(std::sscanf(lines[8 + i].c_str(), "    {%d, %d},  // %n", &mg, &eg, &used), 2)
            << lines[8 + i];
        EXPECT_EQ(lines[8 + i].substr(used), names[i]);
        EXPECT_LE(std::abs(mg - weights[2 * i]), 0.5);
        EXPECT_LE(std::abs(eg - weights[2 * i + 1]), 0.5);
    }
    EXPECT_EQ(lines.back(), "};");
}

// Zero epochs: the tool must write back the engine's own weights, each
// beside its term's name, whatever the data say; the header must count
// the positions taken and the lines skipped.
TEST(TunerTool, WritesTheEngineWeightsBackUnchangedAfterNoEpochs) {
    const std::string data = ::testing::TempDir() + "tuner_tool_data.txt";
    const std::string out = ::testing::TempDir() + "tuner_tool_weights.h";
    {
        std::ofstream file(data);
        file << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1;0.5\n"
                "not a position;1\n"
                "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1;1\n"
                "8/8/8/8/8/8/8/8 w - - 0 1;0\n"  // no kings
                "8/5k2/8/3P4/8/8/2K5/8 b - - 0 1;1\n";
    }
    std::remove(out.c_str());
    const std::string command = std::string(ORVANE_TOOL_BINARY) + " tune " + data +
                                " --epochs 0 --validation 0 --out " + out + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream file(out);
    ASSERT_TRUE(file.good());
    std::string line, text;
    std::vector<std::string> entries;
    while (std::getline(file, line)) {
        text += line + "\n";
        if (line.rfind("    {", 0) == 0) entries.push_back(line);
    }
    EXPECT_EQ(text.rfind("#pragma once\n\n#include \"eval/strong_terms.h\"\n", 0), 0u) << text;
    EXPECT_NE(text.find("3 positions, 0 of them held out by seed 1; 2 bad lines skipped."), std::string::npos)
        << text;
    ASSERT_EQ(entries.size(), static_cast<size_t>(STRONG_TERM_COUNT));
    for (int i = 0; i < STRONG_TERM_COUNT; ++i) {
        int mg = 0, eg = 0, used = 0;
        ASSERT_EQ(std::sscanf(entries[i].c_str(), "    {%d, %d},  // %n", &mg, &eg, &used), 2) << entries[i];
        EXPECT_EQ(entries[i].substr(used), strong_term_name(i));
        EXPECT_EQ(mg, STRONG_WEIGHTS[i].mg) << entries[i];
        EXPECT_EQ(eg, STRONG_WEIGHTS[i].eg) << entries[i];
    }
    // Written through a temporary file renamed into place: none is left behind.
    EXPECT_FALSE(std::ifstream(out + ".tmp").good());
    std::remove(data.c_str());
    std::remove(out.c_str());
}

}  // namespace
