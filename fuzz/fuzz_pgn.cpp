// Fuzz target: "bookmake" over PGN files.  The input is written to a file of
// the private folder as it is (a file that does not open like PGN goes to
// the game-file pass, as it would for a user), the pass learns it, and the
// engine plays on from the position the pass left.  The book is not saved:
// its writing does not depend on the input and would spend most of each run.
#include "app/app.h"
#include "cecp/cecp.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "fuzz_common.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_enter_private_directory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_begin_input();
    book_saving_enabled = 0;
    fuzz_write_file("games.pgn", data, size);
    fuzz_run_script("bookmake games.pgn go display Nf3 e5 O-O go");
    return 0;
}
