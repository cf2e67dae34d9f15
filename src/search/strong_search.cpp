// The strong search: negamax principal-variation search with iterative
// deepening and aspiration windows, a transposition table, a quiescence
// search of captures and promotions (all moves when in check), null-move
// pruning, late-move reductions and pruning, reverse futility and futility
// pruning, and extensions of checks at the root and of singular moves.
// Scores are centipawns from the side to move inside; the search's context
// hears them in the classic search's units, so both searches print alike.
//
// Each thread thinks with a searcher of its own: its ply_frames, histories,
// killers, caches, lines and node count.  The transposition table is the
// one thing the threads share.  The first searcher decides the move and
// reports; the others (lazy SMP) search the same root, a ply apart, and help
// through the table, until the first one stops them.
//
// The positions are the rules layer's, copied from node to node.  Each node
// works in a frame set up once, so the search allocates nothing; the table
// and the searchers are allocated when the options are set.
#include "search/strong_search.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "book/book.h"
#include "eval/strong_eval.h"
#include "rules/position_key.h"
#include "rules/reach_tables.h"
#include "search/tablebase.h"
#include "search/transposition_table.h"

namespace {

constexpr int INF = 32001;
constexpr int VALUE_MATE = 32000;
constexpr int MATE_BOUND = VALUE_MATE - 1000;  // scores beyond are mates
constexpr int MAX_PLY = 120;
constexpr int MAX_EARLIER = 256;  // earlier game positions the repetition test looks at

uint16_t pack_move(const move& m) {
    const int from = square_index(m.from_file, m.from_rank), to = square_index(m.to_file, m.to_rank);
    const int promo = m.promotion == NO_PROMOTION ? 0 : (m.promotion & 7);
    return static_cast<uint16_t>(from | to << 6 | promo << 12);
}
inline bool is_packed(const move& m, uint16_t p) { return p != 0 && pack_move(m) == p; }

// Mates and the tables' wins count their distance from the root; the table
// keeps them as distances from the node.
inline int to_table_score(int v, int ply) {
    if (v >= TB_WIN_BOUND) return v + ply;
    if (v <= -TB_WIN_BOUND) return v - ply;
    return v;
}
inline int from_table_score(int v, int ply) {
    if (v >= TB_WIN_BOUND) return v - ply;
    if (v <= -TB_WIN_BOUND) return v + ply;
    return v;
}

inline int captured_type(const position& pos, const move& m) {
    const uint8_t target = pos.board[square_index(m.to_file, m.to_rank)];
    const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
    // (A Chess960 king "taking" its own rook castles.)
    if (target != 0) return piece_colour(target) == piece_colour(piece) ? 0 : piece_type(target);
    if (piece_type(piece) == PAWN && m.from_file != m.to_file) return PAWN;  // en passant
    return 0;
}
inline bool is_promotion(const move& m) { return m.promotion != NO_PROMOTION; }
// A rook or bishop promotion is only ever better than the queen's to dodge a
// stalemate: it is ordered after every other move and pruned as a quiet move.
inline bool is_rook_or_bishop_promotion(const move& m) { return m.promotion == ROOK || m.promotion == BISHOP; }
inline int man_of(uint8_t piece) { return (piece_colour(piece) - 1) * 6 + piece_type(piece) - 1; }


bool has_pieces(const position& pos, int side) {
    for (int sq = 0; sq < 64; ++sq) {
        const uint8_t p = pos.board[sq];
        if (piece_colour(p) == side && piece_type(p) != PAWN && piece_type(p) != KING && p != 0) return true;
    }
    return false;
}

// --- Exchanges ------------------------------------------------------------------

constexpr int SEE_VALUE[8] = {0, 100, 500, 320, 330, 950, 10000, 0};

// The square of side's least valuable man that attacks target on board b,
// whose occupied squares are occupied, or -1.
int least_attacker(const uint8_t* b, uint64_t occupied, int target, int side) {
    const int pawn_rank_step = side == WHITE ? -8 : 8;  // a pawn attacks from one rank behind
    const int tf = target & 7;
    const int from_rank_sq = target + pawn_rank_step;
    if (from_rank_sq >= 0 && from_rank_sq < 64) {
        if (tf > 0 && b[from_rank_sq - 1] == side * 16 + PAWN) return from_rank_sq - 1;
        if (tf < 7 && b[from_rank_sq + 1] == side * 16 + PAWN) return from_rank_sq + 1;
    }
    // Only the occupied knight squares are looked at.  Which of two knights
    // goes first does not matter: no knight stands on a line through target.
    for (uint64_t k = REACH_MASKS.knight[target] & occupied; k != 0; k &= k - 1)
        if (b[__builtin_ctzll(k)] == side * 16 + KNIGHT) return __builtin_ctzll(k);
    int best = -1, best_value = 1 << 20;
    // The first man on each ray, found by a bit scan instead of a walk.
    for (int d = 0; d < 8; ++d) {
        const uint64_t blockers = REACH_MASKS.ray[target][d] & occupied;
        if (blockers == 0) continue;
        const int sq = (d & 1) == 0 ? __builtin_ctzll(blockers) : 63 - __builtin_clzll(blockers);
        const uint8_t p = b[sq];
        if (piece_colour(p) == side) {
            const int t = piece_type(p);
            const bool fits = t == QUEEN || (d < 4 ? t == ROOK : t == BISHOP);
            if (fits && SEE_VALUE[t] < best_value) {
                best = sq;
                best_value = SEE_VALUE[t];
            }
        }
    }
    if (best >= 0) return best;
    if ((REACH_MASKS.king[target] & occupied) == 0) return -1;
    for (int i = 0; i < 8 && REACH_SQUARES.king[target][i] >= 0; ++i)
        if (b[REACH_SQUARES.king[target][i]] == side * 16 + KING) return REACH_SQUARES.king[target][i];
    return -1;
}

// What side to move wins or loses by m and the exchanges on its square after it.
int see(const position& pos, const move& m, int side) {
    uint8_t b[64];
    std::memcpy(b, pos.board, 64);
    const int from = square_index(m.from_file, m.from_rank), to = square_index(m.to_file, m.to_rank);
    int gain[40];
    const int victim = captured_type(pos, m);
    gain[0] = SEE_VALUE[victim];
    int on_square = piece_type(b[from]);
    if (is_promotion(m)) {
        gain[0] += SEE_VALUE[m.promotion & 7] - SEE_VALUE[PAWN];
        on_square = m.promotion & 7;
    }
    // The occupied squares kept along with b, for least_attacker's rays.
    uint64_t occupied = occupied_squares(b);
    if (victim == PAWN && b[to] == 0) {  // en passant
        b[square_index(m.to_file, m.from_rank)] = 0;
        occupied &= ~(uint64_t{1} << square_index(m.to_file, m.from_rank));
    }
    b[to] = b[from];
    b[from] = 0;
    occupied = (occupied & ~(uint64_t{1} << from)) | (b[to] != 0 ? uint64_t{1} << to : 0);
    int depth = 0, mover = other_colour(side);
    while (depth < 38) {
        const int attacker = least_attacker(b, occupied, to, mover);
        if (attacker < 0) break;
        ++depth;
        gain[depth] = SEE_VALUE[on_square] - gain[depth - 1];
        if ((-gain[depth - 1] > gain[depth] ? -gain[depth - 1] : gain[depth]) < 0) break;
        on_square = piece_type(b[attacker]);
        b[to] = b[attacker];
        b[attacker] = 0;
        occupied &= ~(uint64_t{1} << attacker);
        mover = other_colour(mover);
    }
    while (--depth > 0) gain[depth - 1] = -(-gain[depth - 1] > gain[depth] ? -gain[depth - 1] : gain[depth]);
    return gain[0];
}

// --- Move ordering ------------------------------------------------------------

constexpr int ORDER_HASH = 1 << 30;
constexpr int ORDER_GOOD_CAPTURE = 1 << 28;
constexpr int ORDER_KILLER = 1 << 27;
constexpr int ORDER_BAD_CAPTURE = -(1 << 28);
constexpr int HISTORY_MAX = 1 << 14;

// The tables a node's quiet moves take their history from: the side's
// own, and those after the last two moves (all zero where there was none),
// looked up once a node rather than once a move.
const int16_t NO_CONTINUATION[12][64] = {};
struct quiet_tables {
    const int (*own)[64];
    const int16_t (*after_last)[64];
    const int16_t (*after_earlier)[64];
};
// A quiet move's history: its own, and after the last two moves.
inline int quiet_history(const quiet_tables& t, const move& m, const position& pos) {
    const int from = square_index(m.from_file, m.from_rank), to = square_index(m.to_file, m.to_rank);
    const int man = man_of(pos.board[from]);
    return t.own[from][to] + t.after_last[man][to] + t.after_earlier[man][to];
}

// A node's working space: its position, its moves and their order, and the
// quiet moves it has tried (whose histories a cutoff lowers).
struct frame {
    position pos;
    move_list list;
    int order[MOVE_LIST_SIZE];
    move quiets_tried[64];
};

// Brings the best-ordered of the moves from i on to place i.
// (The first of the best, as a scan keeping the strict maximum finds it; in
// two passes, of which the first has no branch to mispredict and vectorises.)
// bound is the last pick's key, which no move left exceeds (start it at
// INT_MAX): a move at i that equals it is the first of the best already.
inline void pick(frame& f, int i, int& bound) {
    if (f.order[i] == bound) return;
    const int count = f.list.count;
    int top = f.order[i];
    for (int j = i + 1; j < count; ++j) top = f.order[j] > top ? f.order[j] : top;
    bound = top;
    int best = i;
    while (f.order[best] != top) ++best;
    if (best != i) {
        const move m = f.list.moves[i];
        f.list.moves[i] = f.list.moves[best];
        f.list.moves[best] = m;
        const int o = f.order[i];
        f.order[i] = f.order[best];
        f.order[best] = o;
    }
}

inline void age_toward(int16_t& h, int bonus) {
    h = static_cast<int16_t>(h + bonus - h * std::abs(bonus) / HISTORY_MAX);
}

// The classic units the search's context and the thinking output read.
int32_t classic_units(int v) {
    if (v >= MATE_BOUND) return MATE_SCORE - (VALUE_MATE - v);
    if (v <= -MATE_BOUND) return -MATE_SCORE + (VALUE_MATE + v);
    return static_cast<int32_t>(static_cast<int64_t>(v) * 65536 / 100);
}

// How much a late quiet move is reduced, by depth and by its place in the
// order (the logarithmic form of published engines).
struct reduction_by {
    int at[64][64];
};
const reduction_by REDUCTIONS = [] {
    reduction_by t{};
    for (int d = 1; d < 64; ++d)
        for (int m = 1; m < 64; ++m) t.at[d][m] = static_cast<int>(0.75 + std::log(d) * std::log(m) / 2.25);
    return t;
}();

// The evaluation depends on the position alone: positions met again (a
// transposition whose table entry was replaced, a null move's child) take
// their score from here.
struct eval_slot {
    uint64_t key;
    int32_t value;
};
constexpr int EVAL_CACHE_SIZE = 1 << 15;

// One thread's search.  Set up for a search by begin_search (the first
// searcher, with the context) or follow_first (a helper, from the first
// one's root), then deepened; reset_searcher empties what it learnt.
class strong_searcher {
public:
    explicit strong_searcher(transposition_table& table) : table_(&table) { reset_searcher(); }

