// The limits of one engine turn, as both protocols set them up: the caps a
// test or a fuzzer installs for every turn, the poll of standard input, and
// the strict root under a GUI.
#pragma once

#include "search/request.h"

// The limits every engine turn starts from: none in play; a fuzzer or a test
// sets a node cap here (node_limit counts the nodes of one turn) so that no
// single turn can run long.  "hint" keeps to that cap too.
extern search_limits turn_limits;

// The limits of a turn that starts now: turn_limits with its node cap
// counted from here, the input poll when standard input has its reader, and
// the strict root when the session asks for it.  The watch of lines that
// arrive during the turn begins (analysis: an xboard analysis).
search_limits limits_for_turn(bool analysis = false);

// Back to no limits, and the session to a console that has seen nothing.
void reset_protocol_state();

// After an engine turn: "nodes N" to the log when "lognodes" asked for it.
void log_node_count();
