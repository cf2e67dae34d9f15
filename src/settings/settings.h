// The engine settings: the global switches and limits that steer the search,
// the evaluation, the book and the front end.  start_up sets the defaults;
// afterwards only the command interpreter and the option table change them
// (a search that leaves null move and cutting out says so in its own state).
#pragma once

#include <cstdint>

// Deepest "depth"/"ply" setting accepted, and the cap on every iteration of
// the search in every clock mode.  It keeps the search far inside the 3000
// ply_best entries and the frames set aside for it, capture extension included.
inline constexpr int MAX_SEARCH_DEPTH = 64;

extern int32_t search_depth;       // depth limit: last iteration in clock mode 0, cap in modes 2 and 3
extern int32_t move_time_ms;       // time allowance per engine move, from "level"
extern int32_t clock_mode;         // 0 fixed depth, 1 clock, 2 clock + depth cap (no null/cutting), 3 clock + cap
extern int32_t eval_variant;       // evaluation formula 0..3; any other value scores 0
extern int32_t advanced_search;    // capture extension below depth 0, and the quiet shortcut
extern int32_t book_enabled;       // read book.dat at start-up
extern int32_t book_saving_enabled; // write book.dat (a GUI's "Learning book" option turns both off)
extern int32_t cutting_enabled;    // move-count cutting, and the quiet shortcut
extern int32_t null_move_enabled;  // null-move search
extern int32_t emotion;            // sign selects the evaluation's tie-break
extern int32_t sound_enabled;      // bell after each engine move (human mode)
extern int32_t human_mode;         // 1: a person at a console; 0: a GUI ("xboard")
extern int32_t board_reversed;     // diagram drawn from black's side
extern int32_t settings_locked;    // "levellock": locked commands do nothing
extern int32_t force_mode;         // the engine does not answer user moves
extern int32_t log_nodes;          // log "nodes N" after each engine turn
extern int32_t strong_search;      // 1: the strong search thinks instead of the classic one ("Search" option)
extern int32_t san_enabled;        // "sanon": the engine's moves also in SAN (human mode)

// Sets every setting to its start-up default.
void set_default_settings();