    // Back to a searcher that has learnt nothing: histories, killers and caches empty.
    void reset_searcher() {
        std::memset(eval_cache, 0, sizeof eval_cache);
        pawn_cache.clear();
        std::memset(history_score, 0, sizeof history_score);
        std::memset(continuation, 0, sizeof continuation);
        for (auto& k : killers) k[0] = k[1] = move{};
    }

    uint64_t node_total() const { return nodes_.load(std::memory_order_relaxed); }
    uint64_t tb_hit_total() const { return tb_hits_.load(std::memory_order_relaxed); }
    void zero_node_total() {
        nodes_.store(0, std::memory_order_relaxed);
        tb_hits_.store(0, std::memory_order_relaxed);
    }
    // The first searcher reports the table probes of every thread that
    // searches with it (count_all(counted)).
    void share_tb_hits(uint64_t (*count_all)(const void*), const void* counted) {
        count_tb_hits_ = count_all;
        tb_counted_ = counted;
    }

    // Sets up the root of the context's request; returns the number of root moves.
    int begin_search(search_context& context);
    // Threads that search together hold the node limit against all their
    // nodes (count_all(counted)) through budget.
    void share_node_budget(std::atomic<uint64_t>* budget, uint64_t (*count_all)(const void*), const void* counted) {
        node_budget_ = budget;
        count_all_ = count_all;
        counted_ = counted;
    }
    // The first searcher of threads that search together looks at the stop
    // conditions the more often, the more threads count nodes meanwhile:
    // every thread's nodes between two looks stay within about half a poll
    // interval, so a node limit is overshot by less than one interval
    // however many threads there are.
    void share_polls_with(int threads) {
        uint64_t interval = STOP_POLL_INTERVAL;
        while (threads > 1 && interval > 64 && interval * 2 * static_cast<uint64_t>(threads) > STOP_POLL_INTERVAL)
            interval /= 2;
        poll_mask_ = interval - 1;
    }
    // Sets up the same root as first for a helper thread, index from 1,
    // which ends when stop is set.
    void follow_first(const strong_searcher& first, int index, const std::atomic<bool>& stop);
    // The first searcher's iterations; returns the last finished one's
    // score and depth, and stores the move found in the learning book.
    strong_outcome deepen_first();
    // A helper's iterations, until stopped or at the last depth.
    void deepen_helper();
    // Whether the root is quiet: not in check, and the quiescence search's
    // line from it is empty.
    bool root_is_quiet();

private:
    // --- State of one search ---
    transposition_table* table_;
    search_context* context_ = nullptr;           // the first searcher's; helpers have none
    const std::atomic<bool>* helper_stop_ = nullptr;  // a helper's stop
    // A node limit shared by threads that search together: the nodes of the
    // search it allows (0: none), which the first searcher keeps up to date
    // and every thread holds against the count of all (count_all(counted)).
    std::atomic<uint64_t>* node_budget_ = nullptr;
    uint64_t (*count_all_)(const void*) = nullptr;
    const void* counted_ = nullptr;
    int helper_index_ = 0;
    uint64_t poll_mask_ = STOP_POLL_INTERVAL - 1;  // the stop conditions are looked at when nodes & this is 0
    bool full_width_ = false;
    int max_depth_ = 1;
    bool timed_ = false;
    std::atomic<uint64_t> nodes_{0};
    // The endgame tables in this search: the most men probed below the root
    // (0: none), the least depth of a node with that many, whether the
    // fifty-move rule draws a win beyond it, and the probes that answered.
    int tb_men_ = 0;
    int tb_depth_ = 1;
    bool tb_rule50_ = true;
    std::atomic<uint64_t> tb_hits_{0};
    uint64_t (*count_tb_hits_)(const void*) = nullptr;
    const void* tb_counted_ = nullptr;
    // Whether the tables ranked the root's moves, and then the score a
    // finished iteration reports for them unless the search found a mate.
    bool root_in_tb_ = false;
    int root_tb_score_ = 0;
    // Whether the root's side not to move stands out of check, as in every
    // position a game or a checked set-up gives: then no node's does, and
    // whether a move checks can be judged by the squares it changes.
    bool root_sound_ = true;
    int deepest_ = 0;           // the deepest ply reached (the selective depth)
    int iteration_depth_ = 0;   // the iteration in progress
    bool stopped = false;
    uint32_t search_start_ms = 0;
    int64_t own_hard_ms = 0;  // the search's own time cap when no deadline is set (0: none)

    frame ply_frames[MAX_PLY + 2];
    int side_at[MAX_PLY + 2];
    int halfmove[MAX_PLY + 2];
    // Worked out when a node is made, read by the node itself: whether its side
    // to move is in check (the mover needs it anyway, to know whether its move
    // gives check), and the key's part for castling, en passant and the side.
    bool checked_at[MAX_PLY + 2];
    uint64_t extras_at[MAX_PLY + 2];
    int static_eval_at[MAX_PLY + 2];
    bool after_null[MAX_PLY + 2];
    move killers[MAX_PLY + 2][2];
    int history_score[3][64][64];
    // The man that made the move into each ply's node (colour and type as 0 to
    // 11, or -1 at the root and after a null move) and the square it went to:
    // a quiet move's worth depends much on the moves just before it.
    int moved_man_at[MAX_PLY + 2];
    int moved_to_at[MAX_PLY + 2];
    int16_t continuation[12][64][12][64];
    move pv[MAX_PLY + 2][MAX_PLY + 2];
    int pv_length[MAX_PLY + 2];
    // Keys of the earlier game positions, then the root and the search path:
    // the key of the node at ply p is at path_keys[earlier + p].
    uint64_t path_keys[MAX_EARLIER + MAX_PLY + 2];
    int earlier = 0;
    // The move a singular test leaves out at each ply (packed; 0: none).
    uint16_t excluded_at[MAX_PLY + 2];
    eval_slot eval_cache[EVAL_CACHE_SIZE];
    strong_pawn_cache pawn_cache;

