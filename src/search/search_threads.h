// How many threads the strong search thinks with.  The classic search, and
// the strong one playing a level (its budget is counted in nodes), think on
// one whatever this says.
#pragma once

inline constexpr int MAX_SEARCH_THREADS = 64;

// How many threads the strong search thinks with (1 to MAX_SEARCH_THREADS).
// Returns once the threads are ready, so that a "readyok" sent after it is
// true; a value out of range changes nothing and returns false.
bool set_search_threads(int count);
int search_threads();
