// The engine's turn: the time budget of the level settings, the search, and
// the move played into the game.
#include <cstdint>
#include <cstring>

#include "book/book.h"
#include "game/game.h"
#include "game/strength.h"
#include "game/time_manager.h"
#include "search/classic_search.h"
#include "search/request.h"
#include "settings/settings.h"

namespace {

// The smaller of two depth caps, 0 standing for none.
int smaller_cap(int a, int b) {
    if (a == 0) return b;
    if (b == 0) return a;
    return a < b ? a : b;
}

int32_t clamp_to_int32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// The level the turn in progress plays at (strength.h), and what it saw.
struct {
    bool active = false;
    strength_plan plan;
} level;
strength_observer level_watch;

// The move to play after a search: one of the best root moves; or, when a
// hard limit cut the first iteration before any root move was searched, the
// first legal move, so that the engine still moves.
bool choose_move(move& chosen) {
    if (level.active && level_watch.choose(level.plan, chosen)) return true;
    if (pick_best_root_move(chosen)) return true;
    if (!last_search_stopped()) return false;
    static move_list fallback;
    generate_moves(game_position, fallback);
    if (fallback.count == 0) return false;
    chosen = fallback.moves[0];
    return true;
}

// The clock of the turn in progress, from the moment it starts: at once for
// a turn on the engine's own time, when the predicted move comes for a
// pondered one.
struct turn_clock {
    bool pending = false;      // a pondered turn whose clock has not started
    bool running = false;      // started: the turn's time is accounted at its end
    bool pondered = false;     // started by the predicted move, in the middle of the search
    bool searching = false;    // the turn's search is in progress and can take limits
    bool level_clock = false;  // the level settings' budget applies
    bool gui_clock = false;    // the GUI's clock applies
    bool awaiting_hit = false; // a turn of clock_at_ponderhit whose clock is not known yet
    uint32_t began = 0;        // clock_source() when such a turn began
    uint32_t start = 0;        // clock_source() when it started (a GUI clock or a pondered turn)
    uint64_t first_node = 0;   // nodes_since_start() then
    int64_t nps = 0;           // a clock of nodes: nodes a second (0: real time)
} turn;

// The ordering hints and the learning table as a pondered search found
// them, put back when the prediction fails: the turn that follows thinks
// exactly as without pondering, and nothing is learnt from a position that
// never came on the board.  (The table's copy is touched only by pondering.)
move hints_before_ponder[PLY_BEST_SIZE];
book_entry book_before_ponder[BOOK_SLOTS];

// The game's earlier positions as the strong search's keys, for its
// repetition test (a fixed array: a turn allocates nothing).
uint64_t earlier_keys[MAX_EARLIER_POSITIONS];

// Starts the turn's clock now: the level settings' budget (level_clock; the
// allowance accumulates, time left over from earlier moves is spent now) and
// the GUI's plan, which caps the budget and sets the hard limits into limits.
// Returns the budget.
int32_t start_turn_clock(bool level_clock, bool pondered, int32_t budget, search_limits& limits) {
    const bool searching = turn.searching;
    turn = turn_clock{};
    turn.searching = searching;
    turn.running = true;
    turn.pondered = pondered;
    turn.level_clock = level_clock;
    // The clock of the GUI is read only when the GUI has told the engine
    // about it: without that, a turn reads the clock exactly as it always did.
    turn.gui_clock = game_time.time_known || game_time.fixed_move_ms > 0;
    if (turn.gui_clock || pondered) turn.start = clock_source();
    const int32_t moves_before = engine_moves_made;
    if (level_clock) {
        // A pondered turn leaves the search's own iteration clock alone.
        if (!pondered) clock_restart();
        // In 64 bits, as move_time_ms may be any integer.
        int64_t allowance = static_cast<int64_t>(move_time_ms) * (int64_t{moves_before} + 1) - time_used;
        if (allowance <= 0) allowance = move_time_ms / 2;
        budget = clamp_to_int32(allowance);
        if (engine_moves_made < INT32_MAX) ++engine_moves_made;
    }
    turn.nps = game_time.nodes_per_second;
    turn.first_node = nodes_since_start();
    if (turn.gui_clock) {
        // The GUI's clock caps the plan; a search without a budget (a fixed
        // depth, analysis) still stops where the flag would fall.
        // The strong search plans on the GUI's clock alone: the level
        // settings' budget is the classic engine's pace, far too short a
        // look for a search that deepens quickly.
        const turn_plan plan = strong_search_thinks() ? plan_strong_turn(moves_before)
                                                  : plan_turn(level_clock ? budget : INT32_MAX, moves_before);
        if (level_clock) budget = plan.budget;
        if (turn.nps > 0) {
            // A clock of nodes: the limit falls after that many nodes, and the
            // real time ends nothing (the overhead is for real lag only).
            const int64_t ms = plan.hard_limit_ms + (game_time.move_overhead_ms > 0 ? game_time.move_overhead_ms : 0);
            int64_t nodes = ms / 1000 * turn.nps + ms % 1000 * turn.nps / 1000;
            if (nodes < 1) nodes = 1;
            const uint64_t limit = nodes_since_start() + static_cast<uint64_t>(nodes);
            if (limits.node_limit == 0 || limit < limits.node_limit) limits.node_limit = limit;
            if (level_clock) budget = INT32_MAX;
        } else {
            // A pondered turn's iteration in progress began before the move
            // came, maybe long before: it may take the plan, not the margin
            // above it that lets a normal turn finish an iteration.
            int64_t limit_ms = plan.hard_limit_ms;
            if (pondered && level_clock && budget < limit_ms) limit_ms = budget;
            const uint32_t deadline = turn.start + static_cast<uint32_t>(limit_ms);
            if (!limits.use_deadline || static_cast<int32_t>(deadline - limits.deadline) < 0) limits.deadline = deadline;
            limits.use_deadline = true;
        }
        limits.stop_first_iteration = true;  // the flag must not fall, even in the first iteration
    } else if (pondered && level_clock) {
        // The iteration running when the move came may have begun long
        // before it: the budget is the most this turn waits for it.
        limits.use_deadline = true;
        limits.deadline = turn.start + static_cast<uint32_t>(budget);
    }
    return budget;
}

// At the turn's end: its time accounted, to the level settings' clock and
// the GUI's.
void finish_turn_clock() {
    if (turn.running) {
        // The clock was last restarted when the final iteration began; a
        // pondered turn counts from the predicted move.
        if (turn.level_clock)
            time_used = clamp_to_int32(static_cast<int64_t>(time_used) +
                                       (turn.pondered ? static_cast<int64_t>(static_cast<uint32_t>(clock_source() - turn.start))
                                                      : clock_read()));
        if (turn.gui_clock)
            account_turn(turn.nps > 0 ? static_cast<int64_t>((nodes_since_start() - turn.first_node) * 1000 / static_cast<uint64_t>(turn.nps))
                                      : static_cast<int64_t>(static_cast<uint32_t>(clock_source() - turn.start)));
    }
    turn = turn_clock{};
}

}  // namespace

