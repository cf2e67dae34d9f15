// The strong search's evaluation, in the eval room beside the classic one
// because it reads the position alone.  Every term is a count on the board
// times a pair of weights (middlegame, endgame); the weights are fitted to
// the results of our own games by the tuner (tools/tune.cpp) and compiled
// in from strong_weights.h.  The same code counts for the engine, which
// sums the weights at once, and for the tuner, which keeps the counts.
//
// Squares are file + 8 * rank.  A man's square is read from its own side:
// black's through the rank mirror (square ^ 56).
#include "eval/strong_eval.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "eval/strong_weights.h"
#include "rules/reach_tables.h"
#include "rules/slider_reach.h"

namespace {

namespace T = strong_term;

constexpr int PHASE_WEIGHT[8] = {0, 0, 2, 1, 1, 4, 0, 0};
constexpr int FULL_PHASE = 24;

constexpr uint64_t FILE_A = 0x0101010101010101ull;
constexpr uint64_t FILE_H = FILE_A << 7;
constexpr uint64_t DARK_SQUARES = 0xAA55AA55AA55AA55ull;
constexpr uint64_t bit(int sq) { return uint64_t{1} << sq; }
// The engine is built for any x86-64, where the builtin becomes a library
// call: without the processor's instruction the bits are counted in
// registers.  The evaluation is compiled both ways and the processor
// chooses at start-up (the counts are the same).
template <bool HARDWARE>
inline int popcount(uint64_t b) {
    if constexpr (HARDWARE) return __builtin_popcountll(b);
    b = b - ((b >> 1) & 0x5555555555555555ull);
    b = (b & 0x3333333333333333ull) + ((b >> 2) & 0x3333333333333333ull);
    b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((b * 0x0101010101010101ull) >> 56);
}

constexpr int chebyshev(int a, int b) {
    const int df = (a & 7) > (b & 7) ? (a & 7) - (b & 7) : (b & 7) - (a & 7);
    const int dr = (a >> 3) > (b >> 3) ? (a >> 3) - (b >> 3) : (b >> 3) - (a >> 3);
    return df > dr ? df : dr;
}
// Distance from the centre, 1 (d4, e4, d5, e5) to 7 (the corners).
constexpr int centre_distance(int sq) {
    const int f = sq & 7, r = sq >> 3;
    return (f < 4 ? 3 - f : f - 4) + (r < 4 ? 3 - r : r - 4) + 1;
}

// How near sq is to a corner of the bishop's colour (a1 and h8 are dark),
// on a scale above the drive to any edge: the bare king is pressed toward
// the edge, and along it toward the right corner.  The steps are large:
// the search must see each one as progress worth forcing, or the king
// holds out in the wrong corner until the fifty-move rule.
constexpr int bishop_corner_drive(int sq, bool dark) {
    const int f = sq & 7, r = sq >> 3;
    const int to_a1_h8 = f + r < (7 - f) + (7 - r) ? f + r : (7 - f) + (7 - r);
    const int to_a8_h1 = f + (7 - r) < (7 - f) + r ? f + (7 - r) : (7 - f) + r;
    return 150 * (7 - (dark ? to_a1_h8 : to_a8_h1)) + 30 * (centre_distance(sq) - 1);
}

// Masks by colour (index 0 white, 1 black) and square.
struct pawn_masks {
    uint64_t front_file[2][64];  // the squares ahead on the file
    uint64_t front_span[2][64];  // ahead on the file and the two beside it
    uint64_t behind_adjacent[2][64];  // the files beside, this rank and behind
    uint64_t adjacent_files[8];
    uint64_t king_zone[64];      // the king's square and its neighbours
    uint64_t ring[64][8];        // the squares at each king-move distance (0-7)
};
constexpr pawn_masks make_masks() {
    pawn_masks m{};
    for (int f = 0; f < 8; ++f) {
        if (f > 0) m.adjacent_files[f] |= FILE_A << (f - 1);
        if (f < 7) m.adjacent_files[f] |= FILE_A << (f + 1);
    }
    for (int sq = 0; sq < 64; ++sq) {
        const int f = sq & 7, r = sq >> 3;
        for (int c = 0; c < 2; ++c) {
            for (int rr = 0; rr < 8; ++rr) {
                const bool ahead = c == 0 ? rr > r : rr < r;
                for (int g = f - 1; g <= f + 1; ++g) {
                    if (g < 0 || g > 7) continue;
                    const uint64_t b = bit(g + 8 * rr);
                    if (ahead) {
                        m.front_span[c][sq] |= b;
                        if (g == f) m.front_file[c][sq] |= b;
                    } else if (g != f) {
                        m.behind_adjacent[c][sq] |= b;
                    }
                }
            }
        }
        for (int other = 0; other < 64; ++other) m.ring[sq][chebyshev(sq, other)] |= bit(other);
        m.king_zone[sq] = bit(sq);
        for (int i = 0; i < 8 && REACH_SQUARES.king[sq][i] >= 0; ++i) m.king_zone[sq] |= bit(REACH_SQUARES.king[sq][i]);
    }
    return m;
}
constexpr pawn_masks MASKS = make_masks();

inline uint64_t pawn_attacks(uint64_t pawns, int colour) {
    return colour == WHITE ? ((pawns & ~FILE_A) << 7) | ((pawns & ~FILE_H) << 9)
                           : ((pawns & ~FILE_A) >> 9) | ((pawns & ~FILE_H) >> 7);
}

inline int relative_rank(int colour, int sq) { return colour == WHITE ? sq >> 3 : 7 - (sq >> 3); }
constexpr int own_square(int colour, int sq) { return colour == WHITE ? sq : sq ^ 56; }
constexpr int half_square(int sq) {  // files mirrored to a-d
    const int f = sq & 7;
    return (f < 4 ? f : 7 - f) + 4 * (sq >> 3);
}

// A term's two weights in one 64-bit word, the endgame's times 2^32 plus
// the middlegame's, so that adding a term is one multiply-add, not two.
// The sums come back exactly while each stays within 31 bits, which an
// evaluation's do by far.
struct packed_weights {
    int64_t both[STRONG_TERM_COUNT];
};
constexpr packed_weights make_packed() {
    packed_weights p{};
    for (int i = 0; i < STRONG_TERM_COUNT; ++i)
        p.both[i] = int64_t{STRONG_WEIGHTS[i].eg} * (int64_t{1} << 32) + STRONG_WEIGHTS[i].mg;
    return p;
}
constexpr packed_weights PACKED = make_packed();

// Men indexed as the terms count them: pawn 0, rook 1, knight 2, bishop 3, queen 4.
constexpr int man_index(int type) { return type - 1; }
constexpr int square_term(int colour, int type, int sq) {
    return T::SQUARE + 32 * man_index(type) + half_square(own_square(colour, sq));
}

// A man's material and square weights together, signed for white, by
// colour, type and square: the most frequent terms, one addition a man.
struct man_weights {
    int64_t both[3][8][64];
};
constexpr man_weights make_man_weights() {
    man_weights w{};
    for (int colour = WHITE; colour <= BLACK; ++colour)
        for (int type = PAWN; type <= KING; ++type)
            for (int sq = 0; sq < 64; ++sq) {
                int64_t v = PACKED.both[square_term(colour, type, sq)];
                if (type != KING) v += PACKED.both[T::MATERIAL + man_index(type)];
                w.both[colour][type][sq] = colour == WHITE ? v : -v;
            }
    return w;
}
constexpr man_weights MAN_WEIGHTS = make_man_weights();

// The engine's sum: the weights at once.
struct score_sum {
    int64_t both = 0;
    void add(int term, int count) { both += count * PACKED.both[term]; }
    void add_man(int colour, int type, int sq) { both += MAN_WEIGHTS.both[colour][type][sq]; }
    // The low half, read as signed, is the middlegame's sum; what is left is the endgame's.
    int mg() const { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(both))); }
    int eg() const { return static_cast<int>((both - mg()) / (int64_t{1} << 32)); }
};
// The tuner's: the counts.
struct count_sum {
    int16_t* coeff;
    // Unknown while counting: the weighed pass decides the scale.
    int eg() const { return 0; }
    void add(int term, int count) { coeff[term] = static_cast<int16_t>(coeff[term] + count); }
    void add_man(int colour, int type, int sq) {
        const int sign = colour == WHITE ? 1 : -1;
        if (type != KING) add(T::MATERIAL + man_index(type), sign);
        add(square_term(colour, type, sq), sign);
    }
};

