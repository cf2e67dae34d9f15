// The strong search's evaluation.  Every weight here is our own first guess,
// set by hand from chess sense and kept deliberately simple: it has to let
// the search play sound chess, and the tuned evaluation replaces it.
//
// Squares are file + 8 * rank; white's tables are read as they stand and
// black's through the rank mirror (square ^ 56).
#include "search/strong_eval.h"

#include "search/strong_tables.h"

#include <array>
#include <cstdlib>

namespace {

constexpr int MG_VALUE[8] = {0, 100, 480, 320, 330, 950, 0, 0};
constexpr int EG_VALUE[8] = {0, 125, 540, 300, 320, 1000, 0, 0};
constexpr int PHASE_WEIGHT[8] = {0, 0, 2, 1, 1, 4, 0, 0};
constexpr int FULL_PHASE = 24;

// Distance from the centre, 1 (d4, e4, d5, e5) to 7 (the corners), by files and ranks added.
constexpr int centre_distance(int sq) {
    const int f = sq & 7, r = sq >> 3;
    const int df = f < 4 ? 3 - f : f - 4;
    const int dr = r < 4 ? 3 - r : r - 4;
    return df + dr + 1;
}
constexpr int chebyshev(int a, int b) {
    const int df = (a & 7) > (b & 7) ? (a & 7) - (b & 7) : (b & 7) - (a & 7);
    const int dr = (a >> 3) > (b >> 3) ? (a >> 3) - (b >> 3) : (b >> 3) - (a >> 3);
    return df > dr ? df : dr;
}

struct square_tables {
    int mg[8][64];
    int eg[8][64];
};

// The piece-square values, made from a few rules rather than typed in.
constexpr square_tables make_tables() {
    square_tables t{};
    for (int sq = 0; sq < 64; ++sq) {
        const int f = sq & 7, r = sq >> 3, c = centre_distance(sq);
        // Pawns: forward is good, the centre files more so early on; the
        // wing pawns in front of a castled king are best left at home.
        constexpr int pawn_mg_rank[8] = {0, 0, 2, 6, 14, 28, 50, 0};
        constexpr int pawn_eg_rank[8] = {0, 0, 4, 10, 22, 40, 70, 0};
        int pawn_mg = pawn_mg_rank[r];
        if ((f == 3 || f == 4) && (r == 3 || r == 4)) pawn_mg += 14;
        if ((f == 3 || f == 4) && r == 1) pawn_mg -= 8;
        if ((f == 2 || f == 5) && (r == 2 || r == 3)) pawn_mg += 4;
        t.mg[PAWN][sq] = r == 0 || r == 7 ? 0 : pawn_mg;
        t.eg[PAWN][sq] = r == 0 || r == 7 ? 0 : pawn_eg_rank[r];
        // Knights want the centre and hate the rim.
        t.mg[KNIGHT][sq] = 24 - 7 * c + (r == 0 ? -8 : 0);
        t.eg[KNIGHT][sq] = 18 - 6 * c;
        // Bishops: the centre and the long diagonals.
        t.mg[BISHOP][sq] = 10 - 3 * c + (f == r || f + r == 7 ? 8 : 0) + (r == 0 ? -6 : 0);
        t.eg[BISHOP][sq] = 10 - 3 * c;
        // Rooks: the seventh rank and the centre files.
        t.mg[ROOK][sq] = (r == 6 ? 18 : 0) + ((f == 3 || f == 4) ? 6 : 0) + (f == 0 || f == 7 ? -4 : 0);
        t.eg[ROOK][sq] = r == 6 ? 12 : 0;
        // The queen: a little centre, out of the corners, not too early.
        t.mg[QUEEN][sq] = 6 - 2 * c + (r == 0 ? 0 : -2);
        t.eg[QUEEN][sq] = 14 - 4 * c;
        // The king: tucked away behind its pawns while the pieces are on,
        // in the middle of the board once they are off.
        int king_mg = -12 * r;
        if (r == 0) king_mg += (f == 6 || f == 1) ? 24 : (f == 2 || f == 7 || f == 0) ? 14 : (f == 4 ? 0 : -6);
        if (r >= 2) king_mg -= 20;
        t.mg[KING][sq] = king_mg;
        t.eg[KING][sq] = 28 - 8 * c;
    }
    return t;
}
constexpr square_tables TABLES = make_tables();



// Mobility: squares a piece reaches that hold no own man, against a
// typical count; by type.
constexpr int MOBILITY_MG[8] = {0, 0, 2, 4, 4, 1, 0, 0};
constexpr int MOBILITY_EG[8] = {0, 0, 4, 4, 5, 2, 0, 0};
constexpr int MOBILITY_TYPICAL[8] = {0, 0, 6, 4, 6, 12, 0, 0};

// Passed pawns by ranks advanced (from the pawn's own side).
constexpr int PASSED_MG[8] = {0, 4, 8, 14, 26, 44, 70, 0};
constexpr int PASSED_EG[8] = {0, 10, 16, 28, 50, 85, 130, 0};

struct side_tally {
    int mg = 0, eg = 0;
    int bishops = 0, knights = 0, rooks = 0, queens = 0, pawns = 0;
    int king = 0;
    uint8_t pawn_files[8] = {};         // pawns on each file
    int8_t most_advanced[8] = {};       // per file, ranks advanced of the most advanced pawn (-1 none)
    int8_t least_advanced[8] = {};      // per file, ranks advanced of the rearmost pawn
};

inline int relative_rank(int colour, int sq) { return colour == WHITE ? sq >> 3 : 7 - (sq >> 3); }

}  // namespace

