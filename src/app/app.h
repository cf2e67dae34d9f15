// The program as a whole: its start-up, the choice of protocol, its end, and
// the one reset that puts every layer back to where start-up leaves it.
#pragma once

// The program: start-up, replay of orvane.ini, then standard input until
// "quit" in the protocol its first word chooses (UCI after "uci", else the
// console and xboard).  Returns the exit status.
int run_program();

// Puts the process back where start-up leaves it, without touching any file:
// default settings, the generator seeded with 0, a fresh book in memory with
// game_count 0, the search's ordering hints cleared, input from stdin,
// output to stdout, no log, no turn limits, a console session, a new game.
// For in-process tests, benches and fuzzers; streams they installed are not
// closed.
void reset_engine_state();