    // The root's moves and what the iterations found of each.
    move root_list[MOVE_LIST_SIZE];
    int root_score[MOVE_LIST_SIZE];       // this iteration's score of each root move (a bound if not exact)
    int root_previous[MOVE_LIST_SIZE];    // the last finished iteration's
    bool root_exact[MOVE_LIST_SIZE];
    search_line root_line[MOVE_LIST_SIZE];
    int root_size = 0;
    int lines = 1;  // root moves searched to exact scores
    move report_moves[MOVE_LIST_SIZE];
    move best_only[1];
    search_line best_only_line[1];

    inline uint64_t& key_at(int ply) { return path_keys[earlier + ply]; }
    inline uint64_t count_node() {
        const uint64_t n = nodes_.load(std::memory_order_relaxed) + 1;
        nodes_.store(n, std::memory_order_relaxed);
        return n;
    }
    uint32_t elapsed_ms() const { return clock_source() - search_start_ms; }
    void count_tb_hit() { tb_hits_.store(tb_hits_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed); }
    uint64_t all_tb_hits() const { return count_tb_hits_ != nullptr ? count_tb_hits_(tb_counted_) : tb_hit_total(); }
    // Whether a position has stood twice since the last capture or pawn
    // move, the root included: the tables then ask for the quickest progress.
    bool repeated_before_root() const {
        for (int i = 0; i <= earlier; ++i)
            for (int j = i + 1; j <= earlier; ++j)
                if (path_keys[i] == path_keys[j]) return true;
        return false;
    }
    void rank_root_by_tables();
    int shown_score(int v) const;

    // Every few thousand nodes: the context's stop conditions and the
    // search's own time cap (the first searcher), or the stop its helpers
    // share.
    inline bool check_stop() {
        if (stopped) return true;
        if ((node_total() & poll_mask_) != 0) return false;
        if (context_ == nullptr) {
            if (helper_stop_ != nullptr && helper_stop_->load(std::memory_order_relaxed)) stopped = true;
            // Past the node limit a helper stops by itself: the first
            // searcher may not be on a core to see it.
            const uint64_t budget = node_budget_ != nullptr ? node_budget_->load(std::memory_order_relaxed) : 0;
            if (budget != 0 && count_all_(counted_) >= budget) stopped = true;
            return stopped;
        }
        context_->selective_depth = deepest_;
        context_->tb_hits = all_tb_hits();
        if (node_budget_ != nullptr) node_budget_->store(context_->node_budget(), std::memory_order_relaxed);
        if (context_->should_stop(false)) stopped = true;
        if (own_hard_ms > 0 && iteration_depth_ > 1 && static_cast<int64_t>(elapsed_ms()) >= own_hard_ms) stopped = true;
        if (stopped) context_->mark_stopped();
        return stopped;
    }

