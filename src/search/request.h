// The one way into a search: a request says what to search and how long,
// a result says what was found.  Both searches, the classic one and the
// strong one, are entered through run_search and share its root handling
// (search/context.h): the stop conditions, the root-move filter, MultiPV,
// the root lines, the current root move and the reports to the observer.
// The game, the tools and the tests all come in here.
#pragma once

#include <atomic>
#include <cstdint>

#include "rules/rules.h"
#include "search/clock.h"
#include "search/report.h"

// Which search thinks: the classic one (the default, exact to its trees) or
// the strong one.
enum class search_engine : int32_t { classic = 0, strong = 1 };

// How a search deepens.  The four clock modes are the classic engine's (its
// settings' "clock mode" 0 to 3); the strong search reads fixed_depth as a
// fixed depth, every other as deepening on the clock up to the depth limit.
enum class search_mode : int32_t {
    fixed_depth = 0,         // every iteration up to depth_limit, no clock
    clock = 1,               // iterations while the budget lasts
    clock_capped_plain = 2,  // the same up to depth_limit, without null move and cutting
    clock_capped = 3,        // the same up to depth_limit
    // The strong search's quiescence search of the root alone: the result
    // has no best move, and its depth is 0 when no capture or promotion
    // changes the position's score (a quiet position), 1 otherwise.  What the
    // evaluation's tuning data keeps.
    quiescence = 4,
};
// A settings' clock mode (0 to 3, anything else the plain clock) as a search mode.
inline search_mode search_mode_of_setting(int32_t clock_mode) {
    return clock_mode >= 0 && clock_mode <= 3 ? static_cast<search_mode>(clock_mode) : search_mode::clock;
}

// Nodes between two looks at the stop conditions (a power of two).
inline constexpr uint64_t STOP_POLL_INTERVAL = 4096;

