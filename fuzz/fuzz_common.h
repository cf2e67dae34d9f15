// What every fuzz target shares: a private working directory, the engine put
// back to its start-up state for each input, and limits that keep one input
// from running long whatever it asks for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Deepest search an input may get: the engine's turn stays short at any depth
// setting and in any clock mode.
inline constexpr int FUZZ_DEPTH_CAP = 2;
// Search nodes one input may spend; the words after that are not run.  It is
// also the cap of each engine turn (turn_limits), which ends even a turn whose
// first iteration is not finished: the input's spending is checked between
// words, the turn's inside the search every STOP_POLL_INTERVAL nodes, so one
// input spends at most about twice this plus one poll interval.
inline constexpr uint64_t FUZZ_NODE_CAP = 5000;
// Hints one input may ask for.  The strong search's hint empties a table of
// its own first, which costs far more than the few nodes it may search:
// inputs with more are passed over.
inline constexpr size_t FUZZ_MAX_HINTS = 4;

// Makes a fresh temporary directory the working directory, for good (its
// files are removed at exit).  Called from LLVMFuzzerInitialize.
void fuzz_enter_private_directory();
// Empties the working directory and resets the engine: start-up settings, a
// fresh book in memory, a new game, output and log to /dev/null, the clock at
// fixed depth (noclocks, depth 2), and every engine turn capped at
// FUZZ_NODE_CAP nodes, first iteration included.  Starts the input's node
// allowance.
void fuzz_begin_input();
// Clamps what the last word may have set: depth at most FUZZ_DEPTH_CAP, and a
// clocked mode always with the depth cap (mode 3 for 1 or any other value).
void fuzz_apply_caps();
// Whether the input has spent its node allowance: FUZZ_NODE_CAP nodes, or
// the allowance a target gives its inputs (each turn stays capped at
// FUZZ_NODE_CAP all the same).
bool fuzz_over_budget(uint64_t allowance = FUZZ_NODE_CAP);
// How many times text occurs in data, overlaps included.  A target passes
// over inputs that name a command too often (or at all) where the command
// would make one input slow, or reach outside the private folder.
size_t fuzz_occurrences(const uint8_t* data, size_t size, const char* text);
// Writes data to a file of the working directory.
void fuzz_write_file(const char* name, const uint8_t* data, size_t size);
// Feeds the words of stream to the interpreter as the main loop does, up to
// "quit", the end of the stream or the node allowance.
void fuzz_run_words(FILE* stream);
// The input as the program's input thread would hand it over: data queued
// whole (and the queue closed), installed as standard_input_queue so that a
// search's poll takes the lines that act at once ("stop", "isready", "?",
// "ping" behind them, ...) and analysis ends at the next line.  Returns the
// stream the interpreter reads; it stays valid until fuzz_end_queued_input.
FILE* fuzz_queue_input(const uint8_t* data, size_t size);
// Closes that stream and puts standard_input_queue back to none.
void fuzz_end_queued_input(FILE* stream);
// Whether an input names a file outside the private folder after
// "bookmake" (a path with a slash: /dev/zero or /dev/stdin would be read
// without end), or bookmakes more than a few times.
bool fuzz_bookmake_reaches_out(const uint8_t* data, size_t size);
// Runs a fixed script of words (blank-separated) through the interpreter.
void fuzz_run_script(const char* script);
// Runs size bytes of data (at least one) as words through the interpreter.
void fuzz_run_bytes(const void* data, size_t size);
