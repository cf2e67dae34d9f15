// Search: the alpha-beta node procedure, the clock, and iterative deepening
// with the choice among the best root moves.  The search prints nothing: it
// tells an observer about each finished iteration, and whoever started it
// may stop it through a flag, a deadline, a node limit or a poll.
#pragma once

#include <atomic>
#include <cstdint>

#include "eval/eval.h"
#include "rules/rules.h"
#include "settings/settings.h"

inline constexpr int PLY_BEST_SIZE = 3000;
inline constexpr int DEEPENING_FACTOR = 35;  // one more ply costs about 35 times as much
inline constexpr int PLY_BEST_BONUS = 50;    // ordering bonus of the last best move at the same ply

extern int root_depth;                       // depth of the current iteration
extern uint64_t node_count;                  // calls of search since start-up; never reset
extern move ply_best[PLY_BEST_SIZE];         // last new best move at each ply
extern move best_root_moves[MOVE_LIST_SIZE]; // root moves sharing the best score
extern uint16_t best_root_count;
extern move NULL_MOVE;                       // from_file 255: nothing is made

// A line of play the search found: its first move and the best replies to
// it, as far as the iteration's depth reaches (or where a mate ends it).
inline constexpr int MAX_LINE = MAX_SEARCH_DEPTH;
// The most root moves that can be asked for with their exact scores.
inline constexpr int MAX_MULTI_PV = 64;
struct search_line {
    int length = 0;
    move moves[MAX_LINE];
};
// The line of each of best_root_moves, in the same order.
extern search_line best_root_lines[MOVE_LIST_SIZE];

// Scores within this many plies of MATE_SCORE are mates (the search takes one
// off per ply from the root; no line reaches this deep).
inline constexpr int32_t MATE_RANGE = 3000;
// Moves to mate of a score (positive: the engine mates; negative: it is
// mated), or 0 for an ordinary score.
inline int32_t mate_in_moves(int32_t score) {
    if (score >= MATE_SCORE - MATE_RANGE) return (MATE_SCORE - score + 1) / 2;
    if (score <= -MATE_SCORE + MATE_RANGE) return -((score + MATE_SCORE + 1) / 2);
    return 0;
}

// The node procedure: makes m on a copy of parent, then evaluates or searches
// the replies.  Flips side_to_move exactly once, unless the search is being
// stopped (search_stopped), when it returns at once with a meaningless value.
int32_t search(int depth, const position& parent, const move& m, int32_t alpha, int32_t beta, int after_null);

// --- Clock: a millisecond counter read between iterations ---
// The millisecond counter behind the clock and the deadlines; tests may point
// it at their own.
extern uint32_t (*clock_source)();
void clock_init(int units_per_second);
// Back to start-up's clock: the system's counter in milliseconds, restarted.
// Tests that script clock_source end with it.
void reset_clock();
void clock_restart();
int32_t clock_read();

// --- Stopping a search ---
// Nodes between two looks at the stop conditions (a power of two).
inline constexpr uint64_t STOP_POLL_INTERVAL = 4096;

// Set by anyone, from any thread, to end the search in progress; run_search
// clears it when a search starts.
extern std::atomic<bool> stop_requested;

// What may end a search early besides stop_requested.  Each is looked at
// every STOP_POLL_INTERVAL nodes and before each new iteration.
struct search_limits {
    bool use_deadline = false;
    uint32_t deadline = 0;        // a clock_source() reading; reached when now - deadline >= 0 (signed)
    uint64_t node_limit = 0;      // stop once node_count reaches it (0: none)
    // The same, but never in the first iteration, so that a move always
    // comes from a whole search however small the budget (a level's).
    uint64_t soft_node_limit = 0;
    bool (*poll)() = nullptr;     // asked at each look (input while thinking); true stops
    // Normally the first iteration always finishes, so that there is a move
    // from a whole search.  A hard limit (a node cap, a flag about to fall)
    // may cut it too; the move is then the best root move found so far.
    bool stop_first_iteration = false;
    // No iteration deeper than this (0: none), whatever the clock mode.
    int max_depth = 0;
    // Root moves are checked with the full legality test, so that a move
    // the quick test lets through (an en-passant capture that uncovers the
    // own king along the rank) is never offered to a GUI.
    bool strict_root = false;
    // Only these root moves are searched (squares and promotion compared;
    // none: all).  A list that names no legal move is the caller's to refuse.
    const move* root_moves = nullptr;
    int root_move_count = 0;
    // The best this many root moves are searched to their exact scores
    // (1: only the best, as the plain search does).
    int multi_pv = 1;
    // Deepening ends once the engine has a mate in at most this many moves (0: never).
    int mate_moves = 0;
};

