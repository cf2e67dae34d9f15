// The clock: a monotonic millisecond counter, read between search iterations.
#include "search/clock.h"

#include <chrono>

namespace {
uint32_t clock_start_ms = 0;   // counter at the last restart or consuming reading
int32_t clock_total = 0;       // whole milliseconds since the last restart

// The system's millisecond counter, wrapping at 2^32 like any tick counter.
uint32_t system_milliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
}  // namespace

uint32_t (*clock_source)() = system_milliseconds;

void reset_clock() {
    clock_source = system_milliseconds;
    clock_restart();
}

void clock_restart() {
    clock_start_ms = clock_source();
    clock_total = 0;
}

int32_t clock_read() {
    const uint32_t now = clock_source();
    const uint32_t elapsed = now - clock_start_ms;  // unsigned: the wrap-around is harmless
    int64_t total = static_cast<int64_t>(clock_total) + elapsed;
    if (total > INT32_MAX) total = INT32_MAX;
    clock_start_ms = now;
    clock_total = static_cast<int32_t>(total);
    return clock_total;
}