// What may end a search early besides stop_requested.  Each is looked at
// every STOP_POLL_INTERVAL nodes and before each new iteration.
struct search_limits {
    bool use_deadline = false;
    uint32_t deadline = 0;        // a clock_source() reading; reached when now - deadline >= 0 (signed)
    uint64_t node_limit = 0;      // stop once nodes_since_start() reaches it (0: none)
    // The same, but never in the first iteration, so that a move always
    // comes from a whole search however small the budget (a level's).
    uint64_t soft_node_limit = 0;
    bool (*poll)() = nullptr;     // asked at each look (input while thinking); true stops
    // Normally the first iteration always finishes, so that there is a move
    // from a whole search.  A hard limit (a node cap, a flag about to fall)
    // may cut it too; the move is then the best root move found so far.
    bool stop_first_iteration = false;
    // No iteration deeper than this (0: none), whatever the mode.
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

struct search_request {
    const position* pos = nullptr;  // the position searched
    int side = WHITE;               // its side to move
    search_engine engine = search_engine::classic;
    search_mode mode = search_mode::fixed_depth;
    int depth_limit = 1;            // the last iteration (fixed depth) or the cap (capped clock modes)
    // Milliseconds: the budget that decides whether another iteration
    // starts (INT32_MAX: none).  The classic search compares it with the
    // last iteration's time; the strong search reads it as its soft limit.
    int32_t budget_ms = 0;
    search_limits limits;                 // stops, root moves, MultiPV, strict root, mate, depth cap
    search_observer* observer = nullptr;  // told of each finished iteration (may be null)
    // For the strong search, which scores repetitions itself: the game's
    // positions since the last capture or pawn move, oldest first, as
    // position_key gives them (the position searched not among them),
    // and the half-moves since the last capture or pawn move.
    const uint64_t* earlier_keys = nullptr;
    int earlier_count = 0;
    int halfmove_clock = 0;
    // A look that leaves no trace (a hint for the user): the strong search
    // thinks with a searcher and a table of its own, on one thread, and
    // neither the learning book, the node count nor the game's best root
    // moves hear of it.
    bool private_look = false;
    // For tests that compare the strong search with a plain minimax: no
    // pruning, reductions or extensions, no exchange or delta bounds in the
    // quiescence search, and table cutoffs only from entries of the same depth.
    bool full_width = false;
};

struct search_result {
    // The root moves sharing the best score, each with its line (best_moves
    // and best_lines point at the search's own storage, valid until the next
    // search of the same kind: a private look has its own).
    const move* best_moves = nullptr;
    const search_line* best_lines = nullptr;
    int best_count = 0;
    int32_t score = 0;   // the root's score, from the side to move's point of view
    int depth = 0;       // the last finished iteration
    bool stopped = false;  // a stop condition ended it
    uint64_t nodes = 0;    // every thread's
};

// The request for the classic search of pos with side to move in a
// settings' clock mode (0 to 3), to depth, with budget_ms: what the
// engine's turn asks of it, for the tools and the tests.
inline search_request classic_request(const position& pos, int side, int depth, int32_t budget_ms, int clock_mode) {
    search_request request;
    request.pos = &pos;
    request.side = side;
    request.mode = search_mode_of_setting(clock_mode);
    request.depth_limit = depth;
    request.budget_ms = budget_ms;
    return request;
}

// Runs the search the request asks for.  Leaves side_to_move at request.side.
search_result run_search(const search_request& request);

// Set by anyone, from any thread, to end the search in progress; run_search
// clears it when a search starts.
extern std::atomic<bool> stop_requested;

// Nodes searched since start-up by every search but private looks; never
// reset (node limits are readings of it).
uint64_t nodes_since_start();

// Messages to the search in progress, from its poll (on the search's own
// thread): from now on it also ends at deadline (a clock_source() reading),
// first iteration included; the same for a node limit (the lower of it and
// any already set holds); and the budget that decides whether another
// iteration starts.  Without a search in progress they do nothing.
void tell_search_deadline(uint32_t deadline);
void tell_search_node_limit(uint64_t limit);
void tell_search_budget(int32_t budget_ms);

// While a search runs (from its poll, on the search's thread): what it is
// doing now, and how many root moves its iteration has (for xboard's ".").
progress_report search_progress(int& root_moves);

// The last game search's result: one of the equally best root moves, at
// random; false when there is none.  And the line of a move of those (its
// first move is the move); a line of the move alone for any other.
bool pick_best_root_move(move& chosen);
search_line best_line_of(const move& m);
// Whether the last game search was ended by a stop condition.
bool last_search_stopped();

// --- The strong search's shared table and threads ---
inline constexpr int32_t DEFAULT_HASH_MB = 16;
inline constexpr int32_t MAX_HASH_MB = 1024;
inline constexpr int MAX_SEARCH_THREADS = 64;
// The transposition table's size in MB (the "Hash" option); the table is
// allocated only while the strong search is chosen (strong_prepare_table).
int32_t strong_hash_mb();
void set_strong_hash_mb(int32_t mb);
// Allocates the table at its size, if it is not so already, and the
// searchers of every thread (the option's setters call it, so that no
// search has to); returns once all are ready.
void strong_prepare_table();
// Drops the table's and the searchers' memory (the classic search is chosen again).
void strong_release_table();
// Empties the table and every searcher's histories ("Clear Hash", a new game).
void strong_clear_table();
// Permill of the table in use (for hashfull).
int strong_table_permill();
// How many threads the strong search thinks with (1 to MAX_SEARCH_THREADS).
// Returns once the threads are ready (so that a readyok sent after it is
// true); a value out of range changes nothing and returns false.
bool set_search_threads(int count);
int search_threads();

// What a search leaves behind for the next one and for the game: the
// ordering hints, the best root moves and their lines, the node count, the
// learning table's hints and the generator's state.  A classic look that
// must leave no trace (a hint for the user) keeps them first and restores
// them after.
void keep_search_traces();
void restore_search_traces();

// Back to where start-up leaves the searches: no ordering hints, no best
// root moves, no nodes counted, nothing stopped, the system's clock, and
// the strong search's table and histories empty.  For tests, benches and
// fuzzers that run many searches in one process.
void reset_search_state();
