// The engine's pseudo-random generator: a linear congruential generator with
// 15-bit results, our own so that every platform draws the same numbers (the
// fresh book's keys depend on it).
#pragma once

#include <cstdint>

inline constexpr int RANDOM_MAX = 32767;

// Sets the generator's state to seed.
void random_seed(uint32_t seed);
// The state now: random_seed(random_state_now()) later draws the same numbers again.
uint32_t random_state_now();
// Next number, 0 to RANDOM_MAX: state = state * 214013 + 2531011, bits 16 to 30.
int random_next();