bool think_turn(move& played, const turn_options& options) {
    const int side = side_to_move;
    search_limits limits = options.limits != nullptr ? *options.limits : search_limits{};
    // The GUI's depth cap ("sd", UCI's depth with a clock) and the caller's
    // cap: the smaller holds.  Analysis is no game turn: only the caller's.
    if (!options.analysis) limits.max_depth = smaller_cap(limits.max_depth, game_time.max_depth);

    // What kind of search: the settings' clock mode and depth, or what the
    // front end asks for (a fixed depth, or no end but a stop).
    search_mode mode = search_mode_of_setting(clock_mode);
    int depth = search_depth;
    int32_t budget = 0;
    if (options.infinite || options.analysis) {
        mode = search_mode::clock, depth = MAX_SEARCH_DEPTH, budget = INT32_MAX;
    } else if (options.fixed_depth > 0) {
        mode = search_mode::fixed_depth, depth = options.fixed_depth;
    }
    const bool level_clock = mode != search_mode::fixed_depth && !options.infinite && !options.analysis;
    if (options.analysis) {
        turn = turn_clock{};  // no clock runs, no time is accounted
    } else if (options.ponder) {
        // On the opponent's time: no budget and no clock until the
        // predicted move comes, and anything else ends the search at once.
        std::memcpy(hints_before_ponder, classic_ordering_hints(), sizeof hints_before_ponder);
        std::memcpy(book_before_ponder, book_table, sizeof book_table);
        turn = turn_clock{};
        turn.pending = true;
        turn.level_clock = level_clock;
        budget = INT32_MAX;
        limits.stop_first_iteration = true;
    } else {
        budget = start_turn_clock(level_clock, false, budget, limits);
        if (options.clock_at_ponderhit) {
            turn.awaiting_hit = true;
            turn.began = clock_source();
        }
    }

    // A level looks at fewer positions and may choose among its best few
    // moves (analysis is always at full strength).
    level.active = limit_strength != 0 && !options.analysis;
    search_observer* observer = options.observer;
    if (level.active) {
        level.plan = plan_for_elo(strength_elo);
        if (level.plan.nodes != 0) limits.soft_node_limit = nodes_since_start() + level.plan.nodes;
        if (limits.multi_pv < level.plan.lines) limits.multi_pv = level.plan.lines;
        level_watch.watch(options.observer);
        observer = &level_watch;
    }

    search_request request;
    request.pos = &game_position;
    request.side = side;
    request.engine = strong_search_thinks() ? search_engine::strong : search_engine::classic;
    request.mode = mode;
    request.depth_limit = depth;
    request.budget_ms = budget;
    request.limits = limits;
    request.observer = observer;
    if (request.engine == search_engine::strong) {
        // The strong search scores repetitions and the fifty-move count itself.
        request.earlier_count = game_repetition_keys(earlier_keys, MAX_EARLIER_POSITIONS);
        request.earlier_keys = earlier_keys;
        request.halfmove_clock = game_halfmove_clock();
    }
    turn.searching = true;
    run_search(request);
    turn.searching = false;
    side_to_move = side;
    if (options.ponder || options.analysis) return false;  // a pondered turn ends with the prediction's outcome
    const bool moved = choose_move(played);
    finish_turn_clock();
    return moved;
}

