// orvane-tool: the developer's tool beside the engine.  Each subcommand is a
// function taking the arguments after its name.
#pragma once

#include "rules/move_text.h"
#include "rules/rules.h"
#include "search/request.h"

// Sets game_position and side_to_move from "startpos" (a new game) or a FEN.
// Returns false for a FEN that cannot be read.
bool tool_set_position(const char* text);

// Plays a coordinate move on the game position as the game would (the side
// flips).  Returns false when it names no legal move there.
bool tool_play_move(const char* text);

// A request for the strong search of pos with side to move, with no clock
// and nodes more nodes from now (the search counts on from nodes_since_start()),
// its root held to that limit too.
search_request strong_nodes_request(const position& pos, int side, uint64_t nodes);

// Whether pos, with side to move, is quiet as the strong search sees it: not
// in check, and its quiescence search changes nothing (search_mode::quiescence).
bool strong_root_is_quiet(const position& pos, int side);

// The classic search of pos for side in a settings' clock mode (0 to 3),
// to depth, with budget milliseconds: what the engine's own turn would run.
search_result tool_classic_search(const position& pos, int side, int depth, int32_t budget_ms, int clock_mode,
                                  search_observer* observer = nullptr);

// Centipawns of a search score (classic units: 65536 a hundred centipawns).
int tool_centipawns(int32_t score);
// A result for white as the data files write it: "1", "0.5" or "0".
const char* tool_result_text(double result);

int tool_perft(int argc, char** argv);
int tool_search(int argc, char** argv);
int tool_bench(int argc, char** argv);
// The evaluation of a position term by term; --bench: evaluations per second.
int tool_eval(int argc, char** argv);
// What a book file holds (entries, book-made entries, finished games) and,
// with --position, the hint in that position's slot.  Only reads the file.
int tool_book(int argc, char** argv);
// Self-play of the strong search at a fixed node count: quiet positions
// with the game's result, for tuning its evaluation.
int tool_datagen(int argc, char** argv);
// Fits the strong evaluation's weights to datagen's positions and results
// and writes them as strong_weights.h.
int tool_tune(int argc, char** argv);
// Adds the strong search's score at a fixed node count to each position of
// tuning data, for the tuner's --blend.
int tool_label(int argc, char** argv);
