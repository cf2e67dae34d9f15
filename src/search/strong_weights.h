#pragma once

#include "search/strong_terms.h"

// The strong evaluation's weights, by term (strong_terms.h), fitted to game
// results by orvane-tool tune: tune again rather than edit by hand.
// Data: data/games_11.txt (382387), data/games_12.txt (382277), data/games_13.txt (85387), data/games_14.txt (88305), data/games_15.txt (32277), data/games_16.txt (33987)
// The games were played by the build of commit 3ce738a (the evaluation before the king-safety,
// piece and push terms): orvane-tool datagen --nodes 4000 --seed 11 to --seed 16; 11 and 12 were
// stopped after the counts above, 13 and 14 ran --games 2500, 15 and 16 --games 950.
// Started from the weights of commit 3ce738a, the new terms at 0.
// 1004620 positions, 0 of them held out by seed 1; 0 bad lines skipped.
// Command: orvane-tool tune data/games_11.txt data/games_12.txt data/games_13.txt data/games_14.txt data/games_15.txt data/games_16.txt --epochs 100 --rate 1 --validation 0 --last --report 50 --out src/search/strong_weights.h
// K 0.724751; weights of epoch 100; mean squared error 0.126391 before, 0.124636 after.
inline constexpr strong_weight STRONG_WEIGHTS[STRONG_TERM_COUNT] = {
    {60, 121},  // material pawn
    {410, 623},  // material rook
    {297, 358},  // material knight
    {284, 389},  // material bishop
    {998, 1041},  // material queen
    {0, 0},  // square pawn a1
    {0, 0},  // square pawn b1
    {0, 0},  // square pawn c1
    {0, 0},  // square pawn d1
    {-12, -31},  // square pawn a2
    {2, -12},  // square pawn b2
    {-14, 17},  // square pawn c2
    {-11, -14},  // square pawn d2
    {-12, -18},  // square pawn a3
    {-3, -34},  // square pawn b3
    {-25, -8},  // square pawn c3
    {-17, -20},  // square pawn d3
    {-11, -18},  // square pawn a4
    {-7, -23},  // square pawn b4
    {-3, -23},  // square pawn c4
    {4, -21},  // square pawn d4
    {-6, 6},  // square pawn a5
    {3, -26},  // square pawn b5
    {-2, -8},  // square pawn c5
    {13, -15},  // square pawn d5
    {6, 14},  // square pawn a6
    {32, 10},  // square pawn b6
    {32, 30},  // square pawn c6
    {14, -2},  // square pawn d6
    {-4, 50},  // square pawn a7
    {39, 27},  // square pawn b7
    {48, 72},  // square pawn c7
    {55, 33},  // square pawn d7
    {0, 0},  // square pawn a8
    {0, 0},  // square pawn b8
    {0, 0},  // square pawn c8
    {0, 0},  // square pawn d8
    {-16, 19},  // square rook a1
    {-20, 24},  // square rook b1
    {-12, 32},  // square rook c1
    {3, 9},  // square rook d1
    {-57, 52},  // square rook a2
    {-10, -34},  // square rook b2
    {-4, -5},  // square rook c2
    {-3, 13},  // square rook d2
    {-45, 45},  // square rook a3
    {-14, -7},  // square rook b3
    {-25, 10},  // square rook c3
    {-31, 39},  // square rook d3
    {-18, 29},  // square rook a4
    {-10, 18},  // square rook b4
    {-6, 37},  // square rook c4
    {-23, 51},  // square rook d4
    {15, 14},  // square rook a5
    {-6, 31},  // square rook b5
    {19, -12},  // square rook c5
    {-7, 27},  // square rook d5
    {-31, 44},  // square rook a6
    {-8, 33},  // square rook b6
    {10, 27},  // square rook c6
    {36, -2},  // square rook d6
    {-8, 38},  // square rook a7
    {16, 29},  // square rook b7
    {-4, 43},  // square rook c7
    {60, 7},  // square rook d7
    {-17, 49},  // square rook a8
    {-76, 85},  // square rook b8
    {-8, 58},  // square rook c8
    {-26, 51},  // square rook d8
    {-73, 30},  // square knight a1
    {-34, -6},  // square knight b1
    {12, 18},  // square knight c1
    {5, 6},  // square knight d1
    {-36, 6},  // square knight a2
    {35, -51},  // square knight b2
    {-27, 37},  // square knight c2
    {2, 14},  // square knight d2
    {-25, -5},  // square knight a3
    {2, 7},  // square knight b3
    {-5, 21},  // square knight c3
    {6, 40},  // square knight d3
    {-6, -24},  // square knight a4
    {10, 34},  // square knight b4
    {34, 15},  // square knight c4
    {20, 49},  // square knight d4
    {-18, -5},  // square knight a5
    {15, 2},  // square knight b5
    {17, 51},  // square knight c5
    {20, 55},  // square knight d5
    {-60, 34},  // square knight a6
    {-17, 41},  // square knight b6
    {-19, 34},  // square knight c6
    {15, 23},  // square knight d6
    {-26, -40},  // square knight a7
    {-82, 3},  // square knight b7
    {17, 26},  // square knight c7
    {-25, 27},  // square knight d7
    {-64, -132},  // square knight a8
    {-59, 2},  // square knight b8
    {-107, 73},  // square knight c8
    {15, 59},  // square knight d8
    {-1, -19},  // square bishop a1
    {67, 20},  // square bishop b1
    {-19, 32},  // square bishop c1
    {-21, 32},  // square bishop d1
    {4, -39},  // square bishop a2
    {5, 29},  // square bishop b2
    {3, 2},  // square bishop c2
    {-5, 32},  // square bishop d2
    {-1, -1},  // square bishop a3
    {15, 15},  // square bishop b3
    {11, 19},  // square bishop c3
    {-2, 39},  // square bishop d3
    {-17, -25},  // square bishop a4
    {6, -6},  // square bishop b4
    {13, 35},  // square bishop c4
    {22, 23},  // square bishop d4
    {-10, 14},  // square bishop a5
    {7, 32},  // square bishop b5
    {-20, 32},  // square bishop c5
    {23, 10},  // square bishop d5
    {-12, 40},  // square bishop a6
    {-15, 19},  // square bishop b6
    {11, 2},  // square bishop c6
    {13, 21},  // square bishop d6
    {-62, 54},  // square bishop a7
    {-26, 15},  // square bishop b7
    {2, 28},  // square bishop c7
    {-16, -13},  // square bishop d7
    {-9, 30},  // square bishop a8
    {-37, 69},  // square bishop b8
    {-69, 14},  // square bishop c8
    {-118, 62},  // square bishop d8
    {-6, -20},  // square queen a1
    {21, -21},  // square queen b1
    {15, -36},  // square queen c1
    {27, -60},  // square queen d1
    {32, -68},  // square queen a2
    {1, 13},  // square queen b2
    {12, 5},  // square queen c2
    {21, -30},  // square queen d2
    {-14, 58},  // square queen a3
    {7, 34},  // square queen b3
    {1, 61},  // square queen c3
    {13, 39},  // square queen d3
    {5, 7},  // square queen a4
    {-2, 68},  // square queen b4
    {-4, 59},  // square queen c4
    {1, 90},  // square queen d4
    {15, -6},  // square queen a5
    {-11, 143},  // square queen b5
    {20, 78},  // square queen c5
    {2, 103},  // square queen d5
    {9, 42},  // square queen a6
    {-24, 24},  // square queen b6
    {-8, 75},  // square queen c6
    {39, 75},  // square queen d6
    {19, 62},  // square queen a7
    {-3, 15},  // square queen b7
    {24, 79},  // square queen c7
    {-7, 117},  // square queen d7
    {-17, -10},  // square queen a8
    {-23, -10},  // square queen b8
    {2, 47},  // square queen c8
    {8, 18},  // square queen d8
    {36, -93},  // square king a1
    {42, -43},  // square king b1
    {-13, -15},  // square king c1
    {-14, -24},  // square king d1
    {5, -28},  // square king a2
    {21, -12},  // square king b2
    {-18, 0},  // square king c2
    {-46, 10},  // square king d2
    {8, -6},  // square king a3
    {-19, 0},  // square king b3
    {-12, 10},  // square king c3
    {-56, 7},  // square king d3
    {-76, -14},  // square king a4
    {57, -2},  // square king b4
    {-46, 22},  // square king c4
    {-80, 29},  // square king d4
    {-151, 11},  // square king a5
    {-104, 26},  // square king b5
    {-41, 27},  // square king c5
    {-83, 37},  // square king d5
    {-41, 11},  // square king a6
    {-36, 64},  // square king b6
    {-71, 45},  // square king c6
    {-51, 59},  // square king d6
    {-42, 59},  // square king a7
    {-64, 58},  // square king b7
    {-39, 13},  // square king c7
    {-59, 11},  // square king d7
    {-153, -44},  // square king a8
    {-121, -57},  // square king b8
    {-89, -14},  // square king c8
    {-96, -17},  // square king d8
    {-42, -27},  // mobility knight 0
    {-21, -32},  // mobility knight 1
    {-17, 14},  // mobility knight 2
    {-16, 27},  // mobility knight 3
    {-8, 35},  // mobility knight 4
    {-2, 38},  // mobility knight 5
    {7, 34},  // mobility knight 6
    {8, 32},  // mobility knight 7
    {-20, 24},  // mobility knight 8
    {-32, -90},  // mobility bishop 0
    {-16, -10},  // mobility bishop 1
    {-10, -8},  // mobility bishop 2
    {-6, 21},  // mobility bishop 3
    {-2, 22},  // mobility bishop 4
    {-1, 35},  // mobility bishop 5
    {1, 37},  // mobility bishop 6
    {5, 49},  // mobility bishop 7
    {0, 52},  // mobility bishop 8
    {-8, 66},  // mobility bishop 9
    {-9, 33},  // mobility bishop 10
    {-51, 75},  // mobility bishop 11
    {-52, 101},  // mobility bishop 12
    {33, 40},  // mobility bishop 13
    {-64, -85},  // mobility rook 0
    {-47, -2},  // mobility rook 1
    {-44, -7},  // mobility rook 2
    {-44, 8},  // mobility rook 3
    {-45, 45},  // mobility rook 4
    {-35, 40},  // mobility rook 5
    {-39, 53},  // mobility rook 6
    {-31, 60},  // mobility rook 7
    {-23, 54},  // mobility rook 8
    {-33, 63},  // mobility rook 9
    {-37, 78},  // mobility rook 10
    {-35, 86},  // mobility rook 11
    {-24, 85},  // mobility rook 12
    {-52, 91},  // mobility rook 13
    {31, 38},  // mobility rook 14
    {-19, -48},  // mobility queen 0
    {-7, -59},  // mobility queen 1
    {-2, -141},  // mobility queen 2
    {-2, -91},  // mobility queen 3
    {-4, -58},  // mobility queen 4
    {2, -45},  // mobility queen 5
    {-1, -8},  // mobility queen 6
    {6, 12},  // mobility queen 7
    {4, 33},  // mobility queen 8
    {14, 71},  // mobility queen 9
    {9, 44},  // mobility queen 10
    {3, 90},  // mobility queen 11
    {9, 78},  // mobility queen 12
    {14, 72},  // mobility queen 13
    {22, 57},  // mobility queen 14
    {14, 83},  // mobility queen 15
    {6, 104},  // mobility queen 16
    {16, 132},  // mobility queen 17
    {3, 107},  // mobility queen 18
    {37, 57},  // mobility queen 19
    {74, 40},  // mobility queen 20
    {81, 4},  // mobility queen 21
    {42, 34},  // mobility queen 22
    {51, 28},  // mobility queen 23
    {32, 6},  // mobility queen 24
    {26, 5},  // mobility queen 25
    {17, 19},  // mobility queen 26
    {12, 15},  // mobility queen 27
    {33, 59},  // bishop pair
    {0, 0},  // passed rank 0
    {19, 34},  // passed rank 1
    {-19, 41},  // passed rank 2
    {-52, 22},  // passed rank 3
    {10, 79},  // passed rank 4
    {32, 14},  // passed rank 5
    {56, 41},  // passed rank 6
    {0, 0},  // passed rank 7
    {0, 0},  // passed free rank 0
    {-36, 32},  // passed free rank 1
    {-22, -5},  // passed free rank 2
    {-16, 27},  // passed free rank 3
    {-24, 28},  // passed free rank 4
    {-16, 54},  // passed free rank 5
    {60, 70},  // passed free rank 6
    {0, 0},  // passed free rank 7
    {0, 0},  // passed own king rank 0
    {14, 1},  // passed own king rank 1
    {0, -7},  // passed own king rank 2
    {12, -8},  // passed own king rank 3
    {7, -20},  // passed own king rank 4
    {1, -6},  // passed own king rank 5
    {-7, -6},  // passed own king rank 6
    {0, -7},  // passed own king rank 7
    {0, 0},  // passed their king rank 0
    {-17, 0},  // passed their king rank 1
    {1, 9},  // passed their king rank 2
    {-7, 19},  // passed their king rank 3
    {-11, 24},  // passed their king rank 4
    {-4, 35},  // passed their king rank 5
    {4, 39},  // passed their king rank 6
    {0, 17},  // passed their king rank 7
    {-5, -21},  // isolated
    {3, 1},  // doubled
    {11, -24},  // backward
    {0, 0},  // supported rank 0
    {0, 0},  // supported rank 1
    {16, 11},  // supported rank 2
    {9, 5},  // supported rank 3
    {15, 26},  // supported rank 4
    {14, 51},  // supported rank 5
    {85, 58},  // supported rank 6
    {0, 0},  // supported rank 7
    {0, 0},  // phalanx rank 0
    {7, -7},  // phalanx rank 1
    {6, -1},  // phalanx rank 2
    {9, 17},  // phalanx rank 3
    {15, 32},  // phalanx rank 4
    {39, 79},  // phalanx rank 5
    {1, 71},  // phalanx rank 6
    {0, 0},  // phalanx rank 7
    {41, 2},  // rook open file
    {23, -13},  // rook half-open file
    {11, 9},  // outpost knight
    {23, 8},  // outpost bishop
    {2, -8},  // shield 0
    {-2, 5},  // shield 1
    {-7, 5},  // shield 2
    {20, 3},  // storm distance 0
    {-9, -7},  // storm distance 1
    {-2, -2},  // storm distance 2
    {-4, 9},  // storm distance 3
    {-16, -2},  // king open file
    {12, -17},  // king zone hits rook
    {4, -6},  // king zone hits knight
    {5, -8},  // king zone hits bishop
    {7, 28},  // king zone hits queen
    {-10, -5},  // king zone attackers 0
    {-10, -6},  // king zone attackers 1
    {7, 25},  // king zone attackers 2
    {41, 12},  // king zone attackers 3
    {81, 35},  // king zone attackers 4
    {50, 0},  // king zone attackers 5
    {11, 1},  // king zone attackers 6
    {0, 0},  // king zone attackers 7
    {70, 27},  // threat by pawn on rook
    {63, 23},  // threat by pawn on knight
    {58, 48},  // threat by pawn on bishop
    {52, -23},  // threat by pawn on queen
    {-3, 6},  // threat by minor on pawn
    {51, 17},  // threat by minor on rook
    {13, 7},  // threat by minor on knight
    {17, 41},  // threat by minor on bishop
    {40, 62},  // threat by minor on queen
    {-8, 28},  // threat by rook on pawn
    {39, 40},  // threat by rook on rook
    {6, 49},  // threat by rook on knight
    {8, 26},  // threat by rook on bishop
    {78, 13},  // threat by rook on queen
    {11, 31},  // hanging
    {9, 14},  // tempo
    {-4, 14},  // king zone hits by attackers 1
    {2, -2},  // king zone hits by attackers 2
    {4, -2},  // king zone hits by attackers 3
    {9, -41},  // king zone hits by attackers 4
    {15, -64},  // king zone hits by attackers 5
    {0, 0},  // king zone hits by attackers 6
    {62, 4},  // safe check rook
    {67, 5},  // safe check knight
    {17, 39},  // safe check bishop
    {19, 73},  // safe check queen
    {18, -6},  // king weak zone
    {1, -4},  // bishop pawns on colour
    {7, -2},  // minor behind pawn
    {-11, -18},  // king pawn distance
    {6, 7},  // rook seventh
    {19, 4},  // pawn push threat
};