void start_pondered_clock() {
    if (turn.awaiting_hit) {
        // The go's clock is known now; the turn has run since it began.
        turn.awaiting_hit = false;
        if (!turn.searching || (!game_time.time_known && game_time.fixed_move_ms <= 0)) return;  // on until a stop
        if (strong_search_thinks()) {
            // The strong search keeps deepening within its plan, with the
            // hard limit counted from when the go began.
            const turn_plan plan = plan_strong_turn(engine_moves_made);
            tell_search_budget(plan.budget);
            tell_search_deadline(turn.began + static_cast<uint32_t>(plan.hard_limit_ms));
            return;
        }
        const turn_plan plan = plan_turn(INT32_MAX, engine_moves_made);
        tell_search_deadline(turn.began + static_cast<uint32_t>(plan.budget));
        return;
    }
    if (!turn.pending) return;
    search_limits limits;
    const int32_t budget = start_turn_clock(turn.level_clock, true, INT32_MAX, limits);
    if (!turn.searching) return;  // the search has ended: the answer goes out at once
    if (turn.level_clock) tell_search_budget(budget);
    if (limits.use_deadline) tell_search_deadline(limits.deadline);
    if (limits.node_limit != 0) tell_search_node_limit(limits.node_limit);
}

bool pondered_turn_answer(move& chosen) {
    if (turn.pending) start_pondered_clock();  // the move came after the search had ended
    const bool moved = choose_move(chosen);
    finish_turn_clock();
    return moved;
}

void pondered_turn_missed() {
    std::memcpy(classic_ordering_hints(), hints_before_ponder, sizeof hints_before_ponder);
    std::memcpy(book_table, book_before_ponder, sizeof book_table);
    turn = turn_clock{};
}

bool engine_turn(move& played, const turn_options& options) {
    if (!think_turn(played, options)) return false;
    game_play(played);
    game_note_engine_move();
    return true;
}

namespace {
// The strong search's hint: a short look at full strength (a level's hint
// is no weaker than any other), deep enough to see what the classic
// engine's depth 4 cannot, and bounded in nodes for slow positions.  A
// private look: its searcher and table are its own, so the game's table,
// histories, learning table and node count stay as they were.
constexpr int STRONG_HINT_DEPTH = 10;
constexpr uint64_t STRONG_HINT_NODES = 250000;

bool strong_hint(move& suggested, uint64_t nodes) {
    const int side = side_to_move;
    search_request request;
    request.pos = &game_position;
    request.side = side;
    request.engine = search_engine::strong;
    request.mode = search_mode::fixed_depth;
    request.depth_limit = STRONG_HINT_DEPTH;
    request.private_look = true;
    request.limits.node_limit = nodes;  // a private look counts from 0
    request.limits.stop_first_iteration = true;
    request.limits.strict_root = true;
    request.earlier_count = game_repetition_keys(earlier_keys, MAX_EARLIER_POSITIONS);
    request.earlier_keys = earlier_keys;
    request.halfmove_clock = game_halfmove_clock();
    const search_result found = run_search(request);
    side_to_move = side;
    // The strong search has one best move: no random choice (the generator
    // is the game's).
    if (found.best_count == 0) return false;
    suggested = found.best_moves[0];
    return true;
}

// A short look by the classic search, whose traces (ordering hints,
// learning table, generator, node count) are put back afterwards, so that
// the game goes on exactly as if nobody had asked; the strong search's
// tables it never touches.
bool classic_hint(move& suggested, uint64_t nodes) {
    constexpr int HINT_DEPTH = 4;
    keep_search_traces();
    const int side = side_to_move;
    search_request request;
    request.pos = &game_position;
    request.side = side;
    request.depth_limit = HINT_DEPTH;  // the classic search (the default) in mode 0, a fixed depth
    request.limits.node_limit = nodes_since_start() + nodes;
    request.limits.stop_first_iteration = true;
    request.limits.strict_root = true;  // never a move that leaves the king attacked
    run_search(request);
    side_to_move = side;
    const bool found = pick_best_root_move(suggested);
    restore_search_traces();
    return found;
}
}  // namespace

bool hint_move(move& suggested, uint64_t node_cap) {
    constexpr uint64_t CLASSIC_HINT_NODES = 2000000;  // a bound for positions where depth 4 is slow
    const auto capped = [node_cap](uint64_t nodes) { return node_cap != 0 && node_cap < nodes ? node_cap : nodes; };
    // The hint comes from the search that plays.
    if (!strong_search_thinks()) return classic_hint(suggested, capped(CLASSIC_HINT_NODES));
    return strong_hint(suggested, capped(STRONG_HINT_NODES));
}
