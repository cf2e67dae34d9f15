#pragma once

#include "eval/strong_terms.h"

// The strong evaluation's weights (eval/strong_eval.h, beside the classic evaluation), by term
// (strong_terms.h), fitted to search scores and game results by orvane-tool tune: tune
// again rather than edit by hand.
// Data: data/scored_a.txt (500051), data/scored_b.txt (504569)
// 1004620 positions, 0 of them held out by seed 1; 0 bad lines skipped.
// Command: orvane-tool tune data/scored_a.txt data/scored_b.txt --blend 1.0 --epochs 100 --rate 1 --validation 0 --last --out src/eval/strong_weights.h
// K 0.725365; targets 1.00 search score (1004620 positions scored); weights of epoch 100; mean squared error 0.006192 before, 0.005080 after.
inline constexpr strong_weight STRONG_WEIGHTS[STRONG_TERM_COUNT] = {
    {62, 130},  // material pawn
    {400, 672},  // material rook
    {296, 383},  // material knight
    {288, 419},  // material bishop
    {1008, 1112},  // material queen
    {0, 0},  // square pawn a1
    {0, 0},  // square pawn b1
    {0, 0},  // square pawn c1
    {0, 0},  // square pawn d1
    {-16, -24},  // square pawn a2
    {2, -9},  // square pawn b2
    {-15, 19},  // square pawn c2
    {-19, -6},  // square pawn d2
    {-13, -18},  // square pawn a3
    {-3, -31},  // square pawn b3
    {-21, -7},  // square pawn c3
    {-16, -16},  // square pawn d3
    {-15, -11},  // square pawn a4
    {-10, -18},  // square pawn b4
    {2, -20},  // square pawn c4
    {8, -18},  // square pawn d4
    {-4, 8},  // square pawn a5
    {4, -17},  // square pawn b5
    {3, -6},  // square pawn c5
    {17, -18},  // square pawn d5
    {9, 17},  // square pawn a6
    {26, 10},  // square pawn b6
    {34, 27},  // square pawn c6
    {21, 2},  // square pawn d6
    {15, 56},  // square pawn a7
    {39, 44},  // square pawn b7
    {45, 76},  // square pawn c7
    {63, 56},  // square pawn d7
    {0, 0},  // square pawn a8
    {0, 0},  // square pawn b8
    {0, 0},  // square pawn c8
    {0, 0},  // square pawn d8
    {-14, 20},  // square rook a1
    {-17, 28},  // square rook b1
    {-9, 36},  // square rook c1
    {2, 19},  // square rook d1
    {-50, 44},  // square rook a2
    {-13, -6},  // square rook b2
    {-11, 14},  // square rook c2
    {-5, 20},  // square rook d2
    {-40, 42},  // square rook a3
    {-22, 17},  // square rook b3
    {-28, 26},  // square rook c3
    {-33, 41},  // square rook d3
    {-27, 44},  // square rook a4
    {-33, 44},  // square rook b4
    {-22, 47},  // square rook c4
    {-16, 44},  // square rook d4
    {-5, 41},  // square rook a5
    {-16, 47},  // square rook b5
    {-16, 38},  // square rook c5
    {-13, 39},  // square rook d5
    {-29, 56},  // square rook a6
    {-10, 51},  // square rook b6
    {-5, 47},  // square rook c6
    {16, 32},  // square rook d6
    {10, 49},  // square rook a7
    {-2, 54},  // square rook b7
    {15, 49},  // square rook c7
    {41, 34},  // square rook d7
    {-15, 69},  // square rook a8
    {-22, 72},  // square rook b8
    {21, 55},  // square rook c8
    {-34, 66},  // square rook d8
    {-75, 25},  // square knight a1
    {-34, -9},  // square knight b1
    {4, 10},  // square knight c1
    {0, 0},  // square knight d1
    {-31, -2},  // square knight a2
    {23, -29},  // square knight b2
    {-22, 25},  // square knight c2
    {-3, 17},  // square knight d2
    {-26, -3},  // square knight a3
    {-2, 17},  // square knight b3
    {-6, 24},  // square knight c3
    {7, 41},  // square knight d3
    {-4, 0},  // square knight a4
    {8, 39},  // square knight b4
    {27, 27},  // square knight c4
    {14, 50},  // square knight d4
    {-3, 4},  // square knight a5
    {11, 21},  // square knight b5
    {15, 51},  // square knight c5
    {22, 55},  // square knight d5
    {-38, 33},  // square knight a6
    {-5, 25},  // square knight b6
    {-10, 35},  // square knight c6
    {18, 36},  // square knight d6
    {-45, -12},  // square knight a7
    {-63, 32},  // square knight b7
    {7, 26},  // square knight c7
    {-12, 32},  // square knight d7
    {-60, -104},  // square knight a8
    {-75, 23},  // square knight b8
    {-110, 56},  // square knight c8
    {-3, 41},  // square knight d8
    {-4, -11},  // square bishop a1
    {61, 14},  // square bishop b1
    {-20, 33},  // square bishop c1
    {-18, 29},  // square bishop d1
    {13, -8},  // square bishop a2
    {10, 26},  // square bishop b2
    {4, 14},  // square bishop c2
    {-3, 32},  // square bishop d2
    {-1, 10},  // square bishop a3
    {14, 21},  // square bishop b3
    {11, 26},  // square bishop c3
    {-1, 44},  // square bishop d3
    {-8, -7},  // square bishop a4
    {3, 13},  // square bishop b4
    {12, 39},  // square bishop c4
    {21, 32},  // square bishop d4
    {-1, 14},  // square bishop a5
    {11, 35},  // square bishop b5
    {-5, 32},  // square bishop c5
    {21, 28},  // square bishop d5
    {-1, 33},  // square bishop a6
    {-10, 28},  // square bishop b6
    {9, 20},  // square bishop c6
    {21, 25},  // square bishop d6
    {-49, 39},  // square bishop a7
    {-20, 24},  // square bishop b7
    {-10, 34},  // square bishop c7
    {-42, 24},  // square bishop d7
    {-16, 13},  // square bishop a8
    {-60, 54},  // square bishop b8
    {-80, 23},  // square bishop c8
    {-123, 57},  // square bishop d8
    {11, -20},  // square queen a1
    {32, -32},  // square queen b1
    {26, -34},  // square queen c1
    {40, -64},  // square queen d1
    {37, -46},  // square queen a2
    {19, -6},  // square queen b2
    {29, -14},  // square queen c2
    {34, -25},  // square queen d2
    {-7, 63},  // square queen a3
    {16, 33},  // square queen b3
    {10, 50},  // square queen c3
    {13, 49},  // square queen d3
    {10, 18},  // square queen a4
    {-19, 90},  // square queen b4
    {-11, 90},  // square queen c4
    {-15, 122},  // square queen d4
    {13, 15},  // square queen a5
    {-33, 147},  // square queen b5
    {-21, 111},  // square queen c5
    {-26, 121},  // square queen d5
    {-6, 62},  // square queen a6
    {-13, 59},  // square queen b6
    {-18, 98},  // square queen c6
    {10, 87},  // square queen d6
    {6, 50},  // square queen a7
    {-25, 71},  // square queen b7
    {5, 88},  // square queen c7
    {-21, 117},  // square queen d7
    {-5, 11},  // square queen a8
    {-17, 17},  // square queen b8
    {16, 61},  // square queen c8
    {25, 51},  // square queen d8
    {34, -91},  // square king a1
    {43, -49},  // square king b1
    {-3, -33},  // square king c1
    {-13, -34},  // square king d1
    {8, -37},  // square king a2
    {19, -27},  // square king b2
    {-11, -18},  // square king c2
    {-41, -7},  // square king d2
    {5, -24},  // square king a3
    {-12, -15},  // square king b3
    {-30, -2},  // square king c3
    {-67, 3},  // square king d3
    {-94, -2},  // square king a4
    {14, -10},  // square king b4
    {-52, 8},  // square king c4
    {-85, 19},  // square king d4
    {-148, 27},  // square king a5
    {-97, 30},  // square king b5
    {-60, 29},  // square king c5
    {-74, 26},  // square king d5
    {-37, 20},  // square king a6
    {-61, 68},  // square king b6
    {-69, 56},  // square king c6
    {-76, 54},  // square king d6
    {-40, 33},  // square king a7
    {-58, 67},  // square king b7
    {-30, 48},  // square king c7
    {-45, 49},  // square king d7
    {-149, -3},  // square king a8
    {-109, -12},  // square king b8
    {-74, 30},  // square king c8
    {-89, 1},  // square king d8
    {-39, -46},  // mobility knight 0
    {-25, -16},  // mobility knight 1
    {-19, 21},  // mobility knight 2
    {-16, 38},  // mobility knight 3
    {-9, 44},  // mobility knight 4
    {-3, 49},  // mobility knight 5
    {2, 52},  // mobility knight 6
    {4, 51},  // mobility knight 7
    {2, 48},  // mobility knight 8
    {-29, -57},  // mobility bishop 0
    {-16, -4},  // mobility bishop 1
    {-11, 7},  // mobility bishop 2
    {-6, 23},  // mobility bishop 3
    {-4, 36},  // mobility bishop 4
    {-2, 43},  // mobility bishop 5
    {-1, 47},  // mobility bishop 6
    {-1, 57},  // mobility bishop 7
    {1, 58},  // mobility bishop 8
    {-1, 63},  // mobility bishop 9
    {-1, 55},  // mobility bishop 10
    {-10, 72},  // mobility bishop 11
    {-42, 81},  // mobility bishop 12
    {22, 60},  // mobility bishop 13
    {-65, -43},  // mobility rook 0
    {-50, 8},  // mobility rook 1
    {-47, 16},  // mobility rook 2
    {-44, 29},  // mobility rook 3
    {-42, 48},  // mobility rook 4
    {-37, 53},  // mobility rook 5
    {-36, 60},  // mobility rook 6
    {-31, 65},  // mobility rook 7
    {-28, 67},  // mobility rook 8
    {-29, 73},  // mobility rook 9
    {-30, 80},  // mobility rook 10
    {-30, 88},  // mobility rook 11
    {-28, 92},  // mobility rook 12
    {-32, 93},  // mobility rook 13
    {8, 73},  // mobility rook 14
    {-10, -62},  // mobility queen 0
    {-4, -94},  // mobility queen 1
    {-3, -116},  // mobility queen 2
    {-3, -73},  // mobility queen 3
    {-3, -51},  // mobility queen 4
    {0, -27},  // mobility queen 5
    {0, 2},  // mobility queen 6
    {3, 27},  // mobility queen 7
    {5, 39},  // mobility queen 8
    {7, 68},  // mobility queen 9
    {7, 75},  // mobility queen 10
    {7, 88},  // mobility queen 11
    {8, 94},  // mobility queen 12
    {11, 94},  // mobility queen 13
    {10, 112},  // mobility queen 14
    {13, 107},  // mobility queen 15
    {9, 118},  // mobility queen 16
    {14, 124},  // mobility queen 17
    {4, 132},  // mobility queen 18
    {58, 93},  // mobility queen 19
    {68, 76},  // mobility queen 20
    {94, 43},  // mobility queen 21
    {73, 65},  // mobility queen 22
    {59, 49},  // mobility queen 23
    {32, 7},  // mobility queen 24
    {37, 21},  // mobility queen 25
    {18, 18},  // mobility queen 26
    {12, 15},  // mobility queen 27
    {30, 58},  // bishop pair
    {0, 0},  // passed rank 0
    {24, 27},  // passed rank 1
    {-11, 33},  // passed rank 2
    {-37, 35},  // passed rank 3
    {0, 62},  // passed rank 4
    {30, 30},  // passed rank 5
    {66, 60},  // passed rank 6
    {0, 0},  // passed rank 7
    {0, 0},  // passed free rank 0
    {-21, 20},  // passed free rank 1
    {-9, 1},  // passed free rank 2
    {-12, 19},  // passed free rank 3
    {-13, 36},  // passed free rank 4
    {-1, 65},  // passed free rank 5
    {57, 100},  // passed free rank 6
    {0, 0},  // passed free rank 7
    {0, 0},  // passed own king rank 0
    {9, -1},  // passed own king rank 1
    {0, -5},  // passed own king rank 2
    {13, -12},  // passed own king rank 3
    {9, -18},  // passed own king rank 4
    {0, -12},  // passed own king rank 5
    {-9, -16},  // passed own king rank 6
    {0, -7},  // passed own king rank 7
    {0, 0},  // passed their king rank 0
    {-13, 1},  // passed their king rank 1
    {0, 6},  // passed their king rank 2
    {-8, 18},  // passed their king rank 3
    {-11, 28},  // passed their king rank 4
    {-4, 45},  // passed their king rank 5
    {2, 50},  // passed their king rank 6
    {0, 17},  // passed their king rank 7
    {-6, -18},  // isolated
    {0, -5},  // doubled
    {4, -20},  // backward
    {0, 0},  // supported rank 0
    {0, 0},  // supported rank 1
    {15, 12},  // supported rank 2
    {9, 8},  // supported rank 3
    {15, 28},  // supported rank 4
    {18, 55},  // supported rank 5
    {78, 98},  // supported rank 6
    {0, 0},  // supported rank 7
    {0, 0},  // phalanx rank 0
    {6, -4},  // phalanx rank 1
    {5, 1},  // phalanx rank 2
    {7, 15},  // phalanx rank 3
    {12, 32},  // phalanx rank 4
    {60, 72},  // phalanx rank 5
    {31, 120},  // phalanx rank 6
    {0, 0},  // phalanx rank 7
    {46, -4},  // rook open file
    {20, 2},  // rook half-open file
    {14, 8},  // outpost knight
    {19, 14},  // outpost bishop
    {3, -5},  // shield 0
    {-4, 4},  // shield 1
    {-7, 1},  // shield 2
    {13, -2},  // storm distance 0
    {-12, -4},  // storm distance 1
    {-1, 1},  // storm distance 2
    {-1, 7},  // storm distance 3
    {-16, 4},  // king open file
    {7, -10},  // king zone hits rook
    {4, -7},  // king zone hits knight
    {6, -7},  // king zone hits bishop
    {5, 23},  // king zone hits queen
    {-7, 1},  // king zone attackers 0
    {-9, -2},  // king zone attackers 1
    {-4, 9},  // king zone attackers 2
    {33, 7},  // king zone attackers 3
    {67, 50},  // king zone attackers 4
    {49, 6},  // king zone attackers 5
    {11, 1},  // king zone attackers 6
    {0, 0},  // king zone attackers 7
    {68, 26},  // threat by pawn on rook
    {72, 37},  // threat by pawn on knight
    {70, 71},  // threat by pawn on bishop
    {59, 2},  // threat by pawn on queen
    {-4, 4},  // threat by minor on pawn
    {54, 28},  // threat by minor on rook
    {16, 32},  // threat by minor on knight
    {32, 39},  // threat by minor on bishop
    {52, 42},  // threat by minor on queen
    {-10, 15},  // threat by rook on pawn
    {19, 27},  // threat by rook on rook
    {8, 32},  // threat by rook on knight
    {17, 22},  // threat by rook on bishop
    {77, -4},  // threat by rook on queen
    {15, 37},  // hanging
    {47, 32},  // tempo
    {-6, 10},  // king zone hits by attackers 1
    {2, 2},  // king zone hits by attackers 2
    {2, 0},  // king zone hits by attackers 3
    {3, -16},  // king zone hits by attackers 4
    {9, -30},  // king zone hits by attackers 5
    {0, 0},  // king zone hits by attackers 6
    {47, 8},  // safe check rook
    {46, 13},  // safe check knight
    {11, 31},  // safe check bishop
    {14, 106},  // safe check queen
    {9, -4},  // king weak zone
    {0, -5},  // bishop pawns on colour
    {5, 0},  // minor behind pawn
    {-10, -17},  // king pawn distance
    {-14, 15},  // rook seventh
    {21, 11},  // pawn push threat
};
