// Fuzz target: the word stream of standard input and orvane.ini.  The input is
// the stream; its words go through the interpreter as the main loop hands
// them over, commands read their arguments from it, and the engine takes its
// turns at a small fixed depth.
#include <cstring>

#include "app/app.h"
#include "cecp/cecp.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_enter_private_directory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A "bookmake" of a device or of a file elsewhere (/dev/zero, /dev/stdin)
    // reads without end: only names inside the private folder are allowed.
    if (size == 0 || std::memchr(data, '/', size) != nullptr) return 0;
    if (fuzz_occurrences(data, size, "hint") > FUZZ_MAX_HINTS) return 0;
    fuzz_begin_input();
    fuzz_run_bytes(data, size);
    return 0;
}
