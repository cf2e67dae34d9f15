// The colour the engine searches for: set by the engine's turn, read by the
// evaluation for its perspective sign.
#include "search/search.h"

int engine_side = WHITE;