// What a board byte holds: a man's colour and type, or colour 0 for a byte
// that is no man (an empty square, or junk a hostile board put there).
struct man_of_byte {
    uint8_t colour, type;
};
struct byte_men {
    man_of_byte of[256];
};
constexpr byte_men make_byte_men() {
    byte_men t{};
    for (int byte = 0; byte < 256; ++byte) {
        const int colour = piece_colour(static_cast<uint8_t>(byte)), type = piece_type(static_cast<uint8_t>(byte));
        if ((colour == WHITE || colour == BLACK) && type >= PAWN && type <= KING)
            t.of[byte] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(type)};
    }
    return t;
}
constexpr byte_men BYTE_MEN = make_byte_men();

// What the position's men are, as bitboards: by colour (1, 2) and type.
struct men {
    uint64_t by[3][8] = {};
    uint64_t all[3] = {};
    int king[3] = {0, 0, 0};
    int phase = 0;
};

// The pawn-structure terms, which depend on the pawns alone, for one side
// with sign +1 (white) or -1 (black).  Also gives its passed pawns.
template <class Sum>
uint64_t pawn_terms(const men& m, int colour, int sign, Sum& sum) {
    const int ci = colour - 1, them = 3 - colour;
    const uint64_t own = m.by[colour][PAWN], theirs = m.by[them][PAWN];
    const uint64_t own_attacks = pawn_attacks(own, colour), their_attacks = pawn_attacks(theirs, them);
    uint64_t passed = 0;
    for (uint64_t p = own; p != 0; p &= p - 1) {
        const int sq = __builtin_ctzll(p), f = sq & 7, rr = relative_rank(colour, sq);
        if ((MASKS.front_span[ci][sq] & theirs) == 0 && (MASKS.front_file[ci][sq] & own) == 0) {
            passed |= bit(sq);
            sum.add(T::PASSED + rr, sign);
        }
        if ((MASKS.front_file[ci][sq] & own) != 0) sum.add(T::DOUBLED, sign);
        if ((MASKS.adjacent_files[f] & own) == 0) {
            sum.add(T::ISOLATED, sign);
        } else if ((MASKS.behind_adjacent[ci][sq] & own) == 0) {
            // No pawn beside or behind can come up to defend it, and its
            // stop square is held by an enemy pawn.
            const int stop = colour == WHITE ? sq + 8 : sq - 8;
            if (stop >= 0 && stop < 64 && (their_attacks & bit(stop)) != 0) sum.add(T::BACKWARD, sign);
        }
        if ((own_attacks & bit(sq)) != 0) sum.add(T::SUPPORTED + rr, sign);
        const uint64_t beside = ((bit(sq) & ~FILE_A) >> 1) | ((bit(sq) & ~FILE_H) << 1);
        if ((beside & own) != 0) sum.add(T::PHALANX + rr, sign);
    }
    return passed;
}

