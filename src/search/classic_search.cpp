// The node procedure: plain minimax with alpha-beta bounds over copied
// positions, scores always from engine_side's point of view (nothing is
// negated between plies), with the null move, move-count cutting, the capture
// extension, and move ordering steered by ply_best and the learning book.
// Every few thousand nodes it looks whether it has been asked to stop; a
// stopped search unwinds at once and its iteration counts for nothing.
#include "search/classic_search.h"

#include <cstdint>
#include <cstring>

#include "book/book.h"
#include "eval/eval.h"
#include "search/context.h"
#include "settings/settings.h"

uint64_t node_count = 0;

namespace {

// Every node works in a frame of its own: a copy of its position (only the
// live part is copied) and its move list.  The frames are set up once and
// indexed by recursion level, so the search allocates nothing and keeps its
// 12 KB records off the machine stack.
//
// Two sums over the board are kept with the position, owned by the node
// procedure alone: each node takes its parent frame's values and changes
// them by the squares its move changed (a node called from outside, such as
// the root, counts them afresh).  They let a node skip two scans of the
// 64 squares.
struct search_frame {
    position pos;
    move_list list;
    uint32_t key;              // position_key(pos): the node's book slot
    pawn_knight_totals sums;   // pawn_knight_sums(pos): what the leaf evaluation adds up
    search_line line;          // the node's best line, from its best move on
};

// How deep the recursion can go.  Every level with remaining depth above 0
// lowers the depth by at least 1 (a null move by 1 or 3), so at most
// root_depth <= MAX_SEARCH_DEPTH levels have depth > 0.  Below that only the
// capture extension goes on, and each of its levels was reached by a capture
// or a promotion, which lowers (men on the board other than kings) + (pawns)
// by at least 1; on any board of 64 squares with two kings that sum is at most
// 62 + 62 = 124.  One more level holds the leaf.  So levels 0 to
// MAX_SEARCH_DEPTH + 124 suffice.  The last frame is a guard: a node there is
// always scored as a leaf, so the array cannot overflow even if the argument
// above were wrong.
constexpr int EXTENSION_LEVELS = 124;
constexpr int SEARCH_FRAMES = MAX_SEARCH_DEPTH + EXTENSION_LEVELS + 1;
// A node's ply, root_depth - depth, is below SEARCH_FRAMES for the same reason.
static_assert(SEARCH_FRAMES < PLY_BEST_SIZE, "ply_best must outreach every ply");

// The classic searcher: everything the classic search keeps, between its
// nodes and from one search to the next.  One object: the classic engine
// thinks on one thread.
struct classic_searcher {
    // The iteration in progress (after a search: one above the last
    // finished one when it was stopped, as the loops leave it).
    int root_depth = 0;
    // The last new best move at each ply: the ordering hints, which carry
    // over to the next search shifted by two plies.
    move ply_best[PLY_BEST_SIZE] = {};
    // The search in progress: its limits, root handling and results.
    search_context* context = nullptr;
    // The line of each root move of the iteration in progress, by its place
    // in the root's list.
    search_line root_lines[MOVE_LIST_SIZE];
    // Null move and cutting are left out of this search (clock modes 0 and
    // 2), whatever the user's switches say; the switches themselves are
    // never written.
    bool refinements_suspended = false;
    // The best root move so far in the iteration in progress: the move of a
    // first iteration that a hard limit cut short.
    move root_best_so_far = {};
    // The deepest recursion level any node of this search has reached.
    int deepest_level = 0;
    search_frame frames[SEARCH_FRAMES];
    int frame_level = 0;  // frames in use: the level of the next node
    move zero_valued[MOVE_LIST_SIZE];  // order_moves' scratch; it does not recurse
    // What keep_classic_traces kept, for restore_classic_traces.
    struct traces {
        move hints[PLY_BEST_SIZE];
        move best_so_far;
        int depth, deepest;
        uint64_t nodes;
        bool suspended;
    } kept;
};
classic_searcher classic;

// Takes a node's frame for the length of the call.
struct frame_claim {
    int level;
    frame_claim() : level(classic.frame_level++) {}
    ~frame_claim() { --classic.frame_level; }
    frame_claim(const frame_claim&) = delete;
    frame_claim& operator=(const frame_claim&) = delete;
};

inline void flip_side() { side_to_move = other_colour(side_to_move); }

// A quicker mate scores higher, a later loss less badly.  (ply is never
// negative from a root at root_depth; the clamp keeps odd callers defined.)
inline int32_t mate_distance(int32_t v, int ply) {
    const int distance = ply < 0 ? 0 : (ply < PLY_BEST_SIZE ? ply : PLY_BEST_SIZE);
    if (v == MATE_SCORE) v = MATE_SCORE - distance;
    if (v == -MATE_SCORE) v = -MATE_SCORE + distance;
    return v;
}

// Stable sort by capture_value, highest first: moves of equal value keep
// the generator's order.  Most moves have value 0, so the valued ones are
// first gathered in front (the rest keep their order behind them) and only
// those are insertion-sorted.  No library sort: it may allocate.

void order_moves(move_list& list) {
    move* moves = list.moves;
    int last = list.count - 1;  // the last valued move
    while (last >= 0 && moves[last].capture_value == 0) --last;
    if (last < 0) return;  // all 0: the list is in order
    int valued = 0;         // the first move of value 0
    while (valued < last && moves[valued].capture_value != 0) ++valued;
    if (valued < last) {
        int zeros = 0;
        for (int i = valued; i <= last; ++i) {
            if (moves[i].capture_value != 0)
                moves[valued++] = moves[i];
            else
                classic.zero_valued[zeros++] = moves[i];
        }
        std::memcpy(moves + valued, classic.zero_valued, sizeof(move) * zeros);
    } else {
        valued = last + 1;
    }
    for (int i = 1; i < valued; ++i) {
        if (moves[i].capture_value <= moves[i - 1].capture_value) continue;
        const move item = moves[i];
        int j = i;
        do {
            moves[j] = moves[j - 1];
            --j;
        } while (j > 0 && moves[j - 1].capture_value < item.capture_value);
        moves[j] = item;
    }
}

// A node's line: its best move, then the line of the node that move led to.
inline void set_line(search_line& line, const move& best, const search_line& below) {
    line.moves[0] = best;
    const int length = below.length < MAX_LINE - 1 ? below.length : MAX_LINE - 1;
    std::memcpy(line.moves + 1, below.moves, sizeof(move) * static_cast<size_t>(length));
    line.length = length + 1;
}

// Moves searched at a node of this ply when cutting is on.
inline int moves_kept(int ply, int count) {
    int keep = count;
    if (ply >= 6)
        keep = 5;
    else if (ply >= 4)
        keep = 7;
    else if (ply >= 2)
        keep = 35;
    return count < keep ? count : keep;
}

}  // namespace

