// Fuzz target: the game files of "bookmake".  The input is the file; the pass
// learns it into the book (and saves the book), and the engine plays on from
// the position the file left.
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
    fuzz_begin_input();
    fuzz_write_file("game.txt", data, size);
    fuzz_run_script("bookmake game.txt go go display");
    return 0;
}
