#include "book/random.h"

namespace {
uint32_t random_state = 0;  // advanced by every draw; unsigned, so it wraps mod 2^32
}

void random_seed(uint32_t seed) { random_state = seed; }

uint32_t random_state_now() { return random_state; }

int random_next() {
    random_state = random_state * 214013u + 2531011u;
    return static_cast<int>((random_state >> 16) & 0x7fff);
}
