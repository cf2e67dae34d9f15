// Fuzz target: a UCI session.  The input is what the GUI sends on standard
// input; as at start-up, its first word must be "uci", and run_uci then
// speaks UCI over the rest of it: options, positions, go with any clock,
// stop, isready, quit.
//
// run_uci runs the whole session itself, so the input's node allowance
// cannot be looked at between words as the words target does: the session
// is read through a stream that ends once the allowance is spent, one byte
// at a time so that nothing beyond the point of spending has been buffered.
// The end of the input is "quit" for run_uci, and also ends the wait of a
// "go infinite" for its "stop".  Every engine turn is cut at FUZZ_NODE_CAP
// nodes in the search itself (turn_limits, first iteration included),
// whatever the go line's clock, depth or node count ("nodes N" may only
// lower the cap), so that a turn never runs long; no clock makes the engine
// wait, a clock only ends a search sooner.
//
// The session is read through a queue as the program's input thread fills
// it, so that the lines behind a go ("stop", "isready", "ponderhit", "quit")
// are taken during the search, as from a GUI.
#include <stdio.h>
#include <sys/types.h>

#include <cstring>

#include "fuzz_common.h"
#include "io/io.h"
#include "settings/settings.h"
#include "uci/uci.h"

namespace {

// A "ucinewgame" writes the whole book (a megabyte) and syncs it to the
// disk.  A GUI sends one a game; an input of hundreds of them would spend
// seconds in fsync, so inputs with more than a few are passed over.
constexpr size_t MAX_NEW_GAMES = 4;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_enter_private_directory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || fuzz_occurrences(data, size, "ucinewgame") > MAX_NEW_GAMES) return 0;
    fuzz_begin_input();
    // A UCI session plays on the clock (the start-up clock mode), which
    // fuzz_begin_input set to a fixed depth for the words: here the clock
    // with the depth cap, so that go's clock goes through the time manager
    // and a turn still ends at the small depth.
    clock_mode = 3;
    FILE* stream = fuzz_queue_input(data, size);
    input_stream = stream;
    // As at start-up: the first word chooses the protocol.  Any other first
    // word is the console's, which the words target covers.
    if (read_word(stream, word_buffer) && std::strcmp(word_buffer, "uci") == 0) run_uci(stream);
    fuzz_end_queued_input(stream);
    return 0;
}
