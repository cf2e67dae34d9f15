// The strong evaluation's terms (the eval room's tuned evaluation,
// strong_eval.h): every weight it has, by index.  Each term is a pair of
// weights (middlegame, endgame) multiplied by a count the evaluation finds
// on the board, white's count less black's; the tuner fits them all
// together and writes strong_weights.h.
#pragma once

#include <cstdint>
#include <string>

struct strong_weight {
    int16_t mg;
    int16_t eg;
};

namespace strong_term {
// Men are indexed by board type less one: pawn 0, rook 1, knight 2, bishop 3, queen 4, king 5.
inline constexpr int MATERIAL = 0;                           // 5: per man, pawn to queen
inline constexpr int SQUARE = MATERIAL + 5;                   // 6 x 32: per man and square, files mirrored to a-d
inline constexpr int MOBILITY_KNIGHT = SQUARE + 6 * 32;       // 9: by squares reached (0-8)
inline constexpr int MOBILITY_BISHOP = MOBILITY_KNIGHT + 9;   // 14 (0-13)
inline constexpr int MOBILITY_ROOK = MOBILITY_BISHOP + 14;    // 15 (0-14)
inline constexpr int MOBILITY_QUEEN = MOBILITY_ROOK + 15;     // 28 (0-27)
inline constexpr int BISHOP_PAIR = MOBILITY_QUEEN + 28;       // 1
inline constexpr int PASSED = BISHOP_PAIR + 1;                // 8: by rank, from the pawn's side
inline constexpr int PASSED_FREE = PASSED + 8;                // 8: its path to the last rank empty
inline constexpr int PASSED_OWN_KING = PASSED_FREE + 8;       // 8: per square from own king to its stop square
inline constexpr int PASSED_THEIR_KING = PASSED_OWN_KING + 8; // 8: the same for the enemy king
inline constexpr int ISOLATED = PASSED_THEIR_KING + 8;        // 1
inline constexpr int DOUBLED = ISOLATED + 1;                  // 1: per pawn with an own pawn in front
inline constexpr int BACKWARD = DOUBLED + 1;                  // 1
inline constexpr int SUPPORTED = BACKWARD + 1;                // 8: defended by a pawn, by rank
inline constexpr int PHALANX = SUPPORTED + 8;                 // 8: an own pawn beside it, by rank
inline constexpr int ROOK_OPEN = PHALANX + 8;                 // 1: no pawn on its file
inline constexpr int ROOK_HALF_OPEN = ROOK_OPEN + 1;          // 1: only enemy pawns there
inline constexpr int OUTPOST = ROOK_HALF_OPEN + 1;            // 2: knight, bishop
inline constexpr int SHIELD = OUTPOST + 2;                    // 3: per king file: own pawn 1, 2 ranks ahead, none
inline constexpr int STORM = SHIELD + 3;                      // 4: enemy pawn 1-4 ranks ahead on a king file
inline constexpr int KING_OPEN_FILE = STORM + 4;              // 1: king files with no own pawn
inline constexpr int KING_ATTACK = KING_OPEN_FILE + 1;        // 4: squares of the enemy king's zone hit, by R N B Q
inline constexpr int KING_ATTACKERS = KING_ATTACK + 4;        // 8: men hitting the enemy king's zone (0-7)
inline constexpr int THREAT_BY_PAWN = KING_ATTACKERS + 8;     // 4: enemy R N B Q attacked by a pawn
inline constexpr int THREAT_BY_MINOR = THREAT_BY_PAWN + 4;    // 5: enemy P R N B Q attacked by a knight or bishop
inline constexpr int THREAT_BY_ROOK = THREAT_BY_MINOR + 5;    // 5: enemy P R N B Q attacked by a rook
inline constexpr int HANGING = THREAT_BY_ROOK + 5;            // 1: enemy men attacked and not defended
inline constexpr int TEMPO = HANGING + 1;                     // 1: the side to move
// King safety beyond the linear counts: the zone's hits weigh more the more men share them.
inline constexpr int KING_HITS_BY_ATTACKERS = TEMPO + 1;     // 6: all zone hits, by the men hitting (1-6+)
inline constexpr int SAFE_CHECK = KING_HITS_BY_ATTACKERS + 6;  // 4: a check by R N B Q on a square the enemy does not hold
inline constexpr int KING_WEAK_ZONE = SAFE_CHECK + 4;         // 1: zone squares hit and held by no enemy man but the king
inline constexpr int BISHOP_PAWNS = KING_WEAK_ZONE + 1;       // 1: per bishop, own pawns on its colour
inline constexpr int MINOR_BEHIND_PAWN = BISHOP_PAWNS + 1;    // 1: a knight or bishop with an own pawn just ahead
inline constexpr int KING_PAWN_DISTANCE = MINOR_BEHIND_PAWN + 1;  // 1: the king's distance to its nearest pawn
inline constexpr int ROOK_SEVENTH = KING_PAWN_DISTANCE + 1;   // 1: a rook on the seventh, enemy pawns there or king behind
inline constexpr int PAWN_PUSH_THREAT = ROOK_SEVENTH + 1;     // 1: enemy men a safe pawn push would attack
inline constexpr int COUNT = PAWN_PUSH_THREAT + 1;
}  // namespace strong_term
inline constexpr int STRONG_TERM_COUNT = strong_term::COUNT;

// The name of the term at index (for the weights file and the tuner's log).
std::string strong_term_name(int index);
