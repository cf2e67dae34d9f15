// The one way into a search: a request says what to search and how long,
// a result says what was found.  Both searches, the classic one and the
// strong one, are entered through run_search and share its root handling:
// the stop conditions, the root-move filter, MultiPV, the root lines, the
// current root move and the reports to the observer.
#pragma once

#include <cstdint>

#include "rules/rules.h"
#include "search/search.h"

// Which search thinks: the classic one (the default, exact to its trees) or
// the strong one.
enum class search_engine : int32_t { classic = 0, strong = 1 };

struct search_request {
    const position* pos = nullptr;  // the position searched
    int side = WHITE;               // its side to move
    search_engine engine = search_engine::classic;
    // The classic search's clock mode (0 fixed depth, 1 clock, 2 clock with a
    // depth cap and no null move nor cutting, 3 clock with a depth cap), its
    // last iteration or cap, and the budget in clock units that decides
    // whether another iteration starts.  The strong search reads the budget
    // (milliseconds) as its soft limit, and a fixed depth from mode 0.
    int mode = 0;
    int depth_limit = 1;
    int32_t budget = 0;
    search_limits limits;                // stops, root moves, MultiPV, strict root, mate, depth cap
    search_observer* observer = nullptr;  // told of each finished iteration (may be null)
    // For the strong search, which scores repetitions itself: the game's
    // positions since the last capture or pawn move, oldest first, as
    // position_key gives them (the position searched not among them),
    // and the half-moves since the last capture or pawn move.
    const uint64_t* earlier_keys = nullptr;
    int earlier_count = 0;
    int halfmove_clock = 0;
};

struct search_result {
    // The root moves sharing the best score, each with its line (best_moves
    // and best_lines point at the search's own storage, valid until the next
    // search).
    const move* best_moves = nullptr;
    const search_line* best_lines = nullptr;
    int best_count = 0;
    int32_t score = 0;   // the root's score, from the side to move's point of view
    int depth = 0;       // the last finished iteration
    bool stopped = false;  // a stop condition ended it
    uint64_t nodes = 0;
};

// Runs the search the request asks for.  Leaves side_to_move at request.side.
search_result run_search(const search_request& request);