static_assert((strong_pawn_cache::SIZE & (strong_pawn_cache::SIZE - 1)) == 0, "a slot is found by masking");

// The slot of a pawn structure.  A product's high bits depend on every bit
// of the factor, its low ones only on the factor's low bits: the index is
// taken from the top, or pawns on the sixth and seventh ranks (most of
// black's) would not move it and their structures would share slots.
inline size_t pawn_slot(uint64_t white, uint64_t black) {
    const uint64_t z = white * 0x9E3779B97F4A7C15ull ^ (black + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(z >> (64 - std::countr_zero(static_cast<unsigned>(strong_pawn_cache::SIZE))));
}

// The weighed sum takes the pawns' score from the caller's cache; the
// tuner's counts are counted afresh, there being nothing to keep.
void pawn_structure(const men& m, score_sum& sum, uint64_t passed[2], strong_pawn_cache& cache) {
    const uint64_t w = m.by[WHITE][PAWN], b = m.by[BLACK][PAWN];
    strong_pawn_cache::slot& slot = cache.slots[pawn_slot(w, b)];
    if (slot.white != w || slot.black != b || (w | b) == 0) {
        score_sum part;
        slot.passed[0] = pawn_terms(m, WHITE, 1, part);
        slot.passed[1] = pawn_terms(m, BLACK, -1, part);
        slot.white = w;
        slot.black = b;
        slot.both = part.both;
    }
    sum.both += slot.both;
    passed[0] = slot.passed[0];
    passed[1] = slot.passed[1];
}
void pawn_structure(const men& m, count_sum& sum, uint64_t passed[2], strong_pawn_cache&) {
    passed[0] = pawn_terms(m, WHITE, 1, sum);
    passed[1] = pawn_terms(m, BLACK, -1, sum);
}

// Where a knight, bishop, rook or queen on sq reaches, occupied being the
// squares that hold anything: a slider's ray ends on its first man.
inline uint64_t reach(uint64_t occupied, int sq, int type) {
    if (type == KNIGHT) return REACH_MASKS.knight[sq];
    if (type == ROOK) return rook_reach(occupied, sq);
    if (type == BISHOP) return bishop_reach(occupied, sq);
    return rook_reach(occupied, sq) | bishop_reach(occupied, sq);
}

// Inlined into each entry below, so that the one built for the processor's
// bit count compiles all of it that way.
template <bool HARDWARE, class Sum>
[[gnu::always_inline]] inline void evaluate_terms(const position& pos, int side, strong_pawn_cache& cache, Sum& sum,
                                                  int& phase, int& scale, int& fixed_eg) {
    const uint8_t* b = pos.board;
    men m;
    // Any byte blocks a ray, a man or not, as on the board.
    const uint64_t occupied = occupied_squares(b);
    for (uint64_t o = occupied; o != 0; o &= o - 1) {
        const int sq = __builtin_ctzll(o);
        const man_of_byte man = BYTE_MEN.of[b[sq]];
        if (man.colour == 0) continue;
        m.by[man.colour][man.type] |= bit(sq);
        m.all[man.colour] |= bit(sq);
        m.phase += PHASE_WEIGHT[man.type];
        sum.add_man(man.colour, man.type, sq);
    }
    // Each colour's king square; a board holding two kings of a colour gives the higher one.
    for (int colour = WHITE; colour <= BLACK; ++colour)
        if (m.by[colour][KING] != 0) m.king[colour] = 63 - __builtin_clzll(m.by[colour][KING]);
    phase = m.phase > FULL_PHASE ? FULL_PHASE : m.phase;

    uint64_t passed[2];
    pawn_structure(m, sum, passed, cache);

    // Each side's attacks, by type, for mobility, threats and king safety.
    uint64_t attacks[3][8] = {};
    uint64_t attacked[3] = {};
    int zone_attackers[3] = {0, 0, 0}, zone_hits[3] = {0, 0, 0};
    for (int colour = WHITE; colour <= BLACK; ++colour) {
        attacks[colour][PAWN] = pawn_attacks(m.by[colour][PAWN], colour);
        attacks[colour][KING] = (m.by[colour][KING] != 0) ? REACH_MASKS.king[m.king[colour]] : 0;
    }
    for (int colour = WHITE; colour <= BLACK; ++colour) {
        const int them = 3 - colour, sign = colour == WHITE ? 1 : -1;
        const uint64_t area = ~m.all[colour] & ~attacks[them][PAWN];
        const uint64_t zone = m.by[them][KING] != 0 ? MASKS.king_zone[m.king[them]] : 0;
        const uint64_t own_pawns = m.by[colour][PAWN], their_pawns = m.by[them][PAWN];
        for (int type = ROOK; type <= QUEEN; ++type) {
            for (uint64_t p = m.by[colour][type]; p != 0; p &= p - 1) {
                const int sq = __builtin_ctzll(p);
                const uint64_t r = reach(occupied, sq, type);
                attacks[colour][type] |= r;
                const int n = popcount<HARDWARE>(r & area);
                switch (type) {
                    case KNIGHT: sum.add(T::MOBILITY_KNIGHT + n, sign); break;
                    case BISHOP: sum.add(T::MOBILITY_BISHOP + n, sign); break;
                    case ROOK: sum.add(T::MOBILITY_ROOK + n, sign); break;
                    default: sum.add(T::MOBILITY_QUEEN + n, sign); break;
                }
                const int hits = popcount<HARDWARE>(r & zone);
                if (hits != 0) {
                    sum.add(T::KING_ATTACK + (type - ROOK), sign * hits);
                    ++zone_attackers[colour];
                    zone_hits[colour] += hits;
                }
                const int f = sq & 7;
                if (type == ROOK && ((FILE_A << f) & own_pawns) == 0)
                    sum.add(((FILE_A << f) & their_pawns) == 0 ? T::ROOK_OPEN : T::ROOK_HALF_OPEN, sign);
                if ((type == KNIGHT || type == BISHOP) && relative_rank(colour, sq) >= 3 &&
                    relative_rank(colour, sq) <= 5 && (attacks[colour][PAWN] & bit(sq)) != 0 &&
                    (MASKS.front_span[colour - 1][sq] & ~(FILE_A << f) & their_pawns) == 0)
                    sum.add(T::OUTPOST + (type - KNIGHT), sign);
                if (type == KNIGHT || type == BISHOP) {
                    const int ahead = colour == WHITE ? sq + 8 : sq - 8;
                    if (ahead >= 0 && ahead < 64 && (own_pawns & bit(ahead)) != 0) sum.add(T::MINOR_BEHIND_PAWN, sign);
                }
                if (type == BISHOP) {
                    const uint64_t colour_squares = (DARK_SQUARES & bit(sq)) != 0 ? DARK_SQUARES : ~DARK_SQUARES;
                    sum.add(T::BISHOP_PAWNS, sign * popcount<HARDWARE>(own_pawns & colour_squares));
                }
                if (type == ROOK && relative_rank(colour, sq) == 6 &&
                    ((their_pawns & (uint64_t{0xFF} << (sq & 56))) != 0 ||
                     (m.by[them][KING] != 0 && relative_rank(colour, m.king[them]) == 7)))
                    sum.add(T::ROOK_SEVENTH, sign);
            }
        }
        if (popcount<HARDWARE>(m.by[colour][BISHOP]) >= 2) sum.add(T::BISHOP_PAIR, sign);
    }
    for (int colour = WHITE; colour <= BLACK; ++colour)
        for (int type = PAWN; type <= KING; ++type) attacked[colour] |= attacks[colour][type];

    for (int colour = WHITE; colour <= BLACK; ++colour) {
        const int them = 3 - colour, sign = colour == WHITE ? 1 : -1, ci = colour - 1;
        sum.add(T::KING_ATTACKERS + (zone_attackers[colour] < 7 ? zone_attackers[colour] : 7), sign);
        if (zone_attackers[colour] != 0)
            sum.add(T::KING_HITS_BY_ATTACKERS + (zone_attackers[colour] < 6 ? zone_attackers[colour] : 6) - 1,
                    sign * zone_hits[colour]);

        // Checks the enemy king cannot stop by holding the square, and the
        // squares by it that only the king itself holds.
        if (m.by[them][KING] != 0) {
            const int ks = m.king[them];
            const uint64_t safe = ~m.all[colour] & ~attacked[them];
            const uint64_t rook_lines = reach(occupied, ks, ROOK), bishop_lines = reach(occupied, ks, BISHOP);
            if ((attacks[colour][ROOK] & rook_lines & safe) != 0) sum.add(T::SAFE_CHECK + 0, sign);
            if ((attacks[colour][KNIGHT] & REACH_MASKS.knight[ks] & safe) != 0) sum.add(T::SAFE_CHECK + 1, sign);
            if ((attacks[colour][BISHOP] & bishop_lines & safe) != 0) sum.add(T::SAFE_CHECK + 2, sign);
            if ((attacks[colour][QUEEN] & (rook_lines | bishop_lines) & safe) != 0) sum.add(T::SAFE_CHECK + 3, sign);
            const uint64_t held = attacks[them][PAWN] | attacks[them][ROOK] | attacks[them][KNIGHT] |
                                  attacks[them][BISHOP] | attacks[them][QUEEN];
            sum.add(T::KING_WEAK_ZONE, sign * popcount<HARDWARE>(MASKS.king_zone[ks] & attacked[colour] & ~held));
        }

        // Pawn pushes to a square no enemy pawn holds that would attack an enemy man.
        {
            const uint64_t empty = ~occupied;
            const uint64_t own_pawns = m.by[colour][PAWN];
            uint64_t pushes = colour == WHITE ? (own_pawns << 8) & empty : (own_pawns >> 8) & empty;
            pushes |= colour == WHITE ? ((pushes & (uint64_t{0xFF} << 16)) << 8) & empty
                                      : ((pushes & (uint64_t{0xFF} << 40)) >> 8) & empty;
            pushes &= ~attacks[them][PAWN] & (attacked[colour] | ~attacked[them]);
            sum.add(T::PAWN_PUSH_THREAT,
                    sign * popcount<HARDWARE>(pawn_attacks(pushes, colour) &
                                              (m.all[them] & ~m.by[them][PAWN] & ~m.by[them][KING])));
        }

        // The king's way to the pawns, which counts in the endgame.
        if ((m.by[WHITE][PAWN] | m.by[BLACK][PAWN]) != 0 && m.by[colour][KING] != 0) {
            // Ring by ring outward: the nearest pawn is seldom far.
            const uint64_t pawns = m.by[WHITE][PAWN] | m.by[BLACK][PAWN];
            int nearest = 1;
            while ((MASKS.ring[m.king[colour]][nearest] & pawns) == 0) ++nearest;
            sum.add(T::KING_PAWN_DISTANCE, sign * nearest);
        }

        // Threats on the enemy's men.
        const uint64_t targets = m.all[them] & ~m.by[them][KING];
        for (uint64_t t = targets & attacked[colour]; t != 0; t &= t - 1) {
            const int sq = __builtin_ctzll(t), victim = piece_type(b[sq]);
            if (victim != PAWN && (attacks[colour][PAWN] & bit(sq)) != 0)
                sum.add(T::THREAT_BY_PAWN + man_index(victim) - 1, sign);
            if (((attacks[colour][KNIGHT] | attacks[colour][BISHOP]) & bit(sq)) != 0)
                sum.add(T::THREAT_BY_MINOR + man_index(victim), sign);
            if ((attacks[colour][ROOK] & bit(sq)) != 0) sum.add(T::THREAT_BY_ROOK + man_index(victim), sign);
            if ((attacked[them] & bit(sq)) == 0) sum.add(T::HANGING, sign);
        }

        // The own king's shelter: on its file and the two beside, the
        // nearest own pawn ahead, and the nearest enemy pawn coming.
        const int ks = m.king[colour], kf = ks & 7, kr = relative_rank(colour, ks);
        const int centre_file = kf < 1 ? 1 : kf > 6 ? 6 : kf;
        // The nearest pawn ahead on a file is the lowest bit of the file's
        // squares ahead for white, the highest for black.
        auto distance_ahead = [&](uint64_t pawns) {
            if (pawns == 0) return 0;
            const int nearest = colour == WHITE ? __builtin_ctzll(pawns) : 63 - __builtin_clzll(pawns);
            return relative_rank(colour, nearest) - kr;
        };
        for (int f = centre_file - 1; f <= centre_file + 1; ++f) {
            const uint64_t ahead = MASKS.front_file[ci][f + (ks & 56)];
            const int own_distance = distance_ahead(ahead & m.by[colour][PAWN]);
            const int their_distance = distance_ahead(ahead & m.by[them][PAWN]);
            if (own_distance == 1 || own_distance == 2)
                sum.add(T::SHIELD + own_distance - 1, sign);
            else
                sum.add(T::SHIELD + 2, sign);
            if (own_distance == 0) sum.add(T::KING_OPEN_FILE, sign);
            if (their_distance >= 1 && their_distance <= 4) sum.add(T::STORM + their_distance - 1, sign);
        }

        // Passed pawns: a free path, and the kings' distances to the stop square.
        for (uint64_t p = passed[ci]; p != 0; p &= p - 1) {
            const int sq = __builtin_ctzll(p), rr = relative_rank(colour, sq);
            const int stop = colour == WHITE ? sq + 8 : sq - 8;
            if (stop < 0 || stop >= 64) continue;
            if ((MASKS.front_file[ci][sq] & (m.all[WHITE] | m.all[BLACK])) == 0) sum.add(T::PASSED_FREE + rr, sign);
            sum.add(T::PASSED_OWN_KING + rr, sign * chebyshev(m.king[colour], stop));
            sum.add(T::PASSED_THEIR_KING + rr, sign * chebyshev(m.king[them], stop));
        }
    }
    sum.add(T::TEMPO, side == WHITE ? 1 : -1);

    // Endgames.  A side ahead with no pawns and little more than the other
    // side cannot mate without help (a minor piece up; a rook and a minor
    // piece against a rook); bishops of opposite colours alone are drawish;
    // a bare king is driven to the edge and the winning king brought near.
    scale = 64;
    fixed_eg = 0;
    auto pieces_of = [&](int c) {
        return 3 * (popcount<HARDWARE>(m.by[c][KNIGHT]) + popcount<HARDWARE>(m.by[c][BISHOP])) +
               5 * popcount<HARDWARE>(m.by[c][ROOK]) + 9 * popcount<HARDWARE>(m.by[c][QUEEN]);
    };
    const int white_pieces = pieces_of(WHITE), black_pieces = pieces_of(BLACK);
    const bool white_ahead = sum.eg() > 0 || (sum.eg() == 0 && white_pieces >= black_pieces);
    const int strong = white_ahead ? WHITE : BLACK, weak = 3 - strong;
    const int strong_pieces = white_ahead ? white_pieces : black_pieces;
    const int weak_pieces = white_ahead ? black_pieces : white_pieces;
    if (m.by[strong][PAWN] == 0 && strong_pieces - weak_pieces <= 3) scale = strong_pieces <= 3 ? 4 : 16;
    if (m.by[weak][PAWN] == 0 && weak_pieces == 0 && strong_pieces >= 5) {
        // Mate with bishop and knight can only be forced in a corner of the
        // bishop's colour: there the bare king is driven, not just to any edge.
        // With a pawn still to queen the corner is not the plan.
        const bool bishop_and_knight = strong_pieces == 6 && m.by[strong][PAWN] == 0 && popcount<HARDWARE>(m.by[strong][BISHOP]) == 1 &&
                                       popcount<HARDWARE>(m.by[strong][KNIGHT]) == 1;
        const int edge = bishop_and_knight ? bishop_corner_drive(m.king[weak], (m.by[strong][BISHOP] & DARK_SQUARES) != 0)
                                           : 10 * (centre_distance(m.king[weak]) - 1);
        const int drive = edge + 6 * (7 - chebyshev(m.king[weak], m.king[strong]));
        fixed_eg = white_ahead ? drive + 200 : -(drive + 200);
    }
    if (popcount<HARDWARE>(m.by[WHITE][BISHOP]) == 1 && popcount<HARDWARE>(m.by[BLACK][BISHOP]) == 1) {
        const bool white_dark = (m.by[WHITE][BISHOP] & DARK_SQUARES) != 0;
        const bool black_dark = (m.by[BLACK][BISHOP] & DARK_SQUARES) != 0;
        if (white_dark != black_dark) {
            const bool bishops_only = (m.by[WHITE][KNIGHT] | m.by[WHITE][ROOK] | m.by[WHITE][QUEEN] |
                                       m.by[BLACK][KNIGHT] | m.by[BLACK][ROOK] | m.by[BLACK][QUEEN]) == 0;
            const int limit = bishops_only ? 32 : 48;
            if (scale > limit) scale = limit;
        }
    }
}

template <bool HARDWARE>
[[gnu::always_inline]] inline strong_eval_parts parts_of(const position& pos, int side, strong_pawn_cache& cache) {
    score_sum sum;
    strong_eval_parts parts{};
    int fixed_eg = 0;
    evaluate_terms<HARDWARE>(pos, side, cache, sum, parts.phase, parts.scale, fixed_eg);
    parts.middlegame = sum.mg();
    parts.endgame = sum.eg() + fixed_eg;
    return parts;
}

strong_eval_parts parts_counted_in_registers(const position& pos, int side, strong_pawn_cache& cache) {
    return parts_of<false>(pos, side, cache);
}

#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("popcnt")]] strong_eval_parts parts_counted_by_instruction(const position& pos, int side,
                                                                         strong_pawn_cache& cache) {
    return parts_of<true>(pos, side, cache);
}
const bool HAS_POPCNT = [] {
    __builtin_cpu_init();  // may run before the library's own set-up
    return __builtin_cpu_supports("popcnt") != 0;
}();
#else
strong_eval_parts parts_counted_by_instruction(const position& pos, int side, strong_pawn_cache& cache) {
    return parts_of<true>(pos, side, cache);
}
const bool HAS_POPCNT = true;  // elsewhere the builtin is the machine's own
#endif

}  // namespace