    // Sets up frame 0 for pos with side to move, the game's earlier keys
    // before it and its half-move count.
    void set_root(const position& pos, int side, const uint64_t* earlier_keys, int earlier_count, int halfmove_clock);
    void prepare_iterations();
    void report_finished_iteration(int depth, int score);
    // One iteration at depth: the root searched within an aspiration window
    // around the last finished iteration's score, widened until the score
    // falls inside it; then, with several lines wanted, the root sorted by
    // score.  Returns the root's score (meaningless when stopped).
    int iterate(int depth, int finished_score);

int evaluate_at(int ply) {
    const uint64_t key = key_at(ply);
    eval_slot& slot = eval_cache[key & (EVAL_CACHE_SIZE - 1)];
    if (slot.key == key && key != 0) return slot.value;
    const int v = strong_evaluate(ply_frames[ply].pos, side_at[ply], pawn_cache);
    slot.key = key;
    slot.value = v;
    return v;
}

// The legal moves of side in pos.
void legal_moves(const position& pos, int side, move_list& list) {
    side_to_move = side;
    generate_moves(pos, list, promotions::all);
    drop_bad_en_passant(pos, list);
}

// The captures and promotions among legal_moves, in its order.
void legal_captures(const position& pos, int side, move_list& list) {
    side_to_move = side;
    generate_captures(pos, list, promotions::all);
    drop_bad_en_passant(pos, list);
}

// Whether legal_moves would list anything for side in pos, out of check;
// list is scratch, left empty.  Mostly a man off the king's lines can move,
// which is legal at once; else (and with an en-passant capture about, which
// legal_moves judges in full) the moves are listed.
bool has_any_legal_move(const position& pos, int side, move_list& list) {
    side_to_move = side;
    if (pos.repetition_draw || pos.fifty_move_draw) return false;
    if (pos.en_passant_file == NO_EN_PASSANT && unaligned_man_can_move(pos)) return true;
    legal_moves(pos, side, list);
    const bool any = list.count != 0;
    list.count = 0;
    return any;
}

// Makes m for side_to_move of the node at ply into the next frame, with its
// key, half-move count and side.  Returns whether the mover's opponent is now in check.
bool make_child(int ply, const move& m) {
    const position& parent = ply_frames[ply].pos;
    position& child = ply_frames[ply + 1].pos;
    const int side = side_at[ply];
    // The search's positions hold no history (the repetition test reads
    // path_keys, the fifty-move rule halfmove): the fixed part is the whole.
    std::memcpy(&child, &parent, POSITION_FIXED_BYTES);
    const bool resets = captured_type(parent, m) != 0 ||
                        piece_type(parent.board[square_index(m.from_file, m.from_rank)]) == PAWN;
    side_to_move = side;
    make_move_unrecorded(child, m);
    // What make_move's record would have left, the history forgotten again.
    child.history_count = 0;
    child.fifty_move_count = 1;
    child.repetition_draw = child.fifty_move_draw = 0;
    const int other = other_colour(side);
    side_at[ply + 1] = other;
    halfmove[ply + 1] = resets ? 0 : halfmove[ply] + 1;
    after_null[ply + 1] = false;
    moved_man_at[ply + 1] = man_of(parent.board[square_index(m.from_file, m.from_rank)]);
    moved_to_at[ply + 1] = square_index(m.to_file, m.to_rank);
    // The key: the squares that changed, then rights, en passant and side afresh.
    uint64_t key = key_at(ply) ^ extras_at[ply];
    for (uint64_t changed = changed_squares(parent.board, child.board); changed != 0; changed &= changed - 1) {
        const int sq = __builtin_ctzll(changed);
        key ^= piece_square_key(parent.board[sq], sq) ^ piece_square_key(child.board[sq], sq);
    }
    extras_at[ply + 1] = key_extras(child, other);
    key ^= extras_at[ply + 1];
    key_at(ply + 1) = key;
    table_->prefetch_bucket(key);
    if (root_sound_) {
        checked_at[ply + 1] = move_gives_check(parent, child, m) != 0;
        side_to_move = other;
    } else {
        side_to_move = other;
        checked_at[ply + 1] = in_check(child) != 0;
    }
    return checked_at[ply + 1];
}

void make_null_child(int ply) {
    const position& parent = ply_frames[ply].pos;
    position& child = ply_frames[ply + 1].pos;
    const int side = side_at[ply], other = other_colour(side);
    std::memcpy(&child, &parent, POSITION_FIXED_BYTES);
    child.en_passant_file = NO_EN_PASSANT;
    side_at[ply + 1] = other;
    halfmove[ply + 1] = halfmove[ply] + 1;
    after_null[ply + 1] = true;
    moved_man_at[ply + 1] = -1;
    extras_at[ply + 1] = key_extras(child, other);
    key_at(ply + 1) = key_at(ply) ^ extras_at[ply] ^ extras_at[ply + 1];
    // A null move is tried only out of check, and the side that passed
    // cannot have left the other side in check.
    checked_at[ply + 1] = false;
}

// The fifty-move rule at a node: a draw once a hundred half-moves have
// passed, unless the move that got there mated (a mate ends the game before
// anyone can claim).  In check the node's list is filled to tell, which it
// will be anyway before it is searched.
bool fifty_moves_drawn(int ply) {
    if (halfmove[ply] < 100) return false;
    if (!checked_at[ply]) return true;
    frame& f = ply_frames[ply];
    legal_moves(f.pos, side_at[ply], f.list);
    return f.list.count != 0;
}

// Draws at a node below the root: fifty moves, a repetition (once within
// the search, twice counting the game before it), no mating material.
bool drawn(int ply) {
    if (fifty_moves_drawn(ply)) return true;
    const uint64_t key = key_at(ply);
    int seen_before_root = 0;
    const int reach = halfmove[ply] < earlier + ply ? halfmove[ply] : earlier + ply;
    for (int back = 4; back <= reach; back += 2) {
        const int at = ply - back;
        if (path_keys[earlier + at] != key) continue;
        if (at > 0) return true;
        if (++seen_before_root >= 2) return true;
    }
    const position& pos = ply_frames[ply].pos;
    if (pos.white_material <= 3 && pos.black_material <= 3) {
        // At most a minor piece each and nothing else (or pawns, which keep it alive).
        int minors = 0, light = 0, dark = 0;
        for (int sq = 0; sq < 64; ++sq) {
            const int type = piece_type(pos.board[sq]);
            if (type == PAWN || type == ROOK || type == QUEEN) return false;
            if (type == KNIGHT) ++minors;
            if (type == BISHOP) {
                ++minors;
                ((((sq & 7) + (sq >> 3)) & 1) ? light : dark)++;
            }
        }
        if (minors <= 1) return true;
        if (minors == light || minors == dark) return true;  // bishops all on one colour
    }
    return false;
}

quiet_tables quiet_tables_at(int ply, int side) {
    quiet_tables t{history_score[side], NO_CONTINUATION, NO_CONTINUATION};
    if (ply >= 1 && moved_man_at[ply] >= 0) t.after_last = continuation[moved_man_at[ply]][moved_to_at[ply]];
    if (ply >= 2 && moved_man_at[ply - 1] >= 0)
        t.after_earlier = continuation[moved_man_at[ply - 1]][moved_to_at[ply - 1]];
    return t;
}

void score_moves(int ply, uint16_t hash_move, bool captures_only) {
    frame& f = ply_frames[ply];
    const position& pos = f.pos;
    const int side = side_at[ply];
    const quiet_tables histories = quiet_tables_at(ply, side);
    for (int i = 0; i < f.list.count; ++i) {
        const move& m = f.list.moves[i];
        const int victim = captured_type(pos, m);
        const int attacker = piece_type(pos.board[square_index(m.from_file, m.from_rank)]);
        if (is_packed(m, hash_move) && (!captures_only || victim != 0 || is_promotion(m))) {
            f.order[i] = ORDER_HASH;
        } else if (is_rook_or_bishop_promotion(m)) {
            f.order[i] = ORDER_BAD_CAPTURE;
        } else if (victim != 0 || is_promotion(m)) {
            const int mvv = SEE_VALUE[victim] * 8 - SEE_VALUE[attacker] / 16 + (is_promotion(m) ? SEE_VALUE[m.promotion & 7] : 0);
            const bool good = SEE_VALUE[victim] >= SEE_VALUE[attacker] || see(pos, m, side) >= 0;
            f.order[i] = (good ? ORDER_GOOD_CAPTURE : ORDER_BAD_CAPTURE) + mvv;
        } else if (captures_only) {
            f.order[i] = ORDER_BAD_CAPTURE * 2;
        } else if (same_move(m, killers[ply][0])) {
            f.order[i] = ORDER_KILLER + 1;
        } else if (same_move(m, killers[ply][1])) {
            f.order[i] = ORDER_KILLER;
        } else {
            f.order[i] = quiet_history(histories, m, pos);
        }
    }
}


void update_history(int ply, int side, const move& m, int bonus) {
    const int from = square_index(m.from_file, m.from_rank), to = square_index(m.to_file, m.to_rank);
    int& h = history_score[side][from][to];
    h += bonus - h * std::abs(bonus) / HISTORY_MAX;
    const int man = man_of(ply_frames[ply].pos.board[from]);
    if (ply >= 1 && moved_man_at[ply] >= 0) age_toward(continuation[moved_man_at[ply]][moved_to_at[ply]][man][to], bonus);
    if (ply >= 2 && moved_man_at[ply - 1] >= 0)
        age_toward(continuation[moved_man_at[ply - 1]][moved_to_at[ply - 1]][man][to], bonus);
}

void update_pv(int ply, const move& m) {
    pv[ply][ply] = m;
    for (int i = ply + 1; i < pv_length[ply + 1]; ++i) pv[ply][i] = pv[ply + 1][i];
    pv_length[ply] = pv_length[ply + 1] > ply + 1 ? pv_length[ply + 1] : ply + 1;
}

// --- Quiescence -----------------------------------------------------------------

// Every node: counted, its line emptied, the stop conditions looked at now
// and then, the selective depth raised.  True when the search is to stop.
inline bool enter_node(int ply) {
    count_node();
    pv_length[ply] = ply;
    if (check_stop()) return true;
    if (ply > deepest_) deepest_ = ply;
    return false;
}

int quiesce(int ply, int alpha, int beta) {
    if (enter_node(ply)) return 0;
    frame& f = ply_frames[ply];
    const int side = side_at[ply];
    if (ply >= MAX_PLY) return strong_evaluate(f.pos, side, pawn_cache);
    if (fifty_moves_drawn(ply)) return 0;

    const uint64_t key = key_at(ply);
    tt_fields hit;
    const tt_entry* entry = table_->probe_entry(key, hit);
    const bool pv_node = beta - alpha > 1;
    if (entry != nullptr && !pv_node && !full_width_) {
        const int v = from_table_score(hit.score, ply), bound = hit.age_bound & 3;
        if ((bound == BOUND_EXACT) || (bound == BOUND_LOWER && v >= beta) || (bound == BOUND_UPPER && v <= alpha))
            return v;
    }
    side_to_move = side;
    const bool checked = checked_at[ply];
    int best = -INF, stand = -INF;
    if (!checked) {
        stand = entry != nullptr ? hit.eval : evaluate_at(ply);
        if (stand >= beta) return stand;
        if (stand > alpha) alpha = stand;
        best = stand;
    }
    // Out of check only captures and promotions are searched here, and only
    // they are listed.
    if (checked)
        legal_moves(f.pos, side, f.list);
    else
        legal_captures(f.pos, side, f.list);
    // Out of check the score stands whatever the moves (a stalemate here is
    // left to the full-width nodes), so that the value does not depend on
    // the window.  A node with no legal move at all is not stored.
    if (f.list.count == 0) {
        if (checked) return -VALUE_MATE + ply;
        if (!has_any_legal_move(f.pos, side, f.list)) return best;
    }
    score_moves(ply, entry != nullptr ? hit.packed_move : 0, !checked);
    const int original_alpha = alpha;
    move best_move{};
    bool have_best = false;
    int picked = INT_MAX;
    for (int i = 0; i < f.list.count; ++i) {
        pick(f, i, picked);
        const move m = f.list.moves[i];
        if (!checked) {
            const int victim = captured_type(f.pos, m);
            if (victim == 0 && !is_promotion(m)) break;  // the quiet moves come last
            if (is_promotion(m) && (m.promotion & 7) != QUEEN && victim == 0) continue;
            if (!full_width_) {
                // Delta: even winning the man outright cannot lift the score to alpha.
                if (!is_promotion(m) && stand + SEE_VALUE[victim] + 180 <= alpha) continue;
                if (f.order[i] < 0) continue;  // a losing exchange
            }
        }
        make_child(ply, m);
        const int v = -quiesce(ply + 1, -beta, -alpha);
        if (stopped) return 0;
        if (v > best) {
            best = v;
            if (v > alpha) {
                alpha = v;
                best_move = m;
                have_best = true;
                update_pv(ply, m);
                if (v >= beta) break;
            }
        }
    }
    if (checked && best == -INF) best = -VALUE_MATE + ply;
    const int bound = best >= beta ? BOUND_LOWER : (best > original_alpha ? BOUND_EXACT : BOUND_UPPER);
    table_->store_entry(key, 0, to_table_score(best, ply), checked ? 0 : stand, bound, have_best ? pack_move(best_move) : 0);
    return best;
}

// --- The main search --------------------------------------------------------------

int node_search(int ply, int depth, int alpha, int beta, bool cut_node) {
    if (depth <= 0) return quiesce(ply, alpha, beta);
    if (enter_node(ply)) return 0;
    frame& f = ply_frames[ply];
    const int side = side_at[ply];
    const bool pv_node = beta - alpha > 1;
    const uint16_t excluded = excluded_at[ply];

    if (drawn(ply)) return 0;
    if (ply >= MAX_PLY) return strong_evaluate(f.pos, side, pawn_cache);
    // Mate distance: no line from here can beat a mate already found nearer the root.
    if (alpha < -VALUE_MATE + ply) alpha = -VALUE_MATE + ply;
    if (beta > VALUE_MATE - ply - 1) beta = VALUE_MATE - ply - 1;
    if (alpha >= beta) return alpha;

    const uint64_t key = key_at(ply);
    // A singular test's node is the same position with a move left out: the
    // table's word on the whole position does not hold for it.
    tt_fields hit{};
    const tt_entry* entry = excluded == 0 ? table_->probe_entry(key, hit) : nullptr;
    const uint16_t hash_move = entry != nullptr ? hit.packed_move : 0;
    if (entry != nullptr && !pv_node && (full_width_ ? hit.depth == depth : hit.depth >= depth)) {
        const int v = from_table_score(hit.score, ply), bound = hit.age_bound & 3;
        if ((bound == BOUND_EXACT) || (bound == BOUND_LOWER && v >= beta) || (bound == BOUND_UPPER && v <= alpha))
            return v;
    }

    // The endgame tables, where they can answer: few enough men, no
    // castling right, and just after a capture or a pawn move.  A win is a
    // bound from below (the search may find a mate), a loss from above, a
    // draw exact; a bound that does not cut narrows a PV node's result.
    int tb_floor = -INF, tb_cap = INF;
    // The material count (a queen 9) rules out most positions with more
    // men than that at once, so a middlegame pays nothing for the tables.
    if (tb_men_ > 0 && ply > 0 && halfmove[ply] == 0 && excluded == 0 &&
        f.pos.white_material + f.pos.black_material <= 9 * (tb_men_ - 2)) {
        const int men = tb_men(f.pos);
        tb_wdl wdl;
        if (men <= tb_men_ && (men < tb_men_ || depth >= tb_depth_) && tb_probe_wdl(f.pos, side, wdl)) {
            count_tb_hit();
            const int w = static_cast<int>(wdl), draw_margin = tb_rule50_ ? 1 : 0;
            const int v = w > draw_margin ? TB_WIN_SCORE - ply : (w < -draw_margin ? -TB_WIN_SCORE + ply : w);
            const int bound = w > draw_margin ? BOUND_LOWER : (w < -draw_margin ? BOUND_UPPER : BOUND_EXACT);
            if (bound == BOUND_EXACT || (bound == BOUND_LOWER ? v >= beta : v <= alpha)) {
                const int stored_depth = depth + 6 < MAX_SEARCH_DEPTH ? depth + 6 : MAX_SEARCH_DEPTH;
                table_->store_entry(key, stored_depth, to_table_score(v, ply), checked_at[ply] ? 0 : evaluate_at(ply),
                                    bound, 0);
                return v;
            }
            if (pv_node && bound == BOUND_LOWER) {
                tb_floor = v;
                if (v > alpha) alpha = v;
            } else if (pv_node) {
                tb_cap = v;
            }
        }
    }

    side_to_move = side;
    const bool checked = checked_at[ply];
    int eval = -INF, raw_eval = 0;
    if (!checked) {
        raw_eval = eval = entry != nullptr ? hit.eval : evaluate_at(ply);
        // A table score that bounds the right way is a better guess.
        if (entry != nullptr) {
            const int v = from_table_score(hit.score, ply), bound = hit.age_bound & 3;
            if ((bound == BOUND_LOWER && v > eval) || (bound == BOUND_UPPER && v < eval) || bound == BOUND_EXACT)
                if (std::abs(v) < MATE_BOUND) eval = v;
        }
    }
    static_eval_at[ply] = eval;
    const bool improving = !checked && ply >= 2 && static_eval_at[ply - 2] != -INF && eval > static_eval_at[ply - 2];

    if (!pv_node && !checked && excluded == 0 && std::abs(beta) < MATE_BOUND && !full_width_) {
        // Reverse futility: far enough above beta that a shallow search will not come back down.
        if (depth <= 7 && eval - (improving ? 60 : 80) * depth >= beta) return eval;
        // Null move: give the opponent a free move; if even that holds beta, cut.
        if (depth >= 2 && eval >= beta && !after_null[ply] && ply > 0 && has_pieces(f.pos, side)) {
            int r = 3 + depth / 4 + ((eval - beta) / 200 < 3 ? (eval - beta) / 200 : 3);
            make_null_child(ply);
            const int v = -node_search(ply + 1, depth - 1 - r, -beta, -beta + 1, !cut_node);
            if (stopped) return 0;
            if (v >= beta) return v >= TB_WIN_BOUND ? beta : v;
        }
    }
    // No move from the table at a node worth one: search it a little shallower.
    if (hash_move == 0 && excluded == 0 && depth >= 4 && (pv_node || cut_node) && !full_width_) --depth;

    // Singular extension: when the table's move is far better than every
    // other (a search without it at half depth fails well below its score),
    // it is searched a ply deeper; when even the others hold beta, the node cuts.
    int singular_extension = 0;
    // The entry is read again: the null move's search may have written it since.
    const tt_fields now = entry != nullptr ? entry->fields_now() : tt_fields{};
    if (entry != nullptr && hash_move != 0 && excluded == 0 && ply > 0 && depth >= 7 && !full_width_ &&
        now.depth >= depth - 3 && (now.age_bound & 3) != BOUND_UPPER &&
        std::abs(from_table_score(now.score, ply)) < MATE_BOUND && ply < 2 * iteration_depth_) {
        const int tt_score = from_table_score(now.score, ply);
        const int singular_beta = tt_score - 2 * depth;
        excluded_at[ply] = hash_move;
        const int v = node_search(ply, (depth - 1) / 2, singular_beta - 1, singular_beta, cut_node);
        excluded_at[ply] = 0;
        if (stopped) return 0;
        if (v < singular_beta)
            singular_extension = 1;
        else if (singular_beta >= beta)
            return singular_beta;
        // The test searched this ply's frame: the node's own work starts afresh.
        static_eval_at[ply] = eval;
        pv_length[ply] = ply;
    }

    legal_moves(f.pos, side, f.list);
    if (f.list.count == 0) return checked ? -VALUE_MATE + ply : 0;
    score_moves(ply, hash_move, false);

    const int original_alpha = alpha;
    int best = -INF, searched = 0, quiet_count = 0;
    move best_move = f.list.moves[0];
    const int lmp_limit = (3 + depth * depth) / (improving ? 1 : 2);
    const quiet_tables histories = quiet_tables_at(ply, side);
    int picked = INT_MAX;
    for (int i = 0; i < f.list.count; ++i) {
        pick(f, i, picked);
        const move m = f.list.moves[i];
        if (excluded != 0 && is_packed(m, excluded)) continue;
        const bool quiet = captured_type(f.pos, m) == 0 && (!is_promotion(m) || is_rook_or_bishop_promotion(m));
        const bool killer = same_move(m, killers[ply][0]) || same_move(m, killers[ply][1]);
        if (best > -MATE_BOUND && !checked && !full_width_) {
            if (quiet && depth <= 6 && searched >= lmp_limit + 2 && !killer) continue;
            if (!quiet && depth <= 4 && f.order[i] < 0 && see(f.pos, m, side) < -90 * depth) continue;
        }
        const bool gives_check = make_child(ply, m);
        // Futility: a quiet move near the horizon that neither checks nor can lift the score to alpha.
        if (quiet && !checked && !gives_check && best > -MATE_BOUND && depth <= 6 &&
            eval + 90 + 80 * depth <= alpha && searched > 0 && !full_width_)
            continue;
        // Below the root a check is not searched deeper: it is never
        // reduced nor pruned as futile, which is enough, and the plies an
        // extension took cost more than the checks it resolved (measured).
        const int extension = singular_extension != 0 && is_packed(m, hash_move) ? 1 : 0;
        const int new_depth = depth - 1 + extension;
        int v;
        if (searched == 0) {
            v = -node_search(ply + 1, new_depth, -beta, -alpha, pv_node ? false : !cut_node);
        } else {
            int r = 0;
            if (depth >= 3 && searched >= (pv_node ? 3 : 2) && quiet && !checked && !gives_check && !full_width_) {
                r = REDUCTIONS.at[depth < 64 ? depth : 63][searched < 64 ? searched : 63];
                if (pv_node) --r;
                if (cut_node) ++r;
                if (killer) --r;
                if (!improving) ++r;
                r -= quiet_history(histories, m, f.pos) / 10000;
                if (r < 0) r = 0;
                if (r > new_depth - 1) r = new_depth - 1 > 0 ? new_depth - 1 : 0;
            }
            v = -node_search(ply + 1, new_depth - r, -alpha - 1, -alpha, true);
            if (!stopped && v > alpha && r > 0) v = -node_search(ply + 1, new_depth, -alpha - 1, -alpha, !cut_node);
            if (!stopped && v > alpha && v < beta) v = -node_search(ply + 1, new_depth, -beta, -alpha, false);
        }
        if (stopped) return 0;
        ++searched;
        if (quiet && quiet_count < 64) ply_frames[ply].quiets_tried[quiet_count++] = m;
        if (v > best) {
            best = v;
            best_move = m;
            if (v > alpha) {
                alpha = v;
                update_pv(ply, m);
                if (v >= beta) {
                    if (quiet) {
                        if (!same_move(killers[ply][0], m)) {
                            killers[ply][1] = killers[ply][0];
                            killers[ply][0] = m;
                        }
                        const int bonus = depth * depth > 400 ? 400 : depth * depth;
                        for (int q = 0; q < quiet_count; ++q)
                            update_history(ply, side, ply_frames[ply].quiets_tried[q], same_move(ply_frames[ply].quiets_tried[q], m) ? bonus * 8 : -bonus * 8);
                    }
                    break;
                }
            }
        }
    }
    // Everything pruned: the static score stands.  Without the left-out move
    // nothing may be left at all, which fails the test low.
    if (searched == 0) return excluded != 0 ? alpha : (checked ? -VALUE_MATE + ply : eval);
    if (excluded != 0) return best;
    if (best < tb_floor) best = tb_floor;
    if (best > tb_cap) best = tb_cap;
    const int bound = best >= beta ? BOUND_LOWER : (best > original_alpha ? BOUND_EXACT : BOUND_UPPER);
    table_->store_entry(key, depth, to_table_score(best, ply), raw_eval, bound, pack_move(best_move));
    return best;
}

void keep_root_line(int i, const move& m) {
    search_line& line = root_line[i];
    line.moves[0] = m;
    line.length = 1;
    for (int p = 1; p < pv_length[1] && line.length < MAX_LINE; ++p) line.moves[line.length++] = pv[1][p];
}

// Moves the root move at i to the front, keeping the others' order.
void to_front(int i) {
    const move m = root_list[i];
    const int s = root_score[i], p = root_previous[i];
    const bool e = root_exact[i];
    const search_line l = root_line[i];
    for (int j = i; j > 0; --j) {
        root_list[j] = root_list[j - 1];
        root_score[j] = root_score[j - 1];
        root_previous[j] = root_previous[j - 1];
        root_exact[j] = root_exact[j - 1];
        root_line[j] = root_line[j - 1];
    }
    root_list[0] = m;
    root_score[0] = s;
    root_previous[0] = p;
    root_exact[0] = e;
    root_line[0] = l;
}

// One pass over the root moves at depth within (alpha, beta).  With several
// lines wanted, a move must beat the worst of the best lines so far.
int search_root(int depth, int alpha, int beta, int lines) {
    int best = -INF;
    for (int i = 0; i < root_size; ++i) {
        const move m = root_list[i];
        if (context_ != nullptr) context_->set_current_root_move(m, i + 1);
        // The bound a move must beat: alpha, or with several lines the
        // lines-th best exact score so far.
        int floor = alpha;
        if (lines > 1) {
            int32_t exact[MOVE_LIST_SIZE];  // the exact scores so far
            int n = 0;
            for (int j = 0; j < i; ++j)
                if (root_exact[j]) exact[n++] = root_score[j];
            floor = nth_highest_score(exact, n, lines, -INF);
        } else if (best > alpha) {
            floor = best;
        }
        const bool gives_check = make_child(0, m);
        const int new_depth = depth - 1 + (gives_check && !full_width_ ? 1 : 0);
        int v;
        if (i == 0 || lines > 1) {
            v = -node_search(1, new_depth, -beta, -floor, false);
        } else {
            v = -node_search(1, new_depth, -floor - 1, -floor, true);
            if (!stopped && v > floor && v < beta) v = -node_search(1, new_depth, -beta, -floor, false);
        }
        if (stopped) return best;
        root_score[i] = v;
        root_exact[i] = v > floor && v < beta;
        if (root_exact[i] || i == 0) keep_root_line(i, m);
        if (v > best) {
            best = v;
            if (v > alpha && v < beta && lines == 1) {
                // The new best goes first, for the next iteration and for a stop.
                to_front(i);
            }
            if (v >= beta) {
                to_front(i);
                return v;
            }
        }
    }
    return best;
}

// Sorts the root by this iteration's scores, best first (stable).
void sort_root() {
    for (int i = 1; i < root_size; ++i) {
        int j = i;
        while (j > 0 && root_score[j - 1] < root_score[j]) {
            const move m = root_list[j];
            root_list[j] = root_list[j - 1];
            root_list[j - 1] = m;
            std::swap(root_score[j], root_score[j - 1]);
            std::swap(root_previous[j], root_previous[j - 1]);
            std::swap(root_exact[j], root_exact[j - 1]);
            std::swap(root_line[j], root_line[j - 1]);
            --j;
        }
    }
}


};

void strong_searcher::set_root(const position& pos, int side, const uint64_t* earlier_keys, int earlier_count,
                               int halfmove_clock) {
    // The root frame: the position without its history (the repetition
    // test works on keys), the game's earlier keys before it.
    position& root = ply_frames[0].pos;
    copy_position(root, pos);
    root.history_count = 0;
    root.repetition_draw = root.fifty_move_draw = 0;
    root.fifty_move_count = 0;
    earlier = earlier_count < MAX_EARLIER ? earlier_count : MAX_EARLIER;
    for (int i = 0; i < earlier; ++i) path_keys[i] = earlier_keys[earlier_count - earlier + i];
    side_at[0] = side;
    // A set-up position may bring any count up to INT32_MAX, counted on here a
    // ply at a time: the fifty-move rule asks only whether 100 is reached and
    // the repetition test looks back no further than the earlier positions,
    // so a count far beyond both stands for any larger one.
    constexpr int FAR_BEYOND = 1 << 20;
    halfmove[0] = halfmove_clock < 0 ? 0 : std::min(halfmove_clock, FAR_BEYOND);
    after_null[0] = false;
    key_at(0) = position_key(root, side);
    extras_at[0] = key_extras(root, side);
    side_to_move = other_colour(side);
    root_sound_ = in_check(root) == 0;
    side_to_move = side;
    checked_at[0] = in_check(root) != 0;
    moved_man_at[0] = -1;
    stopped = false;
    deepest_ = 0;
    iteration_depth_ = 0;
}

// What every searcher does before its first iteration: no killers from the
// last search, and its histories halved (they still say something).
void strong_searcher::prepare_iterations() {
    for (auto& k : killers) k[0] = k[1] = move{};
    for (auto& by_side : history_score)
        for (auto& by_from : by_side)
            for (int& h : by_from) h /= 2;
}

bool strong_searcher::root_is_quiet() {
    if (checked_at[0]) return false;
    quiesce(0, -INF, INF);
    side_to_move = side_at[0];
    return !stopped && pv_length[0] == 0;
}

int strong_searcher::begin_search(search_context& context) {
    const search_request& request = context.asked();
    context_ = &context;
    helper_stop_ = nullptr;
    helper_index_ = 0;
    poll_mask_ = STOP_POLL_INTERVAL - 1;
    node_budget_ = nullptr;
    full_width_ = request.full_width;
    search_start_ms = clock_source();
    const uint64_t no_keys[1] = {0};
    set_root(*request.pos, request.side, request.earlier_keys != nullptr ? request.earlier_keys : no_keys,
             request.earlier_keys != nullptr ? request.earlier_count : 0, request.halfmove_clock);
    if (request.mode == search_mode::quiescence) return 0;
    prepare_iterations();

    const int side = request.side;
    position& root = ply_frames[0].pos;
    side_to_move = side;
    move_list& list = ply_frames[0].list;
    context.generate_root_moves(root, list, true, promotions::all);
    root_size = list.count;
    if (root_size == 0) return 0;
    for (int i = 0; i < root_size; ++i) {
        root_list[i] = list.moves[i];
        root_score[i] = root_previous[i] = -INF;
        root_exact[i] = false;
        root_line[i].length = 1;
        root_line[i].moves[0] = list.moves[i];
    }
    tb_men_ = full_width_ ? 0 : tb_probe_men();
    tb_depth_ = tb_probe_depth();
    tb_rule50_ = tb_rule50();
    root_in_tb_ = false;
    if (tb_men_ > 0 && tb_men(root) <= tb_men_) rank_root_by_tables();
    // The learning book's move for this position, if any, is searched first
    // (a private look, and a Chess960 game, leave the book alone altogether).
    if (!request.private_look && !root.chess960) {
        const book_entry& hint = book_slot(root);
        if (hint.depth != 0 && hint.side == side)
            for (int i = 0; i < root_size; ++i)
                if (same_move(root_list[i], hint.best_move)) to_front(i);
    }
    // Until an iteration finishes, the first move is the fallback.
    root_results& results = context.best_root();
    results.moves[0] = root_list[0];
    results.lines[0] = root_line[0];
    results.count = 1;

    timed_ = request.mode != search_mode::fixed_depth;
    max_depth_ = request.mode == search_mode::clock ? MAX_SEARCH_DEPTH : request.depth_limit;
    if (request.limits.max_depth > 0 && request.limits.max_depth < max_depth_) max_depth_ = request.limits.max_depth;
    if (max_depth_ < 1) max_depth_ = 1;
    if (max_depth_ > MAX_SEARCH_DEPTH) max_depth_ = MAX_SEARCH_DEPTH;
    own_hard_ms = timed_ && !request.limits.use_deadline && request.budget_ms != INT32_MAX
                      ? int64_t{request.budget_ms} * 3
                      : 0;
    lines = context.lines_wanted();
    if (lines > root_size) lines = root_size;
    return root_size;
}

// Once per search, before any helper starts: the tables rank the root's
// moves, and only those that keep the best result stay.  Where the DTZ
// tables ranked them, every kept move also makes progress within the
// fifty-move rule, so the search below needs no more probes and chooses
// among them by its own lights (finding the mate where it can); where only
// the WDL tables did, probes below keep showing it the way to a win.
void strong_searcher::rank_root_by_tables() {
    bool keep[MOVE_LIST_SIZE];
    tb_wdl result = tb_wdl::draw;
    bool used_dtz = false;
    if (!tb_rank_root(ply_frames[0].pos, side_at[0], halfmove[0], repeated_before_root(), root_list, root_size, keep,
                      result, used_dtz))
        return;
    int kept = 0;
    for (int i = 0; i < root_size; ++i)
        if (keep[i]) {
            root_list[kept] = root_list[i];
            root_line[kept] = root_line[i];
            ++kept;
        }
    root_size = kept;
    root_in_tb_ = true;
    root_tb_score_ = result == tb_wdl::win ? TB_WIN_SCORE : (result == tb_wdl::loss ? -TB_WIN_SCORE : static_cast<int>(result));
    if (used_dtz || result != tb_wdl::win) tb_men_ = 0;
}

void strong_searcher::follow_first(const strong_searcher& first, int index, const std::atomic<bool>& stop) {
    context_ = nullptr;
    helper_stop_ = &stop;
    helper_index_ = index;
    // A helper's look at its stop is one load: it looks often, so that once
    // the first searcher has stopped, few nodes more are counted.
    poll_mask_ = 255;
    full_width_ = first.full_width_;
    search_start_ms = first.search_start_ms;
    set_root(first.ply_frames[0].pos, first.side_at[0], first.path_keys, first.earlier, first.halfmove[0]);
    prepare_iterations();
    root_size = first.root_size;
    for (int i = 0; i < root_size; ++i) {
        root_list[i] = first.root_list[i];
        root_score[i] = root_previous[i] = -INF;
        root_exact[i] = false;
        root_line[i] = first.root_line[i];
    }
    timed_ = false;
    max_depth_ = first.max_depth_;
    own_hard_ms = 0;
    tb_men_ = first.tb_men_;
    tb_depth_ = first.tb_depth_;
    tb_rule50_ = first.tb_rule50_;
    root_in_tb_ = first.root_in_tb_;
    root_tb_score_ = first.root_tb_score_;
    lines = first.lines;
}

// The score shown for a root move: where the tables ranked the root and the
// search found no mate, their result.
int strong_searcher::shown_score(int v) const {
    return root_in_tb_ && std::abs(v) < MATE_BOUND ? root_tb_score_ : v;
}

void strong_searcher::report_finished_iteration(int depth, int score) {
    for (int i = 0; i < root_size; ++i) {
        report_moves[i] = root_list[i];
        report_moves[i].score = classic_units(shown_score(root_score[i]));
    }
    score = shown_score(score);
    context_->tb_hits = all_tb_hits();
    best_only[0] = report_moves[0];
    best_only_line[0] = root_line[0];
    best_only_line[0].moves[0] = best_only[0];
    context_->finish_iteration(depth, classic_units(score), best_only, best_only_line, 1, report_moves, root_line,
                               root_size, deepest_);
}

strong_outcome strong_searcher::deepen_first() {
    // No move: mated or stalemated (or every move filtered out).
    if (root_size == 0) return strong_outcome{0, checked_at[0] ? -MATE_SCORE : 0, 0};
    search_context& context = *context_;
    const search_request& request = context.asked();
    int score = 0, finished_score = 0;
    int finished_depth = 0;
    int stable_iterations = 0, score_drop = 0;  // how settled the last iterations are
    for (int depth = 1; depth <= max_depth_; ++depth) {
        if (depth > 1) {
            if (context.should_stop(true)) break;
            const int32_t budget = context.budget_ms();
            // The next iteration costs about as much as all before it, and more:
            // past about half the budget it would not finish in time.  A best
            // move that has held for several iterations needs less; one that
            // has just changed, or a score that fell, needs more.
            int percent = stable_iterations >= 6 ? 33 : stable_iterations >= 3 ? 44 : stable_iterations == 0 ? 70 : 55;
            if (score_drop >= 30) percent += score_drop >= 80 ? 30 : 15;
            if (timed_ && budget != INT32_MAX && static_cast<int64_t>(elapsed_ms()) * 100 > int64_t{budget} * percent)
                break;
        }
        context.depth_in_progress = depth;
        score = iterate(depth, finished_score);
        if (stopped) break;
        for (int i = 0; i < root_size; ++i) root_previous[i] = root_score[i];
        const int new_score = lines > 1 ? root_score[0] : score;
        if (finished_depth > 0) {
            stable_iterations = same_move(root_list[0], context.best_root().moves[0]) ? stable_iterations + 1 : 0;
            score_drop = finished_score - new_score;
        }
        finished_score = new_score;
        finished_depth = depth;
        report_finished_iteration(depth, finished_score);
        if (context.mate_found(classic_units(finished_score))) break;
        // A mate found and proven to its distance needs no deeper look.
        if (timed_ && std::abs(finished_score) >= MATE_BOUND && depth > 2 * (VALUE_MATE - std::abs(finished_score)) + 4)
            break;
    }
    const int side = side_at[0];
    if (finished_depth > 0 && !request.private_look && !ply_frames[0].pos.chess960) {
        // The move found is what the learning book keeps of this search.
        move best = context.best_root().moves[0];
        best.score = classic_units(finished_score);
        side_to_move = side;
        book_store(ply_frames[0].pos, best, finished_depth);
    }
    side_to_move = side;
    return strong_outcome{finished_depth, classic_units(shown_score(finished_score)), 0};
}

int strong_searcher::iterate(int depth, int finished_score) {
    iteration_depth_ = depth;
    for (int i = 0; i < root_size; ++i) root_exact[i] = false;
    int window = 18;
    int alpha = -INF, beta = INF;
    if (depth >= 5 && lines == 1 && std::abs(finished_score) < MATE_BOUND) {
        alpha = finished_score - window;
        beta = finished_score + window;
    }
    int score = 0;
    for (;;) {
        score = search_root(depth, alpha, beta, lines);
        if (stopped) return score;
        if (score <= alpha && alpha > -INF) {
            beta = (alpha + beta) / 2;
            alpha = score - window > -INF ? score - window : -INF;
        } else if (score >= beta && beta < INF) {
            beta = score + window < INF ? score + window : INF;
        } else {
            break;
        }
        window += window / 2 + 10;
    }
    if (lines > 1) sort_root();
    return score;
}

void strong_searcher::deepen_helper() {
    // The odd helpers start a ply deeper than the first searcher, the even
    // ones with it, so that the threads spread over two depths instead of
    // all searching the same one; each keeps its own aspiration window.
    int finished_score = 0;
    for (int depth = 1 + helper_index_ % 2; depth <= max_depth_; ++depth) {
        const int score = iterate(depth, finished_score);
        if (stopped) break;
        finished_score = lines > 1 ? root_score[0] : score;
    }
    side_to_move = side_at[0];
}

}  // namespace

