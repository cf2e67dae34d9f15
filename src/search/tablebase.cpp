// The Syzygy tables through Fathom.  Fathom exports plain C names (encode,
// probe_table, num_tables ...); everything here that is ours stays in this
// file's anonymous namespace or carries a tb_ name Fathom does not use, and a
// test compares the engine's global symbols with the library's.
#include "search/tablebase.h"

#include <fcntl.h>
#include <tbprobe.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "rules/position_key.h"

namespace {

// What the tables need of a position: eight sets of squares (a1 = bit 0,
// as our square index), the en-passant target square (0: none) and the side.
struct tb_board {
    uint64_t white = 0, black = 0, kings = 0, queens = 0, rooks = 0, bishops = 0, knights = 0, pawns = 0;
    unsigned ep = 0;
    bool white_to_move = true;
};

tb_board board_of(const position& pos, int side) {
    tb_board b;
    for (int sq = 0; sq < 64; ++sq) {
        const uint8_t man = pos.board[sq];
        if (man == 0) continue;
        const uint64_t bit = uint64_t{1} << sq;
        (piece_colour(man) == WHITE ? b.white : b.black) |= bit;
        switch (piece_type(man)) {
            case KING: b.kings |= bit; break;
            case QUEEN: b.queens |= bit; break;
            case ROOK: b.rooks |= bit; break;
            case BISHOP: b.bishops |= bit; break;
            case KNIGHT: b.knights |= bit; break;
            default: b.pawns |= bit; break;
        }
    }
    // Only an en-passant capture that a pawn stands ready to make is one.
    const int ep_file = usable_en_passant(pos, side);
    if (ep_file != NO_EN_PASSANT) b.ep = static_cast<unsigned>(square_index(ep_file, side == WHITE ? 5 : 2));
    b.white_to_move = side == WHITE;
    return b;
}

struct tb_state {
    std::string path;
    int probe_depth = 1;
    bool rule50 = true;
    int probe_limit = 7;
    int largest = 0;
    // Fathom opens and sets up each table when a probe first needs it, and
    // the library as Debian builds it does so without a lock of its own:
    // two threads meeting a table for the first time would both set it up
    // (seen as a leak under AddressSanitizer, and worse may follow).  Every
    // probe is taken under this lock.  The root probe's answer is large:
    // one buffer, under the same lock.
    std::mutex lock;
    TbRootMoves root_moves;
};
tb_state& state() {
    static tb_state s;
    return s;
}

// Fathom's promotion code of our promotion byte.
unsigned fathom_promotion(const move& m) {
    switch (m.promotion) {
        case QUEEN: return TB_PROMOTES_QUEEN;
        case ROOK: return TB_PROMOTES_ROOK;
        case BISHOP: return TB_PROMOTES_BISHOP;
        case KNIGHT: return TB_PROMOTES_KNIGHT;
        default: return TB_PROMOTES_NONE;
    }
}

// A root move's rank as its result: a win within the fifty-move rule ranks
// at 900 and above, one beyond it (cursed) between 1 and 899, a draw 0, and
// losses the same below.
tb_wdl wdl_of_rank(int rank, bool rule50) {
    constexpr int CLEAR = 900;
    if (rank >= CLEAR || (rank > 0 && !rule50)) return tb_wdl::win;
    if (rank > 0) return tb_wdl::cursed_win;
    if (rank <= -CLEAR || (rank < 0 && !rule50)) return tb_wdl::loss;
    if (rank < 0) return tb_wdl::blessed_loss;
    return tb_wdl::draw;
}

}  // namespace

int tb_load(const std::string& path) {
    tb_state& s = state();
    const bool none = path.empty() || path == "<empty>";
    s.path = none ? std::string() : path;
    // Fathom keeps what it loaded until told again: an empty path frees it.
    // Freeing, it writes a line on the error stream for each table it
    // fails to unmap, which says nothing to the user (the tables found
    // afterwards say how the loading went): the stream is shut meanwhile.
    std::lock_guard<std::mutex> held(s.lock);
    std::fflush(stderr);
    const int kept_stderr = ::dup(2);
    const int null_device = ::open("/dev/null", O_WRONLY);
    if (kept_stderr >= 0 && null_device >= 0) ::dup2(null_device, 2);
    tb_init(none ? "" : path.c_str());
    std::fflush(stderr);
    if (kept_stderr >= 0 && null_device >= 0) ::dup2(kept_stderr, 2);
    if (null_device >= 0) ::close(null_device);
    if (kept_stderr >= 0) ::close(kept_stderr);
    s.largest = none ? 0 : static_cast<int>(TB_LARGEST);
    return s.largest;
}
const std::string& tb_path() { return state().path; }
void tb_reset() {
    tb_state& s = state();
    if (s.largest != 0 || !s.path.empty()) tb_load("");
    s.path.clear();
    s.probe_depth = 1;
    s.rule50 = true;
    s.probe_limit = 7;
}
int tb_largest() { return state().largest; }