int32_t classic_node(int depth, const position& parent, const move& m, int32_t alpha, int32_t beta,
                     int after_null) {
    // Step 1. Count the node, now and then look whether the search is to
    // stop, and take a copy of the parent.
    ++node_count;
    if ((node_count & (STOP_POLL_INTERVAL - 1)) == 0) {
        classic.context->selective_depth = classic.deepest_level;
        if (classic.context->should_stop(false)) return 0;
    }
    const frame_claim claim;
    search_frame& frame = classic.frames[claim.level];
    frame.line.length = 0;
    if (claim.level > classic.deepest_level) classic.deepest_level = claim.level;
    position& pos = frame.pos;
    copy_position(pos, parent);
    const int ply = classic.root_depth - depth;

    // Step 2. Make the move (a null move makes nothing), and bring the sums
    // over the board up to date: from the parent's frame by the squares the
    // move changed, or counted afresh when the parent is no frame.
    const int made = m.from_file < 0 ? MOVE_QUIET : make_move(pos, m);
    const search_frame* above =
        claim.level > 0 && &parent == &classic.frames[claim.level - 1].pos ? &classic.frames[claim.level - 1] : nullptr;
    const uint64_t changed = above != nullptr ? changed_squares(parent.board, pos.board) : 0;
    if (above != nullptr) {
        frame.sums = above->sums;
        update_pawn_knight_sums(frame.sums, parent.board, pos.board, changed);
    } else {
        pawn_knight_sums(pos, frame.sums);
    }

    // Step 3. Leaf: the nominal depth is spent, or under the capture
    // extension a quiet move ended the line.  side_to_move is still the mover.
    if ((depth == 0 && advanced_search == 0) || (advanced_search == 1 && depth <= 0 && made == MOVE_QUIET) ||
        claim.level == SEARCH_FRAMES - 1) {
        const int32_t v = mate_distance(evaluate_with_sums(pos, -1, frame.sums), ply);
        flip_side();
        return v;
    }
    // A leaf needs no book slot; every other node may.
    frame.key = above != nullptr ? position_key_after(above->key, parent.board, pos.board, changed) : position_key(pos);

    // Step 4. The node's own side moves from here on.  Its check flag is
    // asked for here only when the null move needs it; otherwise the
    // generator's own check test (step 6) provides it.
    flip_side();
    const bool max_node = (ply & 1) == 0;
    // Null move and cutting as the user set them, unless this search leaves
    // them out (refinements_suspended).
    const bool null_move_possible =
        null_move_enabled == 1 && !classic.refinements_suspended && after_null == 0 && depth > 0 && depth != classic.root_depth;
    int checked = null_move_possible ? in_check(pos) : 0;

    // Step 5. Null move: let the side to move pass at reduced depth; if even
    // that holds the bound, the node is not worth searching.
    if (null_move_possible && !checked) {
        const int reduced = depth <= 2 ? depth - 1 : depth - 3;
        if (max_node) {
            const int32_t v = classic_node(reduced, pos, NULL_MOVE, -MATE_SCORE, beta, 1);
            if (classic.context->is_stopped()) return 0;
            flip_side();
            if (v >= beta) return v;
        } else {
            const int32_t v = classic_node(reduced, pos, NULL_MOVE, alpha, MATE_SCORE, 1);
            if (classic.context->is_stopped()) return 0;
            flip_side();
            if ((ply == 1 && v < alpha) || (ply >= 3 && v <= alpha)) return v;
        }
    }

    // The book slot depends only on the board.  A node that is to order its
    // moves looks it up now, so that the table's memory arrives while the
    // moves are generated; a node that may still take the quiet shortcut
    // waits until it knows it needs the slot.
    const bool shortcut_enabled =
        depth == 1 && depth != classic.root_depth && (advanced_search != 0 || (cutting_enabled != 0 && !classic.refinements_suspended));
    book_entry* slot = nullptr;
    if (classic.root_depth > 1 && !shortcut_enabled) {
        slot = &book_slot_of_key(frame.key);
        __builtin_prefetch(slot);
    }

    // Step 6. No legal move: mate, stalemate or a flagged draw.
    move_list& list = frame.list;
    if (ply == 0)
        classic.context->generate_root_moves(pos, list, classic.context->strict_root());
    else
        generate_moves(pos, list);
    if (list.count == 0) return mate_distance(evaluate(pos, 0), ply);
    if (!null_move_possible) checked = side_in_check;  // in_check(pos), as the generator found it

    // Step 7. Quiet shortcut: one ply from the horizon with nothing to
    // capture or promote and no check, the static score stands in for the
    // whole node.
    if (shortcut_enabled && !checked) {
        bool quiet = true;
        for (int i = 0; i < list.count && quiet; ++i) quiet = list.moves[i].capture_value == 0;
        if (quiet) {
            flip_side();
            const int32_t v = evaluate_with_sums(pos, -1, frame.sums);
            flip_side();
            return v;
        }
    }

    // Step 8. Ordering hints, not worth their lookups in a one-ply search:
    // the last new best move at this ply, and the book's move.
    if (classic.root_depth > 1) {
        if (ply >= 0 && ply < PLY_BEST_SIZE) {
            const move& hint = classic.ply_best[ply];
            for (int i = 0; i < list.count; ++i) {
                if (same_move(list.moves[i], hint)) {
                    list.moves[i].capture_value = static_cast<uint8_t>(list.moves[i].capture_value + PLY_BEST_BONUS);
                    break;
                }
            }
        }
        if (slot == nullptr) slot = &book_slot_of_key(frame.key);
        book_probe(*slot, list);
    }

    // Step 9. Highest capture_value first.
    order_moves(list);

    // Step 10. Cutting: deeper in the tree only the first few moves count.
    if (cutting_enabled != 0 && !classic.refinements_suspended && !checked) list.count = static_cast<uint16_t>(moves_kept(ply, list.count));
    const int count = list.count;

    // Recording a new best move: the ordering hint of this ply, the book,
    // and the node's line (the line of the child just searched follows it).
    const search_line& below = classic.frames[claim.level + 1 < SEARCH_FRAMES ? claim.level + 1 : claim.level].line;
    auto record = [&](const move& best) {
        if (ply >= 0 && ply < PLY_BEST_SIZE) classic.ply_best[ply] = best;
        if (slot == nullptr) slot = &book_slot_of_key(frame.key);
        book_store(*slot, best, depth);
        set_line(frame.line, best, below);
    };

    if (max_node) {
        // Step 11. The engine to move: keep the highest score; a child that
        // reaches the parent's bound ends the node.
        int32_t result = -MATE_SCORE;
        for (int i = 0; i < count; ++i) {
            move& child = list.moves[i];
            int32_t bound = result;
            if (ply == 0) {
                classic.context->set_current_root_move(child, i + 1);
                if (classic.context->lines_wanted() > 1) bound = classic.context->multi_pv_bound(list, i);
            }
            const int32_t v = classic_node(depth - 1, pos, child, bound, beta, 0);
            if (classic.context->is_stopped()) return 0;
            flip_side();
            if (v >= beta) return v;
            child.score = v;
            if (ply == 0) set_root_line(classic.root_lines[i], child, below);
            if (v > result) {
                result = v;
                record(child);
                if (ply == 0) classic.root_best_so_far = child;
            }
        }
        // Every root move that reached the best score is a candidate.
        if (depth == classic.root_depth) classic.context->gather_best_root_moves(list, count, classic.root_lines, result);
        return result;
    }

    // Step 12. The opponent to move: keep the lowest score.  Just below the
    // root only a strictly lower score cuts, so that root moves that tie the
    // best are searched to their exact value.
    int32_t result = MATE_SCORE;
    for (int i = 0; i < count; ++i) {
        move& child = list.moves[i];
        const int32_t v = classic_node(depth - 1, pos, child, alpha, result, 0);
        if (classic.context->is_stopped()) return 0;
        flip_side();
        if ((ply == 1 && v < alpha) || (ply >= 3 && v <= alpha)) return v;
        child.score = v;
        if (v < result) {
            result = v;
            record(child);
        }
    }
    return result;
}