namespace {

// The searchers, their threads and the table they share: one of each per
// process, as a GUI configures one engine.  Worker i runs searchers[i] (the
// first searcher runs on the thread that called run_search); between
// searches the workers sleep.
class strong_threads {
public:
    ~strong_threads() { stop_workers(); }

    // Allocates the table at its size and a searcher and a worker for each
    // thread; nothing when all are so already.
    void prepare_threads() {
        table_.resize_mb(hash_mb_);
        while (static_cast<int>(searchers_.size()) < threads_)
            searchers_.push_back(std::make_unique<strong_searcher>(table_));
        if (static_cast<int>(searchers_.size()) > threads_) searchers_.resize(static_cast<size_t>(threads_));
        if (static_cast<int>(workers_.size()) != threads_ - 1) {
            stop_workers();
            // A worker joins the searches that begin after it is made: it knows
            // how many went before from here, not from whenever it first runs.
            for (int i = 1; i < threads_; ++i)
                workers_.emplace_back([this, i, before = generation_] { worker_loop(i, before); });
        }
    }
    void release_threads() {
        stop_workers();
        searchers_.clear();
        table_.release_memory();
    }
    void clear_threads() {
        table_.clear_entries();
        for (auto& s : searchers_) s->reset_searcher();
    }
    bool set_thread_count(int count) {
        if (count < 1 || count > MAX_SEARCH_THREADS) return false;
        threads_ = count;
        if (table_.allocated()) prepare_threads();
        return true;
    }
    int thread_count() const { return threads_; }
    int32_t table_mb() const { return hash_mb_; }
    void set_table_mb(int32_t mb) { hash_mb_ = mb < 1 ? 1 : (mb > MAX_HASH_MB ? MAX_HASH_MB : mb); }
    int table_permill() const { return table_.permill_used(); }

