// Insufficient material: a test on one colour's men, made on demand.
#include "rules/rules.h"

int insufficient_material(const position& pos, int colour) {
    int pawns = 0, heavy = 0, minor = 0;
    for (const uint8_t piece : pos.board) {
        if (piece == 0 || piece_colour(piece) != colour) continue;
        switch (piece_type(piece)) {
            case PAWN: ++pawns; break;
            case ROOK:
            case QUEEN: ++heavy; break;
            case KNIGHT:
            case BISHOP: ++minor; break;
            default: break;
        }
    }
    if (pawns > 0 || heavy > 0) return 0;
    return minor <= 1 ? 1 : 0;
}
