// Bounds for the few checks where time is the point (how soon a stop, a
// deadline, isready or quit is answered).  CI runs them under the sanitizers,
// two tests at a time on two cores beside other work: ThreadSanitizer slows the
// program about tenfold, AddressSanitizer a few times, so each bound is the
// release build's, scaled for the build the test was compiled in (the program
// under test is built with the same flags).  Everything else waits for an
// event, with a timeout that only keeps a broken program from hanging the run.
#pragma once

namespace time_margin {
#if defined(__SANITIZE_THREAD__)
constexpr int SLOWDOWN = 10;
#elif defined(__SANITIZE_ADDRESS__)
constexpr int SLOWDOWN = 4;
#else
constexpr int SLOWDOWN = 1;
#endif

// A bound of ms in a release build, in this build.
constexpr int scaled_ms(int ms) { return ms * SLOWDOWN; }
}  // namespace time_margin