    // Nodes of the search in progress, every thread's (0 between searches).
    uint64_t nodes_in_progress() const {
        if (!searching_) return 0;
        uint64_t total = 0;
        for (int i = 0; i <= helpers_; ++i) total += searchers_[static_cast<size_t>(i)]->node_total();
        return total;
    }
    static uint64_t nodes_of(const void* owner) { return static_cast<const strong_threads*>(owner)->nodes_in_progress(); }
    // The same for the endgame-table probes that answered.
    static uint64_t tb_hits_of(const void* owner) {
        const strong_threads& t = *static_cast<const strong_threads*>(owner);
        uint64_t total = 0;
        for (int i = 0; i <= t.helpers_; ++i) total += t.searchers_[static_cast<size_t>(i)]->tb_hit_total();
        return total;
    }

    strong_outcome run_threads(search_context& context);

private:
    void worker_loop(int index, uint64_t seen);
    void stop_workers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quitting_ = true;
        }
        helper_stop_.store(true, std::memory_order_relaxed);
        wake_.notify_all();
        for (std::thread& t : workers_) t.join();
        workers_.clear();
        quitting_ = false;
    }

    transposition_table table_;
    std::vector<std::unique_ptr<strong_searcher>> searchers_;
    std::vector<std::thread> workers_;
    int32_t hash_mb_ = DEFAULT_HASH_MB;
    int threads_ = 1;
    bool searching_ = false;  // the calling thread's: whether a search runs
    int helpers_ = 0;         // the helpers of the search in progress

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    uint64_t generation_ = 0;  // one more for each search the helpers join
    int running_ = 0;          // helpers still searching
    int joining_ = 0;          // how many helpers the latest search asked for
    bool quitting_ = false;
    std::atomic<bool> helper_stop_{false};
    std::atomic<uint64_t> node_budget_{0};  // the search's node limit, as the helpers see it
};

