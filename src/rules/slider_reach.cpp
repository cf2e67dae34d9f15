// The slider reach table of slider_reach.h, built by the compiler.
#include "rules/slider_reach.h"

#include <bit>

#include "rules/reach_tables.h"

namespace slider_detail {
namespace {

constexpr uint64_t ROOK_MAGIC[64] = {
    0x008000908064C000ull, 0x0040200040001000ull, 0x0180100080A0010Aull, 0x8880041000800800ull,
    0x1200100201200804ull, 0x0200020004011008ull, 0x2180010000800600ull, 0x0200005088210204ull,
    0x0400800040008021ull, 0x0400400020005000ull, 0x8240801000200080ull, 0x8611001004200900ull,
    0x008180800C001800ull, 0x0100800200800400ull, 0x0A02000102000408ull, 0x8020802300104280ull,
    0x0080004000402000ull, 0xE010104000402000ull, 0x0800808010002000ull, 0xA280210008100100ull,
    0x0001818014000800ull, 0xA002010100080400ull, 0x0080240001020870ull, 0x0001020004048845ull,
    0x0081826280004004ull, 0x2020810900284000ull, 0x0200100080802000ull, 0x0200080080100080ull,
    0x8083080100100500ull, 0x4406000901000400ull, 0x0005020080800100ull, 0x0090204200008114ull,
    0x0010400094800420ull, 0x0900804000802002ull, 0x0201001841002000ull, 0x4100080080801000ull,
    0x4540040080800800ull, 0x0002001004040020ull, 0x0281195814001002ull, 0x1240800040800100ull,
    0x0880042000524004ull, 0x02C080410206002Cull, 0x0801200241050010ull, 0x8400080010008080ull,
    0x0008000500090010ull, 0x0082009084020008ull, 0x4012000108020004ull, 0x9000104D08860004ull,
    0x2004204114800100ull, 0x0148802112400300ull, 0x0202842000100880ull, 0x001B080080900080ull,
    0x001A002008100600ull, 0x0004008004020080ull, 0x5181000600040300ull, 0x0000044401128A00ull,
    0x8044110480002441ull, 0x2008110084402202ull, 0x90806005090010C1ull, 0x000420310A004A42ull,
    0x0023001004020801ull, 0x0882001008040102ull, 0x000230088118020Cull, 0x0000019025040042ull,
};
constexpr uint64_t BISHOP_MAGIC[64] = {
    0x0045010808008680ull, 0x2002080204004898ull, 0x0210009A10400006ull, 0x0824050200810200ull,
    0x0006061105004090ull, 0x00010108C0000000ull, 0x0814040282104004ull, 0x0012012201106800ull,
    0x10823014100C1040ull, 0x0080C2088802808Cull, 0x0281108410404000ull, 0x0101212041826200ull,
    0x0020141028221058ull, 0x2201020202200202ull, 0x000082A801482000ull, 0x0000008401411044ull,
    0x0007103014300404ull, 0x0002091110010100ull, 0x42140012040C0808ull, 0x0800808802004020ull,
    0x90C4004210140000ull, 0x0800200900A01000ull, 0x00D0400201108810ull, 0x80820183814412A0ull,
    0x00A01008202202B4ull, 0x01C2021A09500402ull, 0x0084440208042400ull, 0x800400400C090100ull,
    0xBA10040010802100ull, 0xD182009006005000ull, 0x5011021001009004ull, 0x0020420200510400ull,
    0x0292104000468800ull, 0x00043009091C0500ull, 0x0280441000020025ull, 0x0042820080080080ull,
    0x0440101010010040ull, 0x1000900100808080ull, 0x0108108120089800ull, 0x0044010200012682ull,
    0xC002500420900400ull, 0x0040482210710800ull, 0x0002060024000200ull, 0x0281020A44000800ull,
    0xA0021200A4000200ull, 0x0001301000840840ull, 0x2868500108444220ull, 0x0004111041000200ull,
    0x8044020842080200ull, 0x0000220104210200ull, 0x0000021201044000ull, 0x0000280884040028ull,
    0x4012114010858003ull, 0x0000081004082B88ull, 0x3892700508208002ull, 0x00220A041B060400ull,
    0x0812020284014881ull, 0x010434A282103100ull, 0x0490400824020800ull, 0x4A20002C00208800ull,
    0x000000A011020200ull, 0x4002940A02482202ull, 0x5100100202140406ull, 0x02102000840540C1ull,
};

// The reach on one board: each ray cut after its first occupied square
// (the far corner stands in for a blocker, as in ray_reach).
constexpr uint64_t reach_on(int sq, uint64_t occupied, int first_ray) {
    uint64_t r = 0;
    for (int d = first_ray; d < first_ray + 4; ++d) {
        const uint64_t ray = REACH_MASKS.ray[sq][d];
        const bool up = (d & 1) == 0;
        const uint64_t blockers = (ray & occupied) | (up ? uint64_t{1} << 63 : uint64_t{1});
        const int first = up ? std::countr_zero(blockers) : 63 - std::countl_zero(blockers);
        r |= ray & ~REACH_MASKS.ray[first][d];
    }
    return r;
}
// The squares that can block: each ray without its last square, whose man
// would be reached whether it stood there or not.
constexpr uint64_t blockers(int sq, int first_ray) {
    uint64_t r = 0;
    for (int d = first_ray; d < first_ray + 4; ++d) {
        const uint64_t ray = REACH_MASKS.ray[sq][d];
        if (ray == 0) continue;
        const int last = (d & 1) == 0 ? 63 - std::countl_zero(ray) : std::countr_zero(ray);
        r |= ray & ~(uint64_t{1} << last);
    }
    return r;
}

constexpr uint32_t fill(magic_square (&squares)[64], const uint64_t (&magics)[64], int first_ray, uint64_t* reach,
                        uint32_t offset) {
    for (int sq = 0; sq < 64; ++sq) {
        magic_square& m = squares[sq];
        m.blockers = blockers(sq, first_ray);
        m.magic = magics[sq];
        m.offset = offset;
        const int bits = std::popcount(m.blockers);
        m.shift = static_cast<uint32_t>(64 - bits);
        // Every subset of the blocker squares, by the carry-rippler.
        uint64_t subset = 0;
        do {
            reach[offset + ((subset * m.magic) >> m.shift)] = reach_on(sq, subset, first_ray);
            subset = (subset - m.blockers) & m.blockers;
        } while (subset != 0);
        offset += uint32_t{1} << bits;
    }
    return offset;
}

constexpr slider_tables make_slider_tables() {
    slider_tables t{};
    const uint32_t after_rooks = fill(t.rook, ROOK_MAGIC, 0, t.reach, 0);
    fill(t.bishop, BISHOP_MAGIC, 4, t.reach, after_rooks);
    return t;
}

}  // namespace

constinit const slider_tables SLIDER_TABLES = make_slider_tables();

}  // namespace slider_detail