int32_t classic_node_in(search_context& in, int root_depth, int depth, const position& parent, const move& m,
                        int32_t alpha, int32_t beta, int after_null) {
    search_context* outer = classic.context;
    classic.context = &in;
    classic.root_depth = root_depth;
    in.depth_in_progress = classic.root_depth;
    const int32_t v = classic_node(depth, parent, m, alpha, beta, after_null);
    classic.context = outer;
    return v;
}

// --- Iterative deepening ------------------------------------------------------

namespace {

// One iteration: the root for side at root_depth.  The root flips
// side_to_move once, back to side.
int32_t iterate(const position& pos, int side) {
    side_to_move = other_colour(side);
    classic.root_best_so_far.from_file = -1;
    classic.context->depth_in_progress = classic.root_depth;
    return classic_node(classic.root_depth, pos, NULL_MOVE, -MATE_SCORE, MATE_SCORE, 0);
}

// A finished iteration: its best root moves (gathered by the root node) and
// every root move go to the shared root handling.
void report_classic_iteration(int32_t score, classic_outcome& last) {
    const move_list& list = classic.frames[0].list;
    root_results& results = classic.context->best_root();
    classic.context->finish_iteration(classic.root_depth, score, results.moves, results.lines, results.count, list.moves, classic.root_lines,
                              list.count, classic.deepest_level);
    last.depth = classic.root_depth;
    last.score = score;
}

// One iteration, run to its end or stopped; true when it finished.  A first
// iteration that a hard limit cut keeps its best root move so far.
bool run_iteration(const position& pos, int side, int32_t& score) {
    score = iterate(pos, side);
    if (!classic.context->is_stopped()) return true;
    side_to_move = side;
    if (classic.root_depth == 1) {
        root_results& results = classic.context->best_root();
        results.count = 0;
        if (classic.root_best_so_far.from_file >= 0) {
            results.lines[0].length = 1;
            results.lines[0].moves[0] = classic.root_best_so_far;
            results.moves[results.count++] = classic.root_best_so_far;
        }
    }
    return false;
}

classic_outcome deepen_to_depth(const position& pos, int side, int depth_limit) {
    classic_outcome last;
    // At least one iteration, so that a position with a legal move always
    // yields one; never deeper than the frames and ply_best allow.  A stop
    // leaves root_depth one above the last finished iteration, as the loop's
    // own end does.
    const int deepest = depth_limit < 1 ? 1 : (depth_limit > MAX_SEARCH_DEPTH ? MAX_SEARCH_DEPTH : depth_limit);
    for (classic.root_depth = 1; classic.root_depth <= deepest; ++classic.root_depth) {
        if (classic.root_depth > 1 && classic.context->should_stop(true)) break;
        int32_t score = 0;
        if (!run_iteration(pos, side, score)) break;
        report_classic_iteration(score, last);
        if (classic.context->mate_found(score)) break;
    }
    return last;
}

classic_outcome deepen_on_clock(const position& pos, int side, int depth_limit, search_mode mode) {
    classic_outcome last;
    classic.root_depth = 0;
    clock_restart();
    int32_t elapsed = 0;
    for (;;) {
        // One more ply costs about DEEPENING_FACTOR times the last one.  The
        // first iteration runs whatever the budget, so a turn with a legal
        // move always has one to play.
        if (classic.root_depth > 0 && elapsed >= classic.context->budget_ms() / DEEPENING_FACTOR) break;
        if (classic.root_depth >= MAX_SEARCH_DEPTH) break;
        if (classic.root_depth > 0 && classic.context->should_stop(true)) break;
        ++classic.root_depth;
        clock_restart();
        int32_t score = 0;
        if (!run_iteration(pos, side, score)) {
            --classic.root_depth;  // the last finished iteration
            break;
        }
        elapsed = clock_read();
        report_classic_iteration(score, last);
        if (classic.context->mate_found(score)) break;
        if ((mode == search_mode::clock_capped_plain || mode == search_mode::clock_capped) && classic.root_depth >= depth_limit)
            break;
        if (classic.context->max_depth() > 0 && classic.root_depth >= classic.context->max_depth()) break;
    }
    return last;
}

}  // namespace