void strong_threads::worker_loop(int index, uint64_t seen) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quitting_ || generation_ != seen; });
        if (quitting_) return;
        seen = generation_;
        if (index > joining_) continue;
        strong_searcher& searcher = *searchers_[static_cast<size_t>(index)];
        lock.unlock();
        searcher.deepen_helper();
        lock.lock();
        if (--running_ == 0) done_.notify_all();
    }
}

strong_outcome strong_threads::run_threads(search_context& context) {
    const search_request& request = context.asked();
    prepare_threads();
    strong_searcher& first = *searchers_[0];
    for (auto& s : searchers_) s->zero_node_total();
    helpers_ = 0;
    searching_ = true;
    if (request.mode == search_mode::quiescence) {
        first.begin_search(context);
        const bool quiet = first.root_is_quiet();
        searching_ = false;
        return strong_outcome{quiet ? 0 : 1, 0, first.node_total()};
    }
    table_.age_for_new_search();
    first.share_tb_hits(tb_hits_of, this);
    const int root_moves = first.begin_search(context);
    // A level plays on one thread: its budget is in nodes, and its play
    // must not depend on how many threads share them.
    const bool level = request.limits.soft_node_limit != 0;
    const int helpers = level || root_moves == 0 ? 0 : threads_ - 1;
    first.share_polls_with(helpers + 1);
    if (helpers > 0) {
        node_budget_.store(context.node_budget(), std::memory_order_relaxed);
        first.share_node_budget(&node_budget_, nodes_of, this);
        for (int i = 1; i <= helpers; ++i) {
            strong_searcher& helper = *searchers_[static_cast<size_t>(i)];
            helper.follow_first(first, i, helper_stop_);
            helper.share_node_budget(&node_budget_, nodes_of, this);
        }
        helper_stop_.store(false, std::memory_order_relaxed);
        std::lock_guard<std::mutex> lock(mutex_);
        helpers_ = helpers;
        joining_ = helpers;
        running_ = helpers;
        ++generation_;
    }
    wake_.notify_all();
    strong_outcome outcome = first.deepen_first();
    if (helpers > 0) {
        helper_stop_.store(true, std::memory_order_relaxed);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return running_ == 0; });
    }
    outcome.nodes = nodes_in_progress();
    searching_ = false;
    helpers_ = 0;
    side_to_move = request.side;
    return outcome;
}

