// Fuzz target: board.txt.  The input is the file; it is loaded, shown, played
// from by the engine for both sides, saved and loaded again.
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
    fuzz_write_file("board.txt", data, size);
    fuzz_run_script("load display go draw go reverse display save load force go go");
    return 0;
}