void strong_pawn_cache::clear() { std::memset(static_cast<void*>(slots), 0, sizeof slots); }

strong_eval_parts strong_evaluate_parts(const position& pos, int side, strong_pawn_cache& cache) {
    return HAS_POPCNT ? parts_counted_by_instruction(pos, side, cache) : parts_counted_in_registers(pos, side, cache);
}

int strong_evaluate(const position& pos, int side, strong_pawn_cache& cache) {
    const strong_eval_parts p = strong_evaluate_parts(pos, side, cache);
    const int eg = p.endgame * p.scale / 64;
    const int blended = (p.middlegame * p.phase + eg * (FULL_PHASE - p.phase)) / FULL_PHASE;
    return side == WHITE ? blended : -blended;
}

void strong_evaluate_trace(const position& pos, int side, strong_pawn_cache& cache, strong_trace& trace) {
    std::memset(trace.coeff, 0, sizeof trace.coeff);
    count_sum sum{trace.coeff};
    // The scale is decided by who is ahead in the endgame, which needs the
    // weights: the engine's own sum decides it, as in play.
    score_sum weighed;
    int fixed_eg = 0;
    evaluate_terms<false>(pos, side, cache, weighed, trace.phase, trace.scale, fixed_eg);
    int phase = 0, scale = 0, unused_fixed = 0;
    evaluate_terms<false>(pos, side, cache, sum, phase, scale, unused_fixed);
    // The counting pass cannot see who is ahead; the weighed pass's scale stands.
    trace.fixed_mg = 0;
    trace.fixed_eg = fixed_eg;
}

