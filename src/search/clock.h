// The clock: a monotonic millisecond counter, read between the classic
// search's iterations and for every deadline.
#pragma once

#include <cstdint>

// The millisecond counter behind the clock and the deadlines; tests may point
// it at their own.
extern uint32_t (*clock_source)();
// Back to start-up's clock: the system's counter in milliseconds, restarted.
// Tests that script clock_source end with it.
void reset_clock();
// Milliseconds since the last restart (or consuming reading), as the classic
// search's iteration clock reads them.
void clock_restart();
int32_t clock_read();
