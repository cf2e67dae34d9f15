// A rook's or bishop's whole reach by one multiplication and one table
// read: the occupancy of the squares that can block it, multiplied by a
// number chosen for the square, gives in its top bits an index that no two
// occupancies with different reach share (the "magic bitboards" technique,
// Pradyumna Kannan's fancy layout; the numbers are our own, found by trial
// with a small random search).  The table is built at compile time from
// walks along the rays, so it holds exactly what the walk would find.
#pragma once

#include <cstdint>

namespace slider_detail {
struct magic_square {
    uint64_t blockers;   // the squares on the lines that can block, the edges left out
    uint64_t magic;
    uint32_t offset;     // where the square's entries begin in the table
    uint32_t shift;      // 64 less the number of blocker squares
};
struct slider_tables {
    magic_square rook[64];
    magic_square bishop[64];
    uint64_t reach[102400 + 5248];
};
extern const slider_tables SLIDER_TABLES;
}  // namespace slider_detail

// The squares a rook (bishop) on sq reaches: each line up to and including
// its first square in occupied.
inline uint64_t rook_reach(uint64_t occupied, int sq) {
    const slider_detail::magic_square& m = slider_detail::SLIDER_TABLES.rook[sq];
    return slider_detail::SLIDER_TABLES.reach[m.offset + (((occupied & m.blockers) * m.magic) >> m.shift)];
}
inline uint64_t bishop_reach(uint64_t occupied, int sq) {
    const slider_detail::magic_square& m = slider_detail::SLIDER_TABLES.bishop[sq];
    return slider_detail::SLIDER_TABLES.reach[m.offset + (((occupied & m.blockers) * m.magic) >> m.shift)];
}