// A stop condition ended the last search: either an iteration was abandoned
// (the best root moves are those of the iteration before, or, in a first
// iteration that was cut, the best root move found so far, if any), or no
// further iteration was started.
extern bool search_stopped;

// --- Iterative deepening ---
// What an observer learns after each finished iteration.
struct iteration_report {
    int depth;                 // the iteration's depth
    int32_t score;             // the root's score, from the engine's side
    uint64_t nodes;            // nodes of this search so far
    uint32_t elapsed_ms;       // since the search began
    const move* best_moves;    // the root moves sharing the best score
    int best_count;
    const search_line* best_lines;  // the line of each best move
    int selective_depth;       // the deepest ply any node of the search reached
    // Every root move searched, in search order, with its score (exact for
    // the multi_pv best, a bound for the others) and its line.
    const move* root_moves;
    const search_line* root_lines;
    int root_count;
    const position* root_position;  // the position searched, with side to move
    int side;
};

// What an observer learns now and then while an iteration runs (about once
// a second), for a GUI whose pane should not stand still.
struct progress_report {
    uint64_t nodes;            // nodes of this search so far
    uint32_t elapsed_ms;
    int depth;                 // the iteration in progress
    int selective_depth;
    move current_move;         // the root move being searched
    int current_number;        // its place in the root's order, from 1
};

// Told about each finished iteration; front ends turn it into thinking output.
class search_observer {
public:
    virtual void iteration_finished(const iteration_report& report) = 0;
    virtual void progress(const progress_report&) {}

protected:
    ~search_observer() = default;
};

// The classic search's iterations on pos for side in the given clock mode,
// at least one and none beyond MAX_SEARCH_DEPTH, then the two-ply shift of
// ply_best: run_search (search/request.h) with a classic request, for the
// developer tool and the tests.  Leaves the best root moves of the last
// finished iteration in best_root_moves and side_to_move at side.  limits
// (may be null) can end it early; with none set, the search is exactly the
// engine's plain one.
void deepen(const position& pos, int side, int depth_limit, int32_t move_budget, int mode,
            search_observer* observer = nullptr, const search_limits* limits = nullptr);

// One of the equally best root moves, at random; false when there is none.
bool pick_best_root_move(move& chosen);
// The line of a move of best_root_moves (its first move is the move); a line
// of the move alone for any other.
search_line best_line_of(const move& m);

// While a search runs (from its poll, on the search's thread): what it is
// doing now, and how many root moves its iteration has (for xboard's ".").
progress_report search_progress(int& root_moves);

// While a search runs (from its poll, on the search's thread): from now on it
// also ends at deadline (a clock_source() reading), first iteration included.
void set_search_deadline(uint32_t deadline);
// The same for a node limit (the lower of it and any already set holds), and
// for the budget that decides whether another iteration starts.
void set_search_node_limit(uint64_t limit);
void set_search_budget(int32_t budget);

// What a search leaves behind for the next one and for the game: the
// ordering hints, the best root moves and their lines, the node count, the
// learning table's hints and the generator's state.  A look that must leave
// no trace (a hint for the user) keeps them first and restores them after.
void keep_search_traces();
void restore_search_traces();

// Back to where start-up leaves the search: no ordering hints (ply_best all
// zero), no best root moves, no nodes counted, nothing stopped, the system's
// clock.  For tests, benches and fuzzers that run many searches in one
// process.
void reset_search_state();
