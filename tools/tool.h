// orvane-tool: the developer's tool beside the engine.  Each subcommand is a
// function taking the arguments after its name.
#pragma once

#include "rules/rules.h"

// Sets game_position and side_to_move from "startpos" (a new game) or a FEN.
// Returns false for a FEN that cannot be read.
bool tool_set_position(const char* text);

int tool_perft(int argc, char** argv);
// The evaluation of a position term by term; --bench: evaluations per second.
int tool_eval(int argc, char** argv);
