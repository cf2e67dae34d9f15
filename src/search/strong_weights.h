#pragma once

#include "search/strong_terms.h"

// The strong evaluation's weights, by term (strong_terms.h), fitted to game
// results by orvane-tool tune: tune again rather than edit by hand.
// Data: data/games_1.txt (12508), data/games_2.txt (11893), data/games_3.txt (496474), data/games_4.txt (487271)
// The games were played by the first evaluation's build (commit 7685471): the first lines of
// orvane-tool datagen --nodes 4000 --seed 1 and --seed 2, and --nodes 2000 --seed 3 and --seed 4,
// as many as the counts above.  Started from the hand-set weights of commit d374e94.
// 1008146 positions, 0 of them held out by seed 1; 0 bad lines skipped.
// Command: orvane-tool tune data/games_1.txt data/games_2.txt data/games_3.txt data/games_4.txt --epochs 100 --rate 1 --report 50 --validation 0 --last --out /tmp/x/wf100.h
// K 0.670247; weights of epoch 100; mean squared error 0.134861 before, 0.130480 after.
inline constexpr strong_weight STRONG_WEIGHTS[STRONG_TERM_COUNT] = {
    {65, 106},  // material pawn
    {409, 625},  // material rook
    {289, 346},  // material knight
    {310, 368},  // material bishop
    {1003, 1071},  // material queen
    {0, 0},  // square pawn a1
    {0, 0},  // square pawn b1
    {0, 0},  // square pawn c1
    {0, 0},  // square pawn d1
    {-7, -7},  // square pawn a2
    {1, -18},  // square pawn b2
    {-4, -31},  // square pawn c2
    {-25, 10},  // square pawn d2
    {-7, -3},  // square pawn a3
    {-2, -10},  // square pawn b3
    {-3, -10},  // square pawn c3
    {-14, -7},  // square pawn d3
    {-5, 8},  // square pawn a4
    {-14, 8},  // square pawn b4
    {1, 4},  // square pawn c4
    {6, 4},  // square pawn d4
    {-10, 25},  // square pawn a5
    {-9, 6},  // square pawn b5
    {-13, -7},  // square pawn c5
    {-1, -5},  // square pawn d5
    {-20, 28},  // square pawn a6
    {-10, 27},  // square pawn b6
    {-13, -1},  // square pawn c6
    {-10, 30},  // square pawn d6
    {24, 31},  // square pawn a7
    {66, 65},  // square pawn b7
    {11, 30},  // square pawn c7
    {87, 88},  // square pawn d7
    {0, 0},  // square pawn a8
    {0, 0},  // square pawn b8
    {0, 0},  // square pawn c8
    {0, 0},  // square pawn d8
    {-31, 20},  // square rook a1
    {-27, 25},  // square rook b1
    {2, -7},  // square rook c1
    {8, -2},  // square rook d1
    {-50, 30},  // square rook a2
    {-17, -22},  // square rook b2
    {-2, -18},  // square rook c2
    {20, -4},  // square rook d2
    {-28, 35},  // square rook a3
    {-47, 31},  // square rook b3
    {-13, 10},  // square rook c3
    {-5, 18},  // square rook d3
    {-44, 57},  // square rook a4
    {-31, 47},  // square rook b4
    {-20, 31},  // square rook c4
    {19, 27},  // square rook d4
    {-4, 41},  // square rook a5
    {-18, 40},  // square rook b5
    {-19, 48},  // square rook c5
    {7, 21},  // square rook d5
    {15, 3},  // square rook a6
    {39, 11},  // square rook b6
    {-8, 16},  // square rook c6
    {76, 10},  // square rook d6
    {-17, 31},  // square rook a7
    {-41, 67},  // square rook b7
    {25, 34},  // square rook c7
    {74, 40},  // square rook d7
    {-89, 66},  // square rook a8
    {-18, 40},  // square rook b8
    {25, 44},  // square rook c8
    {23, 43},  // square rook d8
    {-108, 52},  // square knight a1
    {-29, 24},  // square knight b1
    {-38, 22},  // square knight c1
    {6, -13},  // square knight d1
    {-19, -76},  // square knight a2
    {3, 11},  // square knight b2
    {5, -8},  // square knight c2
    {-8, 31},  // square knight d2
    {-27, 3},  // square knight a3
    {-32, 25},  // square knight b3
    {-5, 33},  // square knight c3
    {24, 42},  // square knight d3
    {-4, 4},  // square knight a4
    {34, -35},  // square knight b4
    {19, 38},  // square knight c4
    {-1, 42},  // square knight d4
    {15, 33},  // square knight a5
    {-1, 43},  // square knight b5
    {23, 34},  // square knight c5
    {34, 48},  // square knight d5
    {-23, 26},  // square knight a6
    {-19, 30},  // square knight b6
    {-16, 45},  // square knight c6
    {42, 36},  // square knight d6
    {-37, -1},  // square knight a7
    {-56, -14},  // square knight b7
    {-10, -9},  // square knight c7
    {-6, 32},  // square knight d7
    {-68, -59},  // square knight a8
    {-17, -56},  // square knight b8
    {-93, 50},  // square knight c8
    {42, 9},  // square knight d8
    {18, -13},  // square bishop a1
    {9, 24},  // square bishop b1
    {-15, 12},  // square bishop c1
    {5, 22},  // square bishop d1
    {1, 3},  // square bishop a2
    {13, -8},  // square bishop b2
    {-5, 14},  // square bishop c2
    {4, 14},  // square bishop d2
    {-6, -10},  // square bishop a3
    {25, -9},  // square bishop b3
    {27, -19},  // square bishop c3
    {-4, 37},  // square bishop d3
    {-8, -2},  // square bishop a4
    {-4, 18},  // square bishop b4
    {7, 13},  // square bishop c4
    {9, 30},  // square bishop d4
    {24, 20},  // square bishop a5
    {-11, 33},  // square bishop b5
    {-32, 33},  // square bishop c5
    {1, 43},  // square bishop d5
    {-19, 25},  // square bishop a6
    {-35, 45},  // square bishop b6
    {-57, 63},  // square bishop c6
    {35, 37},  // square bishop d6
    {-20, 22},  // square bishop a7
    {45, -5},  // square bishop b7
    {5, 35},  // square bishop c7
    {-45, 44},  // square bishop d7
    {-70, -17},  // square bishop a8
    {-61, 24},  // square bishop b8
    {-70, -34},  // square bishop c8
    {-44, 42},  // square bishop d8
    {26, 51},  // square queen a1
    {20, 39},  // square queen b1
    {6, -32},  // square queen c1
    {18, -66},  // square queen d1
    {18, -38},  // square queen a2
    {1, -46},  // square queen b2
    {15, -63},  // square queen c2
    {23, -26},  // square queen d2
    {-16, 12},  // square queen a3
    {1, -15},  // square queen b3
    {-24, 55},  // square queen c3
    {-8, 78},  // square queen d3
    {-3, 69},  // square queen a4
    {-8, 61},  // square queen b4
    {-1, 67},  // square queen c4
    {12, 81},  // square queen d4
    {-9, 26},  // square queen a5
    {-10, 72},  // square queen b5
    {0, 81},  // square queen c5
    {-3, 67},  // square queen d5
    {5, 60},  // square queen a6
    {-17, 54},  // square queen b6
    {-6, 36},  // square queen c6
    {5, 54},  // square queen d6
    {32, 48},  // square queen a7
    {26, 55},  // square queen b7
    {-16, 23},  // square queen c7
    {58, 38},  // square queen d7
    {21, 2},  // square queen a8
    {28, -35},  // square queen b8
    {33, 38},  // square queen c8
    {-9, 40},  // square queen d8
    {39, -85},  // square king a1
    {29, -16},  // square king b1
    {-16, -11},  // square king c1
    {-15, -26},  // square king d1
    {4, -24},  // square king a2
    {47, -50},  // square king b2
    {-11, -1},  // square king c2
    {-32, 2},  // square king d2
    {-9, 12},  // square king a3
    {28, -7},  // square king b3
    {-58, 12},  // square king c3
    {-56, 5},  // square king d3
    {-26, -28},  // square king a4
    {-6, -12},  // square king b4
    {-91, 20},  // square king c4
    {-125, 9},  // square king d4
    {-120, 36},  // square king a5
    {-62, 51},  // square king b5
    {-77, 28},  // square king c5
    {-112, 30},  // square king d5
    {-90, 55},  // square king a6
    {-19, 63},  // square king b6
    {-57, 38},  // square king c6
    {-94, 55},  // square king d6
    {-73, 39},  // square king a7
    {-51, 54},  // square king b7
    {-61, 47},  // square king c7
    {-37, 68},  // square king d7
    {-126, -72},  // square king a8
    {-113, -37},  // square king b8
    {-72, 34},  // square king c8
    {-106, -43},  // square king d8
    {-39, -74},  // mobility knight 0
    {-23, -50},  // mobility knight 1
    {-23, 7},  // mobility knight 2
    {-18, 21},  // mobility knight 3
    {-9, 31},  // mobility knight 4
    {-3, 38},  // mobility knight 5
    {-1, 48},  // mobility knight 6
    {-4, 41},  // mobility knight 7
    {18, 9},  // mobility knight 8
    {-34, -61},  // mobility bishop 0
    {-12, -27},  // mobility bishop 1
    {-9, -19},  // mobility bishop 2
    {-6, 0},  // mobility bishop 3
    {-3, 12},  // mobility bishop 4
    {-2, 26},  // mobility bishop 5
    {-2, 27},  // mobility bishop 6
    {-3, 55},  // mobility bishop 7
    {-3, 46},  // mobility bishop 8
    {3, 55},  // mobility bishop 9
    {25, 37},  // mobility bishop 10
    {-32, 64},  // mobility bishop 11
    {16, 65},  // mobility bishop 12
    {87, 20},  // mobility bishop 13
    {-67, -57},  // mobility rook 0
    {-54, -11},  // mobility rook 1
    {-50, 4},  // mobility rook 2
    {-40, 0},  // mobility rook 3
    {-43, 33},  // mobility rook 4
    {-43, 39},  // mobility rook 5
    {-34, 45},  // mobility rook 6
    {-21, 48},  // mobility rook 7
    {-12, 45},  // mobility rook 8
    {-13, 49},  // mobility rook 9
    {-13, 57},  // mobility rook 10
    {-20, 78},  // mobility rook 11
    {-14, 79},  // mobility rook 12
    {10, 68},  // mobility rook 13
    {1, 73},  // mobility rook 14
    {-27, -78},  // mobility queen 0
    {-22, -84},  // mobility queen 1
    {-20, -67},  // mobility queen 2
    {-14, -24},  // mobility queen 3
    {-15, -75},  // mobility queen 4
    {-7, -67},  // mobility queen 5
    {-6, -31},  // mobility queen 6
    {3, -26},  // mobility queen 7
    {11, -21},  // mobility queen 8
    {12, 23},  // mobility queen 9
    {8, 46},  // mobility queen 10
    {4, 66},  // mobility queen 11
    {17, 54},  // mobility queen 12
    {10, 73},  // mobility queen 13
    {28, 69},  // mobility queen 14
    {21, 66},  // mobility queen 15
    {42, 75},  // mobility queen 16
    {66, 76},  // mobility queen 17
    {42, 69},  // mobility queen 18
    {70, 83},  // mobility queen 19
    {56, 73},  // mobility queen 20
    {64, 76},  // mobility queen 21
    {67, 80},  // mobility queen 22
    {56, 66},  // mobility queen 23
    {21, 27},  // mobility queen 24
    {42, 46},  // mobility queen 25
    {20, 32},  // mobility queen 26
    {14, 22},  // mobility queen 27
    {-3, 73},  // bishop pair
    {0, 0},  // passed rank 0
    {-2, 17},  // passed rank 1
    {-5, 12},  // passed rank 2
    {4, 25},  // passed rank 3
    {25, 51},  // passed rank 4
    {33, 39},  // passed rank 5
    {55, 65},  // passed rank 6
    {0, 0},  // passed rank 7
    {0, 0},  // passed free rank 0
    {-41, 24},  // passed free rank 1
    {-8, -2},  // passed free rank 2
    {-23, 11},  // passed free rank 3
    {20, 22},  // passed free rank 4
    {5, 40},  // passed free rank 5
    {64, 73},  // passed free rank 6
    {0, 0},  // passed free rank 7
    {0, 0},  // passed own king rank 0
    {16, -7},  // passed own king rank 1
    {9, -3},  // passed own king rank 2
    {9, -9},  // passed own king rank 3
    {2, -11},  // passed own king rank 4
    {-2, -7},  // passed own king rank 5
    {-12, -18},  // passed own king rank 6
    {0, -7},  // passed own king rank 7
    {0, 0},  // passed their king rank 0
    {-11, 8},  // passed their king rank 1
    {-10, 7},  // passed their king rank 2
    {-12, 17},  // passed their king rank 3
    {-14, 27},  // passed their king rank 4
    {1, 37},  // passed their king rank 5
    {7, 45},  // passed their king rank 6
    {0, 17},  // passed their king rank 7
    {-8, -13},  // isolated
    {0, -7},  // doubled
    {-10, -7},  // backward
    {0, 0},  // supported rank 0
    {0, 0},  // supported rank 1
    {5, 35},  // supported rank 2
    {7, 2},  // supported rank 3
    {6, 0},  // supported rank 4
    {-16, 41},  // supported rank 5
    {21, 49},  // supported rank 6
    {0, 0},  // supported rank 7
    {0, 0},  // phalanx rank 0
    {4, 6},  // phalanx rank 1
    {2, 4},  // phalanx rank 2
    {3, 14},  // phalanx rank 3
    {11, 33},  // phalanx rank 4
    {54, 68},  // phalanx rank 5
    {42, 63},  // phalanx rank 6
    {0, 0},  // phalanx rank 7
    {36, 11},  // rook open file
    {20, 16},  // rook half-open file
    {6, 32},  // outpost knight
    {19, 24},  // outpost bishop
    {5, 0},  // shield 0
    {-8, 8},  // shield 1
    {-6, -5},  // shield 2
    {-8, 27},  // storm distance 0
    {-27, 4},  // storm distance 1
    {1, 3},  // storm distance 2
    {5, 6},  // storm distance 3
    {-22, 20},  // king open file
    {11, -8},  // king zone hits rook
    {4, -11},  // king zone hits knight
    {10, -12},  // king zone hits bishop
    {3, 51},  // king zone hits queen
    {-7, -12},  // king zone attackers 0
    {-16, 12},  // king zone attackers 1
    {16, 6},  // king zone attackers 2
    {43, 17},  // king zone attackers 3
    {75, 57},  // king zone attackers 4
    {41, 17},  // king zone attackers 5
    {11, 1},  // king zone attackers 6
    {0, 0},  // king zone attackers 7
    {50, 14},  // threat by pawn on rook
    {42, 9},  // threat by pawn on knight
    {49, 58},  // threat by pawn on bishop
    {40, -28},  // threat by pawn on queen
    {-3, 7},  // threat by minor on pawn
    {41, 26},  // threat by minor on rook
    {12, 35},  // threat by minor on knight
    {27, 35},  // threat by minor on bishop
    {45, 42},  // threat by minor on queen
    {-11, 15},  // threat by rook on pawn
    {19, 32},  // threat by rook on rook
    {6, 26},  // threat by rook on knight
    {28, 12},  // threat by rook on bishop
    {58, 46},  // threat by rook on queen
    {14, 36},  // hanging
    {13, 14},  // tempo
    {0, 0},  // king zone hits by attackers 1
    {0, 0},  // king zone hits by attackers 2
    {0, 0},  // king zone hits by attackers 3
    {0, 0},  // king zone hits by attackers 4
    {0, 0},  // king zone hits by attackers 5
    {0, 0},  // king zone hits by attackers 6
    {0, 0},  // safe check rook
    {0, 0},  // safe check knight
    {0, 0},  // safe check bishop
    {0, 0},  // safe check queen
    {0, 0},  // king weak zone
    {0, 0},  // bishop pawns on colour
    {0, 0},  // minor behind pawn
    {0, 0},  // king pawn distance
    {0, 0},  // rook seventh
    {0, 0},  // pawn push threat
};
