// The strong search: principal-variation search with a transposition table,
// quiescence, null move, reductions and pruning, over the rules layer's
// positions, with an evaluation of its own.  run_search enters it after the
// shared root handling is set up; it reports through that handling and
// leaves its best root moves in best_root_moves / best_root_lines.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rules/rules.h"
#include "search/request.h"

// The iterations of the strong search for request; returns the root's
// score of the last finished iteration (from the side to move), and its
// depth in root_depth.
int32_t strong_deepen(const search_request& request);

// Whether pos, with side to move, is quiet: not in check, and the
// quiescence search's line from it is empty (no capture or promotion
// changes its score).  What the evaluation's tuning data keeps.  Needs the
// table (strong_prepare_table).
bool strong_is_quiet(const position& pos, int side);

// For tests that compare the strong search with a plain minimax: no
// pruning, reductions or extensions, no exchange or delta bounds in the
// quiescence search, and table cutoffs only from entries of the same depth.
// Off in play.
extern bool strong_full_width;

// The transposition table: its size in MB (the "Hash" option), allocated
// only while the strong search is chosen.
inline constexpr int32_t DEFAULT_HASH_MB = 16;
inline constexpr int32_t MAX_HASH_MB = 1024;
extern int32_t hash_mb;
// Allocates the table at hash_mb, if it is not so already (the option's
// setters call it, so that no search has to).
void strong_prepare_table();
// Drops the table's memory (the classic search is chosen again).
void strong_release_table();
// Empties the table ("Clear Hash", a new game).
void strong_clear_table();
// Permill of the table in use (for hashfull).
int strong_table_permill();