std::string strong_term_name(int index) {
    static const char* const MEN[6] = {"pawn", "rook", "knight", "bishop", "queen", "king"};
    struct group {
        int first, count;
        const char* name;
    };
    static const group GROUPS[] = {
        {T::MATERIAL, 5, "material"},           {T::SQUARE, 192, "square"},
        {T::MOBILITY_KNIGHT, 9, "mobility knight"}, {T::MOBILITY_BISHOP, 14, "mobility bishop"},
        {T::MOBILITY_ROOK, 15, "mobility rook"}, {T::MOBILITY_QUEEN, 28, "mobility queen"},
        {T::BISHOP_PAIR, 1, "bishop pair"},     {T::PASSED, 8, "passed rank"},
        {T::PASSED_FREE, 8, "passed free rank"}, {T::PASSED_OWN_KING, 8, "passed own king rank"},
        {T::PASSED_THEIR_KING, 8, "passed their king rank"}, {T::ISOLATED, 1, "isolated"},
        {T::DOUBLED, 1, "doubled"},             {T::BACKWARD, 1, "backward"},
        {T::SUPPORTED, 8, "supported rank"},    {T::PHALANX, 8, "phalanx rank"},
        {T::ROOK_OPEN, 1, "rook open file"},    {T::ROOK_HALF_OPEN, 1, "rook half-open file"},
        {T::OUTPOST, 2, "outpost"},             {T::SHIELD, 3, "shield"},
        {T::STORM, 4, "storm distance"},        {T::KING_OPEN_FILE, 1, "king open file"},
        {T::KING_ATTACK, 4, "king zone hits"},  {T::KING_ATTACKERS, 8, "king zone attackers"},
        {T::THREAT_BY_PAWN, 4, "threat by pawn"}, {T::THREAT_BY_MINOR, 5, "threat by minor"},
        {T::THREAT_BY_ROOK, 5, "threat by rook"}, {T::HANGING, 1, "hanging"},
        {T::TEMPO, 1, "tempo"},
        {T::KING_HITS_BY_ATTACKERS, 6, "king zone hits by attackers"},
        {T::SAFE_CHECK, 4, "safe check"},       {T::KING_WEAK_ZONE, 1, "king weak zone"},
        {T::BISHOP_PAWNS, 1, "bishop pawns on colour"}, {T::MINOR_BEHIND_PAWN, 1, "minor behind pawn"},
        {T::KING_PAWN_DISTANCE, 1, "king pawn distance"}, {T::ROOK_SEVENTH, 1, "rook seventh"},
        {T::PAWN_PUSH_THREAT, 1, "pawn push threat"},
    };
    for (const group& g : GROUPS) {
        if (index < g.first || index >= g.first + g.count) continue;
        const int i = index - g.first;
        const std::string name = g.name;
        if (g.first == T::SQUARE)
            return name + " " + MEN[i / 32] + " " + static_cast<char>('a' + (i % 32) % 4) +
                   static_cast<char>('1' + (i % 32) / 4);
        if (g.first == T::MATERIAL) return name + " " + MEN[i];
        if (g.first == T::KING_ATTACK || g.first == T::SAFE_CHECK) return name + " " + MEN[i + 1];
        if (g.first == T::KING_HITS_BY_ATTACKERS) return name + " " + std::to_string(i + 1);
        if (g.first == T::OUTPOST) return name + " " + MEN[i + 2];
        if (g.first == T::THREAT_BY_PAWN) return name + " on " + MEN[i + 1];
        if (g.first == T::THREAT_BY_MINOR || g.first == T::THREAT_BY_ROOK) return name + " on " + MEN[i];
        if (g.count == 1) return name;
        return name + " " + std::to_string(i);
    }
    return "term " + std::to_string(index);
}