strong_eval_parts strong_evaluate_parts(const position& pos) {
    const uint8_t* b = pos.board;
    side_tally tally[3];
    for (int c = 1; c <= 2; ++c)
        for (int f = 0; f < 8; ++f) {
            tally[c].most_advanced[f] = -1;
            tally[c].least_advanced[f] = 8;
        }
    int phase = 0;

    // Material, squares, and what the pawn terms need; the men's squares
    // are kept for the second pass.
    uint64_t men = 0;
    for (int sq = 0; sq < 64; ++sq) {
        const uint8_t piece = b[sq];
        if (piece == 0) continue;
        const int colour = piece_colour(piece), type = piece_type(piece);
        if ((colour != WHITE && colour != BLACK) || type < PAWN || type > KING) continue;
        men |= uint64_t{1} << sq;
        side_tally& t = tally[colour];
        const int own_sq = colour == WHITE ? sq : sq ^ 56;
        t.mg += MG_VALUE[type] + TABLES.mg[type][own_sq];
        t.eg += EG_VALUE[type] + TABLES.eg[type][own_sq];
        phase += PHASE_WEIGHT[type];
        switch (type) {
            case PAWN: {
                ++t.pawns;
                const int f = sq & 7, rr = relative_rank(colour, sq);
                ++t.pawn_files[f];
                if (rr > t.most_advanced[f]) t.most_advanced[f] = static_cast<int8_t>(rr);
                if (rr < t.least_advanced[f]) t.least_advanced[f] = static_cast<int8_t>(rr);
                break;
            }
            case KNIGHT: ++t.knights; break;
            case BISHOP: ++t.bishops; break;
            case ROOK: ++t.rooks; break;
            case QUEEN: ++t.queens; break;
            case KING: t.king = sq; break;
            default: break;
        }
    }

    // Pieces' reach, rooks' files, and the pawn structure.
    for (; men != 0; men &= men - 1) {
        const int sq = __builtin_ctzll(men);
        const uint8_t piece = b[sq];
        const int colour = piece_colour(piece), type = piece_type(piece);
        side_tally& t = tally[colour];
        const side_tally& them = tally[3 - colour];
        const int f = sq & 7;
        if (type == KNIGHT) {
            int reach = 0;
            for (int i = 0; i < 8 && STRONG_MOVES.knight[sq][i] >= 0; ++i)
                if (b[STRONG_MOVES.knight[sq][i]] == 0 || piece_colour(b[STRONG_MOVES.knight[sq][i]]) != colour) ++reach;
            t.mg += MOBILITY_MG[type] * (reach - MOBILITY_TYPICAL[type]);
            t.eg += MOBILITY_EG[type] * (reach - MOBILITY_TYPICAL[type]);
        } else if (type == BISHOP || type == ROOK || type == QUEEN) {
            const int first = type == BISHOP ? 4 : 0, last = type == ROOK ? 4 : 8;
            int reach = 0;
            for (int d = first; d < last; ++d)
                for (int i = 0; i < 8; ++i) {
                    const int to = STRONG_MOVES.ray[sq][d][i];
                    if (to < 0) break;
                    if (b[to] == 0) {
                        ++reach;
                        continue;
                    }
                    if (piece_colour(b[to]) != colour) ++reach;
                    break;
                }
            t.mg += MOBILITY_MG[type] * (reach - MOBILITY_TYPICAL[type]);
            t.eg += MOBILITY_EG[type] * (reach - MOBILITY_TYPICAL[type]);
            if (type == ROOK) {
                if (t.pawn_files[f] == 0) {
                    t.mg += them.pawn_files[f] == 0 ? 24 : 10;
                    t.eg += them.pawn_files[f] == 0 ? 10 : 6;
                }
            }
        } else if (type == PAWN) {
            const int rr = relative_rank(colour, sq);
            // Doubled: the rearmost pawn of a file carries the penalty once per extra pawn.
            if (t.pawn_files[f] > 1 && rr == t.least_advanced[f]) {
                t.mg -= 10 * (t.pawn_files[f] - 1);
                t.eg -= 20 * (t.pawn_files[f] - 1);
            }
            const bool left = f > 0 && t.pawn_files[f - 1] > 0, right = f < 7 && t.pawn_files[f + 1] > 0;
            if (!left && !right) {
                t.mg -= 10;
                t.eg -= 14;
            }
            // Passed: no enemy pawn ahead on its own file or the two beside
            // it (the enemy's rearmost pawn there, seen from our side, is
            // not in front of us).
            bool passed = true;
            for (int g = f - 1; g <= f + 1 && passed; ++g) {
                if (g < 0 || g > 7 || them.pawn_files[g] == 0) continue;
                // Their rearmost pawn on g is the one furthest up the board
                // on our rank scale: the pawn is passed unless it stands ahead.
                const int their_nearest = 7 - them.least_advanced[g];
                if (their_nearest > rr) passed = false;
            }
            if (passed && t.most_advanced[f] == rr) {
                t.mg += PASSED_MG[rr];
                int eg = PASSED_EG[rr];
                // Kings: ours near the square in front helps, theirs near it hinders.
                const int front = colour == WHITE ? sq + 8 : sq - 8;
                if (front >= 0 && front < 64) {
                    eg += (chebyshev(them.king, front) * 5 - chebyshev(t.king, front) * 2) * rr / 2;
                    if (b[front] != 0) eg -= PASSED_EG[rr] / 4;  // blocked
                }
                t.eg += eg;
            }
        }
    }

    strong_eval_parts parts{};
    for (int c = 1; c <= 2; ++c) {
        side_tally& t = tally[c];
        if (t.bishops >= 2) {
            t.mg += 28;
            t.eg += 48;
        }
        // The king's shelter: pawns in front of a king on its back two ranks.
        const int kf = t.king & 7, kr = relative_rank(c, t.king);
        if (kr <= 1) {
            int missing = 0;
            for (int g = kf - 1; g <= kf + 1; ++g) {
                if (g < 0 || g > 7) continue;
                // An own pawn one or two ranks in front of the king shields it.
                bool shield = false;
                for (int dr = 1; dr <= 2 && !shield; ++dr) {
                    const int r = c == WHITE ? (t.king >> 3) + dr : (t.king >> 3) - dr;
                    if (r < 0 || r > 7) continue;
                    shield = b[g + 8 * r] == c * 16 + PAWN;
                }
                if (!shield) ++missing;
            }
            t.mg -= 16 * missing;
        } else {
            t.mg -= 20;
        }
    }
    const side_tally& w = tally[WHITE];
    const side_tally& k = tally[BLACK];
    parts.middlegame = w.mg - k.mg;
    parts.endgame = w.eg - k.eg;
    parts.phase = phase > FULL_PHASE ? FULL_PHASE : phase;

    // Endgames: a side that is ahead but has no pawns and little more than
    // the other side cannot mate without help; a bare king is driven to the
    // edge and the winning king brought near.
    parts.scale = 64;
    const int white_minor_major = 3 * (w.knights + w.bishops) + 5 * w.rooks + 9 * w.queens;
    const int black_minor_major = 3 * (k.knights + k.bishops) + 5 * k.rooks + 9 * k.queens;
    const bool white_ahead = parts.endgame > 0;
    const side_tally& strong = white_ahead ? w : k;
    const side_tally& weak = white_ahead ? k : w;
    const int strong_pieces = white_ahead ? white_minor_major : black_minor_major;
    const int weak_pieces = white_ahead ? black_minor_major : white_minor_major;
    if (strong.pawns == 0 && strong_pieces - weak_pieces <= 3) parts.scale = strong_pieces <= 3 ? 4 : 16;
    if (weak.pawns == 0 && weak_pieces == 0 && strong_pieces >= 5) {
        const int drive = 10 * (centre_distance(weak.king) - 1) + 6 * (7 - chebyshev(weak.king, strong.king));
        parts.endgame += white_ahead ? drive + 200 : -(drive + 200);
    }
    // Bishops of opposite colours with nothing else but pawns are drawish.
    if (w.bishops == 1 && k.bishops == 1 && w.knights + w.rooks + w.queens + k.knights + k.rooks + k.queens == 0) {
        int wb = -1, bb = -1;
        for (int sq = 0; sq < 64; ++sq) {
            if (b[sq] == WHITE * 16 + BISHOP) wb = ((sq & 7) + (sq >> 3)) & 1;
            if (b[sq] == BLACK * 16 + BISHOP) bb = ((sq & 7) + (sq >> 3)) & 1;
        }
        if (wb != bb && parts.scale > 32) parts.scale = 32;
    }
    return parts;
}

int strong_evaluate(const position& pos, int side) {
    const strong_eval_parts p = strong_evaluate_parts(pos);
    const int eg = p.endgame * p.scale / 64;
    const int blended = (p.middlegame * p.phase + eg * (FULL_PHASE - p.phase)) / FULL_PHASE;
    constexpr int TEMPO = 10;
    return (side == WHITE ? blended : -blended) + TEMPO;
}
