// Fuzz target: an xboard protocol-2 session.  The input is what the GUI
// sends: the handshake, the new-game set, the clock (level, st, sd, time,
// otim), options, setboard, moves, undo and remove, ping, analyze and exit,
// result and "?".  Its words go through the interpreter as the main loop
// hands them over, with the same caps as the words target: a small fixed
// depth, every clocked mode with a depth cap, and a node allowance for the
// input that also cuts each engine turn.
//
// The input is read through a queue as the program's input thread fills it,
// so a line behind a search is looked at during it ("?", "undo", "result",
// "new", "setboard", "quit", "." in analysis), and "analyze" thinks until
// the next line.  Pondering waits for input that may yet come, which a
// closed queue never has: that path is the real-use soaks'.
#include <cstring>

#include "fuzz_common.h"

namespace {
// A draw accepted by "draw" ends a game, which writes the whole book (a
// megabyte) and syncs it to the disk: an input that repeats it hundreds of
// times in a bare-kings position would spend seconds in fsync.
constexpr size_t MAX_DRAW_OFFERS = 8;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_enter_private_directory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // setboard needs the slashes of a FEN, so unlike the words target this
    // one lets them through; but "bookmake" of a file elsewhere (/dev/zero,
    // /dev/stdin) reads without end: only such inputs are passed over.
    if (size == 0 || fuzz_bookmake_reaches_out(data, size)) return 0;
    if (fuzz_occurrences(data, size, "draw") > MAX_DRAW_OFFERS) return 0;
    if (fuzz_occurrences(data, size, "hint") > FUZZ_MAX_HINTS) return 0;
    fuzz_begin_input();
    FILE* stream = fuzz_queue_input(data, size);
    fuzz_run_words(stream);
    fuzz_end_queued_input(stream);
    return 0;
}