int tb_probe_depth() { return state().probe_depth; }
void set_tb_probe_depth(int depth) { state().probe_depth = depth; }
bool tb_rule50() { return state().rule50; }
void set_tb_rule50(bool on) { state().rule50 = on; }
int tb_probe_limit() { return state().probe_limit; }
void set_tb_probe_limit(int men) { state().probe_limit = men; }
int tb_probe_men() {
    const tb_state& s = state();
    return s.largest < s.probe_limit ? s.largest : s.probe_limit;
}

int tb_men(const position& pos) {
    // Eight squares at a time: a byte's top bit is set when the byte is not zero.
    int men = 0;
    for (int i = 0; i < 64; i += 8) {
        uint64_t w;
        std::memcpy(&w, pos.board + i, 8);
        constexpr uint64_t LOW7 = 0x7f7f7f7f7f7f7f7fULL;
        men += __builtin_popcountll((((w & LOW7) + LOW7) | w) & ~LOW7);
    }
    return men;
}

bool tb_probe_wdl(const position& pos, int side, tb_wdl& result) {
    if (usable_castling(pos) != 0) return false;
    const tb_board b = board_of(pos, side);
    std::lock_guard<std::mutex> held(state().lock);
    const unsigned r = tb_probe_wdl(b.white, b.black, b.kings, b.queens, b.rooks, b.bishops, b.knights, b.pawns, 0, 0,
                                    b.ep, b.white_to_move);
    if (r == TB_RESULT_FAILED) return false;
    result = static_cast<tb_wdl>(static_cast<int>(r) - 2);
    return true;
}

bool tb_rank_root(const position& pos, int side, int halfmove_clock, bool repeated, const move* moves, int count,
                  bool* keep, tb_wdl& result, bool& used_dtz) {
    tb_state& s = state();
    if (s.largest == 0 || tb_men(pos) > tb_probe_men() || usable_castling(pos) != 0) return false;
    const tb_board b = board_of(pos, side);
    const unsigned clock = halfmove_clock < 0 ? 0u : static_cast<unsigned>(halfmove_clock > 100 ? 100 : halfmove_clock);
    std::lock_guard<std::mutex> held(s.lock);
    TbRootMoves& ranked = s.root_moves;
    used_dtz = tb_probe_root_dtz(b.white, b.black, b.kings, b.queens, b.rooks, b.bishops, b.knights, b.pawns, clock, 0,
                                 b.ep, b.white_to_move, repeated, s.rule50, &ranked) != 0;
    if (!used_dtz && tb_probe_root_wdl(b.white, b.black, b.kings, b.queens, b.rooks, b.bishops, b.knights, b.pawns,
                                       clock, 0, b.ep, b.white_to_move, s.rule50, &ranked) == 0)
        return false;
    if (ranked.size == 0) return false;
    // Each of our moves with its rank; a move the tables did not list (which
    // would be a fault of one side's move generation) makes the ranking untrusted.
    int rank_of[MOVE_LIST_SIZE];
    int best = -1000000;
    for (int i = 0; i < count; ++i) {
        const int from = square_index(moves[i].from_file, moves[i].from_rank);
        const int to = square_index(moves[i].to_file, moves[i].to_rank);
        const unsigned promotes = fathom_promotion(moves[i]);
        bool found = false;
        for (unsigned j = 0; j < ranked.size && !found; ++j) {
            const TbMove tm = ranked.moves[j].move;
            if (static_cast<int>(TB_MOVE_FROM(tm)) == from && static_cast<int>(TB_MOVE_TO(tm)) == to &&
                TB_MOVE_PROMOTES(tm) == promotes) {
                rank_of[i] = ranked.moves[j].tbRank;
                found = true;
            }
        }
        if (!found) return false;
        if (rank_of[i] > best) best = rank_of[i];
    }
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) keep[i] = rank_of[i] == best;
    result = wdl_of_rank(best, s.rule50);
    if (s.rule50 && (result == tb_wdl::cursed_win || result == tb_wdl::blessed_loss)) result = tb_wdl::draw;
    return true;
}