strong_threads& engine_threads() {
    static strong_threads threads;
    return threads;
}

// A look that leaves no trace thinks with a searcher and a table of its own.
constexpr int32_t PRIVATE_TABLE_MB = 4;
struct private_searcher {
    transposition_table table;
    std::unique_ptr<strong_searcher> searcher;
    static uint64_t nodes_of(const void* owner) {
        return static_cast<const private_searcher*>(owner)->searcher->node_total();
    }
};
private_searcher& private_look_searcher() {
    static private_searcher look;
    if (!look.searcher) {
        look.table.resize_mb(PRIVATE_TABLE_MB);
        look.searcher = std::make_unique<strong_searcher>(look.table);
    }
    return look;
}

}  // namespace

strong_outcome run_strong_search(const search_request& request, root_results& results) {
    if (request.private_look) {
        private_searcher& look = private_look_searcher();
        look.table.clear_entries();
        look.searcher->reset_searcher();
        look.searcher->zero_node_total();
        search_context context(request, results, private_searcher::nodes_of, &look);
        look.table.age_for_new_search();
        look.searcher->begin_search(context);
        strong_outcome outcome = look.searcher->deepen_first();
        outcome.nodes = look.searcher->node_total();
        side_to_move = request.side;
        return outcome;
    }
    strong_threads& threads = engine_threads();
    search_context context(request, results, strong_threads::nodes_of, &threads);
    return threads.run_threads(context);
}

uint64_t strong_nodes_in_progress() { return engine_threads().nodes_in_progress(); }

int32_t strong_hash_mb() { return engine_threads().table_mb(); }
void set_strong_hash_mb(int32_t mb) { engine_threads().set_table_mb(mb); }
void strong_prepare_table() { engine_threads().prepare_threads(); }
void strong_release_table() { engine_threads().release_threads(); }
void strong_clear_table() { engine_threads().clear_threads(); }
int strong_table_permill() { return engine_threads().table_permill(); }
bool set_search_threads(int count) { return engine_threads().set_thread_count(count); }
int search_threads() { return engine_threads().thread_count(); }
