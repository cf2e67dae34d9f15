// UCI, the Universal Chess Interface, spoken for the rest of the run once the
// first word of standard input is "uci".
#pragma once

#include <cstdio>

// Speaks UCI on stream; the word "uci" has been read from it.  Returns at
// "quit" or the end of the input.
void run_uci(FILE* stream);
// Forgets the last accepted position and a pending quit.
void reset_uci_state();