classic_outcome classic_deepen(search_context& in) {
    search_context* outer = classic.context;
    classic.context = &in;
    const search_request& request = in.asked();
    engine_side = request.side;
    classic.deepest_level = 0;
    int depth_limit = request.depth_limit;
    const int cap = request.limits.max_depth;
    if (cap > 0 && cap < depth_limit) depth_limit = cap;
    // The fixed depth and the capped plain mode search without null move
    // and cutting, whatever the user's switches say; only this search.
    classic.refinements_suspended = request.mode == search_mode::fixed_depth || request.mode == search_mode::clock_capped_plain;
    classic_outcome last;
    if (request.mode == search_mode::fixed_depth)
        last = deepen_to_depth(*request.pos, request.side, depth_limit);
    else
        last = deepen_on_clock(*request.pos, request.side, depth_limit, request.mode);
    classic.refinements_suspended = false;
    // The moves best at plies 2, 3, ... become the hints at plies 0, 1, ...
    // of the next search, which starts after this move and the reply.
    for (int i = 0; i + 2 < classic.root_depth; ++i) classic.ply_best[i] = classic.ply_best[i + 2];
    classic.context = outer;
    return last;
}

move* classic_ordering_hints() { return classic.ply_best; }
int classic_root_depth() { return classic.root_depth; }

void reset_classic_search() {
    for (move& m : classic.ply_best) m = move{};
    classic.deepest_level = 0;
    classic.root_best_so_far = move{};
    classic.root_depth = 0;
    node_count = 0;
}


void keep_classic_traces() {
    std::memcpy(classic.kept.hints, classic.ply_best, sizeof classic.ply_best);
    classic.kept.best_so_far = classic.root_best_so_far;
    classic.kept.depth = classic.root_depth;
    classic.kept.deepest = classic.deepest_level;
    classic.kept.nodes = node_count;
    classic.kept.suspended = classic.refinements_suspended;
}

void restore_classic_traces() {
    std::memcpy(classic.ply_best, classic.kept.hints, sizeof classic.ply_best);
    classic.root_best_so_far = classic.kept.best_so_far;
    classic.root_depth = classic.kept.depth;
    classic.deepest_level = classic.kept.deepest;
    node_count = classic.kept.nodes;
    classic.refinements_suspended = classic.kept.suspended;
}
