// Fuzz target: book.dat.  The input is the file; the book is loaded from it,
// the engine plays a few moves with it (its probes and stores read and write
// the table), and the book is saved: book.dat must then be a whole book.
#include <sys/stat.h>

#include <cstdlib>
#include <vector>

#include "book/book.h"
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
    if (size > 1 && (data[0] & 1) != 0) {
        // A book of the right version and length whose keys and entries are
        // the input's bytes over and over: garbage where a whole file is read.
        static std::vector<uint8_t> image(BOOK_FILE_SIZE);
        image[0] = static_cast<uint8_t>(BOOK_VERSION);  // little-endian 2
        image[1] = image[2] = image[3] = 0;
        for (size_t i = 4; i < image.size(); ++i) image[i] = data[1 + (i - 4) % (size - 1)];
        fuzz_write_file("book.dat", image.data(), image.size());
    } else {
        fuzz_write_file("book.dat", data, size);
    }
    load_book();
    fuzz_run_script("go go go go");
    save_book();
    struct stat saved;
    if (::stat("book.dat", &saved) != 0 || saved.st_size != BOOK_FILE_SIZE) std::abort();
    return 0;
}
